"""Runs the `kestrova` command line tool in a subprocess, as a user would.

With the wheel installed, that is the console script beside this interpreter; from a checkout
(the module found on PYTHONPATH), it is `python -m kestrova_cli` with the checkout's package.
"""

import importlib.util
import os
import pathlib
import subprocess
import sys

REPO = pathlib.Path(__file__).resolve().parents[1]
EXAMPLES = REPO / "examples"
SCHEMA_FILE = REPO / "schema" / "scenario.schema.json"


def installed_files():
    """The files of the installed kestrova distribution, when the kestrova_cli that this
    interpreter imports comes from it; None when testing a checkout."""
    from importlib import metadata

    spec = importlib.util.find_spec("kestrova_cli")
    try:
        dist = metadata.distribution("kestrova")
    except metadata.PackageNotFoundError:
        return None
    if spec is None or spec.origin is None:
        return None
    root = pathlib.Path(dist.locate_file("")).resolve()
    if not pathlib.Path(spec.origin).resolve().is_relative_to(root):
        return None
    return {str(f) for f in dist.files or ()}


def command_and_env(env=None, drop_env=()):
    merged = {k: v for k, v in os.environ.items() if k not in drop_env}
    merged.update(env or {})
    script = pathlib.Path(sys.executable).parent / "kestrova"
    if installed_files() is not None and script.exists():
        return [str(script)], merged
    paths = [str(REPO / "python")] + [p for p in sys.path if p]
    merged["PYTHONPATH"] = os.pathsep.join(paths)
    return [sys.executable, "-m", "kestrova_cli"], merged


def run_cli(*args, stdin=None, env=None, drop_env=(), timeout=120):
    """Runs the tool with `args`; stdin is text (or bytes) fed to it; the variables named in
    drop_env are removed from the environment before `env` is added. Returns CompletedProcess
    with text stdout and stderr."""
    command, merged = command_and_env(env, drop_env)
    data = stdin.encode("utf-8") if isinstance(stdin, str) else stdin
    done = subprocess.run(
        command + [str(a) for a in args],
        input=data if data is not None else b"",
        capture_output=True,
        env=merged,
        timeout=timeout,
    )
    return subprocess.CompletedProcess(
        done.args,
        done.returncode,
        done.stdout.decode("utf-8"),
        done.stderr.decode("utf-8"),
    )
