"""Runs the local analysis on the shipped example scenarios."""

import json
import pathlib
import sys

import kestrova

HERE = pathlib.Path(__file__).resolve().parent


def main() -> int:
    for path in sorted(HERE.glob("*.json")):
        text = path.read_text(encoding="utf-8")
        session = kestrova.KestrovaSession(text)
        print(f"== {path.name}")
        try:
            result = json.loads(session.simulate_local())
        except RuntimeError as exc:
            print(f"parsed; local analysis unavailable: {exc}")
            continue
        print(json.dumps(result, indent=2, ensure_ascii=False))
    return 0


if __name__ == "__main__":
    sys.exit(main())
