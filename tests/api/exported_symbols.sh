#!/usr/bin/env bash
# The shared library exports the seven functions of the public header and
# nothing else of its own, each under the version node CLIPFERRY_1.0, and
# names itself libclipferry.so.1.
set -euo pipefail
library=$1
node=CLIPFERRY_1.0
expected=$(printf "%s@@$node\n" CLIPFERRY_DoUpload CLIPFERRY_GetCategories CLIPFERRY_GetFileTypes \
  CLIPFERRY_GetModerators CLIPFERRY_Init CLIPFERRY_Login CLIPFERRY_Release)
# The node itself shows as an absolute symbol of that name.
actual=$(nm -D --defined-only --with-symbol-versions "$library" | awk '{print $3}' |
  grep -v -E "^(_init|_fini|__bss_start|_edata|_end|$node)(@@$node)?\$" | LC_ALL=C sort)
if [[ "$actual" != "$expected" ]]; then
  echo "exported symbols differ:"; diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
soname=$(readelf -d "$library" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p')
[[ $soname == libclipferry.so.1 ]] || { echo "SONAME is '$soname', not libclipferry.so.1"; exit 1; }
echo "7 exports under $node, nothing else; SONAME $soname"
