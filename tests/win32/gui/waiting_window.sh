#!/usr/bin/env bash
# The waiting window while the run waits seconds in one platform call (a
# video capture filter whose creation sleeps): it shows the running step in
# words, the step changes, it paints itself again after another window
# covered it, and keys typed at it never reach the main dialog.
#   waiting_window.sh TARNWICK_EXE LIST_PROBE_EXE SLOW_FILTER_DLL ARTIFACTS_DIR
# Screenshots: waiting-covered.png and waiting-uncovered.png (the window's
# area under the covering window and after it went).
set -euo pipefail
[ $# -eq 4 ] || {
  echo "usage: $0 TARNWICK_EXE LIST_PROBE_EXE SLOW_FILTER_DLL ARTIFACTS_DIR" >&2
  exit 2
}
gui_name=gui_waiting_window
artifacts=$4
# shellcheck source=tests/win32/gui/common.sh
source "$(dirname "$0")/common.sh"

rm -f "$artifacts"/{waiting-covered,waiting-uncovered,"$gui_name"-failure}.png
program=$(install_copy Tarnwick Tarnwick.exe "$1")
probe=$(install_copy Tarnwick list_probe.exe "$2")
filter=$(install_copy "Tarnwick Test" slow_filter.dll "$3")
slow_step="Reading the TV tuner's settings"

gui_undo() { timeout 60 wine regsvr32 /s /u "$filter" >/dev/null 2>&1; }
timeout 60 wine regsvr32 /s "$filter" >/dev/null 2>&1 || fail "regsvr32 cannot register slow_filter.dll"

start_program "$program"
tarnwick=$last_pid
notice=$(wait_window '^Tarnwick$' 60) || fail "no notice within 60 s"
# The steps, read from outside while the run works.
timeout 200 wine "$probe" --steps 180 >"$work/steps.txt" 2>&1 &
steps_pid=$!
gui_pids+=("$steps_pid")
close_with Return "$notice" "the notice"

# The waiting window: Tarnwick's window without a title.
deadline=$((SECONDS + 90))
wait_id=""
while [ -z "$wait_id" ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "no waiting window within 90 s of the notice"
  for id in $(xdotool search --onlyvisible --class '^tarnwick\.exe$' 2>/dev/null || true); do
    [ -z "$(xdotool getwindowname "$id" 2>/dev/null || true)" ] && wait_id=$id
  done
  [ -n "$wait_id" ] || sleep 0.1
done
log "waiting window $wait_id"

# Into the slow step: the run's thread now sleeps in the filter's creation.
deadline=$((SECONDS + 90))
until tr -d '\r' <"$work/steps.txt" | grep -qxF "$slow_step"; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the waiting window never showed \"$slow_step\": $(cat "$work/steps.txt")"
  sleep 0.1
done
eval "$(xdotool getwindowgeometry --shell "$wait_id")"
area="${WIDTH}x${HEIGHT}+${X}+${Y}"
log "the run waits in \"$slow_step\"; the window's area is $area"

# Keys typed at the waiting window are meant for no dialog.
xdotool windowactivate "$wait_id" >/dev/null 2>&1 || true
xdotool key Escape Return Escape

# Covered by a plain red window of its size, then uncovered.
convert -size "${WIDTH}x${HEIGHT}" xc:red "$work/red.png"
display -geometry "+${X}+${Y}" -title cover "$work/red.png" &
cover_pid=$!
gui_pids+=("$cover_pid")
cover=$(wait_window '^cover$' 20) || fail "the covering window did not come"
xdotool windowmove "$cover" "$X" "$Y" windowraise "$cover" >/dev/null 2>&1 || true
sleep 1
import -window root -crop "$area" +repage "$artifacts/waiting-covered.png"
kill "$cover_pid" 2>/dev/null || true
wait_gone "$cover" 10 || fail "the covering window does not go"
sleep 1
import -window root -crop "$area" +repage "$artifacts/waiting-uncovered.png"
log "screenshots $artifacts/waiting-covered.png $artifacts/waiting-uncovered.png"
[ "$(tr -d '\r' <"$work/steps.txt" | tail -n 1)" = "$slow_step" ] ||
  fail "the step changed before the window was uncovered: the run was not waiting all along"

# Red share of each picture: all red while covered; the uncovered one is the
# window painted again (its own colours and text), not the cover's pixels.
red_share() { convert "$1" -fuzz 10% -fill black +opaque red -fill white -opaque red -format '%[fx:mean]' info:; }
covered=$(red_share "$artifacts/waiting-covered.png")
uncovered=$(red_share "$artifacts/waiting-uncovered.png")
log "red share covered $covered, uncovered $uncovered"
awk -v share="$covered" 'BEGIN { exit !(share > 0.9) }' || fail "the cover did not cover the waiting window ($covered red)"
awk -v share="$uncovered" 'BEGIN { exit !(share < 0.05) }' ||
  fail "the waiting window was not painted again after it was uncovered ($uncovered red)"
[ "$(convert "$artifacts/waiting-uncovered.png" -format '%[fx:standard_deviation > 0.02]' info:)" = 1 ] ||
  fail "the uncovered waiting window shows no text"

main=""
deadline=$((SECONDS + 120))
until main=$(visible_windows '^Tarnwick$' | head -n 1) && [ -n "$main" ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "no main dialog within 120 s"
  kill -0 "$tarnwick" 2>/dev/null || fail "Tarnwick.exe ended before its main dialog came (keys typed during the run closed it?)"
  sleep 0.2
done
wait_exit "$steps_pid" 30 || fail "list_probe.exe saw fewer than two steps: $(cat "$work/steps.txt")"
log "steps seen: $(tr -d '\r' <"$work/steps.txt" | paste -sd '|')"
[ "$(tr -d '\r' <"$work/steps.txt" | sort -u | wc -l)" -ge 2 ] || fail "fewer than two different steps"
# The keys typed during the run did not close it.
sleep 2
window_visible "$main" || fail "the main dialog closed by itself: keys typed during the run reached it"
close_with Escape "$main" "the main dialog"
status=0
wait_exit "$tarnwick" 30 || status=$?
[ "$status" -eq 0 ] || fail "Tarnwick.exe ended with status $status (124: still running)"
log "passed"
