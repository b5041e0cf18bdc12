"""Test-side handle of a raw_http_server process: start it, read what it saw, stop it."""

import base64
import json
import os
import pathlib
import select
import subprocess
import sys
import tempfile
import time

SERVER_SCRIPT = pathlib.Path(__file__).with_name("raw_http_server.py")


class Request:
    """One request exactly as it arrived on the wire."""

    def __init__(self, record):
        self.conn = record["conn"]
        self.route = record["route"]
        self.index = record["index"]
        self.time = record["time"]
        self.raw = base64.b64decode(record["raw_b64"])
        head, _, self.body = self.raw.partition(b"\r\n\r\n")
        lines = head.split(b"\r\n")
        self.request_line = lines[0]
        self.method, self.target, self.version = lines[0].split(b" ", 2)
        # Names as sent (case kept); values with the single separator blank removed, nothing
        # else, so that the key's bytes can be compared exactly.
        self.header_lines = []
        for line in lines[1:]:
            name, _, value = line.partition(b":")
            if value.startswith(b" "):
                value = value[1:]
            self.header_lines.append((name, value))

    def header_names(self):
        return [name for name, _ in self.header_lines]

    def headers(self, name):
        """Every value of the header `name` (case-insensitive), in wire order."""
        wanted = name.lower().encode("latin-1")
        return [value for key, value in self.header_lines if key.lower() == wanted]

    def header(self, name):
        values = self.headers(name)
        assert len(values) <= 1, f"header {name} sent {len(values)} times"
        return values[0] if values else None

    def json(self):
        return json.loads(self.body)


class ServerProcess:
    def __init__(self, routes=None, *, default=None, tls=None, on_accept=None, lifetime=60):
        self._dir = tempfile.TemporaryDirectory(prefix="kestrova-srv-")
        self.log_path = os.path.join(self._dir.name, "events.jsonl")
        config = {
            "log": self.log_path,
            "lifetime": lifetime,
            "routes": routes or {},
            "default": default,
            "tls": tls,
            "on_accept": on_accept,
        }
        self.scheme = "https" if tls else "http"
        config_path = os.path.join(self._dir.name, "config.json")
        with open(config_path, "w", encoding="utf-8") as out:
            json.dump(config, out)
        self._proc = subprocess.Popen(
            [sys.executable, str(SERVER_SCRIPT), config_path],
            stdin=subprocess.PIPE,
            stdout=subprocess.PIPE,
        )
        ready, _, _ = select.select([self._proc.stdout], [], [], 20)
        line = self._proc.stdout.readline() if ready else b""
        if not line.strip():
            self.stop()
            raise RuntimeError("test server did not report its port")
        self.port = int(line)

    def base_url(self, route="", host="127.0.0.1"):
        """A base URL whose requests land on `route`."""
        suffix = f"/{route}" if route else ""
        return f"{self.scheme}://{host}:{self.port}{suffix}"

    def url(self, route="", host="127.0.0.1"):
        """The endpoint URL the client builds from base_url(route)."""
        return self.base_url(route, host) + "/v1/simulate"

    def events(self, kind=None):
        try:
            with open(self.log_path, encoding="utf-8") as log:
                events = [json.loads(line) for line in log if line.endswith("\n")]
        except FileNotFoundError:
            return []
        return [e for e in events if kind is None or e["event"] == kind]

    def requests(self, route=None):
        return [
            Request(e) for e in self.events("request") if route is None or e["route"] == route
        ]

    def mark(self):
        """A position in the event log, for requests_since/connections_since."""
        return len(self.events())

    def requests_since(self, mark):
        return [Request(e) for e in self.events()[mark:] if e["event"] == "request"]

    def connections_since(self, mark):
        return [e["conn"] for e in self.events()[mark:] if e["event"] == "accept"]

    def connections(self):
        return [e["conn"] for e in self.events("accept")]

    def wait_for(self, predicate, timeout=3.0):
        """Polls the event log until predicate(self) holds; returns its last value."""
        end = time.monotonic() + timeout
        while True:
            value = predicate(self)
            if value or time.monotonic() > end:
                return value
            time.sleep(0.02)

    def stop(self):
        if self._proc.poll() is None:
            self._proc.stdin.close()
            try:
                self._proc.wait(5)
            except subprocess.TimeoutExpired:
                self._proc.kill()
                self._proc.wait()
        self._proc.stdout.close()
        self._dir.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def free_port():
    """A loopback port where nothing listens (closed right after the kernel chose it)."""
    import socket

    with socket.socket() as sock:
        sock.bind(("127.0.0.1", 0))
        return sock.getsockname()[1]
