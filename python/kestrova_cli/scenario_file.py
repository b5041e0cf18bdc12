"""Reads the scenario text from a file, or from standard input for "-"."""

from __future__ import annotations

import sys
from dataclasses import dataclass
from pathlib import Path

from .errors import CliError

STDIN_NAME = "<stdin>"


@dataclass(frozen=True)
class ScenarioText:
    text: str
    display_name: str


def read_scenario(path: str) -> ScenarioText:
    """The document's text; errors name the file and say what went wrong, without a traceback."""
    if path == "-":
        data = sys.stdin.buffer.read()
        name = STDIN_NAME
    else:
        name = path
        try:
            data = Path(path).read_bytes()
        except FileNotFoundError:
            raise CliError(f"{path}: no such file") from None
        except IsADirectoryError:
            raise CliError(f"{path}: is a directory") from None
        except OSError as exc:
            raise CliError(f"{path}: cannot read: {exc.strerror or exc}") from None
    try:
        text = data.decode("utf-8")
    except UnicodeDecodeError as exc:
        raise CliError(f"{name}: not UTF-8 text (invalid byte at offset {exc.start})") from None
    return ScenarioText(text, name)
