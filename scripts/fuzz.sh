#!/usr/bin/env bash
# Fuzzes the PE version reader with libFuzzer, under the address and
# undefined behaviour sanitizers, seeded with the PE files the tests build.
#   scripts/fuzz.sh [SECONDS]     (default 60)
# Builds in build/fuzz; the corpus grows in build/fuzz/corpus from run to
# run; a finding is left in build/fuzz as crash-*, leak-* or timeout-* and
# the script fails.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}

# cmake, ninja and the mingw-w64 tools that make the seeds.
"$root/scripts/setup-native.sh"

packages=(
  clang               # compiler with -fsanitize=fuzzer
  libclang-rt-14-dev  # libFuzzer and the sanitizer runtimes
)
"$(dirname "$0")/install-missing.sh" "${packages[@]}"

build="$root/build/fuzz"
cmake -S "$root/fuzz" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build"

corpus="$build/corpus"
mkdir -p "$corpus"
cp "$build"/pe-samples/*.exe "$build"/pe-samples/*.dll "$corpus"/

"$build/pe_version_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -dict="$root/fuzz/pe_version.dict" -artifact_prefix="$build/" -print_final_stats=1 "$corpus"
