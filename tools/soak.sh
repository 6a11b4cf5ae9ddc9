#!/usr/bin/env bash
# The soak: the real program under Wine, on a private display and in a Wine
# prefix of its own (build/soak), against the projector simulator injecting
# every fault at random while a user presses buttons; checked after every
# step (tests/soak/SoakRun.h). Exits with the soak's status.
#
#   tools/soak.sh [minutes] [--seed N] [--protocol native|pjlink]
#                                         default 20 minutes, a new seed, the
#                                         native protocol; every argument after
#                                         the minutes goes to the soak
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
source tools/wine-session.sh
wine_session build/soak --live

status=0
tools/wine-run --tree build/soak build/win/bin/soak.exe --minutes "$minutes" "$@" || status=$?
exit "$status"
