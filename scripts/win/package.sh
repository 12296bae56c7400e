#!/usr/bin/env bash
# Packs the 32-bit build into pagerates-win32.zip: pagerates.dll,
# libcurl.dll and pagerates.exe (i686, stripped), a sample pagerates.ini and
# INSTALL.txt. Needs the win32 build (cmake --preset win32 && cmake --build
# --preset win32) and zip.
# Usage: package.sh [OUTPUT]   (default: build-win32/pagerates-win32.zip)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build-win32
out=$(realpath -m "${1:-$build/pagerates-win32.zip}")
for f in pagerates.dll pagerates.exe libcurl.dll; do
  [[ -f $build/$f ]] || { echo "package: $build/$f is missing: build the win32 preset first" >&2; exit 1; }
done
stage=$(mktemp -d /tmp/pagerates-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
for f in pagerates.dll pagerates.exe libcurl.dll; do
  i686-w64-mingw32-strip -o "$stage/$f" "$build/$f"
done
# Windows line ends for the two texts, which Notepad users open.
for f in pagerates.ini INSTALL.txt; do
  sed 's/$/\r/' "$here/package/$f" >"$stage/$f"
done
rm -f "$out"
(cd "$stage" && zip -q -X "$out" INSTALL.txt pagerates.dll pagerates.ini libcurl.dll pagerates.exe)
echo "package: $out"
unzip -l "$out" | sed 's/^/  /'
