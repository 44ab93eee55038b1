#!/usr/bin/env bash
# Installs the Qt dialog's components (with the library's own) into a
# temporary prefix, as the README says, and builds the README's snippet in a
# host of its own against find_package(ClipferryQtN) there and runs it
# (qt_host_test.sh); N is the major version of the Qt the build used, which
# every name carries.
#   qt_install_test.sh BUILD_DIR QT_MAJOR
set -euo pipefail
build=$1
major=$2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "qt_install_test: $*" >&2; exit 1; }

for component in lib qt qtdev publisher; do
  cmake --install "$build" --component $component --prefix "$work/prefix" >/dev/null ||
    fail "installing $component failed"
done
[[ -x $work/prefix/bin/clipferry-publisher ]] || fail "no bin/clipferry-publisher"
# Named for its Qt, so that the Qt 5 and Qt 6 libraries install side by side.
libdir=$(dirname "$(find "$work/prefix" -name "libclipferry-qt$major.so.1" | head -n 1)")
[[ -f $libdir/libclipferry-qt$major.so.1 ]] || fail "no libclipferry-qt$major.so.1"
[[ -f $work/prefix/include/clipferry-qt$major/clipferry-qt/PublishDialog.h ]] ||
  fail "no include/clipferry-qt$major/clipferry-qt/PublishDialog.h"
[[ -f $libdir/cmake/ClipferryQt$major/ClipferryQt${major}Config.cmake ]] || fail "no cmake/ClipferryQt$major/"
[[ -f $work/prefix/share/clipferry-qt$major/translations/clipferry-qt_de.qm ]] ||
  fail "no share/clipferry-qt$major/translations/clipferry-qt_de.qm"
"$here/qt_host_test.sh" "$work/prefix" "$major" "$work/prefix/bin/clipferry-publisher"
