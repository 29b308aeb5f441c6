#!/usr/bin/env bash
# Builds the Debian package with CPack from the build tree and checks it as a Debian user meets
# it: its control fields and runtime dependencies, its contents (the program directory, links,
# menu entry, icons, metainfo and manual where `cmake --install` puts them), that apt would
# install it here, and that the programs it holds run. The machine is not changed: the package
# is unpacked into a temporary directory.
# Usage: deb_test.sh <cpack> <build dir> <source dir>
set -euo pipefail

cpack=$1 build=$2 source=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
failures=0
fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}

(cd "$build" && "$cpack" -G DEB -B "$work/out" >"$work/cpack.log" 2>&1) || {
  cat "$work/cpack.log" >&2
  echo "FAIL: cpack -G DEB failed" >&2
  exit 1
}
debs=("$work"/out/vidloom_*.deb)
[ -f "${debs[0]}" ] || { echo "FAIL: no vidloom_*.deb in $work/out" >&2; exit 1; }
deb=${debs[0]}

# Control fields.
field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = vidloom ] || fail "Package is $(field Package)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "Architecture $(field Architecture)"
[ -n "$(field Version)" ] || fail "no Version"
[ -n "$(field Maintainer)" ] || fail "no Maintainer"
[ -n "$(field Description)" ] || fail "no Description"
depends=$(field Depends)
for needed in libavcodec-extra59 libavfilter8 libavformat59 libqt6widgets6 libqt6dbus6 \
  qt6-qpa-plugins libstdc++6; do
  printf '%s\n' "$depends" | tr ',' '\n' | grep -q "^ *$needed\b" || fail "Depends lacks $needed: $depends"
done

# Contents.
contents=$(dpkg-deb -c "$deb" | awk '{print $6 ($7 ? " " $7 " " $8 : "")}')
for path in ./usr/lib/vidloom/vidloom ./usr/lib/vidloom/vidloom-cli ./usr/lib/vidloom/raziz2u \
  ./usr/lib/vidloom/help.html ./usr/share/applications/vidloom.desktop \
  ./usr/share/icons/hicolor/48x48/apps/vidloom.png ./usr/share/icons/hicolor/scalable/apps/vidloom.svg \
  ./usr/share/metainfo/org.vidloom.vidloom.metainfo.xml \
  ./usr/share/locale/de/LC_MESSAGES/vidloom.mo ./usr/share/locale/zh_CN/LC_MESSAGES/vidloom.mo; do
  printf '%s\n' "$contents" | grep -qx "$path" || fail "the package lacks $path"
done
for program in vidloom vidloom-cli; do
  printf '%s\n' "$contents" | grep -qx "./usr/bin/$program -> ../lib/vidloom/$program" ||
    fail "no relative link ./usr/bin/$program"
done

# apt would install it here, with what Debian's archive gives (nothing is changed).
if command -v apt-get >/dev/null; then
  apt-get install --simulate -y "$deb" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log" >&2
    fail "apt-get cannot install the package"
  }
fi

# The metainfo and the menu entry pass their checkers.
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "$source/data/org.vidloom.vidloom.metainfo.xml" >"$work/as.log" 2>&1 ||
    { cat "$work/as.log" >&2; fail "appstreamcli rejects the metainfo"; }
fi

# The unpacked programs run: the CLI finds its own encoder beside itself and converts.
root=$work/root
dpkg-deb -x "$deb" "$root"
mkdir -p "$work/home"
cli=$root/usr/bin/vidloom-cli
[ "$(HOME=$work/home "$cli" --no-settings --list-formats | grep -c .)" -eq 16 ] || fail "--list-formats"
if command -v ffmpeg >/dev/null; then
  ffmpeg -nostdin -loglevel error -y -f lavfi -i "sine=duration=1" "$work/tone.wav"
  HOME=$work/home "$cli" --no-settings --format "MP3 - Mpeg Layer3 Audio (*.mp3)" \
    --output-dir "$work/converted" "$work/tone.wav" >"$work/cli.log" 2>&1 ||
    { cat "$work/cli.log" >&2; fail "the packaged vidloom-cli did not convert"; }
  [ -s "$work/converted/tone.mp3" ] || fail "no converted file"
  HOME=$work/home "$cli" --no-settings --print-commands --format "MP3 - Mpeg Layer3 Audio (*.mp3)" \
    --output-dir "$work/converted" "$work/tone.wav" | grep -q "^\"$root/usr/lib/vidloom/raziz2u\" " ||
    fail "the packaged vidloom-cli does not run the packaged encoder"
fi
version=$("$root/usr/bin/vidloom" --version) || fail "vidloom --version failed"
[ "$version" = "Vidloom $(field Version)" ] || fail "vidloom --version says $version"

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "package $(basename "$deb") OK"
