#!/usr/bin/env bash
# mailtool send, then mailtool fetch, through private Postfix and Dovecot
# servers: what was sent comes back, and the mailbox is emptied unless
# --leave is given. Usage: mailtool_servers_test.sh MAILTOOL SUPPORT_DIR
set -euo pipefail
mailtool=$1
servers_py=$2/mailservers.py
work=$(mktemp -d /tmp/mailtool-test-XXXXXX)
chmod 755 "$work"  # the servers run as their own users and must reach their files
trap 'python3 "$servers_py" stop "$work/servers" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
python3 "$servers_py" start "$work/servers" --owner $$ >/dev/null
. "$work/servers/servers.env"

fail() { echo "FAIL: $*" >&2; exit 1; }
count() { python3 "$servers_py" count "$work/servers" alice; }

# Dot lines, a non-ASCII subject and an attachment of every byte value.
python3 - "$work/message.json" <<'PY'
import base64, json, sys
json.dump({"sender": {"name": "Test", "address": "test@example.test"},
           "recipients": [{"address": "alice@example.test"}],
           "subject": "Grüße über SMTP",
           "body": ["first", ".", "..", ".hidden", "last"],
           "attachments": [{"fileName": "bytes.bin", "contentType": "application/octet-stream",
                            "transferEncoding": "base64", "data": base64.b64encode(bytes(range(256)) * 64).decode()}]},
          open(sys.argv[1], "w"))
PY

"$mailtool" send "127.0.0.1:$SMTP_PORT" "$work/message.json" || fail "send"
"$mailtool" send "127.0.0.1:$SMTP_PORT" "$work/message.json" || fail "second send"
for _ in $(seq 100); do [ "$(count)" = 2 ] && break; sleep 0.1; done
[ "$(count)" = 2 ] || fail "the messages were not delivered"

"$mailtool" fetch "127.0.0.1:$POP3_PORT" alice secret "$work/kept" --leave > "$work/kept.jsonl" || fail "fetch --leave"
[ "$(count)" = 2 ] || fail "--leave deleted messages"
"$mailtool" fetch "127.0.0.1:$POP3_PORT" alice secret "$work/out" > "$work/out.jsonl" || fail "fetch"
[ "$(count)" = 0 ] || fail "fetch left messages on the server"
[ -s "$work/out/1.eml" ] && [ -s "$work/out/2.eml" ] || fail "the .eml files are missing"

python3 - "$work/out.jsonl" <<'PY' || fail "the fetched messages differ from what was sent"
import hashlib, json, sys
lines = open(sys.argv[1]).read().splitlines()
assert len(lines) == 2, lines
expected = hashlib.sha256(bytes(range(256)) * 64).hexdigest()
for line in lines:
    m = json.loads(line)
    assert m["subject"] == "Grüße über SMTP", m["subject"]
    assert m["body"] == ["first", ".", "..", ".hidden", "last"], m["body"]
    assert [(a["fileName"], a["size"], a["sha256"]) for a in m["attachments"]] == [("bytes.bin", 16384, expected)]
PY

# Errors: the library's text on standard error, exit status 1, nothing on standard output.
if "$mailtool" fetch "127.0.0.1:$POP3_PORT" alice wrong "$work/none" > "$work/err.out" 2> "$work/err.txt"; then
  fail "a wrong password was accepted"
fi
grep -q -- "-ERR \[AUTH\] Authentication failed." "$work/err.txt" || fail "no server text: $(cat "$work/err.txt")"
[ ! -s "$work/err.out" ] || fail "output on a failed fetch"
echo "mailtool send and fetch: 1 passed, 0 failed"
