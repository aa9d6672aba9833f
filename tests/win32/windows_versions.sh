#!/usr/bin/env bash
# The Windows edition as tarnwick-cli.exe reports it under Wine set to four
# Windows versions in turn, against what the edition logic must give for the
# facts Wine reports for each; the user is an administrator under Wine. Then
# Windows 7, 8.1 and 10: the version and build in the report are the true
# ones that Wine's `ver` and its registry give (without the manifest's
# supported systems, 8.1 and 10 would say 6.2 and 9200).
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

# A value of the registry's CurrentVersion key as Wine's reg prints it.
current_version() {
  timeout 60 wine reg query 'HKLM\Software\Microsoft\Windows NT\CurrentVersion' /v "$1" 2>/dev/null |
    tr -d '\r' | awk -v name="$1" '$1 == name { print $3 }'
}

check_true() {
  local version=$1
  timeout 60 wine winecfg -v "$version" >/dev/null 2>&1
  (cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli" >/dev/null 2>&1)
  # "Microsoft Windows 10.0.18362" from Wine's own command interpreter.
  local said major minor build
  said=$(timeout 60 wine cmd /c ver 2>/dev/null | tr -d '\r' | sed -n 's/^Microsoft Windows \([0-9.]*\)$/\1/p')
  major=$(current_version CurrentMajorVersionNumber)
  minor=$(current_version CurrentMinorVersionNumber)
  build=$(current_version CurrentBuildNumber)
  local registry
  if [ -n "$major" ]; then
    registry="$((major)).$((minor)).$build"
  else
    registry="$(current_version CurrentVersion).$build"
  fi
  local reported
  reported=$(section "Windows OS" | sed -n 's/^MinorVersion=//p; s/^BuildVersion=//p' | paste -sd .)
  if [ -z "$said" ] || [ "$reported" != "$said" ] || [ "$reported" != "$registry" ]; then
    echo "FAILED: Windows version $version: the report says $reported, ver says $said, the registry $registry"
    failures=$((failures + 1))
  else
    echo "ok: $version is $reported"
  fi
}
check_true win7
check_true win81
check_true win10

user=$(section "User Info")
if [[ "$user" != "User Name="*" is Administrator" ]]; then
  echo "FAILED: the user is not reported as administrator: $user"
  failures=$((failures + 1))
fi
echo "$((4 + 3 + 1 - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
