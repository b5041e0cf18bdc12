"""Scenario texts shared by the hosted evaluation tests, with their encoded form on the wire."""

MINIMAL = """{
  "version": "1.0",
  "metadata": {"name": "tiny"},
  "time": {"type": "discrete", "horizon": 3},
  "resources": {"cash": {"initial": 10, "min": 0}},
  "variables": {"x": {"type": "int", "initial": 0, "min": 0, "max": 5, "discretization": 1}},
  "actions": [{"name": "inc", "cost": {"cash": 1}, "effects": {"x": {"op": "add", "value": 1}}}],
  "transitions": [],
  "constraints": [],
  "goal": {"type": "threshold", "conditions": [{"variable": "x", "operator": "gte", "value": 3}]}
}"""

MINIMAL_ENCODED = (
    b'{"actions":[{"cost":{"cash":1.0},"effects":{"x":{"op":"add","value":1.0}},'
    b'"name":"inc","preconditions":null}],"constraints":[],'
    b'"goal":{"conditions":[{"operator":"gte","value":3.0,"variable":"x"}],"type":"threshold"},'
    b'"metadata":{"description":null,"name":"tiny"},'
    b'"resources":{"cash":{"initial":10.0,"max":null,"min":0.0}},'
    b'"time":{"horizon":3,"type":"discrete"},"transitions":[],'
    b'"variables":{"x":{"discretization":1.0,"initial":0,"max":5.0,"min":0.0,"type":"int"}},'
    b'"version":"1.0"}'
)


def request_body(budget_text, encoded_schema=MINIMAL_ENCODED):
    """The exact request body for a budget written as `budget_text`."""
    return b'{"budget":' + budget_text + b',"capability":"lite","schema":' + encoded_schema + b"}"
