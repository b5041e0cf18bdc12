"""Session costs seen from Python: construction plus release, and the overhead of a call on an
existing session. Prints medians over repeated runs; run with the built module on PYTHONPATH
(or the installed one)."""

import json
import statistics
import time

from kestrova import KestrovaSession


def scenario_of_about(size):
    """A valid scenario whose text is about `size` bytes."""
    document = {
        "version": "1.0",
        "metadata": {"name": "bench", "description": "session benchmark"},
        "time": {"type": "discrete", "horizon": 6},
        "resources": {"cash": {"initial": 50, "min": 0, "max": 100}},
        "variables": {},
        "actions": [],
        "transitions": [],
        "constraints": [],
        "goal": {
            "type": "threshold",
            "conditions": [{"variable": "v0", "operator": "gte", "value": 3}],
        },
    }
    i = 0
    while len(json.dumps(document)) < size:
        name = f"v{i}"
        if i < 5:
            document["variables"][name] = {
                "type": "int",
                "initial": 0,
                "min": 0,
                "max": 5,
                "discretization": 1,
            }
        action = {
            "name": f"act_{i}",
            "cost": {"cash": 1 + i % 3},
            "effects": {f"v{i % 5}": {"op": "add", "value": 1}},
            "preconditions": [f"v{i % 5} < 5"],
        }
        document["actions"].append(action)
        i += 1
    return json.dumps(document)


def per_call_seconds(call, number, repeat=9):
    """Median over `repeat` runs of the time per call, each run making `number` calls."""
    samples = []
    for _ in range(repeat):
        start = time.perf_counter()
        for _ in range(number):
            call()
        samples.append((time.perf_counter() - start) / number)
    return statistics.median(samples)


def fails_fast(call):
    def run():
        try:
            call()
        except TypeError:
            pass

    return run


def main():
    text = scenario_of_about(2048)
    session = KestrovaSession(text)
    noop = "".join  # a trivial builtin call, as a yardstick measured in the same run

    rows = [
        ("session construction + release (2 KB scenario)", lambda: KestrovaSession(text), 200),
        ("update_schema (2 KB scenario)", lambda: session.update_schema(text), 2000),
        ("call refused at argument binding", fails_fast(lambda: session.evaluate(1, 2)), 20000),
        ("call refused at budget conversion", fails_fast(lambda: session.evaluate("x")), 20000),
        ("builtin call yardstick", lambda: noop(()), 200000),
    ]
    print(f"bench_session (scenario text {len(text)} bytes; medians of 9 runs)")
    results = {}
    for label, call, number in rows:
        results[label] = per_call_seconds(call, number)
        print(f"  {label:<50} {results[label] * 1e6:10.2f} us")
    read_only = results["update_schema (2 KB scenario)"]
    construction = results["session construction + release (2 KB scenario)"]
    print(f"  construction / update_schema ratio: {construction / read_only:.1f}")


if __name__ == "__main__":
    main()
