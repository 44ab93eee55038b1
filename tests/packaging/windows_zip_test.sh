#!/usr/bin/env bash
# The Windows SDK zip as a host developer meets it: unpacked, checked for its
# files, its MSVC-style import libraries (the seven imports of the header) and
# the registry keys its README names (the ones the library reads); then, per
# architecture, the README's host example built with mingw-w64 against the
# zip's own header and import library (never the build tree) and run under
# Wine with the zip's own DLLs against a local service.
#   windows_zip_test.sh DIST_DIR WINE_DIR [HTML_DIR]
# WINE_DIR is the Windows leg's (its prefix is made on first use and reused).
# HTML_DIR, the package build's rendered HTML reference: when it exists, the
# zip's html/ must hold the same files.
set -euo pipefail
html=${3:-}

dist=$(cd "$1" && pwd)
mkdir -p "$2"
wine_dir=$(cd "$2" && pwd)
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
fixture=$repo/tests/support/devserver_fixture.sh
version=$(sed -n 's/^#define CLIPFERRY_VERSION "\(.*\)"$/\1/p' "$repo/include/clipferry.h")  # the header keeps it
work=$(mktemp -d)
state=$work/devserver
log=$wine_dir/zip-test.log
export WINEPREFIX=$wine_dir/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  "$fixture" stop "$state" >/dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT
status=0
fail() { echo "FAIL windows_zip_test: $*" >&2; status=1; }

zip=$dist/clipferry-$version-windows.zip
[[ -f $zip ]] || { echo "windows_zip_test: no $zip" >&2; exit 1; }
unzip -q "$zip" -d "$work"
sdk=$work/clipferry-$version-windows

exports=$(grep -oE '^CLIPFERRY_API .*CLIPFERRY_CALL CLIPFERRY_[A-Za-z]+' "$sdk/include/clipferry.h" |
  awk '{ print $NF }' | LC_ALL=C sort)
[[ $(wc -l <<<"$exports") -eq 7 ]] || fail "the zip's header does not declare seven exports"
for file in include/clipferry.h example/host.c README-Windows.txt licenses/clipferry-LICENSE.txt \
  licenses/curl-COPYING.txt licenses/curl-VERSION.txt; do
  [[ -s $sdk/$file ]] || fail "no $file"
done
cmp -s "$sdk/include/clipferry.h" "$repo/include/clipferry.h" || fail "include/clipferry.h is not the project's header"
diff -rq -x __pycache__ "$repo/bindings/python/clipferry" "$sdk/python/clipferry" >/dev/null ||
  fail "python/clipferry/ is not the project's Python package"
if [[ -n $html && -d $html ]]; then
  diff -rq "$html" "$sdk/html" >/dev/null || fail "html/ differs from $html"
fi

# The keys and values the Windows settings code reads, each named in README-Windows.txt.
readme=$(tr -d '\r' <"$sdk/README-Windows.txt")
while read -r key; do
  key=${key//\\\\/\\}
  key=${key%\\}
  grep -qF "$key" <<<"$readme" || fail "README-Windows.txt does not name $key"
done < <(grep -oE 'L"(SOFTWARE|Software)[^"]*"|"(Log|ProxyServer|ProxyEnable)"' "$repo/src/platform/win32/settings.cpp" |
         sed -E 's/^L?"//; s/"$//')

# Folder, toolchain, the import library's symbol prefix (x86 C names have a
# leading underscore; the DLL's names are undecorated either way).
for arch in "x86 i686 _" "x64 x86_64 "; do
  read -r folder toolchain prefix <<<"$arch"
  for file in clipferry.dll clipferry.def libclipferry.dll.a clipferry.lib libcurl.dll; do
    [[ -s $sdk/$folder/$file ]] || fail "no $folder/$file"
  done
  imports=$(llvm-nm-14 "$sdk/$folder/clipferry.lib" 2>/dev/null | awk '$2 == "T" && $3 ~ /^__imp_/ { print $3 }' | LC_ALL=C sort)
  [[ $imports == "$(sed "s/^/__imp_$prefix/" <<<"$exports")" ]] || fail "$folder/clipferry.lib imports: $imports"
  names=$(llvm-readobj-14 --coff-imports "$sdk/$folder/clipferry.lib" | awk '/^Name type:/ { print $3 }' | sort -u)
  [[ $names == noprefix || $names == name ]] || fail "$folder/clipferry.lib names its imports as '$names'"
  mkdir -p "$work/run-$folder"
  "$toolchain-w64-mingw32-gcc" -std=c11 -Wall -Wextra -Werror -I"$sdk/include" "$sdk/example/host.c" \
    "$sdk/$folder/libclipferry.dll.a" -o "$work/run-$folder/host.exe" || fail "the $folder host did not build"
  cp "$sdk/$folder/clipferry.dll" "$sdk/$folder/libcurl.dll" "$work/run-$folder/" || fail "$folder lacks a DLL"
done

# Every Wine command writes to a file: Wine's background processes keep the
# output of whoever started them (see run_windows_leg.sh).
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  wineboot --init >>"$log" 2>&1
fi
"$fixture" start "$state" >>"$log" 2>&1 || { cat "$log"; exit 1; }
port=$(<"$state/port")
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
  /v ProxyServer /t REG_SZ /d "127.0.0.1:$port" /f >>"$log" 2>&1
wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
  /v ProxyEnable /f >>"$log" 2>&1 || true
for folder in x86 x64; do
  [[ -f $work/run-$folder/host.exe ]] || continue
  (cd "$work/run-$folder" && wine host.exe >host.out 2>host.err) || fail "the $folder host failed"
  tr -d '\r' <"$work/run-$folder/host.out" |
    grep -qx 'Lumivid: Your video "Harbour at dusk 🌅" was received and awaits moderation.' ||
    { cat "$work/run-$folder/host.out"; fail "the $folder host did not print the service's acceptance"; }
  [[ -f $work/run-$folder/harbour.mp4 ]] && fail "the $folder host left its file behind"
  ((status != 0)) || echo "ok windows zip, $folder: the README's host built against the zip and accepted by the service"
done
((status == 0)) && echo "windows_zip_test: the SDK is whole"
exit $status
