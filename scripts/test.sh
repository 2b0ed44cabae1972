#!/usr/bin/env bash
# Every test: the optimised build, then the same suite under ASan + UBSan, then without the
# SSE2 paths (their plain loops), then the Windows programs under Wine, then a short
# fuzzing run. Every suite runs even when an earlier one failed; the last line adds up
# what passed and failed, and the exit status is 1 when anything failed.
#
# For the script's own test, and for a quicker partial run:
#   SQK2XML_TEST_PRESETS  the presets to build and test (default: all four, in order)
#   SQK2XML_CTEST_ARGS    more arguments for every ctest run (e.g. "-R platform_test")
#   SQK2XML_FUZZ_SECONDS  seconds per fuzz target; 0 leaves the fuzzing run out
set -uo pipefail
cd "$(dirname "$0")/.."

presets=${SQK2XML_TEST_PRESETS:-default sanitize nosimd windows}
fuzz_seconds=${SQK2XML_FUZZ_SECONDS:-60}

bash scripts/deps.sh test gui browser windows || exit 1
log=$(mktemp)
trap 'rm -f "$log"' EXIT
passed=0
failed=0
failures=()

for preset in $presets; do
  echo "== $preset build"
  if ! { cmake --preset "$preset" -DSQK2XML_WERROR=ON >/dev/null &&
         cmake --build --preset "$preset"; }; then
    failed=$((failed + 1))
    failures+=("$preset: the build failed")
    continue
  fi
  # Starts that Wine ended before the program ran, and that wine-run made again.
  retries=build/$preset/wine-prefix.retries
  rm -f "$retries"
  # shellcheck disable=SC2086 # the extra arguments are words on purpose
  ctest --preset "$preset" -j "$(nproc)" ${SQK2XML_CTEST_ARGS:-} 2>&1 | tee "$log"
  if [ -s "$retries" ]; then
    echo "Wine ended $(wc -l <"$retries") processes before they started; each was started again:"
    cat "$retries"
  fi
  # ctest: "100% tests passed, 0 tests failed out of 65"
  total=$(sed -nE 's/.*tests failed out of ([0-9]+).*/\1/p' "$log" | tail -n 1)
  bad=$(sed -nE 's/.* ([0-9]+) tests? failed out of.*/\1/p' "$log" | tail -n 1)
  if [ -z "$total" ] || [ -z "$bad" ]; then
    failed=$((failed + 1))
    failures+=("$preset: ctest gave no summary")
    continue
  fi
  passed=$((passed + total - bad))
  failed=$((failed + bad))
  [ "$bad" -eq 0 ] || failures+=("$preset: $bad of $total tests failed")
done

# Fuzzing smoke run: each libFuzzer target under ASan + UBSan, with clang in a build of its
# own (build/fuzz). About five minutes with the build.
if [ "$fuzz_seconds" -gt 0 ]; then
  echo "== fuzz smoke run"
  bash tests/fuzz/run.sh "$fuzz_seconds" 2>&1 | tee "$log"
  # run.sh: "fuzz: 3 passed, 0 failed"
  fuzz_passed=$(sed -nE 's/^fuzz: ([0-9]+) passed.*/\1/p' "$log")
  fuzz_failed=$(sed -nE 's/^fuzz: [0-9]+ passed, ([0-9]+) failed.*/\1/p' "$log")
  if [ -z "$fuzz_passed" ] || [ -z "$fuzz_failed" ]; then
    failed=$((failed + 1))
    failures+=("fuzz: the run gave no summary")
  else
    passed=$((passed + fuzz_passed))
    failed=$((failed + fuzz_failed))
    [ "$fuzz_failed" -eq 0 ] || failures+=("fuzz: $fuzz_failed targets failed")
  fi
fi

# The script's own test: a suite that fails must be counted, and the ones after it run.
# It runs this script again on the default and nosimd builds, so only in a whole run.
if [ -z "${SQK2XML_TEST_PRESETS:-}" ]; then
  echo "== test.sh self-test"
  bash tests/scripts/test_script_counts_failures.sh 2>&1 | tee "$log"
  if grep -q '^script: 1 passed' "$log"; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1))
    failures+=("test.sh self-test")
  fi
fi

echo
for failure in "${failures[@]}"; do
  echo "FAILED $failure"
done
echo "all: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
