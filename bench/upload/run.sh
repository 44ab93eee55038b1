#!/usr/bin/env bash
# Upload benchmark: the library (through bench_upload_host) against the curl
# command-line tool, sending the same 13-part form of the same file to the same
# local sink, alternating, RUNS times each per size. Prints per size the median
# throughput of both, their ratio (library / curl) and the host's peak RSS.
#
#   bench/upload/run.sh [BUILD_DIR] [RUNS]     (defaults: build, 5)
#
# Files go to $BENCH_DIR (default $TMPDIR/clipferry-bench): 64 MiB and 1 GiB of
# random bytes, and a sparse file of 4 GiB + 1 byte. Only loopback is used.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
runs=${2:-5}
work=${BENCH_DIR:-${TMPDIR:-/tmp}/clipferry-bench}
sink=$build/bench/bench_upload_sink
host=$build/bench/bench_upload_host
for program in "$sink" "$host"; do
  [[ -x $program ]] || { echo "run.sh: $program is missing; build first" >&2; exit 1; }
done
command -v curl >/dev/null || { echo "run.sh: the curl tool is missing" >&2; exit 1; }
mkdir -p "$work"

# The files, made once and kept for later runs.
make_file() {
  local name=$1 kind=$2 size=$3
  local path=$work/$name
  if [[ $(stat -c %s "$path" 2>/dev/null || echo -1) != "$size" ]]; then
    rm -f "$path"
    if [[ $kind == sparse ]]; then
      truncate -s "$size" "$path"
    else
      head -c "$size" /dev/urandom >"$path"
    fi
  fi
  echo "$path"
}

rm -f "$work/port"
"$sink" --port-file "$work/port" --idle-seconds 60 >/dev/null &
sink_pid=$!
trap 'kill "$sink_pid" 2>/dev/null || true' EXIT
for _ in $(seq 50); do [[ -s $work/port ]] && break; sleep 0.1; done
port=$(<"$work/port")
proxy=127.0.0.1:$port

# One upload by the curl tool: the host's form, field for field, through the
# same proxy; prints "seconds".
curl_upload() {
  local path=$1 name
  name=$(basename "$path")
  curl -s -o /dev/null -w '%{time_total}\n' --fail -x "$proxy" -H 'Expect:' \
    --form-string "Filename=$name" \
    --form-string "tags=bench, clip" \
    --form-string "terms=1" \
    --form-string "authkey=k" \
    --form-string "title=Benchmark clip" \
    --form-string "contest=0" \
    --form-string "description=A clip sent by the upload benchmark." \
    --form-string "category1=1" \
    --form-string "category2=2" \
    --form-string "category3=3" \
    --form-string "moderator=0" \
    -F "userfile=@$path;filename=$name;type=application/octet-stream" \
    --form-string "Upload=Submit Query" \
    "http://upload.lumivid.example/upload"
}

# One upload by the library; prints "seconds peak_rss_kib".
library_upload() {
  local line
  line=$("$host" "$proxy" "$1")
  [[ $line == result=0\ * ]] || { echo "run.sh: library upload failed: $line" >&2; exit 1; }
  sed -E 's/.*seconds=([0-9.]+).*peak_rss_kib=([0-9]+).*/\1 \2/' <<<"$line"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

printf '%-8s %6s %14s %14s %7s %14s\n' size runs "library MiB/s" "curl MiB/s" ratio "host peak RSS"
for entry in "64MiB random 67108864" "1GiB random 1073741824" "4GiB+1 sparse 4294967297"; do
  read -r label kind size <<<"$entry"
  path=$(make_file "upload-$label.bin" "$kind" "$size")
  lib_rates=() curl_rates=() peaks=()
  for ((i = 0; i < runs; i++)); do
    read -r seconds peak < <(library_upload "$path")
    lib_rates+=("$(awk -v b="$size" -v s="$seconds" 'BEGIN { print b / 1048576 / s }')")
    peaks+=("$peak")
    seconds=$(curl_upload "$path")
    curl_rates+=("$(awk -v b="$size" -v s="$seconds" 'BEGIN { print b / 1048576 / s }')")
  done
  lib=$(printf '%s\n' "${lib_rates[@]}" | median)
  cur=$(printf '%s\n' "${curl_rates[@]}" | median)
  peak=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)
  printf '%-8s %6d %14.0f %14.0f %7.3f %10.1f MiB\n' "$label" "$runs" "$lib" "$cur" \
    "$(awk -v a="$lib" -v b="$cur" 'BEGIN { print a / b }')" "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
done
