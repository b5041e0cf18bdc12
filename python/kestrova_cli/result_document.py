"""Typed view of the result document that the local analysis returns as JSON text."""

from __future__ import annotations

import json
from typing import TypedDict, cast


class TimelineStep(TypedDict):
    t: int
    future_width: int
    thickness: float | None
    risk_spike: float | None
    goal_distance: float | None
    is_on_recommended_path: bool
    entropy: float | None
    dominant_root_cause: str | None
    status: str


class SystemAlert(TypedDict):
    type: str
    message: str
    detail: str | None


class ErrorBounds(TypedDict):
    epsilon: float | None
    confidence: float | None


class SensitivityReport(TypedDict):
    primary_culprits: dict[str, int]
    mean_thickness: float | None
    peak_fragility: float | None


class SimulationResult(TypedDict):
    timeline: list[TimelineStep]
    point_of_no_return: int | None
    goal_reached_at: int | None
    recommended_path: list[str] | None
    is_approximate: bool
    verdict: str
    recommendation: str
    calculation_mode: str
    trust_level: str
    error_bounds: ErrorBounds
    alerts: list[SystemAlert]
    sensitivity_report: SensitivityReport | None


INVALID_SCHEMA_VERDICT = "invalid_schema"


def parse_result(text: str) -> SimulationResult:
    """Parses the analysis's answer; doubles that were not finite arrive as null."""
    return cast(SimulationResult, json.loads(text))


def top_culprits(result: SimulationResult, limit: int = 3) -> list[tuple[str, int]]:
    """The variables named most often as root cause, most frequent first, ties by name."""
    report = result["sensitivity_report"]
    if report is None:
        return []
    ranked = sorted(report["primary_culprits"].items(), key=lambda item: (-item[1], item[0]))
    return ranked[:limit]
