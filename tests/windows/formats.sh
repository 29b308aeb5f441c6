# Shared by the Windows tests and the benchmark (sourced, not run): the twelve formats, a clip
# to convert, and each format's encoder command as vidloom-cli builds it on Linux.

# The twelve output formats by their short names (vidloom-cli --list-formats).
formats=(psp psp-normal psp-small psp-avc psp-avc2 ps3-480p ps3-720p ps3-1080p aac mp3 3gp 3g2)

# make_clip FILE SECONDS: 320x240 at 25 frames/s, H.264 and AAC, a tone.
make_clip() {
  ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc=size=320x240:rate=25" \
    -f lavfi -i "sine=frequency=440:sample_rate=44100" -t "$2" -c:v libx264 -preset veryfast \
    -c:a aac -shortest "$1"
}

# format_command LINUX_CLI FORMAT INPUT OUTDIR: the arguments (one per line) of the format's
# main encoder command after the program, one thread and -bitexact added so that the output
# depends on the input alone.
format_command() {
  local line
  line=$("$1" --format "$2" --output-dir "$4" --print-commands "$3" | head -n 1)
  python3 - "$line" <<'PY'
import shlex, sys
args = shlex.split(sys.argv[1])[1:]
extra = ["-threads", "1"] + ([] if "-bitexact" in args else ["-bitexact"])
i = args.index("-y") + 1
for a in args[:i] + extra + args[i:]:
    print(a)
PY
}

# windows_path PATH: the same file as Wine's Z: drive names it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }
