#!/usr/bin/env bash
# The soak: the real program under Wine, on a private display and in a Wine
# prefix of its own (build/soak), against the projector simulator injecting
# every fault at random while a user presses buttons; checked after every
# step (tests/soak/SoakRun.h). Exits with the soak's status.
#
#   tools/soak.sh [minutes] [--seed N]    default 20 minutes, a new seed
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

minutes=20
if [[ $# -gt 0 && "$1" != --* ]]; then
  minutes=$1
  shift
fi

tools/setup-debian.sh
tools/build.sh win
unset DISPLAY
mkdir -p build/soak
trap 'tools/wine-run --tree build/soak --stop' EXIT
prepared=$(tools/wine-run --tree build/soak --prepare)
export "${prepared?}"
# The trap ends the prefix's processes, so output may come as it is written.
export WINE_RUN_LIVE=1

status=0
tools/wine-run --tree build/soak build/win/bin/soak.exe --minutes "$minutes" "$@" || status=$?
exit "$status"
