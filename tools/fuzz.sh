#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time:
#   tools/fuzz.sh [seconds per target, default 30] [--save]
# Every Fuzz* program the fuzzing tree builds is run; a new target needs no
# change here.
#
# Corpus: each target starts from its seeds in tests/fuzz/corpus/<target>/
# (committed, so a fresh checkout does not start from nothing) and keeps what
# it finds in build/fuzz/corpus/<target>/, which the next run continues from.
# --save merges that working corpus into the seeds (minimised), for a commit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

seconds=30
save=false
for arg in "$@"; do
  case "$arg" in
    --save) save=true ;;
    *[!0-9]*|"") echo "usage: tools/fuzz.sh [seconds] [--save]" >&2; exit 2 ;;
    *) seconds=$arg ;;
  esac
done

if [[ ! -f build/fuzz/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBEAMDESK_FUZZ=ON -DBEAMDESK_TESTS=OFF
fi
cmake --build build/fuzz -j2

targets=()
for program in build/fuzz/bin/Fuzz*; do
  [[ -x "$program" ]] && targets+=("$(basename "$program")")
done
[[ ${#targets[@]} -gt 0 ]] || { echo "no Fuzz* programs in build/fuzz/bin" >&2; exit 1; }

for target in "${targets[@]}"; do
  work="build/fuzz/corpus/$target"
  seeds="tests/fuzz/corpus/$target"
  mkdir -p "$work"
  corpora=("$root/$work")
  [[ -d "$seeds" ]] && corpora+=("$root/$seeds")
  echo "== $target (${seconds} s)"
  log="build/fuzz/$target.log"
  status=0
  # New inputs go to the first corpus folder only; the seeds are read.
  (cd build/fuzz && "bin/$target" -max_total_time="$seconds" -max_len=1100 -print_final_stats=1 \
    "${corpora[@]}") >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|Done' "$log" || true
  if [[ $status -ne 0 ]]; then
    echo "$target failed (status $status); the crashing input is in build/fuzz/" >&2
    tail -40 "$log" >&2
    exit 1
  fi
  if $save; then
    mkdir -p "$seeds"
    (cd build/fuzz && "bin/$target" -merge=1 -max_len=1100 "$root/$seeds" "$root/$work") >"$log.merge" 2>&1
    echo "   seeds: $(find "$seeds" -type f | wc -l) inputs in $seeds"
  fi
done
