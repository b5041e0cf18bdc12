"""The `kestrova` command: run, check and evaluate scenario documents."""

from __future__ import annotations

import argparse
import os
import sys
from collections.abc import Callable, Sequence

from .check_command import check
from .errors import CliError
from .evaluate_command import API_KEY_VARIABLE, evaluate
from .run_command import run
from .schema_command import schema

PROG = "kestrova"


def _version() -> str:
    from importlib.metadata import PackageNotFoundError, version

    try:
        return version("kestrova")
    except PackageNotFoundError:
        return "unknown"


def _budget(text: str) -> float:
    try:
        return float(text)
    except ValueError:
        raise argparse.ArgumentTypeError(f"not a number: {text!r}") from None


def build_parser() -> argparse.ArgumentParser:
    parser = argparse.ArgumentParser(
        prog=PROG,
        description="Analyse how open the future of a scenario stays.",
        epilog="Use '-' as SCENARIO to read the document from standard input.",
    )
    parser.add_argument("--version", action="version", version=f"%(prog)s {_version()}")
    commands = parser.add_subparsers(dest="command", metavar="COMMAND")

    def command(
        name: str, summary: str, handler: Callable[[argparse.Namespace], int]
    ) -> argparse.ArgumentParser:
        sub = commands.add_parser(name, help=summary, description=summary)
        sub.add_argument(
            "scenario", metavar="SCENARIO", help="scenario document (JSON), or - for stdin"
        )
        sub.set_defaults(handler=handler)
        return sub

    budget_help = (
        "budget for the analysis (default: the first resource's initial value, "
        "or unlimited without resources)"
    )
    run_parser = command("run", "Run the local analysis and show its timeline and verdict.", run)
    run_parser.add_argument("--budget", type=_budget, metavar="B", help=budget_help)
    run_parser.add_argument(
        "--json", action="store_true", help="print the result document as it is"
    )
    run_parser.add_argument("--svg", metavar="FILE", help="write a chart of the timeline to FILE")
    run_parser.add_argument(
        "--color",
        choices=("auto", "always", "never"),
        default="auto",
        help="colour the status column: auto (on a terminal unless NO_COLOR is set), always, never",
    )

    command(
        "check",
        "Check a scenario document without running it: exit status 0 when it would run.",
        check,
    )

    eval_parser = command(
        "evaluate", "Send the scenario to the hosted service and print its answer.", evaluate
    )
    eval_parser.add_argument(
        "--budget", type=_budget, metavar="B", help="budget sent with the scenario"
    )
    eval_parser.add_argument("--base-url", metavar="URL", help="base URL of the hosted service")
    eval_parser.add_argument(
        "--api-key",
        metavar="KEY",
        help=f"API key (default: the {API_KEY_VARIABLE} environment variable, "
        "which keeps the key out of process listings)",
    )

    schema_parser = commands.add_parser(
        "schema",
        help="Print the JSON Schema of the scenario document.",
        description="Print the JSON Schema (draft 2020-12) of the scenario document, for editors.",
    )
    schema_parser.set_defaults(handler=schema)
    return parser


def main(argv: Sequence[str] | None = None) -> int:
    parser = build_parser()
    args = parser.parse_args(argv)
    handler = getattr(args, "handler", None)
    if handler is None:
        parser.print_help(sys.stderr)
        return 2
    try:
        status: int = handler(args)
    except CliError as exc:
        sys.stdout.flush()
        print(f"{PROG}: error: {exc.message}", file=sys.stderr)
        return exc.exit_status
    except KeyboardInterrupt:
        return 130
    except BrokenPipeError:
        # The reader went away (e.g. `| head`): stop quietly, without a second error at exit.
        devnull = os.open(os.devnull, os.O_WRONLY)
        os.dup2(devnull, sys.stdout.fileno())
        return 1
    return status


if __name__ == "__main__":
    sys.exit(main())
