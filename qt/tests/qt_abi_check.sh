#!/usr/bin/env bash
# Holds the Qt library to its committed ABI (qt/libclipferry-qtN.abi, one per
# Qt major, libabigail's abidw output over the public headers, Qt's own types
# left out): a changed layout of a public class, a changed virtual table, or
# an exported symbol removed or added fails. With --update, rewrites the
# baseline from the library instead (only for a deliberate, compatible
# addition).
#   qt_abi_check.sh LIBRARY QT_MAJOR [--update]
set -euo pipefail

library=$1
major=$2
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
baseline=$repo/qt/libclipferry-qt$major.abi

for tool in abidw abidiff; do
  command -v "$tool" >/dev/null || { echo "qt_abi_check: $tool is missing (Debian package abigail-tools; scripts/bootstrap.sh installs it)" >&2; exit 1; }
done

# Only what the public headers declare; no paths of this machine.
describe() {
  abidw --headers-dir "$repo/qt/include" --drop-private-types --exported-interfaces-only \
    --suppressions "$repo/qt/tests/qt_abi_own_types.suppr" \
    --no-corpus-path --no-comp-dir-path --no-show-locs --no-elf-needed --type-id-style hash "$library" |
    sed "s|path='$repo/|path='|"
}

if [[ ${3:-} == --update ]]; then
  describe >"$baseline"
  echo "qt_abi_check: wrote $baseline"
  exit 0
fi

# Two descriptions compared: abidiff cannot apply the dropping of Qt's types
# to a baseline it reads back. Every exported symbol counts, including those
# libabigail finds no declaration for: their removal or addition still shows.
current=$(mktemp)
trap 'rm -f "$current"' EXIT
describe >"$current"
status=0
abidiff "$baseline" "$current" || status=$?
if ((status != 0)); then
  echo "qt_abi_check: the Qt library's ABI differs from $baseline (abidiff status $status)." >&2
  echo "A changed or removed export breaks hosts built against it; a deliberate addition: rerun with --update." >&2
  exit 1
fi
echo "qt_abi_check: the exports match the Qt $major baseline"
