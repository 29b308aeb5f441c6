#!/usr/bin/env bash
# Installs the build into a temporary prefix and checks the layout, then runs the installed
# programs through their bin/ links: vidloom-cli must find the installed raziz2u beside itself,
# also after the installed tree has been moved.
# Usage: install_test.sh <cmake> <build dir> <source dir> <gui ON|OFF> <encoder ON|OFF>
set -euo pipefail

cmake=$1 build=$2 source=$3 gui=$4 encoder=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
prefix=$work/prefix
failures=0

fail() {
  echo "FAIL: $*" >&2
  failures=$((failures + 1))
}
expect_file() { [ -f "$1" ] || fail "missing file $1"; }
expect_program() { [ -x "$1" ] && [ ! -L "$1" ] || fail "missing program $1"; }
expect_link() {  # link, target
  if [ ! -L "$1" ]; then
    fail "missing link $1"
  elif [ "$(readlink "$1")" != "$2" ]; then
    fail "$1 points to $(readlink "$1"), not $2"
  fi
}

"$cmake" --install "$build" --prefix "$prefix" >"$work/install.log" || {
  cat "$work/install.log" >&2
  fail "cmake --install failed"
  exit 1
}

# The program directory.
programs=$prefix/lib/vidloom
expect_program "$programs/vidloom-cli"
[ "$encoder" = ON ] && expect_program "$programs/raziz2u"
[ "$gui" = ON ] && expect_program "$programs/vidloom"
expect_file "$programs/help.html"
cmp -s "$programs/help.html" "$build/bin/help.html" || fail "help.html differs from the built one"
# The Linux manual: its own passages, without the marks, none of the Windows ones.
grep -q '~/.config/vidloom/vazadi.ini' "$programs/help.html" || fail "help.html does not name ~/.config"
if grep -q -e '<!-- /\?\(linux\|windows\) -->' -e 'APPDATA' -e 'Explorer' "$programs/help.html"; then
  fail "help.html keeps a mark or a Windows passage"
fi

# bin/ links into it, relative.
expect_link "$prefix/bin/vidloom-cli" "../lib/vidloom/vidloom-cli"
if [ "$gui" = ON ]; then
  expect_link "$prefix/bin/vidloom" "../lib/vidloom/vidloom"
  desktop=$prefix/share/applications/vidloom.desktop
  expect_file "$desktop"
  grep -qx 'Exec=vidloom %F' "$desktop" || fail "the desktop entry does not run vidloom %F"
  grep -qx 'Icon=vidloom' "$desktop" || fail "the desktop entry names no vidloom icon"
  if command -v desktop-file-validate >/dev/null; then
    desktop-file-validate "$desktop" || fail "desktop-file-validate rejects $desktop"
  fi
  for icon in 48x48/apps/vidloom.png 256x256/apps/vidloom.png scalable/apps/vidloom.svg; do
    expect_file "$prefix/share/icons/hicolor/$icon"
  done
fi
# Every installed file is in the manifest, the links included.
manifest=$build/install_manifest.txt
for path in bin/vidloom-cli lib/vidloom/vidloom-cli lib/vidloom/help.html; do
  grep -qx "$prefix/$path" "$manifest" || fail "$path is not in $manifest"
done

# The installed programs run through their links from elsewhere.
run_cli() {  # prefix, arguments...
  local p=$1
  shift
  (cd "$work" && HOME="$work/home" "$p/bin/vidloom-cli" --no-settings "$@")
}
mkdir -p "$work/home"
formats=$(run_cli "$prefix" --list-formats) || fail "vidloom-cli --list-formats failed"
[ "$(printf '%s\n' "$formats" | grep -c .)" -eq 16 ] || fail "--list-formats gave: $formats"
printf '%s\n' "$formats" | grep -qxF "$(printf 'MP3 - Mpeg Layer3 Audio (*.mp3)\tmp3')" ||
  fail "no MP3 format"

# The catalogues of texts lie where the system keeps them, and the installed programs find them.
for code in $(cat "$source/po/LINGUAS"); do
  expect_file "$prefix/share/locale/$code/LC_MESSAGES/vidloom.mo"
done
german=$(cd "$work" && HOME="$work/home" LC_ALL=de_DE.UTF-8 LANGUAGE= "$prefix/bin/vidloom-cli" --help) ||
  fail "vidloom-cli --help failed in German"
printf '%s\n' "$german" | grep -q "^Aufruf: vidloom-cli" ||
  fail "the installed vidloom-cli did not find its German texts: $(printf '%s\n' "$german" | head -2)"

if [ "$encoder" = ON ]; then
  check_commands() {  # prefix
    local p=$1 commands
    : >"$work/clip.avi"
    commands=$(run_cli "$p" --print-commands --format "MP3 - Mpeg Layer3 Audio (*.mp3)" \
      --output-dir "$work/out" "$work/clip.avi") || fail "--print-commands failed in $p"
    printf '%s\n' "$commands" | grep -q "^\"$p/lib/vidloom/raziz2u\" " ||
      fail "the command does not run $p/lib/vidloom/raziz2u: $commands"
  }
  check_commands "$prefix"
  # The links are relative: a moved tree still finds its own encoder.
  mv "$prefix" "$work/moved"
  check_commands "$work/moved"
  mv "$work/moved" "$prefix"
fi

# The desktop program starts from its link and runs its loop until it is stopped.
if [ "$gui" = ON ] && command -v timeout >/dev/null; then
  set +e
  (cd "$work" && HOME="$work/home" QT_QPA_PLATFORM=offscreen timeout 5 "$prefix/bin/vidloom" \
    >"$work/gui.log" 2>&1)
  status=$?
  set -e
  [ "$status" -eq 124 ] || { cat "$work/gui.log" >&2; fail "vidloom ended with $status"; }
fi

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed" >&2
  exit 1
fi
echo "installed layout and programs OK"
