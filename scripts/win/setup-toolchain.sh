#!/usr/bin/env bash
# Installs the Windows cross toolchain (mingw-w64), wine (64 and 32 bit),
# qemu for running i386 Linux binaries, and what the dependency builds need.
# Safe to run again: only missing pieces are installed.
set -euo pipefail
start=$SECONDS
export DEBIAN_FRONTEND=noninteractive

pkgs=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-tools
      wine wine64 wine32:i386 zip
      dpkg-dev autoconf automake libtool pkgconf make perl python3)
# bookworm's qemu 7.2 needs 60-90 s to start each 32-bit wine process (it
# ignores MAP_FIXED_NOREPLACE, so wine probes the address space 64 KiB at a
# time) and crashed on multi-threaded code; the backported qemu 10 takes ~1 s.
qemu_pkg=qemu-user qemu_min=1:8.1 qemu=/usr/bin/qemu-i386

# Source packages (pcre3, curl) and the newer qemu come from the configured mirror.
list=/etc/apt/sources.list.d/pagerates.sources
need_update=0
if [[ ! -f $list ]]; then
  mirror=$(sed -n 's/^URIs:[[:space:]]*//p' /etc/apt/sources.list.d/*.sources 2>/dev/null | grep -v security | head -n1)
  [[ -n $mirror ]] || mirror=$(awk '$1=="deb" && $3=="bookworm" {print $2; exit}' /etc/apt/sources.list 2>/dev/null)
  [[ -n $mirror ]] || { echo "no Debian mirror found in apt sources" >&2; exit 1; }
  for s in 'deb-src bookworm' 'deb bookworm-backports'; do
    printf 'Types: %s\nURIs: %s\nSuites: %s\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n\n' \
      "${s% *}" "$mirror" "${s#* }"
  done > "$list"
  need_update=1
fi
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  need_update=1
fi

missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'ok installed' || missing+=("$p")
done
qv=$(dpkg-query -W -f='${Version}' "$qemu_pkg" 2>/dev/null || true)
[[ -n $qv ]] && dpkg --compare-versions "$qv" ge "$qemu_min" || missing+=("$qemu_pkg/bookworm-backports")
if (( ${#missing[@]} )); then
  need_update=1
fi
if (( need_update )); then
  apt-get update -qq >/dev/null
fi
if (( ${#missing[@]} )); then
  log=$(mktemp)
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >"$log" 2>&1 || { cat "$log" >&2; exit 1; }
  rm -f "$log"
fi

# Pin the unprefixed mingw compilers to the posix thread model (std::thread etc.).
for t in i686 x86_64; do
  for c in gcc g++; do
    update-alternatives --quiet --set "$t-w64-mingw32-$c" "/usr/bin/$t-w64-mingw32-$c-posix" 2>/dev/null || true
  done
done

# Let the kernel run i386 ELF binaries (32-bit wine) through the static qemu;
# flag F opens the interpreter now, so it works in any mount namespace.
bm=/proc/sys/fs/binfmt_misc
[[ -f $bm/register ]] || mount -t binfmt_misc binfmt_misc "$bm"
if [[ -e $bm/qemu-i386 ]] && ! grep -qx "interpreter $qemu" "$bm/qemu-i386"; then
  echo -1 > "$bm/qemu-i386"
fi
if [[ ! -e $bm/qemu-i386 ]]; then
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:$qemu:F" > "$bm/register"
fi
grep -qx enabled "$bm/qemu-i386" || { echo "qemu-i386 binfmt entry is not enabled" >&2; exit 1; }
/usr/lib/wine/wine --version >/dev/null || { echo "32-bit wine does not start" >&2; exit 1; }

echo "setup-toolchain: done in $((SECONDS - start))s"
