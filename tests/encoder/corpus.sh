#!/usr/bin/env bash
# Runs raziz2u over a corpus of mutated media files (flipped bytes, truncations, overwritten
# blocks) and fails on any crash, hang, sanitizer report, or failure without a marker line.
# Usage: corpus.sh RAZIZ2U [COUNT] [SEED]   (COUNT 200 for the long run; build with sanitizers
# to have ASan/UBSan watch it)
set -u
encoder=${1:?usage: corpus.sh RAZIZ2U [COUNT] [SEED]}
count=${2:-200}
RANDOM=${3:-4242}
work=$(mktemp -d /tmp/raziz2u-corpus-XXXXXX)
trap 'rm -rf "$work"' EXIT

lavfi() { ffmpeg -hide_banner -loglevel error -y "$@" || exit 2; }
v="testsrc=size=160x120:rate=25:duration=1"
a="sine=frequency=440:sample_rate=22050:duration=1"
lavfi -f lavfi -i "$v" -f lavfi -i "$a" -c:v mpeg4 -c:a libmp3lame -shortest "$work/f0.avi"
lavfi -f lavfi -i "$v" -f lavfi -i "$a" -c:v libx264 -preset ultrafast -c:a aac -shortest "$work/f1.mp4"
lavfi -f lavfi -i "$v" -f lavfi -i "$a" -c:v mpeg4 -c:a aac -shortest "$work/f2.mkv"
lavfi -f lavfi -i "$v" -f lavfi -i "$a" -c:v libx264 -preset ultrafast -c:a aac -shortest "$work/f3.mov"
lavfi -f lavfi -i "$a" -c:a libmp3lame "$work/f4.mp3"
lavfi -f lavfi -i "$a" -c:a pcm_s16le "$work/f5.wav"
fixtures=("$work"/f0.avi "$work"/f1.mp4 "$work"/f2.mkv "$work"/f3.mov "$work"/f4.mp3 "$work"/f5.wav)
markers='xpxframe|clntcore\.dll|failed|Unexpected|error:|Error while opening file|exception encounter|Unknown format|Unsupported codec'

failures=0
for ((i = 0; i < count; i++)); do
  src=${fixtures[$((i % ${#fixtures[@]}))]}
  ext=${src##*.}
  file="$work/m$i.$ext"
  cp "$src" "$file"
  size=$(stat -c %s "$file")
  case $((i / ${#fixtures[@]} % 3)) in
    0)  # flip bytes
      for ((k = 0; k < 1 + RANDOM % 40; k++)); do
        pos=$(((RANDOM * 32768 + RANDOM) % size))
        printf "\\x$(printf %02x $((RANDOM % 256)))" |
          dd of="$file" bs=1 seek="$pos" conv=notrunc status=none
      done ;;
    1)  # truncate
      truncate -s $(((RANDOM * 32768 + RANDOM) % size)) "$file" ;;
    2)  # overwrite a block
      pos=$(((RANDOM * 32768 + RANDOM) % size))
      head -c $((16 + RANDOM % 2048)) /dev/urandom |
        dd of="$file" bs=1 seek="$pos" conv=notrunc status=none ;;
  esac
  input=$file
  if ((i % 2)); then input="DS:\\\\$file"; fi
  if [ "$ext" = mp3 ] || [ "$ext" = wav ]; then
    args=(-id3v1 -id3v2 -acodec mp3 -ab 128 -ar 44100 -ac "2 (stereo)" "$work/out.mp3")
  else
    args=(-vcodec xvid -b 768 -r 29.97 -acodec mpeg4aac -ab 64 -ar 24000 -ac "2 (stereo)"
          -s 368x208 -f psp "$work/out.mp4")
  fi
  out=$(timeout -s KILL 30 "$encoder" -@ -y -i "$input" "${args[@]}" 2>&1)
  rc=$?
  problem=""
  if ((rc == 137)); then
    problem="hang (killed after 30 s)"
  elif ((rc >= 128 && rc != 255)); then
    problem="ended by signal $((rc - 128))"
  elif grep -qE 'AddressSanitizer|LeakSanitizer|runtime error' <<<"$out"; then
    problem="sanitizer report"
  elif ((rc != 0)) && ! tr '\r' '\n' <<<"$out" | grep -vE 'Input #0,|Output #0,' | grep -qE "$markers"; then
    problem="failed without a marker line"
  elif ((rc == 0)) && tr '\r' '\n' <<<"$out" | grep -vE 'Input #0,|Output #0,' | grep -qE "$markers"; then
    problem="marker in a successful run"
  fi
  if [ -n "$problem" ]; then
    failures=$((failures + 1))
    cp "$file" "/tmp/raziz2u-corpus-failure-$i.$ext"
    echo "case $i ($ext): $problem; input kept as /tmp/raziz2u-corpus-failure-$i.$ext"
    echo "$out" | tail -20
  fi
done
echo "$count mutated inputs, $failures problems"
((failures == 0))
