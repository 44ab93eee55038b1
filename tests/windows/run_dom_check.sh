#!/bin/sh
# Builds and runs dom_check.exe under Wine: run_dom_check.sh i686|x86_64 OUTPUT_DIRECTORY
# WINEPREFIX names the Wine prefix, made here on first use; its wineserver is
# stopped at the end. Wine's output goes to a file: its background processes
# keep any pipe they inherit open for as long as the wineserver lives.
set -eu
arch=${1:?architecture: i686 or x86_64}
out=${2:?output directory}
: "${WINEPREFIX:?a Wine prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
mkdir -p "$out"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  WINEARCH=win64 wineboot --init >"$out/wineboot.log" 2>&1
fi
"$(dirname "$0")/build_dom_check.sh" "$arch" "$out"
status=0
wine "$out/dom_check-$arch.exe" >"$out/dom_check-$arch.log" 2>&1 </dev/null || status=$?
cat "$out/dom_check-$arch.log"
# A file the library writes, left by the program: other users get nothing.
owned="$WINEPREFIX/drive_c/clipferry-dom-check-owner.txt"
case $(stat -c %A "$owned" 2>/dev/null) in
  *---) ;;
  *) echo "FAILED: a file written to C:\\ is open to other users, or missing"; status=1 ;;
esac
rm -f "$owned"
exit "$status"
