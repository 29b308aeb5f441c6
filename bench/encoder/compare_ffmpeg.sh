#!/usr/bin/env bash
# Compares raziz2u with the ffmpeg command line doing the same work: the same inputs (a 20 s SD
# clip and a 20 s 1080p clip), the same codecs and settings (x264 "medium", automatic threads on
# both sides), for PSP Video, PSP AVC, PS3 1080P, 3GP and MP3. Prints wall time and peak memory
# side by side, and the processor time (user + system); the best of REPEAT runs counts.
# Usage: compare_ffmpeg.sh RAZIZ2U [REPEAT]      (needs /usr/bin/time from Debian's "time")
# CASES="psp_video mp3" limits the run to some of the cases.
set -euo pipefail
encoder=${1:?usage: compare_ffmpeg.sh RAZIZ2U [REPEAT]}
repeat=${2:-1}
work=$(mktemp -d /tmp/raziz2u-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT
command -v /usr/bin/time >/dev/null || { echo "install the Debian package \"time\"" >&2; exit 2; }

echo "Making the inputs (20 s each) ..." >&2
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=720x480:rate=30000/1001:duration=20" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=20" \
  -ac 2 -c:v mpeg4 -q:v 3 -c:a libmp3lame -b:a 192k -shortest "$work/sd.avi"
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001:duration=20" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=20" \
  -ac 2 -c:v libx264 -preset veryfast -crf 20 -c:a aac -b:a 192k -shortest "$work/hd.mp4"

# Our command lines are the ones the program sends; ffmpeg's ask for the same work.
ours() {  # case input output
  case $1 in
    psp_video) echo -vcodec xvid -b 768 -r 29.97 -acodec mpeg4aac -ab 64 -ar 24000 \
                    -ac "2~(stereo)" -s 368x208 -f psp ;;
    psp_avc) echo -bitexact -title clip -vcodec h264 -b 400 -maxrate 1500 -bufsize 128 \
                  -r 29.97 -acodec mpeg4aac -ab 64 -ar 48000 -ac "2~(stereo)" -g 250 \
                  -qscale 25 -coder 1 -s 368x208 -f psp ;;
    ps3_1080) echo -bitexact -vcodec h264 -b 2000 -maxrate 3500 -bufsize 1280 -r 29.97 \
                   -acodec mpeg4aac -ab 256 -ar 44100 -ac "2~(stereo)" -g 250 -qscale 25 \
                   -coder 1 -s 1920x1072 ;;
    3gp) echo -vcodec mpeg4 -b 128 -bt 60 -acodec amr_nb -ar "8000~" -ac "1~(mono)" -s 176x144 ;;
    mp3) echo -id3v1 -id3v2 -acodec mp3 -ab 192 -ar 48000 -ac "2~(stereo)" ;;
  esac
}
theirs() {
  case $1 in
    psp_video) echo -c:v libxvid -b:v 768k -r 30000/1001 -c:a aac -b:a 64k -ar 24000 -ac 2 \
                    -s 368x208 -f psp ;;
    psp_avc) echo -bitexact -metadata title=clip -c:v libx264 -profile:v main -level 3.0 \
                  -x264-params ref=3:b-pyramid=none:weightp=0:weightb=0 -b:v 400k \
                  -maxrate 1500k -bufsize 1048576 -r 30000/1001 -g 250 -coder cabac \
                  -c:a aac -b:a 64k -ar 48000 -ac 2 -s 368x208 -f psp ;;
    ps3_1080) echo -bitexact -c:v libx264 -profile:v high -level 4.1 -b:v 2000k -maxrate 3500k \
                   -bufsize 10485760 -r 30000/1001 -g 250 -coder cabac -c:a aac -b:a 256k \
                   -ar 44100 -ac 2 -s 1920x1072 ;;
    3gp) echo -c:v mpeg4 -b:v 128k -bt 60k -c:a libopencore_amrnb -b:a 12.2k -ar 8000 -ac 1 \
              -s 176x144 ;;
    mp3) echo -vn -c:a libmp3lame -b:a 192k -ar 48000 -ac 2 -id3v2_version 3 -write_id3v1 1 ;;
  esac
}
extension() { case $1 in 3gp) echo 3gp ;; mp3) echo mp3 ;; *) echo mp4 ;; esac; }

# Runs one command under /usr/bin/time; prints "wall-seconds peak-kilobytes cpu-seconds".
measure() {
  /usr/bin/time -f "%e %M %U %S" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
    echo "failed: $*" >&2; tail -5 "$work/err.txt" >&2; exit 1; }
  awk '{ print $1, $2, $3 + $4 }' "$work/time.txt"
}

# Word lists: "~" stands for the blank inside "2 (stereo)" and "8000 ".
to_args() { local -n out=$1; shift; out=(); for w in "$@"; do out+=("${w//\~/ }"); done; }

printf "| %-9s | %-5s | %9s | %9s | %6s | %9s | %9s | %6s | %9s | %9s | %6s |\n" \
  case input "ours wall" "ffm wall" ratio "ours cpu" "ffm cpu" ratio "ours MB" "ffm MB" ratio
printf "|%s|\n" "-----------|-------|-----------|-----------|--------|-----------|-----------|--------|-----------|-----------|--------"
sum_ot=0; sum_tt=0; sum_oc=0; sum_tc=0
for input in sd hd; do
  src="$work/$input.$([ $input = sd ] && echo avi || echo mp4)"
  for c in ${CASES:-psp_video psp_avc ps3_1080 3gp mp3}; do
    ext=$(extension $c)
    to_args ours_args $(ours $c)
    to_args their_args $(theirs $c)
    best_ot=; best_om=; best_tt=; best_tm=; best_oc=; best_tc=
    for ((r = 0; r < repeat; r++)); do
      read -r ot om oc < <(measure "$encoder" -@ -y -i "$src" "${ours_args[@]}" "$work/ours.$ext")
      read -r tt tm tc < <(measure ffmpeg -nostdin -hide_banner -loglevel error -y -i "$src" \
                          "${their_args[@]}" "$work/theirs.$ext")
      best_ot=$(awk -v a="$ot" -v b="${best_ot:-1e9}" 'BEGIN { print (a < b ? a : b) }')
      best_tt=$(awk -v a="$tt" -v b="${best_tt:-1e9}" 'BEGIN { print (a < b ? a : b) }')
      best_oc=$(awk -v a="$oc" -v b="${best_oc:-1e9}" 'BEGIN { print (a < b ? a : b) }')
      best_tc=$(awk -v a="$tc" -v b="${best_tc:-1e9}" 'BEGIN { print (a < b ? a : b) }')
      if [ -z "$best_om" ] || ((om < best_om)); then best_om=$om; fi
      if [ -z "$best_tm" ] || ((tm < best_tm)); then best_tm=$tm; fi
    done
    awk -v c="$c" -v i="$input" -v ot="$best_ot" -v tt="$best_tt" -v om="$best_om" \
        -v tm="$best_tm" -v oc="$best_oc" -v tc="$best_tc" 'BEGIN {
      printf "| %-9s | %-5s | %9.2f | %9.2f | %5.2fx | %9.2f | %9.2f | %5.2fx | %9.1f | %9.1f | %5.2fx |\n",
             c, i, ot, tt, ot / tt, oc, tc, oc / tc, om / 1024, tm / 1024, om / tm }'
    sum_ot=$(awk -v a="$sum_ot" -v b="$best_ot" 'BEGIN { print a + b }')
    sum_tt=$(awk -v a="$sum_tt" -v b="$best_tt" 'BEGIN { print a + b }')
    sum_oc=$(awk -v a="$sum_oc" -v b="$best_oc" 'BEGIN { print a + b }')
    sum_tc=$(awk -v a="$sum_tc" -v b="$best_tc" 'BEGIN { print a + b }')
  done
done
awk -v ot="$sum_ot" -v tt="$sum_tt" -v oc="$sum_oc" -v tc="$sum_tc" 'BEGIN {
  printf "| all       |       | %9.2f | %9.2f | %5.2fx | %9.2f | %9.2f | %5.2fx |           |           |        |\n",
         ot, tt, ot / tt, oc, tc, oc / tc }'
echo "Goal: time within 1.05x and memory within 1.10x of ffmpeg. Wall times on a loaded machine" \
  "vary; cpu (user + system seconds) varies less." >&2
