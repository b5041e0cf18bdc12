"""An SVG chart of a run: future width (log scale) and risk spike over t.

Each timeline step gets one marker per series (a circle for the width, a square for
the risk spike) with a tooltip; a dashed line marks the point of no return.
"""

from __future__ import annotations

import math
from xml.sax.saxutils import escape

from .result_document import SimulationResult

_WIDTH, _HEIGHT = 880, 460
_LEFT, _RIGHT, _TOP, _BOTTOM = 80, 80, 70, 60
_WIDTH_COLOUR = "#1f6fb2"
_RISK_COLOUR = "#d9730d"
_PNR_COLOUR = "#c0392b"
_GRID_COLOUR = "#e3e6ea"
_TEXT_COLOUR = "#333"
# Where width 0 sits on the log axis, half a decade below width 1.
_ZERO_LOG = -0.5


def _num(value: float) -> str:
    return f"{value:.2f}".rstrip("0").rstrip(".")


def _nice_ceiling(value: float) -> float:
    """The smallest of 1, 2, 5 times a power of ten that is at least `value`."""
    if value <= 0:
        return 1.0
    power = 10.0 ** math.floor(math.log10(value))
    for factor in (1.0, 2.0, 5.0, 10.0):
        if value <= factor * power:
            return factor * power
    return 10.0 * power


class _Frame:
    """Maps data to the plot area: t to x, log10(width) to the left axis, risk to the right."""

    def __init__(self, horizon: int, top_decade: int, risk_low: float, risk_high: float) -> None:
        self.horizon = horizon
        self.top_decade = top_decade
        self.risk_low, self.risk_high = risk_low, risk_high
        self.x0, self.x1 = _LEFT, _WIDTH - _RIGHT
        self.y0, self.y1 = _HEIGHT - _BOTTOM, _TOP  # bottom, top

    def x(self, t: float) -> float:
        if self.horizon == 0:
            return (self.x0 + self.x1) / 2
        return self.x0 + (self.x1 - self.x0) * t / self.horizon

    def y_log(self, log_width: float) -> float:
        span = self.top_decade - _ZERO_LOG
        return self.y0 - (self.y0 - self.y1) * (log_width - _ZERO_LOG) / span

    def y_width(self, width: int) -> float:
        return self.y_log(math.log10(width) if width > 0 else _ZERO_LOG)

    def y_risk(self, risk: float) -> float:
        span = self.risk_high - self.risk_low
        return self.y0 - (self.y0 - self.y1) * (risk - self.risk_low) / span


def _text(x: float, y: float, content: str, anchor: str = "start", extra: str = "") -> str:
    return (
        f'<text x="{_num(x)}" y="{_num(y)}" text-anchor="{anchor}"{extra}>{escape(content)}</text>'
    )


def render_chart(result: SimulationResult, title: str) -> str:
    timeline = result["timeline"]
    horizon = max((step["t"] for step in timeline), default=0)
    widths = [step["future_width"] for step in timeline]
    risks = [step["risk_spike"] for step in timeline]
    known_risks = [r for r in risks if r is not None]
    top_decade = max(1, math.ceil(math.log10(max(widths)))) if widths and max(widths) > 0 else 1
    risk_low = min([0.0] + known_risks)
    risk_high = _nice_ceiling(max([0.0] + known_risks))
    if risk_low < 0:
        risk_low = -_nice_ceiling(-risk_low)
    frame = _Frame(horizon, top_decade, risk_low, risk_high)

    out = [
        f'<svg xmlns="http://www.w3.org/2000/svg" width="{_WIDTH}" height="{_HEIGHT}" '
        f'viewBox="0 0 {_WIDTH} {_HEIGHT}" role="img" '
        "font-family=\"system-ui, -apple-system, 'Segoe UI', Roboto, sans-serif\" "
        f'font-size="12" fill="{_TEXT_COLOUR}">',
        f"<title>{escape(title)}: future width and risk spike</title>",
        f'<rect width="{_WIDTH}" height="{_HEIGHT}" fill="#ffffff"/>',
        _text(_LEFT, 28, title, extra=' font-size="17" font-weight="600"'),
    ]
    subtitle = "Future width (log scale) and risk spike per step"
    if result["is_approximate"]:
        subtitle += " · widths are estimates"
    out.append(_text(_LEFT, 48, subtitle, extra=' fill="#666"'))
    out += _axes(frame)
    pnr = result["point_of_no_return"]
    if timeline and pnr is not None:
        x = frame.x(pnr)
        out.append(
            f'<line class="point-of-no-return" x1="{_num(x)}" y1="{frame.y1}" x2="{_num(x)}" '
            f'y2="{frame.y0}" stroke="{_PNR_COLOUR}" stroke-width="1.5" stroke-dasharray="6 4"/>'
        )
        anchor = "end" if x > (frame.x0 + frame.x1) / 2 else "start"
        dx = -6 if anchor == "end" else 6
        out.append(
            _text(
                x + dx,
                frame.y1 + 14,
                f"point of no return (t = {pnr})",
                anchor,
                f' fill="{_PNR_COLOUR}"',
            )
        )
    out += _series(result, frame)
    out += _legend()
    out.append("</svg>")
    return "\n".join(out) + "\n"


def _axes(frame: _Frame) -> list[str]:
    out = []
    # Decade grid lines on the left axis, thinned so at most about eight are labelled.
    step = max(1, math.ceil(frame.top_decade / 8))
    for decade in range(0, frame.top_decade + 1, step):
        y = frame.y_log(decade)
        out.append(
            f'<line x1="{frame.x0}" y1="{_num(y)}" x2="{frame.x1}" y2="{_num(y)}" '
            f'stroke="{_GRID_COLOUR}"/>'
        )
        label = f"{10**decade:,}" if decade <= 6 else f"1e{decade}"
        out.append(_text(frame.x0 - 8, y + 4, label, "end", f' fill="{_WIDTH_COLOUR}"'))
    out.append(
        _text(frame.x0 - 8, frame.y_log(_ZERO_LOG) + 4, "0", "end", f' fill="{_WIDTH_COLOUR}"')
    )
    # Five ticks for ranges of 1 or 5 times a power of ten, four for 2: round labels.
    span = frame.risk_high - frame.risk_low
    leading = span / 10.0 ** math.floor(math.log10(span))
    divisions = 4 if round(leading) == 2 else 5
    for i in range(divisions + 1):
        risk = frame.risk_low + span * i / divisions
        out.append(
            _text(
                frame.x1 + 8, frame.y_risk(risk) + 4, _num(risk), "start", f' fill="{_RISK_COLOUR}"'
            )
        )
    label_every = 1 if frame.horizon <= 12 else 2
    for t in range(0, frame.horizon + 1, label_every):
        out.append(_text(frame.x(t), frame.y0 + 18, str(t), "middle"))
    out.append(
        f'<rect x="{frame.x0}" y="{frame.y1}" width="{frame.x1 - frame.x0}" '
        f'height="{frame.y0 - frame.y1}" fill="none" stroke="#999"/>'
    )
    out.append(_text((frame.x0 + frame.x1) / 2, frame.y0 + 40, "t (step)", "middle"))
    mid = (frame.y0 + frame.y1) / 2
    out.append(
        f'<text x="20" y="{_num(mid)}" text-anchor="middle" fill="{_WIDTH_COLOUR}" '
        f'transform="rotate(-90 20 {_num(mid)})">future width</text>'
    )
    right = _WIDTH - 20
    out.append(
        f'<text x="{right}" y="{_num(mid)}" text-anchor="middle" fill="{_RISK_COLOUR}" '
        f'transform="rotate(90 {right} {_num(mid)})">risk spike</text>'
    )
    return out


def _series(result: SimulationResult, frame: _Frame) -> list[str]:
    timeline = result["timeline"]
    width_points = [(frame.x(s["t"]), frame.y_width(s["future_width"])) for s in timeline]
    risk_points = [
        (frame.x(s["t"]), frame.y_risk(s["risk_spike"]))
        for s in timeline
        if s["risk_spike"] is not None
    ]
    out = []
    for points, colour, dash in (
        (width_points, _WIDTH_COLOUR, ""),
        (risk_points, _RISK_COLOUR, ' stroke-dasharray="4 3"'),
    ):
        if len(points) > 1:
            coords = " ".join(f"{_num(x)},{_num(y)}" for x, y in points)
            out.append(
                f'<polyline points="{coords}" fill="none" stroke="{colour}" '
                f'stroke-width="2"{dash}/>'
            )
    approx = "~" if result["is_approximate"] else ""
    for step in timeline:
        x, y = frame.x(step["t"]), frame.y_width(step["future_width"])
        tip = f"t = {step['t']}: future width {approx}{step['future_width']} ({step['status']})"
        out.append(
            f'<circle class="width-point" cx="{_num(x)}" cy="{_num(y)}" r="4" '
            f'fill="{_WIDTH_COLOUR}"><title>{escape(tip)}</title></circle>'
        )
        risk = step["risk_spike"]
        if risk is not None:
            ry = frame.y_risk(risk)
            tip = f"t = {step['t']}: risk spike {_num(risk)}"
            out.append(
                f'<rect class="risk-point" x="{_num(x - 3.5)}" y="{_num(ry - 3.5)}" width="7" '
                f'height="7" fill="{_RISK_COLOUR}"><title>{escape(tip)}</title></rect>'
            )
    return out


def _legend() -> list[str]:
    x = _WIDTH - _RIGHT - 230
    y = 30
    return [
        f'<g class="legend" transform="translate({x} {y})">',
        f'<line x1="0" y1="0" x2="22" y2="0" stroke="{_WIDTH_COLOUR}" stroke-width="2"/>',
        f'<circle cx="11" cy="0" r="4" fill="{_WIDTH_COLOUR}"/>',
        _text(28, 4, "future width"),
        f'<line x1="110" y1="0" x2="132" y2="0" stroke="{_RISK_COLOUR}" stroke-width="2" '
        'stroke-dasharray="4 3"/>',
        f'<rect x="117.5" y="-3.5" width="7" height="7" fill="{_RISK_COLOUR}"/>',
        _text(138, 4, "risk spike"),
        "</g>",
    ]
