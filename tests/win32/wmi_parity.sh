#!/usr/bin/env bash
# The "MB Info" entries tarnwick-cli.exe lists from WMI (every row of the
# section but the System device drivers "DriverDescN"), in order, against the
# lines wmi_probe.exe prints from Wine's WMI; prints the entries it compared.
#   wmi_parity.sh PROBE_EXE CLI_EXE WORK_DIR
set -euo pipefail
probe=$(realpath "$1") cli=$(realpath "$2") work=$3
rm -rf "$work"
mkdir -p "$work"

timeout 60 wine "$probe" | tr -d '\r' > "$work/probe.tsv"
(cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli") | tr -d '\r' > "$work/cli.txt"

# The list is a table whose header line places the columns.
awk 'BEGIN { OFS = "\t" }
  !started && /^Section +Parameter +Value/ { key = index($0, "Parameter"); value = index($0, "Value"); started = 1; next }
  started && $0 == "" { exit }
  started {
    section = substr($0, 1, key - 1); sub(/ +$/, "", section)
    name = substr($0, key, value - key); sub(/ +$/, "", name)
    if (section == "MB Info" && name !~ /^DriverDesc[0-9]+$/) print section, name, substr($0, value)
  }' "$work/cli.txt" > "$work/cli.tsv"

echo "MB Info entries from WMI, as tarnwick-cli.exe lists them:"
sed 's/^/  /' "$work/cli.tsv"
if [ ! -s "$work/probe.tsv" ]; then
  echo "FAILED: WMI gave no base board text"; exit 1
fi
# The report file holds the last object's values under the same keys.
last=$(tail -n 1 "$work/probe.tsv" | cut -f 2- | sed 's/\t/=/')
if ! tr -d '\r' < "$WINEPREFIX/drive_c/SystemInfo.ini" | grep -qxF -- "$last"; then
  echo "FAILED: the report lacks the entry $last"; exit 1
fi
diff -u "$work/probe.tsv" "$work/cli.tsv"
echo "ok: $(wc -l < "$work/cli.tsv") entries agree"
