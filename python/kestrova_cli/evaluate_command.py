"""`kestrova evaluate`: hosted evaluation; prints the service's answer as it came."""

from __future__ import annotations

import argparse
import os

from .errors import CliError
from .output import write_document
from .scenario_file import read_scenario
from .session import load_module, module_failure

API_KEY_VARIABLE = "KESTROVA_API_KEY"


def api_key(args: argparse.Namespace) -> str | None:
    """--api-key wins; otherwise the environment variable, when set and not empty."""
    if args.api_key is not None:
        return str(args.api_key)
    return os.environ.get(API_KEY_VARIABLE) or None


def evaluate(args: argparse.Namespace) -> int:
    source = read_scenario(args.scenario)
    kestrova = load_module()
    try:
        answer: str = kestrova.simulate(source.text, args.budget, api_key(args), args.base_url)
    except ValueError as exc:
        raise module_failure(source, exc) from None
    except RuntimeError as exc:
        raise CliError(f"hosted evaluation failed: {exc}") from None
    write_document(answer)
    return 0
