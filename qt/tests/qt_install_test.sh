#!/usr/bin/env bash
# Installs the Qt dialog's components (with the library's own) into a
# temporary prefix, as the README says, builds the README's snippet in a host of its own against
# find_package(ClipferryQtN) and runs it; N is the major version of the Qt the
# build used, which every name carries.
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
# The first C++ block of the README's Qt section: its #include lines, and the rest.
mkdir "$work/snippet"
awk '/^## The Qt dialog/ { section = 1 } section && /^```cpp/ { inside = 1; next }
     inside && /^```/ { exit } inside' "$here/../../README.md" >"$work/snippet/all"
grep -q 'PublishDialog dialog' "$work/snippet/all" || fail "no snippet in the README's Qt section"
grep '^#include' "$work/snippet/all" >"$work/snippet/readme_includes.inc" || fail "the README's snippet includes nothing"
grep -v '^#include' "$work/snippet/all" >"$work/snippet/readme_body.inc"
cmake -S "$here/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" -DCLIPFERRY_QT_MAJOR="$major" \
  -DREADME_SNIPPET_DIR="$work/snippet" >"$work/log" 2>&1 ||
  { cat "$work/log"; fail "find_package(ClipferryQt$major) failed"; }
cmake --build "$work/build" >"$work/log" 2>&1 || { cat "$work/log"; fail "the host did not build"; }
# The host and the application are linked with the library and the Qt of this build, no other.
for program in "$work/build/consumer" "$work/prefix/bin/clipferry-publisher"; do
  needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  grep -qx "libclipferry-qt$major.so.1" <<<"$needed" || fail "${program##*/} does not load libclipferry-qt$major.so.1"
  grep -qx "libQt${major}Widgets.so.$major" <<<"$needed" || fail "${program##*/} does not load Qt $major"
  other=$((major == 6 ? 5 : 6))
  ! grep -q "Qt$other\|clipferry-qt$other" <<<"$needed" || fail "${program##*/} loads Qt $other"
done
# It logs in to the local service and reaches the form filled from its lists.
port=$(<"${CLIPFERRY_DEVSERVER_STATE:?the devserver fixture names its state folder}/port")
(cd "$work" && QT_QPA_PLATFORM=offscreen DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent \
  CLIPFERRY_PROXY_SERVER=127.0.0.1:$port "$work/build/consumer") ||
  fail "the host did not log in and reach the form"
echo "qt_install_test: the host built with find_package(ClipferryQt$major) logs in to the local service"
