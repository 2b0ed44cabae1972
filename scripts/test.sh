#!/usr/bin/env bash
# Every test: the optimised build, then the same suite under ASan + UBSan, then without the
# SSE2 paths (their plain loops), then the Windows programs under Wine, then a short
# fuzzing run. Ends with one line that adds up what passed and failed.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh test gui browser windows
log=$(mktemp)
trap 'rm -f "$log"' EXIT
passed=0
failed=0

for preset in default sanitize nosimd windows; do
  echo "== $preset build"
  cmake --preset "$preset" -DSQK2XML_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j "$(nproc)" | tee "$log"
  # ctest: "100% tests passed, 0 tests failed out of 65"
  total=$(sed -nE 's/.*tests failed out of ([0-9]+).*/\1/p' "$log" | tail -n 1)
  bad=$(sed -nE 's/.* ([0-9]+) tests failed out of.*/\1/p' "$log" | tail -n 1)
  passed=$((passed + total - bad))
  failed=$((failed + bad))
done

# Fuzzing smoke run: each libFuzzer target for 60 s under ASan + UBSan, with clang in a
# build of its own (build/fuzz). About five minutes with the build.
echo "== fuzz smoke run"
bash tests/fuzz/run.sh 60 | tee "$log"
# run.sh: "fuzz: 3 passed, 0 failed"
passed=$((passed + $(sed -nE 's/^fuzz: ([0-9]+) passed.*/\1/p' "$log")))

echo
echo "all: $passed passed, $failed failed"
