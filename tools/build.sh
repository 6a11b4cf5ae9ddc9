#!/usr/bin/env bash
# Configures (first time) and builds one tree or both:
#   tools/build.sh [native|win]...
#   native  build/native  the Windows-free code and its tests, ASan + UBSan
#   win     build/win     Beamdesk.exe, Keygrant.exe and all tests (mingw-w64)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

trees=("$@")
[[ ${#trees[@]} -gt 0 ]] || trees=(native win)

for tree in "${trees[@]}"; do
  case "$tree" in
    native) args=(-DCMAKE_BUILD_TYPE=Debug) ;;
    win)    args=(-DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchain-mingw64.cmake") ;;
    *) echo "unknown tree: $tree" >&2; exit 2 ;;
  esac
  if [[ ! -f "build/$tree/build.ninja" ]]; then
    cmake -S . -B "build/$tree" -G Ninja "${args[@]}"
  fi
  cmake --build "build/$tree" -j2
done
