#!/bin/sh
# Runs one Windows test program under Wine and gives its status:
#   run_under_wine.sh PROGRAM.exe [ARGUMENT...]
# WINEPREFIX names the Wine prefix, made here on first use; its wineserver is
# stopped at the end. Wine's output goes to a file beside the program: its
# background processes keep any pipe they inherit open while they live.
set -eu
program=${1:?a Windows program}
shift
: "${WINEPREFIX:?a Wine prefix}"
export WINEPREFIX WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
log=$program.log
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  WINEARCH=win64 wineboot --init >"$log" 2>&1
fi
status=0
wine "$program" "$@" >"$log" 2>&1 </dev/null || status=$?
tr -d '\r' <"$log"
exit "$status"
