"""The running configuration of mailsim, its books and its record of requests.

Every listener thread reads the configuration through one State object; the
control channel on standard input changes it while the listeners run.
"""

import copy
import json
import os
import threading

from books import Book, BookError

REQUEST_KINDS = ("personal", "check", "share")

FAULT_KEYS = {
    "on": list, "times": int, "noise_before": str, "noise_after": str,
    "unbalanced": bool, "redirect301": int, "redirect302": bool, "status": int,
    "delay": (int, float), "pause": (int, float), "pause_at": int,
    "silent": bool, "drop": bool, "ret": int, "msg": str, "body": str,
}

DEFAULTS = {
    "server_type": 1,
    "accounts": {},
    "shared": None,
    "private": None,
    "sharetime": None,
    "greeting": None,
    "greeting_chunk": 0,
    "greeting_gap_ms": 50,
    "smtp_silent": False,
    "pop3_greeting": "+OK mailsim POP3 server ready",
    "pop3_lower": False,
    "pop3_chunk": 0,
    "ascii_json": False,
    "pretty": False,
    "faults": {},
    "record": None,
}

_TYPES = {
    "server_type": int, "accounts": dict, "shared": (str, type(None)),
    "private": (str, type(None)), "sharetime": (int, type(None)),
    "greeting": (str, type(None)), "greeting_chunk": int, "greeting_gap_ms": int,
    "smtp_silent": bool, "pop3_greeting": str, "pop3_lower": bool, "pop3_chunk": int,
    "ascii_json": bool, "pretty": bool, "faults": dict, "record": (str, type(None)),
}

# Older requests are dropped from memory past this many (the record file keeps all).
_RECORD_LIMIT = 10000


class ConfigError(Exception):
    pass


def default_greeting(server_type):
    if server_type == 1:
        return "220 smtp.quillnet.test ESMTP quillnet corvane-mail ready\r\n"
    return "220 smtp.quillnet.test ESMTP Quillnet mail service ready\r\n"


def _is(value, kind):
    # bool is an int in Python; a switch given as true must not pass for a count.
    kinds = kind if isinstance(kind, tuple) else (kind,)
    if isinstance(value, bool) and bool not in kinds:
        return False
    return isinstance(value, kinds)


def check_faults(faults):
    for key, value in faults.items():
        if key not in FAULT_KEYS:
            raise ConfigError("unknown fault switch: %s" % key)
        if not _is(value, FAULT_KEYS[key]):
            raise ConfigError("fault switch %s has a value of the wrong type" % key)
    for kind in faults.get("on", []):
        if kind not in REQUEST_KINDS:
            raise ConfigError("fault switch on: unknown request kind %r" % kind)


def _account_entry(address, value, base):
    if isinstance(value, str):
        return {"password": value, "private": None}
    if isinstance(value, dict) and isinstance(value.get("password"), str):
        private = value.get("private")
        if private is not None and not isinstance(private, str):
            raise ConfigError("account %s: private must be a file name" % address)
        if private is not None:
            private = os.path.join(base, private)
        return {"password": value["password"], "private": private}
    raise ConfigError("account %s: needs a password" % address)


class State:
    def __init__(self):
        self.lock = threading.Lock()
        self.stop = threading.Event()
        self.config = copy.deepcopy(DEFAULTS)
        self.shared_book = Book()
        self.private_books = {}  # file name -> Book
        self.fault_uses = 0
        self.records = []

    def apply(self, changes, base="."):
        """Merges configuration keys into the running configuration.

        File names are taken relative to base. Nothing changes when any key is bad.
        """
        for key, value in changes.items():
            if key not in _TYPES:
                raise ConfigError("unknown setting: %s" % key)
            if not _is(value, _TYPES[key]):
                raise ConfigError("setting %s has a value of the wrong type" % key)
        if changes.get("server_type", 0) not in (0, 1):
            raise ConfigError("server_type must be 0 or 1")
        if "faults" in changes:
            check_faults(changes["faults"])
        new = dict(changes)
        for key in ("shared", "private", "record"):
            if new.get(key):
                new[key] = os.path.join(base, new[key])
        if "accounts" in new:
            new["accounts"] = {a.lower(): _account_entry(a, v, base)
                               for a, v in new["accounts"].items()}
        with self.lock:
            merged = dict(self.config)
        merged.update(new)
        try:
            shared = Book.load(merged["shared"]) if merged["shared"] else Book()
            private = {}
            names = [merged["private"]] + [a["private"] for a in merged["accounts"].values()]
            for name in names:
                if name and name not in private:
                    private[name] = Book.load(name)
        except BookError as e:
            raise ConfigError(str(e))
        with self.lock:
            self.config = merged
            self.shared_book = shared
            self.private_books = private
            if "faults" in changes:
                self.fault_uses = 0

    def snapshot(self):
        with self.lock:
            return self.config

    def greeting(self, config):
        if config["greeting"] is not None:
            return config["greeting"]
        return default_greeting(config["server_type"])

    def password_of(self, address):
        entry = self.snapshot()["accounts"].get(address.lower())
        return entry["password"] if entry else None

    def private_book_of(self, address):
        with self.lock:
            entry = self.config["accounts"].get(address.lower())
            name = (entry and entry["private"]) or self.config["private"]
            return self.private_books.get(name) if name else Book()

    def shared(self):
        with self.lock:
            book = self.shared_book
            stamp = self.config["sharetime"]
        if stamp is None:
            # A book without a stamp counts as changed for a client that has none.
            stamp = book.sharetime if book.sharetime is not None else 1
        return book, stamp

    def take_faults(self, kind):
        """The fault switches for one request of this kind, counting the use."""
        with self.lock:
            faults = self.config["faults"]
            if not faults or kind not in faults.get("on", REQUEST_KINDS):
                return {}
            times = faults.get("times", 0)
            if times and self.fault_uses >= times:
                return {}
            self.fault_uses += 1
            return faults

    def record(self, entry):
        line = json.dumps(entry, ensure_ascii=False)
        with self.lock:
            self.records.append(entry)
            if len(self.records) > _RECORD_LIMIT:
                del self.records[0]
            path = self.config["record"]
            if path:
                try:
                    with open(path, "a", encoding="utf-8") as f:
                        f.write(line + "\n")
                except OSError:
                    pass

    def take_records(self, clear):
        with self.lock:
            out = list(self.records)
            if clear:
                self.records.clear()
            return out
