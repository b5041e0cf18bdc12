"""Runs the local analysis from Python at three budgets and prints how the future narrows."""

import json
import pathlib
import sys

import kestrova

HERE = pathlib.Path(__file__).resolve().parent


def main() -> int:
    text = (HERE / "software_release.json").read_text(encoding="utf-8")
    session = kestrova.KestrovaSession(text)
    for budget in (10.0, 30.0, None):
        result = json.loads(session.simulate_local(budget))
        widths = [step["future_width"] for step in result["timeline"]]
        print(f"budget {budget}: {result['verdict']}, widths {widths}")
        print(f"  {result['recommendation']}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
