#!/usr/bin/env bash
# Builds libcurl.dll for one Windows architecture from Debian's curl source
# package, with the mingw-w64 cross compiler and Schannel for TLS, into a cache
# folder outside the repository; prints that folder on stdout. The Windows
# build takes its curl headers from <folder>/include and the tests copy
# <folder>/libcurl.dll beside their host. Built once per machine: a complete
# cached result is reused as it is.
#
#   scripts/build_libcurl_dll.sh i686|x86_64
#   CLIPFERRY_CURL_CACHE=/some/folder overrides ~/.cache/clipferry.
set -euo pipefail

arch=${1:-}
case $arch in
  i686|x86_64) ;;
  *) echo "usage: $0 i686|x86_64" >&2; exit 2 ;;
esac
host=$arch-w64-mingw32

# The version apt-get source would fetch names the cache entry, so a newer
# Debian curl gives a new build instead of a stale one.
version=$(apt-cache policy curl | awk '/Candidate:/ { print $2 }')
if [[ -z $version || $version == "(none)" ]]; then
  echo "build_libcurl_dll: apt knows no curl package" >&2
  exit 1
fi
cache_root=${CLIPFERRY_CURL_CACHE:-$HOME/.cache/clipferry}
cache=$cache_root/curl-$version-$arch
mkdir -p "$cache_root"

complete() {
  [[ -f $cache/complete && -f $cache/libcurl.dll && -f $cache/include/curl/curl.h ]]
}

# What the Windows SDK ships beside the DLL: curl's licence text and the
# version it was built from. Cache entries made before they were kept get
# them from the source package alone, without building again.
add_licence() {  # SOURCE_TREE
  cp "$1/COPYING" "$cache/COPYING"
  echo "$version (Debian source package curl)" >"$cache/curl-version.txt"
}

# make may build both architectures at once, and two checkouts may share the
# cache: one builder per entry, the others wait for its result.
exec 9>"$cache.lock"
flock 9

if complete; then
  if [[ ! -f $cache/COPYING || ! -f $cache/curl-version.txt ]]; then
    fetch=$(mktemp -d)
    (cd "$fetch" && apt-get source -qq --download-only "curl=$version" >/dev/null &&
     tar -xzf curl_*.orig.tar.gz --wildcards '*/COPYING') >&2
    add_licence "$(dirname "$(ls "$fetch"/*/COPYING)")"
    rm -rf "$fetch"
  fi
  echo "$cache"
  exit 0
fi

for tool in "$host-gcc" dpkg-source; do
  command -v "$tool" >/dev/null || {
    echo "build_libcurl_dll: $tool is missing; run scripts/bootstrap.sh" >&2
    exit 1
  }
done

started=$SECONDS
rm -rf "$cache"
work=$cache/source
mkdir -p "$work"
{
  echo "build_libcurl_dll: curl $version for $host in $cache"
  cd "$work"
  apt-get source -qq "curl=$version" >/dev/null
  cd curl-*/
  # The last two Debian patches rename the library for its other TLS builds;
  # this build wants the plain library.
  patch -s -R -p1 < debian/patches/99_nss.patch
  patch -s -R -p1 < debian/patches/90_gnutls.patch

  # Without POSIX threads the resolver uses Windows threads, so the DLL
  # imports no libwinpthread.
  ./configure -q --host="$host" --prefix="$cache/install" \
    --with-schannel --disable-static --enable-shared \
    --without-zlib --without-brotli --without-zstd --without-libpsl \
    --without-libidn2 --without-winidn --disable-ldap --disable-ldaps \
    --without-librtmp --without-nghttp2 --without-nghttp3 --without-ngtcp2 \
    --without-libssh2 --without-libssh --without-wolfssh --without-libgsasl \
    --disable-manual --disable-pthreads \
    LDFLAGS="-static-libgcc"
  make -s -C lib -j"$(nproc)" V=0
  built=$(ls lib/.libs/libcurl*.dll)

  mkdir -p "$cache/include/curl" "$cache/lib"
  cp "$built" "$cache/libcurl.dll"
  cp lib/.libs/libcurl.dll.a "$cache/lib/"
  cp include/curl/*.h "$cache/include/curl/"
  add_licence .
} >&2
rm -rf "$work"
touch "$cache/complete"
echo "build_libcurl_dll: built in $((SECONDS - started)) s" >&2
echo "$cache"
