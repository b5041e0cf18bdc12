"""Typed use of every callable of the kestrova module; mypy --strict must accept it."""

import json
from fractions import Fraction

import kestrova
from kestrova import KestrovaSession

SCENARIO = json.dumps({"version": "1.0"})


def local_runs(session: KestrovaSession) -> list[str]:
    return [
        session.simulate_local(),
        session.simulate_local(None),
        session.simulate_local(40.0),
        session.simulate_local(budget=40),
        session.simulate_local(True),
        session.simulate_local(Fraction(1, 3)),
        kestrova.simulate_local(SCENARIO),
        kestrova.simulate_local(schema_json=SCENARIO, budget=2.5),
    ]


def hosted_runs() -> list[str]:
    session = KestrovaSession(SCENARIO, api_key="key", base_url="http://127.0.0.1:9")
    other = KestrovaSession(schema_json=SCENARIO, api_key=None, base_url=None)
    return [
        session.evaluate(),
        other.evaluate(budget=5),
        kestrova.simulate(SCENARIO),
        kestrova.simulate(SCENARIO, 1.0, "key", "http://127.0.0.1:9"),
        kestrova.simulate(schema_json=SCENARIO, budget=None, api_key=None, base_url=None),
    ]


def replace(session: KestrovaSession, text: str) -> None:
    session.update_schema(text)
    session.update_schema(schema_json=text)
