#!/usr/bin/env bash
# raziz2u.exe under Wine against the Linux raziz2u on the same commands: every one of the
# twelve formats at its defaults, as `vidloom-cli --print-commands` builds it, on a 640x480 clip
# of 30 s (automatic threads on both sides, as the program runs them). The two run alternately,
# RUNS times each; the table gives each side's median wall time with its spread (min-max) and
# the ratio Windows/Linux. Wine runs in a prefix of the benchmark's own whose server is kept
# running between the runs (and ended with the prefix at the end), so that a run's time is the
# program's own and Wine's start of a process, which the last line gives on its own
# (`raziz2u -h`, median of 5).
#
# Usage: wine_encoder.sh LINUX_BIN WINDOWS_BIN [RUNS] [SECONDS]
#   LINUX_BIN    the Linux build's program folder (vidloom-cli and raziz2u)
#   WINDOWS_BIN  the Windows build's program folder (raziz2u.exe)
set -euo pipefail
linux_bin=$(realpath "${1:?usage: wine_encoder.sh LINUX_BIN WINDOWS_BIN [RUNS] [SECONDS]}")
windows_bin=$(realpath "${2:?usage: wine_encoder.sh LINUX_BIN WINDOWS_BIN [RUNS] [SECONDS]}")
runs=${3:-3}
seconds=${4:-30}
wine=/usr/lib/wine/wine64
source "$(dirname "$0")/../../tests/windows/formats.sh"
work=$(mktemp -d /tmp/raziz2u-wine-bench-XXXXXX)
export WINEPREFIX=$work/wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
trap '/usr/lib/wine/wineserver -k >/dev/null 2>&1; rm -rf "$work"' EXIT
mkdir -p "$WINEPREFIX"
/usr/lib/wine/wineserver -p >/dev/null 2>&1 </dev/null
"$wine" cmd /c exit >/dev/null 2>&1 || true

echo "Making the input ($seconds s, 640x480) ..." >&2
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=640x480:rate=30000/1001:duration=$seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$seconds" \
  -c:v libx264 -preset veryfast -c:a aac -shortest "$work/in.mp4"

now() { date +%s.%N; }
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }
spread() { printf '%s\n' "$@" | sort -g | awk 'NR == 1 { lo = $1 } { hi = $1 } END { printf "%.2f-%.2f", lo, hi }'; }

printf '%-11s %8s %13s %8s %13s %6s\n' format linux spread windows spread ratio
worst=0
for format in "${formats[@]}"; do
  mapfile -t args < <(encoder_arguments "$linux_bin/vidloom-cli" "$format" "$work/in.mp4" "$work/out")
  mapfile -t win_args < <(windows_args "${args[@]}")
  mkdir -p "$work/out"
  linux_times=() windows_times=()
  for ((i = 0; i < runs; i++)); do
    t0=$(now)
    "$linux_bin/raziz2u" "${args[@]}" >/dev/null 2>&1 || { echo "$format: raziz2u failed" >&2; exit 1; }
    t1=$(now)
    "$wine" "$windows_bin/raziz2u.exe" "${win_args[@]}" >/dev/null 2>&1 ||
      { echo "$format: raziz2u.exe failed" >&2; exit 1; }
    t2=$(now)
    linux_times+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
    windows_times+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }')")
  done
  l=$(median "${linux_times[@]}")
  w=$(median "${windows_times[@]}")
  ratio=$(awk -v w="$w" -v l="$l" 'BEGIN { printf "%.3f", w / l }')
  worst=$(awk -v r="$ratio" -v m="$worst" 'BEGIN { print (r > m ? r : m) }')
  printf '%-11s %7.2fs %13s %7.2fs %13s %5.2fx\n' "$format" "$l" "$(spread "${linux_times[@]}")" \
    "$w" "$(spread "${windows_times[@]}")" "$ratio"
done
printf 'worst ratio: %.2fx (median of %d alternating runs each)\n' "$worst" "$runs"
linux_start=() windows_start=()
for ((i = 0; i < 5; i++)); do
  t0=$(now)
  "$linux_bin/raziz2u" -h >/dev/null 2>&1 || true
  t1=$(now)
  "$wine" "$windows_bin/raziz2u.exe" -h >/dev/null 2>&1 || true
  t2=$(now)
  linux_start+=("$(awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }')")
  windows_start+=("$(awk -v a="$t1" -v b="$t2" 'BEGIN { print b - a }')")
done
printf 'a start and end alone: Linux %.3fs, Wine %.3fs\n' "$(median "${linux_start[@]}")" \
  "$(median "${windows_start[@]}")"
