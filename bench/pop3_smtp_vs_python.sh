#!/usr/bin/env bash
# POP3 and SMTP client speed, in plain text and over TLS: Python's poplib
# and smtplib against the C++ clients, with raw pipelined clients beside them
# as the servers' limit, on private Dovecot and Postfix servers on loopback
# (see pop3_smtp_python.py for the cases). The C++ program is the first argument
# or $CLIENT_BENCH, by default build/bench/bench_mailclients; without it only the Python figures
# are printed. Installs what is missing, needs root for the servers.
set -euo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
client=${1:-${CLIENT_BENCH:-$top/build/bench/bench_mailclients}}
[ -x "$client" ] || client=""
mailservers="$top/tests/support/mailservers.py"

bash "$top/scripts/install-deps.sh"

servers=$(mktemp -d /tmp/corvalen-bench-XXXXXX)
cleanup() {
  python3 "$mailservers" stop "$servers" >/dev/null || true
  rm -rf "$servers"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
# --owner: the servers stop even if this script is killed before its trap runs.
python3 "$mailservers" start "$servers" --owner $$ >/dev/null

python3 "$top/bench/pop3_smtp_python.py" --servers "$servers" ${client:+--client "$client"}
