"""Numbers written the way the analysis writes them inside its message texts."""

from __future__ import annotations

import math
from decimal import Decimal


def message_number(value: float) -> str:
    """Shortest round-trip digits, never an exponent, no fraction for whole values.

    0.5 -> "0.5", 5.0 -> "5", 1e21 -> "1000000000000000000000", -0.0 -> "-0".
    """
    if math.isnan(value):
        return "NaN"
    if math.isinf(value):
        return "inf" if value > 0 else "-inf"
    # repr() gives the shortest digits that read back to the same double.
    return format(Decimal(repr(value)).normalize(), "f")


def one_decimal(value: float) -> str:
    """Fixed point with one digit after the point, as in the complexity score's alert."""
    if math.isnan(value):
        return "NaN"
    if math.isinf(value):
        return "inf" if value > 0 else "-inf"
    return f"{value:.1f}"
