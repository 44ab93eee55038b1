#!/usr/bin/env bash
# The shared library exports the seven functions of the public header and
# nothing else of its own.
set -euo pipefail
library=$1
expected="CLIPFERRY_DoUpload
CLIPFERRY_GetCategories
CLIPFERRY_GetFileTypes
CLIPFERRY_GetModerators
CLIPFERRY_Init
CLIPFERRY_Login
CLIPFERRY_Release"
actual=$(nm -D --defined-only "$library" | awk '{print $3}' | grep -v -E '^(_init|_fini|__bss_start|_edata|_end)$' | sort)
if [[ "$actual" != "$expected" ]]; then
  echo "exported symbols differ:"; diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "7 exports, nothing else"
