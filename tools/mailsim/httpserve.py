"""mailsim's web listener: a small HTTP/1.0 server with switchable faults.

Each connection carries one request and is closed after the reply, as the
service's own server does. Faults (see README.md) act on the requests of the
kinds named in the fault switch "on"; redirected requests arrive below
"/hop/N/" and are never faulted again.
"""

import re
import socket
import socketserver
import ssl

import webapi

_HEADER_LIMIT = 65536
_BODY_LIMIT = 16 * 1024 * 1024
_HOP = re.compile(r"/hop/(\d+)(/.*)\Z", re.S)

_REASONS = {200: "OK", 301: "Moved Permanently", 302: "Found", 400: "Bad Request",
            404: "Not Found", 405: "Method Not Allowed", 500: "Internal Server Error",
            503: "Service Unavailable"}


class BadRequest(Exception):
    pass


def read_request(conn):
    """Reads one request from a socket: (method, path, version, headers, body)."""
    data = b""
    while True:
        end = data.find(b"\r\n\r\n")
        cut = 4
        if end < 0:
            end = data.find(b"\n\n")
            cut = 2
        if end >= 0:
            break
        if len(data) > _HEADER_LIMIT:
            raise BadRequest("header too long")
        piece = conn.recv(4096)
        if not piece:
            raise BadRequest("connection closed inside the header")
        data += piece
    head = data[:end].decode("latin-1")
    rest = data[end + cut:]
    lines = head.replace("\r\n", "\n").split("\n")
    parts = lines[0].split(" ")
    if len(parts) != 3:
        raise BadRequest("bad request line")
    method, path, version = parts
    headers = []
    for line in lines[1:]:
        name, colon, value = line.partition(":")
        if not colon:
            raise BadRequest("bad header line")
        headers.append([name.strip(), value.strip()])
    found = {k.lower(): v for k, v in headers}
    length = 0
    if "content-length" in found:
        try:
            length = int(found["content-length"])
        except ValueError:
            raise BadRequest("bad Content-Length")
        if length < 0 or length > _BODY_LIMIT:
            raise BadRequest("bad Content-Length")
    if found.get("expect", "").lower() == "100-continue" and len(rest) < length:
        conn.sendall(b"HTTP/1.1 100 Continue\r\n\r\n")
    while len(rest) < length:
        piece = conn.recv(65536)
        if not piece:
            raise BadRequest("connection closed inside the body")
        rest += piece
    return method, path, version, headers, rest[:length]


def response(status, body, extra=()):
    head = "HTTP/1.0 %d %s\r\n" % (status, _REASONS.get(status, "Status"))
    for line in extra:
        head += line + "\r\n"
    head += "Content-Type: application/json; charset=utf-8\r\n"
    head += "Content-Length: %d\r\nConnection: close\r\n\r\n" % len(body)
    return head.encode("latin-1"), body


def unbalance(body):
    """The reply cut before its final closing brace, as an interrupted download."""
    end = body.rfind(b"}")
    return body[:end] + body[end + 1:] if end >= 0 else body + b"{"


class WebHandler(socketserver.BaseRequestHandler):
    def handle(self):
        state = self.server.state
        self.conn = self.request
        self.conn.settimeout(30)
        try:
            if self.server.tls is not None:
                self.conn = self.server.tls.wrap_socket(self.conn, server_side=True)
            method, path, version, headers, body = read_request(self.conn)
        except (BadRequest, OSError, ssl.SSLError) as e:
            state.record({"listener": self.server.name, "error": str(e)})
            return
        config = state.snapshot()
        entry = {"listener": self.server.name, "method": method, "path": path,
                 "version": version, "headers": headers,
                 "body": body.decode("utf-8", "replace")}
        hop = _HOP.match(path)
        target = hop.group(2) if hop else path
        share = None
        try:
            share = webapi.parse_body(body).get("share")
        except webapi.Refusal:
            pass
        kind = webapi.request_kind(target, config["server_type"], share)
        entry["kind"] = kind
        faults = {}
        if kind is not None and hop is None:
            faults = state.take_faults(kind)
        entry["faults"] = sorted(faults)

        if faults.get("drop"):
            state.record(entry)
            return
        if faults.get("silent"):
            state.record(entry)
            self._hold()
            return
        if hop is not None and int(hop.group(1)) > 0:
            entry["status"] = 301
            state.record(entry)
            self._redirect(301, int(hop.group(1)) - 1, target, headers)
            return
        if faults.get("redirect301", 0) > 0:
            entry["status"] = 301
            state.record(entry)
            self._redirect(301, faults["redirect301"] - 1, target, headers)
            return
        if faults.get("redirect302"):
            entry["status"] = 302
            state.record(entry)
            self._redirect(302, 0, target, headers)
            return

        status, reply = self._reply(method, kind, body, config, faults)
        entry["status"] = status
        if isinstance(reply, dict):
            entry["ret"] = reply["ret"]
            reply = webapi.render(reply, config).encode("utf-8")
        if "body" in faults:
            reply = faults["body"].encode("utf-8")
        if faults.get("unbalanced"):
            reply = unbalance(reply)
        reply = (faults.get("noise_before", "").encode("utf-8") + reply
                 + faults.get("noise_after", "").encode("utf-8"))
        state.record(entry)
        if faults.get("delay"):
            if self._sleep(faults["delay"]):
                return
        head, reply = response(faults.get("status", status), reply)
        if faults.get("pause"):
            at = faults.get("pause_at", len(reply) // 2)
            self.conn.sendall(head + reply[:at])
            if self._sleep(faults["pause"]):
                return
            self.conn.sendall(reply[at:])
        else:
            self.conn.sendall(head + reply)

    def _reply(self, method, kind, body, config, faults):
        if kind is None:
            return 404, b'{"error":"not found"}'
        if method != "POST":
            return 405, b'{"error":"POST only"}'
        reply = webapi.answer(kind, body, self.server.state, config["server_type"])
        if "ret" in faults:
            reply = {"ret": faults["ret"], "msg": faults.get("msg", "服务器错误"), "data": {}}
        return 200, reply

    def _redirect(self, status, hops, target, headers):
        # Back to the name the client used for this server, without its port.
        host = "127.0.0.1"
        for name, value in headers:
            if name.lower() == "host" and value and not value.startswith("["):
                host = value.split(":", 1)[0]
        scheme = "https" if self.server.tls is not None else "http"
        location = "%s://%s:%d/hop/%d%s" % (scheme, host, self.server.server_address[1],
                                            hops, target)
        head, body = response(status, b'{"moved":true}', ["Location: " + location])
        self.conn.sendall(head + body)

    def _sleep(self, seconds):
        """Waits, returning True when mailsim is stopping meanwhile."""
        return self.server.state.stop.wait(seconds)

    def _hold(self):
        # Keep the connection open without a word until the peer gives up.
        self.conn.settimeout(0.2)
        while not self.server.state.stop.is_set():
            try:
                if not self.conn.recv(4096):
                    return
            except socket.timeout:
                continue
            except OSError:
                return

    def finish(self):
        try:
            if self.conn is not self.request:
                self.conn.settimeout(1)
                self.conn.unwrap()
        except (OSError, ValueError):
            pass
        try:
            self.conn.close()
        except OSError:
            pass

