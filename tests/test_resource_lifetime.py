"""Long runs of sessions: what thousands of them leave behind in the process (threads,
descriptors, resident memory), sessions crossing Python threads or still alive when the
interpreter exits, and local results that stay the same whatever ran before them."""

import gc
import json
import os
import subprocess
import sys
import threading
import time

import pytest

import kestrova
from conftest import MINIMAL_SCENARIO, scenario
from kestrova import KestrovaSession
from servers.control import free_port
from servers.process_resources import open_descriptors, running_threads

M = MINIMAL_SCENARIO

# Resident memory may move by a few pages between measurements (allocator arenas, the
# interpreter's own caches). A leak of 100 bytes per session over 10,000 sessions already
# exceeds this.
RSS_TOLERANCE = 1024 * 1024


def rss_bytes():
    with open("/proc/self/statm") as statm:
        return int(statm.read().split()[1]) * os.sysconf("SC_PAGE_SIZE")


def running_under_address_sanitizer():
    with open("/proc/self/maps") as maps:
        return "libasan" in maps.read()


def closed_urls():
    """Base URLs on loopback ports where nothing listens, one per scheme."""
    return [f"http://127.0.0.1:{free_port()}", f"https://127.0.0.1:{free_port()}"]


def create_and_drop(count, urls):
    """Creates `count` sessions one after the other; every second one first fails to evaluate
    against a closed port. Returns how many evaluations failed as they should."""
    refused = 0
    for i in range(count):
        session = KestrovaSession(M, base_url=urls[(i // 2) % len(urls)])
        if i % 2:
            try:
                session.evaluate(1.0)
            except RuntimeError as error:
                refused += str(error).startswith("API Request Failed: ")
        del session
    return refused


def threads_after_exits(expected):
    """The thread count once threads that were joined have also left the kernel's list:
    join() returns a moment before the system thread is gone."""
    deadline = time.monotonic() + 5.0
    while running_threads() != expected and time.monotonic() < deadline:
        time.sleep(0.01)
    return running_threads()


def snapshot():
    gc.collect()
    return running_threads(), open_descriptors(), rss_bytes()


def assert_back_at(baseline, *, check_memory=True):
    threads, descriptors, rss = snapshot()
    assert (threads, descriptors) == baseline[:2]
    if check_memory and not running_under_address_sanitizer():
        # The sanitizer keeps freed memory in quarantine; its own leak checker covers this.
        grown = rss - baseline[2]
        assert grown < RSS_TOLERANCE, f"resident memory grew by {grown} bytes"


def test_ten_thousand_sessions_leave_threads_descriptors_and_memory_at_baseline(
    clean_client_env,
):
    urls = closed_urls()
    # Warm-up: the client library's global setup, the interpreter's free lists and the
    # allocator's arenas reach their working size here.
    create_and_drop(1000, urls)
    baseline = snapshot()
    assert create_and_drop(10_000, urls) == 5000
    assert_back_at(baseline)


def test_temporary_sessions_of_the_module_functions_are_released(clean_client_env):
    url = closed_urls()[0]
    bad_budget = object()

    def churn(rounds):
        for _ in range(rounds):
            with pytest.raises(RuntimeError, match="^API Request Failed: "):
                kestrova.simulate(M, 1.0, "key", url)
            kestrova.simulate_local(M, 2.0)
            with pytest.raises(ValueError, match="^Invalid schema: "):
                kestrova.simulate("{}", None, None, url)
            with pytest.raises(TypeError):
                kestrova.simulate_local(M, bad_budget)

    churn(200)
    baseline = snapshot()
    churn(2000)
    assert_back_at(baseline)


def test_sessions_created_in_one_thread_are_released_in_another(clean_client_env):
    urls = closed_urls()
    create_and_drop(50, urls)
    baseline = snapshot()
    made = []
    lock = threading.Lock()

    def build(index):
        local = []
        for i in range(25):
            session = KestrovaSession(M, base_url=urls[(index + i) % 2])
            if i % 2:
                with pytest.raises(RuntimeError):
                    session.evaluate()
            local.append(session)
        with lock:
            made.extend(local)

    workers = [threading.Thread(target=build, args=(n,)) for n in range(4)]
    for worker in workers:
        worker.start()
    for worker in workers:
        worker.join()
    assert len(made) == 100
    # Every live session holds exactly its own I/O thread, whoever created it.
    assert threads_after_exits(baseline[0] + 100) == baseline[0] + 100
    # Still usable from the main thread, then released here.
    assert made[0].simulate_local() == made[-1].simulate_local()
    made.clear()
    assert_back_at(baseline, check_memory=False)


EXIT_PROBE = r"""
import sys
import kestrova

scenario = sys.stdin.read()
url = sys.argv[1]
# Sessions still alive at exit: module globals, a list, one inside a cycle of Python
# objects, and some whose last call failed.
kept = [kestrova.KestrovaSession(scenario, base_url=url) for _ in range(10)]
for session in kept[::2]:
    try:
        session.evaluate()
    except RuntimeError:
        pass
single = kestrova.KestrovaSession(scenario, base_url=url)
cycle = {"session": kestrova.KestrovaSession(scenario, base_url=url)}
cycle["self"] = cycle
result = single.simulate_local()
print(len(result) > 0, flush=True)
"""


def test_interpreter_exits_cleanly_with_sessions_still_alive(clean_client_env):
    env = dict(os.environ)
    module_dir = os.path.dirname(kestrova.__file__)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [module_dir, env.get("PYTHONPATH")]))
    done = subprocess.run(
        [sys.executable, "-c", EXIT_PROBE, closed_urls()[0]],
        input=M,
        env=env,
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert (done.returncode, done.stdout, done.stderr) == (0, "True\n", "")


# --- nothing shared between calls ---------------------------------------------------------


def float_variable(low, high, initial=0):
    return {"type": "float", "initial": initial, "min": low, "max": high, "discretization": 1}


def counters(count, high, horizon, budget=6):
    """`count` counters in [0, high], one action each; a hard limit halves the first one."""
    names = [f"v{i}" for i in range(count)]
    return scenario(
        time={"type": "discrete", "horizon": horizon},
        resources={"e": {"initial": budget, "min": 0}},
        variables={name: float_variable(0, high) for name in names},
        actions=[
            {"name": f"inc_{name}", "cost": {"e": 1}, "effects": {name: {"op": "add", "value": 1}}}
            for name in names
        ],
        constraints=[
            {"type": "threshold", "mode": "hard", "variable": "v0", "operator": "lt",
             "value": high / 2}
        ],
        goal={"type": "threshold",
              "conditions": [{"variable": "v0", "operator": "gte", "value": 3}]},
    )


# Every calculation mode and result form the local run has: exact counting, the Monte Carlo
# estimate (whose random sequence must restart on every call), a negative-cost alert and a
# rejected scenario.
VARIED = {
    "discrete": counters(2, 5, 4),
    "continuous_wide": counters(2, 100, 4),
    "continuous_deep": counters(3, 12, 2, budget=9),
    "negative_cost": scenario(
        actions=[{"name": "refund", "cost": {"energy": -2},
                  "effects": {"x": {"op": "add", "value": 1}}}]
    ),
    "invalid_bounds": scenario(variables={"x": float_variable(5, 1)}),
}

RESULTS_IN_A_FRESH_PROCESS = r"""
import json
import sys
import kestrova

texts = json.load(sys.stdin)
print(json.dumps({name: kestrova.simulate_local(text) for name, text in reversed(texts.items())}))
"""


def test_local_results_do_not_depend_on_earlier_calls(clean_client_env):
    modes = {name: json.loads(kestrova.simulate_local(text))["calculation_mode"]
             for name, text in VARIED.items()}
    assert {"Discrete", "Continuous"} <= set(modes.values())

    first = {name: kestrova.simulate_local(text) for name, text in VARIED.items()}

    # Many other calls in between: other scenarios and budgets, failing calls of every kind,
    # and one session whose scenario keeps being replaced.
    session = KestrovaSession(M, base_url=closed_urls()[0])
    too_wide = scenario(variables={f"w{i}": float_variable(0, 1) for i in range(6)})
    for round_ in range(20):
        for name, text in VARIED.items():
            kestrova.simulate_local(text, float(round_))
            session.update_schema(text)
            session.simulate_local(-1.0 * round_)
        with pytest.raises(ValueError):
            kestrova.simulate_local(too_wide)
        with pytest.raises(ValueError):
            session.update_schema("[")
        with pytest.raises(RuntimeError):
            session.evaluate(2.0)

    later = {name: kestrova.simulate_local(text) for name, text in reversed(VARIED.items())}
    assert later == first
    assert {name: KestrovaSession(text).simulate_local() for name, text in VARIED.items()} == first

    # A fresh interpreter running them in the opposite order gives the same texts.
    env = dict(os.environ)
    module_dir = os.path.dirname(kestrova.__file__)
    env["PYTHONPATH"] = os.pathsep.join(filter(None, [module_dir, env.get("PYTHONPATH")]))
    done = subprocess.run(
        [sys.executable, "-c", RESULTS_IN_A_FRESH_PROCESS],
        input=json.dumps(VARIED),
        env=env,
        capture_output=True,
        text=True,
        timeout=60,
    )
    assert done.returncode == 0, done.stderr
    assert json.loads(done.stdout) == first


def test_session_results_do_not_depend_on_other_sessions(clean_client_env):
    sessions = {name: KestrovaSession(text) for name, text in VARIED.items()}
    alone = {name: session.simulate_local(3.0) for name, session in sessions.items()}
    # Interleaved, each session's repeated call gives its own text, never a neighbour's.
    for _ in range(10):
        for name, session in reversed(sessions.items()):
            assert session.simulate_local(3.0) == alone[name]
    assert len(set(alone.values())) == len(alone)
