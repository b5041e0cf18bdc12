"""HTTP/1.1 server on raw sockets where the bytes on the wire are chosen by the test.

Run as a process of its own: ``python raw_http_server.py CONFIG_PATH`` (a JSON file). It binds
127.0.0.1 on a free port, prints that port as the first line of stdout, appends one JSON line
per event (accepted connection, TLS handshake, request) to ``config["log"]``, and exits by itself
after ``config["lifetime"]`` seconds or as soon as its stdin is closed.

Config members:
  log        path of the event log (JSON lines)
  lifetime   seconds before the process exits on its own
  tls        optional {"cert": chain path, "key": key path}; every connection is TLS
  on_accept  optional "stall" | "close" | "reset": what to do right after accepting, before any
             TLS handshake or request reading
  routes     {route: behaviour or [behaviour, ...]}; the route is the first segment of the
             request path ("" for a path that begins with "//"). With a list, the n-th request on
             the route uses entry n (the last entry repeats).
  default    behaviour for routes not listed (otherwise 404)

Behaviour members (all optional):
  head_delay      seconds to wait before the answer starts
  action          "respond" (default) | "close" | "reset" | "stall" | "raw"
  raw_b64         bytes sent verbatim for action "raw", after which the connection closes
  status, reason  status line (reason defaults to "OK")
  headers         [[name, value], ...] sent as given
  body_b64 / body answer body (base64, or text sent as UTF-8)
  framing         "length" (default) | "chunked" | "close"
  body_delay      seconds between the head and the body
  body_sent       send only this many body bytes, then do "after" ("stall" | "reset" | "close")
  endless_body    stream body bytes slowly until the client goes away
  endless_headers stream header lines slowly and never end the head
  redirects       answer the first n hops with 302 to "/<route>/hop/<k+1>", then the behaviour
  redirect_loop   always answer 302 to the same path
  close_after     close the connection right after a complete answer (keep-alive not honoured)
"""

import base64
import json
import os
import socket
import ssl
import sys
import threading
import time

STREAM_CHUNK = 16 * 1024
STREAM_PAUSE = 0.02
MAX_HEAD = 1 << 20


class Log:
    def __init__(self, path):
        self._file = open(path, "a", encoding="utf-8")
        self._lock = threading.Lock()

    def write(self, **event):
        event["time"] = time.monotonic()
        line = json.dumps(event)
        with self._lock:
            self._file.write(line + "\n")
            self._file.flush()


class Server:
    def __init__(self, config):
        self.config = config
        self.log = Log(config["log"])
        self.deadline = time.monotonic() + config.get("lifetime", 60)
        self.routes = config.get("routes", {})
        self.default = config.get("default") or {"status": 404, "reason": "Not Found"}
        self.counts = {}
        self.count_lock = threading.Lock()
        self.conn_ids = iter(range(1, 1 << 30))
        self.tls = None
        if config.get("tls"):
            ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
            ctx.load_cert_chain(config["tls"]["cert"], config["tls"]["key"])
            # Offering h2 lets the test see whether the client asked for any protocol at all.
            ctx.set_alpn_protocols(["h2", "http/1.1"])
            ctx.sni_callback = self._record_sni
            self.tls = ctx
        self.sni = {}

    def _record_sni(self, sslobj, server_name, _ctx):
        self.sni[id(sslobj)] = server_name

    def remaining(self):
        return max(0.0, self.deadline - time.monotonic())

    def sleep(self, seconds):
        time.sleep(min(seconds, self.remaining()))

    def behaviour_for(self, route):
        with self.count_lock:
            index = self.counts.get(route, 0)
            self.counts[route] = index + 1
        spec = self.routes.get(route, self.default)
        if isinstance(spec, list):
            spec = spec[min(index, len(spec) - 1)]
        return index, spec

    def serve(self):
        listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        listener.bind(("127.0.0.1", 0))
        listener.listen(64)
        listener.settimeout(0.2)
        sys.stdout.write(f"{listener.getsockname()[1]}\n")
        sys.stdout.flush()
        while self.remaining() > 0:
            try:
                sock, _ = listener.accept()
            except socket.timeout:
                continue
            conn = next(self.conn_ids)
            self.log.write(event="accept", conn=conn)
            threading.Thread(target=self.handle, args=(sock, conn), daemon=True).start()

    def handle(self, sock, conn):
        try:
            sock.settimeout(max(0.1, self.remaining()))
            on_accept = self.config.get("on_accept")
            if on_accept == "stall":
                self.sleep(self.remaining())
                return
            if on_accept == "close":
                return
            if on_accept == "reset":
                reset(sock)
                return
            if self.tls is not None:
                tls_sock = self.handshake(sock, conn)
                if tls_sock is None:
                    return
                sock = tls_sock
            buffer = b""
            while True:
                request, buffer = read_request(sock, buffer)
                if request is None:
                    return
                if not self.answer(sock, conn, request):
                    return
        except OSError:
            pass
        finally:
            try:
                sock.close()
            except OSError:
                pass

    def handshake(self, sock, conn):
        try:
            tls_sock = self.tls.wrap_socket(sock, server_side=True)
        except (ssl.SSLError, OSError) as exc:
            self.log.write(event="tls", conn=conn, ok=False, error=str(exc))
            return None
        self.log.write(
            event="tls",
            conn=conn,
            ok=True,
            sni=self.sni.get(id(tls_sock)),
            alpn=tls_sock.selected_alpn_protocol(),
            version=tls_sock.version(),
        )
        return tls_sock

    def answer(self, sock, conn, request):
        """Sends the chosen answer; returns whether the connection stays usable."""
        raw, target = request
        path = target.split(b"?", 1)[0].split(b"#", 1)[0]
        segments = path.split(b"/")
        route = segments[1].decode("latin-1") if len(segments) > 1 else ""
        index, spec = self.behaviour_for(route)
        self.log.write(
            event="request",
            conn=conn,
            route=route,
            index=index,
            raw_b64=base64.b64encode(raw).decode("ascii"),
        )
        self.sleep(spec.get("head_delay", 0))
        action = spec.get("action", "respond")
        if action == "close":
            return False
        if action == "reset":
            reset(sock)
            return False
        if action == "stall":
            self.sleep(self.remaining())
            return False
        if action == "raw":
            sock.sendall(base64.b64decode(spec["raw_b64"]))
            return False
        if spec.get("redirect_loop"):
            sock.sendall(redirect_head(path))
            return True
        hops = spec.get("redirects", 0)
        if hops:
            hop = 0
            if len(segments) > 3 and segments[2] == b"hop":
                hop = int(segments[3])
            if hop < hops:
                location = f"/{route}/hop/{hop + 1}/v1/simulate".encode("latin-1")
                sock.sendall(redirect_head(location))
                return True
        if spec.get("endless_headers"):
            self.stream_headers(sock)
            return False
        return self.respond(sock, spec)

    def respond(self, sock, spec):
        status = spec.get("status", 200)
        reason = spec.get("reason", "OK")
        if "body_b64" in spec:
            body = base64.b64decode(spec["body_b64"])
        else:
            body = spec.get("body", "").encode("utf-8")
        framing = spec.get("framing", "length")
        endless = spec.get("endless_body", False)
        head = [f"HTTP/1.1 {status} {reason}".encode("latin-1")]
        for name, value in spec.get("headers", []):
            head.append(name.encode("latin-1") + b": " + value.encode("latin-1"))
        if framing == "length" and not endless:
            head.append(b"content-length: " + str(len(body)).encode())
        elif framing == "chunked":
            head.append(b"transfer-encoding: chunked")
        else:
            head.append(b"connection: close")
        sock.sendall(b"\r\n".join(head) + b"\r\n\r\n")
        self.sleep(spec.get("body_delay", 0))
        if endless:
            self.stream_body(sock, framing == "chunked")
            return False
        sent = spec.get("body_sent")
        if sent is not None:
            sock.sendall(frame(body[:sent], framing, final=False))
            after = spec.get("after", "stall")
            if after == "stall":
                self.sleep(self.remaining())
            elif after == "reset":
                reset(sock)
            return False
        sock.sendall(frame(body, framing, final=True))
        closing = any(
            name.lower() == "connection" and value.lower() == "close"
            for name, value in spec.get("headers", [])
        )
        return framing != "close" and not closing and not spec.get("close_after", False)

    def stream_body(self, sock, chunked):
        chunk = b"x" * STREAM_CHUNK
        data = frame(chunk, "chunked", final=False) if chunked else chunk
        while self.remaining() > 0:
            sock.sendall(data)
            time.sleep(STREAM_PAUSE)

    def stream_headers(self, sock):
        sock.sendall(b"HTTP/1.1 200 OK\r\n")
        number = 0
        while self.remaining() > 0:
            number += 1
            sock.sendall(f"x-pad-{number}: {'a' * 1000}\r\n".encode())
            time.sleep(STREAM_PAUSE)


def frame(data, framing, final):
    if framing != "chunked":
        return data
    out = f"{len(data):x}\r\n".encode() + data + b"\r\n" if data else b""
    return out + (b"0\r\n\r\n" if final else b"")


def redirect_head(location):
    return b"HTTP/1.1 302 Found\r\nlocation: " + location + b"\r\ncontent-length: 0\r\n\r\n"


def reset(sock):
    # A zero linger time turns close() into a TCP reset.
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
    sock.close()


def read_request(sock, buffer):
    """Reads one request; returns ((raw bytes, request target), rest) or (None, rest)."""
    while b"\r\n\r\n" not in buffer:
        if len(buffer) > MAX_HEAD:
            return None, buffer
        data = sock.recv(65536)
        if not data:
            return None, buffer
        buffer += data
    head_end = buffer.index(b"\r\n\r\n") + 4
    head = buffer[:head_end]
    lines = head.split(b"\r\n")
    parts = lines[0].split(b" ")
    target = parts[1] if len(parts) > 1 else b""
    length = 0
    chunked = False
    for line in lines[1:]:
        name, _, value = line.partition(b":")
        if name.strip().lower() == b"content-length":
            length = int(value.strip())
        elif name.strip().lower() == b"transfer-encoding" and b"chunked" in value.lower():
            chunked = True
    rest = buffer[head_end:]
    if chunked:
        while not rest.endswith(b"0\r\n\r\n"):
            data = sock.recv(65536)
            if not data:
                return None, b""
            rest += data
        return (head + rest, target), b""
    while len(rest) < length:
        data = sock.recv(65536)
        if not data:
            return None, b""
        rest += data
    return (head + rest[:length], target), rest[length:]


def exit_when_stdin_closes():
    try:
        while sys.stdin.buffer.read(1024):
            pass
    finally:
        os._exit(0)


def main():
    with open(sys.argv[1], encoding="utf-8") as config_file:
        config = json.load(config_file)
    threading.Thread(target=exit_when_stdin_closes, daemon=True).start()
    try:
        Server(config).serve()
    finally:
        os._exit(0)


if __name__ == "__main__":
    main()
