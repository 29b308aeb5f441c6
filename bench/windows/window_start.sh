#!/usr/bin/env bash
# How long vidloom.exe takes under Wine from its start to its shown main window, on a virtual
# display with a window manager: window_driver.exe starts it, waits for the window and ends it
# through File > Exit (which writes no settings). One run to warm Wine up, then RUNS measured
# runs; prints each time and the median in milliseconds.
#
# Usage: window_start.sh WINDOWS_BIN [RUNS]
#   WINDOWS_BIN  the Windows build's program folder (vidloom.exe and window_driver.exe)
set -euo pipefail
windows_bin=$(realpath "${1:?usage: window_start.sh WINDOWS_BIN [RUNS]}")
runs=${2:-10}
wine=/usr/lib/wine/wine64
work=$(mktemp -d /tmp/vidloom-start-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
cat >"$work/measure.sh" <<'SCRIPT'
set -euo pipefail
wine=$1 bin=$2 runs=$3
"$wine" "$bin/window_driver.exe" start-time "$bin/vidloom.exe" >/dev/null
times=()
for ((i = 0; i < runs; i++)); do
  times+=("$("$wine" "$bin/window_driver.exe" start-time "$bin/vidloom.exe" | tr -d '\r')")
done
echo "start to shown window (ms): ${times[*]}"
printf '%s\n' "${times[@]}" | sort -g | awk '{ v[NR] = $1 } END { printf "median of %d: %d ms\n", NR, (NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2) }'
SCRIPT
bash "$(dirname "$0")/../../tests/win32/under_display.sh" "$wine" "$work/wine" \
  bash "$work/measure.sh" "$wine" "$windows_bin" "$runs"
