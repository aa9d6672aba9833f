#!/usr/bin/env bash
# Runs a command inside a fresh Wine session: a new 32-bit prefix in a
# temporary folder, an X display (Xvfb) with a window manager, audio silenced.
# Every Wine call of the session sees the same DISPLAY and WINEPREFIX.
#   tests/wine/session.sh COMMAND [ARGS...]
set -euo pipefail

session=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-wine.XXXXXX")
export WINEPREFIX="$session/prefix"
export WINEARCH=win32
export WINEDLLOVERRIDES="mscoree,mshtml="
export WINEDEBUG=-all
export TARNWICK_WINE_SESSION="$session"

xvfb_pid=""
openbox_pid=""
cleanup() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$openbox_pid" ] && kill "$openbox_pid" >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
  rm -rf "$session"
}
trap cleanup EXIT

# A free display number.
display=90
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
export DISPLAY=":$display"
for _ in $(seq 1 50); do
  [ -e "/tmp/.X11-unix/X$display" ] && break
  sleep 0.2
done
openbox >/dev/null 2>&1 &
openbox_pid=$!

started=$(date +%s)
# One wine server for the whole session: left to itself it ends a few
# seconds after its last program, and a program that connects just then is
# refused ("recvmsg: Connection reset by peer").
mkdir -p "$WINEPREFIX"
wineserver -p
timeout 180 wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\Drivers' /v Audio /d "" /f >/dev/null 2>&1
echo "Wine prefix ready in $(( $(date +%s) - started )) s: $WINEPREFIX (display $DISPLAY)"

"$@"
