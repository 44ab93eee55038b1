#!/usr/bin/env bash
# Installs the Qt dialog's component alone into a temporary prefix, as the
# README says, builds the README's snippet in a host of its own against
# find_package(ClipferryQt) and runs it.
#   qt_install_test.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "qt_install_test: $*" >&2; exit 1; }

cmake --install "$build" --component qt --prefix "$work/prefix" >/dev/null || fail "installing qt failed"
[[ -x $work/prefix/bin/clipferry-publisher ]] || fail "no bin/clipferry-publisher"
# The first C++ block of the README's Qt section: its #include lines, and the rest.
mkdir "$work/snippet"
awk '/^## The Qt dialog/ { section = 1 } section && /^```cpp/ { inside = 1; next }
     inside && /^```/ { exit } inside' "$here/../../README.md" >"$work/snippet/all"
grep -q 'PublishDialog dialog' "$work/snippet/all" || fail "no snippet in the README's Qt section"
grep '^#include' "$work/snippet/all" >"$work/snippet/readme_includes.inc" || fail "the README's snippet includes nothing"
grep -v '^#include' "$work/snippet/all" >"$work/snippet/readme_body.inc"
cmake -S "$here/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" -DREADME_SNIPPET_DIR="$work/snippet" >"$work/log" 2>&1 ||
  { cat "$work/log"; fail "find_package(ClipferryQt) failed"; }
cmake --build "$work/build" >"$work/log" 2>&1 || { cat "$work/log"; fail "the host did not build"; }
QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$work/build/consumer" ||
  fail "the host did not run"
echo "qt_install_test: the host built with find_package(ClipferryQt) runs"
