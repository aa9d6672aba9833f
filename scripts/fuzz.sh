#!/usr/bin/env bash
# Fuzzes every reader of outside input with libFuzzer, under the address and
# undefined behaviour sanitizers: the regedit reader, the machine.json
# reader, the report writer on a hostile existing report, the PE version
# reader, the desk's report reader with its checks, the desk's walk over mail,
# zip and TNEF.
#   scripts/fuzz.sh [SECONDS [TARGET...]]   (default 60 s for each target)
# Builds in build/fuzz. Each target's corpus grows in build/fuzz/corpus/TARGET
# from run to run, seeded with fuzz/corpus/TARGET and the test machines. A
# finding is left as build/fuzz/TARGET-crash-* (or leak-, timeout-, oom-) and
# the script fails; copy it into fuzz/corpus/TARGET once fixed, so the test
# command replays it from then on.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(reg_file_fuzz machine_file_fuzz report_file_fuzz pe_version_fuzz desk_report_fuzz
  desk_mime_fuzz desk_zip_fuzz desk_tnef_fuzz)

# cmake, ninja, nlohmann-json and the mingw-w64 tools that make the PE seeds.
"$root/scripts/setup-tests.sh"
packages=(
  clang               # compiler with -fsanitize=fuzzer
  libclang-rt-14-dev  # libFuzzer and the sanitizer runtimes
)
"$root/scripts/install-missing.sh" "${packages[@]}"

build="$root/build/fuzz"
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  -DTARNWICK_FUZZ=ON -DTARNWICK_TESTS=OFF -DTARNWICK_BENCH=OFF >/dev/null
cmake --build "$build" --target "${targets[@]}" tarnwick_pe_samples

seeds() {
  case $1 in
    reg_file_fuzz) ls "$root"/tests/machines/*/registry.reg "$root"/../shared/examples/*/registry.reg 2>/dev/null ;;
    machine_file_fuzz) ls "$root"/tests/machines/*/machine.json "$root"/../shared/examples/*/machine.json 2>/dev/null ;;
    report_file_fuzz) ;;
    desk_report_fuzz) ls "$root"/tests/desk/reports/*.ini ;;
    pe_version_fuzz) ls "$build"/pe-samples/*.exe "$build"/pe-samples/*.dll ;;
    desk_mime_fuzz) ls "$root"/tests/desk/*.mbox "$root"/tests/desk/inputs/*.eml "$root"/tests/desk/inputs/maildir/*/* ;;
    desk_zip_fuzz) ls "$root"/tests/desk/inputs/*.zip "$root"/tests/desk/inputs/folder/sub/reports.bin ;;
    desk_tnef_fuzz) ls "$root"/tests/desk/inputs/winmail.dat ;;
  esac
}
options() {
  case $1 in
    report_file_fuzz | desk_report_fuzz) echo "-max_len=8192" ;;
    pe_version_fuzz) echo "-dict=$root/fuzz/pe_version.dict" ;;
    desk_mime_fuzz) echo "-max_len=65536 -dict=$root/fuzz/desk_mime.dict" ;;
    desk_*) echo "-max_len=65536" ;;
    *) echo "-max_len=16384" ;;
  esac
}

status=0
for target in "${targets[@]}"; do
  corpus="$build/corpus/$target"
  mkdir -p "$corpus"
  [ -d "$root/fuzz/corpus/$target" ] && cp "$root/fuzz/corpus/$target"/* "$corpus"/ 2>/dev/null || true
  for seed in $(seeds "$target"); do cp "$seed" "$corpus/seed-$(basename "$(dirname "$seed")")-$(basename "$seed")"; done
  echo "== $target: $seconds s"
  # shellcheck disable=SC2046
  if ! "$build/fuzz/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 $(options "$target") \
      -artifact_prefix="$build/$target-" -print_final_stats=1 "$corpus" 2>"$build/$target.log"; then
    status=1
    echo "$target: FINDING, see $build/$target.log and $build/$target-*"
  fi
  grep -E "stat::number_of_executed_units|stat::new_units_added" "$build/$target.log" | sed "s/^/$target: /"
done
exit $status
