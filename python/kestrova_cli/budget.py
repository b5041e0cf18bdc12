"""The budget of each timeline step, computed the way the analysis computes it."""

from __future__ import annotations

import math

from .document import Scenario, as_number


def effective_budget(scenario: Scenario, given: float | None) -> float:
    """The given budget; else the first resource's initial value; else unlimited."""
    if given is not None:
        return given
    for resource in scenario.resources.values():
        initial = as_number(resource.get("initial"))
        return initial if initial is not None else 0.0
    return math.inf


def step_budget(budget: float, t: int, horizon: int) -> float:
    """What is left of the budget at step t when it shrinks linearly to zero at the horizon."""
    if math.isinf(budget):
        return math.inf
    if horizon == 0:
        return budget
    return budget * (1.0 - t / horizon)
