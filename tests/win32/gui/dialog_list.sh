#!/usr/bin/env bash
# The main dialog with the finished list: whole rows selected, columns fitted
# to their content, resized and maximised (the list grows, Close keeps its
# place at the bottom-right, never smaller than at first), Enter in the list
# does nothing, three rows copied with Ctrl+C, all rows with Ctrl+A and the
# context menu's "Copy".
#   dialog_list.sh TARNWICK_EXE LIST_PROBE_EXE ARTIFACTS_DIR
# Screenshots: resized-dialog.png (three rows selected), maximised-dialog.png.
set -euo pipefail
[ $# -eq 3 ] || {
  echo "usage: $0 TARNWICK_EXE LIST_PROBE_EXE ARTIFACTS_DIR" >&2
  exit 2
}
gui_name=gui_dialog_list
artifacts=$3
# shellcheck source=tests/win32/gui/common.sh
source "$(dirname "$0")/common.sh"

rm -f "$artifacts"/{resized-dialog,maximised-dialog,"$gui_name"-failure}.png
program=$(install_copy Tarnwick Tarnwick.exe "$1")
probe=$(install_copy Tarnwick list_probe.exe "$2")

probe() { timeout 60 wine "$probe" "$@" | tr -d '\r'; }
# layout_value FILE NAME FIELD: one number of the probe's --layout lines.
layout_value() { awk -v name="$2" -v field="$3" '$1 == name { print $(field + 1) }' "$1"; }

start_program "$program"
tarnwick=$last_pid
notice=$(wait_window '^Tarnwick$' 60) || fail "no notice within 60 s"
close_with Return "$notice" "the notice"
rows=$(timeout 150 wine "$probe" --wait 120 | tr -d '\r') || fail "no main dialog within 120 s"
main=$(wait_window '^Tarnwick$' 10) || fail "the main dialog is not on screen"
log "main dialog $main with $rows rows"
sleep 1

probe --layout >"$work/first.txt"
log "first layout: $(paste -sd ' ' "$work/first.txt")"
[ "$(layout_value "$work/first.txt" fullrow 1)" = 1 ] || fail "the list does not select whole rows"
# Fitted to the content: never narrower than the first widths, never wider
# than 400 pixels; the keys of the filter categories need more than 130.
column=1
for first in 90 130 225; do
  width=$(layout_value "$work/first.txt" columns "$column")
  [ "$width" -ge "$first" ] && [ "$width" -le 400 ] || fail "column $column is $width pixels wide"
  column=$((column + 1))
done
[ "$(layout_value "$work/first.txt" columns 2)" -gt 130 ] || fail "the Parameter column was not fitted to its keys"

# Larger: the list grows with the window, Close keeps its corner distance.
xdotool windowsize "$main" 900 650
sleep 1.5
probe --layout >"$work/resized.txt"
log "resized layout: $(paste -sd ' ' "$work/resized.txt")"
[ "$(layout_value "$work/resized.txt" list 4)" -gt "$(layout_value "$work/first.txt" list 4)" ] ||
  fail "the list did not grow taller"
[ "$(layout_value "$work/resized.txt" list 3)" -gt "$(layout_value "$work/first.txt" list 3)" ] ||
  fail "the list did not grow wider"
[ "$(grep '^close' "$work/resized.txt")" = "$(grep '^close' "$work/first.txt")" ] ||
  fail "the Close button moved against the bottom-right corner"

# Smaller than at first: held at the first size.
xdotool windowsize "$main" 200 120
sleep 1.5
probe --layout >"$work/small.txt"
for field in 1 2; do
  [ "$(layout_value "$work/small.txt" window "$field")" -ge "$(layout_value "$work/first.txt" window "$field")" ] ||
    fail "the dialog became smaller than at first: $(grep '^window' "$work/small.txt")"
done
xdotool windowsize "$main" 900 650
sleep 1.5

# Into the list (Close has the focus first), three rows from the fifth.
press Tab "$main" || fail "the main dialog does not take the focus"
xdotool key Down Down Down Down shift+Down shift+Down
sleep 0.5
xdotool key Return
sleep 1
window_visible "$main" || fail "Enter in the list closed the dialog"
xdotool key ctrl+c
sleep 1
probe --selected >"$work/selected.txt" || fail "cannot read the selected rows"
[ "$(grep -c $'\t' "$work/selected.txt")" = 3 ] || fail "not three rows selected: $(cat "$work/selected.txt")"
import -window "$main" "$artifacts/resized-dialog.png" || fail "no screenshot resized-dialog.png"
log "screenshot $artifacts/resized-dialog.png"
# The probe printed the rows with CR LF; the copy must be exactly them.
timeout 60 wine "$probe" --selected >"$work/selected.crlf"
for form in unicode text; do
  timeout 60 wine "$probe" --clipboard "$form" >"$work/clipboard.$form" || fail "no $form text on the clipboard"
  cmp -s "$work/clipboard.$form" "$work/selected.crlf" ||
    fail "the clipboard's $form differs from the selected rows: $(od -c "$work/clipboard.$form" | head -n 8)"
done
log "Ctrl+C copied: $(paste -sd '|' "$work/selected.txt")"

# Ctrl+A selects every row; the context menu's Copy (from the keyboard)
# copies them all, one line each.
xdotool key ctrl+a
sleep 1
selected=$(probe --selected | grep -c $'\t' || true)
[ "$selected" = "$rows" ] || fail "Ctrl+A selected $selected of $rows rows"
xdotool key shift+F10
sleep 1
# The menu opens with nothing highlighted: Down takes "Copy".
xdotool key Down Return
sleep 1
timeout 60 wine "$probe" --selected >"$work/all.crlf"
timeout 60 wine "$probe" --clipboard unicode >"$work/all.clipboard" || fail "nothing on the clipboard after Copy"
cmp -s "$work/all.clipboard" "$work/all.crlf" || fail "the context menu's Copy did not copy every selected row"

# Maximised: the list fills the screen's height.
timeout 60 wine "$probe" --syscommand 0xF030 || fail "cannot maximise"
sleep 1.5
probe --layout >"$work/maximised.txt"
[ "$(layout_value "$work/maximised.txt" list 4)" -gt "$(layout_value "$work/resized.txt" list 4)" ] ||
  fail "the list did not grow with the maximised window"
screenshot maximised-dialog

close_with Escape "$main" "the main dialog"
status=0
wait_exit "$tarnwick" 30 || status=$?
[ "$status" -eq 0 ] || fail "Tarnwick.exe ended with status $status (124: still running)"
log "passed"
