#!/usr/bin/env bash
# The Windows side of the test command:
#   1. toolchain, wine and qemu (setup-toolchain.sh); PCRE and libcurl for
#      both targets from Debian's source packages (build-deps.sh, cached);
#   2. pagerates.dll, pagerates.exe and the test programs for i686 (preset
#      win32) and x86_64 (preset win64);
#   3. the export and import tables of both DLLs;
#   4. the scenario suite in one wine process per target (x86_64 under
#      wine64, i686 under 32-bit wine through qemu), with the loopback test
#      server, followed by the loader checks of the Windows host; every
#      transcript is compared byte for byte with the Linux module's;
#   5. pagerates.exe info and scan under wine for both targets;
#   6. the shipped presets on their real pages, as on Linux;
#   7. HTTPS end to end for both targets (tests/http/check_tls.sh);
#   8. pagerates-win32.zip (package.sh, CPack), unpacked and run under
#      32-bit wine with its sample INI and every shipped preset.
# Prints how long each step took.
# Usage: [PAGERATES_LINUX_BUILD=DIR] scripts/win/test.sh
set -euo pipefail
started=$SECONDS
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
cd "$root"
work=$(mktemp -d /tmp/pagerates-wintest.XXXXXX)
trap 'rm -rf "$work"' EXIT

timings=()
fail() { echo "win test: $*" >&2; exit 1; }
now() { echo "${EPOCHREALTIME/[.,]/}"; }  # microseconds
# step LABEL CMD...: runs CMD, remembers how long it took.
step() {
  local label=$1 t0 ds
  t0=$(now)
  shift
  echo "== $label"
  "$@"
  ds=$((($(now) - t0) / 100000))
  timings+=("$(printf '%-46s %5d.%d s' "$label" $((ds / 10)) $((ds % 10)))")
}
# The path as wine programs see it (the prefix maps Z: to /).
winpath() { local p; p=$(realpath -m "$1"); echo "Z:${p//\//\\}"; }

step "toolchain, wine, qemu" scripts/win/setup-toolchain.sh
step "PCRE and libcurl, both targets" scripts/win/build-deps.sh i686 x86_64

build() {
  cmake --preset "$1" >"$work/configure-$1.log" || { cat "$work/configure-$1.log"; return 1; }
  cmake --build --preset "$1" -j "$(nproc)"
}
step "build win32 (i686)" build win32
step "build win64 (x86_64)" build win64

# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
step "wine prefix boot" wine_boot

# ---- Export and import tables --------------------------------------------
check_tables() {
  local triple dll exports imports bad
  for target in i686:build-win32 x86_64:build-win64; do
    triple=${target%%:*}-w64-mingw32 dll=${target#*:}/pagerates.dll
    exports=$("$triple-objdump" -p "$dll" |
      sed -n '/^\[Ordinal\/Name Pointer\] Table/,/^$/s/^[[:space:]]*\[ *[0-9]*\] //p' | sort | paste -sd' ')
    echo "$dll exports: $exports"
    [[ $exports == "FetchRates GetLibraryInfo GetResources" ]] ||
      fail "$dll must export exactly FetchRates, GetLibraryInfo and GetResources, undecorated"
    imports=$("$triple-objdump" -p "$dll" | sed -n 's/.*DLL Name: //p' | sort | paste -sd' ')
    echo "$dll imports: $imports ($(stat -c %s "$dll") bytes)"
    bad=$(tr ' ' '\n' <<<"$imports" |
      grep -viE '^(kernel32|user32|msvcrt|ucrtbase|api-ms-win-crt-[a-z0-9-]*)\.dll$' || true)
    [[ -z $bad ]] || fail "$dll imports non-system DLLs: $bad"
  done
}
step "export and import tables" check_tables

# ---- Scenario suite --------------------------------------------------------
# The Linux transcripts, when the Linux build is there (scripts/test makes
# it first; PAGERATES_LINUX_BUILD names another build folder); the Windows
# ones are compared with them byte for byte.
linux_build=$(realpath -m "${PAGERATES_LINUX_BUILD:-$root/build}")
linux_runner=$linux_build/scenario_runner
linux_module=$linux_build/pagerates.so
run_linux_suite() {
  mkdir -p "$work/linux"
  tests/http/with_server.sh tests/scenarios "$linux_runner" --module "$linux_module" \
    --cases tests/scenarios --http-from-env --save "$work/linux" >"$work/linux.out" ||
    { cat "$work/linux.out"; fail "the Linux scenario suite failed"; }
}
if [[ -x $linux_runner && -f $linux_module ]]; then
  step "scenario suite, Linux module (reference)" run_linux_suite
fi

# run_suite BUILD_DIR WINE NAME: the whole suite in one wine process.
run_suite() {
  local dir=$1 wine=$2 name=$3
  mkdir -p "$work/$name"
  (cd "$root/$dir/tests" && "$root/tests/http/with_server.sh" "$root/tests/scenarios" \
    "$wine" scenario_runner.exe --module "$(winpath "$root/$dir/pagerates.dll")" \
    --cases "$(winpath "$root/tests/scenarios")" --http-from-env \
    --save "$(winpath "$work/$name")") \
    >"$work/$name.out" 2>&1 || { cat "$work/$name.out"; fail "the $name scenario suite failed"; }
  cat "$work/$name.out"
  tail -n1 "$work/$name.out" >>"$work/counts"
}
# The cases that take minutes (a download that runs into its time limit)
# wait on the network, not the processor: they run for both DLLs in the
# background while the other steps go on, and are waited for at the end.
slow_pids=()
start_slow_cases() {
  local target dir wine name
  for target in build-win64:/usr/lib/wine/wine64:slow-win64 build-win32:/usr/lib/wine/wine:slow-win32; do
    IFS=: read -r dir wine name <<<"$target"
    mkdir -p "$work/$name"
    (cd "$root/$dir/tests" && PAGERATES_TEST_SLOW=1 "$root/tests/http/with_server.sh" \
      "$root/tests/scenarios" "$wine" scenario_runner.exe \
      --module "$(winpath "$root/$dir/pagerates.dll")" --cases "$(winpath "$root/tests/scenarios")" \
      --http-from-env --save "$(winpath "$work/$name")" multi-time-limit) >"$work/$name.out" 2>&1 &
    slow_pids+=("$!")
  done
}
wait_slow_cases() {
  local pid name
  for pid in "${slow_pids[@]}"; do wait "$pid" || true; done
  for name in slow-win64 slow-win32; do
    cat "$work/$name.out"
    grep -q '^1 passed, 0 failed' "$work/$name.out" || fail "the slow case failed for $name"
    tail -n1 "$work/$name.out" >>"$work/counts"
  done
  diff -r "$work/slow-win64" "$work/slow-win32" || fail "x86_64 and i686 slow transcripts differ"
}
start_slow_cases
step "scenario suite, x86_64 DLL under wine64" run_suite build-win64 /usr/lib/wine/wine64 win64
step "scenario suite, i686 DLL under 32-bit wine" run_suite build-win32 /usr/lib/wine/wine win32

compare_transcripts() {
  local other cases
  cases=$(find "$work/win64" -type f | wc -l)
  cmp -s <(cd "$work/win64" && find . -type f | sort) <(cd "$work/win32" && find . -type f | sort) ||
    fail "the two Windows suites ran different cases"
  diff -r "$work/win64" "$work/win32" || fail "x86_64 and i686 transcripts differ"
  if [[ -d $work/linux ]]; then
    # Cases the Linux host cannot arrange (no libcurl at all) have no Linux
    # transcript; every other one must match.
    for other in "$work"/linux/*; do
      cmp "$other" "$work/win64/${other##*/}" || fail "Linux and Windows transcripts differ"
    done
    echo "transcripts: $cases cases byte-identical on x86_64 and i686;" \
      "$(find "$work/linux" -type f | wc -l) of them also with the Linux module"
  else
    echo "transcripts: $cases cases byte-identical on x86_64 and i686 (no Linux build to compare)"
  fi
}
step "transcripts compared" compare_transcripts

# ---- pagerates.exe -----------------------------------------------------------
run_cli() {
  local dir wine
  for target in build-win64:/usr/lib/wine/wine64 build-win32:/usr/lib/wine/wine; do
    dir=${target%%:*} wine=${target#*:}
    "$wine" "$dir/pagerates.exe" info --ini "$(winpath tools/testdata/example.ini)" \
      >"$work/info.out" 2>&1 || { cat "$work/info.out"; fail "$dir pagerates.exe info failed"; }
    grep -q '^name: Example bank' "$work/info.out" ||
      { cat "$work/info.out"; fail "$dir pagerates.exe info printed the wrong thing"; }
    "$wine" "$dir/pagerates.exe" scan --ini "$(winpath tools/testdata/example.ini)" \
      --date 2016-09-07 --format jsonl "$(winpath tools/testdata/example_page.html)" \
      >"$work/scan.out" 2>&1 || { cat "$work/scan.out"; fail "$dir pagerates.exe scan failed"; }
    tr -d '\r' <"$work/scan.out" | cmp - tools/testdata/example_scan.jsonl ||
      { cat "$work/scan.out"; fail "$dir pagerates.exe scan printed the wrong records"; }
    echo "$dir/pagerates.exe: info and scan ok"
  done
}
step "pagerates.exe info and scan under wine" run_cli

# The shipped presets on their real pages: with the Windows code-page
# conversion, every record as the Linux module delivers it. Each source is
# a scenario case (its preset, its page, the day its test asks for), so
# each platform runs all of them in one process.
run_real_pages() {
  local folder source page date cases=$work/real-cases target dir wine name
  [[ -x $linux_runner && -f $linux_module ]] || { echo "no Linux build: skipped"; return 0; }
  for folder in tests/real-pages/*/; do
    source=$(basename "$folder")
    [[ -f presets/$source/pagerates.ini ]] || continue
    page=$(echo "$folder"page.*)
    date=$(sed -n 's/^SCAN_DATE = "\(.*\)"$/\1/p' "$folder/expected.py")
    mkdir -p "$cases/$source"
    cp "presets/$source/pagerates.ini" "$cases/$source/pagerates.ini"
    cp "$page" "$cases/$source/"
    echo "fetch ${date:-2016-09-08} ${page##*/}" >"$cases/$source/steps"
  done
  mkdir -p "$work/real-linux"
  "$linux_runner" --module "$linux_module" --cases "$cases" --update \
    --save "$work/real-linux" >"$work/real-linux.out" ||
    { cat "$work/real-linux.out"; fail "the Linux module on the real pages"; }
  for target in build-win64:/usr/lib/wine/wine64:real-win64 build-win32:/usr/lib/wine/wine:real-win32; do
    IFS=: read -r dir wine name <<<"$target"
    mkdir -p "$work/$name"
    (cd "$root/$dir/tests" && "$wine" scenario_runner.exe \
      --module "$(winpath "$root/$dir/pagerates.dll")" --cases "$(winpath "$cases")" \
      --save "$(winpath "$work/$name")") >"$work/$name.out" 2>&1 ||
      { cat "$work/$name.out"; fail "$dir: the real pages scan differently from Linux"; }
    diff -r "$work/real-linux" "$work/$name" || fail "$dir: real-page transcripts differ from Linux"
  done
  echo "real pages: $(ls "$cases" | wc -l) sources, $(cat "$work"/real-linux/* | grep -c '^rate ') records" \
    "identical on x86_64, i686 and Linux"
}
step "shipped presets on real pages under wine" run_real_pages

# ---- HTTPS -------------------------------------------------------------------
# pagerates.exe's own downloads and the module's, through the shipped
# libcurl.dll, against TLS servers with a throwaway test CA
# (tests/http/check_tls.sh): a trusted certificate delivers; an untrusted
# CA, a wrong host name and an expired certificate are refused.
run_tls() {
  tests/http/check_tls.sh --wine "$2" "$1/pagerates.exe" >"$work/tls-$1.out" 2>&1 ||
    { cat "$work/tls-$1.out"; fail "the HTTPS cases failed for $1"; }
  cat "$work/tls-$1.out"
}
step "HTTPS cases, x86_64 under wine64" run_tls build-win64 /usr/lib/wine/wine64
step "HTTPS cases, i686 under 32-bit wine" run_tls build-win32 /usr/lib/wine/wine

step "package pagerates-win32.zip" "$here/package.sh"

# The package as a user unpacks it: the 32-bit tools run from its folder
# with the sample INI and report no problem.
check_package() {
  mkdir -p "$work/unpacked"
  (cd "$work/unpacked" && unzip -q "$root/build-win32/pagerates-win32.zip")
  (cd "$work/unpacked" && /usr/lib/wine/wine pagerates.exe info && /usr/lib/wine/wine pagerates.exe check) \
    >"$work/package.out" 2>&1 || { cat "$work/package.out"; fail "the packaged pagerates.exe failed"; }
  grep -q '^name: Example bank' "$work/package.out" || { cat "$work/package.out"; fail "packaged info"; }
  # Every shipped preset, as the user finds it in the unpacked folder: one
  # process lists them all (each INI file read), another uses one by name.
  local shipped presets
  shipped=$(ls -d "$work"/unpacked/presets/*/ | wc -l)
  (cd "$work/unpacked" && /usr/lib/wine/wine pagerates.exe sources && \
    /usr/lib/wine/wine pagerates.exe info --source ecb-eurofxref) \
    >"$work/preset.out" 2>&1 || { cat "$work/preset.out"; fail "packaged sources failed"; }
  tr -d '\r' <"$work/preset.out" >"$work/preset.txt"
  grep -q "^$shipped sources in " "$work/preset.txt" || { cat "$work/preset.txt"; fail "packaged sources: not $shipped"; }
  grep -q '^home-currency-code: EUR$' "$work/preset.txt" || { cat "$work/preset.txt"; fail "packaged --source"; }
  presets=$(grep -c '^[a-z0-9-]\+ \+[A-Z]\{3\} ' "$work/preset.txt")
  [[ $presets == "$shipped" ]] || { cat "$work/preset.txt"; fail "packaged sources lists $presets of $shipped"; }
  echo "unpacked package: info and check ok; sources lists $presets shipped preset(s), --source works"
}
step "packaged pagerates.exe under 32-bit wine" check_package

step "slow cases, both DLLs (started before the suites)" wait_slow_cases

echo "== Windows timings"
printf '  %s\n' "${timings[@]}"
echo "== Windows side done in $((SECONDS - started)) s"
# The runner's closing lines, summed.
awk '{p += $1; f += $3; s += $5} END {printf "windows: %d passed, %d failed, %d skipped\n", p, f, s}' \
  "$work/counts"
