#!/usr/bin/env bash
# Every test: the optimised build, then the same suite under ASan + UBSan.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/deps.sh test gui
for preset in default sanitize; do
  echo "== $preset build"
  cmake --preset "$preset" -DSQK2XML_WERROR=ON >/dev/null
  cmake --build --preset "$preset"
  ctest --preset "$preset" -j "$(nproc)"
done

# Fuzzing smoke run: each libFuzzer target for 60 s under ASan + UBSan, with clang in a
# build of its own (build/fuzz). About five minutes with the build.
echo "== fuzz smoke run"
bash tests/fuzz/run.sh 60
