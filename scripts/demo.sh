#!/usr/bin/env bash
# demo.sh BUILD-DIR: the main job. Starts mailsim on free loopback ports with the
# bundled company (a shared book of 3 companies, 40 departments and 2,000
# contacts, and the demonstration account's private book), makes a fresh
# program folder whose settings point at it, signs in with the headless front
# end (server check, POP3 login over TLS, the whole sync chain), then shows the
# group trees, a search for the common surname 王 and one department's list.
# Nothing leaves the machine; everything is removed afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
bin="$build/bin"
quillnet="$bin/quillnet"
[ -x "$quillnet" ] || { echo "demo: $quillnet is missing; build first (bash scripts/run.sh)" >&2; exit 1; }

work=$(mktemp -d "${TMPDIR:-/tmp}/quillnet-demo.XXXXXX")
sim_pid=""
cleanup() {
  [ -n "$sim_pid" ] && kill "$sim_pid" 2>/dev/null && wait "$sim_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

echo "== the bundled company"
python3 tools/mailsim/make_company.py --out "$work/books" >/dev/null
account=demo@yunfan.example.com
password=demo1234
echo "account $account, books in $work/books"

echo "== mailsim on loopback"
mkfifo "$work/sim.out"
python3 tools/mailsim/mailsim.py --config "$work/books/mailsim.json" --cert-dir "$work/certs" \
  --until-killed --lifetime 600 >"$work/sim.out" 2>"$work/sim.err" &
sim_pid=$!
exec 3<"$work/sim.out"
if ! read -r -t 60 ports <&3; then
  echo "demo: mailsim did not start" >&2
  cat "$work/sim.err" >&2
  exit 1
fi
echo "$ports"

echo "== a fresh program folder"
folder="$work/program"
mkdir -p "$folder/conf"
cp "$bin/Address.db" "$bin/login.db" "$bin/sysconfig.ini" "$folder/"
cp "$bin/conf/server.ini" "$folder/conf/"
# The client talks to mailsim: SMTP for the server check, POP3 over TLS for the
# password, HTTP for the web interface; TLS peers are checked against its CA.
python3 - "$folder" "$ports" <<'EOF'
import json, re, sys
folder, ports = sys.argv[1], json.loads(sys.argv[2])

def set_key(path, section, key, value):
    lines = open(path, encoding="utf-8").read().split("\n")
    out, current, done = [], None, False
    for line in lines:
        m = re.match(r"\s*\[(.*)\]\s*$", line)
        if m:
            if current == section and not done:
                out.append(f"{key}={value}")
                done = True
            current = m.group(1)
        elif current == section and re.match(rf"\s*{re.escape(key)}\s*=", line):
            if not done:
                out.append(f"{key}={value}")
                done = True
            continue
        out.append(line)
    if not done:
        if current != section:
            out.append(f"[{section}]")
        out.append(f"{key}={value}")
    open(path, "w", encoding="utf-8").write("\n".join(out))

server = f"{folder}/conf/server.ini"
for key, value in [("MailHost", "127.0.0.1"), ("MailPort", ports["http"]),
                   ("SmtpHost", "127.0.0.1"), ("SmtpPort", ports["smtp"]),
                   ("PopHost", "127.0.0.1"), ("PopPort", ports["pop3s"])]:
    set_key(server, "SRVSET", key, value)
set_key(f"{folder}/sysconfig.ini", "common", "cafile", ports["cafile"])
EOF
echo "$folder"

q() { "$quillnet" --folder "$folder" "$@"; }

echo "== quillnet signin $account"
q signin "$account" "$password" --remember

echo "== quillnet logins"
q logins

echo "== quillnet groups $account"
q groups "$account"

echo "== quillnet search $account 王"
q search "$account" 王 >"$work/search.txt"
head -n 16 "$work/search.txt"
echo "..."
tail -n 1 "$work/search.txt"

echo "== quillnet list $account 14 --shared (存储组)"
q list "$account" 14 --shared

echo "== quillnet sync $account (the saved login again)"
q sync "$account"
echo "demo done"
