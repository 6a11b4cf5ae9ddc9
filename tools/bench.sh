#!/usr/bin/env bash
# Builds the Windows tree and runs the benchmarks under Wine on a private
# display, in a Wine prefix of their own (build/bench) so they never meet the
# tests. Prints figures beside their floor; nothing passes or fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
tools/build.sh win
source tools/wine-session.sh
wine_session build/bench --live
# The program must start as a first instance with no settings of its own.
tools/wine-run --tree build/bench reg delete 'HKLM\Software\Varnholt\Beamdesk' /f >/dev/null 2>&1 || true

echo "== start-up (Beamdesk vs a bare dialog program)"
tools/wine-run --tree build/bench build/win/bin/startup_bench.exe "${RUNS:-7}"

echo
echo "== link (Beamdesk vs a raw Winsock client, against the simulator on 127.0.99.1)"
tools/wine-run --tree build/bench build/win/bin/link_bench.exe "${PRESSES:-30}"

echo
echo "== PJLink link (Beamdesk set to PJLink vs raw Winsock clients, against the simulator on 127.0.99.2:4352)"
tools/wine-run --tree build/bench build/win/bin/pjlink_bench.exe "${PRESSES:-30}"

echo
echo "== beamctl (start to the projector's prompt for power on vs a raw Winsock session, simulator on 127.0.66.250;"
echo "   PJLink: start to the reply to %1POWR 1 vs a raw PJLink session, simulator on 127.0.66.252:4352)"
tools/wine-run --tree build/bench build/win/bin/beamctl_bench.exe "${RUNS:-7}"

echo
echo "== beamctl discover (a whole /24 on loopback, start to exit, simulators on 127.0.93.x)"
tools/wine-run --tree build/bench build/win/bin/discover_bench.exe "${RUNS:-7}"
