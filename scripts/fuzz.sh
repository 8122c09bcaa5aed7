#!/usr/bin/env bash
# Builds the libFuzzer targets (fuzz/) in build-fuzz/ with clang and runs each
# for a while, one after the other, on a copy of its seed corpus.
#
#   scripts/fuzz.sh [-t SECONDS] [--grow] [--no-build] [TARGET...]
#
#   -t SECONDS  how long each target runs (default 10)
#   --grow      afterwards merge what the run found into fuzz/corpus/<target>
#               (minimised); without it the repository's corpus is left alone
#   --no-build  run the targets as they were last built
#   TARGET      names such as rtf or fuzz_rtf; default every target
#
# Prints one line per target: name, executions, seconds, result. Exits
# non-zero when any target crashed, leaked, ran out of memory or timed out; the
# input that did it is kept in build-fuzz/artifacts/<target>/ and the whole
# output in build-fuzz/logs/<target>.log. Reproduce with
#   build-fuzz/fuzz/fuzz_<target> build-fuzz/artifacts/<target>/<file>
set -euo pipefail

cd "$(dirname "$0")/.."
root=$(pwd)
seconds=10
grow=0
build=1
targets=()
while (($#)); do
  case "$1" in
    -t) seconds=$2; shift 2 ;;
    --grow) grow=1; shift ;;
    --no-build) build=0; shift ;;
    -h|--help) sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    -*) echo "fuzz.sh: unknown option $1" >&2; exit 2 ;;
    *) targets+=("${1#fuzz_}"); shift ;;
  esac
done

out=$root/build-fuzz
mkdir -p "$out/logs"
if ((build)); then
  if ! command -v clang++ >/dev/null || ! ls /usr/lib/llvm-*/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a >/dev/null 2>&1; then
    echo "fuzz.sh: installing clang and its sanitizer runtime" >&2
    sudo=""; [[ $(id -u) -ne 0 ]] && sudo=sudo
    $sudo apt-get install -y clang libclang-rt-14-dev >/dev/null
  fi
  cmake -S "$root" -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g" -DZARVANE_FUZZ=ON \
    -DZARVANE_BUILD_TESTS=OFF -DZARVANE_BUILD_BENCHMARKS=OFF >"$out/logs/cmake.log" 2>&1 ||
    { cat "$out/logs/cmake.log" >&2; exit 2; }
  cmake --build "$out" --target zarvane_fuzz -j"${FUZZ_BUILD_JOBS:-2}" >"$out/logs/build.log" 2>&1 ||
    { tail -50 "$out/logs/build.log" >&2; exit 2; }
fi

if ((${#targets[@]} == 0)); then
  for dir in "$root"/fuzz/corpus/*/; do targets+=("$(basename "$dir")"); done
fi

failed=0
printf '%-18s %12s %8s  %s\n' target executions seconds result
for t in "${targets[@]}"; do
  exe=$out/fuzz/fuzz_$t
  if [[ ! -x $exe ]]; then
    printf '%-18s %12s %8s  %s\n' "$t" - - "no such target"
    failed=1
    continue
  fi
  corpus=$out/corpus/$t
  rm -rf "$corpus"
  mkdir -p "$corpus" "$out/artifacts/$t" "$out/logs"
  [[ -d $root/fuzz/corpus/$t ]] && cp "$root/fuzz/corpus/$t"/* "$corpus"/ 2>/dev/null || true
  log=$out/logs/$t.log
  start=$(date +%s)
  set +e
  "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$out/artifacts/$t/" "$corpus" >"$log" 2>&1
  rc=$?
  set -e
  elapsed=$(($(date +%s) - start))
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  [[ -z $runs ]] && runs=$(grep -o '^#[0-9]*' "$log" | tail -1 | tr -d '#')
  if ((rc == 0)); then
    result=ok
  else
    failed=1
    if grep -q 'ERROR: libFuzzer: timeout' "$log"; then result=timeout
    elif grep -q 'ERROR: LeakSanitizer' "$log"; then result=leak
    elif grep -q 'out-of-memory' "$log"; then result=out-of-memory
    else result=crash; fi
    input=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    result="$result (input ${input:-none kept}; log $log)"
  fi
  printf '%-18s %12s %8s  %s\n' "$t" "${runs:-0}" "$elapsed" "$result"
  if ((grow)) && [[ $result == ok ]]; then
    mkdir -p "$root/fuzz/corpus/$t"
    "$exe" -merge=1 "$root/fuzz/corpus/$t" "$corpus" >>"$log" 2>&1 || true
  fi
done
exit $failed
