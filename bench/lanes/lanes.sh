#!/usr/bin/env bash
# A batch converted one file at a time against several at once, side by side in one run: the
# same files through vidloom-cli with --jobs 1 and --jobs N (each lane's encoder then gets its
# share of the processors through -threads), alternating, RUNS times each. The table gives the
# median wall time of each side, its spread (min-max) and the ratio N lanes / 1 lane, with the
# goal of each workload.
#
#   songs   8 songs of 40 s (WAV, 44.1 kHz stereo) to MP3          goal: at most 0.55x
#   psp     8 SD clips of 10 s (640x480 MPEG-4 + MP3) to PSP Video  goal: at most 0.7x
#   3gp     the same clips to 3GP                                   goal: at most 0.7x
#   avc     the same clips to PSP AVC (x264, threaded)              goal: at most 1.0x
#
# Usage: lanes.sh VIDLOOM_CLI [RUNS] [LANES]
#   VIDLOOM_CLI  a vidloom-cli with its raziz2u beside it
#   RUNS         runs of each side per workload (default 3)
#   LANES        files at once for the second side (default: the number of processors)
# WORKLOADS="songs avc" limits the run to some workloads.
set -euo pipefail
cli=${1:?usage: lanes.sh VIDLOOM_CLI [RUNS] [LANES]}
runs=${2:-3}
lanes=${3:-$(nproc)}
cli=$(realpath "$cli")
[ -x "$(dirname "$cli")/raziz2u" ] || { echo "no raziz2u beside $cli" >&2; exit 2; }
workloads=${WORKLOADS:-songs psp 3gp avc}
work=$(mktemp -d /tmp/vidloom-lanes-XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "Making the inputs ..." >&2
mkdir -p "$work/songs" "$work/clips"
for i in 1 2 3 4 5 6 7 8; do
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "sine=frequency=$((200 + 50 * i)):sample_rate=44100:duration=40" \
    -ac 2 "$work/songs/song$i.wav"
  ffmpeg -hide_banner -loglevel error -y \
    -f lavfi -i "testsrc2=size=640x480:rate=25:duration=10" \
    -f lavfi -i "sine=frequency=$((300 + 20 * i)):sample_rate=48000:duration=10" \
    -ac 2 -c:v mpeg4 -q:v 3 -c:a libmp3lame -b:a 128k -shortest "$work/clips/clip$i.avi"
done

# One batch; prints its wall time in seconds. Every file must end "Done".
batch() { # FORMAT JOBS INPUT_DIR
  local out="$work/out"
  rm -rf "$out"
  local start end
  start=$(date +%s.%N)
  if ! "$cli" --no-settings --overwrite --format "$1" --jobs "$2" --output-dir "$out" \
    "$3" >"$work/log" 2>&1; then
    echo "the batch failed ($1, --jobs $2):" >&2
    cat "$work/log" >&2
    exit 1
  fi
  end=$(date +%s.%N)
  awk -v s="$start" -v e="$end" 'BEGIN { printf "%.3f\n", e - s }'
}

# The median, minimum and maximum of the numbers given.
stats() {
  printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
    m = (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2
    printf "%.2f %.2f %.2f\n", m, v[1], v[NR] }'
}

echo "$(nproc) processors; $runs runs of each side, alternating; 1 lane against $lanes"
printf '%-8s %-26s %-26s %7s  %s\n' workload "1 lane: s (min-max)" "$lanes lanes: s (min-max)" \
  ratio goal
for w in $workloads; do
  case $w in
    songs) format=mp3 input=$work/songs goal=0.55 ;;
    psp) format=psp input=$work/clips goal=0.70 ;;
    3gp) format=3gp input=$work/clips goal=0.70 ;;
    avc) format=psp-avc input=$work/clips goal=1.00 ;;
    *) echo "unknown workload $w" >&2; exit 2 ;;
  esac
  one=() many=()
  for _ in $(seq "$runs"); do
    one+=("$(batch "$format" 1 "$input")")
    many+=("$(batch "$format" "$lanes" "$input")")
  done
  read -r m1 lo1 hi1 < <(stats "${one[@]}")
  read -r mn lon hin < <(stats "${many[@]}")
  ratio=$(awk -v a="$mn" -v b="$m1" 'BEGIN { printf "%.2f", a / b }')
  verdict=$(awk -v r="$ratio" -v g="$goal" 'BEGIN { print (r <= g) ? "met" : "MISSED" }')
  printf '%-8s %-26s %-26s %6sx  at most %sx: %s\n' "$w" "$m1 ($lo1-$hi1)" "$mn ($lon-$hin)" \
    "$ratio" "$goal" "$verdict"
done
