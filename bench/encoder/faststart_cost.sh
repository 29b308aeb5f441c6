#!/usr/bin/env bash
# What writing the index before the media data costs: every video format's command as
# `vidloom-cli --print-commands` builds it, run on a 20 s SD clip with raziz2u's -benchmark,
# which reports the whole run and the container's end (where the muxer moves the index to the
# front by rewriting the file). Prints the median of RUNS runs of both and the end's share.
#
# Usage: faststart_cost.sh VIDLOOM_CLI [RUNS] [SECONDS]
set -euo pipefail
cli=$(realpath "${1:?usage: faststart_cost.sh VIDLOOM_CLI [RUNS] [SECONDS]}")
runs=${2:-3}
seconds=${3:-20}
work=$(mktemp -d /tmp/raziz2u-faststart-XXXXXX)
trap 'rm -rf "$work"' EXIT
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=640x480:rate=30000/1001:duration=$seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$seconds" \
  -ac 2 -c:v mpeg4 -q:v 3 -c:a libmp3lame -b:a 192k -shortest "$work/clip.avi"
median() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
  print NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }
mapfile -t rows < <("$cli" --no-settings --list-formats | cut -f1)
printf "| %-34s | %9s | %9s | %7s | %9s |\n" format "run (s)" "end (s)" share "file (MB)"
printf "|%s|\n" "------------------------------------|-----------|-----------|---------|-----------"
for index in ${FORMATS:-0 1 2 4 5 7 8 9 14 15}; do
  command=$("$cli" --no-settings --format "$index" --output-dir "$work" --print-commands \
    "$work/clip.avi" | head -1)
  eval "args=($command)"
  run=() end=()
  for ((k = 0; k < runs; k++)); do
    line=$("${args[@]}" -benchmark 2>&1 | tr '\r' '\n' | grep '^bench:')
    run+=("$(sed 's/.*rtime=\([0-9.]*\)s.*/\1/' <<<"$line")")
    end+=("$(sed 's/.*trailer=\([0-9.]*\)s.*/\1/' <<<"$line")")
  done
  r=$(median "${run[@]}") e=$(median "${end[@]}")
  size=$(stat -c %s "${args[-1]}")
  awk -v n="${rows[$index]:0:34}" -v r="$r" -v e="$e" -v s="$size" 'BEGIN {
    printf "| %-34s | %9.3f | %9.3f | %6.2f%% | %9.1f |\n", n, r, e, 100 * e / r, s / 1048576 }'
done
echo "Goal: the end (index moved to the front) at most 3% of the run." >&2
