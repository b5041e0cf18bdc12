"""Proxies from the environment, through a real forward proxy (tinyproxy)."""

import pytest

from servers import certificates, forward_proxy
from servers.client_process import run_client
from servers.control import ServerProcess, free_port
from servers.scenarios import MINIMAL, request_body

pytestmark = pytest.mark.skipif(
    not (forward_proxy.available() and certificates.available()),
    reason="tinyproxy or openssl is not installed",
)


@pytest.fixture(scope="module")
def proxy():
    with forward_proxy.ForwardProxy() as running:
        yield running


@pytest.fixture(scope="module")
def pki(tmp_path_factory):
    return certificates.Pki(str(tmp_path_factory.mktemp("pki")))


@pytest.fixture(scope="module")
def origin():
    with ServerProcess(default={"body": "origin"}, lifetime=300) as srv:
        yield srv


@pytest.fixture(scope="module")
def secure_origin(pki):
    tls = pki.server_tls("good")
    with ServerProcess(default={"body": "secure origin"}, tls=tls, lifetime=300) as srv:
        yield srv


def dead_proxy():
    return f"http://127.0.0.1:{free_port()}"


# Each row: environment (PROXY stands for the running proxy, DEAD for a port where nothing
# listens) and whether the plain http request must pass through the proxy.
HTTP_CASES = {
    "upper": ({"HTTP_PROXY": "PROXY"}, True),
    "lower": ({"http_proxy": "PROXY"}, True),
    "lower-wins": ({"http_proxy": "PROXY", "HTTP_PROXY": "DEAD"}, True),
    "all-proxy": ({"ALL_PROXY": "PROXY"}, True),
    "all-proxy-lower": ({"all_proxy": "PROXY"}, True),
    "specific-over-all": ({"HTTP_PROXY": "PROXY", "ALL_PROXY": "DEAD"}, True),
    "https-proxy-not-for-http": ({"HTTPS_PROXY": "DEAD"}, False),
    "no-proxy": ({"HTTP_PROXY": "PROXY", "NO_PROXY": "127.0.0.1"}, False),
    "no-proxy-list": ({"HTTP_PROXY": "PROXY", "no_proxy": "example.invalid,127.0.0.1"}, False),
    "no-proxy-other-host": ({"HTTP_PROXY": "PROXY", "NO_PROXY": "example.invalid"}, True),
    "cgi-ignores-upper": ({"HTTP_PROXY": "DEAD", "REQUEST_METHOD": "GET"}, False),
    "cgi-keeps-lower": ({"http_proxy": "PROXY", "REQUEST_METHOD": "GET"}, True),
}


def resolve(env, proxy):
    names = {"PROXY": proxy.url, "DEAD": dead_proxy()}
    return {key: names.get(value, value) for key, value in env.items()}


@pytest.mark.parametrize("case", list(HTTP_CASES))
def test_http_proxy_selection(proxy, origin, case):
    env, proxied = HTTP_CASES[case]
    mark = origin.mark()
    result = run_client(MINIMAL, origin.base_url(case), env=resolve(env, proxy), api_key="k")
    assert result.get("ok") == "origin", result
    (request,) = origin.requests_since(mark)
    via = request.header("via") or b""
    assert (b"tinyproxy" in via) == proxied, request.header_lines
    assert request.body == request_body(b"null")
    assert request.header("x-kestrova-key") == b"k"
    forwarded = f"POST {origin.url(case)} HTTP/1.1" in proxy.log()
    assert forwarded == proxied


def test_unreachable_proxy_fails_the_request(origin):
    mark = origin.mark()
    result = run_client(MINIMAL, origin.base_url("dead"), env={"HTTP_PROXY": dead_proxy()})
    assert result.get("exc") == "RuntimeError", result
    expected = f"API Request Failed: error sending request for url ({origin.url('dead')})"
    assert result["msg"].startswith(expected), result
    assert origin.requests_since(mark) == []


HTTPS_CASES = {
    "upper": ({"HTTPS_PROXY": "PROXY"}, True),
    "lower": ({"https_proxy": "PROXY"}, True),
    "all-proxy": ({"ALL_PROXY": "PROXY"}, True),
    "http-proxy-not-for-https": ({"HTTP_PROXY": "DEAD"}, False),
    "no-proxy": ({"HTTPS_PROXY": "PROXY", "NO_PROXY": "localhost"}, False),
}


@pytest.mark.parametrize("case", list(HTTPS_CASES))
def test_https_through_connect(proxy, pki, secure_origin, case):
    env, tunnelled = HTTPS_CASES[case]
    env = dict(resolve(env, proxy), SSL_CERT_FILE=pki.ca)
    before = proxy.log()
    mark = secure_origin.mark()
    result = run_client(MINIMAL, f"https://localhost:{secure_origin.port}/{case}", env=env)
    assert result.get("ok") == "secure origin", result
    (request,) = secure_origin.requests_since(mark)
    assert request.target == f"/{case}/v1/simulate".encode()
    # Through a tunnel the proxy sees only CONNECT, and the origin no Via header.
    assert request.header("via") is None
    added = proxy.log()[len(before):]
    assert (f"CONNECT localhost:{secure_origin.port}" in added) == tunnelled, added


def test_module_function_reads_the_environment_too(proxy, origin):
    mark = origin.mark()
    result = run_client(
        MINIMAL, origin.base_url("function"), env={"HTTP_PROXY": proxy.url}, via="function"
    )
    assert result.get("ok") == "origin", result
    (request,) = origin.requests_since(mark)
    assert b"tinyproxy" in (request.header("via") or b"")
