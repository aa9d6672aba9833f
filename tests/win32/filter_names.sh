#!/usr/bin/env bash
# The "Filter Name" entries tarnwick-cli.exe writes under Wine are the ones
# filter_probe.exe enumerates in the same categories, in the same order, and
# Wine's own filters are among them.
#   filter_names.sh CLI_EXE PROBE_EXE WORK_DIR
set -euo pipefail
cli=$(realpath "$1") probe=$(realpath "$2") work=$3
rm -rf "$work"
mkdir -p "$work"

(cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli" > "$work/cli.txt")
awk '{ sub(/\r$/, "") } /^\[/ { inside = ($0 == "[Filter Name]"); next } inside && $0 != ""' \
  "$WINEPREFIX/drive_c/SystemInfo.ini" > "$work/report.txt"
timeout 120 wine "$probe" 2> "$work/probe-status.txt" | tr -d '\r' > "$work/probe.txt"
tr -d '\r' < "$work/probe-status.txt"

if ! diff -u "$work/probe.txt" "$work/report.txt"; then
  echo "FAILED: the report's filters differ from the enumeration"
  exit 1
fi
if ! grep -q '^DirectShow Filters 0=' "$work/report.txt"; then
  echo "FAILED: no Wine filter listed"
  exit 1
fi
echo "ok: $(wc -l < "$work/report.txt") filter names agree"
