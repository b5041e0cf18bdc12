"""`kestrova run`: the local analysis, as a report for a person, as JSON, or as a chart."""

from __future__ import annotations

import argparse
import sys
from pathlib import Path

from .budget import effective_budget, step_budget
from .chart import render_chart
from .colour import Palette, wants_colour
from .document import load_scenario
from .errors import CliError
from .output import write_document, write_text
from .report import format_amount, render_report
from .result_document import INVALID_SCHEMA_VERDICT, parse_result
from .scenario_file import read_scenario
from .session import load_module, module_failure


def run(args: argparse.Namespace) -> int:
    source = read_scenario(args.scenario)
    kestrova = load_module()
    try:
        answer: str = kestrova.simulate_local(source.text, args.budget)
    except (ValueError, RuntimeError) as exc:
        raise module_failure(source, exc) from None
    result = parse_result(answer)
    scenario = load_scenario(source.text)
    title = scenario.name or source.display_name

    if args.json:
        write_document(answer)
    else:
        budget = effective_budget(scenario, args.budget)
        budgets = [step_budget(budget, step["t"], scenario.horizon) for step in result["timeline"]]
        palette = Palette(wants_colour(args.color, sys.stdout))
        heading = f"{title} — horizon {scenario.horizon}, budget {format_amount(budget)}"
        write_text(render_report(result, budgets, heading, palette))

    if result["verdict"] == INVALID_SCHEMA_VERDICT:
        raise CliError(f"{source.display_name}: {result['recommendation']}")
    if args.svg is not None:
        try:
            Path(args.svg).write_text(render_chart(result, title), encoding="utf-8")
        except OSError as exc:
            raise CliError(f"{args.svg}: cannot write the chart: {exc.strerror or exc}") from None
    return 0
