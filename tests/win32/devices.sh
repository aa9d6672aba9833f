#!/usr/bin/env bash
# The device inventory under Wine against the replay layer:
#  1. the machine's registry.reg is imported with Wine's regedit, so Wine's
#     Setup API lists its device keys beside Wine's own devices;
#  2. device_probe.exe reads the device list through the Setup API itself;
#  3. the "System ID n" rows of tarnwick-cli.exe give each device's first
#     hardware ID as the probe read it (rewritten only where a known row
#     asks for the shorter device-ID form);
#  4. tarnwick-replay on the same registry.reg and the probe's list writes the
#     device sections of tarnwick-cli.exe byte for byte.
# The imported keys are removed again at the end.
#   devices.sh PROBE CLI_EXE REPLAY MACHINE_DIR WORK_DIR
set -euo pipefail
probe=$(realpath "$1") cli=$(realpath "$2") replay=$3 machine=$4 work=$5
rm -rf "$work"
mkdir -p "$work/machine"
failures=0
compare() {  # name expected actual
  if diff -u "$2" "$3" > "$work/$1.diff"; then
    echo "ok: $1"
  else
    echo "FAILED: $1"; cat "$work/$1.diff"; failures=$((failures + 1))
  fi
}

sed -n 's/^\[\(HKEY_[^]]*\)\]$/[-\1]/p' "$machine/registry.reg" | { echo REGEDIT4; echo; cat; } > "$work/remove.reg"
remove_keys() { timeout 60 wine regedit /S "$(winepath -w "$work/remove.reg")" || true; }
trap remove_keys EXIT
timeout 60 wine regedit /S "$(winepath -w "$machine/registry.reg")"
timeout 60 wine "$probe" | tr -d '\r' > "$work/machine/machine.json"
cp "$machine/registry.reg" "$work/machine/registry.reg"
(cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli" > /dev/null)
cp "$WINEPREFIX/drive_c/SystemInfo.ini" "$work/wine.ini"
"$replay" "$work/machine" "$work/replay" > /dev/null

# The device sections: from the first of their headers to the next other one,
# without the empty lines at their end (how many stand there depends on the
# steps after them, and the replayed machine has fewer of those).
device_sections() {
  awk 'BEGIN { d["[DeviceInfo]\r"]; d["[Media]\r"]; d["[System Device Info]\r"]; d["[USBInfo]\r"]; d["[USB Info]\r"] }
       /^\[/ { if ($0 in d) on = 1; else if (on) exit }
       on && /^\r?$/ { held = held $0 "\n"; next }
       on { printf "%s", held; held = ""; print }' "$1"
}
# The "System ID n" values, in device order.
system_ids() {
  awk '{ sub(/\r$/, "") } /^\[/ { inside = ($0 == "[System Device Info]"); next }
       inside && /^System ID [0-9]+=/ { sub(/^System ID [0-9]+=/, ""); print }' "$1"
}

# The probe's first IDs; a 30- or 36-character one may be written in its
# device-ID form, which keeps its first 21 characters.
grep -o '^  \(\[\("[^"]*"\)\?\|{"error": 13}\)' "$work/machine/machine.json" |
  sed -e 's/^  \[\?//' -e 's/^"//' -e 's/"$//' -e 's/^{"error": 13}$//' -e 's/\\\\/\\/g' > "$work/probe-ids.txt"
system_ids "$work/wine.ini" > "$work/wine-ids.txt"
paste -d '\n' "$work/probe-ids.txt" "$work/wine-ids.txt" | awk '
  NR % 2 == 1 { probe = $0; next }
  { shown = $0
    if (shown != probe && !((length(probe) == 30 || length(probe) == 36) && substr(shown, 1, 21) == substr(probe, 1, 21)))
      print "device " (NR / 2 - 1) ": probe read \"" probe "\", report shows \"" shown "\"" }' > "$work/id-mismatches.txt"
echo "$(wc -l < "$work/probe-ids.txt") devices listed" >> "$work/id-mismatches.txt"
echo "$(wc -l < "$work/wine-ids.txt") devices listed" > "$work/id-count.txt"
compare system_ids "$work/id-count.txt" "$work/id-mismatches.txt"

device_sections "$work/replay/drive_c/SystemInfo.ini" > "$work/replay-sections.txt"
device_sections "$work/wine.ini" > "$work/wine-sections.txt"
[ -s "$work/wine-sections.txt" ] || { echo "FAILED: no device sections under Wine"; failures=$((failures + 1)); }
compare device_sections "$work/replay-sections.txt" "$work/wine-sections.txt"

echo "$((2 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
