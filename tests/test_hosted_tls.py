"""Hosted evaluation over TLS against servers whose certificates are made at test time."""

import pytest

from servers import certificates
from servers.client_process import finish_client, start_client
from servers.control import ServerProcess
from servers.scenarios import MINIMAL, request_body

pytestmark = pytest.mark.skipif(not certificates.available(), reason="openssl is not installed")


@pytest.fixture(scope="module")
def pki(tmp_path_factory):
    return certificates.Pki(str(tmp_path_factory.mktemp("pki")))


@pytest.fixture(scope="module")
def servers(pki):
    names = ["good", "via-intermediate", "other-host", "self-signed"]
    started = {}
    try:
        for name in names:
            started[name] = ServerProcess(
                default={"body": f"secure {name}"}, tls=pki.server_tls(name), lifetime=300
            )
        started["plain"] = ServerProcess(default={"body": "plain"}, lifetime=300)
        yield started
    finally:
        for srv in started.values():
            srv.stop()


# Each row: server, host in the URL, trust settings ("ca-file", "ca-dir" or none), and whether
# the call succeeds. A failure must be retried: two connections, no request.
CASES = {
    "trusted-by-name": ("good", "localhost", "ca-file", True),
    "trusted-by-ip": ("good", "127.0.0.1", "ca-file", True),
    "trusted-through-dir": ("good", "localhost", "ca-dir", True),
    "intermediate-sent-by-server": ("via-intermediate", "localhost", "ca-file", True),
    "ca-not-trusted": ("good", "localhost", None, False),
    "other-host-name": ("other-host", "localhost", "ca-file", False),
    "other-host-by-ip": ("other-host", "127.0.0.1", "ca-file", False),
    "self-signed": ("self-signed", "localhost", "ca-file", False),
    "plain-server": ("plain", "127.0.0.1", "ca-file", False),
}


def trust_env(pki, trust):
    if trust == "ca-file":
        return {"SSL_CERT_FILE": pki.ca}
    if trust == "ca-dir":
        return {"SSL_CERT_DIR": pki.ca_dir}
    return {}


def test_certificate_verification(pki, servers):
    marks = {name: srv.mark() for name, srv in servers.items()}
    clients = {}
    for case, (server, host, trust, _) in CASES.items():
        srv = servers[server]
        clients[case] = start_client(
            MINIMAL, f"https://{host}:{srv.port}/{case}", env=trust_env(pki, trust), api_key="k"
        )
    problems = []
    for case, (server, host, trust, succeeds) in CASES.items():
        result, srv = finish_client(clients[case]), servers[server]
        sent = [r for r in srv.requests_since(marks[server]) if r.route == case]
        if succeeds:
            if result.get("ok") != f"secure {server}" or len(sent) != 1:
                problems.append(f"{case}: expected success, got {result}, {len(sent)} requests")
            elif sent[0].body != request_body(b"null"):
                problems.append(f"{case}: body {sent[0].body[:80]!r}")
        else:
            if result.get("exc") != "RuntimeError" or not result["msg"].startswith(
                "API Request Failed: "
            ):
                problems.append(f"{case}: expected API Request Failed, got {result}")
            if sent:
                problems.append(f"{case}: a request was sent over an unverified connection")
    assert not problems, "\n".join(problems)


def test_failed_handshake_is_retried_once(pki, servers):
    srv = servers["other-host"]
    mark = srv.mark()
    result = finish_client(
        start_client(MINIMAL, f"https://localhost:{srv.port}/retry", env=trust_env(pki, "ca-file"))
    )
    assert result.get("exc") == "RuntimeError", result
    assert len(srv.connections_since(mark)) == 2


def test_handshake_sends_host_name_and_offers_no_protocols(pki, servers):
    srv = servers["good"]
    mark = srv.mark()
    result = finish_client(
        start_client(MINIMAL, f"https://localhost:{srv.port}/sni", env=trust_env(pki, "ca-file"))
    )
    assert result.get("ok") == "secure good", result
    handshakes = [e for e in srv.events()[mark:] if e["event"] == "tls"]
    assert len(handshakes) == 1
    assert handshakes[0]["ok"]
    assert handshakes[0]["sni"] == "localhost"
    # The server offers h2 and http/1.1; a client that asks for nothing gets neither.
    assert handshakes[0]["alpn"] is None
    (request,) = srv.requests_since(mark)
    assert request.request_line == b"POST /sni/v1/simulate HTTP/1.1"
    assert request.header("host") == f"localhost:{srv.port}".encode()
