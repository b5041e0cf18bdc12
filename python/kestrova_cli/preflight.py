"""What the analysis would reject in an accepted document, found without running it.

The checks and their texts are the analysis's own, in the order it makes them; where
the analysis gives an empty text (too many variables) a descriptive one stands in.
"""

from __future__ import annotations

import math
from dataclasses import dataclass

from .document import Scenario, as_number
from .message_numbers import message_number, one_decimal

LOCAL_MAX_VARIABLES = 5
LOCAL_MAX_HORIZON = 12
ENGINE_MAX_VARIABLES = 8
ENGINE_MAX_HORIZON = 24
DISCRETE_THRESHOLD = 5000.0

LOCAL_HORIZON_TEXT = "Local Mode Violation: Max 12 horizon. Use evaluate() for cloud execution."
ENGINE_HORIZON_TEXT = (
    "Simulation horizon (max 24) exceeded. "
    "Please upgrade to the Hosted API for long-range planning."
)
SCHEMA_ERROR_PREFIX = "Schema error: "


def too_many_variables_text(count: int, limit: int, where: str) -> str:
    return f"Too many variables{where}: {count} (at most {limit})"


@dataclass(frozen=True)
class Finding:
    """One rejection: `stage` says who rejects ("local" caps or the "analysis")."""

    stage: str
    text: str


def local_cap_findings(scenario: Scenario) -> list[Finding]:
    """The caps of local execution, raised as ValueError before the analysis starts."""
    findings = []
    if len(scenario.variables) > LOCAL_MAX_VARIABLES:
        text = too_many_variables_text(
            len(scenario.variables), LOCAL_MAX_VARIABLES, " for local analysis"
        )
        findings.append(Finding("local", text))
    if scenario.horizon > LOCAL_MAX_HORIZON:
        findings.append(Finding("local", LOCAL_HORIZON_TEXT))
    return findings


def validation_messages(scenario: Scenario) -> list[str]:
    """The analysis's limit and validation messages, every failing check in its order."""
    messages = []
    if len(scenario.variables) > ENGINE_MAX_VARIABLES:
        messages.append(too_many_variables_text(len(scenario.variables), ENGINE_MAX_VARIABLES, ""))
    if scenario.horizon > ENGINE_MAX_HORIZON:
        messages.append(ENGINE_HORIZON_TEXT)
    for name, variable in scenario.variables.items():
        low, high = as_number(variable.get("min")), as_number(variable.get("max"))
        if low is not None and high is not None and not low < high:
            messages.append(
                f"Variable '{name}': min ({message_number(low)}) "
                f"must be < max ({message_number(high)})"
            )
        step = as_number(variable.get("discretization"))
        if step is not None and step <= 0:
            messages.append(
                f"Variable '{name}': discretization must be > 0, got {message_number(step)}"
            )
    for name, resource in scenario.resources.items():
        low, high = as_number(resource.get("min")), as_number(resource.get("max"))
        initial = as_number(resource.get("initial"))
        if low is not None and high is not None and not low < high:
            messages.append(
                f"Resource '{name}': min ({message_number(low)}) "
                f"must be < max ({message_number(high)})"
            )
        if initial is not None and low is not None and initial < low:
            messages.append(
                f"Resource '{name}': initial value {message_number(initial)} "
                f"< min bound {message_number(low)}"
            )
    return messages


def find_rejections(scenario: Scenario) -> list[Finding]:
    """Local caps first, then what the analysis would answer with "invalid_schema"."""
    analysis = [Finding("analysis", SCHEMA_ERROR_PREFIX + m) for m in validation_messages(scenario)]
    return local_cap_findings(scenario) + analysis


def _ceil(value: float) -> float:
    return float(math.ceil(value)) if math.isfinite(value) else value


def _divide(numerator: float, denominator: float) -> float:
    """IEEE division: a zero denominator gives an infinity or NaN instead of raising."""
    if denominator == 0.0:
        if numerator == 0.0 or math.isnan(numerator):
            return math.nan
        return math.copysign(math.inf, numerator) * math.copysign(1.0, denominator)
    return numerator / denominator


def complexity_score(scenario: Scenario) -> float:
    """(1 + 0.2 n) * (P * H), P the product of the variables' value counts (100 if unbounded)."""
    product = 1.0
    for variable in scenario.variables.values():
        low, high = as_number(variable.get("min")), as_number(variable.get("max"))
        step = as_number(variable.get("discretization")) or 0.0
        if low is not None and high is not None:
            cardinality = _ceil(_divide(high - low, step))
            # The larger of 1 and the count; a NaN count gives 1.
            cardinality = cardinality if cardinality > 1.0 else 1.0
        else:
            cardinality = 100.0
        product *= cardinality
    n = float(len(scenario.variables))
    return (1.0 + n * 0.2) * (product * float(scenario.horizon))


def calculation_mode(score: float) -> str:
    if score < DISCRETE_THRESHOLD:
        return "Discrete"
    if score == DISCRETE_THRESHOLD:
        return "Hybrid"
    return "Continuous"


def describe_score(score: float) -> str:
    return f"{calculation_mode(score)} mode, complexity score {one_decimal(score)}"
