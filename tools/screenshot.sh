#!/usr/bin/env bash
# Writes pictures of the console for the README (docs/console.png): runs the
# program under a private Xvfb with fresh settings and captures its window.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
tools/build.sh win
out=${1:-docs}
mkdir -p "$out"

unset DISPLAY
trap 'tools/wine-run --tree build/win --stop' EXIT
prepared=$(tools/wine-run --tree build/win --prepare)
export "${prepared?}"
tools/wine-run --tree build/win reg delete 'HKLM\Software\Varnholt\Beamdesk' /f >/dev/null 2>&1 || true

# The console's X window, once Wine has mapped it with its title.
console_window() {
  xwininfo -root -tree 2>/dev/null | awk '/"Beamdesk V1.00 \[/ { print $1; exit }'
}

tools/wine-run --tree build/win build/win/bin/Beamdesk.exe &
program=$!
id=""
for _ in $(seq 1 300); do
  id=$(console_window)
  [[ -n "$id" ]] && break
  sleep 0.1
done
[[ -n "$id" ]] || { echo "the console did not appear" >&2; kill "$program"; exit 1; }
sleep 1  # the first paint of every control
xwd -id "$id" -silent | convert xwd:- "$out/console.png"
echo "wrote $out/console.png"
tools/wine-run --tree build/win taskkill /im Beamdesk.exe >/dev/null 2>&1 || kill "$program" 2>/dev/null || true
wait "$program" 2>/dev/null || true
