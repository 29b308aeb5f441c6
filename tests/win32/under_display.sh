#!/usr/bin/env bash
# Runs a command (a Windows program under Wine, or a script that starts some) as a person meets
# the windows: on a virtual X display (Xvfb) with a window manager (openbox), with WINEPREFIX set
# to a Wine prefix of its own (made on first use). The prefix's Wine server ends with the run.
# Usage: under_display.sh WINE PREFIX COMMAND [ARGS...]
set -euo pipefail
wine=$1 prefix=$2
shift 2
for tool in xvfb-run openbox xprop; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver=$(dirname "$wine")/wineserver
status=0
xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
  done
  status=0
  "$@" || status=$?
  kill "$wm" 2>/dev/null || true
  exit "$status"
' bash "$@" || status=$?
# The prefix's server (and nothing else) ends with the run.
"$wineserver" -k 2>/dev/null || true
exit "$status"
