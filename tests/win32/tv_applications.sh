#!/usr/bin/env bash
# Installs a TV application, two uninstall entries and the encoder pack into
# the Wine prefix (folders, copies of the PE samples, keys imported with
# regedit), runs tarnwick-cli.exe and compares its sections "Application
# Info" and "MCE Encoder Info" with the values file_stamp_probe.exe gets from
# Windows' own version and time functions.
#   tv_applications.sh TARNWICK_CLI_EXE FILE_STAMP_PROBE_EXE SAMPLE_DIR
set -euo pipefail
cli=$(realpath "$1") probe=$(realpath "$2") samples=$3
drive_c="$WINEPREFIX/drive_c"
report="$drive_c/SystemInfo.ini"
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-apps.XXXXXX")
trap 'rm -rf "$work"' EXIT

place() {  # sample, path below C:, local time of its last write
  mkdir -p "$(dirname "$drive_c/$2")"
  cp "$samples/$1" "$drive_c/$2"
  touch -d "$3" "$drive_c/$2"
}
hm='Program Files/Honestech/HyperMedia'
mce='Program Files/CyberLink/MCE Encoder'
place with_translation32.exe "$hm/MainPanel.exe" '2010-03-15 14:07:09'
place without_translation32.exe "$hm/ATVR.exe" '2010-03-15 14:07:10'
place no_resource32.exe "$hm/ATVR1.exe" '2010-03-15 14:07:11'
place two_languages32.exe "$hm/DTVR.exe" '2009-12-24 18:00:00'
place wide_parts64.dll "$hm/Zenthor2.ax" '2010-01-01 00:00:01'
place with_translation64.exe "$hm/DTVR/ATVR.exe" '2008-02-29 23:59:59'
place two_languages32.exe "$mce/CLAudEnc.ax" '2008-09-01 12:00:00'
place wide_parts64.dll "$mce/pthreadVC2.dll" '2006-12-22 01:02:03'
place with_translation32.exe 'Quorvel.exe' '2011-05-02 07:08:09'

uninstall='HKEY_LOCAL_MACHINE\SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall'
printf '%s\r\n' 'REGEDIT4' '' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\Honestech\TV Plus\DTVR]' \
  '"AppPath"="C:\\Program Files\\Honestech\\HyperMedia\\"' '' \
  '[HKEY_LOCAL_MACHINE\SOFTWARE\CyberLink\MCEEncoder]' \
  '"InstallPath"="C:\\Program Files\\CyberLink\\MCE Encoder"' '' \
  "[$uninstall\\Tarnwick HyperMedia]" '"InstallLocation"="C:\\Program Files\\Honestech\\HyperMedia"' '' \
  "[$uninstall\\Tarnwick Without Location]" '"DisplayName"="Tarnwick"' '' \
  "[$uninstall\\Tarnwick Zero]" '"InstallLocation"=""' '' > "$work/apps.reg"
timeout 60 wine regedit /S "$(winepath -w "$work/apps.reg")"

# What Windows says of each file, under the path the program looks it up by.
hmw='C:\Program Files\Honestech\HyperMedia'
mcew='C:\Program Files\CyberLink\MCE Encoder'
paths=("$hmw\\\\MainPanel.exe" "$hmw\\\\ATVR.exe" "$hmw\\\\ATVR1.exe" "$hmw\\\\DTVR.exe" "$hmw\\\\Zenthor2.ax"
       'C:\windows\system32\quartz.dll' "$hmw\\DTVR\\ATVR.exe" '\Quorvel.exe' "$mcew\\CLAudEnc.ax"
       "$mcew\\pthreadVC2.dll")
mapfile -t stamp < <(cd "$drive_c" && timeout 60 wine "$probe" "${paths[@]}" | tr -d '\r')
if [ "${stamp[1]}${stamp[2]}" != "--" ] || [[ "${stamp[5]}" = "-" ]]; then
  echo "FAILED: Windows must see no version in ATVR.exe and ATVR1.exe and one in quartz.dll: ${stamp[*]}"
  exit 1
fi

(cd "$drive_c" && timeout 120 wine "$cli" > /dev/null)
# The section's lines up to the next header, without their CR LF and without
# the empty lines that end it.
section() {
  awk -v name="[$1]" '{ sub(/\r$/, "") } /^\[/ { inside = ($0 == name) } inside { print }' "$report" |
    sed -e ':a' -e '/^\n*$/{$d;N;ba' -e '}'
}
cat > "$work/expected.txt" <<END
[Application Info]
HyperMedia Path=$hmw\\\\
HyperMedia MainPanel Version =${stamp[0]}
HyperMedia DTVR Version =${stamp[3]}
HyperMedia Zenthor2 Version =${stamp[4]}

DirectX Library=${stamp[5]}

$hmw\\MainPanel.exe=${stamp[0]}

$hmw\\DTVR\\ATVR.exe=${stamp[6]}

\\Quorvel.exe=${stamp[7]}
[MCE Encoder Info]
CyberLink=$mcew\\
CLAudEnc.ax Version =${stamp[8]}

pthreadVC2.dll Version =${stamp[9]}
END
{ section 'Application Info'; section 'MCE Encoder Info'; } > "$work/actual.txt"
cat "$work/actual.txt"
if ! diff -u "$work/expected.txt" "$work/actual.txt"; then
  echo "FAILED: the inventory differs from what Windows' functions give"
  exit 1
fi
echo "ok: the inventory matches Windows' own version and time functions"
