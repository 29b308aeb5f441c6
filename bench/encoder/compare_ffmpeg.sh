#!/usr/bin/env bash
# Compares raziz2u with the ffmpeg command line doing the same work, for the commands the program
# really sends: every one of the twelve formats at its defaults, as `vidloom-cli --print-commands`
# builds it (letterbox padding included), on an SD 640x480 and an HD 1920x1080 clip. Each of our
# commands is turned into the equivalent ffmpeg command line (the same codecs, options and
# filter chain; automatic threads on both sides). The two run alternately, RUNS times each; the
# table gives the median wall and processor (user + system) time of each side with their
# spread (min-max), their ratio, the goal of the wall-time ratio, and the peak memory.
#
# Usage: compare_ffmpeg.sh VIDLOOM_CLI [RUNS] [SD_SECONDS] [HD_SECONDS]
#   VIDLOOM_CLI  a vidloom-cli with its raziz2u beside it (the programs to measure)
#   RUNS         runs of each side per case (default 3)
#   SD_SECONDS   length of the SD clip (default 60)
#   HD_SECONDS   length of the 1080p clip (default 30)
# FORMATS="0 12" limits the run to some rows of the format list; INPUTS="sd" to one clip.
# BEFORE=/path/to/an/older/raziz2u runs it too, in turn with the other two, and adds a table of
# the older one against ours (wall, processor time, peak memory).
# Needs ffmpeg and /usr/bin/time (Debian's "time").
set -euo pipefail
cli=${1:?usage: compare_ffmpeg.sh VIDLOOM_CLI [RUNS] [SD_SECONDS] [HD_SECONDS]}
runs=${2:-3}
sd_seconds=${3:-60}
hd_seconds=${4:-30}
cli=$(realpath "$cli")
encoder=$(dirname "$cli")/raziz2u
[ -x "$encoder" ] || { echo "no raziz2u beside $cli" >&2; exit 2; }
command -v /usr/bin/time >/dev/null || { echo "install the Debian package \"time\"" >&2; exit 2; }
work=$(mktemp -d /tmp/raziz2u-bench-XXXXXX)
trap 'rm -rf "$work"' EXIT

echo "Making the inputs ($sd_seconds s SD, $hd_seconds s 1080p) ..." >&2
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=640x480:rate=30000/1001:duration=$sd_seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$sd_seconds" \
  -ac 2 -c:v mpeg4 -q:v 3 -c:a libmp3lame -b:a 192k -shortest "$work/sd.avi"
ffmpeg -hide_banner -loglevel error -y \
  -f lavfi -i "testsrc2=size=1920x1080:rate=30000/1001:duration=$hd_seconds" \
  -f lavfi -i "sine=frequency=440:sample_rate=48000:duration=$hd_seconds" \
  -ac 2 -c:v libx264 -preset veryfast -crf 20 -c:a aac -b:a 192k -shortest "$work/hd.mp4"

# The exact rate of a rounded NTSC-family rate, as raziz2u takes it.
exact_rate() {
  case $1 in
    29.97) echo 30000/1001 ;; 14.985) echo 15000/1001 ;; 23.976) echo 24000/1001 ;;
    59.94) echo 60000/1001 ;; *) echo "$1" ;;
  esac
}
# The AMR-NB mode raziz2u picks for a bit rate in kbit/s: the highest one not above it.
amr_rate() {
  awk -v k="$1" 'BEGIN { n = split("4750 5150 5900 6700 7400 7950 10200 12200", m, " ");
    c = m[1]; for (i = 1; i <= n; i++) if (m[i] <= k * 1000 + 0.5) c = m[i]; print c }'
}

# Turns raziz2u's arguments (after the program) into ffmpeg's for the same work; sets THEIRS.
translate() {
  local input="" vcodec="" acodec="" b="" maxrate="" bufsize="" bt="" g="" qscale="" coder=""
  local ab="" vol="" title="" r="" size="" ar="" ac="" format="" an=0 vn=0 bitexact=0
  local id3v1=0 id3v2=0 pt=0 pb=0 pl=0 pr=0 output=""
  while [ $# -gt 0 ]; do
    case $1 in
      -@ | -y) ;;
      -i) input=$2; shift ;;
      -vcodec) vcodec=$2; shift ;; -acodec) acodec=$2; shift ;;
      -b) b=$2; shift ;; -maxrate) maxrate=$2; shift ;; -bufsize) bufsize=$2; shift ;;
      -bt) bt=$2; shift ;; -g) g=$2; shift ;; -qscale) qscale=$2; shift ;;
      -coder) coder=$2; shift ;; -ab) ab=$2; shift ;; -vol_factor) vol=$2; shift ;;
      -title) title=$2; shift ;; -r) r=$2; shift ;; -s) size=$2; shift ;;
      -ar) ar=${2// /}; shift ;; -ac) ac=${2%% *}; shift ;; -f) format=$2; shift ;;
      -padtop) pt=$2; shift ;; -padbottom) pb=$2; shift ;;
      -padleft) pl=$2; shift ;; -padright) pr=$2; shift ;;
      -an) an=1 ;; -vn) vn=1 ;; -bitexact) bitexact=1 ;; -id3v1) id3v1=1 ;; -id3v2) id3v2=1 ;;
      *) output=$1 ;;
    esac
    shift
  done
  local ext=${output##*.} muxer=""
  case $format in psp) muxer=psp ;; 3gp) [ "$ext" = 3g2 ] && muxer=3g2 || muxer=3gp ;; esac
  if [ -z "$muxer" ]; then
    case $ext in mp4) muxer=mp4 ;; 3gp) muxer=3gp ;; 3g2) muxer=3g2 ;; mp3) muxer=mp3 ;;
      aac) muxer=adts ;; esac
  fi
  THEIRS=(-i "$input")
  local audio_only=0
  case $muxer in mp3 | adts) audio_only=1 ;; esac
  if [ $audio_only = 0 ] && [ $vn = 0 ]; then
    local enc
    case $vcodec in
      xvid) enc=libxvid ;; mpeg4) enc=mpeg4 ;; h263) enc=h263 ;; h264) enc=libx264 ;;
      "") case $muxer in psp | 3gp | 3g2) enc=mpeg4 ;; *) enc=libx264 ;; esac ;;
    esac
    THEIRS+=(-c:v "$enc" -pix_fmt yuv420p)
    if [ "$enc" = libx264 ]; then
      if [ "$muxer" = psp ]; then
        THEIRS+=(-profile:v main -level 3.0 -x264-params ref=3:b-pyramid=none:weightp=0:weightb=0)
      else
        THEIRS+=(-profile:v high -level 4.1)
      fi
      [ -n "$coder" ] && THEIRS+=(-coder "$([ "$coder" = 0 ] && echo cavlc || echo cabac)")
    else
      THEIRS+=(-bf 0)
      [ -n "$bt" ] && THEIRS+=(-bt "${bt}k")
      if [ -z "$b" ] && [ -n "$qscale" ]; then THEIRS+=(-q:v "$qscale"); fi
      [ -z "$b" ] && [ -z "$qscale" ] && THEIRS+=(-b:v 768k)
      [ -n "$maxrate" ] && [ -z "$bufsize" ] && THEIRS+=(-bufsize "${maxrate}k")
    fi
    [ -n "$b" ] && THEIRS+=(-b:v "${b}k")
    [ -n "$maxrate" ] && THEIRS+=(-maxrate "${maxrate}k")
    [ -n "$bufsize" ] && THEIRS+=(-bufsize "$((bufsize * 8192))")
    [ -n "$g" ] && THEIRS+=(-g "$g")
    # raziz2u's chain: fps, bicubic scale, square pixels, bars around the picture.
    local chain=""
    [ -n "$r" ] && chain="fps=$(exact_rate "$r"),"
    if [ -n "$size" ]; then
      local w=${size%x*} h=${size#*x}
      chain+="scale=$w:$h:flags=bicubic,setsar=1"
      if [ $((pt + pb + pl + pr)) -gt 0 ]; then
        chain+=",pad=$((w + pl + pr)):$((h + pt + pb)):$pl:$pt:black"
      fi
    else
      chain+="scale=trunc(iw/2)*2:trunc(ih/2)*2:flags=bicubic,setsar=1"
    fi
    THEIRS+=(-vf "$chain")
  else
    THEIRS+=(-vn)
  fi
  if [ $an = 1 ] && [ "$muxer" != psp ]; then
    THEIRS+=(-an)
  else
    local aenc
    case $acodec in
      mpeg4aac | aac) aenc=aac ;; mp3) aenc=libmp3lame ;; amr_nb) aenc=libopencore_amrnb ;;
      "") case $muxer in mp3) aenc=libmp3lame ;; 3gp | 3g2) aenc=libopencore_amrnb ;;
            *) aenc=aac ;; esac ;;
    esac
    THEIRS+=(-c:a "$aenc")
    if [ "$aenc" = libopencore_amrnb ]; then
      THEIRS+=(-b:a "$([ -n "$ab" ] && amr_rate "$ab" || echo 12200)" -ar 8000 -ac 1)
    else
      THEIRS+=(-b:a "${ab:-128}k")
      [ -n "$ar" ] && THEIRS+=(-ar "$ar")
      THEIRS+=(-ac "${ac:-2}")
    fi
    [ -n "$vol" ] && THEIRS+=(-af "volume=$(awk -v v="$vol" 'BEGIN { printf "%.4f", v / 50 }')")
  fi
  [ -n "$title" ] && THEIRS+=(-metadata "title=$title")
  [ $bitexact = 1 ] && THEIRS+=(-fflags +bitexact -flags +bitexact)
  if [ "$muxer" = mp3 ]; then
    THEIRS+=(-id3v2_version "$([ $id3v2 = 1 ] && echo 3 || echo 0)" -write_id3v1 $id3v1)
  fi
  # The index before the media data, as raziz2u writes it.
  case $muxer in psp | mp4 | 3gp | 3g2) THEIRS+=(-movflags +faststart) ;; esac
  THEIRS+=(-f "$muxer")
}

# The goal of our wall time against ffmpeg's: one file uses every processor, so the formats
# whose codecs have few threads of their own (MPEG-4 Part 2, H.263, MP3) come in well under the
# command line; H.264 keeps the processors busy by itself.
# The goals are set for the SD clip; on the 1080p one, decoding alone keeps both processors of
# the command line busy, and the goal is not to be slower.
goal() {
  [ "$2" = sd ] || { echo 1.02; return; }
  case $1 in
    PSP\ Video* | 3GP* | MP3*) echo 0.75 ;; "PS3 Video(480P)"*) echo 0.80 ;; *) echo 1.02 ;;
  esac
}

# Runs one command under /usr/bin/time; prints "wall-seconds cpu-seconds peak-kilobytes".
measure() {
  /usr/bin/time -f "%e %U %S %M" -o "$work/time.txt" "$@" >/dev/null 2>"$work/err.txt" || {
    echo "failed: $*" >&2; tail -5 "$work/err.txt" >&2; exit 1; }
  awk '{ print $1, $2 + $3, $4 }' "$work/time.txt"
}
# "median min max" of numbers.
stats() { printf '%s\n' "$@" | sort -g | awk '{ v[NR] = $1 } END {
  m = NR % 2 ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2; print m, v[1], v[NR] }'; }

mkdir -p "$work/out"
mapfile -t rows < <("$cli" --no-settings --list-formats | cut -f1)
printf "| %-34s | %-2s | %-18s | %-18s | %6s | %5s | %-18s | %-18s | %6s | %7s | %7s |\n" \
  format in "ours wall (spread)" "ffmpeg wall" ratio goal "ours cpu (spread)" "ffmpeg cpu" \
  ratio "ours MB" "ffm MB"
printf "|%s|\n" "------------------------------------|----|--------------------|--------------------|--------|-------|--------------------|--------------------|--------|---------|--------"
total_ow=0 total_tw=0 total_oc=0 total_tc=0
before_rows=()
for input in ${INPUTS:-sd hd}; do
  src=$work/$input.$([ "$input" = sd ] && echo avi || echo mp4)
  for index in ${FORMATS:-0 1 2 4 5 7 8 9 11 12 14 15}; do
    name=${rows[$index]}
    command=$("$cli" --no-settings --format "$index" --output-dir "$work/out" --print-commands \
      "$src" | head -1)
    eval "ours=($command)"
    ours=("${ours[@]:1}")
    translate "${ours[@]}"
    out=${ours[-1]}
    ow=() oc=() tw=() tc=() bw=() bc=() om=0 tm=0 bm=0
    for ((k = 0; k < runs; k++)); do
      read -r w c m < <(measure "$encoder" "${ours[@]}")
      ow+=("$w") oc+=("$c") om=$((m > om ? m : om))
      rm -f "$out"
      if [ -n "${BEFORE:-}" ]; then
        read -r w c m < <(measure "$BEFORE" "${ours[@]}")
        bw+=("$w") bc+=("$c") bm=$((m > bm ? m : bm))
        rm -f "$out"
      fi
      read -r w c m < <(measure ffmpeg -nostdin -hide_banner -loglevel error -y "${THEIRS[@]}" \
        "$work/theirs.${out##*.}")
      tw+=("$w") tc+=("$c") tm=$((m > tm ? m : tm))
    done
    read -r owm owl owh < <(stats "${ow[@]}")
    read -r twm twl twh < <(stats "${tw[@]}")
    read -r ocm ocl och < <(stats "${oc[@]}")
    read -r tcm tcl tch < <(stats "${tc[@]}")
    awk -v n="${name:0:34}" -v i="$input" -v owm="$owm" -v owl="$owl" -v owh="$owh" \
        -v twm="$twm" -v twl="$twl" -v twh="$twh" -v ocm="$ocm" -v ocl="$ocl" -v och="$och" \
        -v tcm="$tcm" -v tcl="$tcl" -v tch="$tch" -v om="$om" -v tm="$tm" \
        -v g="$(goal "$name" "$input")" 'BEGIN {
      printf "| %-34s | %-2s | %6.2f (%5.2f-%5.2f) | %6.2f (%5.2f-%5.2f) | %5.2fx | %4.2fx | %6.2f (%5.2f-%5.2f) | %6.2f (%5.2f-%5.2f) | %5.2fx | %7.1f | %7.1f |\n",
        n, i, owm, owl, owh, twm, twl, twh, owm / twm, g, ocm, ocl, och, tcm, tcl, tch,
        ocm / tcm, om / 1024, tm / 1024 }'
    if [ -n "${BEFORE:-}" ]; then
      read -r bwm _ _ < <(stats "${bw[@]}")
      read -r bcm _ _ < <(stats "${bc[@]}")
      before_rows+=("$(awk -v n="${name:0:34}" -v i="$input" -v bw="$bwm" -v ow="$owm" \
        -v bc="$bcm" -v oc="$ocm" -v bm="$bm" -v om="$om" 'BEGIN {
        printf "| %-34s | %-2s | %6.2f | %6.2f | %5.2fx | %6.2f | %6.2f | %5.2fx | %7.1f | %7.1f |",
          n, i, bw, ow, ow / bw, bc, oc, oc / bc, bm / 1024, om / 1024 }')")
    fi
    total_ow=$(awk -v a="$total_ow" -v b="$owm" 'BEGIN { print a + b }')
    total_tw=$(awk -v a="$total_tw" -v b="$twm" 'BEGIN { print a + b }')
    total_oc=$(awk -v a="$total_oc" -v b="$ocm" 'BEGIN { print a + b }')
    total_tc=$(awk -v a="$total_tc" -v b="$tcm" 'BEGIN { print a + b }')
  done
done
awk -v ow="$total_ow" -v tw="$total_tw" -v oc="$total_oc" -v tc="$total_tc" 'BEGIN {
  printf "| %-34s | %-2s | %20.2f | %20.2f | %5.2fx |       | %20.2f | %20.2f | %5.2fx |         |         |\n",
    "all (sum of medians)", "", ow, tw, ow / tw, oc, tc, oc / tc }'
if [ ${#before_rows[@]} -gt 0 ]; then
  echo
  printf "| %-34s | %-2s | %6s | %6s | %6s | %6s | %6s | %6s | %7s | %7s |\n" format in \
    "before" "after" ratio "b cpu" "a cpu" ratio "b MB" "a MB"
  printf "|%s|\n" "------------------------------------|----|--------|--------|--------|--------|--------|--------|---------|--------"
  printf "%s\n" "${before_rows[@]}"
fi
echo "Goal: each format's wall-time ratio at most its goal. $runs alternating runs a side;" \
  "medians with their spread. Wall time follows the machine's load, processor time less so." >&2
