"""A real forward proxy (tinyproxy) on a free loopback port, with a bounded lifetime."""

import os
import shutil
import socket
import subprocess
import tempfile
import time

from servers.control import free_port

CONFIG = """Port {port}
Listen 127.0.0.1
Timeout 30
MaxClients 50
Allow 127.0.0.1
LogFile "{log}"
LogLevel Connect
"""


def available():
    return shutil.which("tinyproxy") is not None


class ForwardProxy:
    """Plain requests are forwarded with a Via header; CONNECT requests appear in the log."""

    def __init__(self, lifetime=300):
        self._dir = tempfile.TemporaryDirectory(prefix="kestrova-proxy-")
        self.log_path = os.path.join(self._dir.name, "proxy.log")
        self._proc = None
        for _ in range(5):
            self.port = free_port()
            config = os.path.join(self._dir.name, "tinyproxy.conf")
            with open(config, "w", encoding="ascii") as out:
                out.write(CONFIG.format(port=self.port, log=self.log_path))
            # `timeout` ends the proxy by itself should the test never stop it.
            self._proc = subprocess.Popen(
                ["timeout", str(lifetime), "tinyproxy", "-d", "-c", config],
                stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL,
            )
            if self._wait_listening():
                return
            self._kill()
        raise RuntimeError("tinyproxy did not start")

    def _wait_listening(self):
        end = time.monotonic() + 10
        while time.monotonic() < end and self._proc.poll() is None:
            try:
                socket.create_connection(("127.0.0.1", self.port), timeout=1).close()
                return True
            except OSError:
                time.sleep(0.05)
        return False

    @property
    def url(self):
        return f"http://127.0.0.1:{self.port}"

    def log(self):
        try:
            with open(self.log_path, encoding="utf-8", errors="replace") as log:
                return log.read()
        except FileNotFoundError:
            return ""

    def _kill(self):
        if self._proc is not None and self._proc.poll() is None:
            self._proc.terminate()
            try:
                self._proc.wait(5)
            except subprocess.TimeoutExpired:
                self._proc.kill()
                self._proc.wait()

    def stop(self):
        self._kill()
        self._dir.cleanup()

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()
