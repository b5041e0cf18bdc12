"""The JSON Schema of the scenario document: valid itself, met by every example, and in
agreement with the module's reader on documents in object form."""

import copy
import json
from importlib import resources

import jsonschema
import kestrova
import pytest
from cli_runner import EXAMPLES, SCHEMA_FILE, installed_files, run_cli
from conftest import scenario_document

SCHEMA = json.loads(SCHEMA_FILE.read_text(encoding="utf-8"))
VALIDATOR = jsonschema.Draft202012Validator(SCHEMA)


def test_schema_is_a_valid_draft_2020_12_schema():
    assert SCHEMA["$schema"] == "https://json-schema.org/draft/2020-12/schema"
    jsonschema.Draft202012Validator.check_schema(SCHEMA)
    assert "object form" in SCHEMA["description"]


@pytest.mark.parametrize("path", sorted(EXAMPLES.glob("*.json")), ids=lambda p: p.name)
def test_every_example_validates(path):
    errors = [
        e.message for e in VALIDATOR.iter_errors(json.loads(path.read_text(encoding="utf-8")))
    ]
    assert errors == []


def reader_accepts(text):
    try:
        kestrova.KestrovaSession(text)
    except ValueError:
        return False
    return True


def changed(path, value):
    """The minimal scenario with the member at `path` (keys and indices) set to `value`;
    the value DELETE removes the member."""
    document = scenario_document(
        transitions=[
            {
                "name": "drift",
                "type": "recurring",
                "priority": 0,
                "condition": None,
                "effects": {"x": {"op": "add", "value": 1}},
            }
        ],
        constraints=[
            {"type": "threshold", "mode": "hard", "variable": "x", "operator": "lte", "value": 5}
        ],
    )
    target = document
    for key in path[:-1]:
        target = target[key]
    if value is DELETE:
        del target[path[-1]]
    else:
        target[path[-1]] = copy.deepcopy(value)
    return document


DELETE = object()
ACTION, VARIABLE, RESOURCE = ("actions", 0), ("variables", "x"), ("resources", "energy")
TRANSITION, CONSTRAINT = ("transitions", 0), ("constraints", 0)
CONDITION = ("goal", "conditions", 0)

AGREEMENT = [
    # Accepted by both.
    (("comment",), "unknown members are skipped", True),
    (("metadata", "description"), "what it models", True),
    (("metadata", "description"), None, True),
    ((*RESOURCE, "max"), None, True),
    ((*RESOURCE, "max"), 100, True),
    ((*VARIABLE, "initial"), None, True),
    ((*VARIABLE, "initial"), {"nested": [1, [2.5, "three"]]}, True),
    ((*VARIABLE, "min"), DELETE, True),
    ((*VARIABLE, "type"), {"bool": None}, True),
    ((*ACTION, "preconditions"), None, True),
    ((*ACTION, "preconditions"), ["x < 5", "x > -1 && true"], True),
    ((*ACTION, "effects", "x", "value"), "x", True),
    ((*ACTION, "cost"), {}, True),
    ((*TRANSITION, "type"), "triggered", True),
    ((*TRANSITION, "priority"), -2147483648, True),
    ((*CONSTRAINT, "operator"), None, True),
    ((*CONSTRAINT, "mode"), {"soft": None}, True),
    (("time", "horizon"), 0, True),
    (("goal", "conditions"), [], True),
    (("variables",), {}, True),
    # Rejected by both.
    (("version",), DELETE, False),
    (("version",), 1, False),
    (("metadata", "name"), DELETE, False),
    (("metadata",), "minimal", False),
    (("time", "type"), "continuous", False),
    (("time", "type"), {"discrete": 1}, False),
    (("time", "type"), {"discrete": None, "other": None}, False),
    (("time", "horizon"), -1, False),
    (("time", "horizon"), 2.5, False),
    (("time", "horizon"), "3", False),
    ((*RESOURCE, "min"), DELETE, False),
    ((*RESOURCE, "initial"), "10", False),
    ((*VARIABLE, "initial"), DELETE, False),
    ((*VARIABLE, "discretization"), DELETE, False),
    ((*VARIABLE, "type"), "double", False),
    ((*VARIABLE, "max"), True, False),
    ((*ACTION, "name"), DELETE, False),
    ((*ACTION, "cost"), {"energy": "1"}, False),
    ((*ACTION, "effects"), [], False),
    ((*ACTION, "effects", "x", "value"), True, False),
    ((*ACTION, "effects", "x", "value"), None, False),
    ((*ACTION, "effects", "x", "op"), "subtract", False),
    ((*ACTION, "preconditions"), "x < 5", False),
    ((*ACTION, "preconditions"), [1], False),
    ((*TRANSITION, "type"), "sometimes", False),
    ((*TRANSITION, "priority"), 2147483648, False),
    ((*TRANSITION, "condition"), 3, False),
    ((*CONSTRAINT, "type"), "range", False),
    ((*CONSTRAINT, "variable"), DELETE, False),
    ((*CONSTRAINT, "operator"), "ne", False),
    ((*CONDITION, "operator"), DELETE, False),
    ((*CONDITION, "value"), None, False),
    (("goal", "type"), "maximise", False),
    (("resources",), [], False),
    (("actions",), {}, False),
]


@pytest.mark.parametrize(
    "path, value, valid",
    AGREEMENT,
    ids=[
        f"{'.'.join(map(str, p))}={'<deleted>' if v is DELETE else json.dumps(v)}"
        for p, v, _ in AGREEMENT
    ],
)
def test_schema_and_reader_agree(path, value, valid):
    document = changed(path, value)
    schema_errors = [e.message for e in VALIDATOR.iter_errors(document)]
    assert reader_accepts(json.dumps(document)) == valid
    assert (schema_errors == []) == valid, schema_errors


def test_schema_command_prints_the_shipped_schema():
    done = run_cli("schema")
    assert done.returncode == 0, done.stderr
    assert json.loads(done.stdout) == SCHEMA


def test_installed_wheel_ships_the_schema_as_package_data():
    files = installed_files()
    if files is None:
        pytest.skip("testing a checkout, not an installed wheel")
    assert "kestrova_cli/schema/scenario.schema.json" in files
    packaged = resources.files("kestrova_cli").joinpath("schema", "scenario.schema.json")
    assert json.loads(packaged.read_text(encoding="utf-8")) == SCHEMA
