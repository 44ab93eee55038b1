#!/usr/bin/env bash
# Checks a built clipferry.dll from the outside: it exports exactly the seven
# functions under their plain names and imports Windows system DLLs only (the
# C++ runtime linked in, libcurl.dll loaded at run time, never imported).
#
#   tests/windows/exports_check.sh i686|x86_64 path/to/clipferry.dll
set -euo pipefail

arch=$1
dll=$2
objdump=$arch-w64-mingw32-objdump

# The functions the public header declares with the export macro.
header=$(dirname "$0")/../../include/clipferry.h
expected_exports=$(grep -oE '^CLIPFERRY_API .*CLIPFERRY_CALL CLIPFERRY_[A-Za-z]+' "$header" |
                   awk '{ print $NF }' | LC_ALL=C sort)
if [[ $(wc -l <<<"$expected_exports") -ne 7 ]]; then
  echo "FAIL: the public header should declare seven exports" >&2
  exit 1
fi

# Lower case; a system DLL anyone's Windows has, or an API set of the system.
system_dll='^(kernel32|user32|advapi32|ole32|oleaut32|shlwapi|shell32|msvcrt|ucrtbase|ws2_32|bcrypt|crypt32|api-ms-win-[a-z0-9-]+)\.dll$'

dump=$("$objdump" -p "$dll")

# The names follow the "[Ordinal/Name Pointer] Table" heading, one a line.
exports=$(awk '/^\[Ordinal\/Name Pointer\] Table/ { table = 1; next }
               table && /^\t\[ *[0-9]+\] / { print $NF; next }
               table { table = 0 }' <<<"$dump" | LC_ALL=C sort)
imports=$(awk '/DLL Name:/ { print tolower($3) }' <<<"$dump" | LC_ALL=C sort -u)

status=0
if [[ $exports != "$expected_exports" ]]; then
  echo "FAIL $dll: exports differ from the seven functions" >&2
  diff <(echo "$expected_exports") <(echo "$exports") >&2 || true
  status=1
fi
foreign=$(grep -Ev "$system_dll" <<<"$imports" || true)
if [[ -n $foreign ]]; then
  echo "FAIL $dll: imports DLLs that are not part of Windows:" $foreign >&2
  status=1
fi
if ((status == 0)); then
  echo "ok $dll: exports the seven functions; imports" $imports
fi
exit $status
