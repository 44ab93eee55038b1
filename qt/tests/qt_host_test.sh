#!/usr/bin/env bash
# Builds the README's Qt snippet in a host of its own against
# find_package(ClipferryQtN) from PREFIX (/usr for the installed packages),
# checks that it and PROGRAM... load this Qt's library and no other, and runs
# the host against the local service (CLIPFERRY_DEVSERVER_STATE): it logs in
# and reaches the form filled from the service's lists, in English and German.
#   qt_host_test.sh PREFIX QT_MAJOR [PROGRAM...]
set -euo pipefail
prefix=$1
major=$2
shift 2
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "qt_host_test: $*" >&2; exit 1; }

# The first C++ block of the README's Qt section: its #include lines, and the rest.
mkdir "$work/snippet"
awk '/^## The Qt dialog/ { section = 1 } section && /^```cpp/ { inside = 1; next }
     inside && /^```/ { exit } inside' "$here/../../README.md" >"$work/snippet/all"
grep -q 'PublishDialog dialog' "$work/snippet/all" || fail "no snippet in the README's Qt section"
grep '^#include' "$work/snippet/all" >"$work/snippet/readme_includes.inc" || fail "the README's snippet includes nothing"
grep -v '^#include' "$work/snippet/all" >"$work/snippet/readme_body.inc"
cmake -S "$here/consumer" -B "$work/build" -DCMAKE_PREFIX_PATH="$prefix" -DCLIPFERRY_QT_MAJOR="$major" \
  -DREADME_SNIPPET_DIR="$work/snippet" >"$work/log" 2>&1 ||
  { cat "$work/log"; fail "find_package(ClipferryQt$major) failed"; }
cmake --build "$work/build" >"$work/log" 2>&1 || { cat "$work/log"; fail "the host did not build"; }
# The host and the programs are linked with the library and the Qt of this build, no other.
for program in "$work/build/consumer" "$@"; do
  needed=$(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
  grep -qx "libclipferry-qt$major.so.1" <<<"$needed" || fail "${program##*/} does not load libclipferry-qt$major.so.1"
  grep -qx "libQt${major}Widgets.so.$major" <<<"$needed" || fail "${program##*/} does not load Qt $major"
  other=$((major == 6 ? 5 : 6))
  ! grep -q "Qt$other\|clipferry-qt$other" <<<"$needed" || fail "${program##*/} loads Qt $other"
done
# In the language of the locale, from the translations installed beside the library.
port=$(<"${CLIPFERRY_DEVSERVER_STATE:?the devserver fixture names its state folder}/port")
for language in en:"Publish to Lumivid" de:"Auf Lumivid veröffentlichen"; do
  title=$(cd "$work" && env -u CLIPFERRY_QT_TRANSLATIONS LANGUAGE="${language%%:*}" QT_QPA_PLATFORM=offscreen \
    DBUS_SESSION_BUS_ADDRESS=unix:path=/nonexistent CLIPFERRY_PROXY_SERVER=127.0.0.1:$port "$work/build/consumer") ||
    fail "the host did not log in and reach the form"
  [[ $title == "${language#*:}" ]] || fail "LANGUAGE=${language%%:*}: the dialog is titled \"$title\", not \"${language#*:}\""
done
echo "qt_host_test: the host built with find_package(ClipferryQt$major) from $prefix logs in to the local service"
