"""Shows where in the text the scenario reader stopped: the line, and a caret under it."""

from __future__ import annotations

import re
import unicodedata
from dataclasses import dataclass

_POSITION = re.compile(r" at line (\d+) column (\d+)$")
# Longest part of a line shown around the column; minified documents are one long line.
_WINDOW = 72


@dataclass(frozen=True)
class ReaderError:
    """A reader message split into its text and the position it names (columns in bytes)."""

    message: str
    line: int | None
    column: int | None


def parse_reader_error(text: str) -> ReaderError:
    """Splits "<message> at line L column C" (the "Invalid schema: " prefix already removed)."""
    match = _POSITION.search(text)
    if match is None:
        return ReaderError(text, None, None)
    return ReaderError(text[: match.start()], int(match.group(1)), int(match.group(2)))


def _display_width(text: str) -> int:
    return sum(2 if unicodedata.east_asian_width(ch) in "WF" else 1 for ch in text)


def excerpt(document: str, line: int, column: int) -> list[str]:
    """Two lines: the offending source line and a caret under the named column.

    The reader counts columns in UTF-8 bytes up to and including the byte where it
    stopped, so the caret goes under the character holding byte `column` (before the
    first character for column 0).
    """
    lines = document.split("\n")
    if not 1 <= line <= len(lines):
        return []
    raw = lines[line - 1].encode("utf-8")
    cut = max(column - 1, 0)
    before = raw[:cut].decode("utf-8", errors="ignore")
    rest = raw[cut:].decode("utf-8", errors="ignore").rstrip("\r")
    # Keep a window around the caret when the line is long.
    prefix_mark = suffix_mark = ""
    if len(before) > _WINDOW // 2:
        before = before[-(_WINDOW // 2) :]
        prefix_mark = "…"
    if len(before) + len(rest) > _WINDOW:
        rest = rest[: _WINDOW - len(before)]
        suffix_mark = "…"
    shown = (prefix_mark + before + rest + suffix_mark).replace("\t", " ")
    caret_at = _display_width(prefix_mark + before.replace("\t", " "))
    gutter = f"{line:>5} | "
    return [gutter + _printable(shown), " " * (len(gutter) - 2) + "| " + " " * caret_at + "^"]


def _printable(text: str) -> str:
    """Control characters would move the terminal's cursor: show them as '?'."""
    return "".join("?" if unicodedata.category(ch) == "Cc" else ch for ch in text)
