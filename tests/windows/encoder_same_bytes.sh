#!/usr/bin/env bash
# raziz2u.exe under Wine against the Linux raziz2u: every one of the twelve formats converts the
# same clip, with one thread and -bitexact. This machine's ffprobe must find the same streams
# in both outputs (codecs, frame sizes, sample rates, channels, packet counts), and the video
# streams must be the same bytes: the video encoders are integer code. Two exceptions, said in
# the log: the audio encoders' floating-point results depend on the C library's maths (glibc
# against Windows's), so their bytes may differ; and the Windows build has no libxvid (Debian's
# archive offers no xvidcore sources here), so "xvid" is FFmpeg's own MPEG-4 Part 2 encoder
# there. A PSP thumbnail must be the same JPEG from both.
# Usage: encoder_same_bytes.sh WINE WINDOWS_BIN LINUX_BIN
set -u
wine=$1 win_bin=$2 linux_bin=$3
here=$(cd "$(dirname "$0")" && pwd)
source "$here/formats.sh"
if [ ! -x "$linux_bin/raziz2u" ] || [ ! -x "$linux_bin/vidloom-cli" ]; then
  echo "SKIPPED: no Linux build at $linux_bin to compare with (scripts/test builds it first)"
  exit 77
fi
work=$(mktemp -d /tmp/vidloom-win-encoder-XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/linux" "$work/windows"
make_clip "$work/in é.mp4" 4 || exit 2

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
for format in "${formats[@]}"; do
  mapfile -t args < <(format_command "$linux_bin/vidloom-cli" "$format" "$work/in é.mp4" "$work/linux")
  linux_out=${args[-1]}
  windows_out=$work/windows/${linux_out#"$work/linux/"}
  mapfile -t win_args < <(windows_args "${args[@]:0:${#args[@]}-1}" "$windows_out")
  "$linux_bin/raziz2u" "${args[@]}" >"$work/linux.log" 2>&1 || fail "$format: Linux raziz2u failed"
  "$wine" "$win_bin/raziz2u.exe" "${win_args[@]}" >"$work/windows.log" 2>&1 ||
    { fail "$format: raziz2u.exe failed"; tail -n 5 "$work/windows.log"; continue; }
  video_md5() { ffmpeg -v error -i "$1" -map 0:v -c copy -f md5 - 2>/dev/null; }
  [ "$(probe "$linux_out")" = "$(probe "$windows_out")" ] ||
    fail "$format: the streams differ: $(probe "$linux_out")/ $(probe "$windows_out")"
  same="same bytes"
  cmp -s "$linux_out" "$windows_out" || same="different audio bits"
  case $format in
    aac | mp3) ;;
    psp | psp-normal | psp-small) same="xvid: FFmpeg's MPEG-4 encoder on Windows" ;;
    *)
      [ "$(video_md5 "$linux_out")" = "$(video_md5 "$windows_out")" ] ||
        fail "$format: the video streams differ"
      ;;
  esac
  streams=$(ffprobe -v error -show_entries stream=codec_type -of csv=p=0 "$windows_out" | sort | tr '\n' ' ')
  case $format in
    aac | mp3) want="audio " ;;
    *) want="audio video " ;;
  esac
  [ "$streams" = "$want" ] || fail "$format: ffprobe finds '$streams', not '$want'"
  # The progress records end in CR, as on Linux.
  grep -q $'frame=.*\r' "$work/windows.log" || [ "$format" = aac ] || [ "$format" = mp3 ] ||
    fail "$format: no progress records ending in CR"
  echo "ok $format: $(stat -c %s "$windows_out") bytes, $(probe "$windows_out")($same)"
done

# A PSP thumbnail: a 160x120 JPEG, the same bytes from both.
thumb=("-@" -y -threads 1 -i "$work/in é.mp4" -f singlejpeg -ss 3 -vframes 1 -s 160x120 -an)
"$linux_bin/raziz2u" "${thumb[@]}" "$work/linux/in.THM" >/dev/null 2>&1
mapfile -t win_thumb < <(windows_args "${thumb[@]}" "$work/windows/in.THM")
"$wine" "$win_bin/raziz2u.exe" "${win_thumb[@]}" >/dev/null 2>&1
cmp -s "$work/linux/in.THM" "$work/windows/in.THM" || fail "thumbnail: the two differ"
[ "$(ffprobe -v error -show_entries stream=codec_name,width,height -of csv=p=0 "$work/windows/in.THM")" = "mjpeg,160,120" ] ||
  fail "thumbnail: not a 160x120 JPEG"

# Inputs that are no regular files are refused with their reason, at once: Windows's device
# names (in any folder, with any extension), a named pipe, a folder; a playlist is no media.
mkdir -p "$work/folder.mp4"
printf '#EXTM3U\n#EXTINF:10.0,\n%s\n#EXT-X-ENDLIST\n' "$(windows_path "$work/in é.mp4")" >"$work/list.avi"
refused=(
  "NUL|a device (NUL)" "con|a device (CON)" "COM1|a device (COM1)"
  "$(windows_path "$work/nul.avi")|a device (NUL)" "$(windows_path "$work/Aux .mp3")|a device (AUX)"
  '\\.\pipe\vidloom-test|a named pipe' '\\.\PhysicalDrive0|a device'
  "$(windows_path "$work/folder.mp4")|directory" "$(windows_path "$work/list.avi")|Unknown format"
)
for entry in "${refused[@]}"; do
  input=${entry%%|*} want=${entry#*|}
  said=$(timeout 60 "$wine" "$win_bin/raziz2u.exe" -y -i "$input" "$(windows_path "$work/refused.mp3")" 2>&1)
  status=$?
  if [ "$status" -ne 1 ] || [[ $said != *"$want"* ]]; then
    fail "input $input: exit $status, said: $(echo "$said" | tail -n 2 | tr '\r\n' '  ')"
  else
    echo "ok refused $input: $(echo "$said" | grep -m 1 -F "$want")"
  fi
done

echo "$failures failure(s)"
[ "$failures" -eq 0 ]
