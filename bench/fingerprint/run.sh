#!/usr/bin/env bash
# Fingerprint benchmark: the ledger's whole-file SHA-256 of a large file of
# random bytes against `openssl dgst -sha256` of the same file in the same
# run (warm page cache; cold too when the caches can be dropped, as root);
# then a folder of 200 files of 3 MiB hashed once and run again unchanged,
# when only the kept fingerprints are looked up. Files are removed afterwards.
#
#   bench/fingerprint/run.sh [BUILD_DIR] [SIZE]   (default: build, 4G; head -c sizes)
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
size=${2:-4G}
host=$build/bench/bench_fingerprint_host
[[ -x $host ]] || { echo "run.sh: $host is missing; build with -DCLIPFERRY_BUILD_BENCH=ON" >&2; exit 1; }
work=$(mktemp -d "${TMPDIR:-/tmp}/clipferry-fingerprint-XXXXXX")
trap 'rm -rf "$work"' EXIT
file=$work/large.mp4
head -c "$size" /dev/urandom >"$file"

seconds() { local start=$(date +%s.%N); "$@" >/dev/null; awk "BEGIN { print $(date +%s.%N) - $start }"; }
drop_caches() { sync; echo 3 >/proc/sys/vm/drop_caches 2>/dev/null; }
cat "$file" >/dev/null  # warm
for state in cold warm; do
  if [[ $state == cold ]] && ! drop_caches; then
    echo "cold: the page cache cannot be dropped here (needs root); skipped"
    continue
  fi
  for round in 1 2; do  # alternating, so neither side has the cache to itself
    [[ $state == cold ]] && drop_caches
    echo "$state $size fingerprint:         $("$host" hash "$file" | cut -d' ' -f1) s"
    [[ $state == cold ]] && drop_caches
    echo "$state $size openssl dgst -sha256: $(seconds openssl dgst -sha256 "$file") s"
  done
done
rm -f "$file"

mkdir "$work/folder"
for i in $(seq -w 1 200); do head -c 3M /dev/urandom >"$work/folder/clip$i.mp4"; done
# The fingerprints of files changed in the last 2 s are not kept: let them settle.
sleep 3
"$host" batch "$work/state/clipferry/ledger.sqlite" "$work"/folder/*.mp4
