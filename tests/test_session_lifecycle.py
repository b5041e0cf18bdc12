"""Session state over its life: what update_schema keeps, what a session stores, what a failed
call leaves behind, and that sessions give back their threads, descriptors and memory."""

import gc
import json
import os
import sys
import threading
import time

import pytest

import kestrova
from conftest import MINIMAL_SCENARIO, scenario
from kestrova import KestrovaSession

M = MINIMAL_SCENARIO


def thread_count():
    return len(os.listdir("/proc/self/task"))


def fd_count():
    return len(os.listdir("/proc/self/fd"))


def rss_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


@pytest.fixture(scope="module")
def server():
    from servers.control import ServerProcess

    with ServerProcess(
        routes={"slow": {"head_delay": 1.0, "status": 200, "body": "slow"}},
        default={"status": 200, "body": "answer"},
        lifetime=180,
    ) as process:
        yield process


def one_request(server, call):
    """Runs call, which must return the server's body, and gives the one request it sent."""
    mark = server.mark()
    call()
    requests = server.wait_for(lambda s: s.requests_since(mark))
    assert len(requests) == 1
    return requests[0]


def sent_schema(server, session):
    return one_request(server, lambda: session.evaluate()).json()["schema"]


# --- update_schema ------------------------------------------------------------------------


def test_failed_update_keeps_the_previous_scenario(clean_client_env, server):
    session = KestrovaSession(M, base_url=server.base_url("update"))
    local_before = session.simulate_local(40.0)
    sent_before = sent_schema(server, session)
    for bad in ("not json", "", "{}", scenario(time={"type": "continuous", "horizon": 3})):
        with pytest.raises(ValueError) as info:
            session.update_schema(bad)
        assert str(info.value).startswith("Invalid schema: ")
    assert sent_schema(server, session) == sent_before
    assert session.simulate_local(40.0) == local_before


def test_successful_update_replaces_only_the_scenario(clean_client_env, server):
    session = KestrovaSession(M, api_key="key-1", base_url=server.base_url("replace"))
    assert session.update_schema(scenario(metadata={"name": "second"})) is None
    request = one_request(server, lambda: session.evaluate(3))
    assert request.json()["schema"]["metadata"]["name"] == "second"
    assert request.header("x-kestrova-key") == b"key-1"
    assert request.target == b"/replace/v1/simulate"


def test_update_with_unsound_content_succeeds_and_fails_only_when_run():
    session = KestrovaSession(M)
    unsound = scenario(
        variables={"x": {"type": "int", "initial": 0, "min": 5, "max": 1, "discretization": 1}}
    )
    assert session.update_schema(unsound) is None
    assert json.loads(session.simulate_local())["verdict"] == "invalid_schema"


# --- what the record stores --------------------------------------------------------------


@pytest.mark.parametrize("api_key, header", [(None, None), ("", b""), ("k\tey", b"k\tey")])
def test_api_key_is_stored_unchanged(clean_client_env, server, api_key, header):
    url = server.base_url("key")
    session = KestrovaSession(M, api_key=api_key, base_url=url)
    assert one_request(server, session.evaluate).header("x-kestrova-key") == header
    request = one_request(server, lambda: kestrova.simulate(M, None, api_key, url))
    assert request.header("x-kestrova-key") == header


def test_default_base_url_is_https_scheme_and_host(clean_client_env):
    # A proxy on a closed loopback port: the request fails before leaving the machine, and
    # the error names the URL the session would have used.
    from servers.control import free_port

    clean_client_env.setenv("https_proxy", f"http://127.0.0.1:{free_port()}")
    for call in (lambda: KestrovaSession(M).evaluate(), lambda: kestrova.simulate(M)):
        with pytest.raises(RuntimeError) as info:
            call()
        text = str(info.value)
        assert text.startswith("API Request Failed: ")
        assert "for url (https://api.kestrova.dev/v1/simulate)" in text


# --- construction order and failures ------------------------------------------------------


def test_client_failure_is_reported_after_a_good_scenario(clean_client_env, tmp_path):
    clean_client_env.setenv("SSL_CERT_FILE", str(tmp_path / "missing-bundle.pem"))
    for call in (
        lambda: KestrovaSession(M),
        lambda: kestrova.simulate(M, 1.0),
        lambda: kestrova.simulate_local(M),  # builds a client although it never uses it
    ):
        with pytest.raises(RuntimeError) as info:
            call()
        assert str(info.value).startswith("Failed to create HTTP client: ")
    # The scenario is read first: a bad one fails as such and no client is attempted.
    with pytest.raises(ValueError, match="^Invalid schema: "):
        KestrovaSession("[]")


def test_failed_calls_leave_the_session_usable(clean_client_env, server):
    from servers.control import free_port

    session = KestrovaSession(M, base_url=f"http://127.0.0.1:{free_port()}")
    local = session.simulate_local()
    with pytest.raises(RuntimeError, match="^API Request Failed: "):
        session.evaluate()
    too_wide = scenario(
        variables={
            f"v{i}": {"type": "int", "initial": 0, "min": 0, "max": 1, "discretization": 1}
            for i in range(6)
        }
    )
    session.update_schema(too_wide)
    with pytest.raises(ValueError):  # the local variables cap
        session.simulate_local()
    assert session.update_schema(M) is None
    assert session.simulate_local() == local


# --- locks and threads --------------------------------------------------------------------


def test_calls_keep_the_interpreter_lock_while_waiting(clean_client_env, server):
    session = KestrovaSession(M, base_url=server.base_url("slow"))
    ticks = []
    stop = threading.Event()

    def ticker():
        while not stop.is_set():
            ticks.append(time.monotonic())
            time.sleep(0.001)

    worker = threading.Thread(target=ticker)
    worker.start()
    try:
        time.sleep(0.05)
        start = time.monotonic()
        assert session.evaluate() == "slow"
        end = time.monotonic()
        time.sleep(0.05)
    finally:
        stop.set()
        worker.join()
    during = [t for t in ticks if start + 0.02 < t < end - 0.02]
    # A thread that waited without the lock would let the ticker run ~1000 times here.
    assert end - start >= 0.9
    assert len(during) <= 2


def test_each_session_owns_one_thread_until_released():
    KestrovaSession(M)  # any one-time setup of the client library happens here
    gc.collect()
    baseline = thread_count()
    sessions = [KestrovaSession(M) for _ in range(10)]
    assert thread_count() == baseline + 10
    del sessions[:5]
    assert thread_count() == baseline + 5  # release waits for the thread to end
    sessions.clear()
    assert thread_count() == baseline
    with pytest.raises(ValueError):
        KestrovaSession("not json")
    assert thread_count() == baseline


def test_a_thousand_sessions_return_threads_and_descriptors(clean_client_env, server):
    url = server.base_url("many")
    warm = KestrovaSession(M, base_url=url)
    warm.evaluate()  # connection machinery and trust store loaded once
    del warm
    gc.collect()
    threads, fds = thread_count(), fd_count()
    for i in range(1000):
        session = KestrovaSession(M, base_url=url)
        if i % 100 == 0:
            session.evaluate(1.0)  # some of them with an open, pooled connection
        del session
    gc.collect()
    assert thread_count() == threads
    assert fd_count() == fds


# --- no leaks -----------------------------------------------------------------------------


class FloatRaises:
    def __init__(self, error):
        self.error = error

    def __float__(self):
        raise self.error


def swallow(call):
    def run():
        try:
            call()
        except Exception:
            pass

    return run


def leak_paths(closed_url):
    session = KestrovaSession(M, base_url=closed_url)

    class Reenter:
        def __float__(self):
            session.update_schema(M)
            return 1.0

    return {
        "construct": lambda: KestrovaSession(M, api_key="k", base_url=closed_url),
        "construct_invalid": swallow(lambda: KestrovaSession("{}")),
        "construct_wrong_type": swallow(lambda: KestrovaSession(M, api_key=3)),
        "unexpected_keyword": swallow(lambda: KestrovaSession(M, **{"cl\u00e9": 1})),
        "missing_argument": swallow(lambda: kestrova.simulate()),
        "too_many": swallow(lambda: session.update_schema(M, M)),
        "budget_type_error": swallow(lambda: kestrova.simulate_local(M, FloatRaises(TypeError("t")))),
        "budget_value_error": swallow(lambda: session.simulate_local(FloatRaises(ValueError("v")))),
        "surrogate": swallow(lambda: KestrovaSession("\ud800")),
        "update": lambda: session.update_schema(scenario(metadata={"name": "n" * 100})),
        "update_invalid": swallow(lambda: session.update_schema("[1,")),
        "local_method": swallow(lambda: session.simulate_local(5)),
        "local_function": swallow(lambda: kestrova.simulate_local(M, 5)),
        "access_refused": swallow(lambda: session.simulate_local(Reenter())),
        "foreign_self": swallow(lambda: KestrovaSession.evaluate(1)),
    }


def test_no_python_objects_leak_on_any_path(clean_client_env):
    from servers.control import free_port

    paths = leak_paths(f"http://127.0.0.1:{free_port()}")
    for name, call in paths.items():
        for _ in range(50):
            call()
        gc.collect()
        before = sys.getallocatedblocks()
        for _ in range(500):
            call()
        gc.collect()
        grown = sys.getallocatedblocks() - before
        assert grown < 50, (name, grown)


def test_failed_hosted_calls_leak_nothing(clean_client_env):
    from servers.control import free_port

    session = KestrovaSession(M, base_url=f"http://127.0.0.1:{free_port()}")
    call = swallow(session.evaluate)
    for _ in range(20):
        call()
    gc.collect()
    before = sys.getallocatedblocks()
    for _ in range(200):
        call()
    gc.collect()
    assert sys.getallocatedblocks() - before < 50


def running_under_address_sanitizer():
    with open("/proc/self/maps") as maps:
        return "libasan" in maps.read()


@pytest.mark.skipif(
    running_under_address_sanitizer(),
    reason="the sanitizer holds freed memory in quarantine; make leakcheck covers this under valgrind",
)
def test_native_memory_is_returned(clean_client_env):
    big = scenario(
        variables={
            f"var_{i}": {"type": "float", "initial": 1.5, "min": 0, "max": 9, "discretization": 0.5}
            for i in range(40)
        }
    )
    session = KestrovaSession(big)

    def churn(rounds):
        for _ in range(rounds):
            KestrovaSession(big)
            session.update_schema(big)

    churn(300)
    before = rss_bytes()
    churn(2000)
    # A leaked scenario or client per round would add tens of megabytes here.
    assert rss_bytes() - before < 8 * 1024 * 1024
