#!/usr/bin/env bash
# Runs a Windows program with the Wine prefix's screen at DPI dots per inch (the user's display
# scale: 144 is 150 %), and VIDLOOM_TEST_DPI=DPI for the program to check against.
# Usage: at_dpi.sh DPI WINE PROGRAM [ARGS...]
set -euo pipefail
dpi=$1 wine=$2
shift 2
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
# The setting takes effect for programs started after the server has read it again.
"$(dirname "$wine")/wineserver" -w
VIDLOOM_TEST_DPI=$dpi "$wine" "$@"
