#!/usr/bin/env bash
# End-to-end check of the Windows toolchain and wine runtime: cross-compiles
# small programs for i686 and x86_64, runs them under wine (32-bit wine via
# qemu) against a loopback HTTP server, and prints how long each step took.
# Needs setup-toolchain.sh and build-deps.sh to have run.
set -euo pipefail
start=$SECONDS
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
work=$(mktemp -d /tmp/pagerates-smoke.XXXXXX)
server=
cleanup() { [[ -z $server ]] || kill "$server" 2>/dev/null || true; rm -rf "$work"; }
trap cleanup EXIT

fail() { echo "smoke: $*" >&2; exit 1; }
now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds
# timed LABEL CMD...: runs CMD with output in $work/out, prints LABEL and seconds.
timed() {
  local label=$1 t0 rc=0
  shift
  t0=$(now)
  "$@" >"$work/out" 2>&1 || rc=$?
  local ds=$((($(now) - t0) / 100000))
  printf '  %-38s %4d.%ds\n' "$label" $((ds / 10)) $((ds % 10))
  return $rc
}

# Loopback HTTP server on an ephemeral port.
mkdir -p "$work/www"
printf 'EUR/USD 1.0842' >"$work/www/rates.txt"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$work/www" >"$work/http.log" 2>&1 &
server=$!
for _ in $(seq 50); do
  port=$(sed -n 's/.* port \([0-9]*\).*/\1/p' "$work/http.log")
  [[ -n $port ]] && break
  sleep 0.1
done
[[ -n $port ]] || fail "http server did not start: $(cat "$work/http.log")"
url=http://127.0.0.1:$port/rates.txt

echo "smoke timings:"
timed "wine prefix boot (once)" wine_boot || fail "wine_boot: $(cat "$work/out")"

for t in x86_64 i686; do
  cc=$t-w64-mingw32-gcc cxx=$t-w64-mingw32-g++ d=$work/$t
  pcre=$root/.cache/win/$t/pcre curl=$root/.cache/win/$t/curl-verified
  [[ -f $curl/bin/libcurl.dll && -f $pcre/lib/libpcre.a ]] || fail "run build-deps.sh $t first"
  mkdir -p "$d"
  cp "$curl/bin/libcurl.dll" "$d/"
  $cc -O2 -o "$d/hello.exe" "$here/smoke/hello.c"
  $cc -O2 -DPCRE_STATIC -I"$curl/include" -I"$pcre/include" -o "$d/depcheck.exe" \
    "$here/smoke/depcheck.c" -L"$pcre/lib" -lpcre -static-libgcc
  $cxx -std=c++20 -O2 -shared -static -o "$d/cxxcheck.dll" "$here/smoke/cxxcheck.cpp"
  for f in hello.exe depcheck.exe cxxcheck.dll; do
    imports=$($t-w64-mingw32-objdump -p "$d/$f" | sed -n 's/.*DLL Name: //p' | tr '\n' ' ')
    [[ $imports != *lib*.dll* ]] || fail "$t $f needs mingw runtime DLLs: $imports"
  done

  if [[ $t == x86_64 ]]; then run=wine_run64; else run=wine_run32; fi
  cd "$d"
  timed "$t hello.exe" $run hello.exe || fail "$t hello.exe: $(cat "$work/out")"
  bits=64; [[ $t == x86_64 ]] || bits=32
  grep -q "hello from $bits-bit" "$work/out" ||
    fail "$t hello.exe printed: $(cat "$work/out")"
  rc=0; timed "$t hello.exe 7 (exit code)" $run hello.exe 7 || rc=$?
  [[ $rc == 7 ]] || fail "$t hello.exe 7 exited with $rc"
  timed "$t depcheck.exe (curl, pcre, c++)" $run depcheck.exe "$url" "$(cat "$work/www/rates.txt")" ||
    fail "$t depcheck.exe: $(cat "$work/out")"
  grep -q 'bytes ok' "$work/out" || fail "$t depcheck.exe printed: $(cat "$work/out")"
  cd "$root"
done
echo "smoke: all passed in $((SECONDS - start))s"
