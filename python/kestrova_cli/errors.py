"""The one exception type that carries a user-facing failure to the command line."""


class CliError(Exception):
    """A failure to report on stderr without a traceback, with the process exit status."""

    def __init__(self, message: str, exit_status: int = 1) -> None:
        super().__init__(message)
        self.message = message
        self.exit_status = exit_status
