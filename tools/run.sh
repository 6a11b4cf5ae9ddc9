#!/usr/bin/env bash
# The one run command: sets up a fresh Debian 12 machine, builds, starts the
# projector simulator on loopback and Beamdesk under Wine, pointed at it.
#
#   tools/run.sh                      against the simulator on 127.0.0.1
#   BEAMDESK_PROJECTOR=a.b.c.d tools/run.sh   against a real projector
#   BEAMDESK_PROTOCOL=pjlink tools/run.sh     the same with PJLink (port 4352)
#
# The demo has its own Wine prefix (build/demo), apart from the tests'. Without
# a desktop (no DISPLAY) it runs on a private virtual display and writes a
# picture of the console to build/demo/console.png.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
tools/build.sh native win

projector=${BEAMDESK_PROJECTOR:-127.0.0.1}
case "${BEAMDESK_PROTOCOL:-native}" in
  native) protocol=0; sim_args=(--protocol native --port 3629) ;;
  pjlink) protocol=1; sim_args=(--protocol pjlink --port 4352) ;;
  *) echo "BEAMDESK_PROTOCOL must be native or pjlink" >&2; exit 2 ;;
esac
mkdir -p build/demo
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
  tools/wine-run --tree build/demo --stop
}
trap cleanup EXIT

if [[ -z "${BEAMDESK_PROJECTOR:-}" ]]; then
  build/native/bin/projector-sim --address 127.0.0.1 "${sim_args[@]}" &
  pids+=($!)
fi

headless=0
[[ -n "${DISPLAY:-}" ]] || headless=1
prepared=$(tools/wine-run --tree build/demo --prepare)
export "${prepared?}"

# The projector's address and protocol in the settings key, as the settings
# dialog would store them.
IFS=. read -r a b c d <<<"$projector"
key='HKLM\Software\Varnholt\Beamdesk'
for pair in "IPA $a" "IPB $b" "IPC $c" "IPD $d" "Protocol $protocol"; do
  set -- $pair
  tools/wine-run --tree build/demo reg add "$key" /v "$1" /t REG_DWORD /d "$2" /f >/dev/null
done

if [[ $headless -eq 1 ]]; then
  tools/wine-run --tree build/demo build/win/bin/Beamdesk.exe &
  pids+=($!)
  for _ in $(seq 1 300); do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/"Beamdesk V[0-9.]+ \[Connected\]/ { print $1; exit }')
    [[ -n "$id" ]] && break
    sleep 0.1
  done
  if [[ -n "${id:-}" ]]; then
    sleep 1
    xwd -id "$id" -silent | convert xwd:- build/demo/console.png
    echo "No desktop here: the console runs on a virtual display, connected; picture in build/demo/console.png."
  else
    echo "The console did not show \"Connected\" within 30 s." >&2
  fi
  echo "Press Ctrl+C to end."
  wait "${pids[-1]}"
else
  tools/wine-run --tree build/demo build/win/bin/Beamdesk.exe
fi
