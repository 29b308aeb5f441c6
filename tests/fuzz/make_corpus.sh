#!/usr/bin/env bash
# Writes the seed inputs of the fuzz targets into corpus/<target>/seed-*, each in its target's
# input layout (see the comment at the top of each target). The inputs that once broke a
# property (corpus/<target>/finding-*) are kept as the fuzzer wrote them and are not made here.
# Usage: tests/fuzz/make_corpus.sh
set -euo pipefail
cd "$(dirname "$0")/corpus"

# seed TARGET NAME FORMAT [ARGS...]: the file, written by printf (\xHH for any byte; "\0" before
# a digit would be read as an octal number, so NUL is always \x00).
seed() {
  mkdir -p "$1"
  # shellcheck disable=SC2059
  printf "$3" "${@:4}" >"$1/$2"
}

# The hexadecimal digits of a text's bytes.
hex_of() { printf '%s' "$1" | od -An -tx1 | tr -d ' \n'; }
# box TYPE PAYLOAD_HEX: one box (32-bit size), as hexadecimal digits.
box() { printf '%08x%s%s' $((${#2} / 2 + 8)) "$(hex_of "$1")" "$2"; }
zeros() { printf '%0*d' $(($1 * 2)) 0; }
# bytes HEX: the bytes, as a printf format.
bytes() { sed 's/../\\x&/g' <<<"$1"; }

# --- fuzz_ini_file: text, then edits after 0x1E ("R" removes; fields split by 0x1F) ---
seed fuzz_ini_file seed-settings '[General]\nOutputDir=/home/u/Converted Video\nOverWrite=1\n\n[Combo]\nOutputFormat=4\nLetterBox=0\n\x1eSGeneral\x1foutputdir\x1f /media/usb \x1eSshutdown\x1fShutDown\x1f0'
seed fuzz_ini_file seed-windows-lines '; notes\r\n[A]\r\nx=1\r\n[b]\r\ny = two \r\nlast=no end\x1eRa\x1fX\x1e-B\x1fz\x1f3\x1e-new\x1fk\x1fv'
seed fuzz_ini_file seed-duplicates '[S]\nk=1\nK=2\n[s]\nk=3\n=empty\n;k=4\n[T\n  [ S ] \nq=5\x1e-s\x1fk\x1fa\nb\x1e-S\x1fq\x1fr'

# --- fuzz_command_line: a command line, or arguments separated by NUL ---
seed fuzz_command_line seed-psp '"/opt/vidloom/raziz2u" -@ -y  -i "/home/u/clip.avi" -vcodec "xvid" -b "768" -r "29.97"  -acodec "mpeg4aac" -ab "64" -ar "24000" -ac "2 (stereo)" -s 368x208 -f psp "/home/u/Converted Video/clip.mp4"'
seed fuzz_command_line seed-quotes '"C:\\Program Files\\Vidloom\\raziz2u.exe" -i "DS:\\\\say \\"hi\\" \\\\" a\\\\\\"b "" c\td'
seed fuzz_command_line seed-arguments '/bin/raziz2u\x00-i\x00/v/a "b" c\\\x00\x00tab\there\x00\\\\\\"'

# --- fuzz_encoder_options: arguments separated by NUL ---
args() { local IFS=$'\x1f'; printf '%s' "$*" | tr '\037' '\000'; }
mkdir -p fuzz_encoder_options
args -@ -y -i /v/clip.avi -vcodec xvid -b 768 -r 29.97 -acodec mpeg4aac -ab 64 -ar 24000 -ac "2 (stereo)" -s 368x208 -f psp /o/clip.mp4 >fuzz_encoder_options/seed-psp
args -@ -y -i 'DS:\\/v/clip.rm' -bitexact -title clip -vcodec h264 -b 400 -maxrate 1500 -bufsize 128 -r 30000/1001 -acodec mpeg4aac -g 250 -qscale 25 -coder 1 -s 320x240 -padtop 16 -padbottom 16 -f psp /o/clip.mp4 >fuzz_encoder_options/seed-psp-avc
args -@ -y -f qt -i /v/clip.mov -vcodec h263 -b 128 -r 14.985 -bt 60 -acodec amr_nb -ab 12.2 -ar "8000 " -ac "1 (mono)" -s 176x144 -f 3gp /o/clip.3gp >fuzz_encoder_options/seed-3gp
args -@ -y -i /v/song.wav -id3v1 -id3v2 -acodec mp3 -ab 128 -ar 44100 -ac 2 -vol_factor 80 -vn /o/song.mp3 >fuzz_encoder_options/seed-mp3
args -@ -y -i /v/clip.avi -f singlejpeg -ss 00:00:03 -vframes 1 -s 368x208 -an -threads 2 /o/clip.THM >fuzz_encoder_options/seed-thumbnail
args -@ -y -i /v/clip.avi >fuzz_encoder_options/seed-probe

# --- fuzz_output_parser: the output, then the cutter's seed (4 bytes) and the flags (1 byte:
# 1 thumbnail run, 2 CD audio input) ---
input='Input #0, avi, from '\''/v/clip.avi'\'':\r\n  Duration: 00:01:30.40, start: 0.000000, bitrate: 1200 kb/s\r\n    Stream #0.0: Video: mpeg4, 640x480, 25.00 fps\r\n    Stream #0.1: Audio: mp3, 44100 Hz, stereo\r\nOutput #0, psp, to '\''/o/clip.mp4'\'':\r\n'
records='frame=25 q=2.0 size=128kB time=1.00 bitrate=1048.6kbits/s\rframe=50 q=2.0 size=256kB time=2.00 bitrate=1048.6kbits/s\rframe=75 q=3.5 size=1536kB time=27.10 bitrate=463.8kbits/s\r'
seed fuzz_output_parser seed-video "$input$records"'\n\x11\x22\x33\x44\x00'
seed fuzz_output_parser seed-audio 'Input #0, wav, from '\''/v/a.cda'\'':\n  Duration: 00:03:05.00, bitrate: 1411 kb/s\nAdjusted: 48000 Hz: MP3 has no 96000 Hz\nsize=64kB time=3.00 bitrate=174.8kbits/s\rsize=N/A time=abc bitrate=1\rsize=12345678901kB time=9.50 \r\x01\x02\x03\x04\x02'
seed fuzz_output_parser seed-error "$input$records"'Unsupported codec for output stream #0.0\n\x05\x06\x07\x08\x00'
seed fuzz_output_parser seed-rejected 'error: cannot open /v/x.avi: No such file or directory\n\x09\x0a\x0b\x0c\x00'
seed fuzz_output_parser seed-thumbnail "$input"'frame=1 q=2.0 size=4kB time=3.00 bitrate=0\r\n\x00\x00\x00\x01\x01'

# --- fuzz_probe_output: the previous file's answer up to a backslash and a line end, then the
# answer ---
seed fuzz_probe_output seed-video-then-audio 'Input #0, avi, from '\''/v/clip.avi'\'':\n  Duration: 00:02:05.30, bitrate: 1150 kb/s\n    Stream #0.0: Video: mpeg4, 640x480, 25.00 fps, display 768x480\n\\\nInput #0, wav, from '\''/v/a.wav'\'':\n    Stream #0.0: Audio: pcm_s16le, 44100 Hz, stereo\n'
seed fuzz_probe_output seed-windows-lines 'x\\\nInput #0, mov,mp4, from '\''/v/c.mov'\'':\r\n  Duration: 01:00:00.00, start: 0.0\r\n  Stream #0.0: Video: h264, 1280x720, 29.97 fps\r\n  Stream #0.1: Video: mjpeg, 160x120, 30.00 fps\r'
seed fuzz_probe_output seed-no-duration '\\\nInput #0, mpegts, from '\''/v/s.ts'\'':\n  Duration: N/A, bitrate: N/A\n  Stream #0.0: Video: mpeg2video, 720x576, 25.00 fps\n'
seed fuzz_probe_output seed-rejected '\\\nUnknown format: /v/notes.txt\n'

# --- fuzz_mp4_boxes: the file, then the level (1 byte) and which levels to set (1 byte: 1 the
# H.263 level, 2 the PSP level) ---
s263=$(zeros 78)$(box d263 "$(hex_of VEND)000a00")
stbl=$(box stbl "$(box stsd "$(zeros 4)00000001$(box s263 "$s263")")")
moov=$(box moov "$(box mvhd "$(zeros 100)")$(box trak "$(box tkhd "$(zeros 84)")$(box mdia "$(box minf "$stbl")")")")
seed fuzz_mp4_boxes seed-3gp-h263 "$(bytes "$(box ftyp "$(hex_of 3gp4)00000000$(hex_of 3gp4)")$moov$(box mdat "$(zeros 32)")2d01")"
prof=$(hex_of PROF)$(zeros 4)$(hex_of FPRF)$(zeros 8)$(hex_of VPRF)$(zeros 8)$(hex_of avc1)014d0015
avc1=$(zeros 78)$(box avcC "014d0015ffe1")
stbl=$(box stbl "$(box stsd "$(zeros 4)00000001$(box avc1 "$avc1")$(box mp4a "$(zeros 28)$(box esds "$(zeros 12)")")")")
moov=$(box moov "$(box trak "$(box mdia "$(box minf "$stbl")")")$(box udta "$(box meta "$(zeros 4)")")")
seed fuzz_mp4_boxes seed-psp "$(bytes "$(box ftyp "$(hex_of MSNV)00000000$(hex_of MSNVisom)")$(box uuid "$prof")$moov$(box free "")1502")"
# A 64-bit size, and a last box that runs to the end of the file (size 0).
seed fuzz_mp4_boxes seed-large-and-open "$(bytes "$(box ftyp "$(hex_of isom)00000200")00000001$(hex_of mdat)0000000000000018$(zeros 8)00000000$(hex_of moov)$(box trak "$(box edts "$(box elst "$(zeros 8)")")")0303")"

# --- fuzz_json_string: bytes ---
seed fuzz_json_string seed-path '/home/u/Music/Artist "Live"/01 \\ Intro.wav'
seed fuzz_json_string seed-utf8 'Caf\xc3\xa9 \xe2\x80\x93 \xe6\x97\xa5\xe6\x9c\xac \xf0\x9f\x8e\xb5 \xef\xbf\xbf \xf4\x8f\xbf\xbf'
seed fuzz_json_string seed-controls 'a\tb\nc\rd\x00e\x1ff\x7fg\x08h\x0c'
seed fuzz_json_string seed-invalid '\xff\xfe \xc0\xaf \xed\xa0\x80 \xe2\x82 \xf4\x90\x80\x80 \x80 \xc3'

# --- fuzz_output_folder: the source folder up to a backslash and another byte, then the input
# path, then 3 bytes: input below the folder (1), overwrite (1), format (its catalogue row) ---
seed fuzz_output_folder seed-album '/home/u/Music\\;Artist/Album/01 Song.wav\x01\x00\x0a'
seed fuzz_output_folder seed-elsewhere '/home/u/Music\\;/home/u/Videos/trip.avi\x00\x01\x00'
seed fuzz_output_folder seed-dots 'Music/./\\;./a/../b/..c/.d/clip.mp4\x01\x00\x05'
seed fuzz_output_folder seed-relative 'm\\;m/x/f\x00\x01\x07'

# --- fuzz_catalogue: a compiled catalogue (.mo), little and big endian ---
catalogue_po=$(mktemp)
printf 'msgid ""\nmsgstr "Content-Type: text/plain; charset=UTF-8\\n"\n\nmsgid "Add Files"\nmsgstr "Hinzuf\xc3\xbcgen"\n\nmsgid "%%s of %%s"\nmsgstr "%%s von %%s"\n' >"$catalogue_po"
mkdir -p fuzz_catalogue
msgfmt --endianness=little -o fuzz_catalogue/seed-little.mo "$catalogue_po"
msgfmt --endianness=big -o fuzz_catalogue/seed-big.mo "$catalogue_po"
rm -f "$catalogue_po"
