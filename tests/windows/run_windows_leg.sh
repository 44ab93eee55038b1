#!/usr/bin/env bash
# Runs the Windows test host for one architecture under Wine, headless, against
# a local Lumivid service of its own: once beside libcurl.dll, and once from a
# folder without it for the cases that need libcurl missing.
#   run_windows_leg.sh WINE_DIR i686|x86_64 HOST_EXE CLIPFERRY_DLL LIBCURL_DLL
# WINE_DIR keeps the Wine prefix (made on first use, about 1.4 GB, reused
# after), the service's state and the run folders.
set -euo pipefail

[[ $# -eq 5 ]] || { echo "usage: $0 WINE_DIR i686|x86_64 HOST_EXE CLIPFERRY_DLL LIBCURL_DLL" >&2; exit 2; }
mkdir -p "$1"
wine_dir=$(cd "$1" && pwd)
arch=$2
host=$3
dll=$4
curl=$5
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
fixture=$repo/tests/support/devserver_fixture.sh
state=$wine_dir/devserver-$arch
log=$wine_dir/wine-$arch.log
started=$SECONDS

# No Mono or Gecko installers, no desktop menus, no debug chatter.
export WINEPREFIX=$wine_dir/prefix WINEARCH=win64 WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"

stop_all() {
  wineserver -k >/dev/null 2>&1 || true
  "$fixture" stop "$state" >/dev/null 2>&1 || true
}
trap stop_all EXIT

# Wine's background processes keep the output of the Wine command that started
# them for as long as they live: every Wine command here writes to a file, so
# that nobody reading this script's output waits for them.
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  echo "run_windows_leg: making the Wine prefix $WINEPREFIX (once)"
  wineboot --init >>"$log" 2>&1
fi

"$fixture" start "$state" >>"$log" 2>&1 || { cat "$log"; exit 1; }
port=$(<"$state/port")

# The library's proxy is the local service, as the current user's Internet
# Settings (one value for 32-bit and 64-bit programs alike), with no switch
# recorded: a ProxyEnable of 0 would turn it off.
wine reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
  /v ProxyServer /t REG_SZ /d "127.0.0.1:$port" /f >>"$log" 2>&1
wine reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\Internet Settings' \
  /v ProxyEnable /f >>"$log" 2>&1 || true

# The host imports libcurl-4.dll (the import library's name) for the service's
# control API; the DLL under test loads "libcurl.dll", which only the first
# folder has.
with=$wine_dir/$arch/with-libcurl
without=$wine_dir/$arch/without-libcurl
rm -rf "$with" "$without"
mkdir -p "$with" "$without"
for folder in "$with" "$without"; do
  cp "$host" "$folder/clipferry_test_host.exe"
  cp "$dll" "$folder/clipferry.dll"
  cp "$curl" "$folder/libcurl-4.dll"
done
cp "$curl" "$with/libcurl.dll"

# A scratch file left by an interrupted run would fail every case.
rm -f "$WINEPREFIX"/drive_c/users/*/Temp/LumividRes*

status=0
for folder in "$with" "$without"; do
  args=("$port")
  [[ $folder == "$without" ]] && args+=(--libcurl-missing)
  echo "run_windows_leg: $arch, $(basename "$folder")"
  wine "$folder/clipferry_test_host.exe" "${args[@]}" >"$folder/host.out" 2>&1 || status=1
  tr -d '\r' <"$folder/host.out"
done
# A host killed while the service holds back its login answer: the scratch
# file was made before the request went out, and goes with the host.
temp=("$WINEPREFIX"/drive_c/users/*/Temp)
control=http://127.0.0.1:$port/_control
curl -s -X POST "$control/reset" >/dev/null
curl -s -X POST -d '{"path": "/0.1.1/api", "drop": true, "delay_ms": 60000}' "$control/script" >/dev/null
wine "$with/clipferry_test_host.exe" "$port" --login-once >"$with/killed.out" 2>&1 &
held=$!
for _ in $(seq 300); do
  [[ $(curl -s "$control/requests") == *UserLogin* ]] && break
  sleep 0.1
done
scratch_while_held=$(ls "${temp[0]}" | grep -c '^LumividRes' || true)
kill -KILL "$held"
wait "$held" 2>/dev/null || true
sleep 1
scratch_after_kill=$(ls "${temp[0]}" | grep -c '^LumividRes' || true)
if [[ $scratch_while_held == 1 && $scratch_after_kill == 0 ]]; then
  echo "ok   a host killed while its login answer is held back leaves no scratch file"
else
  echo "FAIL a host killed while its login answer is held back leaves no scratch file" \
    "($scratch_while_held while held, $scratch_after_kill after the kill)"
  status=1
fi
curl -s -X POST "$control/reset" >/dev/null

echo "run_windows_leg: $arch took $((SECONDS - started)) s"
exit $status
