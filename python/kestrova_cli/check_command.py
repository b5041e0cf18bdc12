"""`kestrova check`: is the document readable, and would the analysis accept it?"""

from __future__ import annotations

import argparse
import sys

from .document import load_scenario
from .output import write_text
from .preflight import complexity_score, describe_score, find_rejections
from .scenario_file import read_scenario
from .session import read_with_module


def check(args: argparse.Namespace) -> int:
    source = read_scenario(args.scenario)
    read_with_module(source)
    scenario = load_scenario(source.text)
    findings = find_rejections(scenario)
    for finding in findings:
        where = "local analysis" if finding.stage == "local" else "analysis"
        print(f"{source.display_name}: error ({where}): {finding.text}", file=sys.stderr)
    if findings:
        return 1
    count = len(scenario.variables)
    write_text(
        f"{source.display_name}: ok ({count} variable{'s' if count != 1 else ''}, "
        f"horizon {scenario.horizon}; {describe_score(complexity_score(scenario))})\n"
    )
    return 0
