"""Runs hosted evaluation in a child interpreter.

Used where the environment matters (proxies, trust store), since a client reads it when it is
built, and to run slow cases side by side (a call keeps the interpreter lock while it waits).
The child prints one JSON object: {"ok": text} or {"exc": type name, "msg": text}, with
"elapsed" in seconds around the call, and under "then" the outcomes of further calls on the
same session.
"""

import json
import os
import subprocess
import sys

import kestrova
from servers.client_env import CLIENT_ENV_VARS

MODULE_DIR = os.path.dirname(os.path.abspath(kestrova.__file__))

CHILD = r"""
import json, sys, time
import kestrova

def call(run):
    start = time.monotonic()
    try:
        out = {"ok": run()}
    except BaseException as exc:
        out = {"exc": type(exc).__name__, "msg": str(exc)}
    out["elapsed"] = time.monotonic() - start
    return out

args = json.loads(sys.argv[1])
kwargs = args["kwargs"]
if args["via"] == "function":
    out = call(lambda: kestrova.simulate(args["schema"], **kwargs))
else:
    budget = kwargs.pop("budget", None)
    session = kestrova.KestrovaSession(args["schema"], **kwargs)
    out = call(lambda: session.evaluate(budget))
    out["then"] = [call(lambda: session.evaluate(budget)) for _ in range(args["calls"] - 1)]
sys.stdout.write(json.dumps(out))
"""


def child_env(env=None):
    merged = {k: v for k, v in os.environ.items() if k not in CLIENT_ENV_VARS}
    merged["PYTHONPATH"] = os.pathsep.join(
        p for p in [MODULE_DIR, os.environ.get("PYTHONPATH", "")] if p
    )
    merged.update(env or {})
    return merged


def start_client(schema, base_url, *, env=None, via="session", calls=1, wrapper=(), **kwargs):
    """Starts one child that evaluates `schema` against `base_url` `calls` times on one
    session; kwargs go to the session and the call."""
    args = {"schema": schema, "via": via, "calls": calls, "kwargs": dict(kwargs, base_url=base_url)}
    return subprocess.Popen(
        [*wrapper, sys.executable, "-c", CHILD, json.dumps(args)],
        env=child_env(env),
        stdout=subprocess.PIPE,
        stderr=subprocess.PIPE,
    )


def finish_client(proc, timeout=40):
    try:
        out, err = proc.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        proc.kill()
        proc.communicate()
        raise AssertionError("client process did not finish")
    assert proc.returncode == 0, err.decode(errors="replace")
    return json.loads(out)


def run_client(schema, base_url, **options):
    return finish_client(start_client(schema, base_url, **options))
