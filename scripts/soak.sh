#!/bin/bash
# The long soak: the station through N consecutive measurement cycles (four
# zones, a rotor of ten blades in zone 1, every report analysed, combined and
# printed) on the virtual clock, its memory, open files, child processes and
# temporary files counted from outside after every cycle.
#
#   scripts/soak.sh [cycles] [build directory]     (default 1000, build)
#
# Prints the summary line and writes every cycle's figures to
# <build>/soak-<cycles>.txt. Exit status 0 when the bounds held.
set -euo pipefail
cycles="${1:-1000}"
build="${2:-build}"
here="$(cd "$(dirname "$0")/.." && pwd)"
cd "$here"
tests="$build/zarvane_e2e_tests"
[ -x "$tests" ] || { echo "soak: $tests not built (cmake --build $build)" >&2; exit 2; }
out="$build/soak-$cycles.txt"
start=$(date +%s)
status=0
ZARVANE_SOAK_CYCLES="$cycles" "$tests" --gtest_filter='Soak.*' >"$out" 2>&1 || status=$?
end=$(date +%s)
grep '^soak cycle ' "$out" | awk 'NR == 1 || NR % 100 == 1' || true
grep '^soak: ' "$out" || { tail -40 "$out"; }
grep -E '^\[  (PASSED|FAILED)|Failure' "$out" | head -20 || true
echo "soak: $cycles cycles in $((end - start)) s wall time; full figures in $out"
exit "$status"
