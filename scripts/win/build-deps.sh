#!/usr/bin/env bash
# Builds the third-party libraries of the Windows DLLs from Debian's sources
# (Debian's patches applied) with the mingw-w64 cross compilers:
#   .cache/win/<target>/pcre-<ver>/  static libpcre.a (8-bit, JIT); define PCRE_STATIC
#   .cache/win/<target>/curl-<ver>+verify2/
#                                    bin/libcurl.dll (Schannel, HTTP/HTTPS only),
#                                    lib/libcurl.dll.a, include/curl/
#     with curl-schannel-verify.patch: the peer's certificate is checked by
#     curl itself against the system's root store (chain, expiry, host
#     name), never left to the SSPI provider alone, and revocation checks
#     are best effort (see package/INSTALL.txt)
# plus the symlinks .cache/win/<target>/{pcre,curl-verified} to the current
# versions (a new link name for a build that differs in kind, so that trees
# still using an older one keep finding theirs).
# Usage: build-deps.sh [i686|x86_64]...   (default: both)
set -euo pipefail
start=$SECONDS
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
targets=("$@")
(( ${#targets[@]} )) || targets=(i686 x86_64)
work=$(mktemp -d /tmp/pagerates-deps.XXXXXX)
trap 'rm -rf "$work"' EXIT
log=$work/build.log

run() { "$@" >>"$log" 2>&1 || { echo "failed: $*" >&2; tail -n 40 "$log" >&2; exit 1; }; }

# Newest Debian source version, e.g. 2:8.39-15.
srcver() {
  local v best=
  for v in $(apt-cache showsrc --only-source "$1" 2>/dev/null | sed -n 's/^Version: //p'); do
    if [[ -z $best ]] || dpkg --compare-versions "$v" gt "$best"; then best=$v; fi
  done
  echo "$best"
}

# Unpacked, patched and autoreconf'ed source tree of Debian source package
# $1 at version $srcfull.
srctree() {
  local pkg=$1 dir=$work/src/$1
  if [[ ! -d $dir ]]; then
    mkdir -p "$dir"
    (cd "$dir" && run apt-get source -qq "$pkg=$srcfull")
    dir=$(find "$dir" -mindepth 1 -maxdepth 1 -type d | head -n1)
    if [[ $pkg == curl ]]; then
      # The last two patches of the series turn the tree into the GnuTLS/NSS
      # flavours; take them off again, as Debian does for its OpenSSL build.
      run patch -d "$dir" -R -p1 -i debian/patches/99_nss.patch
      run patch -d "$dir" -R -p1 -i debian/patches/90_gnutls.patch
      run patch -d "$dir" -p1 -i "$root/scripts/win/curl-schannel-verify.patch"
    fi
    (cd "$dir" && run autoreconf -fi)
  fi
  find "$work/src/$pkg" -mindepth 1 -maxdepth 1 -type d | head -n1
}

# Copies a staged install into the cache in one step, so an interrupted run
# never leaves a prefix that looks complete.
publish() {
  local stage=$1 prefix=$2
  rm -rf "$prefix.part"
  mkdir -p "$(dirname "$prefix")"
  cp -a "$stage$prefix" "$prefix.part"
  find "$prefix.part" -name '*.la' -delete
  mv "$prefix.part" "$prefix"
}

build_pcre() {
  local host=$1 prefix=$2 src b=$work/pcre-$1
  src=$(srctree pcre3)
  mkdir -p "$b"
  cd "$b"
  run "$src/configure" --host="$host" --prefix="$prefix" --disable-shared --enable-static \
    --enable-jit --enable-utf --enable-unicode-properties --disable-cpp \
    --disable-pcre16 --disable-pcre32 --disable-dependency-tracking
  run make -j2 install-libLTLIBRARIES install-includeHEADERS install-nodist_includeHEADERS \
    install-pkgconfigDATA DESTDIR="$b/stage"
  publish "$b/stage" "$prefix"
}

build_curl() {
  local host=$1 prefix=$2 src b=$work/curl-$1 dll
  src=$(srctree curl)
  mkdir -p "$b"
  cd "$b"
  # Win32 threads instead of pthreads and a static libgcc: the DLL then needs
  # no mingw runtime DLL (libwinpthread-1.dll, libgcc_s_*.dll) beside it.
  run "$src/configure" --host="$host" --prefix="$prefix" --enable-shared --disable-static \
    --with-schannel --disable-pthreads --without-zlib --without-brotli --without-zstd \
    --without-libpsl --without-libidn2 --without-libssh2 --without-nghttp2 --without-librtmp \
    --without-libgsasl --without-ca-bundle --without-ca-path \
    --disable-ldap --disable-ldaps --disable-rtsp --disable-ftp --disable-file --disable-dict \
    --disable-telnet --disable-tftp --disable-pop3 --disable-imap --disable-smtp --disable-smb \
    --disable-gopher --disable-mqtt --disable-manual --disable-dependency-tracking \
    LDFLAGS=-static-libgcc
  # -avoid-version: name the DLL libcurl.dll rather than libcurl-4.dll.
  run make -j2 -C lib VERSIONINFO=-avoid-version
  run make -C lib install-strip VERSIONINFO=-avoid-version DESTDIR="$b/stage"
  run make -C include install DESTDIR="$b/stage"
  run make install-pkgconfigDATA DESTDIR="$b/stage"
  dll=$b/stage$prefix/bin/libcurl.dll
  local bad
  bad=$("$host-objdump" -p "$dll" | sed -n 's/.*DLL Name: //p' |
    grep -viE '^(kernel32|advapi32|bcrypt|crypt32|msvcrt|ucrtbase|api-ms-win-.*|ws2_32|secur32|user32|iphlpapi|normaliz|wldap32)\.dll$' || true)
  [[ -z $bad ]] || { echo "libcurl.dll imports non-system DLLs: $bad" >&2; exit 1; }
  publish "$b/stage" "$prefix"
}

for t in "${targets[@]}"; do
  case $t in i686|x86_64) ;; *) echo "unknown target: $t (i686 or x86_64)" >&2; exit 2 ;; esac
  host=$t-w64-mingw32
  for dep in pcre:pcre3 curl:curl; do
    name=${dep%%:*} pkg=${dep#*:}
    srcfull=$(srcver "$pkg")
    ver=${srcfull#*:}
    [[ -n $ver ]] || { echo "no source version for $pkg (deb-src missing? run setup-toolchain.sh)" >&2; exit 1; }
    # A suffix names our own changes to a package, so that a build made
    # without them is never taken for one with them.
    suffix= link=$name
    [[ $name == curl ]] && suffix=+verify2 link=curl-verified
    prefix=$root/.cache/win/$t/$name-$ver$suffix
    if [[ ! -d $prefix ]]; then (build_"$name" "$host" "$prefix"); fi
    ln -sfn "$name-$ver$suffix" "$root/.cache/win/$t/$link"
  done
done
rm -rf "$work"
echo "build-deps ${targets[*]}: done in $((SECONDS - start))s"
