"""Hosted evaluation round trip against a keep-alive loopback server, side by side with Python's
http.client sending the same request over a kept-alive connection. The server runs in a child
process (evaluate keeps the interpreter lock while it waits) and answers every request with
200 and a 1 KB body. Prints the median time per round trip of each and their ratio; run with the
built module on PYTHONPATH (or the installed one)."""

import http.client
import json
import math
import statistics
import subprocess
import sys
import time

import kestrova

SCENARIO = json.dumps(
    {
        "version": "1.0",
        "metadata": {"name": "bench"},
        "time": {"type": "discrete", "horizon": 3},
        "resources": {"cash": {"initial": 10, "min": 0}},
        "variables": {
            "x": {"type": "int", "initial": 0, "min": 0, "max": 5, "discretization": 1}
        },
        "actions": [
            {"name": "inc", "cost": {"cash": 1}, "effects": {"x": {"op": "add", "value": 1}}}
        ],
        "transitions": [],
        "constraints": [],
        "goal": {
            "type": "threshold",
            "conditions": [{"variable": "x", "operator": "gte", "value": 3}],
        },
    }
)

# A keep-alive server: one thread per connection, the same 1 KB answer to every request. It
# prints its port, and ends when its stdin closes or after two minutes, whichever comes first.
SERVER = r"""
import socket, sys, threading, time
BODY = b"r" * 1024
ANSWER = (b"HTTP/1.1 200 OK\r\ncontent-type: application/json\r\ncontent-length: 1024\r\n\r\n"
          + BODY)

def serve(conn):
    conn.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    buffer = b""
    with conn:
        while True:
            end = buffer.find(b"\r\n\r\n")
            if end < 0:
                chunk = conn.recv(65536)
                if not chunk:
                    return
                buffer += chunk
                continue
            head = buffer[:end].lower()
            length = 0
            at = head.find(b"\r\ncontent-length:")
            if at >= 0:
                length = int(head[at + 17:].split(b"\r\n", 1)[0])
            while len(buffer) < end + 4 + length:
                chunk = conn.recv(65536)
                if not chunk:
                    return
                buffer += chunk
            buffer = buffer[end + 4 + length:]
            conn.sendall(ANSWER)

listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(16)
listener.settimeout(0.2)
print(listener.getsockname()[1], flush=True)
stop = threading.Event()
threading.Thread(target=lambda: (sys.stdin.read(), stop.set()), daemon=True).start()
deadline = time.monotonic() + 120
while not stop.is_set() and time.monotonic() < deadline:
    try:
        conn, _ = listener.accept()
    except socket.timeout:
        continue
    conn.settimeout(10)
    threading.Thread(target=serve, args=(conn,), daemon=True).start()
"""


def http_client_call(connection, budget):
    # The same document and headers as evaluate sends; the scenario is re-encoded every call
    # as evaluate does.
    document = json.dumps(
        {
            "budget": budget if math.isfinite(budget) else None,
            "capability": "lite",
            "schema": json.loads(SCENARIO),
        },
        separators=(",", ":"),
        sort_keys=True,
    )
    connection.request(
        "POST",
        "/v1/simulate",
        body=document.encode(),
        headers={
            "content-type": "application/json",
            "x-kestrova-version": "0.3.2",
            "x-kestrova-key": "bench",
            "accept": "*/*",
        },
    )
    response = connection.getresponse()
    if response.status != 200:
        raise RuntimeError(f"status {response.status}")
    return response.read().decode("utf-8")


def main():
    server = subprocess.Popen(
        [sys.executable, "-c", SERVER], stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True
    )
    try:
        port = int(server.stdout.readline())
        session = kestrova.KestrovaSession(
            SCENARIO, api_key="bench", base_url=f"http://127.0.0.1:{port}"
        )
        connection = http.client.HTTPConnection("127.0.0.1", port, timeout=10)
        ours = lambda: session.evaluate(40.0)  # noqa: E731
        theirs = lambda: http_client_call(connection, 40.0)  # noqa: E731
        assert ours() == theirs() == "r" * 1024

        number, rounds = 200, 15
        samples = {"evaluate": [], "http.client": [], "ratio": []}
        for _ in range(rounds):
            # Interleaved so both see the same machine load.
            times = {}
            for name, call in (("evaluate", ours), ("http.client", theirs)):
                start = time.perf_counter()
                for _ in range(number):
                    call()
                times[name] = (time.perf_counter() - start) / number
                samples[name].append(times[name])
            samples["ratio"].append(times["evaluate"] / times["http.client"])
        connection.close()
        del session

        ours_median = statistics.median(samples["evaluate"])
        theirs_median = statistics.median(samples["http.client"])
        print(
            "hosted evaluate round trip, keep-alive loopback, 1 KB answer "
            f"({rounds} rounds x {number} calls)"
        )
        print(f"  evaluate     median {ours_median * 1e6:8.1f} us")
        print(f"  http.client  median {theirs_median * 1e6:8.1f} us")
        print(
            f"  ratio evaluate/http.client: median {statistics.median(samples['ratio']):.3f} "
            "(target <= 1.0)"
        )
    finally:
        server.stdin.close()
        server.wait(timeout=10)


if __name__ == "__main__":
    main()
