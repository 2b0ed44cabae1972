#!/usr/bin/env bash
# scripts/test.sh with one test failing on purpose in each of two presets: the later
# preset still runs, the closing line counts both failures, and the exit status is 1.
# Run by scripts/test.sh after the suites, when their builds are in place.
set -uo pipefail
cd "$(dirname "$0")/../.."

out=$(mktemp)
trap 'rm -f "$out"' EXIT
SQK2XML_TEST_PRESETS="default nosimd" SQK2XML_CTEST_ARGS="-R ^TestScript[.]" \
  SQK2XML_FUZZ_SECONDS=0 SQK2XML_FAIL_ONE_TEST=1 bash scripts/test.sh >"$out" 2>&1
status=$?

problems=()
[ "$status" -eq 1 ] || problems+=("exit status $status, not 1")
grep -q '^== nosimd build' "$out" || problems+=("the preset after the failing one did not run")
[ "$(grep -cE 'Test +#[0-9]+: TestScript[.]FailsOnlyWhenAskedTo .*Failed' "$out")" -eq 2 ] ||
  problems+=("the test did not fail once in each preset")
last=$(tail -n 1 "$out")
[ "$last" = "all: 0 passed, 2 failed" ] || problems+=("closing line '$last'")

if [ ${#problems[@]} -gt 0 ]; then
  cat "$out"
  printf 'test.sh self-test: %s\n' "${problems[@]}" >&2
  echo "script: 0 passed, 1 failed"
  exit 1
fi
echo "script: 1 passed, 0 failed"
