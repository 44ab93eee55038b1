#!/usr/bin/env bash
# Installs the library's and the Qt dialog's components into a temporary
# prefix, builds the README's host against find_package(ClipferryQt) and runs it.
#   qt_install_test.sh BUILD_DIR
set -euo pipefail
build=$1
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "qt_install_test: $*" >&2; exit 1; }

for component in lib qt; do
  cmake --install "$build" --component "$component" --prefix "$work/prefix" >/dev/null || fail "installing $component failed"
done
[[ -x $work/prefix/bin/clipferry-publisher ]] || fail "no bin/clipferry-publisher"
cmake -S "$here/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" >"$work/log" 2>&1 ||
  { cat "$work/log"; fail "find_package(ClipferryQt) failed"; }
cmake --build "$work/build" >"$work/log" 2>&1 || { cat "$work/log"; fail "the host did not build"; }
QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent "$work/build/consumer" ||
  fail "the host did not run"
echo "qt_install_test: the host built with find_package(ClipferryQt) runs"
