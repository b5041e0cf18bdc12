"""Terminal colour: on for terminals, off when piped, when NO_COLOR is set or TERM is dumb."""

from __future__ import annotations

import os
from typing import TextIO

_RESET = "\033[0m"
_STATUS_STYLES = {
    "safe": "\033[32m",  # green
    "narrowing": "\033[33m",  # yellow
    "critical": "\033[31m",  # red
    "collapsed": "\033[1;31m",  # bold red
}
_BOLD = "\033[1m"


def wants_colour(choice: str, stream: TextIO) -> bool:
    """`choice` is "always", "never" or "auto" (see https://no-color.org for NO_COLOR)."""
    if choice == "always":
        return True
    if choice == "never":
        return False
    if os.environ.get("NO_COLOR", ""):
        return False
    if os.environ.get("TERM") == "dumb":
        return False
    isatty = getattr(stream, "isatty", None)
    return bool(isatty and isatty())


class Palette:
    """Applies styles, or nothing when colour is off."""

    def __init__(self, enabled: bool) -> None:
        self.enabled = enabled

    def status(self, text: str, status: str) -> str:
        style = _STATUS_STYLES.get(status)
        return f"{style}{text}{_RESET}" if self.enabled and style else text

    def bold(self, text: str) -> str:
        return f"{_BOLD}{text}{_RESET}" if self.enabled else text
