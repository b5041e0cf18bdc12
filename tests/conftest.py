"""Shared fixtures: scenario texts and environment hygiene for tests that build sessions."""

import copy
import json

import pytest

from servers.client_env import CLIENT_ENV_VARS

# The smallest scenario that reads and runs: one resource, one variable, one action.
_BASE_DOCUMENT = {
    "version": "1.0",
    "metadata": {"name": "minimal"},
    "time": {"type": "discrete", "horizon": 3},
    "resources": {"energy": {"initial": 10, "min": 0}},
    "variables": {
        "x": {"type": "int", "initial": 0, "min": 0, "max": 5, "discretization": 1},
    },
    "actions": [
        {"name": "step", "cost": {"energy": 1}, "effects": {"x": {"op": "add", "value": 1}}},
    ],
    "transitions": [],
    "constraints": [],
    "goal": {"type": "threshold", "conditions": [{"variable": "x", "operator": "gte", "value": 3}]},
}


def scenario_document(**overrides):
    """The minimal scenario as a dict, with top-level members replaced by `overrides`."""
    document = copy.deepcopy(_BASE_DOCUMENT)
    document.update(copy.deepcopy(overrides))
    return document


def scenario(**overrides):
    """The minimal scenario as JSON text, with top-level members replaced by `overrides`,
    e.g. scenario(time={"type": "discrete", "horizon": 13})."""
    return json.dumps(scenario_document(**overrides))


MINIMAL_SCENARIO = scenario()


@pytest.fixture
def clean_client_env(monkeypatch):
    """Removes proxy and trust-store settings for sessions built in this test, so the machine's
    own settings cannot send loopback traffic elsewhere."""
    for name in CLIENT_ENV_VARS:
        monkeypatch.delenv(name, raising=False)
    return monkeypatch
