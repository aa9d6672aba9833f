#!/usr/bin/env bash
# Builds the benchmarks optimised, without sanitizers, and runs them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/scripts/setup-native.sh"
build="$root/build/bench"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DTARNWICK_TESTS=OFF >/dev/null
cmake --build "$build"
"$build/bench/replay_bench"
"$build/bench/report_bench"
"$build/bench/linux_host_bench"
"$build/bench/desk_bench"
"$build/bench/desk_store_bench"
