# Sourced by the scripts that run the Windows programs of build/win under Wine:
#   wine_session TREE [--live]
# gives TREE's prefix a private display (never the user's desktop: no window
# manager, a known size), starts the prefix's helper processes, and ends them
# and the display when the script exits. --live: programs run by wine-run show
# their output as it comes (the exit ends the processes that could hold a pipe).
wine_session() {
  local tree=$1 prepared
  unset DISPLAY
  mkdir -p "$tree"
  trap "tools/wine-run --tree '$tree' --stop" EXIT
  prepared=$(tools/wine-run --tree "$tree" --prepare)
  export "${prepared?}"
  if [[ "${2:-}" == --live ]]; then
    export WINE_RUN_LIVE=1
  fi
}
