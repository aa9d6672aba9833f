# shellcheck shell=bash
# Shared by the GUI tests of Tarnwick.exe: programs started in the background
# under Wine and their clean-up, bounded waits on X windows, key presses and
# screenshots. Sourced by a test after `set -euo pipefail`, with gui_name and
# artifacts set; needs the session of tests/wine/session.sh.

: "${gui_name:?}" "${artifacts:?}"
if [ -z "${WINEPREFIX:-}" ] || [ -z "${DISPLAY:-}" ]; then
  echo "$gui_name: run inside tests/wine/session.sh (needs WINEPREFIX and DISPLAY)" >&2
  exit 1
fi
drive_c="$WINEPREFIX/drive_c"
mkdir -p "$artifacts"
# Program output and compared texts; removed at the end.
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-gui.XXXXXX")

# Upper bound on the life of any program started in the background.
program_bound=300

log() { printf '[%s %3ss] %s\n' "$gui_name" "$SECONDS" "$*"; }
fail() {
  log "FAIL: $*" >&2
  exit 1
}

gui_pids=()
gui_cleanup() {
  local status=$?
  if [ "$status" -ne 0 ]; then
    import -window root "$artifacts/$gui_name-failure.png" >/dev/null 2>&1 &&
      log "screen at the failure: $artifacts/$gui_name-failure.png"
    local program_log
    for program_log in "$work"/*.log; do
      [ -s "$program_log" ] || continue
      log "output of $(basename "$program_log"):"
      tail -n 20 "$program_log" | sed 's/^/    /'
    done
  fi
  local pid
  for pid in "${gui_pids[@]}"; do kill "$pid" >/dev/null 2>&1 || true; done
  for pid in "${gui_pids[@]}"; do wait "$pid" >/dev/null 2>&1 || true; done
  # What a test changed in the shared prefix is undone last.
  if declare -F gui_undo >/dev/null; then gui_undo || true; fi
  rm -rf "$work"
  exit "$status"
}
trap gui_cleanup EXIT

# start_program WINDOWS_PATH [ARGS...]: runs it under Wine in the background;
# its process id is left in last_pid, its output in $work/NAME.N.log.
last_pid=""
start_program() {
  local name=${1##*\\}
  local program_log="$work/$name.$((${#gui_pids[@]} + 1)).log"
  timeout --kill-after=5 "$program_bound" wine "$@" >"$program_log" 2>&1 &
  last_pid=$!
  gui_pids+=("$last_pid")
}

# wait_exit PID SECONDS: waits until that background program has ended and
# returns its exit status, or 124 when it still runs after SECONDS.
wait_exit() {
  local pid=$1 deadline=$((SECONDS + $2))
  while kill -0 "$pid" 2>/dev/null; do
    [ "$SECONDS" -lt "$deadline" ] || return 124
    sleep 0.2
  done
  local status=0
  wait "$pid" || status=$?
  return "$status"
}

# Ids of the visible windows whose title matches the regular expression.
visible_windows() { xdotool search --onlyvisible --name "$1" 2>/dev/null | sort || true; }

window_visible() { xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'; }

# wait_window TITLE_REGEX SECONDS: prints the id of the first visible window
# with a matching title; fails when none comes within SECONDS.
wait_window() {
  local deadline=$((SECONDS + $2)) ids
  while :; do
    ids=$(visible_windows "$1")
    if [ -n "$ids" ]; then
      echo "${ids%%$'\n'*}"
      return 0
    fi
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# wait_gone WINDOW_ID SECONDS
wait_gone() {
  local deadline=$((SECONDS + $2))
  while window_visible "$1"; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.2
  done
}

# press KEY WINDOW_ID: gives the window the focus, then types the key.
press() {
  local key=$1 id=$2 deadline=$((SECONDS + 10))
  xdotool windowactivate "$id" >/dev/null 2>&1 || true
  until [ "$(xdotool getactivewindow 2>/dev/null || true)" = "$id" ]; do
    [ "$SECONDS" -lt "$deadline" ] || return 1
    sleep 0.5
    xdotool windowactivate "$id" >/dev/null 2>&1 || true
  done
  # Wine takes over the X focus a moment after the window manager gives it.
  sleep 0.3
  xdotool key "$key"
}

# close_with KEY WINDOW_ID WHAT: presses the key until the window is gone
# (a key typed before Wine has set its focus is lost), at most three times.
close_with() {
  local attempt
  for attempt in 1 2 3; do
    press "$1" "$2" || fail "$3 ($2) does not take the focus"
    wait_gone "$2" 10 && return 0
    log "$3 still on screen after $1 (attempt $attempt)"
  done
  fail "$3 does not close with $1"
}

screenshot() {
  import -window root "$artifacts/$1.png" || fail "no screenshot $1.png"
  log "screenshot $artifacts/$1.png"
}

# install_copy FOLDER_UNDER_DRIVE_C NAME SOURCE: copies a program into the
# prefix; prints its Windows path.
install_copy() {
  mkdir -p "$drive_c/$1"
  cp "$3" "$drive_c/$1/$2"
  printf 'C:\\%s\\%s\n' "${1//\//\\}" "$2"
}
