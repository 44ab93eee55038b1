#!/usr/bin/env bash
# Installs the build into a temporary prefix, checks what it holds, then
# builds the README's host example against it and runs it against the local
# service (host_example_test.sh).
#   install_test.sh BUILD_DIR DEVSERVER_STATE_DIR [EXTRA_C_FLAGS]
set -euo pipefail

build=$1
state=$2
extra_flags=${3:-}
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

"$here/host_example_test.sh" "$prefix" "$state" "$extra_flags"
