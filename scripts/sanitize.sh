#!/usr/bin/env bash
# Builds Zarvane with AddressSanitizer and UndefinedBehaviorSanitizer in
# build-asan/ and runs the whole test suite there. Any sanitizer report fails
# the run: in a test program it aborts the test with its own exit code, and in
# the programs the tests start (the station, the analysis program, combine,
# mirror) it lands in build-asan/sanitizer-logs/, which is checked at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
build=$root/build-asan
logs=$build/sanitizer-logs

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-$(dirname "$root")}
flags="-O1 -g1 -fno-omit-frame-pointer -fsanitize=address,undefined -fno-sanitize-recover=undefined"

start=$(date +%s)
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=None \
  -DCMAKE_CXX_COMPILER=g++ \
  -DCMAKE_CXX_FLAGS="$flags" \
  -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
  -DZARVANE_BUILD_BENCHMARKS=OFF >/dev/null
cmake --build "$build" -j2
built=$(date +%s)
echo "sanitize: build took $((built - start)) s"

rm -rf "$logs"
mkdir -p "$logs"
# Exit code 86 marks a sanitizer report; log_path sends the reports of every
# process (the children the e2e tests start included) to $logs/<tool>.<pid>.
export ASAN_OPTIONS="halt_on_error=1:abort_on_error=0:exitcode=86:detect_leaks=1:check_initialization_order=1:strict_init_order=1:detect_stack_use_after_return=1:log_path=$logs/asan"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1:exitcode=86:suppressions=$root/sanitizers/ubsan.supp:log_path=$logs/ubsan"
export LSAN_OPTIONS="suppressions=$root/sanitizers/lsan.supp:print_suppressions=0:exitcode=86"

status=0
ctest --test-dir "$build" -j2 --output-on-failure || status=$?
echo "sanitize: tests took $(($(date +%s) - built)) s"

if compgen -G "$logs/*" >/dev/null; then
  echo "sanitize: sanitizer reports:"
  for f in "$logs"/*; do
    echo "=== $f"
    cat "$f"
  done
  status=1
fi
exit $status
