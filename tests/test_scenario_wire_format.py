"""The scenario as written into the hosted request's "schema" member."""

import json

import pytest

import kestrova
from servers.control import ServerProcess
from servers.scenarios import MINIMAL, MINIMAL_ENCODED

# Sessions built here must not pick up the machine's proxy or trust settings.
pytestmark = pytest.mark.usefixtures("clean_client_env")

PREFIX = b'{"budget":null,"capability":"lite","schema":'


@pytest.fixture(scope="module")
def server():
    with ServerProcess(default={"body": "ok"}, lifetime=300) as srv:
        yield srv


def sent_schema(server, scenario_text):
    """The exact bytes of the "schema" member sent for `scenario_text`."""
    session = kestrova.KestrovaSession(scenario_text, base_url=server.base_url("wire"))
    mark = server.mark()
    session.evaluate()
    (request,) = server.requests_since(mark)
    assert request.body.startswith(PREFIX) and request.body.endswith(b"}"), request.body[:80]
    return request.body[len(PREFIX) : -1]


RICH = r"""{
  "variables": {
    "speed": {"type": "float", "initial": 3.5e2, "discretization": 0.5, "max": 1e16, "min": -1e-5},
    "B": {"discretization": 1, "type": "int", "initial": 3},
    "a_b": {"type": "bool", "initial": true, "min": null, "max": 1, "discretization": 1},
    "a": {"type": {"int": null}, "initial": 3.0, "min": 0, "discretization": 1e-6}
  },
  "version": "2.0",
  "goal": {"conditions": [{"value": 1.5e-7, "variable": "a", "operator": "lte"},
                          {"operator": "eq", "variable": "B", "value": 1e15}],
           "type": "composite"},
  "time": {"horizon": 12, "type": "discrete"},
  "metadata": {"description": "with \"quotes\"", "name": "rich", "comment": "dropped"},
  "resources": {"cash": {"min": 0, "initial": 100},
                "Energy": {"initial": 2.5, "min": -1, "max": 10}},
  "actions": [
    {"name": "go", "preconditions": ["a > 0", "B <= 3"],
     "effects": {"speed": {"value": 5, "op": "multiply"}, "a": {"op": "set", "value": "B + 1"}},
     "cost": {"cash": 5, "Energy": 0.25}},
    {"cost": {}, "effects": {}, "name": "idle"}
  ],
  "transitions": [
    {"type": "recurring", "name": "drift", "priority": -3,
     "effects": {"a": {"op": "decrement", "value": 1}}},
    {"condition": "a < 1", "effects": {"B": {"op": "affine", "value": "2 * B + 1"}},
     "name": "reset", "priority": 2147483647, "type": "triggered"}
  ],
  "constraints": [
    {"variable": "a", "type": "threshold", "mode": {"hard": null}, "operator": "gte", "value": 0},
    {"type": "non_negative", "mode": "soft", "variable": "speed"},
    {"type": "forbidden_zone", "mode": "hard", "variable": "B", "operator": "eq", "value": -2}
  ],
  "extra": [1, 2, {"ignored": true}]
}"""

# The same scenario with records in array form and members in other orders.
RICH_AS_ARRAYS = r"""[
  "2.0",
  ["rich", "with \"quotes\""],
  ["discrete", 12],
  {"Energy": [2.5, -1, 10], "cash": [100, 0, null]},
  {"a_b": ["bool", true, null, 1, 1],
   "a": ["int", 3.0, 0, null, 1e-6],
   "B": ["int", 3, null, null, 1],
   "speed": ["float", 350e0, -0.00001, 1e16, 0.5]},
  [["go", {"Energy": 0.25, "cash": 5},
    {"a": ["set", "B + 1"], "speed": {"op": "multiply", "value": 5.0}}, ["a > 0", "B <= 3"]],
   ["idle", {}, {}, null]],
  [["drift", "recurring", -3, null, {"a": {"value": 1, "op": "decrement"}}],
   ["reset", "triggered", 2147483647, "a < 1", {"B": ["affine", "2 * B + 1"]}]],
  [["threshold", "hard", "a", "gte", 0],
   ["non_negative", "soft", "speed", null, null],
   ["forbidden_zone", "hard", "B", "eq", -2.0]],
  ["composite", [["a", "lte", 1.5e-7], ["B", "eq", 1000000000000000]]]
]"""

RICH_ENCODED = (
    b'{"actions":[{"cost":{"Energy":0.25,"cash":5.0},'
    b'"effects":{"a":{"op":"set","value":"B + 1"},"speed":{"op":"multiply","value":5.0}},'
    b'"name":"go","preconditions":["a > 0","B <= 3"]},'
    b'{"cost":{},"effects":{},"name":"idle","preconditions":null}],'
    b'"constraints":[{"mode":"hard","operator":"gte","type":"threshold","value":0.0,'
    b'"variable":"a"},'
    b'{"mode":"soft","operator":null,"type":"non_negative","value":null,"variable":"speed"},'
    b'{"mode":"hard","operator":"eq","type":"forbidden_zone","value":-2.0,"variable":"B"}],'
    b'"goal":{"conditions":[{"operator":"lte","value":1.5e-7,"variable":"a"},'
    b'{"operator":"eq","value":1000000000000000.0,"variable":"B"}],"type":"composite"},'
    b'"metadata":{"description":"with \\"quotes\\"","name":"rich"},'
    b'"resources":{"Energy":{"initial":2.5,"max":10.0,"min":-1.0},'
    b'"cash":{"initial":100.0,"max":null,"min":0.0}},'
    b'"time":{"horizon":12,"type":"discrete"},'
    b'"transitions":[{"condition":null,"effects":{"a":{"op":"decrement","value":1.0}},'
    b'"name":"drift","priority":-3,"type":"recurring"},'
    b'{"condition":"a < 1","effects":{"B":{"op":"affine","value":"2 * B + 1"}},'
    b'"name":"reset","priority":2147483647,"type":"triggered"}],'
    b'"variables":{"B":{"discretization":1.0,"initial":3,"max":null,"min":null,"type":"int"},'
    b'"a":{"discretization":1e-6,"initial":3.0,"max":null,"min":0.0,"type":"int"},'
    b'"a_b":{"discretization":1.0,"initial":true,"max":1.0,"min":null,"type":"bool"},'
    b'"speed":{"discretization":0.5,"initial":350.0,"max":1e+16,"min":-0.00001,"type":"float"}},'
    b'"version":"2.0"}'
)


def test_minimal_scenario(server):
    assert sent_schema(server, MINIMAL) == MINIMAL_ENCODED


@pytest.mark.parametrize("text", [RICH, RICH_AS_ARRAYS], ids=["objects", "arrays"])
def test_every_member_sorted_absent_ones_null(server, text):
    assert sent_schema(server, text) == RICH_ENCODED


def with_cash_initial(literal):
    return MINIMAL.replace('"initial": 10,', f'"initial": {literal},')


@pytest.mark.parametrize(
    "literal, written",
    [
        ("5", "5.0"),
        ("0", "0.0"),
        ("-0", "-0.0"),
        ("-0.0", "-0.0"),
        ("-2.5", "-2.5"),
        ("0.1", "0.1"),
        ("0.30000000000000004", "0.30000000000000004"),
        ("123456.789", "123456.789"),
        ("1E2", "100.0"),
        ("123e-2", "1.23"),
        ("1e15", "1000000000000000.0"),
        ("999999999999999.9", "999999999999999.9"),
        ("9007199254740993", "9007199254740992.0"),
        ("1e16", "1e+16"),
        ("12345678901234567", "1.2345678901234568e+16"),
        ("1e300", "1e+300"),
        ("1.7976931348623157e308", "1.7976931348623157e+308"),
        ("1e-5", "0.00001"),
        ("2.5e-5", "0.000025"),
        ("0.000123", "0.000123"),
        ("1e-6", "1e-6"),
        ("1.5e-7", "1.5e-7"),
        ("-1e-7", "-1e-7"),
        ("2.2250738585072014e-308", "2.2250738585072014e-308"),
        ("5e-324", "5e-324"),
    ],
)
def test_number_forms(server, literal, written):
    expected = MINIMAL_ENCODED.replace(b'"initial":10.0,', f'"initial":{written},'.encode())
    assert sent_schema(server, with_cash_initial(literal)) == expected


def with_x_initial(literal):
    return MINIMAL.replace('"initial": 0, "min": 0', f'"initial": {literal}, "min": 0')


@pytest.mark.parametrize(
    "literal, written",
    [
        ("3", "3"),
        ("3.0", "3.0"),
        ("3.5e2", "350.0"),
        ("1e2", "100.0"),
        ("-12", "-12"),
        ("-0", "-0.0"),
        ("0.5", "0.5"),
        ("18446744073709551615", "18446744073709551615"),
        ("-9223372036854775808", "-9223372036854775808"),
        ("18446744073709551616", "1.8446744073709552e+19"),
        ("null", "null"),
        ("true", "true"),
        ("false", "false"),
        ('"text"', '"text"'),
        ("[]", "[]"),
        ("{}", "{}"),
        ('[1, 2.0, {"b": 1e-6, "a": [null]}]', '[1,2.0,{"a":[null],"b":1e-6}]'),
        ('{"z": 1, "a": 2, "a": 3}', '{"a":3,"z":1}'),
        ('{"é": 1, "z": {"y": 0, "x": 0}, "B": 3}', '{"B":3,"z":{"x":0,"y":0},"é":1}'),
    ],
)
def test_variable_initial_written_as_read(server, literal, written):
    expected = MINIMAL_ENCODED.replace(b'"initial":0,', f'"initial":{written},'.encode())
    assert sent_schema(server, with_x_initial(literal)) == expected


@pytest.mark.parametrize("horizon", [0, 12, 4294967295])
@pytest.mark.parametrize("priority", [-2147483648, -3, 0, 2147483647])
def test_horizon_and_priority_are_plain_integers(server, horizon, priority):
    transition = (
        f'[{{"name": "t", "type": "recurring", "priority": {priority}, '
        '"effects": {"x": {"op": "add", "value": 1}}}]'
    )
    text = MINIMAL.replace('"horizon": 3', f'"horizon": {horizon}').replace(
        '"transitions": []', f'"transitions": {transition}'
    )
    expected = MINIMAL_ENCODED.replace(b'"horizon":3', f'"horizon":{horizon}'.encode()).replace(
        b'"transitions":[]',
        b'"transitions":[{"condition":null,"effects":{"x":{"op":"add","value":1.0}},'
        + f'"name":"t","priority":{priority},"type":"recurring"}}]'.encode(),
    )
    assert sent_schema(server, text) == expected


def test_map_keys_sorted_by_bytes(server):
    keys = ["a_b", "é", "a", "B", "Z", "a b"]
    ordered = ["B", "Z", "a", "a b", "a_b", "é"]
    resources = ", ".join(f'"{k}": {{"initial": 1, "min": 0}}' for k in keys)
    variables = ", ".join(
        f'"{k}": {{"type": "int", "initial": 0, "discretization": 1}}' for k in keys
    )
    cost = ", ".join(f'"{k}": 1' for k in keys)
    effects = ", ".join(f'"{k}": {{"op": "add", "value": 1}}' for k in keys)
    text = (
        MINIMAL.replace('{"cash": {"initial": 10, "min": 0}}', "{" + resources + "}")
        .replace(
            '{"x": {"type": "int", "initial": 0, "min": 0, "max": 5, "discretization": 1}}',
            "{" + variables + "}",
        )
        .replace('"cost": {"cash": 1}', '"cost": {' + cost + "}")
        .replace('"effects": {"x": {"op": "add", "value": 1}}', '"effects": {' + effects + "}")
    )
    schema = sent_schema(server, text)
    written = json.loads(schema)
    assert list(written["resources"]) == ordered
    assert list(written["variables"]) == ordered
    assert list(written["actions"][0]["cost"]) == ordered
    assert list(written["actions"][0]["effects"]) == ordered


def test_repeated_resource_keeps_the_later_definition(server):
    text = MINIMAL.replace(
        '{"cash": {"initial": 10, "min": 0}}',
        '{"cash": {"initial": 1, "min": 0}, "cash": {"initial": 2, "min": -1, "max": 3}}',
    )
    expected = MINIMAL_ENCODED.replace(
        b'"cash":{"initial":10.0,"max":null,"min":0.0}',
        b'"cash":{"initial":2.0,"max":3.0,"min":-1.0}',
    )
    assert sent_schema(server, text) == expected


def test_every_enumeration_spelling_survives(server):
    spellings = {
        "variable types": ["float", "int", "bool"],
        "effect ops": ["add", "set", "multiply", "decrement", "affine"],
        "operators": ["eq", "gt", "lt", "gte", "lte"],
        "constraint types": ["threshold", "non_negative", "forbidden_zone"],
        "modes": ["hard", "soft"],
        "transition types": ["recurring", "triggered"],
    }
    for goal_type in ["threshold", "reach_state", "composite"]:
        doc = json.loads(MINIMAL)
        doc["goal"]["type"] = {goal_type: None}
        doc["variables"] = {
            f"v{i}": {"type": t, "initial": 0, "discretization": 1}
            for i, t in enumerate(spellings["variable types"])
        }
        doc["actions"][0]["effects"] = {
            f"v{i}": {"op": op, "value": 1} for i, op in enumerate(spellings["effect ops"])
        }
        doc["goal"]["conditions"] = [
            {"variable": "v0", "operator": op, "value": 1} for op in spellings["operators"]
        ]
        doc["constraints"] = [
            {"type": t, "mode": m, "variable": "v0"}
            for t in spellings["constraint types"]
            for m in spellings["modes"]
        ]
        doc["transitions"] = [
            {"name": t, "type": t, "priority": 0, "effects": {}}
            for t in spellings["transition types"]
        ]
        written = json.loads(sent_schema(server, json.dumps(doc)))
        assert written["goal"]["type"] == goal_type
        assert [v["type"] for v in written["variables"].values()] == spellings["variable types"]
        effects = written["actions"][0]["effects"].values()
        assert [e["op"] for e in effects] == spellings["effect ops"]
        assert [c["operator"] for c in written["goal"]["conditions"]] == spellings["operators"]
        assert [(c["type"], c["mode"]) for c in written["constraints"]] == [
            (t, m) for t in spellings["constraint types"] for m in spellings["modes"]
        ]
        assert [t["type"] for t in written["transitions"]] == spellings["transition types"]
        assert written["time"]["type"] == "discrete"


def test_texts_round_trip(server):
    name = 'q"uote \\ back\nline\ttab \x01\x1f é ✓ 😀 </script> \u2028'
    text = MINIMAL.replace('"name": "tiny"', '"name": ' + json.dumps(name))
    schema = sent_schema(server, text)
    schema.decode("utf-8")  # the body is UTF-8
    assert json.loads(schema)["metadata"]["name"] == name
    expected = MINIMAL_ENCODED.replace(b'"tiny"', json.dumps(name).encode())
    assert json.loads(schema) == json.loads(expected)
