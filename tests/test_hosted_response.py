"""How hosted evaluation treats the answer: status, body text, character decoding, redirects."""

import base64
import gzip
import time

import pytest

import kestrova
from servers.control import ServerProcess
from servers.scenarios import MINIMAL

# Sessions built here must not pick up the machine's proxy or trust settings.
pytestmark = pytest.mark.usefixtures("clean_client_env")

# An error answer whose body never arrives: reading it would take the whole body time limit.
UNREAD_BODY = {"headers": [["content-length", "1000"]], "framing": "close", "body_sent": 0}

STATUSES = [
    (301, "API Error: Status 301 Moved Permanently"),
    (304, "API Error: Status 304 Not Modified"),
    (306, "API Error: Status 306 <unknown status code>"),
    (400, "API Error: Status 400 Bad Request"),
    (404, "API Error: Status 404 Not Found"),
    (418, "API Error: Status 418 I'm a teapot"),
    (419, "API Error: Status 419 <unknown status code>"),
    (451, "API Error: Status 451 Unavailable For Legal Reasons"),
    (500, "API Error: Status 500 Internal Server Error"),
    (503, "API Error: Status 503 Service Unavailable"),
    (509, "API Error: Status 509 <unknown status code>"),
    (511, "API Error: Status 511 Network Authentication Required"),
    (599, "API Error: Status 599 <unknown status code>"),
]


def raw(data):
    return {"action": "raw", "raw_b64": base64.b64encode(data).decode()}


def body_route(data, content_type=None, **extra):
    headers = [["content-type", content_type]] if content_type is not None else []
    return dict(extra, headers=headers, body_b64=base64.b64encode(data).decode())


BODIES = {
    "empty": (body_route(b""), ""),
    "not-json": (body_route(b"hello, world"), "hello, world"),
    "untrimmed": (body_route(b'  {"a": 1}\n\n', "application/json"), '  {"a": 1}\n\n'),
    "nul": (body_route(b"a\x00b"), "a\x00b"),
    "chunked": (body_route(b"chunked body", framing="chunked"), "chunked body"),
    "until-close": (body_route(b"read to the end", framing="close"), "read to the end"),
    "large": (body_route(b"0123456789" * 500_000), "0123456789" * 500_000),
    "informational-first": (
        raw(b"HTTP/1.1 100 Continue\r\n\r\nHTTP/1.1 103 Early Hints\r\nlink: </x>\r\n\r\n"
            b"HTTP/1.1 200 OK\r\ncontent-length: 5\r\n\r\nfinal"),
        "final",
    ),
    "http-1.0-until-close": (raw(b"HTTP/1.0 200 OK\r\n\r\nold style"), "old style"),
    "gzip-not-inflated": (
        dict(
            body_route(gzip.compress(b"compressed", mtime=0)),
            headers=[["content-encoding", "gzip"]],
        ),
        gzip.compress(b"compressed", mtime=0).decode("utf-8", "replace"),
    ),
}

CHARSETS = {
    "utf16le": ("text/plain; charset=utf-16le", "héllo ✓".encode("utf-16le"), "héllo ✓"),
    "quoted-upper": ('text/plain;charset="UTF-16LE"', "hi".encode("utf-16le"), "hi"),
    "utf16-label": ("text/plain; charset=utf-16", "hi".encode("utf-16le"), "hi"),
    "utf16be": ("text/plain; charset=utf-16be", "hé".encode("utf-16be"), "hé"),
    "latin1-is-1252": ("text/plain; charset=latin1", b"caf\xe9 \x80", "café €"),
    "iso-8859-2": ("text/html; charset=iso-8859-2", b"\xb1", "ą"),
    "shift-jis": ("text/plain; charset=shift_jis", b"\x93\xfa\x96\x7b", "日本"),
    "unknown-label": ("text/plain; charset=x-no-such", "é".encode(), "é"),
    "no-charset": ("application/json", '{"é":1}'.encode(), '{"é":1}'),
    "no-header-invalid-utf8": (None, b"a\xffb\xe2\x82", "a\ufffdb\ufffd"),
    "lone-surrogate-bytes": (None, b"x\xed\xa0\x80y", "x\ufffd\ufffd\ufffdy"),
    "utf8-bom-wins": ("text/plain; charset=utf-16le", b"\xef\xbb\xbfhi", "hi"),
    "utf16be-bom": (None, b"\xfe\xff\x00h\x00i", "hi"),
    "utf16le-bom-over-latin1": ("text/plain; charset=latin1", b"\xff\xfeh\x00i\x00", "hi"),
    "utf16-odd-length": ("text/plain; charset=utf-16le", b"h\x00i", "h\ufffd"),
    "non-ascii-header-byte": ("text/plain; charset=utf-16le; x=\xe9", b"hi", "hi"),
    "not-a-media-type": ("charset=utf-16le", b"hi", "hi"),
    "replacement-label": ("text/plain; charset=iso-2022-kr", b"abc", "\ufffd"),
}


@pytest.fixture(scope="module")
def server():
    routes = {
        f"status-{code}": dict(UNREAD_BODY, status=code, reason="Whatever") for code, _ in STATUSES
    }
    routes.update({f"ok-{c}": {"status": c, "body": f"ok {c}"} for c in (200, 201, 299)})
    routes["ok-204"] = {"status": 204, "reason": "No Content", "framing": "close"}
    routes.update({f"body-{name}": spec for name, (spec, _) in BODIES.items()})
    routes.update(
        {f"charset-{name}": body_route(data, ctype) for name, (ctype, data, _) in CHARSETS.items()}
    )
    routes["status-no-reason"] = raw(b"HTTP/1.1 404\r\ncontent-length: 0\r\n\r\n")
    routes["hops-10"] = {"redirects": 10, "body": "arrived"}
    routes["hops-11"] = {"redirects": 11, "body": "never"}
    routes["loop"] = {"redirect_loop": True}
    routes["hops-then-404"] = dict(UNREAD_BODY, redirects=3, status=404, reason="Nope")
    with ServerProcess(routes, lifetime=300) as srv:
        yield srv


def evaluate(server, route):
    session = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url(route))
    return session.evaluate()


@pytest.mark.parametrize("code, message", STATUSES)
def test_error_status_is_reported_not_retried_and_body_not_read(server, code, message):
    route = f"status-{code}"
    start = time.monotonic()
    with pytest.raises(RuntimeError) as info:
        evaluate(server, route)
    elapsed = time.monotonic() - start
    assert str(info.value) == message
    assert len(server.requests(route)) == 1
    # Reading the stalled body would take the 3.5 s body limit.
    assert elapsed < 3.0


def test_reason_phrase_comes_from_the_table(server):
    with pytest.raises(RuntimeError) as info:
        evaluate(server, "status-no-reason")
    assert str(info.value) == "API Error: Status 404 Not Found"


@pytest.mark.parametrize("code", [200, 201, 204, 299])
def test_success_statuses(server, code):
    assert evaluate(server, f"ok-{code}") == ("" if code == 204 else f"ok {code}")


@pytest.mark.parametrize("name", list(BODIES))
def test_body_is_returned_unchanged(server, name):
    expected = BODIES[name][1]
    text = evaluate(server, f"body-{name}")
    assert len(text) == len(expected)
    assert text == expected


@pytest.mark.parametrize("name", list(CHARSETS))
def test_body_decoding(server, name):
    assert evaluate(server, f"charset-{name}") == CHARSETS[name][2]


def test_ten_redirects_are_followed(server):
    assert evaluate(server, "hops-10") == "arrived"
    assert len(server.requests("hops-10")) == 11


@pytest.mark.parametrize("route", ["hops-11", "loop"])
def test_eleventh_redirect_fails_both_attempts(server, route):
    with pytest.raises(RuntimeError) as info:
        evaluate(server, route)
    message = str(info.value)
    prefix = f"API Request Failed: error following redirect for url ({server.base_url(route)}/"
    assert message.startswith(prefix), message
    assert message.endswith("): too many redirects"), message
    assert len(server.requests(route)) == 22


def test_error_status_after_redirects_is_not_retried(server):
    with pytest.raises(RuntimeError) as info:
        evaluate(server, "hops-then-404")
    assert str(info.value) == "API Error: Status 404 Not Found"
    assert len(server.requests("hops-then-404")) == 4
