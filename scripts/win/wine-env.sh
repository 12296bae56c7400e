# shellcheck shell=bash
# Source this file to run Windows test programs under wine, headless.
#   wine_boot                  create the (64-bit, with 32-bit support) prefix once
#   wine_run64 EXE [ARGS...]   run an x86_64 exe, return its exit code
#   wine_run32 EXE [ARGS...]   run an i686 exe (emulated via qemu), return its exit code
_pr_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX=${PAGERATES_WINEPREFIX:-$_pr_root/.cache/win/prefix-wow64}
export WINEARCH=win64
export WINEDEBUG=-all
# No mono/gecko install prompts, no desktop menu entries.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY
unset _pr_root

wine_boot() {
  [[ -f $WINEPREFIX/.booted ]] && return 0
  mkdir -p "$(dirname "$WINEPREFIX")"
  (
    flock 9
    if [[ ! -f $WINEPREFIX/.booted ]]; then
      /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1 &&
        wineserver -w && touch "$WINEPREFIX/.booted"
    fi
  ) 9>"$WINEPREFIX.lock"
}

wine_run64() { wine_boot && /usr/lib/wine/wine64 "$@"; }
wine_run32() { wine_boot && /usr/lib/wine/wine "$@"; }
