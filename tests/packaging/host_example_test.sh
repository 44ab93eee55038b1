#!/usr/bin/env bash
# Builds the README's host example against an installed or unpacked Clipferry
# twice, through find_package(Clipferry) and through pkg-config as the README
# says, and runs each against the local service: what a host developer does
# with the package in hand.
#   host_example_test.sh PREFIX DEVSERVER_STATE_DIR [EXTRA_C_FLAGS]
# PREFIX holds include/ and lib/ (or lib/MULTIARCH/), as `cmake --install
# --prefix PREFIX` or the -dev package's usr/ leaves them.
set -euo pipefail

prefix=$1
state=$2
extra_flags=${3:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() { echo "host_example_test: $*" >&2; exit 1; }

"$here/../../scripts/host_example.sh" "$here/../../README.md" >"$work/host.c" || fail "no host example"
pc_dir=$(dirname "$(find "$prefix" -name clipferry.pc | head -1)")
[[ -f $pc_dir/clipferry.pc ]] || fail "no clipferry.pc under $prefix"

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

echo "== find_package(Clipferry) in $prefix"
cmake -S "$here/consumer" -B "$work/cmake-host" -DCMAKE_PREFIX_PATH="$prefix" \
  -DHOST_SOURCE="$work/host.c" -DCMAKE_C_FLAGS="$extra_flags" >"$work/cmake-host.log" \
  || { cat "$work/cmake-host.log"; fail "find_package(Clipferry) failed"; }
cmake --build "$work/cmake-host" >"$work/cmake-build.log" \
  || { cat "$work/cmake-build.log"; fail "the CMake host did not build"; }
run_host cmake "$work/cmake-host/host"

echo "== pkg-config clipferry in $pc_dir"
export PKG_CONFIG_PATH=$pc_dir
# The .pc file names the prefix it was installed under: PREFIX, or /usr for
# the package, whose unpacked tree then stands where /usr would be.
pc_prefix=$(pkg-config --variable=prefix clipferry)
define=()
if [[ $pc_prefix != "$prefix" ]]; then
  [[ $pc_prefix == /usr ]] || fail "clipferry.pc names the prefix $pc_prefix, not $prefix"
  define=(--define-variable=prefix="$prefix")
fi
flags=$(pkg-config "${define[@]}" --cflags --libs clipferry)
grep -q curl <<<"$flags" && fail "pkg-config asks for libcurl: $flags"
# shellcheck disable=SC2086  # the flags are words
cc -std=c11 -Wall -Wextra -Werror $extra_flags -o "$work/pc-host" "$work/host.c" $flags \
  -Wl,-rpath,"$(pkg-config "${define[@]}" --variable=libdir clipferry)"
run_host pkg-config "$work/pc-host"
echo "host_example_test: the README's host built both ways and was accepted by the service"
