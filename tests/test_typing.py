"""Type information of the kestrova module: the stub matches the module at run time, and
mypy --strict accepts correct use (the examples, a usage file, the command line tool) and
rejects misuse."""

import os
import re
import subprocess
import sys

import pytest
from cli_runner import EXAMPLES, REPO, installed_files

STUB = REPO / "python" / "kestrova.pyi"
CHECKS = REPO / "tests" / "typing_checks"


def mypy(*targets, cwd, stub_path=True, module="mypy"):
    env = {k: v for k, v in os.environ.items() if k != "MYPYPATH"}
    if stub_path:
        env["MYPYPATH"] = str(STUB.parent)
    return subprocess.run(
        [sys.executable, "-m", module, *map(str, targets)],
        capture_output=True,
        text=True,
        cwd=cwd,
        env=env,
        timeout=300,
    )


def test_stub_matches_the_runtime_module(tmp_path):
    # stubtest imports the module and compares every callable's parameters, their kinds
    # and defaults with the stub, and reports names present on one side only.
    done = mypy("kestrova", "--mypy-config-file", os.devnull, cwd=tmp_path, module="mypy.stubtest")
    assert done.returncode == 0, done.stdout + done.stderr


def test_strict_mypy_accepts_the_examples_the_usage_file_and_the_tool(tmp_path):
    targets = [
        *sorted(EXAMPLES.glob("*.py")),
        CHECKS / "usage.py",
        REPO / "python" / "kestrova_cli",
    ]
    done = mypy("--strict", "--cache-dir", tmp_path / "cache", *targets, cwd=tmp_path)
    assert done.returncode == 0, done.stdout + done.stderr


def test_strict_mypy_reports_every_misuse(tmp_path):
    misuse = CHECKS / "misuse.py"
    expected = {
        number
        for number, line in enumerate(misuse.read_text().splitlines(), start=1)
        if line.endswith("# error")
    }
    done = mypy("--strict", "--cache-dir", tmp_path / "cache", misuse, cwd=tmp_path)
    reported = {int(m) for m in re.findall(r"misuse\.py:(\d+): error:", done.stdout)}
    assert done.returncode == 1
    assert reported == expected, done.stdout


def test_installed_wheel_ships_the_stub_where_type_checkers_find_it(tmp_path):
    files = installed_files()
    if files is None:
        pytest.skip("testing a checkout, not an installed wheel")
    # Beside the extension module (editors), and as a stub-only package (mypy).
    assert {"kestrova.pyi", "kestrova-stubs/__init__.pyi", "kestrova_cli/py.typed"} <= files
    usage = tmp_path / "usage.py"
    usage.write_text((CHECKS / "usage.py").read_text())
    done = mypy("--strict", "--cache-dir", tmp_path / "cache", usage, cwd=tmp_path, stub_path=False)
    assert done.returncode == 0, done.stdout + done.stderr
