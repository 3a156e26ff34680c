#!/usr/bin/env python3
"""Writes a getAddresses reply of the web interface with N contacts.

    make_addresses_reply.py [--contacts N] [--seed N] [--book shared|private]
                            [--server-type 0|1] [--ascii] [--indent] [--out FILE]

The reply is the envelope {"ret":0,"msg":"","data":{"groups":[...],"addresses":[...]}}
as mailsim sends it: the company of mailsim's sample generator (Chinese names,
mailboxes, mobiles, companies, departments nested below their parents, positions,
office telephones and faxes) scaled to N contacts. --ascii writes non-ASCII
characters as \\u escapes, as some servers do; --indent pretty-prints. The same
arguments give the same file, byte for byte. Without --out the reply goes to
standard output.
"""

import argparse
import json
import os
import random
import sys

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "mailsim"))

import books  # noqa: E402
import make_company  # noqa: E402


def reply(contacts, seed, book, server_type):
    rng = random.Random(seed)
    if book == "shared":
        data = books.shared_payload(
            books.Book.from_json(make_company.build_shared(rng, contacts)), server_type)
    else:
        data = books.private_payload(
            books.Book.from_json(make_company.build_private(rng, contacts)), server_type)
    return {"ret": 0, "msg": "", "data": data}


def main(argv):
    p = argparse.ArgumentParser(prog="make_addresses_reply.py",
                                description=__doc__.split("\n")[0])
    p.add_argument("--contacts", type=int, default=1000)
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--book", choices=("shared", "private"), default="shared")
    p.add_argument("--server-type", type=int, choices=(0, 1), default=1)
    p.add_argument("--ascii", action="store_true")
    p.add_argument("--indent", action="store_true")
    p.add_argument("--out")
    args = p.parse_args(argv)
    if args.contacts < 0:
        p.error("--contacts must not be negative")
    text = json.dumps(reply(args.contacts, args.seed, args.book, args.server_type),
                      ensure_ascii=args.ascii, indent=2 if args.indent else None,
                      separators=None if args.indent else (",", ":"))
    if args.out:
        with open(args.out, "w", encoding="utf-8", newline="\n") as f:
            f.write(text)
    else:
        sys.stdout.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
