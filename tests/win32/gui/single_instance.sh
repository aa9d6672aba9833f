#!/usr/bin/env bash
# Only one Tarnwick.exe at a time: a second start, while the first shows its
# notice or its list, ends at once without a window, whatever the program's
# file is called; once the first has closed, the next start runs normally.
#   single_instance.sh TARNWICK_EXE LIST_PROBE_EXE ARTIFACTS_DIR
set -euo pipefail
[ $# -eq 3 ] || {
  echo "usage: $0 TARNWICK_EXE LIST_PROBE_EXE ARTIFACTS_DIR" >&2
  exit 2
}
gui_name=gui_single_instance
artifacts=$3
# shellcheck source=tests/win32/gui/common.sh
source "$(dirname "$0")/common.sh"

rm -f "$artifacts/$gui_name-failure.png"
program=$(install_copy Tarnwick Tarnwick.exe "$1")
renamed=$(install_copy "Second Copy" "Tarnwick Again.exe" "$1")
probe=$(install_copy Tarnwick list_probe.exe "$2")

# refused WINDOWS_PATH WHILE: starts the program while another instance runs;
# it must end by itself within 15 s, successfully, leaving the set of
# visible windows as it was.
refused() {
  local before after status=0
  before=$(xdotool search --onlyvisible --name '.*' 2>/dev/null | sort || true)
  timeout --kill-after=5 15 wine "$1" >"$work/refused.log" 2>&1 || status=$?
  case $status in 124 | 137) fail "a second instance ($1) still ran after 15 s, $2" ;; esac
  [ "$status" -eq 0 ] || fail "a second instance ($1) ended with status $status, $2"
  after=$(xdotool search --onlyvisible --name '.*' 2>/dev/null | sort || true)
  [ "$before" = "$after" ] || fail "a second instance ($1) changed the windows on screen, $2"
  log "second instance $1 refused, $2"
}

log "starting the first instance"
start_program "$program"
first=$last_pid
notice=$(wait_window '^Tarnwick$' 60) || fail "no notice from the first instance within 60 s"

refused "$program" "while the notice is on screen"
refused "$renamed" "while the notice is on screen"
window_visible "$notice" || fail "the first instance's notice went away"
kill -0 "$first" 2>/dev/null || fail "the first instance ended"

close_with Return "$notice" "the notice"
timeout 150 wine "$probe" --wait 120 >/dev/null || fail "no main dialog within 120 s of the notice"
main=$(wait_window '^Tarnwick$' 10) || fail "the main dialog is not on screen"

refused "$program" "while the main dialog is on screen"
window_visible "$main" || fail "the first instance's dialog went away"

close_with Escape "$main" "the main dialog"
status=0
wait_exit "$first" 30 || status=$?
[ "$status" -ne 124 ] || fail "the first instance still runs 30 s after its dialog closed"
[ "$status" -eq 0 ] || fail "the first instance ended with status $status"
log "first instance ended"

# The lock went with the first instance: a new start runs normally.
start_program "$program"
next=$last_pid
notice=$(wait_window '^Tarnwick$' 60) || fail "no notice from a start after the first instance ended"
close_with Return "$notice" "the notice of the next start"
timeout 150 wine "$probe" --wait 120 >/dev/null || fail "no main dialog of the next start within 120 s"
main=$(wait_window '^Tarnwick$' 10) || fail "the next start's dialog is not on screen"
close_with Escape "$main" "the next start's dialog"
status=0
wait_exit "$next" 30 || status=$?
[ "$status" -eq 0 ] || fail "the next start ended with status $status (124: still running)"
log "passed"
