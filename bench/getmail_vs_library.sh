#!/usr/bin/env bash
# Get Mail through the application against RetrieveAll of the library alone:
# 1,000 messages of 5 KiB in a private Dovecot mailbox, fetched and deleted,
# receipts off; three runs of each, medians, and the application's time as a
# multiple of the library's (target: at most 1.5), with how often the event
# loop ran meanwhile (target: at least 20 times a second). Needs root for the
# servers and a build (bash scripts/test.sh, or cmake --build build).
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
program=${1:-$top/build/bench/bench_getmail}
mailservers="$top/tests/support/mailservers.py"

servers=$(mktemp -d /tmp/corvalen-bench-XXXXXX)
staging=$(mktemp -d /tmp/corvalen-messages-XXXXXX)
cleanup() {
  python3 "$mailservers" stop "$servers" >/dev/null || true
  rm -rf "$servers" "$staging"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
python3 "$mailservers" start "$servers" --owner $$ >/dev/null
. "$servers/servers.env"

python3 - "$staging" <<'PY'
import os, sys
for n in range(1000):
    head = f"From: sender{n}@example.test\r\nTo: alice@example.test\r\nSubject: Message {n}\r\n\r\n".encode()
    body = (b"x" * 78 + b"\r\n") * ((5 * 1024 - len(head)) // 80)
    open(os.path.join(sys.argv[1], f"{n:04}.eml"), "wb").write(head + body)
PY

run() {  # MODE: fills the mailbox, runs the program, prints its seconds
  python3 "$mailservers" put "$servers" alice "$staging"/*.eml
  "$program" "$1" "$POP3_PORT" 2> "$servers/$1.err" || { cat "$servers/$1.err" >&2; exit 1; }
  [ "$(python3 "$mailservers" count "$servers" alice)" = 0 ] || { echo "$1 left messages on the server" >&2; exit 1; }
}
app=() library=()
for _ in 1 2 3; do
  app+=("$(run app)")
  grep 'event loop' "$servers/app.err" | sed 's/^/  /'
  library+=("$(run library)")
done
median() { printf '%s\n' "$@" | sort -n | sed -n 2p; }
a=$(median "${app[@]}") l=$(median "${library[@]}")
echo "Get Mail of 1000 messages of 5 KiB (median of 3)"
echo "  application  $a s   runs: ${app[*]}"
echo "  library      $l s   runs: ${library[*]}"
python3 -c "print(f'  application / library  {$a / $l:.2f}  (target <= 1.50)')"
