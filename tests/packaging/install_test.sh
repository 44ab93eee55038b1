#!/usr/bin/env bash
# Installs the build into a temporary prefix, then builds the README's host
# example against it twice, through find_package(Clipferry) and through
# pkg-config as the README says, and runs each against the local service.
#   install_test.sh BUILD_DIR DEVSERVER_STATE_DIR [EXTRA_C_FLAGS]
set -euo pipefail

build=$1
state=$2
extra_flags=${3:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
readme=$here/../../README.md
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

# The example exactly as the README shows it.
"$here/../../scripts/host_example.sh" "$readme" >"$work/host.c" || fail "no host example"

# The service the example publishes to; the library reads the proxy itself.
[[ -s $state/port ]] || fail "the local service is not running (no $state/port)"
port=$(<"$state/port")
export CLIPFERRY_PROXY_SERVER=127.0.0.1:$port
curl -fsS --noproxy '*' -X POST -H 'Content-Type: application/json' -d '{}' \
  "http://127.0.0.1:$port/_control/reset" >/dev/null || fail "the local service does not answer"

# Runs a built host in a folder of its own (it writes its file there) and
# checks it reports the service's acceptance. No LD_LIBRARY_PATH: each build
# must record where libclipferry is.
run_host() {
  local name=$1 binary=$2
  mkdir "$work/run-$name"
  (cd "$work/run-$name" && "$binary") >"$work/$name.out" 2>"$work/$name.err" \
    || { cat "$work/$name.out" "$work/$name.err"; fail "the $name host failed"; }
  grep -qx 'Lumivid: Your video "Harbour at dusk 🌅" was received and awaits moderation.' "$work/$name.out" \
    || { cat "$work/$name.out"; fail "the $name host did not print the service's acceptance"; }
  [[ -z $(ls -A "$work/run-$name") ]] || fail "the $name host left its file behind"
}

echo "== find_package(Clipferry)"
cmake -S "$here/consumer" -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" \
  -DHOST_SOURCE="$work/host.c" -DCMAKE_C_FLAGS="$extra_flags" >"$work/cmake-host.log" \
  || { cat "$work/cmake-host.log"; fail "find_package(Clipferry) failed"; }
cmake --build "$work/cmake-host" >"$work/cmake-build.log" \
  || { cat "$work/cmake-build.log"; fail "the CMake host did not build"; }
run_host cmake "$work/cmake-host/host"

echo "== pkg-config clipferry"
export PKG_CONFIG_PATH=$pc_dir
flags=$(pkg-config --cflags --libs clipferry)
grep -q curl <<<"$flags" && fail "pkg-config asks for libcurl: $flags"
# shellcheck disable=SC2086  # the flags are words
cc -std=c11 -Wall -Wextra -Werror $extra_flags -o "$work/pc-host" "$work/host.c" $flags \
  -Wl,-rpath,"$(pkg-config --variable=libdir clipferry)"
run_host pkg-config "$work/pc-host"
echo "install_test: the README's host built both ways and was accepted by the service"
