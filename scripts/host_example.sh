#!/usr/bin/env bash
# Prints the README's host example, the C lines between its markers without
# the code fence: the packages ship it and the packaging tests build it, so
# what a reader copies is what was tested.
#   scripts/host_example.sh README.md > host.c
set -euo pipefail
awk '/<!-- host example: begins/ { inside = 1; found++; next }
     /<!-- host example: ends/ { inside = 0; next }
     inside && !/^```/ { print; lines++ }
     END { exit found == 1 && lines > 0 ? 0 : 1 }' "$1" ||
  { echo "host_example: $1 must hold exactly one marked, non-empty host example" >&2; exit 1; }
