#!/usr/bin/env bash
# tarnwick-cli.exe's texts as a customer sees them: in a console (its own,
# made by console_probe.exe) a report path with an accented letter shows as
# written; redirected to a file the same line holds the letter's ANSI byte.
#   console_text.sh TARNWICK_CLI_EXE CONSOLE_PROBE_EXE
set -euo pipefail
cli=$(realpath "$1")
probe=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/tarnwick-console.XXXXXX")
trap 'rm -rf "$work" "$WINEPREFIX/drive_c/Tést"' EXIT
mkdir -p "$WINEPREFIX/drive_c/Tést"
failures=0

# In a console: the letter is written as the character it is.
if timeout 240 wine "$probe" 'Report written to C:\Tést\SystemInfo.ini' \
  "$(winepath -w "$cli") --no-copy --output C:\\Tést\\SystemInfo.ini" 2>"$work/screen.txt"; then
  echo "ok: the console shows C:\\Tést\\SystemInfo.ini"
else
  echo "FAILED: the console does not show C:\\Tést\\SystemInfo.ini; its screen:"
  sed 's/^/    /' "$work/screen.txt"
  failures=$((failures + 1))
fi

# Redirected: the ANSI byte of é (0xE9 in the Western code page Wine uses).
(cd "$WINEPREFIX/drive_c" && timeout 120 wine "$cli" --no-copy --output 'C:\Tést\SystemInfo.ini' >"$work/out.txt" 2>/dev/null)
expected=$(printf 'Report written to C:\\T\351st\\SystemInfo.ini\r')
if grep -aqxF "$expected" "$work/out.txt"; then
  echo "ok: redirected output holds the ANSI byte"
else
  echo "FAILED: redirected output: $(grep -a 'Report written' "$work/out.txt" | od -c | head -n 4)"
  failures=$((failures + 1))
fi
[ "$failures" -eq 0 ]
