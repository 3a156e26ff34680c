#!/usr/bin/env python3
"""Self-test of mailsim: starts it as a subprocess and talks to every listener.

The requests are built here the way the monitor builds them (MD5 signature,
pcode, unencoded values, HTTP/1.0 with the host in capitals), independently of
mailsim's own code.
"""

import hashlib
import http.client
import json
import os
import poplib
import select
import shutil
import smtplib
import socket
import ssl
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
TOOLS = os.path.join(HERE, "..", "..", "tools", "mailsim")
MAILSIM = os.path.join(TOOLS, "mailsim.py")
MAKE_COMPANY = os.path.join(TOOLS, "make_company.py")

SALT = "qwtyzxcv7%!lp3#mk+pe"
ACCOUNT = "Wang.Wei@corp.example"
PASSWORD = "s3cret pass"
OTHER = "li@corp.example"
CHINESE = ("zhao@corp.example", "密码123")
STAMP = 1700000000
IO_TIMEOUT = 10


def md5hex(text):
    return hashlib.md5(text.encode("utf-8")).hexdigest()


def pcode(account, password):
    return md5hex(md5hex(account) + md5hex(password))


def download_text(share, account=ACCOUNT, password=PASSWORD, salt=SALT, domain=None):
    if domain is None:
        domain = account.split("@", 1)[1] if "@" in account else ""
    otime = "2024-06-01 09:08:07"
    tail = "&pcode=" + pcode(account, password)
    signed = "&domainname=%s&id=kx&mailbox=%s&multi=1&otime=%s%s&share=%s&start_time=%s" % (
        domain, account, otime, tail, share, "1970-01-01 00:00:00")
    checksum = md5hex(salt + signed)
    return ("&domainname=%s&id=kx&mailbox=%s&multi=1&ochecksum=%s&otime=%s%s&share=%s"
            "&start_time=%s") % (domain, account, checksum, otime, tail, share,
                                 "1970-01-01 00:00:00")


def check_text(ts, kind=None, account=ACCOUNT, password=PASSWORD):
    domain = account.split("@", 1)[1]
    signed = "&domainname=%s&id=kx&mailbox=%s&otime=%s&pcode=%s&ts=%s" % (
        domain, account, "2024-06-01 09:08:07", pcode(account, password), ts)
    if kind is not None:
        signed += "&type=%d" % kind
    return signed + "&ochecksum=" + md5hex(SALT + signed)


SHARED_BOOK = {
    "sharetime": STAMP,
    "groups": [
        {"id": 5, "parent": 0, "name": "总部"},
        {"id": "l12", "parent": 5, "name": "研发部"},
        {"id": 7, "parent": 5, "name": "O'Brien组"},
    ],
    "contacts": [
        {"id": 31, "name": "王伟", "email": "wangwei@corp.example", "mobile": None,
         "groups": ["l12"], "sortid": 3, "job": "工程师"},
        {"id": 32, "name": "李娜", "email": "lina@corp.example", "groups": [5, 7], "sortid": 1},
        {"id": 33, "name": "张敏", "email": "zhangmin@corp.example", "qq": 12345},
    ],
}

PRIVATE_BOOK = {
    "groups": [{"id": 3, "parent": 0, "name": "家人"}, {"id": 9, "parent": 3, "name": "亲戚"}],
    "contacts": [
        {"id": 1, "name": "陈静", "email": "cj@mail.example", "groups": [3, 9],
         "updatetime": 1717000000},
        {"id": 2, "name": "刘洋", "email": "ly@mail.example"},
    ],
}


class Sim:
    """One mailsim process, its listeners and its control channel."""

    def __init__(self, *args, cwd=None):
        self.proc = subprocess.Popen(
            [sys.executable, MAILSIM] + list(args), stdin=subprocess.PIPE,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE, cwd=cwd, text=True,
            encoding="utf-8")
        line = self.proc.stdout.readline()
        if not line:
            raise RuntimeError("mailsim did not start: " + self.proc.stderr.read())
        self.info = json.loads(line)

    def port(self, name):
        return self.info[name]

    def command(self, **cmd):
        self.proc.stdin.write(json.dumps(cmd, ensure_ascii=False) + "\n")
        self.proc.stdin.flush()
        return json.loads(self.proc.stdout.readline())

    def set(self, **settings):
        answer = self.command(cmd="set", **settings)
        if not answer["ok"]:
            raise AssertionError(answer["error"])

    def requests(self, clear=False):
        return self.command(cmd="requests", clear=clear)["requests"]

    def wait_recorded(self, match):
        """Polls the record until an entry matches; mailsim records before it answers."""
        for _ in range(500):
            for entry in self.requests():
                if match(entry):
                    return entry
            time.sleep(0.01)
        raise AssertionError("mailsim never recorded the expected entry")

    def stop(self):
        self.proc.stdin.close()
        code = self.proc.wait(timeout=IO_TIMEOUT)
        self.proc.stdout.close()
        self.proc.stderr.close()
        return code


def tls_client_context(cafile):
    ctx = ssl.create_default_context(cafile=cafile)
    return ctx


def open_socket(sim, listener, tls=False):
    sock = socket.create_connection(("127.0.0.1", sim.port(listener)), timeout=IO_TIMEOUT)
    if tls:
        sock = tls_client_context(sim.info["cafile"]).wrap_socket(sock, server_hostname="localhost")
    return sock


def send_post(sock, path, body, host="127.0.0.1"):
    data = body.encode("utf-8")
    head = ("POST %s HTTP/1.0\r\nUser-Agent: QuillnetM-PluginMonitor\r\nContent-Length: %d\r\n"
            "Host: %s\r\nContent-Type: application/x-www-form-urlencoded\r\n\r\n") % (
        path, len(data), host.upper())
    sock.sendall(head.encode("latin-1") + data)


def read_all(sock):
    data = b""
    while True:
        piece = sock.recv(65536)
        if not piece:
            return data
        data += piece


def split_reply(data):
    head, _, body = data.partition(b"\r\n\r\n")
    return head.decode("latin-1"), body


def post(sim, path, body, listener="http"):
    """(status line, header text, body bytes) of one request as the monitor sends it."""
    with open_socket(sim, listener, listener == "https") as sock:
        send_post(sock, path, body)
        head, body = split_reply(read_all(sock))
    return head.split("\r\n", 1)[0], head, body


def post_json(sim, path, body, listener="http"):
    status, _, reply = post(sim, path, body, listener)
    assert " 200 OK" in status, status
    return json.loads(reply.decode("utf-8"))


def nothing_waiting(sock):
    ready, _, _ = select.select([sock], [], [], 0)
    if ready and isinstance(sock, ssl.SSLSocket):
        # A TLS socket may be readable for a record that carries no data.
        sock.setblocking(False)
        try:
            return not sock.recv(1)
        except ssl.SSLWantReadError:
            return True
        finally:
            sock.setblocking(True)
    return not ready


class Fixture(unittest.TestCase):
    """One mailsim for the whole class, with books written to a temporary folder."""

    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="mailsim-test-")
        for name, book in (("shared.json", SHARED_BOOK), ("private.json", PRIVATE_BOOK)):
            with open(os.path.join(cls.folder, name), "w", encoding="utf-8") as f:
                json.dump(book, f, ensure_ascii=False)
        cls.sim = Sim("--account", ACCOUNT + "=" + PASSWORD, "--account", OTHER + "=x",
                      "--account", "=".join(CHINESE),
                      "--shared", "shared.json", "--private-for", ACCOUNT + "=private.json",
                      cwd=cls.folder)

    @classmethod
    def tearDownClass(cls):
        cls.sim.stop()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self):
        self.sim.set(server_type=1, faults={}, greeting=None, greeting_chunk=0,
                     smtp_silent=False, pop3_lower=False, pop3_chunk=0, sharetime=None)
        self.sim.requests(clear=True)


class StartTest(unittest.TestCase):
    def test_start_line_names_every_listener_and_a_usable_ca(self):
        sim = Sim()
        try:
            names = ("smtp", "smtps", "pop3", "pop3s", "http", "https")
            ports = [sim.port(n) for n in names]
            self.assertEqual(len(set(ports)), 6)
            self.assertTrue(all(isinstance(p, int) and p > 0 for p in ports))
            cafile = sim.info["cafile"]
            with open(cafile) as f:
                self.assertIn("BEGIN CERTIFICATE", f.read())
            # The server certificate holds both names a client may use.
            for host in ("localhost", "127.0.0.1"):
                with socket.create_connection(("127.0.0.1", sim.port("https"))) as raw:
                    with tls_client_context(cafile).wrap_socket(raw, server_hostname=host):
                        pass
        finally:
            self.assertEqual(sim.stop(), 0)
        self.assertFalse(os.path.exists(cafile), "the temporary certificates are removed")

    def test_unverified_peer_is_refused_without_the_ca(self):
        sim = Sim()
        try:
            with socket.create_connection(("127.0.0.1", sim.port("pop3s"))) as raw:
                with self.assertRaises(ssl.SSLCertVerificationError):
                    ssl.create_default_context().wrap_socket(raw, server_hostname="localhost")
        finally:
            sim.stop()

    def test_bad_command_lines_are_refused(self):
        for args in (["--account", "no-password"], ["--shared", "/nonexistent/book.json"],
                     ["--port", "ftp=21"], ["--fault-on", "everything"]):
            done = subprocess.run([sys.executable, MAILSIM] + args, stdin=subprocess.DEVNULL,
                                  capture_output=True, text=True, timeout=IO_TIMEOUT)
            self.assertEqual(done.returncode, 2, args)
            self.assertIn("mailsim:", done.stderr)

    def test_without_standard_input_it_serves_until_its_lifetime_ends(self):
        with socket.socket() as probe:
            probe.bind(("127.0.0.1", 0))
            wanted = probe.getsockname()[1]
        proc = subprocess.Popen(
            [sys.executable, MAILSIM, "--until-killed", "--lifetime", "2", "--port",
             "smtp=%d" % wanted, "--greeting", "220 QUILLNET\\tready"],
            stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
        try:
            info = json.loads(proc.stdout.readline())
            self.assertEqual(info["smtp"], wanted)
            with socket.create_connection(("127.0.0.1", wanted), timeout=IO_TIMEOUT) as sock:
                reader = sock.makefile("rb")
                self.assertEqual(reader.readline(), b"220 QUILLNET\tready\r\n")
            self.assertEqual(proc.wait(timeout=IO_TIMEOUT), 0)
        finally:
            proc.stdout.close()
            if proc.poll() is None:
                proc.kill()
                proc.wait()

    def test_sigterm_stops_it(self):
        proc = subprocess.Popen([sys.executable, MAILSIM, "--until-killed"],
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, text=True)
        try:
            self.assertIn("http", json.loads(proc.stdout.readline()))
            proc.terminate()
            self.assertEqual(proc.wait(timeout=IO_TIMEOUT), 0)
        finally:
            proc.stdout.close()

    def test_certificates_are_reused_from_a_cert_dir(self):
        folder = tempfile.mkdtemp(prefix="mailsim-certs-")
        try:
            target = os.path.join(folder, "certs")
            first = Sim("--cert-dir", target)
            first.stop()
            with open(os.path.join(target, "ca.pem")) as f:
                ca = f.read()
            second = Sim("--cert-dir", target)
            try:
                self.assertEqual(second.info["cafile"], os.path.join(target, "ca.pem"))
                with open(second.info["cafile"]) as f:
                    self.assertEqual(f.read(), ca)
                smtp = smtplib.SMTP_SSL("localhost", second.port("smtps"), timeout=IO_TIMEOUT,
                                        context=tls_client_context(second.info["cafile"]))
                smtp.quit()
            finally:
                second.stop()
        finally:
            shutil.rmtree(folder, ignore_errors=True)


class ControlTest(Fixture):
    def test_a_bad_setting_changes_nothing(self):
        for bad in ({"faults": {"noise": "x"}}, {"faults": {"delay": "soon"}},
                    {"server_type": 2}, {"shared": "missing.json"}, {"colour": "red"}):
            answer = self.sim.command(cmd="set", **dict({"server_type": 0}, **bad))
            self.assertFalse(answer["ok"], bad)
            self.assertTrue(answer["error"], bad)
        self.assertEqual(self.sim.command(cmd="bogus")["ok"], False)
        # server_type 0 came with every bad setting and must not have been applied.
        self.assertEqual(post(self.sim, "/api/post/getSyncFlag", check_text("0"))[0].split()[1],
                         "404")

    def test_records_can_be_read_and_cleared(self):
        post(self.sim, "/api/mailbox/getAddresses", download_text("0"))
        entries = self.sim.requests(clear=True)
        self.assertEqual([(e["listener"], e["kind"], e["status"], e["ret"]) for e in entries],
                         [("http", "personal", 200, 0)])
        self.assertIn(["User-Agent", "QuillnetM-PluginMonitor"], entries[0]["headers"])
        self.assertEqual(entries[0]["body"], download_text("0"))
        self.assertEqual(self.sim.requests(), [])


class SmtpTest(Fixture):
    def test_greeting_names_the_server_generation(self):
        for server_type, corvane in ((1, True), (0, False)):
            self.sim.set(server_type=server_type)
            smtp = smtplib.SMTP("127.0.0.1", self.sim.port("smtp"), timeout=IO_TIMEOUT)
            code, text = smtp.ehlo("client")
            self.assertEqual(code, 250)
            greeting = self.sim.wait_recorded(lambda e: e.get("event") == "connect")["greeting"]
            self.assertIn("quillnet", greeting.lower())
            self.assertEqual("corvane-mail" in greeting.lower(), corvane)
            self.assertTrue(greeting.startswith("220 ") and greeting.endswith("\r\n"))
            self.assertEqual(smtp.quit()[0], 221)
            self.sim.requests(clear=True)

    def test_tls_on_connect(self):
        smtp = smtplib.SMTP_SSL("localhost", self.sim.port("smtps"), timeout=IO_TIMEOUT,
                                context=tls_client_context(self.sim.info["cafile"]))
        self.assertEqual(smtp.noop()[0], 250)
        self.assertEqual(smtp.docmd("VRFY", "x")[0], 502)
        self.assertEqual(smtp.quit()[0], 221)

    def test_greeting_in_three_byte_pieces_keeps_text_after_the_line_feed(self):
        text = "220 QuillNet\r\nXY"
        self.sim.set(greeting=text, greeting_chunk=3, greeting_gap_ms=250)
        with open_socket(self.sim, "smtp") as sock:
            pieces = []
            while sum(map(len, pieces)) < len(text):
                pieces.append(sock.recv(64))
                self.assertTrue(pieces[-1])
        self.assertEqual(b"".join(pieces), text.encode())
        self.assertTrue(all(len(p) <= 3 for p in pieces), pieces)

    def test_silent_server_says_nothing_even_when_spoken_to(self):
        self.sim.set(smtp_silent=True)
        for tls in (False, True):
            with open_socket(self.sim, "smtps" if tls else "smtp", tls) as sock:
                sock.sendall(b"EHLO client\r\n")
                self.sim.wait_recorded(lambda e: e.get("command") == "EHLO client")
                self.assertTrue(nothing_waiting(sock))
            self.sim.requests(clear=True)


class Pop3Test(Fixture):
    def test_login_and_quit_plain_and_tls(self):
        ctx = tls_client_context(self.sim.info["cafile"])
        for client in (poplib.POP3("127.0.0.1", self.sim.port("pop3"), timeout=IO_TIMEOUT),
                       poplib.POP3_SSL("localhost", self.sim.port("pop3s"), timeout=IO_TIMEOUT,
                                       context=ctx)):
            self.assertTrue(client.getwelcome().startswith(b"+OK"))
            # The address is matched without case, as the user may type it.
            self.assertTrue(client.user(ACCOUNT.upper()).startswith(b"+OK"))
            self.assertTrue(client.pass_(PASSWORD).startswith(b"+OK"))
            self.assertEqual(client.stat(), (0, 0))
            self.assertTrue(client.quit().startswith(b"+OK"))
        logins = [e for e in self.sim.requests() if e.get("event") == "login"]
        self.assertEqual([e["listener"] for e in logins], ["pop3", "pop3s"])

    def test_wrong_password_or_unknown_user_is_refused(self):
        for user, password in ((ACCOUNT, PASSWORD + "x"), ("nobody@corp.example", PASSWORD),
                               (OTHER, PASSWORD)):
            client = poplib.POP3("127.0.0.1", self.sim.port("pop3"), timeout=IO_TIMEOUT)
            client.user(user)
            with self.assertRaises(poplib.error_proto) as caught:
                client.pass_(password)
            self.assertTrue(str(caught.exception).startswith("b'-ERR"), caught.exception)
            client.quit()

    def test_password_in_the_ansi_code_page_or_utf8(self):
        user, password = CHINESE
        for secret, ok in ((password.encode("gbk"), True), (password.encode("utf-8"), True),
                           ("密码124".encode("gbk"), False)):
            with open_socket(self.sim, "pop3") as sock:
                reader = sock.makefile("rb")
                reader.readline()
                sock.sendall(b"USER " + user.encode() + b"\r\n")
                self.assertTrue(reader.readline().startswith(b"+OK"))
                sock.sendall(b"PASS " + secret + b"\r\n")
                answer = reader.readline()
                self.assertTrue(answer.startswith(b"+OK" if ok else b"-ERR"), (secret, answer))
                sock.sendall(b"QUIT\r\n")
                self.assertTrue(reader.readline().startswith(b"+OK"))
        passes = [e["command"] for e in self.sim.requests() if e.get("command", "")[:4] == "PASS"]
        self.assertEqual(passes, ["PASS 密码123", "PASS 密码123", "PASS 密码124"])

    def test_lower_case_replies_in_single_bytes(self):
        self.sim.set(pop3_lower=True, pop3_chunk=1)
        with open_socket(self.sim, "pop3") as sock:
            reader = sock.makefile("rb")
            lines = [reader.readline()]
            for command in ("USER %s" % ACCOUNT, "PASS %s" % PASSWORD, "QUIT"):
                sock.sendall(command.encode() + b"\r\n")
                lines.append(reader.readline())
        self.assertTrue(all(line.startswith(b"+ok") for line in lines), lines)
        self.assertTrue(all(line.endswith(b"\r\n") for line in lines), lines)


class WebTest(Fixture):
    def test_private_book_by_server_type(self):
        for server_type in (1, 0):
            self.sim.set(server_type=server_type)
            reply = post_json(self.sim, "/api/mailbox/getAddresses", download_text("0"))
            self.assertEqual((reply["ret"], reply["msg"]), (0, ""))
            groups = reply["data"]["groups"]
            self.assertEqual(groups, [{"group_id": 3, "parent_group_id": 0, "name": "家人"},
                                      {"group_id": 9, "parent_group_id": 3, "name": "亲戚"}])
            first, second = reply["data"]["addresses"]
            self.assertEqual((first["name"], first["email"], first["updatetime"]),
                             ("陈静", "cj@mail.example", 1717000000))
            # Every group of a contact reaches the client exactly once.
            if server_type == 1:
                self.assertEqual((first["dep"], first["groupIds"]), (3, [9]))
            else:
                self.assertEqual(first["groupIds"], [3, 9])
                self.assertNotIn("dep", first)
            self.assertEqual(second["groupIds"], [])
            self.assertNotIn("dep", second)
            self.assertEqual(second["remark"], "")

    def test_private_book_of_an_account_without_one_is_empty(self):
        reply = post_json(self.sim, "/api/mailbox/getAddresses",
                          download_text("0", account=OTHER, password="x"))
        self.assertEqual(reply, {"ret": 0, "msg": "", "data": {"groups": [], "addresses": []}})

    def test_shared_book_ids_as_texts_for_the_newer_server(self):
        status, _, raw = post(self.sim, "/api/mailbox/getAddresses", download_text("1"))
        self.assertIn(" 200 OK", status)
        self.assertIn("研发部".encode("utf-8"), raw, "Chinese travels as UTF-8, not escaped")
        data = json.loads(raw)["data"]
        self.assertEqual([(g["group_id"], g["parent_group_id"]) for g in data["groups"]],
                         [("5", "0"), ("l12", "5"), ("7", "5")])
        self.assertEqual(data["groups"][2]["name"], "O'Brien组")
        rows = [(a["id"], a.get("dep"), a["sortid"]) for a in data["addresses"]]
        # A contact in two groups comes once per group; one in none has no dep.
        self.assertEqual(rows, [(31, "l12", 3), (32, "5", 1), (32, "7", 1), (33, None, 0)])
        first = data["addresses"][0]
        self.assertIsNone(first["mobile"])
        self.assertEqual((first["job"], first["homepage"]), ("工程师", ""))
        self.assertEqual(data["addresses"][3]["qq"], 12345)

    def test_shared_book_ids_as_numbers_for_the_older_server(self):
        self.sim.set(server_type=0)
        data = post_json(self.sim, "/api/mailbox/getAddresses", download_text("1"))["data"]
        self.assertEqual([(g["group_id"], g["parent_group_id"]) for g in data["groups"]],
                         [(5, 0), (1000000012, 5), (7, 5)])
        self.assertEqual(data["addresses"][0]["dep"], 1000000012)

    def test_check_compares_the_stamp(self):
        cases = [  # server type, path, type parameter, ts, ret_code, ret_ts
            (1, "/api/mailbox/getSyncFlag", 1, "0", 1, str(STAMP)),
            (1, "/api/mailbox/getSyncFlag", 1, str(STAMP - 1), 1, str(STAMP)),
            (1, "/api/mailbox/getSyncFlag", 1, str(STAMP), 0, str(STAMP)),
            (0, "/api/post/getSyncFlag", None, "0", 1, STAMP),
            (0, "/api/post/getSyncFlag", None, str(STAMP), 0, STAMP),
        ]
        for server_type, path, kind, ts, code, stamp in cases:
            self.sim.set(server_type=server_type)
            reply = post_json(self.sim, path, check_text(ts, kind))
            self.assertEqual(reply, {"ret": 0, "msg": "",
                                     "data": {"ret_code": code, "ret_ts": stamp}}, (path, ts))

    def test_sharetime_can_change_while_running(self):
        self.sim.set(sharetime=STAMP + 50)
        data = post_json(self.sim, "/api/mailbox/getSyncFlag", check_text(STAMP, 1))["data"]
        self.assertEqual(data, {"ret_code": 1, "ret_ts": str(STAMP + 50)})

    def test_each_server_type_has_its_own_check_path(self):
        for server_type, wrong in ((1, "/api/post/getSyncFlag"), (0, "/api/mailbox/getSyncFlag")):
            self.sim.set(server_type=server_type)
            status, _, _ = post(self.sim, wrong, check_text("0", 1 if server_type else None))
            self.assertIn(" 404 ", status)
        status, _, _ = post(self.sim, "/api/mailbox/getaddresses", download_text("0"))
        self.assertIn(" 404 ", status)

    def test_refusals(self):
        good = download_text("0")
        cases = [  # what, path, body, ret
            ("wrong salt", "/api/mailbox/getAddresses", download_text("0", salt="x" + SALT), 2),
            ("value changed after signing", "/api/mailbox/getAddresses",
             good.replace("share=0", "share=1"), 2),
            ("checksum missing", "/api/mailbox/getAddresses",
             good.replace("&ochecksum=", "&xchecksum="), 1),
            ("wrong password", "/api/mailbox/getAddresses",
             download_text("0", password=PASSWORD + "!"), 4),
            ("unknown account", "/api/mailbox/getAddresses",
             download_text("0", account="nobody@corp.example"), 3),
            ("account without @", "/api/mailbox/getAddresses",
             download_text("0", account="nobody"), 1),
            ("domain not the mailbox's", "/api/mailbox/getAddresses",
             download_text("0", domain="other.example"), 1),
            ("check without type", "/api/mailbox/getSyncFlag", check_text("0"), 1),
            ("parameter twice", "/api/mailbox/getAddresses", good + "&share=0", 1),
            ("bad time", "/api/mailbox/getAddresses", good.replace("09:08:07", "9:8:7"), 1),
        ]
        for what, path, body, ret in cases:
            reply = post_json(self.sim, path, body)
            self.assertEqual(reply["ret"], ret, what)
            self.assertTrue(reply["msg"], what)
            self.assertEqual(reply["data"], {}, what)
        self.sim.set(server_type=0)
        reply = post_json(self.sim, "/api/post/getSyncFlag", check_text("0", 1))
        self.assertEqual(reply["ret"], 1, "the older server knows no type")

    def test_mailbox_case_is_kept_in_the_signature(self):
        # pcode is made from the address as the user typed it.
        lower = download_text("0", account=ACCOUNT.lower())
        self.assertEqual(post_json(self.sim, "/api/mailbox/getAddresses", lower)["ret"], 0)
        mixed = lower.replace("&pcode=" + pcode(ACCOUNT.lower(), PASSWORD),
                              "&pcode=" + pcode(ACCOUNT, PASSWORD))
        self.assertEqual(post_json(self.sim, "/api/mailbox/getAddresses", mixed)["ret"], 2)

    def test_body_with_a_trailing_line_break_and_http_client_over_tls(self):
        ctx = tls_client_context(self.sim.info["cafile"])
        conn = http.client.HTTPSConnection("localhost", self.sim.port("https"), timeout=IO_TIMEOUT,
                                           context=ctx)
        conn.request("POST", "/api/mailbox/getAddresses", body=download_text("1") + "\r\n",
                     headers={"Content-Type": "application/x-www-form-urlencoded"})
        answer = conn.getresponse()
        self.assertEqual(answer.status, 200)
        self.assertEqual(json.loads(answer.read())["ret"], 0)
        conn.close()
        entry = self.sim.wait_recorded(lambda e: e.get("kind") == "share")
        self.assertEqual(entry["listener"], "https")
        self.assertTrue(entry["body"].endswith("\r\n"))

    def test_other_methods_are_refused(self):
        conn = http.client.HTTPConnection("127.0.0.1", self.sim.port("http"), timeout=IO_TIMEOUT)
        conn.request("GET", "/api/mailbox/getAddresses")
        self.assertEqual(conn.getresponse().status, 405)
        conn.close()


class FaultTest(Fixture):
    def normal_reply(self, share="1"):
        return post(self.sim, "/api/mailbox/getAddresses", download_text(share))[2]

    def test_noise_around_the_reply_for_chosen_kinds(self):
        clean = self.normal_reply()
        self.sim.set(faults={"noise_before": "xx", "noise_after": "yy", "on": ["share"]})
        self.assertEqual(self.normal_reply("1"), b"xx" + clean + b"yy")
        self.assertEqual(json.loads(self.normal_reply("0"))["ret"], 0, "private stays clean")

    def test_unbalanced_reply_lacks_its_last_brace(self):
        clean = self.normal_reply()
        self.sim.set(faults={"unbalanced": True})
        broken = self.normal_reply()
        self.assertEqual(broken.count(b"{") - broken.count(b"}"), 1)
        self.assertEqual(broken + b"}", clean)

    def test_chain_of_301_to_the_same_server(self):
        for listener in ("http", "https"):
            self.sim.set(faults={"redirect301": 3})
            scheme = listener + "://"
            path = "/api/mailbox/getAddresses"
            hops = 0
            while True:
                with open_socket(self.sim, listener, listener == "https") as sock:
                    send_post(sock, path, download_text("1"), host="localhost")
                    head, body = split_reply(read_all(sock))
                status = head.split("\r\n", 1)[0]
                if " 301 " not in status:
                    break
                self.assertIn(" 301 Moved Permanently", status)
                location = [line for line in head.split("\r\n") if line.startswith("Location:")]
                url = location[0][len("Location:"):].strip()
                prefix = "%sLOCALHOST:%d" % (scheme, self.sim.port(listener))
                self.assertTrue(url.startswith(prefix), url)
                path = url[len(prefix):]
                hops += 1
                self.assertLess(hops, 10)
            self.assertEqual(hops, 3)
            self.assertIn(" 200 OK", status)
            self.assertEqual(json.loads(body)["ret"], 0)

    def test_302_once_then_normal(self):
        self.sim.set(faults={"redirect302": True, "times": 1})
        status, head, _ = post(self.sim, "/api/mailbox/getAddresses", download_text("0"))
        self.assertIn(" 302 Found", status)
        self.assertIn("Location: http://127.0.0.1:%d/hop/0/api/mailbox/getAddresses"
                      % self.sim.port("http"), head)
        self.assertEqual(post_json(self.sim, "/api/mailbox/getAddresses",
                                   download_text("0"))["ret"], 0)

    def test_status_line_error_number_and_body_replacement(self):
        self.sim.set(faults={"status": 500})
        status, _, body = post(self.sim, "/api/mailbox/getAddresses", download_text("0"))
        self.assertIn(" 500 ", status)
        self.assertEqual(json.loads(body)["ret"], 0)
        self.sim.set(faults={"ret": 7, "msg": "系统维护中", "on": ["check"]})
        reply = post_json(self.sim, "/api/mailbox/getSyncFlag", check_text("0", 1))
        self.assertEqual((reply["ret"], reply["msg"]), (7, "系统维护中"))
        self.sim.set(faults={"body": "<html>busy</html>"})
        self.assertEqual(self.normal_reply(), b"<html>busy</html>")

    def test_delayed_reply_arrives_whole(self):
        self.sim.set(faults={"delay": 1.5})
        with open_socket(self.sim, "http") as sock:
            send_post(sock, "/api/mailbox/getAddresses", download_text("0"))
            self.sim.wait_recorded(lambda e: e.get("kind") == "personal")
            self.assertTrue(nothing_waiting(sock))
            head, body = split_reply(read_all(sock))
        self.assertIn(" 200 OK", head)
        self.assertEqual(json.loads(body)["ret"], 0)

    def test_pause_inside_the_body(self):
        clean = self.normal_reply()
        self.sim.set(faults={"pause": 1.5, "pause_at": 10})
        with open_socket(self.sim, "http") as sock:
            send_post(sock, "/api/mailbox/getAddresses", download_text("1"))
            data = b""
            while b"\r\n\r\n" not in data or len(split_reply(data)[1]) < 10:
                piece = sock.recv(1)
                self.assertTrue(piece)
                data += piece
            self.assertTrue(nothing_waiting(sock))
            data += read_all(sock)
        self.assertEqual(split_reply(data)[1], clean)

    def test_silent_and_dropped_connections(self):
        self.sim.set(faults={"silent": True})
        for listener in ("http", "https"):
            with open_socket(self.sim, listener, listener == "https") as sock:
                send_post(sock, "/api/mailbox/getAddresses", download_text("0"))
                self.sim.wait_recorded(lambda e: e.get("listener") == listener)
                self.assertTrue(nothing_waiting(sock))
        self.sim.set(faults={"drop": True})
        with open_socket(self.sim, "http") as sock:
            send_post(sock, "/api/mailbox/getAddresses", download_text("0"))
            self.assertEqual(read_all(sock), b"")


class CompanyTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.folder = tempfile.mkdtemp(prefix="mailsim-company-")
        for name in ("a", "b"):
            subprocess.run([sys.executable, MAKE_COMPANY, "--out", os.path.join(cls.folder, name)],
                           check=True, timeout=60)

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.folder, ignore_errors=True)

    def load(self, name):
        with open(os.path.join(self.folder, "a", name), encoding="utf-8") as f:
            return json.load(f)

    def test_generation_is_deterministic(self):
        for name in ("shared.json", "private.json", "mailsim.json"):
            with open(os.path.join(self.folder, "a", name), "rb") as f1, \
                    open(os.path.join(self.folder, "b", name), "rb") as f2:
                self.assertEqual(f1.read(), f2.read(), name)

    def test_company_shape(self):
        book = self.load("shared.json")
        groups = book["groups"]
        top = [g for g in groups if g["parent"] == 0]
        self.assertEqual(len(top), 3)
        self.assertEqual(len(groups) - len(top), 40)
        seen = set()
        depth = {}
        for g in groups:
            self.assertTrue(g["parent"] == 0 or g["parent"] in seen, "parents come first")
            depth[g["id"]] = 0 if g["parent"] == 0 else depth[g["parent"]] + 1
            seen.add(g["id"])
        self.assertGreaterEqual(max(depth.values()), 3, "departments are nested")
        contacts = book["contacts"]
        self.assertEqual(len(contacts), 2000)
        emails = [c["email"] for c in contacts]
        self.assertEqual(len(set(emails)), len(emails))
        surnames = {c["name"][0] for c in contacts}
        self.assertTrue({"王", "李", "张", "刘", "陈"} <= surnames)
        for c in contacts:
            self.assertTrue(all("\u4e00" <= ch <= "\u9fff" for ch in c["name"]), c["name"])
            self.assertRegex(c["mobile"], r"^1[3-9]\d{9}$")
            self.assertRegex(c["email"], r"^[a-z.]+\d*@[a-z.]+$")
            self.assertIn(c["groups"][0], seen)
            self.assertTrue(c["job"])
        private = self.load("private.json")
        self.assertTrue(3 <= len(private["groups"]) <= 8)
        self.assertTrue(any(g["parent"] != 0 for g in private["groups"]))
        self.assertTrue(24 <= len(private["contacts"]) <= 60)

    def test_served_from_its_own_configuration(self):
        config = self.load("mailsim.json")
        account, entry = next(iter(config["accounts"].items()))
        record = os.path.join(self.folder, "record.jsonl")
        sim = Sim("--config", os.path.join(self.folder, "a", "mailsim.json"), "--record", record)
        try:
            shared = post_json(sim, "/api/mailbox/getAddresses",
                               download_text("1", account, entry["password"]))
            self.assertEqual(len(shared["data"]["addresses"]), 2000)
            self.assertEqual(len(shared["data"]["groups"]), 43)
            private = post_json(sim, "/api/mailbox/getAddresses",
                                download_text("0", account, entry["password"]))
            self.assertEqual(len(private["data"]["addresses"]), len(self.load("private.json")
                                                                      ["contacts"]))
            client = poplib.POP3("127.0.0.1", sim.port("pop3"), timeout=IO_TIMEOUT)
            client.user(account)
            self.assertTrue(client.pass_(entry["password"]).startswith(b"+OK"))
            client.quit()
        finally:
            sim.stop()
        with open(record, encoding="utf-8") as f:
            kinds = [json.loads(line).get("kind") for line in f]
        self.assertEqual(kinds[:2], ["share", "personal"])


if __name__ == "__main__":
    unittest.main()
