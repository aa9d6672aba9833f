#!/usr/bin/env bash
# Builds the support desk's program and runs it with the arguments given
# (`./scripts/desk.sh show tests/desk/example.mbox`). What the set-up and the
# build print goes to standard error, so standard output holds the program's
# output alone (`./scripts/desk.sh check --json INPUT > findings.json`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
{
  "$root/scripts/setup-native.sh"
  cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF >/dev/null
  cmake --build "$root/build/release" --target tarnwick-desk
} >&2
exec "$root/build/release/desk/tarnwick-desk" "$@"
