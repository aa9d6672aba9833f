#!/usr/bin/env bash
# A report that cannot be written: C:\SystemInfo.ini held open without
# sharing by another program, as an editor holds it. The console program says
# so on standard error and exits 1, writing this run's complete report beside
# itself (or, with that folder held too, to the Desktop) and naming it;
# Tarnwick.exe shows one message over its list, the list still holds every
# row the run found, and its copy is complete too. A folder as --output is
# refused with 2; NUL discards the report.
#   report_locked.sh TARNWICK_EXE TARNWICK_CLI_EXE LIST_PROBE_EXE HOLD_FILE_EXE ARTIFACTS_DIR
set -euo pipefail
[ $# -eq 5 ] || {
  echo "usage: $0 TARNWICK_EXE TARNWICK_CLI_EXE LIST_PROBE_EXE HOLD_FILE_EXE ARTIFACTS_DIR" >&2
  exit 2
}
gui_name=gui_report_locked
artifacts=$5
# shellcheck source=tests/win32/gui/common.sh
source "$(dirname "$0")/common.sh"

rm -f "$artifacts"/{report-locked,"$gui_name"-failure}.png
program=$(install_copy Tarnwick Tarnwick.exe "$1")
cli=$(install_copy Tarnwick tarnwick-cli.exe "$2")
probe=$(install_copy Tarnwick list_probe.exe "$3")
holder=$(install_copy Tarnwick hold_file.exe "$4")
rm -f "$drive_c/SystemInfo.ini"

start_program "$holder" 'C:\SystemInfo.ini' 240
deadline=$((SECONDS + 60))
until grep -q held "$work"/hold_file.exe.*.log 2>/dev/null; do
  [ "$SECONDS" -lt "$deadline" ] || fail "hold_file.exe did not take C:\\SystemInfo.ini within 60 s"
  sleep 0.2
done
log "C:\\SystemInfo.ini is held"

status=0
timeout 120 wine "$cli" --no-copy >"$work/cli.out" 2>"$work/cli.err" || status=$?
tr -d '\r' <"$work/cli.out" >"$work/cli.txt"
tr -d '\r' <"$work/cli.err" >"$work/cli.msg"
[ "$status" -eq 1 ] || fail "tarnwick-cli.exe ended with $status on a held report, not 1"
grep -q "C:\\\\SystemInfo.ini could not be removed, and this run's entries could not all be written" "$work/cli.msg" ||
  fail "tarnwick-cli.exe did not say so: $(cat "$work/cli.msg")"
expected=$(sed -n 's/^\([0-9][0-9]*\) entries$/\1/p' "$work/cli.txt" | tail -n 1)
[ -n "$expected" ] && [ "$expected" -gt 1 ] || fail "tarnwick-cli.exe printed no entry count"
log "tarnwick-cli.exe: exit 1, $expected entries, '$(head -n 1 "$work/cli.msg")'"

# complete_report FILE WHAT: FILE holds a complete report of a run, not the
# held one nor a stale copy.
complete_report() {
  [ -f "$1" ] || fail "$2: no file $1"
  head -c 34 "$1" | cmp -s - <(printf '[Tool Version]\r\nTool Version=2.5\r\n') || fail "$2 does not begin with the tool's version"
  ! grep -q -e '^\[Held\]' -e '^\[Stale\]' "$1" || fail "$2 holds the held report or the stale copy"
  [ "$(tail -c 4 "$1" | od -An -tx1 | tr -d ' ')" = 0d0a0d0a ] || fail "$2 does not end with a separator"
}

# With the copy: it is this run's complete report, and the message names it.
copy="$drive_c/Tarnwick/SystemInfo.ini"
printf '[Stale]\r\nFrom=an earlier run\r\n' >"$copy"
status=0
timeout 120 wine "$cli" >/dev/null 2>"$work/copy.err" || status=$?
[ "$status" -eq 1 ] || fail "tarnwick-cli.exe ended with $status on a held report with its copy, not 1"
grep -q 'the complete report of this run is C:\\Tarnwick\\SystemInfo.ini: send that file' "$work/copy.err" ||
  fail "tarnwick-cli.exe did not name the complete copy: $(cat "$work/copy.err")"
complete_report "$copy" "the copy beside tarnwick-cli.exe"
log "the copy beside the program is this run's complete report"

# The program's folder held too: the complete report goes to the Desktop,
# and the message names it.
printf '[Stale]\r\nFrom=an earlier run\r\n' >"$copy"
start_program "$holder" 'C:\Tarnwick\SystemInfo.ini' 240
copy_holder=$last_pid
until [ "$(grep -l held "$work"/hold_file.exe.*.log 2>/dev/null | wc -l)" -ge 2 ]; do
  [ "$SECONDS" -lt "$deadline" ] || fail "hold_file.exe did not take the copy"
  sleep 0.2
done
status=0
timeout 120 wine "$cli" >/dev/null 2>"$work/desktop.err" || status=$?
tr -d '\r' <"$work/desktop.err" >"$work/desktop.msg"
[ "$status" -eq 1 ] || fail "tarnwick-cli.exe ended with $status with both places held, not 1"
desktop=$(sed -n 's/^tarnwick-cli: the complete report of this run is \(.*\): send that file$/\1/p' "$work/desktop.msg")
case "$desktop" in
  *\\Desktop\\SystemInfo.ini) ;;
  *) fail "the complete report is not on the Desktop: $(cat "$work/desktop.msg")" ;;
esac
desktop_file=$(winepath -u "$desktop" 2>/dev/null)
complete_report "$desktop_file" "the report on the Desktop"
rm -f "$desktop_file"
kill "$copy_holder" 2>/dev/null || true
wait_exit "$copy_holder" 30 || true
log "with the program's folder held, the complete report is $desktop"

# A folder named as the report is refused before anything is written; the
# null device takes the report and keeps nothing.
mkdir -p "$drive_c/a folder"
status=0
timeout 120 wine "$cli" --output 'C:\a folder' >/dev/null 2>"$work/folder.err" || status=$?
[ "$status" -eq 2 ] || fail "a folder as --output ended with $status, not 2"
grep -qF "cannot write the report to 'C:\\a folder': it is a folder" "$work/folder.err" ||
  fail "the refusal does not say what is there: $(cat "$work/folder.err")"
[ -d "$drive_c/a folder" ] && [ -z "$(ls -A "$drive_c/a folder")" ] || fail "the folder was changed"
status=0
(cd "$work" && timeout 120 wine "$cli" --output NUL --no-copy >"$work/discard.out" 2>&1) || status=$?
[ "$status" -eq 0 ] || fail "--output NUL ended with $status: $(cat "$work/discard.out")"
tr -d '\r' <"$work/discard.out" | grep -q '^Report discarded (NUL)$' || fail "--output NUL did not say the report was discarded"
[ -z "$(find "$work" -iname 'nul*')" ] || fail "--output NUL made a file"
log "a folder as the report is refused (2), NUL discards it"

start_program "$program"
tarnwick=$last_pid
notice=$(wait_window '^Tarnwick$' 60) || fail "no notice within 60 s"
close_with Return "$notice" "the notice"
message=$(wait_window '^Tarnwick report$' 120) || fail "no message about the report within 120 s of the notice"
sleep 0.5
screenshot report-locked
[ "$(visible_windows '^Tarnwick report$' | wc -l)" -eq 1 ] || fail "more than one message about the report"
count=$(timeout 60 wine "$probe" | tr -d '\r') || fail "list_probe.exe found no main dialog behind the message"
[ "$count" = "$expected" ] || fail "the list holds $count rows, the run found $expected"
log "the list holds all $count rows behind the message"
close_with Return "$message" "the message about the report"
main=$(wait_window '^Tarnwick$' 10) || fail "the main dialog is not on screen after the message"
note=$(timeout 60 wine "$probe" --note | tr -d '\r') || fail "list_probe.exe read no line above the list"
[ "$note" = 'The releated system information save in C:\Tarnwick\SystemInfo.ini' ] ||
  fail "the line above the list does not name the complete copy: $note"
log "the dialog says: $note"
close_with Escape "$main" "the main dialog"
complete_report "$drive_c/Tarnwick/SystemInfo.ini" "the copy beside Tarnwick.exe"
status=0
wait_exit "$tarnwick" 30 || status=$?
[ "$status" -eq 0 ] || fail "Tarnwick.exe ended with status $status (124: still running)"
log "passed"
