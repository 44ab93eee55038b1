#!/usr/bin/env bash
# Installs the build into a temporary prefix, then builds and runs a small C
# host against it twice: through find_package(Clipferry), and through
# pkg-config with a plain compiler call.
#   install_test.sh BUILD_DIR [EXTRA_C_FLAGS]
set -euo pipefail

build=$1
extra_flags=${2:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix

fail() { echo "install_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >"$work/install.log" || { cat "$work/install.log"; fail "install failed"; }

lib=$(find "$prefix" -name 'libclipferry.so' | head -1)
[[ -n $lib ]] || fail "no libclipferry.so under $prefix"
[[ -f $prefix/include/clipferry.h ]] || fail "no include/clipferry.h"
[[ -n $(find "$prefix" -path '*/cmake/Clipferry/ClipferryConfigVersion.cmake') ]] || fail "no version file"
pc_dir=$(dirname "$(find "$prefix" -name clipferry.pc | head -1)")
[[ -f $pc_dir/clipferry.pc ]] || fail "no clipferry.pc"

# libcurl is loaded at run time: the library must not be linked to it.
needed=$(readelf -d "$lib" | grep NEEDED || true)
if grep -q curl <<<"$needed"; then fail "libclipferry links libcurl: $needed"; fi
if ldd "$lib" | grep -q 'not found'; then fail "unresolved libraries: $(ldd "$lib")"; fi
readelf -d "$lib" | grep -q 'SONAME.*libclipferry\.so\.' || fail "no versioned SONAME"

libdir=$(dirname "$lib")
export LD_LIBRARY_PATH=$libdir${LD_LIBRARY_PATH:+:$LD_LIBRARY_PATH}

echo "== find_package(Clipferry)"
cmake -S "$here/consumer" -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" \
  -DHOST_SOURCE="$here/host.c" -DCMAKE_C_FLAGS="$extra_flags" >"$work/cmake-host.log" \
  || { cat "$work/cmake-host.log"; fail "find_package(Clipferry) failed"; }
cmake --build "$work/cmake-host" >"$work/cmake-build.log" \
  || { cat "$work/cmake-build.log"; fail "the CMake host did not build"; }
[[ $("$work/cmake-host/host") == "host ok" ]] || fail "the CMake host did not run"

echo "== pkg-config clipferry"
flags=$(PKG_CONFIG_PATH=$pc_dir pkg-config --cflags --libs clipferry)
grep -q curl <<<"$flags" && fail "pkg-config asks for libcurl: $flags"
# shellcheck disable=SC2086  # the flags are words
cc $extra_flags -o "$work/pc-host" "$here/host.c" $flags
[[ $("$work/pc-host") == "host ok" ]] || fail "the pkg-config host did not run"
echo "install_test: both hosts built and ran"
