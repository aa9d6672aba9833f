#!/usr/bin/env bash
# A report that cannot be written: C:\SystemInfo.ini held open without
# sharing by another program, as an editor holds it. The console program says
# so on standard error and exits 1; Tarnwick.exe shows one message over its
# list, and the list still holds every row the run found.
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
close_with Escape "$main" "the main dialog"
status=0
wait_exit "$tarnwick" 30 || status=$?
[ "$status" -eq 0 ] || fail "Tarnwick.exe ended with status $status (124: still running)"
log "passed"
