#!/usr/bin/env bash
# The Windows build under Wine against its floor and against the Linux build, on the same
# generated playlist (--codepage 1252, from the page cache): sqk2xml-cli.exe, a Windows
# program that only reads the playlist and writes as many bytes as the conversion does
# with ReadFile and WriteFile in the same 512 KiB pieces (bench/io_floor_win32.cpp), and
# the Linux sqk2xml-cli. Each is run several times, interleaved; the median counts. Also
# the time to start the .exe on a one-entry playlist.
#   bench/wine_compare.sh [--size MB] [--runs N] [--work DIR]
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."
size_mb=100
runs=7
work_dir=build/wine-compare
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size_mb=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --work) work_dir=$2; shift 2 ;;
    -h|--help) sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "wine_compare.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done

bash scripts/deps.sh bench windows
linux=build/bench
windows=build/windows-bench
cmake -S . -B "$linux" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSQK2XML_BUILD_TESTS=OFF \
  -DSQK2XML_BUILD_BENCH=ON >/dev/null
cmake --build "$linux" -j 2 --target sqk2xml-cli sqk2xml-genplaylist >/dev/null
cmake -S . -B "$windows" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake \
  -DCMAKE_BUILD_TYPE=Release -DSQK2XML_BUILD_TESTS=OFF -DSQK2XML_BUILD_GUI=OFF \
  -DSQK2XML_BUILD_BENCH=ON >/dev/null
cmake --build "$windows" -j 2 --target sqk2xml-cli sqk2xml-io-floor >/dev/null

mkdir -p "$work_dir"
work=$(realpath "$work_dir")
wine_run=(scripts/wine-run --prefix "$(realpath "$windows")/wine-prefix")
"${wine_run[@]}" --start
"$linux/bench/sqk2xml-genplaylist" --size "${size_mb}M" -o "$work/list.sqk"
printf '#Sonquill playlist\r\nC:\\a.mp3\r\n' >"$work/one.sqk"
"$linux/cli/sqk2xml-cli" --codepage 1252 "$work/list.sqk" >/dev/null
out_bytes=$(($(stat -c %s "$work/list.xml") + $(stat -c %s "$work/list.htm")))

ms() { # milliseconds a command takes
  local start end
  start=$(date +%s%N)
  "$@" >/dev/null 2>&1
  end=$(date +%s%N)
  echo $(((end - start) / 1000000))
}
median() { tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END {print a[int((NR + 1) / 2)]}'; }
floor=() exe=() native=() start=()
for _ in $(seq "$runs"); do
  floor+=("$(ms "${wine_run[@]}" "$windows/bench/sqk2xml-io-floor.exe" "$work/list.sqk" \
    "$work/floor.out" "$out_bytes")")
  exe+=("$(ms "${wine_run[@]}" "$windows/cli/sqk2xml-cli.exe" --codepage 1252 "$work/list.sqk")")
  native+=("$(ms "$linux/cli/sqk2xml-cli" --codepage 1252 "$work/list.sqk")")
  start+=("$(ms "${wine_run[@]}" "$windows/cli/sqk2xml-cli.exe" "$work/one.sqk")")
done
rm -f "$work/floor.out"
size=$(stat -c %s "$work/list.sqk")
rate() { awk -v b="$size" -v ms="$1" 'BEGIN {printf "%.0f MB/s", b / 1e6 / (ms / 1000)}'; }
f=$(echo "${floor[*]}" | median)
e=$(echo "${exe[*]}" | median)
n=$(echo "${native[*]}" | median)
s=$(echo "${start[*]}" | median)
echo "playlist: $((size / 1000000)) MB, document and page: $((out_bytes / 1000000)) MB; $runs runs, median"
echo "floor under Wine (ReadFile/WriteFile): $f ms ($(rate "$f"))  runs: ${floor[*]}"
echo "sqk2xml-cli.exe under Wine:            $e ms ($(rate "$e"))  runs: ${exe[*]}"
echo "sqk2xml-cli on Linux:                  $n ms ($(rate "$n"))  runs: ${native[*]}"
echo "starting the .exe (one entry):         $s ms  runs: ${start[*]}"
awk -v f="$f" -v e="$e" 'BEGIN {printf "the .exe reaches %.2f of the floor'"'"'s rate (target: 0.5)\n", f / e}'
