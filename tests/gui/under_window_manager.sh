#!/usr/bin/env bash
# Runs a test program as a person meets the windows: on a virtual X display (Xvfb) with a real
# window manager (openbox) that stacks, activates and decorates them. Usage:
#   under_window_manager.sh PROGRAM [ARGS...]
set -euo pipefail
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  # The manager is up once it has announced itself on the root window.
  for _ in $(seq 200); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q "window id" && break
    sleep 0.05
  done
  status=0
  QT_QPA_PLATFORM=xcb VIDLOOM_TEST_WINDOW_MANAGER=1 "$@" || status=$?
  kill "$wm" 2>/dev/null || true
  exit "$status"
' bash "$@"
