"""The web interface's three requests: parameters, signature checks and replies.

A request body is a form of "&name=value" pairs whose values are not URL-encoded.
The server checks ochecksum as the MD5 (lowercase hex) of the salt followed by
the other parameters, sorted by name and written as "&name=value" each, and
pcode as md5(md5(mailbox) + md5(password)) with the mailbox as sent.
"""

import hashlib
import json
import re

from books import private_payload, shared_payload

SALT = "qwtyzxcv7%!lp3#mk+pe"

PATH_ADDRESSES = "/api/mailbox/getAddresses"
# The check lives at a different path on each server generation.
PATH_CHECK = {1: "/api/mailbox/getSyncFlag", 0: "/api/post/getSyncFlag"}

_OTIME = re.compile(r"\d{4}-\d{2}-\d{2} \d{2}:\d{2}:\d{2}\Z")

_DOWNLOAD_PARAMS = ("domainname", "id", "mailbox", "multi", "otime", "pcode", "share",
                    "start_time")
_CHECK_PARAMS = ("domainname", "id", "mailbox", "otime", "pcode", "ts")

# Error numbers of the replies.
RET_PARAM = 1
RET_CHECKSUM = 2
RET_ACCOUNT = 3
RET_PCODE = 4


def md5hex(text):
    return hashlib.md5(text.encode("utf-8")).hexdigest()


def make_pcode(account, password):
    return md5hex(md5hex(account) + md5hex(password))


def checksum_text(params):
    return "".join("&%s=%s" % (k, v) for k, v in sorted(params.items()) if k != "ochecksum")


def sign(params):
    """The ochecksum a correct client sends with these parameters."""
    return md5hex(SALT + checksum_text(params))


class Refusal(Exception):
    def __init__(self, ret, msg):
        super().__init__(msg)
        self.ret = ret
        self.msg = msg


def parse_body(body):
    """The parameters of a request body (bytes) as a dict, or Refusal."""
    try:
        text = body.decode("utf-8")
    except UnicodeDecodeError:
        raise Refusal(RET_PARAM, "参数编码错误")
    # The fallback transport ends the body with a line break of its own.
    if text.endswith("\r\n"):
        text = text[:-2]
    params = {}
    for part in text.split("&"):
        if not part:
            continue
        name, eq, value = part.partition("=")
        if not eq or not name:
            raise Refusal(RET_PARAM, "参数错误: %s" % part)
        if name in params:
            raise Refusal(RET_PARAM, "参数重复: %s" % name)
        params[name] = value
    return params


def request_kind(path, server_type, share):
    """personal, share or check for a request path, or None for an unknown path."""
    if path == PATH_ADDRESSES:
        return {"0": "personal", "1": "share"}.get(share, "personal")
    if path == PATH_CHECK[server_type]:
        return "check"
    return None


def _require(params, names):
    for name in names:
        if name not in params:
            raise Refusal(RET_PARAM, "缺少参数: %s" % name)


def _verify(params, names, state):
    _require(params, names + ("ochecksum",))
    if params["id"] != "kx":
        raise Refusal(RET_PARAM, "参数错误: id")
    if not _OTIME.match(params["otime"]):
        raise Refusal(RET_PARAM, "参数错误: otime")
    if params["ochecksum"] != sign(params):
        raise Refusal(RET_CHECKSUM, "校验码错误")
    mailbox = params["mailbox"]
    _, at, domain = mailbox.partition("@")
    if not at or params["domainname"].lower() != domain.lower():
        raise Refusal(RET_PARAM, "参数错误: domainname")
    password = state.password_of(mailbox)
    if password is None:
        raise Refusal(RET_ACCOUNT, "帐号不存在")
    if params["pcode"] != make_pcode(mailbox, password):
        raise Refusal(RET_PCODE, "帐号或密码校验失败")


def _download(params, state, server_type):
    _verify(params, _DOWNLOAD_PARAMS, state)
    if params["multi"] != "1":
        raise Refusal(RET_PARAM, "参数错误: multi")
    if params["start_time"] != "1970-01-01 00:00:00" and not _OTIME.match(params["start_time"]):
        raise Refusal(RET_PARAM, "参数错误: start_time")
    if params["share"] == "1":
        book, _ = state.shared()
        return shared_payload(book, server_type)
    if params["share"] == "0":
        return private_payload(state.private_book_of(params["mailbox"]), server_type)
    raise Refusal(RET_PARAM, "参数错误: share")


def _check(params, state, server_type):
    _verify(params, _CHECK_PARAMS, state)
    if server_type == 1:
        _require(params, ("type",))
        if not params["type"].isdigit():
            raise Refusal(RET_PARAM, "参数错误: type")
    elif "type" in params:
        # The older server knows no type; a client that sends one has the
        # server generation wrong.
        raise Refusal(RET_PARAM, "参数错误: type")
    ts = params["ts"]
    if not (ts.isdigit() and ts.isascii()):
        raise Refusal(RET_PARAM, "参数错误: ts")
    _, stamp = state.shared()
    # The newer server sends the stamp as a text of digits, the older as a number.
    return {"ret_code": 1 if stamp > int(ts) else 0,
            "ret_ts": str(stamp) if server_type == 1 else stamp}


def answer(kind, body, state, server_type):
    """The reply envelope (a dict) for a request of a known kind."""
    try:
        params = parse_body(body)
        if kind == "check":
            data = _check(params, state, server_type)
        else:
            data = _download(params, state, server_type)
        return {"ret": 0, "msg": "", "data": data}
    except Refusal as r:
        return {"ret": r.ret, "msg": r.msg, "data": {}}


def render(reply, config):
    if config["pretty"]:
        return json.dumps(reply, ensure_ascii=config["ascii_json"], indent=2)
    return json.dumps(reply, ensure_ascii=config["ascii_json"], separators=(",", ":"))
