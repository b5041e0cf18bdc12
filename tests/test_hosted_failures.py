"""Failed sends, the single retry, time limits, and hostile servers."""

import base64
import os
import shutil
import tempfile
import time

import pytest

import kestrova
from servers.client_process import finish_client, start_client
from servers.control import ServerProcess, free_port
from servers.process_resources import collector_paused, open_descriptors, running_threads
from servers.scenarios import MINIMAL, request_body

# Sessions built here must not pick up the machine's proxy or trust settings.
pytestmark = pytest.mark.usefixtures("clean_client_env")

READ_TIMEOUT = "Failed to read API response: error decoding response body: operation timed out"


def raw(data):
    return {"action": "raw", "raw_b64": base64.b64encode(data).decode()}


SEND_FAILURES = {
    "close-before-answer": {"action": "close"},
    "reset-before-answer": {"action": "reset"},
    "status-line-only": raw(b"HTTP/1.1 200 OK\r\n"),
    "head-cut-short": raw(b"HTTP/1.1 200 OK\r\ncontent-le"),
    "garbage-status-line": raw(b"GARBAGE\r\n\r\nhello"),
}


@pytest.fixture(scope="module")
def server():
    routes = {name: spec for name, spec in SEND_FAILURES.items()}
    routes["second-try"] = [{"action": "close"}, {"body": "second time lucky"}]
    routes["stale"] = {"body": "served", "close_after": True}
    with ServerProcess(routes, lifetime=300) as srv:
        yield srv


def test_nothing_listening_gives_two_connection_attempts():
    port = free_port()
    url = f"http://127.0.0.1:{port}/v1/simulate"
    strace = shutil.which("strace")
    with tempfile.TemporaryDirectory() as tmp:
        trace = os.path.join(tmp, "connect.trace")
        wrapper = (strace, "-f", "-qq", "-e", "trace=connect", "-o", trace) if strace else ()
        result = finish_client(start_client(MINIMAL, f"http://127.0.0.1:{port}", wrapper=wrapper))
        assert result.get("exc") == "RuntimeError", result
        expected = f"API Request Failed: error sending request for url ({url})"
        assert result["msg"].startswith(expected), result
        assert result["elapsed"] < 3.0
        if strace:
            with open(trace, encoding="utf-8", errors="replace") as lines:
                attempts = [line for line in lines if f"htons({port})" in line]
            assert len(attempts) == 2, attempts


@pytest.mark.parametrize("route", list(SEND_FAILURES))
def test_failed_send_is_retried_once(server, route):
    session = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url(route))
    with pytest.raises(RuntimeError) as info:
        session.evaluate(1)
    assert str(info.value).startswith("API Request Failed: "), str(info.value)
    first, second = server.requests(route)
    assert first.conn != second.conn
    assert first.raw == second.raw
    assert first.body == request_body(b"1.0")


def test_first_attempt_fails_and_second_succeeds(server):
    session = kestrova.KestrovaSession(MINIMAL, api_key="k", base_url=server.base_url("second-try"))
    start = time.monotonic()
    assert session.evaluate(2) == "second time lucky"
    assert time.monotonic() - start < 3.0
    first, second = server.requests("second-try")
    assert first.raw == second.raw
    assert second.time - first.time < 1.0


def test_connection_closed_by_server_between_calls(server):
    session = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url("stale"))
    assert session.evaluate() == "served"
    time.sleep(0.2)
    assert session.evaluate() == "served"


# Slow cases, run side by side in child processes. Each row: server routes (or on_accept), the
# URL scheme, and what the call must give: result or error text (exact, or prefix with "..."),
# the elapsed time range in seconds, and how many requests/connections the server saw.
SLOW_CASES = {
    "never-answers": dict(route={"action": "stall"}, error="API Request Failed: ...",
                          elapsed=(6.0, 9.5), requests=2),
    "head-after-4s": dict(route={"head_delay": 4.0, "body": "late"},
                          error="API Request Failed: ...", elapsed=(6.0, 9.5), requests=2),
    "redirects-too-slow": dict(route={"redirects": 2, "head_delay": 1.5, "body": "late"},
                               error="API Request Failed: ...", elapsed=(6.0, 9.5)),
    "body-stalls": dict(route={"body": "x" * 100, "body_sent": 10}, error=READ_TIMEOUT,
                        elapsed=(3.0, 6.0), requests=1),
    "endless-body": dict(route={"endless_body": True}, error=READ_TIMEOUT,
                         elapsed=(3.0, 6.0), requests=1),
    "head-2s-body-2.5s-later": dict(route={"head_delay": 2.0, "body_delay": 2.5, "body": "whole"},
                                    result="whole", elapsed=(4.0, 7.0), requests=1),
    "usable-after-send-timeouts": dict(
        route=[{"action": "stall"}, {"action": "stall"}, {"body": "recovered"}],
        error="API Request Failed: ...", elapsed=(6.0, 9.5), requests=2, then="recovered",
    ),
    "usable-after-read-timeout": dict(
        route=[{"body": "x" * 100, "body_sent": 10}, {"body": "recovered"}],
        error=READ_TIMEOUT, elapsed=(3.0, 6.0), requests=1, then="recovered",
    ),
    "accepts-never-reads": dict(on_accept="stall", error="API Request Failed: ...",
                                elapsed=(6.0, 9.5), connections=2),
    "tls-handshake-stalls": dict(on_accept="stall", scheme="https",
                                 error="API Request Failed: ...", elapsed=(6.0, 9.5),
                                 connections=2),
}


def test_time_limits():
    servers, clients = {}, {}
    try:
        for name, case in SLOW_CASES.items():
            if "route" in case:
                servers[name] = ServerProcess({"slow": case["route"]}, lifetime=60)
            else:
                servers[name] = ServerProcess(on_accept=case["on_accept"], lifetime=60)
            base = f"{case.get('scheme', 'http')}://127.0.0.1:{servers[name].port}/slow"
            clients[name] = start_client(MINIMAL, base, calls=2 if "then" in case else 1)
        problems = []
        for name, case in SLOW_CASES.items():
            problems += check_slow_case(name, case, finish_client(clients[name]), servers[name])
        assert not problems, "\n".join(problems)
    finally:
        for proc in clients.values():
            if proc.poll() is None:
                proc.kill()
                proc.wait()
        for srv in servers.values():
            srv.stop()


def check_slow_case(name, case, got, srv):
    problems = []
    if "result" in case:
        if got.get("ok") != case["result"]:
            problems.append(f"{name}: expected result {case['result']!r}, got {got}")
    else:
        expected = case["error"]
        message = got.get("msg", "")
        matches = (
            message.startswith(expected[:-3]) if expected.endswith("...") else message == expected
        )
        if got.get("exc") != "RuntimeError" or not matches:
            problems.append(f"{name}: expected RuntimeError {expected!r}, got {got}")
    low, high = case["elapsed"]
    if not low <= got["elapsed"] <= high:
        problems.append(f"{name}: took {got['elapsed']:.2f} s, expected {low}..{high} s")
    if "then" in case:
        later = got["then"][0]
        if later.get("ok") != case["then"] or later["elapsed"] > 2.0:
            problems.append(f"{name}: next call on the session gave {later}")
    requests = srv.requests()
    if "then" in case:
        # The follow-up call adds exactly one request of its own.
        if len(requests) != case["requests"] + 1:
            problems.append(f"{name}: server saw {len(requests)} requests over both calls")
        requests = requests[:-1]
    if "requests" in case and len(requests) != case["requests"]:
        problems.append(f"{name}: server saw {len(requests)} requests, expected {case['requests']}")
    if "connections" in case and len(srv.connections()) != case["connections"]:
        problems.append(
            f"{name}: server saw {len(srv.connections())} connections, "
            f"expected {case['connections']}"
        )
    if case.get("requests") == 2:
        gap = requests[1].time - requests[0].time if len(requests) == 2 else None
        if gap is None or not 3.0 <= gap <= 4.5:
            problems.append(f"{name}: second attempt came {gap} s after the first, expected ~3.5 s")
    if name == "redirects-too-slow":
        starts = [r for r in requests if r.target == b"/slow/v1/simulate"]
        if len(starts) != 2 or not 3.0 <= starts[1].time - starts[0].time <= 4.5:
            problems.append(f"{name}: expected two attempts ~3.5 s apart, saw {len(starts)}")
    return problems


# Hostile answers: each must end in an error (or a bounded result) within the limits, and
# leave no thread or descriptor behind once the session is gone. Expected texts ending in "..."
# are prefixes ("..." alone: any RuntimeError); None accepts a result too.
HOSTILE = {
    "endless-body": ({"endless_body": True}, READ_TIMEOUT),
    "endless-chunked-body": ({"endless_body": True, "framing": "chunked"}, READ_TIMEOUT),
    "endless-headers": ({"endless_headers": True}, "API Request Failed: ..."),
    "huge-header": (
        raw(b"HTTP/1.1 200 OK\r\nx-big: " + b"a" * (4 << 20) + b"\r\ncontent-length: 2\r\n\r\nok"),
        None,
    ),
    "garbage-status-line": (raw(b"\x00\xff\x16\x03 nonsense\r\n\r\n"), "API Request Failed: ..."),
    "reset-mid-body": (
        {"body": "y" * 5000, "body_sent": 100, "after": "reset"},
        "Failed to read API response: ...",
    ),
    "close-mid-body": (
        {"body": "y" * 5000, "body_sent": 100, "after": "close"},
        "Failed to read API response: ...",
    ),
    "bad-chunk-size": (
        raw(b"HTTP/1.1 200 OK\r\ntransfer-encoding: chunked\r\n\r\nzz\r\nabc\r\n0\r\n\r\n"),
        "Failed to read API response: ...",
    ),
    "redirect-loop": ({"redirect_loop": True}, "API Request Failed: error following redirect ..."),
    "conflicting-lengths": (
        raw(b"HTTP/1.1 200 OK\r\ncontent-length: 5\r\ncontent-length: 7\r\n\r\nhello"),
        "...",
    ),
    "invalid-length": (raw(b"HTTP/1.1 200 OK\r\ncontent-length: -5\r\n\r\nhello"), "..."),
    "status-out-of-range": (raw(b"HTTP/1.1 1000 Big\r\ncontent-length: 0\r\n\r\n"), "..."),
}


def test_hostile_servers_end_within_limits_without_leaks():
    routes = {name: spec for name, (spec, _) in HOSTILE.items()}
    with ServerProcess(routes, lifetime=120) as srv, collector_paused():
        threads, descriptors = running_threads(), open_descriptors()
        problems = []
        for name, (_, expected) in HOSTILE.items():
            session = kestrova.KestrovaSession(MINIMAL, base_url=srv.base_url(name))
            start = time.monotonic()
            try:
                outcome = ("ok", session.evaluate())
            except RuntimeError as exc:
                outcome = ("error", str(exc))
            elapsed = time.monotonic() - start
            del session
            if elapsed > 11.5:
                problems.append(f"{name}: took {elapsed:.1f} s")
            if expected is not None:
                kind, text = outcome
                ok = kind == "error" and (
                    text.startswith(expected[:-3]) if expected.endswith("...") else text == expected
                )
                if not ok:
                    problems.append(f"{name}: expected {expected!r}, got {kind} {text[:200]!r}")
        assert running_threads() == threads
        assert open_descriptors() == descriptors
        assert not problems, "\n".join(problems)
