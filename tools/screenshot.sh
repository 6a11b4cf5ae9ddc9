#!/usr/bin/env bash
# Writes the README's pictures: the console in both layouts, at 144 dpi and
# in a high-contrast colour scheme, the settings dialog and a prompt
# (docs/*.png). Runs the program under a private Xvfb with its own Wine
# prefix (build/shots) and fresh settings each time.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

tools/setup-debian.sh
tools/build.sh win
out=${1:-docs}
mkdir -p "$out" build/shots

unset DISPLAY
trap 'tools/wine-run --tree build/shots --stop' EXIT
prepared=$(tools/wine-run --tree build/shots --prepare)
export "${prepared?}"

wine_reg() { tools/wine-run --tree build/shots reg "$@" >/dev/null 2>&1 || true; }

# The X window whose title matches, once Wine has mapped it.
window_named() {
  local id=""
  for _ in $(seq 1 300); do
    id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1 || true)
    [[ -n "$id" ]] && break
    sleep 0.1
  done
  echo "$id"
}

capture() {  # window id, file
  sleep 1  # the first paint of every control
  xwd -id "$1" -silent | convert xwd:- "$out/$2"
  echo "wrote $out/$2"
}

# shot NAME MODE [settings|prompt]: one run of the program; "prompt" points it at a
# loopback address where nothing listens and captures the error it shows.
shot() {
  wine_reg delete 'HKLM\Software\Varnholt\Beamdesk' /f
  wine_reg add 'HKLM\Software\Varnholt\Beamdesk' /v Mode /t REG_DWORD /d "$2" /f
  if [[ "${3:-}" == prompt ]]; then
    # A loopback address where nothing listens: the connection is refused.
    for pair in "IPA 127" "IPB 0" "IPC 0" "IPD 2"; do
      read -r name value <<<"$pair"
      wine_reg add 'HKLM\Software\Varnholt\Beamdesk' /v "$name" /t REG_DWORD /d "$value" /f
    done
  fi
  tools/wine-run --tree build/shots build/win/bin/Beamdesk.exe &
  local program=$!
  if [[ "${3:-}" == prompt ]]; then
    local box
    box=$(window_named '^Beamdesk V[0-9.]+$')
    [[ -n "$box" ]] && capture "$box" "$1"
    tools/wine-run --tree build/shots wineboot -k >/dev/null 2>&1 || true
    kill "$program" 2>/dev/null || true
    wait "$program" 2>/dev/null || true
    return
  fi
  local console
  console=$(window_named '^Beamdesk V[0-9.]+ \[')
  [[ -n "$console" ]] || { echo "the console did not appear" >&2; kill "$program"; exit 1; }
  if [[ "${3:-}" == settings ]]; then
    # Tool menu, then its one item, as a user would with the keyboard.
    xdotool windowfocus --sync "$console"
    xdotool key alt+t
    sleep 0.5
    xdotool key Return
    local dialog
    dialog=$(window_named '^Settings$')
    [[ -n "$dialog" ]] && capture "$dialog" "$1"
  else
    capture "$console" "$1"
  fi
  tools/wine-run --tree build/shots wineboot -k >/dev/null 2>&1 || true  # ends every program
  kill "$program" 2>/dev/null || true
  wait "$program" 2>/dev/null || true
}

# The desktop's look for the next shots: a resolution, and a colour scheme.
desktop() {  # dpi (empty: the default), "contrast" or ""
  if [[ -n "$1" ]]; then
    wine_reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f
  else
    wine_reg delete 'HKCU\Control Panel\Desktop' /v LogPixels /f
  fi
  local colours=(ButtonFace "0 0 0" ButtonText "255 255 255" ButtonShadow "128 128 128"
                 ButtonHilight "255 255 255" Window "0 0 0" WindowText "255 255 255" Menu "0 0 0"
                 MenuText "255 255 255" MenuBar "0 0 0" ActiveTitle "128 0 128" TitleText "255 255 255")
  # A high-contrast scheme switches visual styles off, as Windows does.
  if [[ "${2:-}" == contrast ]]; then
    wine_reg add 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /t REG_SZ /d 0 /f
  else
    wine_reg delete 'HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager' /v ThemeActive /f
  fi
  local i
  for ((i = 0; i < ${#colours[@]}; i += 2)); do
    if [[ "${2:-}" == contrast ]]; then
      wine_reg add 'HKCU\Control Panel\Colors' /v "${colours[i]}" /t REG_SZ /d "${colours[i+1]}" /f
    else
      wine_reg delete 'HKCU\Control Panel\Colors' /v "${colours[i]}" /f
    fi
  done
}

desktop "" ""
shot console.png 1
shot console-simple.png 0
shot settings.png 1 settings
shot prompt.png 1 prompt
desktop 144 ""
shot console-144dpi.png 1
desktop "" contrast
shot console-high-contrast.png 1
desktop "" ""
