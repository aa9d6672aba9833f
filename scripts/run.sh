#!/usr/bin/env bash
# Builds the native console program and runs it in the current folder: it
# writes ./SystemInfo.ini (and a copy beside the program) and prints the list.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-native.sh"
cmake -S "$root" -B "$root/build/release" -G Ninja -DCMAKE_BUILD_TYPE=Release \
  -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF >/dev/null
cmake --build "$root/build/release" --target tarnwick
exec "$root/build/release/tarnwick" "$@"
