#!/usr/bin/env bash
# The one test command: sets up a fresh Debian 12 machine, builds both trees and
# runs every test (natively under the sanitizers, then under Wine on a private
# Xvfb display). Exits non-zero when anything fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
tools/build.sh native win

echo "== native tests (ASan + UBSan)"
ctest --test-dir build/native --output-on-failure -j2

echo "== fuzzing (libFuzzer, ASan + UBSan)"
tools/fuzz.sh "${FUZZ_SECONDS:-30}"

echo "== Windows tests under Wine"
source tools/wine-session.sh
wine_session build/win
ctest --test-dir build/win --output-on-failure -j2
