#!/usr/bin/env bash
# Sets up, checks the format of every C++ file, builds and runs every test: the full build, then
# the whole tree with the windows again under AddressSanitizer and UndefinedBehaviorSanitizer
# (leak detection on), the non-GUI libraries once more under ThreadSanitizer, and the libFuzzer
# targets built with clang, each running its corpus.
# Prints one summary line at the end, counting all four suites.
set -uo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
bash "$here/scripts/setup.sh" || exit 1

passed=0; failed=0; status=0
bash "$here/scripts/format.sh" --check || status=1
run_suite() { # name build-dir cmake-options...
  local name="$1" dir="$2"; shift 2
  echo "== $name build"
  local start=$SECONDS
  if ! bash "$here/scripts/build.sh" "$dir" "$@"; then
    echo "== $name build FAILED"; status=1; return
  fi
  echo "== $name build took $((SECONDS - start)) s"
  echo "== $name tests"
  start=$SECONDS
  local log="$dir/ctest.log"
  (cd "$dir" && ctest --output-on-failure --no-tests=error -j "$jobs" 2>&1) | tee "$log"
  local rc=${PIPESTATUS[0]}
  echo "== $name tests took $((SECONDS - start)) s"
  local line total nfail
  line=$(grep -E '^[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -1)
  if [ -z "$line" ]; then
    echo "== $name: no test ran"; status=1; return
  fi
  nfail=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  total=$(echo "$line" | sed -E 's/.* failed out of ([0-9]+).*/\1/')
  passed=$((passed + total - nfail)); failed=$((failed + nfail))
  [ "$rc" -eq 0 ] || status=1
}

run_suite "normal" "$here/build"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
export LSAN_OPTIONS="suppressions=$here/tests/lsan-suppressions.txt:print_suppressions=0"
run_suite "sanitizer" "$here/build-asan" -DQV_GUI=ON -DQV_SANITIZE=ON -DQV_BENCH=OFF
unset ASAN_OPTIONS UBSAN_OPTIONS LSAN_OPTIONS
# A race report ends its test with a failure; the second stack of a lock-order report is kept.
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1"
run_suite "thread sanitizer" "$here/build-tsan" -DQV_GUI=OFF -DQV_TSAN=ON -DQV_BENCH=OFF
unset TSAN_OPTIONS
# The fuzzers need clang; their corpora run through them as the suite's tests.
export CC=clang CXX=clang++
run_suite "fuzz" "$here/build-fuzz" -DQV_FUZZ=ON -DQV_GUI=OFF -DQV_BENCH=OFF
unset CC CXX

echo "tests: $passed passed, $failed failed"
exit $status
