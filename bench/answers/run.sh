#!/usr/bin/env bash
# Answer benchmark: the library's categories call (through bench_answers_host)
# against a bare libcurl fetch, libxml2 parse and item walk of the same answer
# (bench_answers_reference), both from the same local sink as proxy,
# alternating, RUNS times each per size. Prints per size the median seconds of
# both, their ratio (library / reference) and the highest peak RSS of each.
#
#   bench/answers/run.sh [BUILD_DIR] [RUNS] [SIZES...]   (defaults: build, 5, 5000 50000 500000)
#
# Only loopback is used.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
runs=${2:-5}
shift $(($# < 2 ? $# : 2))
sizes=("$@")
[[ $# -gt 0 ]] || read -r -a sizes <<<"5000 50000 500000"
work=${BENCH_DIR:-${TMPDIR:-/tmp}/clipferry-bench}
sink=$build/bench/bench_upload_sink
host=$build/bench/bench_answers_host
reference=$build/bench/bench_answers_reference
for program in "$sink" "$host" "$reference"; do
  [[ -x $program ]] || { echo "run.sh: $program is missing; build first" >&2; exit 1; }
done
mkdir -p "$work"

rm -f "$work/answers-port"
"$sink" --port-file "$work/answers-port" --idle-seconds 60 >/dev/null &
sink_pid=$!
trap 'kill "$sink_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -s $work/answers-port ]] && break; sleep 0.1; done
proxy=127.0.0.1:$(<"$work/answers-port")
url=http://api.lumivid.example/0.1.1/api

# One run of a program; prints "seconds peak_rss_kib".
measure() {
  local line
  line=$("$@") || { echo "run.sh: $1 failed: $line" >&2; exit 1; }
  sed -E 's/.*seconds=([0-9.]+).*peak_rss_kib=([0-9]+).*/\1 \2/' <<<"$line"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mib() { awk -v k="$1" 'BEGIN { printf "%.1f", k / 1024 }'; }

printf '%-8s %5s %12s %12s %7s %14s %14s\n' items runs "library s" "reference s" ratio "library peak" "reference peak"
for size in "${sizes[@]}"; do
  lib_times=() ref_times=() lib_peak=0 ref_peak=0
  measure "$reference" "$proxy" "$size" "$url" >/dev/null  # the sink makes the answer once
  for ((i = 0; i < runs; i++)); do
    read -r seconds peak < <(measure "$host" "$proxy" "$size")
    lib_times+=("$seconds")
    ((peak > lib_peak)) && lib_peak=$peak
    read -r seconds peak < <(measure "$reference" "$proxy" "$size" "$url")
    ref_times+=("$seconds")
    ((peak > ref_peak)) && ref_peak=$peak
  done
  lib=$(printf '%s\n' "${lib_times[@]}" | median)
  ref=$(printf '%s\n' "${ref_times[@]}" | median)
  printf '%-8s %5d %12.4f %12.4f %7.2f %10s MiB %10s MiB\n' "$size" "$runs" "$lib" "$ref" \
    "$(awk -v a="$lib" -v b="$ref" 'BEGIN { print a / b }')" "$(mib "$lib_peak")" "$(mib "$ref_peak")"
done
