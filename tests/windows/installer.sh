#!/usr/bin/env bash
# The Windows installer in a fresh Wine prefix of its own. vidloom-setup-<version>.exe /S installs
# the program folder (stripped programs, the manual, the icon, the uninstaller), the Start menu
# shortcut, the Apps & features entry and "Open With" for the file types Vidloom converts,
# without taking an extension from the program that opens it; the installed programs convert a
# file. While vidloom.exe runs the uninstaller removes nothing: silently it ends with exit code 2;
# in its window it asks to close the program and, once it is closed and Retry chosen, removes
# exactly what was installed and leaves the user's settings and converted files. A second round
# installs into a folder of the user's choice (/D) with the PATH option (/PATH) and, with no
# settings file in it, the uninstaller (QuietUninstallString) removes the folder and the PATH
# entry. A third round runs the installer's pages and its last page's "Run Vidloom".
# Usage: installer.sh WINE INSTALLER ADD_FILES_H WINDOWS_BIN
set -euo pipefail
wine=$1 installer=$2 add_files_h=$3 win_bin=$4
if [ ! -f "$installer" ]; then
  echo "SKIPPED: no installer at $installer (the target installer builds it with vidloom.exe)"
  exit 77
fi
wineserver=$(dirname "$wine")/wineserver
version=$(basename "$installer" .exe)
version=${version#vidloom-setup-}

# A prefix of our own: nothing is left installed in another, and only its server is ended.
# winemenubuilder would turn the shortcut and the file types into menu entries and MIME
# associations of this machine's desktop: it stays off.
prefix=$(mktemp -d /tmp/vidloom-win-installer-XXXXXX)
export WINEPREFIX=$prefix WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  "$wineserver" -w 2>/dev/null || true
  rm -rf "$prefix"
}
trap cleanup EXIT
start=$SECONDS
"$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }
drive_c=$prefix/drive_c
program_dir=$drive_c/"Program Files/Vidloom"
shortcut=$drive_c/"ProgramData/Microsoft/Windows/Start Menu/Programs/Vidloom.lnk"
uninstall_key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Vidloom'
classes='HKLM\Software\Classes'
installed_files=(vidloom.exe vidloom-cli.exe raziz2u.exe help.html vidloom.ico uninstall.exe)

# `reg query KEY` prints a key's values, one "    NAME    TYPE    DATA" line each. Each key is
# queried once per state (install and uninstall clear what was read).
declare -A queried
reg_load() {
  [ -n "${queried[$1]+set}" ] && return
  queried[$1]=$("$wine" reg query "$1" 2>/dev/null | tr -d '\r') || queried[$1]=ABSENT
}
reg_key_exists() { reg_load "$1"; [ "${queried[$1]}" != ABSENT ]; }
# reg_value KEY NAME: the data of a value (fails when there is none); NAME "" is the default.
reg_value() {
  reg_load "$1"
  printf '%s\n' "${queried[$1]}" | awk -v name="${2:-(Default)}" -F '    ' \
    '$2 == name { print $4; found = 1 } END { exit !found }'
}
expect_value() {
  local got
  reg_load "$1"
  got=$(reg_value "$1" "$2") || { fail "$1 has no value ${2:-(Default)}"; return; }
  [ "$got" = "$3" ] || fail "$1 ${2:-(Default)}: '$got', expected '$3'"
}
# HKEY_LOCAL_MACHINE whole, for what no single query shows: the prefix's system.reg, which the
# server writes when it ends (install and uninstall wait for that). Key lines are given as
# [Software\Classes\...], without the file's doubled backslashes and time stamps.
machine_registry() {
  sed -e '/^\[/ { s/\] [0-9]*$/]/; s/\\\\/\\/g }' "$prefix/system.reg"
}
# passed SINCE TEXT...: "ok TEXT" when no check failed since the count was SINCE.
passed() {
  local since=$1
  shift
  if [ "$failures" -eq "$since" ]; then echo "ok $* ($((SECONDS - start)) s)"; fi
}

# Every "*.ext" written in add_files.h (the header holds them only in the file dialog's filter
# and its macros), read here on its own, but for the files that are no media Vidloom converts
# (playlists and stream pointers, cue sheets, .dat files, pictures): the installer must offer
# exactly these.
left_out=(.asx .cue .dat .gif .mjpeg .mjpg .ram)
mapfile -t extensions < <(grep -o '\*\.[A-Za-z0-9]\+' "$add_files_h" | cut -c2- |
  tr '[:upper:]' '[:lower:]' | sort -u | grep -vxF -f <(printf '%s\n' "${left_out[@]}"))
[ ${#extensions[@]} -gt 20 ] || { echo "FAIL: no file types read from $add_files_h"; exit 1; }
# expect_extensions WHAT LIST: LIST (sorted, one a line) must be those extensions.
expect_extensions() {
  local expected
  expected=$(printf '%s\n' "${extensions[@]}")
  [ "$2" = "$expected" ] ||
    fail "$1 differ from the file dialog's types:"$'\n'"$(diff <(echo "$2") <(echo "$expected"))"
}

# The system's PATH, as programs started from now on get it.
environment_key='HKLM\SYSTEM\CurrentControlSet\Control\Session Manager\Environment'
system_path() {
  "$wine" reg query "$environment_key" /v Path 2>/dev/null | tr -d '\r' |
    awk -F '    ' '$2 == "Path" { print $4 }'
}
path_before=$(system_path)
[ -n "$path_before" ] || { echo "FAIL: no PATH in the registry"; exit 1; }

# Another program already opens .mkv files: the installer must not take them from it.
"$wine" reg add "$classes\\.mkv" /ve /d OtherPlayer.mkv /f >/dev/null
"$wine" reg add "$classes\\.mkv\\OpenWithProgids" /v OtherPlayer.mkv /d "" /f >/dev/null

# install [ARGS...]: runs the installer silently and waits for Wine to settle. Its exit status
# alone proves little (an installer Wine cannot run may also end with 0): the files and keys
# are checked after it.
install() {
  local status=0
  "$wine" "$installer" /S "$@" || status=$?
  "$wineserver" -w
  queried=()
  [ "$status" -eq 0 ] || fail "the installer exited with $status"
}
# uninstall: runs the uninstaller as Apps & features' QuietUninstallString names it and waits
# for the copy of itself that it starts from the temporary folder (the first process ends at
# once, so its exit status says nothing).
uninstall() {
  local quiet program arguments
  reg_load "$uninstall_key"
  quiet=$(reg_value "$uninstall_key" QuietUninstallString) ||
    { fail "no QuietUninstallString"; return; }
  program=${quiet#\"}
  program=${program%%\"*}
  arguments=${quiet#\"$program\"}
  # The arguments after the quoted program, split at blanks.
  # shellcheck disable=SC2086
  "$wine" "$program" $arguments || true
  "$wineserver" -w
  queried=()
}

# while_installed: the installed programs at work: vidloom-cli.exe converts a tone; vidloom.exe,
# started with two files on its command line ("Open With"), converts them when its "Convert Now !"
# is pressed, writes its settings when closed by its close box and nothing when ended by
# File > Exit. window_driver.exe presses the controls as a user's mouse would.
while_installed() {
  local clip=$prefix/tone.wav
  ffmpeg -hide_banner -loglevel error -f lavfi -i "sine=frequency=440:sample_rate=44100" -t 1 \
    "$clip"
  # The installed vidloom-cli.exe with the encoder beside it, into the default output folder.
  if ! "$wine" "$program_dir/vidloom-cli.exe" --no-settings --format mp3 "Z:${clip//\//\\}" \
    >"$prefix/cli.out" 2>&1; then
    fail "the installed vidloom-cli.exe did not convert:"
    cat "$prefix/cli.out"
  fi
  [ "$(ffprobe -v error -show_entries stream=codec_name -of csv=p=0 \
    "$drive_c/Converted Video/tone.mp3" 2>&1)" = mp3 ] ||
    fail "no MP3 in C:\\Converted Video from the installed programs"

  if [ -z "${DISPLAY:-}" ]; then
    fail "no display for the window program (run under tests/win32/under_display.sh)"
    return
  fi
  local driver=$win_bin/window_driver.exe ini=$program_dir/vazadi.ini said app
  source "$(dirname "$0")/formats.sh"
  make_clip "$prefix/Holiday 2025.mp4" 3
  make_clip "$prefix/Café ñ.mp4" 2
  rm -f "$ini"
  "$wine" "$program_dir/vidloom.exe" "Z:${prefix//\//\\}\\Holiday 2025.mp4" \
    "Z:${prefix//\//\\}\\Café ñ.mp4" >/dev/null 2>&1 &
  app=$!
  "$wine" "$driver" wait-window 60000 || fail "vidloom.exe showed no window"
  # The two rows are added once the window shows; the button is pressed after they are.
  sleep 3
  "$wine" "$driver" click "Convert Now !" || fail "no \"Convert Now !\" button"
  said=$("$wine" "$driver" answer Information 180000 | tr -d '\r') ||
    fail "no message at the end of the batch"
  [ "$said" = "All Conversion Jobs Done!" ] || fail "the batch ended with: $said"
  "$wine" "$driver" wait-status "2 of 2 converted" 10000 || fail "the status bar's summary"
  local streams
  for name in "Holiday 2025" "Café ñ"; do
    streams=$(probe "$drive_c/Converted Video/$name.mp4" 2>&1)
    [[ $streams == *video,* && $streams == *audio,* ]] || fail "$name.mp4: '$streams'"
    [ -s "$drive_c/Converted Video/$name.THM" ] || fail "no $name.THM beside $name.mp4"
  done
  "$wine" "$driver" close
  timeout 30 tail --pid="$app" -f /dev/null || fail "the close box did not end vidloom.exe"
  grep -q . "$ini" 2>/dev/null || fail "closing the window wrote no settings"

  # Two windows at once: the second opens beside the first, not on it. File > Exit ends each.
  rm -f "$ini"
  local second places
  "$wine" "$program_dir/vidloom.exe" >/dev/null 2>&1 &
  app=$!
  "$wine" "$driver" wait-window 60000 || fail "vidloom.exe showed no window the second time"
  "$wine" "$program_dir/vidloom.exe" >/dev/null 2>&1 &
  second=$!
  places=$("$wine" "$driver" places 2 60000 | tr -d '\r') || fail "no second window"
  [ "$(sort -u <<<"$places" | wc -l)" = 2 ] || fail "two windows in one place: $places"
  "$wine" "$driver" menu Exit
  timeout 30 bash -c "while kill -0 $app && kill -0 $second; do sleep 0.2; done" 2>/dev/null ||
    fail "File > Exit ended neither window"
  "$wine" "$driver" wait-window 10000 || fail "File > Exit ended both windows"
  "$wine" "$driver" menu Exit
  timeout 30 tail --pid="$app" -f /dev/null || fail "File > Exit did not end vidloom.exe"
  timeout 30 tail --pid="$second" -f /dev/null || fail "File > Exit did not end the second"
  [ ! -e "$ini" ] || fail "File > Exit wrote the settings"
}

# --- the first round: the default folder ----------------------------------------------------
install
for f in "${installed_files[@]}"; do
  [ -f "$program_dir/$f" ] || fail "not installed: $f"
done
cmp -s "$program_dir/help.html" "$win_bin/help.html" || fail "help.html is not the manual"
# The Windows manual and help: where Windows keeps things, nothing of Linux.
grep -q 'APPDATA%\\Vidloom\\vazadi.ini' "$program_dir/help.html" || fail "help.html does not name %APPDATA%"
if grep -q -e '~/' -e 'file manager' -e 'terminal' -e '<!--' "$program_dir/help.html"; then
  fail "help.html keeps a Linux passage or a mark"
fi
cli_help=$("$wine" "$program_dir/vidloom-cli.exe" --help 2>/dev/null | tr -d '\r')
[[ $cli_help == *'%APPDATA%\Vidloom'* && $cli_help != *XDG_CONFIG_HOME* ]] ||
  fail "vidloom-cli --help names another place for vazadi.ini"
for f in vidloom.exe vidloom-cli.exe raziz2u.exe; do
  if [ -n "$(x86_64-w64-mingw32-nm "$program_dir/$f" 2>/dev/null)" ]; then
    fail "$f is installed with its symbols"
  fi
done

# The shortcut names the program and the icon (the target in the link's ANSI path, the icon in
# its UTF-16 strings).
if [ -f "$shortcut" ]; then
  grep -qaF 'C:\Program Files\Vidloom\vidloom.exe' "$shortcut" ||
    fail "the Start menu shortcut does not start C:\\Program Files\\Vidloom\\vidloom.exe"
  iconv -f UTF-16LE -t UTF-8 -c <"$shortcut" | grep -qaF 'C:\Program Files\Vidloom\vidloom.ico' ||
    fail "the Start menu shortcut does not show vidloom.ico"
else
  fail "no Start menu shortcut Vidloom.lnk"
fi

dir='C:\Program Files\Vidloom'
expect_value "$uninstall_key" DisplayName Vidloom
expect_value "$uninstall_key" DisplayVersion "$version"
expect_value "$uninstall_key" Publisher Korvane
expect_value "$uninstall_key" DisplayIcon "$dir\\vidloom.ico"
expect_value "$uninstall_key" InstallLocation "$dir"
expect_value "$uninstall_key" UninstallString "\"$dir\\uninstall.exe\""
expect_value "$uninstall_key" QuietUninstallString "\"$dir\\uninstall.exe\" /S"
expect_value "$uninstall_key" NoModify 0x1
expect_value "$uninstall_key" NoRepair 0x1
# EstimatedSize (KiB) within 2 % of what the folder holds.
size=$(reg_value "$uninstall_key" EstimatedSize) || size=0
actual=$(du -k --apparent-size -c "${installed_files[@]/#/$program_dir/}" | tail -n 1 | cut -f 1)
[ $((size * 50)) -ge $((actual * 49)) ] && [ $((size * 50)) -le $((actual * 51)) ] ||
  fail "EstimatedSize $((size)) KiB, the files take $actual KiB"

open_command="\"$dir\\vidloom.exe\" \"%1\""
expect_value "$classes\\Applications\\vidloom.exe" FriendlyAppName Vidloom
expect_value "$classes\\Applications\\vidloom.exe\\shell\\open\\command" "" "$open_command"
expect_value "$classes\\Applications\\vidloom.exe\\DefaultIcon" "" "$dir\\vidloom.ico"
expect_value "$classes\\Vidloom.MediaFile\\shell\\open\\command" "" "$open_command"
for ext in .avi .mp4 .mkv .mp3; do
  expect_value "$classes\\$ext\\OpenWithProgids" Vidloom.MediaFile ""
done
expect_value "$classes\\.mkv" "" OtherPlayer.mkv
expect_value "$classes\\.mkv\\OpenWithProgids" OtherPlayer.mkv ""
# Every extension: each in SupportedTypes and with our ProgID, and no other.
registry=$(machine_registry)
expect_extensions "SupportedTypes" "$(printf '%s\n' "$registry" |
  awk -v key='[Software\\Classes\\Applications\\vidloom.exe\\SupportedTypes]' \
    '/^\[/ { in_key = $0 == key; next } in_key && /^"/' | cut -d '"' -f 2 | sort)"
expect_extensions "The extensions with Open With" "$(printf '%s\n' "$registry" |
  awk '/^\[/ { key = $0; next } /^"Vidloom.MediaFile"=""$/ { print key }' |
  sed -n 's/^\[Software\\Classes\\\(\.[a-z0-9]*\)\\OpenWithProgids\]$/\1/p' | sort)"
for ext in "${left_out[@]}"; do
  if reg_value "$classes\\$ext\\OpenWithProgids" Vidloom.MediaFile >/dev/null; then
    fail "$ext, no media file, offers Vidloom"
  fi
done
[ "$(system_path)" = "$path_before" ] || fail "the PATH changed without /PATH: $(system_path)"
passed 0 "installed: ${#installed_files[@]} files, shortcut, Apps & features," \
  "Open With for ${#extensions[@]} types"

checked=$failures
while_installed
passed "$checked" "the installed programs at work"

# The user's settings, where the window keeps them (the program folder when writable, else
# %APPDATA%\Vidloom), and the converted file must outlive the program.
checked=$failures
echo "[Settings]" >"$program_dir/vazadi.ini"
appdata=$("$wine" cmd /c 'echo %APPDATA%' | tr -d '\r')
appdata_ini=$("$wine" winepath -u "$appdata\\Vidloom\\vazadi.ini" | tr -d '\r')
mkdir -p "$(dirname "$appdata_ini")"
echo "[Settings]" >"$appdata_ini"

# With vidloom.exe running, the uninstaller removes nothing. Silently (run in place, so that its
# exit status is its own) it ends with 2.
"$wine" "$program_dir/vidloom.exe" >/dev/null 2>&1 &
app=$!
"$wine" "$win_bin/window_driver.exe" wait-window 60000 || fail "vidloom.exe showed no window"
status=0
# (_?= must stand unquoted at the end of the command line, as a batch file writes it.)
printf '"C:\\Program Files\\Vidloom\\uninstall.exe" /S _?=C:\\Program Files\\Vidloom\r\nexit /b %%errorlevel%%\r\n' \
  >"$drive_c/in-place.bat"
"$wine" cmd /c 'C:\in-place.bat' >/dev/null || status=$?
[ "$status" = 2 ] || fail "the silent uninstall while Vidloom runs exited with $status, not 2"
for f in "${installed_files[@]}"; do
  [ -e "$program_dir/$f" ] || fail "removed while Vidloom runs: $f"
done
queried=()
reg_key_exists "$uninstall_key" || fail "the Apps & features entry went while Vidloom runs"
# In its window (started as Apps & features starts it) it asks; Retry while the program still
# runs asks again; closed, Retry goes on, and the confirmation page's Uninstall removes it all.
"$wine" "$program_dir/uninstall.exe" >/dev/null 2>&1 &
said=$("$wine" "$win_bin/window_driver.exe" answer "Vidloom Uninstall" 60000 | tr -d '\r') ||
  fail "no question while Vidloom runs"
[[ $said == "Vidloom is running."* ]] || fail "the uninstaller asked: $said"
"$wine" "$win_bin/window_driver.exe" menu Exit
timeout 30 tail --pid="$app" -f /dev/null || fail "File > Exit did not end vidloom.exe"
"$wine" "$win_bin/window_driver.exe" answer "Vidloom Uninstall" 60000 >/dev/null ||
  fail "the question did not come again after Retry"
"$wine" "$win_bin/window_driver.exe" press "Vidloom Uninstall" "Uninstall" 60000 ||
  fail "no confirmation page"
"$wine" "$win_bin/window_driver.exe" press "Vidloom Uninstall" "Close" 120000 ||
  fail "the uninstaller did not finish"
"$wineserver" -w
queried=()
for f in "${installed_files[@]}"; do
  [ ! -e "$program_dir/$f" ] || fail "left after uninstalling: $f"
done
[ "$(ls -A "$program_dir" 2>&1)" = vazadi.ini ] ||
  fail "the program folder should hold only vazadi.ini: $(ls -A "$program_dir" 2>&1)"
[ -f "$appdata_ini" ] || fail "the uninstaller removed %APPDATA%\\Vidloom\\vazadi.ini"
[ -f "$drive_c/Converted Video/tone.mp3" ] || fail "the uninstaller removed a converted file"
[ ! -e "$shortcut" ] || fail "the Start menu shortcut is left"
for key in "$uninstall_key" "$classes\\Applications\\vidloom.exe" "$classes\\Vidloom.MediaFile" \
  "$classes\\.avi" "$classes\\.mp4"; do
  if reg_key_exists "$key"; then fail "left after uninstalling: $key"; fi
done
expect_value "$classes\\.mkv" "" OtherPlayer.mkv
expect_value "$classes\\.mkv\\OpenWithProgids" OtherPlayer.mkv ""
if reg_value "$classes\\.mkv\\OpenWithProgids" Vidloom.MediaFile >/dev/null; then
  fail ".mkv still offers Vidloom"
fi
left=$(machine_registry | awk '/^\[/ { key = $0 } tolower($0) ~ /vidloom/ {
  print (key == $0 ? key : key " " $0) }' | head)
[ -z "$left" ] || fail "the registry still names Vidloom:"$'\n'"$left"
passed "$checked" "uninstalled: settings and converted files kept, .mkv's program untouched"

# --- the second round: a folder of the user's choice, left empty, and on the PATH ---------------
checked=$failures
program_dir=$drive_c/Apps/Vidloom
install /PATH '/D=C:\Apps\Vidloom'
[ -f "$program_dir/vidloom.exe" ] || fail "/D: nothing installed in C:\\Apps\\Vidloom"
[ "$(system_path)" = "$path_before;C:\Apps\Vidloom" ] ||
  fail "/PATH: the PATH is $(system_path)"
version_said=$("$wine" cmd /c "vidloom-cli --version" 2>/dev/null | tr -d '\r')
[[ $version_said == "vidloom-cli (Vidloom) $version" ]] ||
  fail "/PATH: vidloom-cli from a command prompt said: $version_said"
expect_value "$uninstall_key" InstallLocation 'C:\Apps\Vidloom'
expect_value "$classes\\Applications\\vidloom.exe\\shell\\open\\command" "" \
  '"C:\Apps\Vidloom\vidloom.exe" "%1"'
uninstall
[ ! -e "$program_dir" ] || fail "the empty program folder is left: $(ls -A "$program_dir")"
[ "$(system_path)" = "$path_before" ] || fail "the PATH entry is left: $(system_path)"
[ -d "$drive_c/Apps" ] || fail "the uninstaller removed the folder above the program folder"
if reg_key_exists "$uninstall_key"; then fail "left after the second uninstall: $uninstall_key"; fi
passed "$checked" "chosen folder and PATH: installed, then removed with the program"

# --- the third round: the installer's pages, and "Run Vidloom" on the last --------------------
checked=$failures
program_dir=$drive_c/Run/Vidloom
"$wine" "$installer" '/D=C:\Run\Vidloom' >/dev/null 2>&1 &
driver=$win_bin/window_driver.exe
"$wine" "$driver" press "Vidloom Setup" "Next >" 60000 || fail "no components page"
"$wine" "$driver" press "Vidloom Setup" "Install" 60000 || fail "no folder page"
[ "$("$wine" "$driver" checked "Vidloom Setup" "Run Vidloom" 120000 | tr -d '\r')" = 1 ] ||
  fail "the last page has no ticked \"Run Vidloom\""
"$wine" "$driver" press "Vidloom Setup" "Finish" 10000 || fail "no Finish button"
"$wine" "$driver" wait-window 60000 || fail "\"Run Vidloom\" did not start the program"
"$wine" "$driver" menu Exit
"$wine" "$driver" wait-gone 30000 || fail "the program started from the installer did not end"
"$wineserver" -w
queried=()
[ -f "$program_dir/vidloom.exe" ] || fail "the installer's pages installed nothing"
uninstall
[ ! -e "$program_dir" ] || fail "the third round's folder is left: $(ls -A "$program_dir")"
passed "$checked" "the installer's pages: installed and Run Vidloom"

echo "$((SECONDS - start)) s, $failures failure(s)"
[ "$failures" -eq 0 ]
