#!/usr/bin/env bash
# Fingerprint benchmark: the ledger's sampled fingerprint of a 4 GiB file of
# random bytes against sha256sum of the whole file (what hashing it all would
# cost), each with the file in the page cache and, when the caches can be
# dropped (root), from the disk. The file is removed afterwards.
#
#   bench/fingerprint/run.sh [BUILD_DIR]     (default: build)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
host=$build/bench/bench_fingerprint_host
[[ -x $host ]] || { echo "run.sh: $host is missing; build with -DCLIPFERRY_BUILD_BENCH=ON" >&2; exit 1; }
file=$(mktemp "${TMPDIR:-/tmp}/clipferry-fingerprint-XXXXXX.mp4")
trap 'rm -f "$file"' EXIT
head -c 4G /dev/urandom >"$file"

drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; }
for state in cold warm; do
  if [[ $state == cold ]] && ! drop_caches; then
    echo "cold: the page cache cannot be dropped here (needs root); skipped"
    continue
  fi
  echo "$state fingerprint: $("$host" "$file" | cut -d' ' -f1) s"
  [[ $state == cold ]] && drop_caches
  start=$(date +%s.%N)
  sha256sum "$file" >/dev/null
  echo "$state sha256sum:   $(awk "BEGIN { print $(date +%s.%N) - $start }") s"
done
