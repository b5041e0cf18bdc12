"""The result of a local run as text for a person: the timeline table, then the summary."""

from __future__ import annotations

import math

from .colour import Palette
from .result_document import INVALID_SCHEMA_VERDICT, SimulationResult, top_culprits

_HEADERS = ("t", "budget", "future width", "status", "entropy", "risk spike", "root cause")
# Columns that hold numbers are right-aligned.
_RIGHT = (True, True, True, False, True, True, False)


def format_amount(value: float | None) -> str:
    """Up to two decimals without trailing zeros; "-" for a value the document left null."""
    if value is None:
        return "-"
    if math.isnan(value):
        return "nan"
    if math.isinf(value):
        return "inf" if value > 0 else "-inf"
    text = f"{value:.2f}".rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def _fixed(value: float | None) -> str:
    return "-" if value is None else f"{value:.2f}"


def timeline_rows(result: SimulationResult, budgets: list[float]) -> list[tuple[str, ...]]:
    mark = "~" if result["is_approximate"] else ""
    rows: list[tuple[str, ...]] = []
    for step, budget in zip(result["timeline"], budgets, strict=True):
        rows.append(
            (
                str(step["t"]),
                format_amount(budget),
                f"{mark}{step['future_width']}",
                step["status"],
                _fixed(step["entropy"]),
                _fixed(step["risk_spike"]),
                step["dominant_root_cause"] or "-",
            )
        )
    return rows


def render_table(rows: list[tuple[str, ...]], statuses: list[str], palette: Palette) -> list[str]:
    widths = [max([len(h)] + [len(r[i]) for r in rows]) for i, h in enumerate(_HEADERS)]

    def line(cells: tuple[str, ...], status: str | None) -> str:
        out = []
        for i, cell in enumerate(cells):
            padded = cell.rjust(widths[i]) if _RIGHT[i] else cell.ljust(widths[i])
            # Colour after padding, so escape codes do not upset the alignment.
            if i == 3 and status is not None:
                padded = palette.status(padded, status)
            out.append(padded)
        return "  ".join(out).rstrip()

    return [palette.bold(line(_HEADERS, None))] + [
        line(row, status) for row, status in zip(rows, statuses, strict=True)
    ]


def render_report(
    result: SimulationResult, budgets: list[float], title: str, palette: Palette
) -> str:
    lines = [palette.bold(title), ""]
    timeline = result["timeline"]
    if timeline:
        rows = timeline_rows(result, budgets)
        lines += render_table(rows, [s["status"] for s in timeline], palette)
        lines.append("")
    verdict = result["verdict"]
    if verdict == INVALID_SCHEMA_VERDICT:
        verdict = palette.status(verdict, "collapsed")
    bounds = result["error_bounds"]
    mode = result["calculation_mode"]
    if result["is_approximate"]:
        mode += " (future widths are estimates)"
    summary = [
        ("Verdict", verdict),
        ("Recommendation", result["recommendation"]),
        ("Mode", mode),
        ("Trust level", result["trust_level"]),
        (
            "Error bounds",
            f"epsilon {format_amount(bounds['epsilon'])}, "
            f"confidence {format_amount(bounds['confidence'])}",
        ),
    ]
    if timeline:
        pnr = result["point_of_no_return"]
        goal = result["goal_reached_at"]
        summary.append(("Point of no return", "none" if pnr is None else f"t = {pnr}"))
        summary.append(("Goal reached at", "not at the start" if goal is None else f"t = {goal}"))
    culprits = top_culprits(result)
    summary.append(
        (
            "Top culprits",
            ", ".join(f"{n} ({c} step{'' if c == 1 else 's'})" for n, c in culprits)
            if culprits
            else "none",
        )
    )
    label_width = max(len(label) for label, _ in summary) + 1
    lines += [f"{(label + ':').ljust(label_width)} {value}" for label, value in summary]
    alerts = result["alerts"]
    lines.append(f"{'Alerts:'.ljust(label_width)} {'none' if not alerts else len(alerts)}")
    for alert in alerts:
        lines.append(f"  [{alert['type']}] {alert['message']}")
        if alert["detail"]:
            lines.append(f"      {alert['detail']}")
    return "\n".join(lines) + "\n"
