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
bash "$(dirname "$0")/../gui/under_window_manager.sh" "$@" || status=$?
# The prefix's server (and nothing else) ends with the run.
"$wineserver" -k 2>/dev/null || true
exit "$status"
