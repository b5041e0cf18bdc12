#!/usr/bin/env python3
"""Runs a few hundred kestrova sessions under valgrind memcheck and reports what leaked.

Usage: PYTHONPATH=<dir holding kestrova.abi3.so> python scripts/valgrind_sessions.py [--rounds N]

The outer run makes a throw-away CA, starts loopback HTTP and HTTPS answer servers in their own
processes (they stop by themselves), and runs this same script with --workload under valgrind.
The workload creates and drops sessions along every road a session can take: hosted
evaluations that succeed, that fail against a closed port or a distrusted certificate, local
runs in each calculation mode, scenario replacement, and every kind of bad argument. Each round
takes one road and creates up to six sessions (the module functions' temporary ones
included); the default of 300 rounds makes about 650 sessions.

The exit status is valgrind's: non-zero when any block is definitely lost or memcheck reports an
error. Blocks kept by the interpreter itself until exit are suppressed (valgrind-python.supp).
"""

import argparse
import gc
import json
import os
import pathlib
import re
import shutil
import subprocess
import sys
import tempfile

REPO = pathlib.Path(__file__).resolve().parent.parent
SUPPRESSIONS = pathlib.Path(__file__).resolve().with_name("valgrind-python.supp")

CLIENT_ENV_VARS = (
    "HTTP_PROXY", "HTTPS_PROXY", "ALL_PROXY", "NO_PROXY",
    "http_proxy", "https_proxy", "all_proxy", "no_proxy",
    "REQUEST_METHOD", "SSL_CERT_FILE", "SSL_CERT_DIR",
)


# --- the workload (runs under valgrind) ---------------------------------------------------


def scenario(horizon=3, variables=1, high=5, budget=10, cost=1):
    names = [f"v{i}" for i in range(variables)]
    return json.dumps({
        "version": "1.0",
        "metadata": {"name": "leakcheck", "description": "s\u00e9ssion \u2014 \U0001f600"},
        "time": {"type": "discrete", "horizon": horizon},
        "resources": {"energy": {"initial": budget, "min": 0}, "cash": {"initial": 3, "min": 0}},
        "variables": {
            name: {"type": "float", "initial": 0, "min": 0, "max": high, "discretization": 1}
            for name in names
        },
        "actions": [
            {"name": f"inc_{name}", "cost": {"energy": cost},
             "preconditions": [f"{name} < {high}"],
             "effects": {name: {"op": "add", "value": 1}}}
            for name in names
        ],
        "transitions": [],
        "constraints": [{"type": "threshold", "mode": "hard", "variable": "v0",
                         "operator": "lt", "value": high / 2}],
        "goal": {"type": "threshold",
                 "conditions": [{"variable": "v0", "operator": "gte", "value": 2}]},
    })


def expect_failure(kind, prefix, call):
    try:
        call()
    except kind as error:
        if not str(error).startswith(prefix):
            raise AssertionError(f"unexpected text: {error}") from None
    else:
        raise AssertionError(f"{kind.__name__} not raised")


# The bodies the plain server answers with, by route; the session returns them decoded.
ANSWERS = {
    "ok": '{"verdict":"possible"}',
    "redirect": '{"verdict":"possible"}',
    "latin": "caf\u00e9",
    "chunked": '{"verdict":"possible"}',
}


class FloatRaises:
    def __float__(self):
        raise ValueError("no float")


def workload(args):
    import kestrova

    plain, tls, distrusted, closed = args.plain, args.tls, args.distrusted, args.closed
    small = scenario()
    variants = [
        small,
        scenario(horizon=12, variables=3, high=4, budget=6),  # exact counting
        scenario(horizon=3, variables=2, high=100, budget=6),  # Monte Carlo estimate
        scenario(cost=-1),  # negative costs
        scenario(high=-1),  # rejected: min above max
    ]
    too_wide = scenario(variables=6)
    counts = {}

    def did(name):
        counts[name] = counts.get(name, 0) + 1

    for i in range(args.rounds):
        road = i % 6
        session = None
        if road == 0:  # refused connection, over both schemes
            session = kestrova.KestrovaSession(small, "key", closed[i % 2])
            expect_failure(RuntimeError, "API Request Failed: ", session.evaluate)
            did("evaluate refused")
        elif road == 1:  # local runs and scenario replacement
            session = kestrova.KestrovaSession(variants[i % len(variants)])
            session.simulate_local(float(i % 7))
            session.update_schema(variants[(i + 1) % len(variants)])
            session.simulate_local()
            expect_failure(ValueError, "Invalid schema: ", lambda: session.update_schema("[1,"))
            session.update_schema(too_wide)
            expect_failure(ValueError, "", session.simulate_local)  # the variables cap
            did("local and update")
        elif road == 2:  # plain HTTP: pooled connection, redirects, charsets, failed answers
            for route, body in ANSWERS.items():
                session = kestrova.KestrovaSession(small, None, f"{plain}/{route}")
                if session.evaluate(2.5) != body:
                    raise AssertionError(f"unexpected answer on {route}")
                session.update_schema(variants[i % len(variants)])
                session.evaluate()  # over the kept-alive connection
            expect_failure(RuntimeError, "API Error: Status 503 Service Unavailable",
                           kestrova.KestrovaSession(small, None, plain + "/fail").evaluate)
            expect_failure(RuntimeError, "Failed to read API response: ",
                           kestrova.KestrovaSession(small, None, plain + "/cut").evaluate)
            did("evaluate answered")
        elif road == 3:  # TLS: a trusted server, then one whose certificate is not trusted
            session = kestrova.KestrovaSession(small, "k\tey", tls)
            session.evaluate()
            expect_failure(RuntimeError, "API Request Failed: ",
                           kestrova.KestrovaSession(small, None, distrusted).evaluate)
            did("evaluate over TLS")
        elif road == 4:  # module functions with their temporary sessions
            kestrova.simulate_local(variants[i % len(variants)], 3.0)
            kestrova.simulate(small, 1.0, None, plain)
            expect_failure(RuntimeError, "API Request Failed: ",
                           lambda: kestrova.simulate(small, None, "k", closed[0]))
            did("module functions")
        else:  # bad arguments and a client that cannot be built
            expect_failure(ValueError, "Invalid schema: ", lambda: kestrova.KestrovaSession("{}"))
            expect_failure(ValueError, "Invalid schema: ",
                           lambda: kestrova.KestrovaSession("\"\\ud800\""))
            expect_failure(TypeError, "", lambda: kestrova.KestrovaSession(small, 3))
            expect_failure(TypeError, "", lambda: kestrova.simulate_local(small, "x"))
            expect_failure(ValueError, "no float",
                           lambda: kestrova.simulate_local(small, FloatRaises()))
            expect_failure(TypeError, "", lambda: kestrova.KestrovaSession(small, nope=1))
            saved = os.environ.get("SSL_CERT_FILE")
            os.environ["SSL_CERT_FILE"] = "/nonexistent/bundle.pem"
            try:
                expect_failure(RuntimeError, "Failed to create HTTP client: ",
                               lambda: kestrova.KestrovaSession(small))
            finally:
                if saved is None:
                    del os.environ["SSL_CERT_FILE"]
                else:
                    os.environ["SSL_CERT_FILE"] = saved
            did("bad arguments")
        del session
        if i % 50 == 49:
            gc.collect()
    gc.collect()
    print(json.dumps(counts, sort_keys=True), flush=True)


# --- the outer run ------------------------------------------------------------------------


def start_servers(pki):
    from servers.control import ServerProcess

    answer = {"status": 200, "body": ANSWERS["ok"],
              "headers": [["Content-Type", "application/json"]]}
    routes = {
        "ok": answer,
        "redirect": dict(answer, redirects=2),
        "latin": {"status": 200, "body_b64": "Y2Fm6Q==",  # b"caf\xe9"
                  "headers": [["Content-Type", "text/plain; charset=windows-1252"]]},
        "chunked": dict(answer, framing="chunked"),
        "fail": {"status": 503, "reason": "Service Unavailable", "body": "down"},
        "cut": dict(answer, body_sent=4, after="close"),
    }
    lifetime = 1800
    return [
        ServerProcess(routes, default=answer, lifetime=lifetime),
        ServerProcess(routes, default=answer, tls=pki.server_tls("good"), lifetime=lifetime),
        ServerProcess(default=answer, tls=pki.server_tls("self-signed"), lifetime=lifetime),
    ]


SUMMARY = re.compile(r"(definitely lost|indirectly lost|possibly lost|still reachable|"
                     r"suppressed): ([\d,]+) bytes in ([\d,]+) blocks")
ERRORS = re.compile(r"ERROR SUMMARY: ([\d,]+) errors")


def records(log_text):
    """memcheck's log cut into its records (an error or a loss record each), without the
    process-id prefixes."""
    lines = [re.sub(r"^==\d+== ?", "", line) for line in log_text.splitlines()]
    return [block.strip("\n") for block in "\n".join(lines).split("\n\n") if block.strip()]


def is_ours(record):
    return "kestrova.abi3.so" in record or str(REPO) in record


MAX_SHOWN = 20


def report(log_text):
    figures = {kind: (int(size.replace(",", "")), int(blocks.replace(",", "")))
               for kind, size, blocks in SUMMARY.findall(log_text)}
    print("valgrind leak summary:")
    for kind in ("definitely lost", "indirectly lost", "possibly lost", "still reachable",
                 "suppressed"):
        size, blocks = figures.get(kind, (0, 0))
        print(f"  {kind:16} {size:>10,} bytes in {blocks:,} blocks")
    errors = ERRORS.findall(log_text)
    print(f"  memcheck errors  {errors[-1] if errors else 'unknown'}")
    # Everything that fails the run (memory errors, definite losses) and every unsuppressed
    # loss record that passes through the extension, whatever its kind.
    shown = [record for record in records(log_text)
             if re.match(r"(Invalid|Conditional jump|Use of uninitialised|Syscall param|"
                         r"Mismatched|Source and destination|Argument)", record)
             or "are definitely lost" in record
             or (" lost in loss record " in record and is_ours(record))]
    for record in shown[:MAX_SHOWN]:
        print()
        print("\n".join(record.splitlines()[:30]))
    if len(shown) > MAX_SHOWN:
        print(f"\n... and {len(shown) - MAX_SHOWN} more records (--keep-log saves the whole log)")


def outer(args):
    import kestrova  # fails early, outside valgrind, when PYTHONPATH is wrong

    if shutil.which("valgrind") is None:
        sys.exit("valgrind_sessions: valgrind is not installed (Debian: apt-get install valgrind)")

    sys.path.insert(0, str(REPO / "tests"))
    from servers import certificates
    from servers.control import free_port

    if not certificates.available():
        sys.exit("valgrind_sessions: the openssl command line tool is needed for the TLS server")
    with tempfile.TemporaryDirectory(prefix="kestrova-leakcheck-") as work:
        pki = certificates.Pki(work)
        servers = start_servers(pki)
        try:
            plain, tls, distrusted = servers
            env = {k: v for k, v in os.environ.items() if k not in CLIENT_ENV_VARS}
            env["SSL_CERT_FILE"] = pki.ca
            env["PYTHONMALLOC"] = "malloc"
            env["PYTHONPATH"] = os.pathsep.join(
                filter(None, [os.path.dirname(kestrova.__file__), env.get("PYTHONPATH")]))
            log_path = os.path.join(work, "memcheck.log")
            command = [
                "valgrind", "--tool=memcheck", "--leak-check=full",
                "--show-leak-kinds=definite,indirect,possible",
                "--errors-for-leak-kinds=definite", "--error-exitcode=1",
                "--num-callers=40", "--fullpath-after=", f"--suppressions={SUPPRESSIONS}",
                f"--log-file={log_path}",
                sys.executable, str(pathlib.Path(__file__).resolve()), "--workload",
                "--rounds", str(args.rounds),
                "--plain", plain.base_url(), "--tls", tls.base_url(host="localhost"),
                "--distrusted", distrusted.base_url(host="localhost"),
                "--closed", f"http://127.0.0.1:{free_port()}",
                f"https://127.0.0.1:{free_port()}",
            ]
            done = subprocess.run(command, env=env, timeout=args.timeout,
                                  stdout=subprocess.PIPE, text=True)
            with open(log_path, encoding="utf-8", errors="replace") as log:
                log_text = log.read()
        finally:
            for server in servers:
                server.stop()
    if args.keep_log:
        pathlib.Path(args.keep_log).write_text(log_text, encoding="utf-8")
    print(f"rounds by road: {done.stdout.strip() or 'none (the workload did not finish)'}")
    report(log_text)
    if done.returncode != 0:
        print(f"valgrind_sessions: failed (status {done.returncode})", file=sys.stderr)
    return done.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--rounds", type=int, default=300)
    parser.add_argument("--timeout", type=float, default=1500.0,
                        help="seconds before the valgrind run is abandoned")
    parser.add_argument("--keep-log", metavar="PATH", help="copy memcheck's full log here")
    parser.add_argument("--workload", action="store_true", help=argparse.SUPPRESS)
    parser.add_argument("--plain", help=argparse.SUPPRESS)
    parser.add_argument("--tls", help=argparse.SUPPRESS)
    parser.add_argument("--distrusted", help=argparse.SUPPRESS)
    parser.add_argument("--closed", nargs=2, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.workload:
        workload(args)
        return 0
    return outer(args)


if __name__ == "__main__":
    sys.exit(main())
