#!/usr/bin/env bash
# HTTPS end to end: the command-line host downloads the primary page and the
# module downloads the secondary ones, against loopback TLS servers whose
# certificates come from a test CA made here and thrown away afterwards.
#
#   check_tls.sh [--wine WINE] PAGERATES
#
# PAGERATES is the command-line host (with --wine, a Windows .exe run by
# WINE, with a private copy of the wine prefix). Servers on 127.0.0.1:
#   trusted      certificate for localhost from the test CA
#   untrusted    certificate for localhost from a CA nobody trusts
#   wrong-host   certificate from the test CA for another name
#   expired      certificate for localhost from the test CA, expired
#   revoked      certificate for localhost from the test CA, listed as
#                revoked in the revocation list it names (a plain server)
# The test CA is trusted only inside a private mount namespace, where a
# bundle of the system's CAs plus the test CA is bound over the system
# bundle that libcurl and wine read; the machine is not changed.
#
# Checks: a two-day fetch with the primary and one secondary preset on the
# trusted server and one secondary preset on each bad one delivers the
# trusted records only; each bad address fails (tried once per call), is not
# scanned and does not stall the run. A primary page on a bad server fails
# the day. The revoked certificate is refused on Windows; Linux (libcurl
# with OpenSSL) does not check revocation and accepts it. Prints the
# outcomes and how long each run took.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
self=$here/$(basename "${BASH_SOURCE[0]}")
wine=
if [[ ${1:-} == --wine ]]; then wine=$2; shift 2; fi
cli=$(realpath "$1")
bundle=/etc/ssl/certs/ca-certificates.crt
fail() { echo "tls: $*" >&2; exit 1; }

if [[ -z ${PAGERATES_TLS_WORK:-} ]]; then
  command -v openssl >/dev/null || fail "openssl is missing (scripts/setup installs it)"
  [[ -f $bundle ]] || fail "no system CA bundle at $bundle"
  work=$(mktemp -d /tmp/pagerates-tls.XXXXXX)
  servers=() prefix=
  cleanup() {
    local pid
    for pid in "${servers[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${servers[@]}"; do wait "$pid" 2>/dev/null || true; done
    if [[ -n ${prefix:-} ]]; then
      wineserver -k 2>/dev/null || true
      rm -rf "$prefix"
    fi
    rm -rf "$work"
  }
  trap cleanup EXIT
  cd "$work"
  ssl() { openssl "$@" >>"$work/openssl.log" 2>&1 || { cat "$work/openssl.log" >&2; fail "openssl $1 failed"; }; }
  # Two CAs: the test CA, trusted in the namespace, and one nobody trusts.
  for ca in test-ca rogue-ca; do
    ssl req -x509 -newkey rsa:2048 -nodes -keyout "$ca.key" -out "$ca.pem" -days 2 \
      -subj "/CN=pagerates $ca" -addext "basicConstraints=critical,CA:TRUE" \
      -addext "keyUsage=critical,keyCertSign,cRLSign"
  done
  # The test CA's small database, for the certificates the ca command makes
  # (past validity, revocation).
  mkdir -p ca-db crl
  : >ca-db/index.txt
  echo 1000 >ca-db/serial
  printf '[ca]\ndefault_ca=d\n[d]\ndatabase=ca-db/index.txt\nnew_certs_dir=ca-db\nserial=ca-db/serial\nunique_subject=no\ndefault_md=sha256\npolicy=p\n[p]\ncommonName=supplied\n' >ca.cnf
  # A plain server for the test CA's revocation list.
  : >requests-crl.log
  python3 "$here/test_server.py" --root crl --log "$work/requests-crl.log" --port-file "$work/crl.port" &
  servers+=($!)
  for _ in $(seq 100); do [[ -s crl.port ]] && break; sleep 0.1; done
  [[ -s crl.port ]] || fail "the revocation list server did not start"
  # leaf NAME CA HOST [CA-ARGS...]: a server certificate for HOST, made by the
  # ca command with CA-ARGS when there are any. $extra_ext adds extensions.
  extra_ext=
  leaf() {
    local name=$1 ca=$2 host=$3
    shift 3
    printf 'subjectAltName=DNS:%s\nbasicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature,keyEncipherment\nextendedKeyUsage=serverAuth\n%s' \
      "$host" "$extra_ext" >"$name.ext"
    ssl req -new -newkey rsa:2048 -nodes -keyout "$name.key" -out "$name.csr" -subj "/CN=$host"
    if [[ $# -gt 0 ]]; then
      ssl ca -batch -config ca.cnf -cert "$ca.pem" -keyfile "$ca.key" -in "$name.csr" \
        -out "$name.pem" -extfile "$name.ext" -notext "$@"
    else
      ssl x509 -req -in "$name.csr" -CA "$ca.pem" -CAkey "$ca.key" -CAcreateserial \
        -days 2 -sha256 -extfile "$name.ext" -out "$name.pem"
    fi
  }
  leaf trusted test-ca localhost
  leaf untrusted rogue-ca localhost
  leaf wrong-host test-ca wrong-host.invalid
  leaf expired test-ca localhost -startdate 20200101000000Z -enddate 20200201000000Z
  # Revoked, with the list that says so where the certificate points.
  extra_ext="crlDistributionPoints=URI:http://127.0.0.1:$(cat crl.port)/test-ca.crl"$'\n'
  leaf revoked test-ca localhost -days 2
  extra_ext=
  ssl ca -config ca.cnf -cert test-ca.pem -keyfile test-ca.key -revoke revoked.pem
  ssl ca -config ca.cnf -cert test-ca.pem -keyfile test-ca.key -gencrl -crldays 2 -out crl.pem
  ssl crl -in crl.pem -outform DER -out crl/test-ca.crl
  cat "$bundle" test-ca.pem >bundle.crt

  # The pages: a primary page per day and one page per secondary preset.
  mkdir -p www
  for d in 07 08; do
    printf 'USD=64.%s\n' "$d" >"www/primary-$d.txt"
    printf 'EUR=72.%s\n' "$d" >"www/trusted-$d.txt"
    printf 'GBP=83.%s\n' "$d" >"www/untrusted-$d.txt"
    printf 'CHF=66.%s\n' "$d" >"www/wrong-host-$d.txt"
    printf 'JPY=63.%s\n' "$d" >"www/expired-$d.txt"
  done
  cp www/primary-07.txt www/revoked-07.txt
  for s in trusted untrusted wrong-host expired revoked; do
    : >"requests-$s.log"
    python3 "$here/test_server.py" --root www --log "requests-$s.log" --port-file "$work/$s.port" \
      --tls-cert "$work/$s.pem" --tls-key "$work/$s.key" &
    servers+=($!)
  done
  for s in trusted untrusted wrong-host expired revoked; do
    for _ in $(seq 100); do [[ -s $s.port ]] && break; sleep 0.1; done
    [[ -s $s.port ]] || fail "the $s server did not start"
  done
  if [[ -n $wine ]]; then
    # A private copy of the prefix: its wineserver (and the registry copy of
    # the root store it keeps) serves these runs only.
    # Linked file by file beside the original (wine replaces the registry
    # files it saves rather than writing into them; they are copied anyway).
    [[ -d ${WINEPREFIX:-} ]] || fail "no wine prefix (source scripts/win/wine-env.sh and boot it)"
    prefix=$(mktemp -d "${WINEPREFIX%/}.tls.XXXXXX")
    cp -al "$WINEPREFIX/." "$prefix/"
    for f in "$prefix"/*.reg; do cp --remove-destination "$WINEPREFIX/${f##*/}" "$f"; done
    export WINEPREFIX=$prefix
  fi
  status=0
  PAGERATES_TLS_WORK=$work unshare -m --propagation private \
    bash -c 'mount --bind "$1" "$2" && shift 2 && exec "$@"' _ "$work/bundle.crt" "$bundle" \
    "$self" ${wine:+--wine "$wine"} "$cli" || status=$?
  exit "$status"
fi

# ---- Inside the namespace ----------------------------------------------------
work=$PAGERATES_TLS_WORK
cd "$work"
grep -q "$(sed -n 2p test-ca.pem)" "$bundle" || fail "the test CA is not in the bundle"
# One wineserver for every run (killed by the outer cleanup), started here so
# that it sees the namespace: none exits between runs while the next starts.
if [[ -n $wine ]]; then wineserver -p; fi
port() { cat "$work/$1.port"; }
# The path as the program sees it.
hostpath() {
  if [[ -n $wine ]]; then local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; else echo "$1"; fi
}
run() {
  if [[ -n $wine ]]; then "$wine" "$cli" "$@"; else "$cli" "$@"; fi
}
preset() {  # NAME SERVER
  printf '[%s]\nHomeCurrencyCode=RUB\nPageURL=https://localhost:%s/%s-%%dd%%.txt\nCodepage=65001\nRecord=(?<code>[A-Z]{3})=(?<value2>[0-9.]+)\n' \
    "$1" "$(port "$2")" "$1"
}
seconds() { echo "$(( ($(date +%s%N) - $1) / 1000000 )) ms"; }

# 1. Both days, every kind of server.
{
  printf '[main]\nActivePreset=primary,trusted,untrusted,wrong-host,expired\n'
  printf '[primary]\nName=TLS test\nHomeCurrencyCode=RUB\nServer=localhost:%s\nPageURL=/primary-%%dd%%.txt\nCodepage=65001\nRecord=(?<code>[A-Z]{3})=(?<value2>[0-9.]+)\n' \
    "$(port trusted)"
  preset trusted trusted
  preset untrusted untrusted
  preset wrong-host wrong-host
  preset expired expired
} >multi.ini
t0=$(date +%s%N)
code=0
run fetch --ini "$(hostpath multi.ini)" --from 2016-09-07 --to 2016-09-08 --scheme https \
  --format csv -v >multi.out 2>multi.err || code=$?
took=$(seconds "$t0")
tr -d '\r' <multi.out >multi.csv
tr -d '\r' <multi.err >multi.log
[[ $code == 0 ]] || { cat multi.log >&2; fail "fetch exited with $code"; }
codes=$(cut -d, -f2 multi.csv | grep -E '^[A-Z]{3}$' | sort | paste -sd' ')
[[ $codes == "EUR EUR USD USD" ]] || { cat multi.csv multi.log >&2; fail "delivered $codes, want EUR and USD for each day"; }
# The module is handed both days' requests before the first page, so its
# first call asks for both days' secondary pages; a failed one is asked for
# again by the next call, the one for 2016-09-08.
for d in 07:1 08:2; do
  want=${d#*:} d=${d%:*}
  grep -qx "download: https://localhost:$(port trusted)/trusted-$d.txt: HTTP 200" multi.log ||
    { cat multi.log >&2; fail "trusted-$d.txt was not downloaded"; }
  for s in untrusted wrong-host expired; do
    n=$(grep -c "^download: https://localhost:$(port "$s")/$s-$d.txt: failed: " multi.log || true)
    [[ $n == "$want" ]] || { cat multi.log >&2; fail "$s-$d.txt: $n failure reports, want $want"; }
  done
done
for s in untrusted wrong-host expired; do
  refused=$(grep -c '^TLS refused$' "requests-$s.log" || true)
  gets=$(grep -c '^GET ' "requests-$s.log" || true)
  # A client that checks the name after the handshake just hangs up.
  [[ $gets == 0 ]] || fail "$s server: $gets pages served; want none"
  echo "tls: $s: $(grep -m1 "localhost:$(port "$s")/" multi.log | sed 's/.*: failed: /failed: /')" \
    "($refused handshakes refused by the client)"
done
echo "tls: two-day fetch (primary and trusted secondary delivered, three refused per day): $took"

# 2. scan -v reports the module's downloads the same way.
code=0
run scan --ini "$(hostpath multi.ini)" --date 2016-09-07 --format csv -v \
  "$(hostpath www/primary-07.txt)" >scan.out 2>scan.err || code=$?
[[ $code == 0 ]] || { cat scan.err >&2; fail "scan exited with $code"; }
reports=$(tr -d '\r' <scan.err | grep -c '^download: ' || true)
failures=$(tr -d '\r' <scan.err | grep -c '^download: .*: failed: ' || true)
[[ $reports == 4 && $failures == 3 ]] ||
  { cat scan.err >&2; fail "scan -v: $reports download lines, $failures failures; want 4 and 3"; }
echo "tls: scan -v: $reports downloads reported, $failures refused"

printf '[main]\nActivePreset=p\n[p]\nHomeCurrencyCode=RUB\nServer=localhost:%s\nPageURL=/revoked-%%dd%%.txt\nCodepage=65001\nRecord=(?<code>[A-Z]{3})=(?<value2>[0-9.]+)\n' \
  "$(port revoked)" >primary-revoked.ini

# 3. The primary page on each bad server fails its day.
for s in untrusted wrong-host expired; do
  printf '[main]\nActivePreset=p\n[p]\nHomeCurrencyCode=RUB\nServer=localhost:%s\nPageURL=/primary-%%dd%%.txt\nCodepage=65001\nRecord=(?<code>[A-Z]{3})=(?<value2>[0-9.]+)\n' \
    "$(port "$s")" >"primary-$s.ini"
  t0=$(date +%s%N)
  code=0
  run fetch --ini "$(hostpath "primary-$s.ini")" --date 2016-09-07 --scheme https --format csv \
    >"primary-$s.out" 2>"primary-$s.err" || code=$?
  took=$(seconds "$t0")
  reason=$(tr -d '\r' <"primary-$s.err" | grep -m1 "^pagerates: https://localhost:$(port "$s")/primary-07.txt: " || true)
  [[ $code == 1 && -n $reason ]] || { cat "primary-$s.err" >&2; fail "primary on $s: exit $code"; }
  ! grep -q USD "primary-$s.out" || fail "primary on $s: records delivered"
  echo "tls: primary on $s: ${reason#pagerates: } ($took)"
done
# 4. Revocation. Windows: a certificate whose revocation list names it is
# refused. Linux: libcurl with OpenSSL does not look at revocation lists,
# and the download goes ahead.
revoked_fetch() {
  code=0
  run fetch --ini "$(hostpath primary-revoked.ini)" --date 2016-09-07 --scheme https --format csv \
    >primary-revoked.out 2>primary-revoked.err || code=$?
  crl_asked=$(grep -c '^GET /test-ca.crl$' requests-crl.log || true)
  reason=$(tr -d '\r' <primary-revoked.err | grep -m1 "^pagerates: https://localhost:$(port revoked)/" || true)
}
revoked_fetch
if [[ -n $wine ]]; then
  # In a wine prefix booted moments before, the first revocation check
  # can end before the list is even asked for: one more try, said aloud.
  if [[ $code == 1 && $reason == *REVOKED* ]]; then
    again=""
  else
    again=" (second try; the first: exit $code, list asked for $crl_asked times: $(tr -d '\r\n' <primary-revoked.err))"
    sleep 2
    revoked_fetch
  fi
  [[ $code == 1 && $reason == *REVOKED* ]] ||
    { cat primary-revoked.err >&2; fail "revoked certificate: exit $code, want it refused as revoked (revocation list asked for $crl_asked times)$again"; }
  echo "tls: primary on revoked: ${reason#pagerates: } (revocation list asked for $crl_asked times)$again"
else
  [[ $code == 0 ]] && grep -q USD primary-revoked.out ||
    { cat primary-revoked.err >&2; fail "revoked certificate: exit $code"; }
  echo "tls: primary on revoked: accepted (no revocation checks; list asked for $crl_asked times)"
fi
echo "tls: all cases passed"
