#!/usr/bin/env bash
# Packs the 32-bit build into pagerates-win32.zip with CPack (the rules are
# in cmake/install.cmake): pagerates.dll, pagerates.exe and libcurl.dll
# (i686, stripped), a sample pagerates.ini, INSTALL.txt and the shipped
# presets in presets/, the texts with Windows line ends. Needs the win32
# build (cmake --preset win32 && cmake --build --preset win32).
# Usage: package.sh [OUTPUT]   (default: build-win32/pagerates-win32.zip)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$root/build-win32
out=$(realpath -m "${1:-$build/pagerates-win32.zip}")
for f in pagerates.dll pagerates.exe libcurl.dll CPackConfig.cmake; do
  [[ -f $build/$f ]] || { echo "package: $build/$f is missing: build the win32 preset first" >&2; exit 1; }
done
stage=$(mktemp -d /tmp/pagerates-package.XXXXXX)
trap 'rm -rf "$stage"' EXIT
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$stage" >"$stage/cpack.log" ||
  { cat "$stage/cpack.log" >&2; exit 1; }
mv "$stage/pagerates-win32.zip" "$out"
echo "package: $out"
unzip -l "$out" | sed 's/^/  /'
