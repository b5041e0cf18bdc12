"""Access to the extension module, with its exceptions turned into command-line messages."""

from __future__ import annotations

from types import ModuleType

from .document import load_scenario
from .errors import CliError
from .preflight import local_cap_findings
from .reader_diagnostics import excerpt, parse_reader_error
from .scenario_file import ScenarioText

INVALID_SCHEMA_PREFIX = "Invalid schema: "
BOM = "\ufeff"


def load_module() -> ModuleType:
    try:
        import kestrova
    except ImportError as exc:
        raise CliError(f"cannot load the kestrova extension module: {exc}") from None
    return kestrova


def reader_error_report(source: ScenarioText, error_text: str) -> str:
    """The reader's message prefixed with file:line:column, then the line and a caret."""
    error = parse_reader_error(error_text.removeprefix(INVALID_SCHEMA_PREFIX))
    if error.line is None or error.column is None:
        return f"{source.display_name}: {error_text}"
    lines = [f"{source.display_name}:{error.line}:{error.column}: {error_text}"]
    lines += excerpt(source.text, error.line, error.column)
    if source.text.startswith(BOM):
        lines.append(
            "note: the text starts with a byte order mark (U+FEFF), which JSON does not allow"
        )
    return "\n".join(lines)


def module_failure(source: ScenarioText, exc: Exception) -> CliError:
    """The CliError for an exception raised by the module for this document."""
    text = str(exc)
    if isinstance(exc, ValueError) and text.startswith(INVALID_SCHEMA_PREFIX):
        return CliError(reader_error_report(source, text))
    if not text and isinstance(exc, ValueError):
        # The variables cap of local execution raises with an empty text: say what it means.
        findings = local_cap_findings(load_scenario(source.text))
        text = findings[0].text if findings else "the local analysis rejected the scenario"
    return CliError(f"{source.display_name}: {text}")


def read_with_module(source: ScenarioText) -> None:
    """Reads the document with the module's own reader; a failure becomes a CliError."""
    kestrova = load_module()
    try:
        kestrova.KestrovaSession(source.text)
    except (ValueError, RuntimeError) as exc:
        raise module_failure(source, exc) from None
