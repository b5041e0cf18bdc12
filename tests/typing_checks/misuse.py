"""Misuse of the kestrova module: mypy --strict must report an error on every line marked
with "# error", and nowhere else."""

import kestrova
from kestrova import KestrovaSession

session = KestrovaSession("{}")
kestrova.simulate_local(b"{}")  # error
kestrova.simulate_local("{}", budget="5")  # error
kestrova.simulate_local("{}", 1.0, None)  # error
kestrova.simulate("{}", api_key=1)  # error
KestrovaSession()  # error
KestrovaSession("{}", "key", "url", "extra")  # error
KestrovaSession("{}", timeout=3)  # error
session.update_schema()  # error
session.update_schema(None)  # error
session.evaluate(budget=[1.0])  # error
count: int = session.simulate_local()  # error
nothing: str = session.update_schema("{}")  # error
session.api_key  # error


class Derived(KestrovaSession):  # error
    pass
