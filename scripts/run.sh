#!/usr/bin/env bash
# Builds the native console program and runs it in the current folder: it
# writes ./SystemInfo.ini and prints the list. What the set-up and the build
# print goes to standard error, so standard output holds the program's output
# alone (`./scripts/run.sh --json > rows.json`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
{
  "$root/scripts/setup-native.sh"
  cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF >/dev/null
  cmake --build "$root/build/release" --target tarnwick
} >&2
exec "$root/build/release/tarnwick" "$@"
