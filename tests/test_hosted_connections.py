"""Each session owns one client: its own I/O thread and its own pool of kept-alive connections."""

import os
import shutil
import tempfile

import pytest

import kestrova
from servers.client_process import finish_client, start_client
from servers.control import ServerProcess
from servers.process_resources import collector_paused, running_threads
from servers.scenarios import MINIMAL

# Sessions built here must not pick up the machine's proxy or trust settings.
pytestmark = pytest.mark.usefixtures("clean_client_env")


@pytest.fixture(scope="module")
def server():
    with ServerProcess(default={"body": "fine"}, lifetime=300) as srv:
        yield srv


def test_session_reuses_its_connection_and_never_another_sessions(server):
    first = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url("pool"))
    second = kestrova.KestrovaSession(MINIMAL, base_url=server.base_url("pool"))
    mark = server.mark()
    for session in (first, first, second, first, second):
        assert session.evaluate() == "fine"
    conns = [r.conn for r in server.requests_since(mark)]
    assert conns[0] == conns[1] == conns[3]
    assert conns[2] == conns[4]
    assert conns[0] != conns[2]
    assert len(server.connections_since(mark)) == 2


def test_module_function_uses_a_fresh_client_each_call(server):
    mark = server.mark()
    kestrova.simulate(MINIMAL, base_url=server.base_url("temporary"))
    kestrova.simulate(MINIMAL, base_url=server.base_url("temporary"))
    first, second = server.requests_since(mark)
    assert first.conn != second.conn


def test_one_thread_per_session_ended_on_release(server):
    with collector_paused():
        check_one_thread_per_session(server)


def check_one_thread_per_session(server):
    baseline = running_threads()
    base = server.base_url("threads")
    sessions = [kestrova.KestrovaSession(MINIMAL, base_url=base) for _ in range(3)]
    assert running_threads() == baseline + 3
    sessions[0].evaluate()
    assert running_threads() == baseline + 3
    sessions.pop()
    # Release waits for the thread, so the count drops at once.
    assert running_threads() == baseline + 2
    del sessions
    assert running_threads() == baseline
    kestrova.simulate(MINIMAL, base_url=server.base_url("threads"))
    assert running_threads() == baseline


def test_unparsable_scenario_starts_no_thread():
    with collector_paused():
        baseline = running_threads()
        with pytest.raises(ValueError):
            kestrova.KestrovaSession("not json", base_url="http://127.0.0.1:9")
        with pytest.raises(ValueError):
            kestrova.simulate("{}", base_url="http://127.0.0.1:9")
        assert running_threads() == baseline


@pytest.mark.skipif(shutil.which("strace") is None, reason="strace is not installed")
def test_nagle_is_switched_off(server):
    with tempfile.TemporaryDirectory() as tmp:
        trace = os.path.join(tmp, "sockopts.trace")
        wrapper = ("strace", "-f", "-qq", "-e", "trace=setsockopt", "-o", trace)
        result = finish_client(start_client(MINIMAL, server.base_url("nagle"), wrapper=wrapper))
        assert result.get("ok") == "fine", result
        with open(trace, encoding="utf-8", errors="replace") as lines:
            nodelay = [line for line in lines if "TCP_NODELAY, [1]" in line]
    assert nodelay, "no connection set TCP_NODELAY"
