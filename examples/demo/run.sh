#!/usr/bin/env bash
# The demo's main job, given a built `pagerates` and module:
#   run.sh PAGERATES MODULE
# Serves the pages in www/ from a web server on a free loopback port,
# writes the demo INI file for that port into a private folder, and has
# `pagerates fetch` play the host for the week 2016-09-07 to 2016-09-13.
# Everything it starts or writes is gone when it ends.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
pagerates=$1
module=$2
first=2016-09-07
last=2016-09-13

work=$(mktemp -d)
server=
stop() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
  fi
  rm -rf "$work"
}
trap stop EXIT

python3 "$root/tests/http/test_server.py" --root "$here/www" \
  --log "$work/requests.log" --port-file "$work/port" &
server=$!
for _ in $(seq 100); do [ -s "$work/port" ] && break; sleep 0.1; done
if [ ! -s "$work/port" ]; then
  echo "demo: the local web server did not start" >&2
  exit 1
fi
base="http://127.0.0.1:$(cat "$work/port")"
sed "s|@HTTP@|$base|g" "$here/pagerates.ini.in" >"$work/pagerates.ini"

cat <<TEXT
A week of rates, $first to $last, from two presets:
  demo-bank  a central bank's HTML table in windows-1251 (the host downloads it)
  demo-feed  an exchange's XML daily feed (the module downloads it itself)

TEXT
status=0
"$pagerates" --module "$module" fetch --ini "$work/pagerates.ini" \
  --from "$first" --to "$last" --format table 2>"$work/errors" || status=$?

# The bank publishes nothing at weekends: the host's downloads of those
# days fail, and fetch says so and ends with status 1. Anything else on
# stderr is a real failure.
weekend=$(grep -c -E '/bank/daily_1[01]\.09\.2016\.html: HTTP 404$' \
  "$work/errors" || true)
others=$(grep -c -v -E '/bank/daily_1[01]\.09\.2016\.html: HTTP 404$' \
  "$work/errors" || true)
if [ "$status" -eq 1 ] && [ "$weekend" -eq 2 ] && [ "$others" -eq 0 ]; then
  status=0
else
  sed "s|$base||g" "$work/errors" >&2
fi
bank=$(grep -c ' /bank/' "$work/requests.log" || true)
feed=$(grep -c ' /feed/' "$work/requests.log" || true)
cat <<TEXT

The host asked for $bank bank pages and got one for each weekday; there is none
for 2016-09-10 and 2016-09-11, a weekend. The module asked for $feed feed pages:
one for each day it had been given, the weekend's included.
TEXT
exit "$status"
