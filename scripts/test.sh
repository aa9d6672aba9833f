#!/usr/bin/env bash
# Builds everything with warnings as errors and the address and undefined
# behaviour sanitizers, and runs every test.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-native.sh"

build="$root/build/test"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTARNWICK_WERROR=ON -DTARNWICK_SANITIZE=ON >/dev/null
cmake --build "$build"
ctest --test-dir "$build" --output-on-failure --timeout 600 -j2
