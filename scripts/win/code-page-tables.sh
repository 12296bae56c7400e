#!/usr/bin/env bash
# Regenerates src/port/code_page_tables.inc, the single-byte code page
# tables of the POSIX platform layer, from the Windows conversion service
# itself (MultiByteToWideChar under wine64). Needs setup-toolchain.sh.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
# shellcheck source=wine-env.sh
source "$here/wine-env.sh"
work=$(mktemp -d /tmp/pagerates-cp.XXXXXX)
trap 'rm -rf "$work"' EXIT
x86_64-w64-mingw32-gcc -O2 -Wall -o "$work/code_page_tables.exe" "$here/tools/code_page_tables.c"
wine_run64 "$work/code_page_tables.exe" | tr -d '\r' >"$work/tables.inc"
mv "$work/tables.inc" "$root/src/port/code_page_tables.inc"
echo "wrote src/port/code_page_tables.inc"
