#!/usr/bin/env python3
"""Loopback servers for the HTTP tests: a scriptable HTTP server and tinyproxy in front of it.

  http_server.py start --state-dir DIR   start both in the background, return once they listen
  http_server.py stop  --state-dir DIR   stop them
  http_server.py serve --state-dir DIR   run in the foreground (what `start` runs)

`start` writes DIR/ports.txt ("http=N", "proxy=N", "pid=N" lines); the HTTPS listeners of
tls_servers.py, answering as the HTTP server does, write DIR/tls_ports.txt. The servers listen on
127.0.0.1 only and end by themselves: on `stop`, on GET /__shutdown, when the process that ran
`start` (CTest; or the process --watch-pid names) is gone, or after --lifetime seconds.

The first path segment chooses the answer; the query string tunes it:
  /ok/..?body=T               200 with body T (default "hello")
  /status/..?code=N&body=T    status N
  /auth/..?user=U&pass=P&realm=R  401 with a Basic challenge unless the request carries U:P;
                              scheme=S challenges with S alone (NTLM, Negotiate); code=407 as a
                              proxy asks (Proxy-Authenticate, Proxy-Authorization)
  /slow/..?chunks=N&size=S&delay=D&text=T   N pieces of S bytes (T repeated if given), D seconds apart
  /stall/..?first=S&hold=H    S bytes of a longer body, then silence for H seconds
  /drop/..?first=S&total=T    announces T bytes, sends S, closes the connection
  /chunked/..?chunks=N&size=S chunked transfer coding; chunks=-1 never ends; bogus=1: a chunk
                              size that is no number after the first chunk
  /big/..?mb=N                N MiB of a 64-byte pattern (byte i is PATTERN[i % 64])
  /zero/..                    "before", a zero byte, "after"
  /longheader/..?len=N        response header lines of N characters in all
  /headers/..?count=N&name=H  N response header lines "H: value-i" (Set-Cookie by default)
  /redirect/..?to=URL&code=C  redirect (302 by default); to=self: to the request's own
                              address; pad=N: N more characters "z" at the end of the address;
                              hops=N: N redirects in a row (to itself, hops=N-1), the last to URL
  /echo/..                    the request line, headers and body as the response body
  /late/..?hold=H             waits H seconds before it answers at all
  /trickle/..?every=S&total=N announces N bytes (default 100000) and sends one every S seconds
  /status/..?retry=V          any status answer with "Retry-After: V"
  /favicon.ico                the file DIR/docs/favicon.ico, as /docs/favicon.ico
  /docs/NAME?close=1          200 with the file DIR/docs/NAME, written by the tests (404 if missing);
                              with close=1 the connection is not kept alive; the header lines of
                              a file beside it named as NAME with the extension ".headers" are
                              sent too (a Content-Type there replaces the default one)
  /feed/NAME?enc=E&chunked=1  the file DIR/docs/NAME with an ETag and a Last-Modified, 304 when the
                              request's If-None-Match or If-Modified-Since still holds; the body
                              coded E: gzip, deflate (zlib-wrapped), rawdeflate, corrupt (gzip
                              with a damaged middle), bomb (65 MiB of zeros as gzip), br (unknown);
                              with delay=D in pieces of 20000 bytes, D seconds apart
  /__log?tag=T                "COUNT n" then every logged request whose path contains T
  /__sent?tag=T               the body bytes sent so far by streaming answers (trickle, chunked) to T
"""
import argparse
import base64
import email.utils
import hashlib
import os
import signal
import socket
import subprocess
import sys
import threading
import time
import zlib
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import parse_qs, urlsplit

from tls_servers import start_tls

PATTERN = b"0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ+/"
PROXY_USER = "proxyuser"
PROXY_PASS = "proxypass"
MAX_HOLD = 60.0

log_lock = threading.Lock()
request_log = []
# Body bytes written so far by the answers that stream (trickle, chunked), by request line.
body_sent = {}
stop_event = threading.Event()
docs_dir = None


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "QvTest/1.0"

    def log_message(self, fmt, *args):
        pass

    def do_GET(self):
        self.handle_any()

    def do_POST(self):
        self.handle_any()

    def do_PUT(self):
        self.handle_any()

    def do_HEAD(self):
        self.handle_any()

    def read_body(self):
        n = int(self.headers.get("Content-Length") or 0)
        return self.rfile.read(n) if n > 0 else b""

    def send_simple(self, code, body, extra=()):
        self.send_response(code)
        if not any(k.lower() == "content-type" for k, v in extra):
            self.send_header("Content-Type", "text/plain")
        self.send_header("Content-Length", str(len(body)))
        for k, v in extra:
            self.send_header(k, v)
        self.end_headers()
        if self.command != "HEAD":
            self.wfile.write(body)

    def handle_any(self):
        parts = urlsplit(self.path)
        path = parts.path
        q = {k: v[-1] for k, v in parse_qs(parts.query, keep_blank_values=True).items()}
        body = self.read_body()
        if path.startswith("/__"):
            return self.control(path, q)
        raw = "%s %s %s\r\n%s\r\n" % (self.command, self.path, self.request_version,
                                      "".join("%s: %s\r\n" % kv for kv in self.headers.items()))
        with log_lock:
            request_log.append(raw)
        action = path.strip("/").split("/")[0] if path.strip("/") else "ok"
        fn = self.answer_docs if path == "/favicon.ico" else getattr(self, "answer_" + action, None)
        if fn is None:
            return self.send_simple(404, b"no such action")
        try:
            fn(q, body, raw)
        except (BrokenPipeError, ConnectionResetError):
            self.close_connection = True

    def control(self, path, q):
        if path == "/__log":
            tag = q.get("tag", "")
            with log_lock:
                hits = [r for r in request_log if tag in r.split("\r\n", 1)[0]]
            text = "COUNT %d\r\n" % len(hits) + "".join("REQUEST " + r for r in hits)
            return self.send_simple(200, text.encode("latin-1", "replace"))
        if path == "/__sent":
            tag = q.get("tag", "")
            with log_lock:
                total = sum(n for line, n in body_sent.items() if tag in line)
            return self.send_simple(200, b"%d" % total)
        if path == "/__shutdown":
            self.send_simple(200, b"bye")
            stop_event.set()
            return
        self.send_simple(404, b"unknown control")

    def answer_docs(self, q, body, raw):
        name = urlsplit(self.path).path.strip("/").split("/", 1)[-1]
        path = os.path.join(docs_dir or "", os.path.basename(name))
        try:
            with open(path, "rb") as f:
                data = f.read()
        except OSError:
            return self.send_simple(404, b"no such document")
        extra = [("Cache-Control", "no-cache")]
        try:
            with open(os.path.splitext(path)[0] + ".headers", "rb") as f:
                lines = f.read().decode("latin-1").splitlines()
            extra += [tuple(x.strip() for x in l.split(":", 1)) for l in lines if ":" in l]
        except OSError:
            pass
        if q.get("close"):
            # No kept-alive connection: the next request opens its own (through a proxy, say).
            extra.append(("Connection", "close"))
            self.close_connection = True
        self.send_simple(200, data, extra)

    def answer_feed(self, q, body, raw):
        path = os.path.join(docs_dir or "", os.path.basename(urlsplit(self.path).path.rstrip("/")))
        try:
            with open(path, "rb") as f:
                data = f.read()
            mtime = int(os.stat(path).st_mtime)
        except OSError:
            return self.send_simple(404, b"no such document")
        etag = '"%s"' % hashlib.sha1(data).hexdigest()[:16]
        validators = [("ETag", etag), ("Last-Modified", email.utils.formatdate(mtime, usegmt=True))]
        since = self.headers.get("If-Modified-Since")
        match = self.headers.get("If-None-Match")
        if match is not None and match == etag or match is None and since and \
                email.utils.parsedate_to_datetime(since).timestamp() >= mtime:
            self.send_response(304)
            for k, v in validators:
                self.send_header(k, v)
            return self.end_headers()
        enc = q.get("enc", "")
        if enc == "bomb":
            enc, data = "gzip", b"\0" * (65 << 20)
        coder = {"gzip": lambda d: zlib.compressobj(wbits=31), "corrupt": lambda d: zlib.compressobj(wbits=31),
                 "deflate": lambda d: zlib.compressobj(wbits=15), "rawdeflate": lambda d: zlib.compressobj(wbits=-15)}
        if enc in coder:
            c = coder[enc](data)
            data = c.compress(data) + c.flush()
            if enc == "corrupt":
                data = data[:10] + bytes(b ^ 0x5A for b in data[10:-8]) + data[-8:]
        name = {"corrupt": "gzip", "rawdeflate": "deflate"}.get(enc, enc)
        self.send_response(200)
        for k, v in validators + ([("Content-Encoding", name)] if name else []):
            self.send_header(k, v)
        if q.get("chunked"):
            self.send_header("Transfer-Encoding", "chunked")
            self.end_headers()
            for at in range(0, len(data), 1000):
                self.wfile.write(b"%x\r\n" % len(data[at:at + 1000]) + data[at:at + 1000] + b"\r\n")
            return self.wfile.write(b"0\r\n\r\n")
        self.send_header("Content-Length", str(len(data)))
        self.end_headers()
        delay = min(float(q.get("delay", "0")), MAX_HOLD)
        for at in range(0, len(data), 20000 if delay else max(len(data), 1)):
            if at and stop_event.wait(delay):
                break
            self.wfile.write(data[at:at + 20000] if delay else data)
            self.wfile.flush()

    def answer_ok(self, q, body, raw):
        self.send_simple(200, q.get("body", "hello").encode("latin-1"))

    def answer_status(self, q, body, raw):
        code = int(q.get("code", "200"))
        extra = [("Retry-After", q["retry"])] if "retry" in q else []
        self.send_simple(code, q.get("body", "status %d page" % code).encode("latin-1"), extra)

    def answer_auth(self, q, body, raw):
        want = "Basic " + base64.b64encode(("%s:%s" % (q.get("user", "u"), q.get("pass", "p"))).encode()).decode()
        proxy = q.get("code") == "407"
        if self.headers.get("Proxy-Authorization" if proxy else "Authorization") == want:
            return self.send_simple(200, b"authorized")
        scheme = q.get("scheme", "Basic")
        challenge = 'Basic realm="%s"' % q.get("realm", "qv") if scheme == "Basic" else scheme
        self.send_simple(407 if proxy else 401, b"denied",
                         [("Proxy-Authenticate" if proxy else "WWW-Authenticate", challenge)])

    def answer_slow(self, q, body, raw):
        chunks, size = int(q.get("chunks", "5")), int(q.get("size", "100"))
        delay = min(float(q.get("delay", "0.1")), MAX_HOLD)
        self.send_response(200)
        self.send_header("Content-Length", str(chunks * size))
        self.end_headers()
        fill = q.get("text", "").encode("latin-1")
        for i in range(chunks):
            self.wfile.write((fill * (size // len(fill) + 1))[:size] if fill else bytes([PATTERN[i % 64]]) * size)
            self.wfile.flush()
            if i + 1 < chunks:
                time.sleep(delay)

    def answer_stall(self, q, body, raw):
        first, hold = int(q.get("first", "1000")), min(float(q.get("hold", "30")), MAX_HOLD)
        self.send_response(200)
        self.send_header("Content-Length", str(first + 100000))
        self.end_headers()
        self.wfile.write(b"s" * first)
        self.wfile.flush()
        stop_event.wait(hold)
        self.close_connection = True

    def answer_drop(self, q, body, raw):
        first, total = int(q.get("first", "5000")), int(q.get("total", "100000"))
        self.send_response(200)
        self.send_header("Content-Length", str(total))
        self.end_headers()
        self.wfile.write(b"d" * first)
        self.wfile.flush()
        self.close_connection = True
        try:
            self.connection.shutdown(socket.SHUT_RDWR)
        except OSError:
            pass

    def answer_chunked(self, q, body, raw):
        chunks, size = int(q.get("chunks", "4")), int(q.get("size", "1000"))
        self.send_response(200)
        self.send_header("Transfer-Encoding", "chunked")
        self.end_headers()
        i = 0
        while (i < chunks or chunks < 0) and not stop_event.is_set():
            data = bytes([PATTERN[i % 64]]) * size
            if i == 1 and q.get("bogus"):
                self.wfile.write(b"zz\r\n" + data)
                self.close_connection = True
                return
            self.wfile.write(b"%x\r\n" % len(data) + data + b"\r\n")
            self.wfile.flush()
            self.count_sent(len(data))
            i += 1
        self.wfile.write(b"0\r\n\r\n")

    def answer_big(self, q, body, raw):
        total = int(float(q.get("mb", "20")) * 1048576)
        block = PATTERN * 1024
        self.send_response(200)
        self.send_header("Content-Length", str(total))
        self.end_headers()
        sent = 0
        while sent < total:
            n = min(len(block), total - sent)
            self.wfile.write(block[:n])
            sent += n

    def answer_zero(self, q, body, raw):
        self.send_simple(200, b"before\0after")

    def answer_longheader(self, q, body, raw):
        # Several lines of at most 1000 characters: WinInet cuts single lines that are very long.
        total = int(q.get("len", "9000"))
        lines = [("X-Long-%d" % i, "x" * min(1000, total - i * 1000)) for i in range((total + 999) // 1000)]
        self.send_simple(200, b"long header", lines)

    def answer_headers(self, q, body, raw):
        name, count = q.get("name", "Set-Cookie"), int(q.get("count", "10000"))
        value = "c%d=v; Path=/" if name.lower() == "set-cookie" else "v%d"
        self.send_simple(200, b"many headers", [(name, value % i) for i in range(count)])

    def answer_redirect(self, q, body, raw):
        to = q.get("to", "/ok/")
        to = (self.path if to == "self" else to) + "z" * int(q.get("pad", "0"))
        hops = int(q.get("hops", "0"))
        if hops > 1:
            to = self.path.replace("hops=%d" % hops, "hops=%d" % (hops - 1))
        self.send_simple(int(q.get("code", "302")), b"moved", [("Location", to)])

    def answer_late(self, q, body, raw):
        stop_event.wait(min(float(q.get("hold", "5")), MAX_HOLD))
        self.send_simple(200, b"late")

    def answer_trickle(self, q, body, raw):
        every, total = min(float(q.get("every", "0.5")), MAX_HOLD), int(q.get("total", "100000"))
        self.send_response(200)
        self.send_header("Content-Length", str(total))
        self.end_headers()
        for _ in range(total):
            if stop_event.wait(every):
                break
            self.wfile.write(b"t")
            self.wfile.flush()
            self.count_sent(1)
        self.close_connection = True

    def count_sent(self, n):
        with log_lock:
            body_sent[self.requestline] = body_sent.get(self.requestline, 0) + n

    def answer_echo(self, q, body, raw):
        self.send_simple(200, raw.encode("latin-1", "replace") + body)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_proxy(state_dir, http_port):
    for _ in range(5):
        port = free_port()
        conf = os.path.join(state_dir, "tinyproxy.conf")
        with open(conf, "w") as f:
            f.write("Port %d\nListen 127.0.0.1\nTimeout 30\nAllow 127.0.0.1\nMaxClients 50\n"
                    "BasicAuth %s %s\nDisableViaHeader Yes\nLogLevel Info\nLogFile \"%s\"\n"
                    % (port, PROXY_USER, PROXY_PASS, os.path.join(state_dir, "tinyproxy.log")))
        proc = subprocess.Popen(["tinyproxy", "-d", "-c", conf], stdin=subprocess.DEVNULL,
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        for _ in range(50):
            if proc.poll() is not None:
                break
            try:
                with socket.create_connection(("127.0.0.1", port), timeout=0.2):
                    return proc, port
            except OSError:
                time.sleep(0.1)
        proc.kill()
        proc.wait()
    raise RuntimeError("tinyproxy did not start")


def alive(pid):
    try:
        os.kill(pid, 0)
        return True
    except ProcessLookupError:
        return False
    except PermissionError:
        return True


def serve(args):
    global docs_dir
    os.makedirs(args.state_dir, exist_ok=True)
    docs_dir = os.path.join(args.state_dir, "docs")
    os.makedirs(docs_dir, exist_ok=True)
    httpd = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
    httpd.daemon_threads = True
    http_port = httpd.server_address[1]
    proxy, proxy_port = start_proxy(args.state_dir, http_port)
    signal.signal(signal.SIGTERM, lambda *_: stop_event.set())
    threading.Thread(target=httpd.serve_forever, kwargs={"poll_interval": 0.2}, daemon=True).start()
    start_tls(args.state_dir, Handler)
    ports = os.path.join(args.state_dir, "ports.txt")
    with open(ports + ".tmp", "w") as f:
        f.write("http=%d\nproxy=%d\npid=%d\n" % (http_port, proxy_port, os.getpid()))
    os.replace(ports + ".tmp", ports)
    deadline = time.monotonic() + args.lifetime
    while not stop_event.wait(1.0):
        if time.monotonic() > deadline or (args.watch_pid and not alive(args.watch_pid)):
            break
    stop_event.set()
    httpd.shutdown()
    proxy.terminate()
    try:
        proxy.wait(timeout=5)
    except subprocess.TimeoutExpired:
        proxy.kill()
    try:
        os.remove(ports)
    except FileNotFoundError:
        pass


def read_ports(state_dir):
    values = {}
    try:
        with open(os.path.join(state_dir, "ports.txt")) as f:
            for line in f:
                k, _, v = line.strip().partition("=")
                values[k] = int(v)
    except (FileNotFoundError, ValueError):
        pass
    return values


def stop(args):
    pid = read_ports(args.state_dir).get("pid")
    if pid and alive(pid):
        os.kill(pid, signal.SIGTERM)
        for _ in range(100):
            if not alive(pid):
                break
            time.sleep(0.05)
    return 0


def start(args):
    stop(args)
    os.makedirs(args.state_dir, exist_ok=True)
    try:
        os.remove(os.path.join(args.state_dir, "ports.txt"))
    except FileNotFoundError:
        pass
    log = open(os.path.join(args.state_dir, "server.log"), "w")
    # A session of its own and no inherited streams: CTest must not wait on a pipe we hold.
    proc = subprocess.Popen([sys.executable, os.path.abspath(__file__), "serve", "--state-dir", args.state_dir,
                             "--lifetime", str(args.lifetime), "--watch-pid", str(args.watch_pid or os.getppid())],
                            stdin=subprocess.DEVNULL, stdout=log, stderr=subprocess.STDOUT,
                            start_new_session=True, close_fds=True)
    for _ in range(200):
        if read_ports(args.state_dir).get("pid") == proc.pid:
            print("test servers: %s" % open(os.path.join(args.state_dir, "ports.txt")).read().replace("\n", " "))
            return 0
        if proc.poll() is not None:
            break
        time.sleep(0.05)
    print("test servers did not start; see %s" % os.path.join(args.state_dir, "server.log"), file=sys.stderr)
    return 1


def main():
    p = argparse.ArgumentParser()
    p.add_argument("command", choices=["start", "stop", "serve"])
    p.add_argument("--state-dir", required=True)
    p.add_argument("--lifetime", type=float, default=3600.0)
    p.add_argument("--watch-pid", type=int, default=0)
    args = p.parse_args()
    if args.command == "serve":
        serve(args)
        return 0
    return start(args) if args.command == "start" else stop(args)


if __name__ == "__main__":
    sys.exit(main())
