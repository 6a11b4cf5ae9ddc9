#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (ASan + UBSan) and runs each for a
# bounded time: tools/fuzz.sh [seconds per target, default 60].
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
seconds=${1:-60}

if [[ ! -f build/fuzz/build.ninja ]]; then
  CC=clang CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBEAMDESK_FUZZ=ON -DBEAMDESK_TESTS=OFF >/dev/null
fi
cmake --build build/fuzz -j2

for target in FuzzHandshakeReply FuzzLineAssembler FuzzLinkSession; do
  mkdir -p "build/fuzz/corpus/$target"
  echo "== $target (${seconds} s)"
  log="build/fuzz/$target.log"
  status=0
  (cd build/fuzz && "bin/$target" -max_total_time="$seconds" -max_len=1100 -print_final_stats=1 \
    "corpus/$target") >"$log" 2>&1 || status=$?
  grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb)|ERROR|SUMMARY|Done' "$log" || true
  if [[ $status -ne 0 ]]; then
    echo "$target failed (status $status); the crashing input is in build/fuzz/" >&2
    tail -40 "$log" >&2
    exit 1
  fi
done
