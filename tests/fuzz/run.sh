#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, ASan + UBSan) and runs each for SECONDS.
#
#   tests/fuzz/run.sh [SECONDS] [TARGET...]      (default: 60 s, every target)
#
# Targets: conversion, encode_text, full_path. Each starts from the committed seeds in
# tests/fuzz/corpus/TARGET, the generated seeds and what earlier runs kept in
# build/fuzz/corpus/TARGET; new inputs that reach new code go there. A crash or failed
# property stops that target with its reproducer in build/fuzz/artifacts/TARGET/; the
# script goes on with the next target and exits with 1 at the end.
# Reproduce one: build/fuzz/fuzz_TARGET build/fuzz/artifacts/TARGET/crash-...
# More libFuzzer options go in SQK2XML_FUZZ_FLAGS, e.g. "-fork=1 -ignore_crashes=1" to go
# on past a known crash.
set -euo pipefail
cd "$(dirname "$0")/../.."

seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(conversion encode_text full_path)

bash scripts/deps.sh fuzz
# Absolute paths: the conversion target changes the current folder.
root=$(pwd)
build=$root/build/fuzz
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j 2

rm -rf "$build/seeds"
"$build/sqk2xml-fuzz-seeds" "$build/seeds"
# The sample playlist too, under code page 1252 with its header in place.
{ printf '\x87'; cat examples/party.sqk; } >"$build/seeds/conversion/example-party"

# The targets' private folders go in here, so that none is left behind after a crash.
tmp=$(mktemp -d "$( [ -w /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}" )/sqk2xml-fuzz-run.XXXXXX")
trap 'rm -rf "$tmp"' EXIT
export SQK2XML_FUZZ_TMPDIR=$tmp
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}

failed=()
for target in "${targets[@]}"; do
  binary=$build/fuzz_$target
  [ -x "$binary" ] || { echo "run.sh: no fuzz target '$target'" >&2; exit 2; }
  mkdir -p "$build/corpus/$target" "$build/artifacts/$target" "$root/tests/fuzz/corpus/$target"
  echo "== fuzz_$target for $seconds s"
  log=$build/artifacts/$target/last-run.log
  if "$binary" -max_total_time="$seconds" -max_len=4096 -timeout=20 -rss_limit_mb=2048 \
      -print_final_stats=1 -artifact_prefix="$build/artifacts/$target/" ${SQK2XML_FUZZ_FLAGS:-} \
      "$build/corpus/$target" "$root/tests/fuzz/corpus/$target" "$build/seeds/$target" >"$log" 2>&1; then
    grep -E '^(Done|stat::number_of_executed_units|stat::peak_rss_mb)' "$log" || true
  else
    tail -n 60 "$log"
    echo "fuzz_$target FAILED; log: $log" >&2
    failed+=("$target")
  fi
done

[ ${#failed[@]} -eq 0 ] || echo "Fuzz targets that failed: ${failed[*]}" >&2
echo "fuzz: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
[ ${#failed[@]} -eq 0 ]
