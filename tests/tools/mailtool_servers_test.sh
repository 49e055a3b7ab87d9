#!/usr/bin/env bash
# mailtool send, then mailtool fetch, through private Postfix and Dovecot
# servers: what was sent comes back, and the mailbox is emptied unless
# --leave is given; repeated fetches into one directory fetch each message
# once; the same over TLS with SMTP AUTH; a certificate for another host is
# refused. Usage: mailtool_servers_test.sh MAILTOOL SUPPORT_DIR
set -euo pipefail
mailtool=$1
servers_py=$2/mailservers.py
work=$(mktemp -d /tmp/mailtool-test-XXXXXX)
chmod 755 "$work"  # the servers run as their own users and must reach their files
trap 'for d in servers otherhost; do python3 "$servers_py" stop "$work/$d" >/dev/null 2>&1 || true; done; rm -rf "$work"' EXIT
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

check_fetched() {
  python3 - "$1" "$2" <<'PY' || fail "the fetched messages differ from what was sent"
import hashlib, json, sys
lines = open(sys.argv[1]).read().splitlines()
assert len(lines) == int(sys.argv[2]), lines
expected = hashlib.sha256(bytes(range(256)) * 64).hexdigest()
for line in lines:
    m = json.loads(line)
    assert m["subject"] == "Grüße über SMTP", m["subject"]
    assert m["body"] == ["first", ".", "..", ".hidden", "last"], m["body"]
    assert [(a["fileName"], a["size"], a["sha256"]) for a in m["attachments"]] == [("bytes.bin", 16384, expected)]
PY
}
check_fetched "$work/out.jsonl" 2

# The ids of fetched messages, kept in DIR: each message is fetched once, in
# both modes, into new files that never replace earlier ones.
put() {
  printf 'Subject: %s\r\n\r\nbody\r\n' "$1" > "$work/$1.txt"
  python3 "$servers_py" put "$work/servers" alice "$work/$1.txt"
}
fetch_into_ids() { "$mailtool" fetch "127.0.0.1:$POP3_PORT" alice secret "$work/ids" "$@" > "$work/ids.jsonl"; }
subjects() { python3 -c 'import json, sys; print(*(json.loads(l)["subject"] for l in open(sys.argv[1])))' "$work/ids.jsonl"; }
files() { (cd "$work/ids" && ls); }
put a; put b
fetch_into_ids --leave && [ "$(subjects)" = "a b" ] || fail "first fetch --leave: $(subjects)"
fetch_into_ids --leave && [ ! -s "$work/ids.jsonl" ] || fail "a second fetch --leave fetched again: $(subjects)"
[ "$(files | xargs)" = "1.eml 2.eml" ] || fail "files after fetching twice: $(files | xargs)"
cp -r "$work/ids" "$work/ids-before"
put c
fetch_into_ids --leave && [ "$(subjects)" = "c" ] || fail "fetch --leave after new mail: $(subjects)"
fetch_into_ids && [ ! -s "$work/ids.jsonl" ] || fail "fetch refetched messages it had stored: $(subjects)"
[ "$(count)" = 0 ] || fail "fetch did not delete the messages it had stored"
# Message d is number 1 on the server now: it must not take 1.eml.
put d
fetch_into_ids && [ "$(subjects)" = "d" ] || fail "fetch after deletion: $(subjects)"
[ "$(files | xargs)" = "1.eml 2.eml 3.eml 4.eml" ] || fail "files: $(files | xargs)"
cmp -s "$work/ids/1.eml" "$work/ids-before/1.eml" && cmp -s "$work/ids/2.eml" "$work/ids-before/2.eml" \
  || fail "an earlier file was overwritten"
grep -q "^Subject: d" "$work/ids/4.eml" || fail "4.eml is not the new message"
# a, b and c are gone from the server, so their ids are forgotten.
[ "$(wc -l < "$work/ids/.pop3-ids")" = 1 ] || fail "ids of deleted messages kept: $(cat "$work/ids/.pop3-ids")"

# TLS: submission with STARTTLS and AUTH (the port takes no mail without
# both), then POP3 over implicit TLS, trusting the servers' test CA.
export SSL_CERT_FILE=$CA_FILE
"$mailtool" send --security starttls --user alice --password secret "127.0.0.1:$SUBMISSION_PORT" "$work/message.json" \
  || fail "send over STARTTLS with AUTH"
for _ in $(seq 100); do [ "$(count)" = 1 ] && break; sleep 0.1; done
[ "$(count)" = 1 ] || fail "the message sent over STARTTLS was not delivered"
"$mailtool" fetch --security tls "127.0.0.1:$POP3S_PORT" alice secret "$work/tls" > "$work/tls.jsonl" \
  || fail "fetch over TLS"
[ "$(count)" = 0 ] || fail "fetch over TLS left messages on the server"
check_fetched "$work/tls.jsonl" 1

# Errors: the library's text on standard error, exit status 1, nothing on standard output.
if "$mailtool" fetch "127.0.0.1:$POP3_PORT" alice wrong "$work/none" > "$work/err.out" 2> "$work/err.txt"; then
  fail "a wrong password was accepted"
fi
grep -q -- "-ERR \[AUTH\] Authentication failed." "$work/err.txt" || fail "no server text: $(cat "$work/err.txt")"
[ ! -s "$work/err.out" ] || fail "output on a failed fetch"

# A certificate issued for another host name: refused before USER is sent.
python3 "$servers_py" start "$work/otherhost" --owner $$ --cert otherhost >/dev/null
other_port=$(sed -n 's/^POP3S_PORT=//p' "$work/otherhost/servers.env")
other_log=$(sed -n 's/^DOVECOT_LOG=//p' "$work/otherhost/servers.env")
SSL_CERT_FILE=$(sed -n 's/^CA_FILE=//p' "$work/otherhost/servers.env")  # each start makes its own CA
if "$mailtool" fetch --security tls "127.0.0.1:$other_port" alice secret "$work/other" > "$work/other.out" 2> "$work/other.txt"; then
  fail "a certificate for another host was accepted"
fi
grep -q "not trusted: it was issued for another host" "$work/other.txt" || fail "no reason: $(cat "$work/other.txt")"
[ ! -s "$work/other.out" ] || fail "output on a refused certificate"
! grep -q "user=<alice>" "$other_log" || fail "the user name reached the server"
echo "mailtool send and fetch: 1 passed, 0 failed"
