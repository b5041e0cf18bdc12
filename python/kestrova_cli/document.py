"""A plain-Python reading of a scenario document that the module's reader has accepted.

The reader also accepts a record written as an array of its member values in declared
order; the helpers here turn such records into objects, so callers see one form only.
"""

from __future__ import annotations

import json
import math
from typing import Any

# Declared member order of each record, which is also the order of the array form.
SCENARIO_MEMBERS = (
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
METADATA_MEMBERS = ("name", "description")
TIME_MEMBERS = ("type", "horizon")
RESOURCE_MEMBERS = ("initial", "min", "max")
VARIABLE_MEMBERS = ("type", "initial", "min", "max", "discretization")


def as_record(value: Any, members: tuple[str, ...]) -> dict[str, Any]:
    """The record as an object, whichever of the two accepted forms it was written in."""
    if isinstance(value, list):
        return dict(zip(members, value, strict=False))
    if isinstance(value, dict):
        return value
    return {}


def as_number(value: Any) -> float | None:
    """A JSON number as a double (None when absent); huge integer literals become infinities."""
    if value is None or isinstance(value, bool):
        return None
    if isinstance(value, int):
        try:
            return float(value)
        except OverflowError:
            return math.copysign(math.inf, value)
    if isinstance(value, float):
        return value
    return None


class Scenario:
    """The members of an accepted document that the command line tool looks at."""

    def __init__(self, root: dict[str, Any]) -> None:
        self.name: str = str(as_record(root.get("metadata"), METADATA_MEMBERS).get("name", ""))
        horizon = as_record(root.get("time"), TIME_MEMBERS).get("horizon", 0)
        self.horizon: int = horizon if isinstance(horizon, int) else 0
        # Document order is kept: a name given twice keeps its first place and its last value.
        self.variables: dict[str, dict[str, Any]] = {
            name: as_record(value, VARIABLE_MEMBERS)
            for name, value in _as_map(root.get("variables")).items()
        }
        self.resources: dict[str, dict[str, Any]] = {
            name: as_record(value, RESOURCE_MEMBERS)
            for name, value in _as_map(root.get("resources")).items()
        }


def _as_map(value: Any) -> dict[str, Any]:
    return value if isinstance(value, dict) else {}


def load_scenario(text: str) -> Scenario:
    """Reads text that the module's reader accepted (so it is valid, strict JSON)."""
    return Scenario(as_record(json.loads(text), SCENARIO_MEMBERS))
