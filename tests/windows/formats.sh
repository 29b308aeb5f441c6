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

# encoder_arguments LINUX_CLI FORMAT INPUT OUTDIR: the arguments (one per line) of the
# format's main encoder command after the program, as vidloom-cli builds it.
encoder_arguments() {
  local line
  line=$("$1" --format "$2" --output-dir "$4" --print-commands "$3" | head -n 1)
  python3 -c 'import shlex, sys; print("\n".join(shlex.split(sys.argv[1])[1:]))' "$line"
}

# format_command LINUX_CLI FORMAT INPUT OUTDIR: encoder_arguments with one thread and -bitexact
# added, so that the output depends on the input alone.
format_command() {
  local args a
  mapfile -t args < <(encoder_arguments "$@")
  for a in "${args[@]}"; do
    printf '%s\n' "$a"
    if [ "$a" = -y ]; then
      printf '%s\n' -threads 1
      [[ " ${args[*]} " == *" -bitexact "* ]] || printf '%s\n' -bitexact
    fi
  done
}

# windows_path PATH: the same file as Wine's Z: drive names it.
windows_path() { printf 'Z:%s' "${1//\//\\}"; }

# windows_args ARG...: the arguments one per line, each absolute path as Wine's Z: drive names it.
windows_args() {
  local a
  for a in "$@"; do
    case $a in /*) a=$(windows_path "$a") ;; esac
    printf '%s\n' "$a"
  done
}

# probe FILE: what this machine's ffprobe finds in FILE's streams (codec, frame size, sampling
# rate, channels, packets), on one line.
probe() {
  ffprobe -v error -count_packets -show_entries \
    stream=codec_type,codec_name,width,height,sample_rate,channels,nb_read_packets -of csv=p=0 \
    "$1" | sort | tr '\n' ' '
}
