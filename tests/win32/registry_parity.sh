#!/usr/bin/env bash
# Parity of the registry layers under Wine:
#  1. parity/registry.reg read natively through the replay layer and, imported
#     with Wine's regedit, through the Win32 layer print the same tree;
#  2. Wine's own export of that tree, read natively, prints the same again;
#  3. the registry-driven entries listed in parity/compared.tsv are the same in
#     the report of tarnwick-replay and in that of tarnwick-cli.exe.
#   registry_parity.sh WIN_DUMP NATIVE_DUMP CLI_EXE REPLAY MACHINE_DIR WORK_DIR
set -euo pipefail
win_dump=$(realpath "$1") native_dump=$2 cli=$(realpath "$3") replay=$4 machine=$5 work=$6
rm -rf "$work"
mkdir -p "$work"
failures=0
compare() {  # name expected actual
  if diff -u "$2" "$3" > "$work/$1.diff"; then
    echo "ok: $1"
  else
    echo "FAILED: $1"; cat "$work/$1.diff"; failures=$((failures + 1))
  fi
}

machine_roots=('HKLM\SOFTWARE\TarnwickParity' 'HKCU\Software\TarnwickParity')
timeout 60 wine regedit /S "$(winepath -w "$machine/registry.reg")"
timeout 60 wine "$win_dump" "${machine_roots[@]}" | tr -d '\r' > "$work/wine.txt"
"$native_dump" "$machine/registry.reg" "${machine_roots[@]}" > "$work/native.txt"
compare layers "$work/native.txt" "$work/wine.txt"

timeout 60 wine regedit /E "$(winepath -w "$work/exported.reg")" 'HKEY_LOCAL_MACHINE\SOFTWARE\TarnwickParity'
timeout 60 wine "$win_dump" "${machine_roots[0]}" | tr -d '\r' > "$work/wine-machine.txt"
"$native_dump" "$work/exported.reg" "${machine_roots[0]}" > "$work/exported.txt"
compare wine_export "$work/wine-machine.txt" "$work/exported.txt"

"$replay" "$machine" "$work/replay" > /dev/null
(cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli" > /dev/null)
entry() {  # report section key: the entry's value line, or "(none)"
  awk -v name="[$2]" -v key="$3" 'BEGIN { FS = "=" }
    { sub(/\r$/, "") } /^\[/ { inside = ($0 == name); next }
    inside && $1 == key { print substr($0, length(key) + 2); found = 1; exit }
    END { if (!found) print "(none)" }' "$1"
}
: > "$work/replay-rows.txt"
: > "$work/wine-rows.txt"
while IFS=$'\t' read -r section key; do
  echo "$section/$key=$(entry "$work/replay/drive_c/SystemInfo.ini" "$section" "$key")" >> "$work/replay-rows.txt"
  echo "$section/$key=$(entry "$WINEPREFIX/drive_c/SystemInfo.ini" "$section" "$key")" >> "$work/wine-rows.txt"
done < "$machine/compared.tsv"
compare report_entries "$work/replay-rows.txt" "$work/wine-rows.txt"

echo "$((3 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
