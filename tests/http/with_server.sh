#!/usr/bin/env bash
# Runs a command with the loopback test server up:
#   with_server.sh ROOT COMMAND [ARG...]
# The command sees PAGERATES_TEST_HTTP (the base address) and
# PAGERATES_TEST_HTTP_LOG (the request log); "@HTTP@" and "@HTTP_LOG@" in its
# arguments are replaced by the same. The server is stopped afterwards.
set -euo pipefail
root=$1
shift
work=$(mktemp -d)
python3 "$(dirname "$0")/test_server.py" --root "$root" --log "$work/requests.log" \
  --port-file "$work/port" &
server=$!
stop() {
  kill "$server" 2>/dev/null || true
  wait "$server" 2>/dev/null || true
  rm -rf "$work"
}
trap stop EXIT
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
[ -s "$work/port" ] || { echo "test server did not start" >&2; exit 1; }
: >"$work/requests.log"
export PAGERATES_TEST_HTTP="http://127.0.0.1:$(cat "$work/port")"
export PAGERATES_TEST_HTTP_LOG="$work/requests.log"
args=()
for a in "$@"; do
  a=${a//@HTTP_LOG@/$PAGERATES_TEST_HTTP_LOG}
  args+=("${a//@HTTP@/$PAGERATES_TEST_HTTP}")
done
status=0
"${args[@]}" || status=$?
exit "$status"
