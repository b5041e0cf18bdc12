"""`kestrova schema`: prints the JSON Schema of the scenario document, for editors."""

from __future__ import annotations

import argparse
from importlib import resources
from pathlib import Path

from .errors import CliError
from .output import write_document

SCHEMA_NAME = "scenario.schema.json"


def schema_text() -> str:
    """The schema shipped in the package; from the source tree when run from a checkout."""
    packaged = resources.files(__package__).joinpath("schema", SCHEMA_NAME)
    if packaged.is_file():
        return packaged.read_text(encoding="utf-8")
    checkout = Path(__file__).resolve().parents[2] / "schema" / SCHEMA_NAME
    try:
        return checkout.read_text(encoding="utf-8")
    except OSError:
        raise CliError(f"the scenario schema ({SCHEMA_NAME}) is not installed") from None


def schema(args: argparse.Namespace) -> int:
    write_document(schema_text())
    return 0
