#!/usr/bin/env bash
# Times one collection run of tarnwick-cli.exe under Wine against Wine's own
# `dxdiag /t` on the same prefix, as a yardstick for the cost of a run. Builds
# nothing; runs in a fresh Wine session (tests/wine/session.sh) unless it is
# inside one already.
#   bench/wine_bench.sh [TARNWICK_CLI_EXE] [RUNS]
# Defaults: build/windows/tarnwick-cli.exe, 7 timed runs of each after one
# warm-up run each. Prints both medians and their ratio.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cli=${1:-$root/build/windows/tarnwick-cli.exe}
runs=${2:-7}

[ -f "$cli" ] || {
  echo "wine_bench: no $cli (build the Windows side first)" >&2
  exit 2
}
[[ "$runs" =~ ^[1-9][0-9]*$ ]] || {
  echo "wine_bench: RUNS must be a positive number, not '$runs'" >&2
  exit 2
}
if [ -z "${TARNWICK_WINE_SESSION:-}" ]; then
  exec "$root/tests/wine/session.sh" "$root/bench/wine_bench.sh" "$(realpath "$cli")" "$runs"
fi

# The program runs from a folder of the prefix, so the report's copy lands
# there and not in the build tree.
mkdir -p "$WINEPREFIX/drive_c/TarnwickBench"
cp "$cli" "$WINEPREFIX/drive_c/TarnwickBench/tarnwick-cli.exe"
program='C:\TarnwickBench\tarnwick-cli.exe'
dxdiag_report='C:\TarnwickBench\dxdiag.txt'

# One wineserver for the whole bench, so no run pays for starting it (the
# session's own ends a few seconds after its last program).
wineserver -k >/dev/null 2>&1 || true
wineserver -w
wineserver -p
trap 'wineserver -k >/dev/null 2>&1 || true' EXIT

# Milliseconds that one bounded run of the command takes; fails when the
# command fails or hangs.
elapsed_ms() {
  local started ended
  started=$(date +%s%N)
  if ! timeout --kill-after=5 300 "$@" >/dev/null 2>&1; then
    echo "wine_bench: '$*' failed or ran longer than 300 s" >&2
    return 1
  fi
  ended=$(date +%s%N)
  echo $(((ended - started) / 1000000))
}

median() { printf '%s\n' "$@" | sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

echo "warm-up"
elapsed_ms wine "$program" >/dev/null
elapsed_ms wine dxdiag /t "$dxdiag_report" >/dev/null

# Alternating, so slow phases of a busy machine hit both alike.
tarnwick_ms=()
dxdiag_ms=()
for run in $(seq 1 "$runs"); do
  tarnwick_ms+=("$(elapsed_ms wine "$program")")
  dxdiag_ms+=("$(elapsed_ms wine dxdiag /t "$dxdiag_report")")
  echo "run $run: tarnwick-cli.exe ${tarnwick_ms[-1]} ms, dxdiag /t ${dxdiag_ms[-1]} ms"
done

tarnwick_median=$(median "${tarnwick_ms[@]}")
dxdiag_median=$(median "${dxdiag_ms[@]}")
entries=$(timeout 300 wine "$program" 2>/dev/null | tr -d '\r' | sed -n 's/^\([0-9][0-9]*\) entries$/\1/p' | tail -n 1)
echo "tarnwick-cli.exe: median ${tarnwick_median} ms over $runs runs (${entries:-?} entries)"
echo "dxdiag /t:        median ${dxdiag_median} ms over $runs runs"
awk -v t="$tarnwick_median" -v d="$dxdiag_median" 'BEGIN { printf "ratio tarnwick-cli.exe / dxdiag: %.2f\n", t / d }'
