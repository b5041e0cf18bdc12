# Type information for the kestrova extension module.
from typing import Self, SupportsFloat, SupportsIndex, final

def simulate(
    schema_json: str,
    budget: SupportsFloat | SupportsIndex | None = None,
    api_key: str | None = None,
    base_url: str | None = None,
) -> str:
    """Hosted evaluation of a scenario; returns the service's answer body unchanged."""

def simulate_local(schema_json: str, budget: SupportsFloat | SupportsIndex | None = None) -> str:
    """Local analysis of a scenario; returns the result document as compact JSON text."""

@final
class KestrovaSession:
    """A parsed scenario with its HTTP client, for repeated local runs and hosted evaluation."""

    def __new__(
        cls, schema_json: str, api_key: str | None = None, base_url: str | None = None
    ) -> Self: ...
    def evaluate(self, budget: SupportsFloat | SupportsIndex | None = None) -> str:
        """Evaluates the current schema by delegating to the cloud API."""
    def simulate_local(self, budget: SupportsFloat | SupportsIndex | None = None) -> str:
        """Capped local execution (Max 5 vars, 12 horizon). Offline-ready."""
    def update_schema(self, schema_json: str) -> None:
        """Update the underlying schema for the session."""
