"""Writing to standard output: exact UTF-8 for documents, forgiving text for people."""

from __future__ import annotations

import sys


def write_document(text: str) -> None:
    """Writes a document byte for byte as UTF-8, whatever the locale, plus a final newline."""
    sys.stdout.flush()
    sys.stdout.buffer.write(text.encode("utf-8"))
    if not text.endswith("\n"):
        sys.stdout.buffer.write(b"\n")
    sys.stdout.buffer.flush()


def write_text(text: str) -> None:
    """Writes text for a person; characters the terminal cannot show become '?'."""
    reconfigure = getattr(sys.stdout, "reconfigure", None)
    if reconfigure is not None:
        reconfigure(errors="replace")
    sys.stdout.write(text)
    sys.stdout.flush()
