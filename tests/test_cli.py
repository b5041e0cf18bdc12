"""The `kestrova` command line tool, run as a subprocess: run, check, evaluate, --help."""

import json
import os
import pty
import select
import subprocess
import xml.etree.ElementTree as ET
from itertools import pairwise

import kestrova
import pytest
from cli_runner import EXAMPLES, command_and_env, installed_files, run_cli
from conftest import CLIENT_ENV_VARS, scenario, scenario_document
from servers.control import ServerProcess, free_port

SOFTWARE = EXAMPLES / "software_release.json"
SVG = "{http://www.w3.org/2000/svg}"
ESC = "\x1b["


def write(tmp_path, text, name="scenario.json"):
    path = tmp_path / name
    path.write_text(text, encoding="utf-8")
    return path


def variables(count, **extra):
    found = {
        f"v{i}": {"type": "int", "initial": 0, "min": 0, "max": 2, "discretization": 1}
        for i in range(count)
    }
    found.update(extra)
    return found


def table_rows(stdout):
    """The timeline table's rows, split into cells (no cell holds a blank in these tests)."""
    lines = stdout.splitlines()
    start = next(i for i, line in enumerate(lines) if line.split()[:2] == ["t", "budget"])
    rows = []
    for line in lines[start + 1 :]:
        if not line.strip():
            break
        rows.append(line.split())
    return rows


def assert_user_error(done, status, fragment):
    assert done.returncode == status, done.stderr
    assert fragment in done.stderr
    assert "Traceback" not in done.stderr


# ---------------------------------------------------------------- run


@pytest.mark.parametrize(
    "document, budget_args, budgets",
    [
        # Default budget: the first resource's initial value (30), shrinking to 0 at H = 8.
        (
            SOFTWARE.read_text(),
            [],
            ["30", "26.25", "22.5", "18.75", "15", "11.25", "7.5", "3.75", "0"],
        ),
        (
            SOFTWARE.read_text(),
            ["--budget", "12"],
            ["12", "10.5", "9", "7.5", "6", "4.5", "3", "1.5", "0"],
        ),
        # The first resource in document order, not in name order.
        (
            scenario(
                resources={"zeta": {"initial": 6, "min": 0}, "alpha": {"initial": 50, "min": 0}}
            ),
            [],
            ["6", "4", "2", "0"],
        ),
        # No resources and no budget: unlimited at every step.
        (scenario(resources={}), [], ["inf"] * 4),
        (scenario(), ["--budget", "inf"], ["inf"] * 4),
        # Horizon 0: the single step keeps the whole budget.
        (scenario(time={"type": "discrete", "horizon": 0}), ["--budget", "7.5"], ["7.5"]),
    ],
    ids=["default", "given", "document-order", "no-resources", "infinite", "horizon-0"],
)
def test_run_table_shows_each_step_with_its_budget_and_the_documents_values(
    tmp_path, document, budget_args, budgets
):
    path = write(tmp_path, document)
    shown = run_cli("run", path, "--color", "never", *budget_args)
    as_json = run_cli("run", path, "--json", *budget_args)
    assert shown.returncode == 0, shown.stderr
    assert as_json.returncode == 0, as_json.stderr
    result = json.loads(as_json.stdout)

    rows = table_rows(shown.stdout)
    assert [row[1] for row in rows] == budgets
    assert len(rows) == len(result["timeline"])
    for row, step in zip(rows, result["timeline"], strict=True):
        assert row[0] == str(step["t"])
        assert row[2].lstrip("~") == str(step["future_width"])
        assert row[3] == step["status"]
        assert row[6] == (step["dominant_root_cause"] or "-")
    for label in (
        "Verdict:",
        "Recommendation:",
        "Mode:",
        "Trust level:",
        "Error bounds:",
        "Alerts:",
        "Top culprits:",
    ):
        assert label in shown.stdout
    assert result["recommendation"] in shown.stdout
    assert ESC not in shown.stdout


def test_run_summary_lists_alerts_and_culprits_most_frequent_first():
    done = run_cli("run", EXAMPLES / "startup_runway.json", "--color", "never")
    result = json.loads(run_cli("run", EXAMPLES / "startup_runway.json", "--json").stdout)
    assert done.returncode == 0, done.stderr
    for alert in result["alerts"]:
        assert f"[{alert['type']}] {alert['message']}" in done.stdout
        assert alert["detail"] in done.stdout
    culprits = result["sensitivity_report"]["primary_culprits"]
    line = next(x for x in done.stdout.splitlines() if x.startswith("Top culprits:"))
    if culprits:
        best = max(culprits.values())
        assert line.split(":", 1)[1].split()[0] in {n for n, c in culprits.items() if c == best}
    else:
        assert line.endswith("none")


def test_run_json_prints_the_result_document_unchanged(tmp_path):
    text = SOFTWARE.read_text()
    done = run_cli("run", SOFTWARE, "--json", "--budget", "20")
    assert done.returncode == 0, done.stderr
    assert done.stdout.endswith("\n") and "\n" not in done.stdout[:-1]
    assert json.loads(done.stdout) == json.loads(kestrova.simulate_local(text, 20.0))
    # Standard input gives the same document.
    piped = run_cli("run", "-", "--json", "--budget", "20", stdin=text)
    assert json.loads(piped.stdout) == json.loads(done.stdout)


def test_run_json_keeps_non_ascii_names_as_utf8(tmp_path):
    doc = scenario_document()
    doc["variables"] = {"größe": doc["variables"]["x"]}
    doc["actions"][0]["effects"] = {"größe": {"op": "add", "value": 1}}
    doc["constraints"] = [
        {"type": "threshold", "mode": "soft", "variable": "größe", "operator": "lte", "value": 4}
    ]
    path = write(tmp_path, json.dumps(doc, ensure_ascii=False))
    done = run_cli("run", path, "--json", env={"PYTHONIOENCODING": "ascii"})
    assert done.returncode == 0, done.stderr
    assert json.loads(done.stdout) == json.loads(kestrova.simulate_local(path.read_text()))


def test_run_writes_a_chart_with_one_point_per_step_and_the_point_of_no_return(tmp_path):
    doc = scenario_document(metadata={"name": 'R&D <lab> "alpha"'})
    path = write(tmp_path, json.dumps(doc))
    chart = tmp_path / "chart.svg"
    done = run_cli("run", path, "--svg", chart, "--json")
    assert done.returncode == 0, done.stderr
    result = json.loads(done.stdout)

    root = ET.parse(chart).getroot()
    assert root.tag == f"{SVG}svg"
    assert 'R&D <lab> "alpha"' in "".join(root.itertext())
    points = [c for c in root.iter(f"{SVG}circle") if c.get("class") == "width-point"]
    assert len(points) == len(result["timeline"]) == 4
    risks = [r for r in root.iter(f"{SVG}rect") if r.get("class") == "risk-point"]
    assert len(risks) == sum(s["risk_spike"] is not None for s in result["timeline"])
    # Points run left to right with t; a wider future sits higher (smaller y).
    xs = [float(c.get("cx")) for c in points]
    assert xs == sorted(xs) and len(set(xs)) == len(xs)
    widths = [s["future_width"] for s in result["timeline"]]
    ys = [float(c.get("cy")) for c in points]
    for (w1, y1), (w2, y2) in pairwise(zip(widths, ys, strict=True)):
        assert (w1 > w2) == (y1 < y2)
    marks = [e for e in root.iter(f"{SVG}line") if e.get("class") == "point-of-no-return"]
    assert result["point_of_no_return"] is not None
    assert len(marks) == 1
    assert float(marks[0].get("x1")) == pytest.approx(xs[result["point_of_no_return"]])


def test_run_without_a_point_of_no_return_draws_no_mark(tmp_path):
    path = write(tmp_path, scenario(resources={}))
    chart = tmp_path / "chart.svg"
    done = run_cli("run", path, "--svg", chart, "--json")
    assert done.returncode == 0, done.stderr
    assert json.loads(done.stdout)["point_of_no_return"] is None
    root = ET.parse(chart).getroot()
    assert not [e for e in root.iter(f"{SVG}line") if e.get("class") == "point-of-no-return"]


def run_in_terminal(args, env):
    """Runs the tool with its stdout on a pseudo-terminal; returns what it printed there."""
    command, merged = command_and_env(env, drop_env=("NO_COLOR",))
    master, slave = pty.openpty()
    proc = subprocess.Popen(
        command + args, stdin=subprocess.DEVNULL, stdout=slave, stderr=subprocess.PIPE, env=merged
    )
    os.close(slave)
    chunks = []
    try:
        while select.select([master], [], [], 60)[0]:
            try:
                data = os.read(master, 65536)
            except OSError:  # the terminal's other side closed
                break
            if not data:
                break
            chunks.append(data)
    finally:
        proc.wait(timeout=60)
        proc.stderr.close()
        os.close(master)
    assert proc.returncode == 0
    return b"".join(chunks).decode("utf-8")


@pytest.mark.parametrize(
    "env, coloured",
    [
        ({"TERM": "xterm-256color"}, True),
        ({"TERM": "xterm-256color", "NO_COLOR": "1"}, False),
        ({"TERM": "xterm-256color", "NO_COLOR": ""}, True),  # an empty NO_COLOR does not count
        ({"TERM": "dumb"}, False),
    ],
    ids=["terminal", "no-color", "empty-no-color", "dumb-terminal"],
)
def test_run_colours_the_status_on_a_terminal_only(env, coloured):
    shown = run_in_terminal(["run", str(SOFTWARE)], env)
    assert "Verdict:" in shown
    assert (ESC + "32m" in shown) == coloured  # "safe" in green


@pytest.mark.parametrize("choice, coloured", [("auto", False), ("always", True), ("never", False)])
def test_run_colour_choice_when_piped(choice, coloured):
    done = run_cli("run", SOFTWARE, "--color", choice, drop_env=("NO_COLOR",))
    assert done.returncode == 0, done.stderr
    assert (ESC in done.stdout) == coloured


@pytest.mark.parametrize(
    "setup, args, status, fragment",
    [
        (None, ["run", "missing.json"], 1, "missing.json: no such file"),
        ("dir", ["run", "{tmp}"], 1, "is a directory"),
        (
            b'{"version": "\xff"}',
            ["run", "{file}"],
            1,
            "not UTF-8 text (invalid byte at offset 13)",
        ),
        ('{"version": 1}', ["run", "{file}"], 1, "Invalid schema: invalid type: integer `1`"),
        (
            scenario(time={"type": "discrete", "horizon": 13}),
            ["run", "{file}"],
            1,
            "Local Mode Violation: Max 12 horizon. Use evaluate() for cloud execution.",
        ),
        (
            scenario(variables=variables(6)),
            ["run", "{file}"],
            1,
            "Too many variables for local analysis: 6 (at most 5)",
        ),
        (
            scenario(
                variables=variables(
                    1, x={"type": "int", "initial": 0, "min": 5, "max": 5, "discretization": 1}
                )
            ),
            ["run", "{file}"],
            1,
            "Schema error: Variable 'x': min (5) must be < max (5)",
        ),
        (
            scenario(),
            ["run", "{file}", "--budget", "lots"],
            2,
            "argument --budget: not a number: 'lots'",
        ),
        (scenario(), ["run", "{file}", "--frobnicate"], 2, "unrecognized arguments: --frobnicate"),
        (None, [], 2, "usage: kestrova"),
        (None, ["run"], 2, "the following arguments are required: SCENARIO"),
        (scenario(), ["check", "{file}", "extra"], 2, "unrecognized arguments: extra"),
    ],
    ids=[
        "missing-file",
        "directory",
        "not-utf8",
        "unreadable",
        "horizon-cap",
        "variables-cap",
        "invalid-schema",
        "bad-budget",
        "unknown-option",
        "no-command",
        "no-scenario",
        "extra-arg",
    ],
)
def test_user_errors_go_to_stderr_with_an_exit_status_and_no_traceback(
    tmp_path, setup, args, status, fragment
):
    file = tmp_path / "scenario.json"
    if isinstance(setup, bytes):
        file.write_bytes(setup)
    elif isinstance(setup, str) and setup != "dir":
        file.write_text(setup, encoding="utf-8")
    done = run_cli(*[a.format(tmp=tmp_path, file=file) for a in args], env={"PWD": str(tmp_path)})
    assert_user_error(done, status, fragment)
    if status == 1:
        assert done.stderr.startswith("kestrova: error: ")


def test_rejected_scenario_still_prints_its_result_and_writes_no_chart(tmp_path):
    bad = {"type": "int", "initial": 0, "min": 0, "max": 3, "discretization": 0}
    path = write(tmp_path, scenario(variables={"x": bad}))
    chart = tmp_path / "chart.svg"
    done = run_cli("run", path, "--svg", chart, "--color", "never")
    assert_user_error(done, 1, "Schema error: Variable 'x': discretization must be > 0, got 0")
    assert "invalid_schema" in done.stdout
    assert not chart.exists()
    as_json = run_cli("run", path, "--json")
    assert as_json.returncode == 1
    assert json.loads(as_json.stdout)["verdict"] == "invalid_schema"


def test_unwritable_chart_is_a_user_error(tmp_path):
    done = run_cli("run", SOFTWARE, "--svg", tmp_path / "no" / "such" / "dir.svg")
    assert_user_error(done, 1, "cannot write the chart")


@pytest.mark.parametrize("command", [[], ["run"], ["check"], ["evaluate"], ["schema"]])
def test_every_command_has_help(command):
    done = run_cli(*command, "--help")
    assert done.returncode == 0, done.stderr
    assert done.stdout.startswith("usage: kestrova" + "".join(" " + c for c in command))


# ---------------------------------------------------------------- check


def excerpt_char(stderr):
    """The character above the caret in check's excerpt of the offending line."""
    lines = stderr.splitlines()
    caret_line = next(i for i, line in enumerate(lines) if line.rstrip().endswith("^"))
    column = lines[caret_line].index("^")
    return lines[caret_line - 1][column] if column < len(lines[caret_line - 1]) else ""


@pytest.mark.parametrize(
    "text, line, column, at",
    [
        ('{\n  "version": 1\n}', 2, 14, "1"),
        ('{"version": "1.0",\n "time": {"type": "continuous", "horizon": 3}}', 2, 30, '"'),
        # Columns count bytes: the caret must still land on the 5 after a two-byte character.
        ('{"version": "Zürich", "metadata": 5}', 1, 36, "5"),
        ('{"version": "1.0",\n\t"metadata": [true]}', 2, 18, "e"),
        # A long single line is shown as a window around the column.
        ('{"version": "' + "a" * 300 + '", "metadata": {"name": 7}}', 1, 338, "7"),
        ("", 1, 0, ""),
        ("{}", 1, 2, "}"),
    ],
    ids=[
        "wrong-type",
        "unknown-variant",
        "multibyte",
        "tab",
        "long-line",
        "empty",
        "missing-field",
    ],
)
def test_check_shows_the_readers_message_with_the_line_and_a_caret(
    tmp_path, text, line, column, at
):
    path = write(tmp_path, text)
    with pytest.raises(ValueError) as raised:
        kestrova.KestrovaSession(text)
    message = str(raised.value)
    assert message.endswith(f" at line {line} column {column}")

    done = run_cli("check", path)
    assert_user_error(done, 1, f"{path}:{line}:{column}: {message}")
    if at:
        assert excerpt_char(done.stderr) == at
    else:
        assert done.stderr.rstrip().endswith("^")


def test_check_reads_standard_input():
    ok = run_cli("check", "-", stdin=scenario())
    assert ok.returncode == 0, ok.stderr
    assert ok.stdout.startswith("<stdin>: ok")
    bad = run_cli("check", "-", stdin="{")
    assert_user_error(bad, 1, "<stdin>:1:1: Invalid schema: EOF while parsing an object")


def unsound(name, **fields):
    base = {"type": "int", "initial": 0, "min": 0, "max": 4, "discretization": 1}
    base.update(fields)
    return {name: base}


@pytest.mark.parametrize(
    "overrides",
    [
        {"variables": unsound("x", min=5, max=5)},
        {"variables": unsound("x", min=0.5, max=0.25)},
        {"variables": unsound("x", discretization=0)},
        {"variables": unsound("x", discretization=-1)},
        {"variables": unsound("x", min=1e21, max=-0.0)},
        {"resources": {"r": {"initial": 2, "min": 3}}},
        {"resources": {"r": {"initial": 1, "min": 3, "max": 3}}},
        # Several failures: the analysis reports the first in document order.
        {
            "variables": {**unsound("b", discretization=0), **unsound("a", min=9, max=1)},
            "resources": {"r": {"initial": -1, "min": 0}},
        },
    ],
    ids=[
        "min-equals-max",
        "min-above-max",
        "zero-step",
        "negative-step",
        "number-forms",
        "initial-below-min",
        "resource-bounds",
        "several",
    ],
)
def test_check_reports_what_the_analysis_rejects_with_its_texts(tmp_path, overrides):
    text = scenario(**overrides)
    result = json.loads(kestrova.simulate_local(text))
    assert result["verdict"] == "invalid_schema"

    done = run_cli("check", write(tmp_path, text))
    assert done.returncode == 1
    reported = [
        x.split(": ", 2)[2] for x in done.stderr.splitlines() if ": error (analysis): " in x
    ]
    assert reported[0] == result["recommendation"]
    assert "Traceback" not in done.stderr


def array_form(variable, resource):
    """The minimal scenario with its root, time, resource and variable records written as
    arrays of their values in declared order."""
    doc = scenario_document()
    doc["time"] = ["discrete", 4]
    doc["resources"] = {"energy": resource}
    doc["variables"] = {"x": variable}
    order = (
        "version",
        "metadata",
        "time",
        "resources",
        "variables",
        "actions",
        "transitions",
        "constraints",
        "goal",
    )
    return json.dumps([doc[name] for name in order])


def test_check_and_run_read_records_in_array_form(tmp_path):
    good = write(tmp_path, array_form(["int", 0, 0, 5, 1], [8, 0, None]), "good.json")
    done = run_cli("check", good)
    assert done.returncode == 0, done.stderr
    mode = json.loads(kestrova.simulate_local(good.read_text()))["calculation_mode"]
    assert f"(1 variable, horizon 4; {mode} mode" in done.stdout
    shown = run_cli("run", good, "--color", "never")
    assert [row[1] for row in table_rows(shown.stdout)] == ["8", "6", "4", "2", "0"]

    bad = write(tmp_path, array_form(["int", 0, 5, 5, 0], [1, 3, None]), "bad.json")
    result = json.loads(kestrova.simulate_local(bad.read_text()))
    done = run_cli("check", bad)
    assert done.returncode == 1
    assert [x.split(": error (analysis): ")[1] for x in done.stderr.splitlines()] == [
        result["recommendation"],
        "Schema error: Variable 'x': discretization must be > 0, got 0",
        "Schema error: Resource 'energy': initial value 1 < min bound 3",
    ]


def test_check_lists_every_failure_in_the_analysis_order(tmp_path):
    text = scenario(
        variables={**unsound("b", discretization=0, min=3, max=1), **unsound("a", min=9, max=1)},
        resources={"r": {"initial": -1, "min": 0}},
    )
    done = run_cli("check", write(tmp_path, text))
    assert done.returncode == 1
    assert [x.split(": error (analysis): ")[1] for x in done.stderr.splitlines()] == [
        "Schema error: Variable 'b': min (3) must be < max (1)",
        "Schema error: Variable 'b': discretization must be > 0, got 0",
        "Schema error: Variable 'a': min (9) must be < max (1)",
        "Schema error: Resource 'r': initial value -1 < min bound 0",
    ]


@pytest.mark.parametrize(
    "overrides, local, analysis",
    [
        (
            {"time": {"type": "discrete", "horizon": 13}},
            ["Local Mode Violation: Max 12 horizon. Use evaluate() for cloud execution."],
            [],
        ),
        ({"variables": variables(6)}, ["Too many variables for local analysis: 6 (at most 5)"], []),
        (
            {"variables": variables(9), "time": {"type": "discrete", "horizon": 25}},
            [
                "Too many variables for local analysis: 9 (at most 5)",
                "Local Mode Violation: Max 12 horizon. Use evaluate() for cloud execution.",
            ],
            [
                "Schema error: Too many variables: 9 (at most 8)",
                "Schema error: Simulation horizon (max 24) exceeded. "
                "Please upgrade to the Hosted API for long-range planning.",
            ],
        ),
    ],
    ids=["horizon", "variables", "engine-limits"],
)
def test_check_reports_the_caps_of_local_execution(tmp_path, overrides, local, analysis):
    text = scenario(**overrides)
    with pytest.raises(ValueError) as raised:
        kestrova.simulate_local(text)
    if str(raised.value):  # the variables cap raises with an empty text
        assert str(raised.value) == local[0]
    done = run_cli("check", write(tmp_path, text))
    assert done.returncode == 1
    lines = done.stderr.splitlines()
    assert [
        x.split(": error (local analysis): ")[1] for x in lines if "(local analysis)" in x
    ] == local
    assert [x.split(": error (analysis): ")[1] for x in lines if "(analysis)" in x] == analysis


def mode_case(horizon, spans, unbounded=0):
    found = {
        f"v{i}": {"type": "int", "initial": 0, "min": 0, "max": s, "discretization": 1}
        for i, s in enumerate(spans)
    }
    for i in range(unbounded):
        found[f"u{i}"] = {"type": "float", "initial": 0, "discretization": 1}
    return scenario(variables=found, time={"type": "discrete", "horizon": horizon}, actions=[])


@pytest.mark.parametrize(
    "text",
    [
        mode_case(9, [5, 5, 10, 1, 1]),  # score 4500
        mode_case(10, [5, 5, 10, 1, 1]),  # score exactly 5000
        mode_case(11, [5, 5, 10, 1, 1]),  # score 5500
        mode_case(4, [], unbounded=1),  # an unbounded variable counts 100
        *(p.read_text() for p in sorted(EXAMPLES.glob("*.json"))),
    ],
    ids=[
        "discrete",
        "hybrid",
        "continuous",
        "unbounded",
        *(p.stem for p in sorted(EXAMPLES.glob("*.json"))),
    ],
)
def test_check_predicts_the_mode_the_analysis_uses(tmp_path, text):
    done = run_cli("check", write(tmp_path, text))
    assert done.returncode == 0, done.stderr
    mode = json.loads(kestrova.simulate_local(text))["calculation_mode"]
    assert f"; {mode} mode, complexity score " in done.stdout
    assert done.stdout.startswith(f"{tmp_path / 'scenario.json'}: ok (")


# ---------------------------------------------------------------- evaluate

ANSWER = '{"verdict": "possible", "note": "from the test service"}'


@pytest.fixture(scope="module")
def service():
    with ServerProcess(
        {
            "ok": {
                "status": 200,
                "body": ANSWER,
                "headers": [["Content-Type", "application/json"]],
            },
            "down": {"status": 503, "reason": "Service Unavailable"},
        },
        lifetime=120,
    ) as server:
        yield server


def evaluate(*args, env=None, stdin=None):
    drop = CLIENT_ENV_VARS + ("KESTROVA_API_KEY",)
    return run_cli("evaluate", *args, env=env, drop_env=drop, stdin=stdin)


@pytest.mark.parametrize(
    "env, args, key",
    [
        ({"KESTROVA_API_KEY": "from-env"}, [], b"from-env"),
        ({"KESTROVA_API_KEY": "from-env"}, ["--api-key", "from-flag"], b"from-flag"),
        ({}, [], None),
        ({"KESTROVA_API_KEY": ""}, [], None),  # set but empty counts as unset
        ({}, ["--api-key", ""], b""),  # an explicit empty key is sent empty
    ],
    ids=["env", "flag-wins", "none", "empty-env", "empty-flag"],
)
def test_evaluate_prints_the_services_answer_and_sends_the_key(tmp_path, service, env, args, key):
    path = write(tmp_path, scenario())
    mark = service.mark()
    done = evaluate(path, "--base-url", service.base_url("ok"), "--budget", "5", *args, env=env)
    assert done.returncode == 0, done.stderr
    assert done.stdout == ANSWER + "\n"
    (request,) = service.requests_since(mark)
    assert request.header("X-Kestrova-Key") == key
    assert request.json()["budget"] == 5.0
    assert request.json()["schema"]["metadata"]["name"] == "minimal"


def test_evaluate_reads_standard_input(service):
    mark = service.mark()
    done = evaluate("-", "--base-url", service.base_url("ok"), stdin=scenario())
    assert done.returncode == 0, done.stderr
    (request,) = service.requests_since(mark)
    assert request.json()["budget"] is None


@pytest.mark.parametrize(
    "base_url, fragment",
    [
        ("down", "hosted evaluation failed: API Error: Status 503 Service Unavailable"),
        (
            "refused",
            "hosted evaluation failed: API Request Failed: error sending request for url (",
        ),
        ("not a url", "hosted evaluation failed: API Request Failed: builder error"),
    ],
    ids=["error-status", "refused", "bad-url"],
)
def test_evaluate_failures_are_user_errors(tmp_path, service, base_url, fragment):
    if base_url == "down":
        base_url = service.base_url("down")
    elif base_url == "refused":
        base_url = f"http://127.0.0.1:{free_port()}"
    done = evaluate(write(tmp_path, scenario()), "--base-url", base_url)
    assert_user_error(done, 1, fragment)


def test_evaluate_reports_an_unreadable_scenario_like_check(tmp_path):
    done = evaluate(write(tmp_path, '{"version": 1}'), "--base-url", "http://127.0.0.1:9")
    assert_user_error(done, 1, "Invalid schema: invalid type: integer `1`, expected a string")
    assert done.stderr.rstrip().endswith("^")


def test_installed_wheel_provides_the_console_script():
    if installed_files() is None:
        pytest.skip("testing a checkout, not an installed wheel")
    from importlib.metadata import entry_points

    (script,) = [e for e in entry_points(group="console_scripts") if e.name == "kestrova"]
    assert script.value == "kestrova_cli.__main__:main"
