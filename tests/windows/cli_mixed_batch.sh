#!/usr/bin/env bash
# vidloom-cli.exe under Wine converts a mixed batch with the same results as the Linux
# vidloom-cli: PSP AVC with its thumbnails, MP3 and 3GP, a corrupt file, and names with accents
# and an emoji. Each batch runs on both with --json; the rows' states and reasons, the exit
# statuses, the outputs' names and what this machine's ffprobe finds in them must agree.
# Usage: cli_mixed_batch.sh WINE WINDOWS_BIN LINUX_BIN
set -u
wine=$1 win_bin=$2 linux_bin=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/formats.sh"
if [ ! -x "$linux_bin/vidloom-cli" ]; then
  echo "SKIPPED: no Linux build at $linux_bin to compare with (scripts/test builds it first)"
  exit 77
fi
work=$(mktemp -d /tmp/vidloom-win-cli-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/in"
clip="$work/in/Café 🎬 clip.mp4"
tone="$work/in/Tonalité ñ.wav"
broken="$work/in/broken.mp4"
make_clip "$clip" 4 || exit 2
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=330:sample_rate=44100" -t 3 \
  "$tone" || exit 2
head -c 30000 /dev/urandom >"$broken"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# summary FILE: the rows of the --json summary line, file names without their folders.
summary() {
  python3 - "$1" <<'PY'
import json, sys
for line in open(sys.argv[1], encoding="utf-8"):
    row = json.loads(line)
    if row.get("type") == "summary":
        for f in row["files"]:
            name = f["file"].replace("\\", "/").rsplit("/", 1)[-1]
            print(f"{name}\t{f['state']}\t{f['reason']}")
PY
}

batch() {
  local name=$1 format=$2
  shift 2
  local linux_out=$work/$name-linux windows_out=$work/$name-windows win_inputs=()
  for f in "$@"; do win_inputs+=("$(windows_path "$f")"); done
  "$linux_bin/vidloom-cli" --json --no-settings --format "$format" --output-dir "$linux_out" "$@" \
    >"$work/$name-linux.json" 2>/dev/null
  local linux_status=$?
  "$wine" "$win_bin/vidloom-cli.exe" --json --no-settings --format "$format" \
    --output-dir "$(windows_path "$windows_out")" "${win_inputs[@]}" \
    >"$work/$name-windows.json" 2>"$work/$name-windows.err"
  local windows_status=$?
  [ "$linux_status" = "$windows_status" ] ||
    fail "$name: exit status $windows_status, on Linux $linux_status"
  local rows
  rows=$(summary "$work/$name-windows.json")
  [ -n "$rows" ] || { fail "$name: no summary"; cat "$work/$name-windows.err"; return; }
  [ "$rows" = "$(summary "$work/$name-linux.json")" ] ||
    fail "$name: rows differ:"$'\n'"$rows"$'\n'"on Linux:"$'\n'"$(summary "$work/$name-linux.json")"
  [ "$(cd "$linux_out" && ls | sort)" = "$(cd "$windows_out" && ls | sort)" ] ||
    fail "$name: outputs differ: $(ls "$windows_out" | tr '\n' ' ')/ $(ls "$linux_out" | tr '\n' ' ')"
  for f in "$windows_out"/*; do
    [ -e "$linux_out/${f##*/}" ] || continue
    [ "$(probe "$f")" = "$(probe "$linux_out/${f##*/}")" ] ||
      fail "$name: ${f##*/}: $(probe "$f")/ on Linux $(probe "$linux_out/${f##*/}")"
  done
  echo "ok $name (exit $windows_status):"
  echo "$rows" | sed 's/^/    /'
  ls "$windows_out" | sed 's/^/    -> /'
}

batch psp-avc psp-avc "$clip" "$broken"
thm="$work/psp-avc-windows/Café 🎬 clip.THM"
[ "$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$thm" 2>&1)" = "mjpeg,368,208" ] ||
  fail "psp-avc: no JPEG thumbnail of the PSP frame (368x208) beside the video"
grep -q '"state":"failed","reason":"Unknown format' "$work/psp-avc-windows.json" ||
  fail "psp-avc: the corrupt file does not fail with its reason"
batch mp3 mp3 "$tone" "$clip"
# The MP3's title is the input's name alone: no folder of a Windows path (Z:\...\in\...), nor
# of the POSIX one, travels with the file.
for side in windows linux; do
  title=$(ffprobe -v error -show_entries format_tags=title -of csv=p=0 \
    "$work/mp3-$side/Tonalité ñ.mp3" 2>&1)
  [ "$title" = "Tonalité ñ" ] || fail "mp3: the $side title is \"$title\", not the file's name"
done
batch 3gp 3gp "$clip"

# Two programs converting one song into one folder at once: each claims its name before its
# encoder starts (an exclusive create, locked while written), so both end Done with two whole
# files.
song="$work/in/song.wav"
ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=550:sample_rate=44100" -t 20 \
  "$song" || exit 2
pids=()
for n in 1 2; do
  "$wine" "$win_bin/vidloom-cli.exe" --json --no-settings --format mp3 \
    --output-dir "$(windows_path "$work/together")" "$(windows_path "$song")" \
    >"$work/together-$n.json" 2>/dev/null &
  pids+=($!)
done
for pid in "${pids[@]}"; do wait "$pid" || fail "two at once: a program did not end Done"; done
[ "$(cd "$work/together" && ls | sort | tr '\n' ' ')" = "song-1.mp3 song.mp3 " ] ||
  fail "two at once: the outputs are $(ls "$work/together" | tr '\n' ' ')"
for f in "$work/together"/*; do
  duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$f" 2>&1)
  [[ $duration =~ ^(19\.[89]|20\.[0-2]) ]] || fail "two at once: ${f##*/} lasts $duration s"
done
echo "ok two at once: $(ls "$work/together" | tr '\n' ' ')"

# Ctrl-C (Wine delivers SIGINT to the console program as CTRL_C_EVENT): the batch stops as
# "Stop Convert" does, the encoder finishes the file it writes, and the exit status is 130.
# While it writes, a second program with --overwrite leaves that file to it and takes the next
# free name, and says so.
long="$work/in/long.mp4"
make_clip "$long" 40 || exit 2
"$wine" "$win_bin/vidloom-cli.exe" --json --no-settings --format ps3-1080p \
  --output-dir "$(windows_path "$work/stop")" "$(windows_path "$long")" >"$work/stop.json" 2>/dev/null &
cli=$!
for ((i = 0; i < 600; i++)); do
  grep -q '"percent":[1-9]' "$work/stop.json" 2>/dev/null && break
  sleep 0.1
done
"$wine" "$win_bin/vidloom-cli.exe" --json --no-settings --overwrite --format psp \
  --output-dir "$(windows_path "$work/stop")" "$(windows_path "$long")" >"$work/held.json" 2>/dev/null ||
  fail "held: the second program did not end Done"
grep -q '"notes":\["long-1.mp4: long.mp4 is being written by another conversion"\]' "$work/held.json" ||
  fail "held: no note of the file left to the other conversion: $(tail -n 1 "$work/held.json")"
[ -s "$work/stop/long-1.mp4" ] || fail "held: no long-1.mp4 beside the file being written"
kill -INT "$cli"
wait "$cli"
status=$?
[ "$status" = 130 ] || fail "Ctrl-C: exit status $status, not 130"
[ "$(summary "$work/stop.json")" = "long.mp4"$'\t'"aborted"$'\t'"stopped" ] ||
  fail "Ctrl-C: the row is not aborted as stopped: $(summary "$work/stop.json")"
duration=$(ffprobe -v error -show_entries format=duration -of csv=p=0 "$work/stop/long.mp4" 2>&1)
[[ $duration =~ ^[0-9]+\.[0-9]+$ ]] || fail "Ctrl-C: the stopped output is not a whole file: $duration"
echo "ok Ctrl-C: exit $status, $duration s written and finished"

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
