#!/usr/bin/env bash
# The layer check on the real tree (it passes) and on copies with one planted include each: an
# include reaching up, one without a folder that is not beside its source, an angle-bracket one
# naming our folder, and a folder the table leaves out. Each copy must fail, naming what it found.
# Usage: layers_test.sh CMAKE SOURCE_DIR
set -uo pipefail
cmake=$1 source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
check() {
  "$cmake" -DVIDLOOM_SOURCE_DIR="$1" -P "$source/cmake/LayerCheck.cmake" >"$work/said" 2>&1
}
check "$source" || { echo "FAIL: the tree itself: $(cat "$work/said")"; status=1; }

plant() {  # FILE LINE EXPECTED: a copy with LINE added to src/FILE fails naming EXPECTED
  rm -rf "$work/tree" && mkdir -p "$work/tree" && cp -r "$source/src" "$work/tree/"
  mkdir -p "$(dirname "$work/tree/src/$1")"
  echo "$2" >>"$work/tree/src/$1"
  if check "$work/tree"; then
    echo "FAIL: $1 with '$2' passed"
    status=1
  elif ! grep -qF "$3" "$work/said"; then
    echo "FAIL: $1 with '$2' failed without naming '$3': $(cat "$work/said")"
    status=1
  fi
}
plant pipeline/batch_driver.cpp '#include "win32/app.h"' 'src/pipeline/batch_driver.cpp'
plant pipeline/batch_driver.cpp '#include "main_window.h"' 'not beside it'
plant pipeline/batch_driver.h '#include "model/forms.h"' 'src/pipeline/batch_driver.h'
plant cli/main.cpp '#include <gui/app.h>' 'src/cli/main.cpp'
plant model/dialogs.h '  #  include "window_logic/main_window.h"' 'src/model/dialogs.h'
plant extra2/thing.h '#include "model/dialogs.h"' 'src/extra2: a folder without a layer'
[ $status -eq 0 ] && echo "ok: the layer check sees every include"
exit $status
