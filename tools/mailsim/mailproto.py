"""mailsim's SMTP greeting server and POP3 login server.

The SMTP side exists for the greeting, which tells the client which server
generation it talks to; after it, a few commands get harmless answers. The POP3
side checks USER and PASS against the configured accounts and answers QUIT.
"""

import socket
import socketserver
import ssl


def decode_line(raw):
    # The monitor sends its commands in the Chinese ANSI code page; other
    # clients send UTF-8.
    for encoding in ("utf-8", "gbk"):
        try:
            return raw.decode(encoding)
        except UnicodeDecodeError:
            pass
    return raw.decode("latin-1")


def same_secret(raw, password):
    """Whether the bytes sent are the password in UTF-8 or in the GBK code page."""
    forms = [password.encode("utf-8")]
    try:
        forms.append(password.encode("gbk"))
    except UnicodeEncodeError:
        pass
    return raw in forms


class LineHandler(socketserver.BaseRequestHandler):
    """A connection that speaks in lines, plain or TLS from the first byte."""

    def handle(self):
        self.state = self.server.state
        self.config = self.state.snapshot()
        self.conn = self.request
        self.conn.settimeout(0.2)
        self.buffer = b""
        self.request.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        try:
            if self.server.tls is not None:
                self.conn.settimeout(30)
                self.conn = self.server.tls.wrap_socket(self.conn, server_side=True)
                self.conn.settimeout(0.2)
            self.session()
        except (OSError, ssl.SSLError, ValueError):
            pass

    def note(self, **fields):
        entry = {"listener": self.server.name}
        entry.update(fields)
        self.state.record(entry)

    def read_line(self):
        """The next line without its line end, or None when the peer has gone."""
        while b"\n" not in self.buffer:
            if self.state.stop.is_set() or len(self.buffer) > 65536:
                return None
            try:
                piece = self.conn.recv(4096)
            except socket.timeout:
                continue
            if not piece:
                return None
            self.buffer += piece
        line, _, self.buffer = self.buffer.partition(b"\n")
        self.raw = line.rstrip(b"\r")
        return decode_line(self.raw)

    def send(self, data, chunk=0, gap_ms=0):
        if chunk <= 0:
            self.conn.sendall(data)
            return
        for i in range(0, len(data), chunk):
            self.conn.sendall(data[i:i + chunk])
            if gap_ms and i + chunk < len(data) and self.state.stop.wait(gap_ms / 1000.0):
                return


class SmtpHandler(LineHandler):
    def session(self):
        config = self.config
        if config["smtp_silent"]:
            self.note(event="connect", greeting=None)
            while True:
                line = self.read_line()
                if line is None:
                    return
                self.note(command=line)
        greeting = self.state.greeting(config)
        self.send(greeting.encode("utf-8"), config["greeting_chunk"], config["greeting_gap_ms"])
        self.note(event="connect", greeting=greeting)
        while True:
            line = self.read_line()
            if line is None:
                return
            self.note(command=line)
            verb = line.split(" ", 1)[0].upper()
            if verb == "EHLO":
                self.send(b"250-smtp.quillnet.test\r\n250 8BITMIME\r\n")
            elif verb == "HELO":
                self.send(b"250 smtp.quillnet.test\r\n")
            elif verb in ("NOOP", "RSET"):
                self.send(b"250 OK\r\n")
            elif verb == "QUIT":
                self.send(b"221 Bye\r\n")
                return
            else:
                self.send(b"502 Command not implemented\r\n")


class Pop3Handler(LineHandler):
    def reply(self, ok, text=""):
        config = self.config
        status = ("+ok" if config["pop3_lower"] else "+OK") if ok else "-ERR"
        line = status + (" " + text if text else "") + "\r\n"
        self.send(line.encode("utf-8"), config["pop3_chunk"])

    def session(self):
        config = self.config
        greeting = config["pop3_greeting"]
        if config["pop3_lower"] and greeting.startswith("+OK"):
            greeting = "+ok" + greeting[3:]
        self.send((greeting + "\r\n").encode("utf-8"), config["pop3_chunk"])
        self.note(event="connect")
        user = None
        logged_in = False
        while True:
            line = self.read_line()
            if line is None:
                return
            self.note(command=line)
            verb, _, arg = line.partition(" ")
            verb = verb.upper()
            if verb == "QUIT":
                self.reply(True, "bye")
                return
            if verb == "USER" and not logged_in:
                # Any name is welcome here: the answer to PASS tells whether it was right.
                user = arg
                self.reply(True, "send your password")
            elif verb == "PASS" and not logged_in:
                password = self.state.password_of(user) if user else None
                secret = self.raw.partition(b" ")[2]
                if password is not None and same_secret(secret, password):
                    logged_in = True
                    self.note(event="login", user=user)
                    self.reply(True, "logged in")
                else:
                    user = None
                    self.reply(False, "authentication failed")
            elif verb in ("NOOP", "RSET") or (verb == "STAT" and logged_in):
                self.reply(True, "0 0" if verb == "STAT" else "")
            elif verb in ("LIST", "UIDL") and logged_in:
                self.reply(True, "0 messages")
                self.send(b".\r\n")
            elif verb == "CAPA":
                self.reply(True, "capability list follows")
                self.send(b"USER\r\n.\r\n")
            elif logged_in:
                self.reply(False, "no such message")
            else:
                self.reply(False, "not logged in")
