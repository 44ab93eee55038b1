#!/usr/bin/env bash
# Compiles header_check.c against the public header as C99, C11 and C++17
# with every warning an error, runs each, and syntax-checks it with the
# Windows compiler when one is installed.
#   header_check.sh C_COMPILER CXX_COMPILER PROJECT_VERSION [EXTRA_FLAGS]
set -euo pipefail

cc=$1
cxx=$2
version=$3
extra_flags=${4:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
include=$here/../../include
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
warnings=(-Wall -Wextra -Werror -pedantic)
define="-DEXPECTED_VERSION=\"$version\""

status=0
check() {  # NAME COMPILER FLAGS...
  local name=$1 compiler=$2
  shift 2
  # shellcheck disable=SC2086  # the extra flags are words
  if "$compiler" "$@" "${warnings[@]}" $extra_flags "$define" -I"$include" -o "$work/$name" \
     && "$work/$name"; then
    echo "header_check: $name ok"
  else
    echo "header_check: $name FAILED" >&2
    status=1
  fi
}
check c99 "$cc" -std=c99 "$here/header_check.c"
check c11 "$cc" -std=c11 "$here/header_check.c"
check c++17 "$cxx" -std=c++17 -x c++ "$here/header_check.c"

if command -v i686-w64-mingw32-gcc >/dev/null; then
  if i686-w64-mingw32-gcc -std=c99 "${warnings[@]}" "$define" -I"$include" -fsyntax-only \
     "$here/header_check.c"; then
    echo "header_check: mingw c99 ok"
  else
    echo "header_check: mingw c99 FAILED" >&2
    status=1
  fi
fi
exit $status
