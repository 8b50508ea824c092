#!/usr/bin/env python3
"""The local update host: serves a release made by make_update_release.py over HTTP/1.1 on
127.0.0.1 and a free port, with faults chosen by leading path segments.

  update_host.py --release DIR [--bad DIR] --port-file FILE [--log FILE] [--idle SECONDS]
                 [--user U --password P] [--path-encoding utf-8|cp932]

A request /<segments>/<file>?<query> is answered from the release folder: segments that name a
fault act, the others are folders of the release (so "web/Version.xml" is the web tool's). Each
segment's bytes, percent-escapes undone, are read in the path encoding: UTF-8 by default, as most
hosts do, so raw CP932 bytes find nothing (404); "cp932" reads them as a Windows host does. A fault
may be limited to one file, "fault@name", or to every cabinet, "fault@cab":
  404        not found
  short      the file less its last byte
  nocab      as many bytes as the file, none of them a cabinet
  digest     the same-size cabinet from --bad, whose file has another digest
  drop       the full length announced, the connection closed halfway
  delayMS    answered after MS milliseconds
  slowMS     the body in pieces of 8 KB with a pause of MS milliseconds after each
  auth       a Basic challenge unless the request carries --user and --password
  ok         nothing (to give a base URL a name of its own)
Absolute-form requests ("GET http://host/path") are served the same way, so the host can be the
proxy. Every request line is appended to the log as received (raw bytes), followed by " [auth]"
when it carried credentials. The port is written to the port file once the host listens; it stops
on GET /__stop or after --idle seconds without a request."""
import argparse
import base64
import os
import pathlib
import re
import socket
import threading
import time
import urllib.parse
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

ap = argparse.ArgumentParser()
ap.add_argument("--release", required=True)
ap.add_argument("--bad")
ap.add_argument("--port-file", required=True)
ap.add_argument("--log")
ap.add_argument("--idle", type=float, default=300)
ap.add_argument("--user", default="kvuser")
ap.add_argument("--password", default="kvpass")
ap.add_argument("--path-encoding", default="utf-8", choices=["utf-8", "cp932"])
args = ap.parse_args()

release = pathlib.Path(args.release)
bad = pathlib.Path(args.bad) if args.bad else None
log_lock = threading.Lock()
last_request = time.monotonic()
FAULT = re.compile(r"^(404|short|nocab|digest|drop|auth|ok|delay(\d+)|slow(\d+))(?:@(.+))?$")


def segment(raw):
    """One segment of the request target as the host reads it, None when it cannot."""
    try:
        return urllib.parse.unquote_to_bytes(raw).decode(args.path_encoding)
    except UnicodeDecodeError:
        return None


def applies(limit, name):
    return limit is None or limit == name or (limit == "cab" and name.endswith(".cab"))


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    # Headers and body go out in two writes: without this, Nagle's algorithm holds the body back
    # until the client's delayed acknowledgement of the headers, some 40 ms a request.
    disable_nagle_algorithm = True

    def log_message(self, *a):
        pass

    def note(self):
        global last_request
        last_request = time.monotonic()
        if not args.log:
            return
        authorized = "authorization" in (k.lower() for k in self.headers.keys())
        line = self.raw_requestline.rstrip(b"\r\n")
        parts = line.split(b" ")
        target = b" ".join(parts[1:-1]) if len(parts) >= 3 else line
        with log_lock, open(args.log, "ab") as f:
            f.write(parts[0] + b" " + target + (b" [auth]" if authorized else b"") + b"\r\n")

    def send(self, status, body, length=None, close=False):
        self.send_response(status)
        self.send_header("Content-Length", str(len(body) if length is None else length))
        self.send_header("Content-Type", "application/octet-stream")
        if close:
            self.send_header("Connection", "close")
        self.end_headers()
        self.wfile.write(body)
        self.wfile.flush()

    def do_GET(self):
        self.note()
        # The target's bytes as they came (the server reads the request line as Latin-1).
        target = self.path.encode("latin-1")
        if b"://" in target:
            target = b"/" + target.split(b"://", 1)[1].split(b"/", 1)[-1]
        path = target.split(b"?", 1)[0]
        segments = [segment(s) for s in path.split(b"/") if s]
        if None in segments:
            self.send(404, b"not found")
            return
        if segments == ["__stop"]:
            self.send(200, b"bye", close=True)
            threading.Thread(target=self.server.shutdown, daemon=True).start()
            return
        faults, folders = [], []
        for s in segments[:-1]:
            m = FAULT.match(s)
            if m:
                faults.append((m.group(1), m.group(2) or m.group(3), m.group(4)))
            else:
                folders.append(s)
        name = segments[-1] if segments else ""
        active = {re.sub(r"^(delay|slow)\d+$", r"\1", kind): (ms, limit)
                  for kind, ms, limit in faults if applies(limit, name.lower())}

        if "delay" in active:
            time.sleep(int(active["delay"][0]) / 1000)
        if "auth" in active:
            expected = "Basic " + base64.b64encode(f"{args.user}:{args.password}".encode()).decode()
            if self.headers.get("Authorization") != expected:
                self.send_response(401)
                self.send_header("WWW-Authenticate", 'Basic realm="update"')
                self.send_header("Content-Length", "6")
                self.end_headers()
                self.wfile.write(b"denied")
                return
        file = release.joinpath(*folders, name)
        if "404" in active or not name or not file.is_file():
            self.send(404, b"not found")
            return
        data = file.read_bytes()
        if "digest" in active and bad is not None and (bad / name).is_file():
            data = (bad / name).read_bytes()
        if "short" in active:
            data = data[:-1]
        if "nocab" in active:
            data = b"\0" * len(data)
        if "drop" in active:
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            self.wfile.write(data[: len(data) // 2])
            self.wfile.flush()
            self.close_connection = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            return
        if "slow" in active:
            self.send_response(200)
            self.send_header("Content-Length", str(len(data)))
            self.end_headers()
            for at in range(0, len(data), 8192):
                self.wfile.write(data[at:at + 8192])
                self.wfile.flush()
                time.sleep(int(active["slow"][0]) / 1000)
            return
        self.send(200, data)


server = ThreadingHTTPServer(("127.0.0.1", 0), Handler)
server.daemon_threads = True
port_file = pathlib.Path(args.port_file)
partial = port_file.with_name(port_file.name + ".part")
partial.write_text(str(server.server_address[1]))
os.replace(partial, port_file)


def idle_watch():
    while True:
        time.sleep(1)
        if time.monotonic() - last_request > args.idle:
            server.shutdown()
            return


threading.Thread(target=idle_watch, daemon=True).start()
server.serve_forever()
