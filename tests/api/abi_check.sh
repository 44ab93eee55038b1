#!/usr/bin/env bash
# Holds the shared library to the committed ABI of 1.0 (src/libclipferry.abi,
# libabigail's abidw output): any difference abidiff reports in the exported
# functions, their argument and callback types, or the symbols and their
# version node fails. With --update, rewrites the baseline from the library
# instead (only for a deliberate, compatible addition; see README
# "Compatibility").
#   abi_check.sh LIBRARY [--update]
set -euo pipefail

library=$1
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
baseline=$repo/src/libclipferry.abi

for tool in abidw abidiff; do
  command -v "$tool" >/dev/null || { echo "abi_check: $tool is missing (Debian package abigail-tools; scripts/bootstrap.sh installs it)" >&2; exit 1; }
done

if [[ ${2:-} == --update ]]; then
  # Only what the public header declares; no paths of this machine.
  abidw --headers-dir "$repo/include" --drop-private-types --exported-interfaces-only \
    --no-corpus-path --no-comp-dir-path --no-show-locs --no-elf-needed --type-id-style hash "$library" |
    sed "s|path='$repo/|path='|" >"$baseline"
  echo "abi_check: wrote $baseline"
  exit 0
fi

status=0
abidiff --headers-dir2 "$repo/include" --no-unreferenced-symbols "$baseline" "$library" || status=$?
if ((status != 0)); then
  echo "abi_check: the library's ABI differs from $baseline (abidiff status $status)." >&2
  echo "A changed or removed export breaks hosts built against 1.0: see README \"Compatibility\"." >&2
  exit 1
fi
echo "abi_check: the exports match the 1.0 baseline"
