#!/usr/bin/env python3
"""mailsim: an emulator of the mail service for tests and the demonstration.

It serves, on 127.0.0.1:
  smtp, smtps    the SMTP greeting (smtps: TLS from the first byte, the port-465 style)
  pop3, pop3s    a POP3 login server (USER, PASS, QUIT); pop3s is TLS from the first byte
  http, https    the web interface: api/mailbox/getAddresses, and the check
                 api/mailbox/getSyncFlag (server type 1) or api/post/getSyncFlag (type 0)

At start it makes a small certificate authority and a certificate for
localhost/127.0.0.1 with the openssl command, binds every listener (free ports
unless --port says otherwise) and prints one JSON line on standard output:

  {"smtp": P, "smtps": P, "pop3": P, "pop3s": P, "http": P, "https": P,
   "cafile": "/tmp/.../ca.pem", "host": "127.0.0.1", "pid": N}

Then it serves until it is killed (SIGTERM, SIGINT) or its standard input
closes (or, with --until-killed, only until killed; --lifetime caps the run).

Usage:
  mailsim.py [--config FILE] [options]

Accounts and books:
  --account ADDR=PASSWORD   an account (repeatable)
  --shared FILE             the shared book (mailsim's book format, see books.py)
  --private FILE            the private book of every account without its own
  --private-for ADDR=FILE   the private book of one account (repeatable)
  --sharetime N             the shared book's stamp (else the book's "sharetime", else 1)
  --server-type 0|1         the server generation (default 1): check path, id forms,
                            and the default greeting

SMTP and POP3:
  --greeting TEXT           the SMTP greeting; "\\r\\n" is added when TEXT has no line feed
  --greeting-chunk N        send the greeting N bytes at a time ...
  --greeting-gap-ms MS      ... with MS milliseconds between pieces (default 50)
  --smtp-silent             accept SMTP connections and never say a word
  --pop3-greeting TEXT      the POP3 greeting line (default "+OK mailsim POP3 server ready")
  --pop3-lower              positive POP3 replies begin with "+ok"
  --pop3-chunk N            send every POP3 reply N bytes at a time

Web replies:
  --ascii-json              escape non-ASCII characters as \\uXXXX
  --pretty                  indent the reply JSON
Faults of the web interface (they act on the request kinds of --fault-on):
  --fault-on KINDS          comma list of personal, check, share (default all three)
  --fault-times N           only the first N matching requests (default all)
  --noise TEXT              TEXT before and after the reply JSON
  --noise-before TEXT, --noise-after TEXT
  --unbalanced              the reply lacks its final "}"
  --redirect301 N           N hops of "301 Moved Permanently" to the same server
  --redirect302             "302 Found" to the same server
  --status N                the reply's status line says N
  --delay S                 wait S seconds before the reply
  --pause S [--pause-at N]  stop S seconds after N bytes of the body (default: half)
  --silent                  read the request and never answer
  --drop                    read the request and close the connection
  --ret N [--msg TEXT]      answer with this error number and text
  --body TEXT               answer with this body instead of the JSON
In TEXT values given here, \\r, \\n, \\t and \\\\ stand for those characters.

Running:
  --port NAME=N             listen on port N for NAME (smtp, smtps, pop3, pop3s, http, https)
  --cert-dir DIR            keep the certificates in DIR and reuse them next time
  --record FILE             append every request as one JSON line to FILE
  --until-killed            ignore standard input
  --lifetime S              stop after S seconds

Control on standard input, one JSON object a line, each answered by one line:
  {"cmd": "set", KEY: VALUE, ...}  change settings (the keys of the --config file)
  {"cmd": "requests", "clear": B}  the requests recorded so far (and forget them)
  {"cmd": "clear"}                 forget the recorded requests
"""

import argparse
import json
import os
import shutil
import signal
import socketserver
import ssl
import sys
import tempfile
import threading
import time

from certs import CertError, make_certificates
from httpserve import WebHandler
from mailproto import Pop3Handler, SmtpHandler
from simstate import ConfigError, State

LISTENERS = (("smtp", SmtpHandler, False), ("smtps", SmtpHandler, True),
             ("pop3", Pop3Handler, False), ("pop3s", Pop3Handler, True),
             ("http", WebHandler, False), ("https", WebHandler, True))

_ESCAPES = {"r": "\r", "n": "\n", "t": "\t", "\\": "\\"}


def unescape(text):
    out = []
    i = 0
    while i < len(text):
        c = text[i]
        if c == "\\" and i + 1 < len(text) and text[i + 1] in _ESCAPES:
            out.append(_ESCAPES[text[i + 1]])
            i += 2
            continue
        out.append(c)
        i += 1
    return "".join(out)


class Listener(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, name, port, handler, state, tls):
        self.name = name
        self.state = state
        self.tls = tls
        super().__init__(("127.0.0.1", port), handler)

    def handle_error(self, request, client_address):
        self.state.record({"listener": self.name, "error": str(sys.exc_info()[1])})


def _pair(text, option):
    name, eq, value = text.partition("=")
    if not eq or not name:
        raise ConfigError("%s wants NAME=VALUE, not %r" % (option, text))
    return name, value


def parse_args(argv):
    p = argparse.ArgumentParser(prog="mailsim.py", description=__doc__,
                                formatter_class=argparse.RawDescriptionHelpFormatter)
    a = p.add_argument
    a("--config")
    a("--server-type", type=int, choices=(0, 1))
    a("--account", action="append", default=[])
    a("--shared")
    a("--private")
    a("--private-for", action="append", default=[])
    a("--sharetime", type=int)
    a("--greeting")
    a("--greeting-chunk", type=int)
    a("--greeting-gap-ms", type=int)
    a("--smtp-silent", action="store_true")
    a("--pop3-greeting")
    a("--pop3-lower", action="store_true")
    a("--pop3-chunk", type=int)
    a("--ascii-json", action="store_true")
    a("--pretty", action="store_true")
    a("--fault-on")
    a("--fault-times", type=int)
    a("--noise")
    a("--noise-before")
    a("--noise-after")
    a("--unbalanced", action="store_true")
    a("--redirect301", type=int)
    a("--redirect302", action="store_true")
    a("--status", type=int)
    a("--delay", type=float)
    a("--pause", type=float)
    a("--pause-at", type=int)
    a("--silent", action="store_true")
    a("--drop", action="store_true")
    a("--ret", type=int)
    a("--msg")
    a("--body")
    a("--record")
    a("--port", action="append", default=[])
    a("--cert-dir")
    a("--until-killed", action="store_true")
    a("--lifetime", type=float)
    return p.parse_args(argv)


def settings_from_args(args, accounts):
    """The settings the command line gives, as keys of the configuration."""
    out = {}
    if args.account or args.private_for:
        for item in args.account:
            name, password = _pair(item, "--account")
            accounts[name] = {"password": password, "private": None}
        for item in args.private_for:
            name, book = _pair(item, "--private-for")
            if name not in accounts:
                raise ConfigError("--private-for %s: no such --account" % name)
            accounts[name]["private"] = book
        out["accounts"] = accounts
    plain = {"server_type": args.server_type, "shared": args.shared, "private": args.private,
             "sharetime": args.sharetime, "greeting_chunk": args.greeting_chunk,
             "greeting_gap_ms": args.greeting_gap_ms, "pop3_chunk": args.pop3_chunk,
             "record": args.record}
    out.update({k: v for k, v in plain.items() if v is not None})
    if args.greeting is not None:
        greeting = unescape(args.greeting)
        out["greeting"] = greeting if "\n" in greeting else greeting + "\r\n"
    if args.pop3_greeting is not None:
        out["pop3_greeting"] = unescape(args.pop3_greeting)
    for flag in ("smtp_silent", "pop3_lower", "ascii_json", "pretty"):
        if getattr(args, flag):
            out[flag] = True

    faults = {}
    if args.fault_on:
        faults["on"] = [k.strip() for k in args.fault_on.split(",") if k.strip()]
    if args.noise is not None:
        faults["noise_before"] = faults["noise_after"] = unescape(args.noise)
    texts = {"noise_before": args.noise_before, "noise_after": args.noise_after,
             "msg": args.msg, "body": args.body}
    faults.update({k: unescape(v) for k, v in texts.items() if v is not None})
    values = {"times": args.fault_times, "redirect301": args.redirect301, "status": args.status,
              "delay": args.delay, "pause": args.pause, "pause_at": args.pause_at,
              "ret": args.ret}
    faults.update({k: v for k, v in values.items() if v is not None})
    for flag in ("unbalanced", "redirect302", "silent", "drop"):
        if getattr(args, flag):
            faults[flag] = True
    if faults:
        out["faults"] = faults
    return out


class Output:
    """Standard output, shared by the start line and the control answers."""

    def __init__(self):
        self.lock = threading.Lock()

    def line(self, obj):
        with self.lock:
            sys.stdout.write(json.dumps(obj, ensure_ascii=False) + "\n")
            sys.stdout.flush()


def control(state, out):
    for line in sys.stdin:
        line = line.strip()
        if not line:
            continue
        try:
            cmd = json.loads(line)
            if not isinstance(cmd, dict):
                raise ConfigError("a command is a JSON object")
            verb = cmd.pop("cmd", None)
            if verb == "set":
                state.apply(cmd)
                out.line({"ok": True})
            elif verb == "requests":
                out.line({"ok": True, "requests": state.take_records(bool(cmd.get("clear")))})
            elif verb == "clear":
                state.take_records(True)
                out.line({"ok": True})
            else:
                raise ConfigError("unknown command %r" % verb)
        except (ValueError, ConfigError) as e:
            out.line({"ok": False, "error": str(e)})
    state.stop.set()


def main(argv):
    args = parse_args(argv)
    state = State()
    ports = {}
    accounts = {}
    try:
        if args.config:
            with open(args.config, encoding="utf-8") as f:
                conf = json.load(f)
            if not isinstance(conf, dict):
                raise ConfigError("%s: not a JSON object" % args.config)
            ports.update(conf.pop("ports", {}))
            accounts.update(conf.get("accounts", {}))
            state.apply(conf, os.path.dirname(os.path.abspath(args.config)))
            # Command-line accounts join those of the file, relative to their own base.
            accounts = {a: dict(state.snapshot()["accounts"][a.lower()]) for a in accounts}
        for item in args.port:
            name, value = _pair(item, "--port")
            ports[name] = int(value)
        for name in ports:
            if name not in [n for n, _, _ in LISTENERS]:
                raise ConfigError("no listener named %s" % name)
        state.apply(settings_from_args(args, accounts))
    except (OSError, ValueError, ConfigError) as e:
        sys.stderr.write("mailsim: %s\n" % e)
        return 2

    # The handler only raises a flag: Event.set() from a signal handler can
    # deadlock when the signal lands while the main thread holds the event's lock.
    signalled = []

    def on_signal(signum, frame):
        signalled.append(signum)

    # From here on a signal ends the run through the clean-up below.
    signal.signal(signal.SIGTERM, on_signal)
    signal.signal(signal.SIGINT, on_signal)
    scratch = None
    try:
        cert_dir = args.cert_dir
        if not cert_dir:
            scratch = tempfile.mkdtemp(prefix="mailsim-")
            cert_dir = os.path.join(scratch, "certs")
        certs = make_certificates(cert_dir)
        tls = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        tls.load_cert_chain(certs["certfile"], certs["keyfile"])
        servers = []
        for name, handler, secure in LISTENERS:
            servers.append(Listener(name, ports.get(name, 0), handler, state,
                                    tls if secure else None))
    except (OSError, CertError, ssl.SSLError) as e:
        sys.stderr.write("mailsim: %s\n" % e)
        if scratch:
            shutil.rmtree(scratch, ignore_errors=True)
        return 1

    for server in servers:
        threading.Thread(target=server.serve_forever, args=(0.2,), daemon=True).start()
    out = Output()
    started = {s.name: s.server_address[1] for s in servers}
    started.update({"cafile": certs["cafile"], "host": "127.0.0.1", "pid": os.getpid()})
    out.line(started)
    if not args.until_killed:
        threading.Thread(target=control, args=(state, out), daemon=True).start()
    waited = 0.0
    while not signalled and not state.stop.is_set():
        time.sleep(0.2)
        waited += 0.2
        if args.lifetime is not None and waited >= args.lifetime:
            break
    state.stop.set()
    for server in servers:
        server.shutdown()
        server.server_close()
    if scratch:
        shutil.rmtree(scratch, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
