#!/usr/bin/env bash
# Builds the fuzz targets (clang's libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS, one after another,
# from its seed corpus and the answers' dictionary.
#   fuzz.sh SECONDS [TARGET...]   (every target when none is named)
# FUZZ_BUILD_DIR (default build-fuzz) is the build folder, FUZZ_FLAGS extra
# libFuzzer flags.
# The corpus grows in a copy under the build folder, never in fuzz/corpus.
# A finding stops that target and leaves its reproducer in
# BUILD/findings/TARGET/ and the fuzzer's output in BUILD/logs/TARGET.log;
# the script then goes on with the others and exits non-zero.
set -euo pipefail

repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${FUZZ_BUILD_DIR:-$repo/build-fuzz}
[[ $build = /* ]] || build=$repo/$build
seconds=${1:?usage: fuzz.sh SECONDS [TARGET...]}
shift
targets=("$@")
if ((${#targets[@]} == 0)); then
  for source in "$repo"/fuzz/*_fuzzer.cpp; do
    name=$(basename "$source")
    targets+=("${name%_fuzzer.cpp}")
  done
fi

mkdir -p "$build/logs"
if ! { cmake -S "$repo" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCLIPFERRY_FUZZ=ON \
         -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 &&
       cmake --build "$build" -j "${JOBS:-2}" --target "${targets[@]/%/_fuzzer}"; } >"$build/logs/build.log" 2>&1; then
  cat "$build/logs/build.log" >&2
  echo "fuzz: the targets did not build" >&2
  exit 1
fi

export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:strict_string_checks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fault_lines='^==[0-9]+==ERROR|runtime error|deadly signal|out-of-memory|timeout after'
failed=()
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  findings=$build/findings/$target
  log=$build/logs/$target.log
  mkdir -p "$corpus" "$findings"
  start=$(date +%s)
  # One process at a time: the machine's cores are shared.
  # FUZZ_FLAGS adds libFuzzer flags of the caller's (e.g. -max_len=65536).
  # shellcheck disable=SC2086
  if "$build/fuzz/${target}_fuzzer" -max_total_time="$seconds" -timeout=20 -max_len=8192 ${FUZZ_FLAGS:-} \
      -dict="$repo/fuzz/answers.dict" -artifact_prefix="$findings/" -print_final_stats=1 \
      "$corpus" "$repo/fuzz/corpus/$target" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "fuzz: $target ran $(($(date +%s) - start)) s, ${runs:-?} inputs, no finding"
  else
    echo "fuzz: $target FOUND A FAULT after $(($(date +%s) - start)) s; reproducer in $findings/:" >&2
    ls "$findings" >&2
    if grep -q -E "$fault_lines" "$log"; then
      grep -E -A12 "$fault_lines" "$log" | head -40 >&2 || true
    else
      tail -40 "$log" >&2
    fi
    failed+=("$target")
  fi
done

if ((${#failed[@]} > 0)); then
  echo "fuzz: findings in ${failed[*]}; rerun one with $build/fuzz/TARGET_fuzzer REPRODUCER" >&2
  exit 1
fi
