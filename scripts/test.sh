#!/usr/bin/env bash
# Builds everything and runs every test: the native build with warnings as
# errors and the address and undefined behaviour sanitizers, then the 32-bit
# Windows build, whose tests run under Wine in a fresh prefix and display.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)

"$root/scripts/setup-tests.sh"
native="$root/build/test"
cmake -S "$root" -B "$native" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DTARNWICK_WERROR=ON -DTARNWICK_SANITIZE=ON >/dev/null
cmake --build "$native"
ctest --test-dir "$native" --output-on-failure --timeout 600 -j2

"$root/scripts/setup-windows.sh"
windows="$root/build/windows"
cmake -S "$root" -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DTARNWICK_WERROR=ON -DTARNWICK_BENCH=OFF \
  -DTARNWICK_NATIVE_BUILD="$native" >/dev/null
cmake --build "$windows"
started=$(date +%s)
"$root/tests/wine/session.sh" ctest --test-dir "$windows" --output-on-failure --timeout 300 -j1
echo "Wine test pass: $(( $(date +%s) - started )) s"
