"""Address books: mailsim's own file format and the download replies made from it.

Book file (UTF-8 JSON):

    {
      "sharetime": 1700000000,            shared book only: its time stamp
      "groups": [
        {"id": 1, "parent": 0, "name": "总公司"},
        {"id": "l12", "parent": 1, "name": "研发部"}
      ],
      "contacts": [
        {"id": 7, "groups": [1], "sortid": 3, "updatetime": 1700000000,
         "name": "王伟", "email": "wangwei@example.com", "mobile": "13800000000", ...}
      ]
    }

Group ids are numbers, texts of digits, or texts "l" + digits (the newer server's
second id space). "parent" 0 or absent means top level. Groups are sent in the
order of the file, so a file that lists a child before its parent produces a reply
in that order. A contact's "groups" lists its group ids (absent or empty: none);
"id" defaults to its position from 1. Every other member of a contact is sent as
it is (null stays null); the usual contact members missing from the file are sent
as empty texts.
"""

import json

# Contact members a download reply carries, in the order the server sends them.
CONTACT_FIELDS = (
    "id", "name", "email", "mobile", "msn", "qq", "homepage", "country", "city",
    "address", "telephone", "postcode", "company", "company_address", "job",
    "company_telephone", "company_fax", "company_code", "remark",
)

# Members of a contact in the file that shape the reply instead of being copied.
_STRUCTURE = ("id", "groups", "sortid", "updatetime")

# The newer server numbers its second id space from here; the older one sends
# such ids as plain numbers above it.
SECOND_SPACE = 1000000000


class BookError(Exception):
    pass


def _check_id(value, where):
    if isinstance(value, bool):
        raise BookError("%s: an id must be a number or a text" % where)
    if isinstance(value, int):
        if value < 0:
            raise BookError("%s: negative id %d" % (where, value))
        return value
    if isinstance(value, str):
        digits = value[1:] if value.startswith("l") else value
        if digits.isdigit() and digits.isascii():
            return value
    raise BookError("%s: bad id %r" % (where, value))


class Book:
    def __init__(self, groups=(), contacts=(), sharetime=None):
        self.groups = list(groups)
        self.contacts = list(contacts)
        self.sharetime = sharetime

    @staticmethod
    def from_json(obj, where="book"):
        if not isinstance(obj, dict):
            raise BookError("%s: the book must be a JSON object" % where)
        groups = []
        for i, g in enumerate(obj.get("groups", [])):
            here = "%s: group %d" % (where, i + 1)
            if not isinstance(g, dict) or "id" not in g:
                raise BookError(here + ": needs an id")
            name = g.get("name", "")
            if not isinstance(name, str):
                raise BookError(here + ": name must be a text")
            groups.append({"id": _check_id(g["id"], here),
                           "parent": _check_id(g.get("parent", 0), here), "name": name})
        contacts = []
        for i, c in enumerate(obj.get("contacts", [])):
            here = "%s: contact %d" % (where, i + 1)
            if not isinstance(c, dict):
                raise BookError(here + ": must be an object")
            member = c.get("groups", [])
            if not isinstance(member, list):
                raise BookError(here + ": groups must be a list")
            entry = dict(c)
            entry["groups"] = [_check_id(g, here) for g in member]
            entry.setdefault("id", i + 1)
            contacts.append(entry)
        sharetime = obj.get("sharetime")
        if sharetime is not None and (not isinstance(sharetime, int) or sharetime < 0):
            raise BookError("%s: sharetime must be a number" % where)
        return Book(groups, contacts, sharetime)

    @staticmethod
    def load(path):
        try:
            with open(path, encoding="utf-8") as f:
                obj = json.load(f)
        except (OSError, ValueError) as e:
            raise BookError("%s: %s" % (path, e))
        return Book.from_json(obj, path)


def numeric_id(value):
    """The number an id stands for: "l12" is 1,000,000,012, "12" and 12 are 12."""
    if isinstance(value, int):
        return value
    if value.startswith("l"):
        return SECOND_SPACE + int(value[1:])
    return int(value)


def _shared_id(value, server_type):
    # The newer server sends ids as texts, the older one as numbers.
    if server_type == 1:
        return str(value)
    return numeric_id(value)


def _contact_members(contact):
    out = {}
    for field in CONTACT_FIELDS:
        out[field] = contact.get(field, "")
    for key, value in contact.items():
        if key not in out and key not in _STRUCTURE:
            out[key] = value
    return out


def _groups(book, render_id):
    return [{"group_id": render_id(g["id"]), "parent_group_id": render_id(g["parent"]),
             "name": g["name"]} for g in book.groups]


def shared_payload(book, server_type):
    """The data member of a shared-book download."""
    addresses = []
    for c in book.contacts:
        base = _contact_members(c)
        base["sortid"] = c.get("sortid", 0)
        # The shared table keeps one group per row: a contact in two departments
        # is sent once for each.
        for g in c["groups"] or [None]:
            entry = dict(base)
            if g is not None:
                entry["dep"] = _shared_id(g, server_type)
            addresses.append(entry)
    return {"groups": _groups(book, lambda v: _shared_id(v, server_type)),
            "addresses": addresses}


def private_payload(book, server_type):
    """The data member of a private-book download.

    The newer server names a contact's first group in dep and the others in
    groupIds; the older one lists them all in groupIds.
    """
    addresses = []
    for c in book.contacts:
        entry = _contact_members(c)
        ids = [numeric_id(g) for g in c["groups"]]
        if server_type == 1 and ids:
            entry["dep"] = ids[0]
            ids = ids[1:]
        entry["groupIds"] = ids
        if "updatetime" in c:
            entry["updatetime"] = c["updatetime"]
        addresses.append(entry)
    return {"groups": _groups(book, numeric_id), "addresses": addresses}
