#!/usr/bin/env bash
# The one run command: sets up a fresh Debian 12 machine, builds the Windows
# programs and starts Beamdesk under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
tools/build.sh win

if [[ ! -f build/win/bin/Beamdesk.exe ]]; then
  echo "Built build/win/bin/Keygrant.exe and the settings store."
  echo "The console window (Beamdesk.exe) comes with the next step of the project; nothing to start yet."
  exit 0
fi
exec tools/wine-run --tree build/win build/win/bin/Beamdesk.exe
