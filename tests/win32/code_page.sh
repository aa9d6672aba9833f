#!/usr/bin/env bash
# tarnwick-cli.exe --json under Wine in a Russian locale: the programs run
# with ANSI code page 1251 (checked first, so the test cannot pass at 1252 by
# accident), and a DirectX version text in Cyrillic comes out of the JSON as
# the same Cyrillic characters, not as the 1252 reading of its bytes.
#   code_page.sh TARNWICK_CLI_EXE ACP_PROBE_EXE
set -euo pipefail
cli=$(realpath "$1")
probe=$(realpath "$2")

if ! locale -a | grep -qix 'ru_RU.utf8'; then
  echo "FAILED: the locale ru_RU.UTF-8 is missing (scripts/setup-windows.sh generates it)"
  exit 1
fi
export LC_ALL=ru_RU.UTF-8 LANG=ru_RU.UTF-8

acp=$(timeout 60 wine "$probe" | tr -d '\r')
if [ "$acp" != 1251 ]; then
  echo "FAILED: the programs run with ANSI code page '$acp', not 1251"
  exit 1
fi

# The prefix is shared with the other tests: the key is put back as it was.
key='HKEY_LOCAL_MACHINE\Software\Microsoft\DirectX'
work=$(mktemp -d)
saved="$work/saved.reg"
timeout 60 wine regedit /e "$(winepath -w "$saved")" "$key"
restore() {
  timeout 60 wine reg delete "$key" /v Version /f >/dev/null 2>&1 || true
  timeout 60 wine regedit /s "$(winepath -w "$saved")" || true
  rm -rf "$work" "$WINEPREFIX/drive_c/code_page.ini"
}
trap restore EXIT
timeout 60 wine reg add "$key" /v Version /t REG_SZ /d 'Иван 4.09' /f >/dev/null

json=$(cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli" --json --no-copy --output 'C:\code_page.ini' 2>/dev/null)
wanted='{"section": "DirectX", "key": "DirectX Version", "value": "Иван 4.09"}'
if ! grep -qF "$wanted" <<<"$json"; then
  echo "FAILED: expected the row $wanted; the DirectX rows were:"
  grep -F '"DirectX"' <<<"$json" || true
  exit 1
fi
echo "ok: GetACP() = $acp, $wanted"
