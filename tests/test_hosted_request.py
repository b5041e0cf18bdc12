"""What hosted evaluation puts on the wire: request line, headers, body, key and URL handling."""

import base64
import math

import pytest

import kestrova
from servers.control import ServerProcess
from servers.scenarios import MINIMAL, MINIMAL_ENCODED, request_body

# Sessions built here must not pick up the machine's proxy or trust settings.
pytestmark = pytest.mark.usefixtures("clean_client_env")

EXPECTED_HEADERS = {
    b"host",
    b"accept",
    b"content-type",
    b"content-length",
    b"x-kestrova-version",
}


@pytest.fixture(scope="module")
def server():
    routes = {
        "flaky": [
            {"status": 503, "reason": "Service Unavailable", "headers": [["connection", "close"]]},
            {"action": "close"},
            {"action": "close"},
            {"body": "recovered"},
        ],
    }
    with ServerProcess(routes, default={"body": "fine"}, lifetime=300) as srv:
        yield srv


def evaluate_once(server, base_url, budget=None, **session_args):
    """Runs one evaluate; returns (result text, the one request it sent)."""
    mark = server.mark()
    session = kestrova.KestrovaSession(MINIMAL, base_url=base_url, **session_args)
    text = session.evaluate(budget)
    sent = server.requests_since(mark)
    assert len(sent) == 1, [r.request_line for r in sent]
    return text, sent[0]


def header_set(request):
    return {name.lower() for name in request.header_names()}


def test_header_names_travel_in_lower_case(server):
    _, request = evaluate_once(server, server.base_url("case"), api_key="k")
    names = request.header_names()
    assert names == [name.lower() for name in names]


def test_request_line_headers_and_body(server):
    text, request = evaluate_once(server, server.base_url("plain"), 5, api_key="k-123")
    assert text == "fine"
    assert request.request_line == b"POST /plain/v1/simulate HTTP/1.1"
    names = [name.lower() for name in request.header_names()]
    assert len(names) == len(set(names)), names
    assert set(names) == EXPECTED_HEADERS | {b"x-kestrova-key"}
    assert request.header("accept") == b"*/*"
    assert request.header("content-type") == b"application/json"
    assert request.header("x-kestrova-version") == b"0.3.2"
    assert request.header("x-kestrova-key") == b"k-123"
    assert request.header("host") == f"127.0.0.1:{server.port}".encode()
    assert request.header("content-length") == str(len(request.body)).encode()
    assert request.body == request_body(b"5.0")


@pytest.mark.parametrize(
    "budget, written",
    [
        (None, b"null"),
        (5, b"5.0"),
        (-1, b"-1.0"),
        (0, b"0.0"),
        (-0.0, b"-0.0"),
        (2.5, b"2.5"),
        (True, b"1.0"),
        (0.1, b"0.1"),
        (1e15, b"1000000000000000.0"),
        (1e16, b"1e+16"),
        (1e-5, b"0.00001"),
        (1.5e-7, b"1.5e-7"),
        (-1e300, b"-1e+300"),
        (math.nan, b"null"),
        (math.inf, b"null"),
        (-math.inf, b"null"),
    ],
)
def test_budget_member(server, budget, written):
    _, request = evaluate_once(server, server.base_url("budget"), budget)
    assert request.body == request_body(written)


def test_budget_omitted_and_converted_objects(server):
    class Indexable:
        def __index__(self):
            return 7

    class Floatable:
        def __float__(self):
            return 0.25

    session = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url("budget-objects"))
    mark = server.mark()
    session.evaluate()
    session.evaluate(budget=Indexable())
    session.evaluate(Floatable())
    bodies = [r.body for r in server.requests_since(mark)]
    assert bodies == [request_body(b"null"), request_body(b"7.0"), request_body(b"0.25")]


@pytest.mark.parametrize(
    "session_args, sent",
    [
        ({}, None),
        ({"api_key": None}, None),
        ({"api_key": ""}, b""),
        ({"api_key": "abc"}, b"abc"),
        ({"api_key": "a\tb"}, b"a\tb"),
        ({"api_key": " padded "}, b" padded "),
        ({"api_key": "ключ-✓"}, "ключ-✓".encode()),
    ],
    ids=["omitted", "none", "empty", "plain", "tab", "padded", "non-ascii"],
)
def test_api_key_header(server, session_args, sent):
    text, request = evaluate_once(server, server.base_url("key"), **session_args)
    assert text == "fine"
    values = request.headers("x-kestrova-key")
    assert values == ([] if sent is None else [sent])
    assert request.body == request_body(b"null")


@pytest.mark.parametrize("key", ["a\nb", "a\rb", "a\x00b", "a\x01b", "a\x7fb", "\n"])
def test_key_with_control_character_fails_before_any_traffic(server, key):
    session = kestrova.KestrovaSession(MINIMAL, api_key=key, base_url=server.base_url("bad-key"))
    mark = server.mark()
    with pytest.raises(RuntimeError) as info:
        session.evaluate(1.0)
    message = str(info.value)
    assert message.startswith("API Request Failed: builder error"), message
    assert " for url (" not in message
    assert server.connections_since(mark) == []


@pytest.mark.parametrize(
    "suffix, target",
    [
        ("", b"/v1/simulate"),
        ("/", b"//v1/simulate"),
        ("/api", b"/api/v1/simulate"),
        ("/api/", b"/api//v1/simulate"),
        ("/api/v2", b"/api/v2/v1/simulate"),
        ("/q?x=1", b"/q?x=1/v1/simulate"),
        ("/frag#part", b"/frag"),
        ("/a b", b"/a%20b/v1/simulate"),
        ("/x/../dot", b"/dot/v1/simulate"),
    ],
)
def test_endpoint_is_base_url_followed_by_path(server, suffix, target):
    base = f"http://127.0.0.1:{server.port}{suffix}"
    text, request = evaluate_once(server, base)
    assert text == "fine"
    assert request.target == target


@pytest.mark.parametrize(
    "template, host",
    [
        ("HTTP://127.0.0.1:{port}", "127.0.0.1:{port}"),
        ("http://localhost:{port}", "localhost:{port}"),
    ],
)
def test_host_header_carries_the_port(server, template, host):
    text, request = evaluate_once(server, template.format(port=server.port))
    assert text == "fine"
    assert request.header("host") == host.format(port=server.port).encode()


@pytest.mark.parametrize(
    "user_info, credentials",
    [("user:secret", b"user:secret"), ("us%40er:p%3Ass%20w", b"us@er:p:ss w")],
    ids=["plain", "percent-encoded"],
)
def test_user_information_becomes_basic_authorization(server, user_info, credentials):
    base = f"http://{user_info}@127.0.0.1:{server.port}/auth"
    _, request = evaluate_once(server, base, api_key="k")
    expected = b"Basic " + base64.b64encode(credentials)
    assert request.header("authorization") == expected
    assert request.header("host") == f"127.0.0.1:{server.port}".encode()
    assert header_set(request) == EXPECTED_HEADERS | {b"x-kestrova-key", b"authorization"}


def test_no_authorization_without_user_information(server):
    _, request = evaluate_once(server, server.base_url("no-auth"))
    assert header_set(request) == EXPECTED_HEADERS


@pytest.mark.parametrize(
    "template",
    [
        "127.0.0.1:{port}",
        "localhost:{port}",
        "",
        "http://127.0.0.1:99999",
        "http://[::1",
        "ftp://127.0.0.1:{port}",
        "file:///tmp",
    ],
    ids=["ip-no-scheme", "host-no-scheme", "empty", "port-too-big", "open-ipv6", "ftp", "file"],
)
def test_unusable_base_url_is_a_builder_error(server, template):
    session = kestrova.KestrovaSession(MINIMAL, base_url=template.format(port=server.port))
    mark = server.mark()
    with pytest.raises(RuntimeError) as info:
        session.evaluate()
    assert str(info.value).startswith("API Request Failed: builder error"), str(info.value)
    assert server.connections_since(mark) == []


def test_large_scenario_is_sent_in_one_piece(server):
    description = "d" * (3 << 20)
    scenario = MINIMAL.replace('"name": "tiny"', f'"name": "tiny", "description": "{description}"')
    session = kestrova.KestrovaSession(scenario, base_url=server.base_url("large"))
    mark = server.mark()
    assert session.evaluate(2) == "fine"
    (request,) = server.requests_since(mark)
    assert request.header("expect") is None
    assert request.header("transfer-encoding") is None
    assert request.header("content-length") == str(len(request.body)).encode()
    encoded = MINIMAL_ENCODED.replace(
        b'"description":null', b'"description":"' + description.encode() + b'"'
    )
    assert request.body == request_body(b"2.0", encoded)


def test_module_function_sends_the_same_request(server):
    base = server.base_url("function")
    _, by_session = evaluate_once(server, base, 5, api_key="k")
    mark = server.mark()
    assert kestrova.simulate(MINIMAL, 5, "k", base) == "fine"
    assert kestrova.simulate(MINIMAL, budget=5, api_key="k", base_url=base) == "fine"
    assert kestrova.simulate(schema_json=MINIMAL, base_url=base) == "fine"
    first, second, third = server.requests_since(mark)
    assert first.raw == by_session.raw
    assert second.raw == by_session.raw
    assert third.header("x-kestrova-key") is None
    assert third.body == request_body(b"null")


def test_session_is_unchanged_and_usable_after_failures(server):
    session = kestrova.KestrovaSession(MINIMAL, api_key="k", base_url=server.base_url("flaky"))
    mark = server.mark()
    with pytest.raises(RuntimeError, match="^API Error: Status 503 Service Unavailable$"):
        session.evaluate(3)
    with pytest.raises(RuntimeError, match="^API Request Failed: "):
        session.evaluate(3)
    assert session.evaluate(3) == "recovered"
    sent = server.requests_since(mark)
    assert len(sent) == 4
    assert all(r.raw == sent[0].raw for r in sent)
    assert sent[0].body == request_body(b"3.0")


def test_update_schema_changes_what_is_sent(server):
    session = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url("update"))
    renamed = MINIMAL.replace('"tiny"', '"renamed"')
    mark = server.mark()
    session.evaluate()
    session.update_schema(renamed)
    session.evaluate()
    with pytest.raises(ValueError):
        session.update_schema("not json")
    session.evaluate()
    first, second, third = (r.body for r in server.requests_since(mark))
    assert first == request_body(b"null")
    assert second == request_body(b"null", MINIMAL_ENCODED.replace(b'"tiny"', b'"renamed"'))
    assert third == second


def test_local_run_leaves_the_sent_scenario_unchanged(server):
    session = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url("local"))
    mark = server.mark()
    session.evaluate(4)
    session.simulate_local(4)
    session.evaluate(4)
    first, second = (r.body for r in server.requests_since(mark))
    assert first == second == request_body(b"4.0")
