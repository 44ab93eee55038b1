#!/usr/bin/env bash
# Upload benchmark: the library (through bench_upload_host) against the curl
# command-line tool, sending the same 13-part form of the same file to the same
# local sink, and against the wire's pace (bench_upload_plain_sender: a bare
# POST of the file in 1 MiB reads and writes), in turn, RUNS times each per
# size. Prints per size the median throughput of the three, the ratios
# library / curl and library / plain, and the host's peak RSS. Then the
# upload over slow links (slow_links.py): the longest gap between progress
# calls and the bytes that reach the sink after a cancel, through the tests'
# throttling relay at 20 KB/s, 100 KB/s and 1 MB/s.
#
#   bench/upload/run.sh [BUILD_DIR] [RUNS] [SIZE...]   (defaults: build, 5,
#                                                       64MiB 1GiB 4GiB+1)
#
# REFERENCE_LIBRARY_DIR=DIR (a folder holding another build's libclipferry.so)
# adds that library, loaded by the same host, side by side: a column of its
# throughput, and a row of its own at each slow rate.
#
# Files go to $BENCH_DIR (default $TMPDIR/clipferry-bench): 64 MiB, 1 GiB and
# 2 GiB of random bytes (read once before timing, so the page cache holds
# them), and a sparse file of 4 GiB + 1 byte. Only loopback is used.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
build=$(cd "${1:-$repo/build}" && pwd)
runs=${2:-5}
shift $(($# < 2 ? $# : 2))
[[ $# -gt 0 ]] && sizes=("$@") || sizes=(64MiB 1GiB 4GiB+1)
work=${BENCH_DIR:-${TMPDIR:-/tmp}/clipferry-bench}
sink=$build/bench/bench_upload_sink
host=$build/bench/bench_upload_host
plain=$build/bench/bench_upload_plain_sender
for program in "$sink" "$host" "$plain"; do
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

# The same through the reference library.
reference_upload() {
  LD_LIBRARY_PATH=$REFERENCE_LIBRARY_DIR library_upload "$1"
}

# One bare POST of the file in 1 MiB pieces; prints "seconds".
plain_upload() {
  "$plain" "$port" "$1" 1048576 | sed -E 's/seconds=//'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

rate() { awk -v b="$1" -v s="$2" 'BEGIN { print b / 1048576 / s }'; }

reference=${REFERENCE_LIBRARY_DIR:-}
printf '%-8s %5s %13s %10s %11s %10s %11s %14s' size runs "library MiB/s" "curl MiB/s" "plain MiB/s" \
  "lib/curl" "lib/plain" "host peak RSS"
[[ -n $reference ]] && printf ' %15s' "reference MiB/s"
printf '\n'
for label in "${sizes[@]}"; do
  case $label in
    64MiB) kind=random size=67108864 ;;
    1GiB) kind=random size=1073741824 ;;
    2GiB) kind=random size=2147483648 ;;
    4GiB+1) kind=sparse size=4294967297 ;;
    *) echo "run.sh: no size $label (64MiB 1GiB 2GiB 4GiB+1)" >&2; exit 2 ;;
  esac
  path=$(make_file "upload-$label.bin" "$kind" "$size")
  cat "$path" >/dev/null
  lib_rates=() curl_rates=() plain_rates=() peaks=() reference_rates=()
  for ((i = 0; i < runs; i++)); do
    read -r seconds peak < <(library_upload "$path")
    lib_rates+=("$(rate "$size" "$seconds")")
    peaks+=("$peak")
    curl_rates+=("$(rate "$size" "$(curl_upload "$path")")")
    plain_rates+=("$(rate "$size" "$(plain_upload "$path")")")
    if [[ -n $reference ]]; then
      read -r seconds peak < <(reference_upload "$path")
      reference_rates+=("$(rate "$size" "$seconds")")
    fi
  done
  lib=$(printf '%s\n' "${lib_rates[@]}" | median)
  cur=$(printf '%s\n' "${curl_rates[@]}" | median)
  pln=$(printf '%s\n' "${plain_rates[@]}" | median)
  peak=$(printf '%s\n' "${peaks[@]}" | sort -n | tail -1)
  printf '%-8s %5d %13.0f %10.0f %11.0f %10.3f %11.3f %10.1f MiB' "$label" "$runs" "$lib" "$cur" "$pln" \
    "$(awk -v a="$lib" -v b="$cur" 'BEGIN { print a / b }')" "$(awk -v a="$lib" -v b="$pln" 'BEGIN { print a / b }')" \
    "$(awk -v k="$peak" 'BEGIN { print k / 1024 }')"
  [[ -n $reference ]] && printf ' %15.0f' "$(printf '%s\n' "${reference_rates[@]}" | median)"
  printf '\n'
done

echo
echo "Slow links (the tests' throttling relay in front of the sink):"
/usr/bin/python3 "$repo/bench/upload/slow_links.py" "$port" "$host" "$work" ${reference:+"$reference"}
