#!/usr/bin/env bash
# The Windows edition as tarnwick-cli.exe reports it under Wine set to four
# Windows versions in turn, against what the edition logic must give for the
# facts Wine reports for each; the user is an administrator under Wine.
#   windows_versions.sh TARNWICK_CLI_EXE
set -euo pipefail
cli=$(realpath "$1")
report="$WINEPREFIX/drive_c/SystemInfo.ini"

# The section's entry lines, without their CR LF.
section() {
  awk -v name="[$1]" '{ sub(/\r$/, "") } $0 == name { inside = 1; next } /^\[/ { inside = 0 } inside && $0 != "" { print }' "$report"
}

check() {
  local version=$1 expected=$2
  timeout 60 wine winecfg -v "$version" >/dev/null 2>&1
  (cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli" >/dev/null 2>&1)
  local actual
  actual=$(section "Windows OS")
  if [ "$actual" != "$expected" ]; then
    echo "FAILED: Windows version $version"
    diff <(echo "$expected") <(echo "$actual") || true
    failures=$((failures + 1))
  else
    echo "ok: $version"
  fi
}

failures=0
check winxp "MinorVersion=5.1
BuildVersion=2600
Platform=Microsoft Windows XP Professional 
ServicePack=Service Pack 3
MCE OS=No"
check win2003 "MinorVersion=5.2
BuildVersion=3790
Platform=Microsoft Windows Server 2003, Standard Edition 
ServicePack=Service Pack 2
MCE OS=No"
check vista "MinorVersion=6.0
BuildVersion=6002
Platform=Windows Vista x86 Professional 
ServicePack=Service Pack 2
MCE OS=No"
check win7 "MinorVersion=6.1
BuildVersion=7601
Platform=Professional 
ServicePack=Service Pack 1
MCE OS=No"

user=$(section "User Info")
if [[ "$user" != "User Name="*" is Administrator" ]]; then
  echo "FAILED: the user is not reported as administrator: $user"
  failures=$((failures + 1))
fi
echo "$((4 + 1 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
