#!/usr/bin/env bash
# Whole-run throughput of sqk2xml-cli against the two floors this job cannot beat by much:
# iconv transcoding the same playlist from its code page to UTF-8 (the conversion every
# byte needs), and cat copying it (the I/O). All three read a generated playlist from the
# page cache and write a file beside it; each is run several times, interleaved, and the
# median counts. Also the peak resident memory of sqk2xml-cli at two playlist sizes (GNU
# time), and its throughput at the smaller size, to show that time grows linearly. Linear
# means a fixed start-up plus a fixed cost per byte, so the two rates are compared net of
# the start-up, timed on a playlist of one entry: at these speeds starting a process is a
# sizeable part of the smaller run, and would make the larger one look faster per byte.
#
#   bench/compare.sh [--mix NAME] [--page STYLE] [--export FORMATS] [--runs N] [--size MB]
#                    [--small MB] [--build DIR] [--work DIR] [--strict]
#
# Without --mix the playlist is mostly ASCII, a fifth of its entries in 1252 letters. With
# --mix it is in one language throughout, every tag filled, and iconv reads it from that
# language's code page: ascii and latin (1252), cyrillic (1251), japanese (932), chinese
# (936); the converter must then reach 1.5 times iconv's rate, or 1.2 times with --page
# table, which writes a second document.
# Sizes are in MB of 10^6 bytes, as are all the rates printed. --strict makes the script
# exit with 1 when a target is missed (it exits 0 otherwise: it measures, it does not test).
# --page passes the viewer page's style to sqk2xml-cli (classic unless told), --export its
# exports (xspf,m3u8,csv): with exports the targets are 1.0 times iconv and 24 MiB.
set -euo pipefail
export LC_ALL=C
cd "$(dirname "$0")/.."

mix=
runs=5
size_mb=200
small_mb=20
build_dir=build/bench
work_dir=
strict=0
page=classic
exports=
while [ $# -gt 0 ]; do
  case "$1" in
    --mix) mix=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --size) size_mb=$2; shift 2 ;;
    --small) small_mb=$2; shift 2 ;;
    --build) build_dir=$2; shift 2 ;;
    --work) work_dir=$2; shift 2 ;;
    --page) page=$2; shift 2 ;;
    --export) exports=$2; shift 2 ;;
    --strict) strict=1; shift ;;
    -h|--help) sed -n '2,23p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "compare.sh: unknown option '$1'" >&2; exit 2 ;;
  esac
done
[ -n "$work_dir" ] || work_dir=$build_dir/compare

bash scripts/deps.sh bench
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DSQK2XML_BUILD_TESTS=OFF \
  -DSQK2XML_BUILD_BENCH=ON >/dev/null
cmake --build "$build_dir" -j 2 --target sqk2xml-cli sqk2xml-genplaylist >/dev/null
cli=$(realpath "$build_dir/cli/sqk2xml-cli")
gen=$(realpath "$build_dir/bench/sqk2xml-genplaylist")
gnu_time=/usr/bin/time

mkdir -p "$work_dir"
work_dir=$(realpath "$work_dir")

# Without a mix: mostly ASCII with a fifth of the entries in 1252 letters and a few
# damaged entries (whose bytes are still 1252 text, so that iconv takes the file too).
case "$mix" in
  "") gen_options=(--latin 20 --malformed 2); codepage=1252; name=playlist; target=1.0 ;;
  ascii|latin) gen_options=(--mix "$mix"); codepage=1252 ;;
  cyrillic) gen_options=(--mix "$mix"); codepage=1251 ;;
  japanese) gen_options=(--mix "$mix"); codepage=932 ;;
  chinese) gen_options=(--mix "$mix"); codepage=936 ;;
  *) echo "compare.sh: unknown mix '$mix'" >&2; exit 2 ;;
esac
[ -z "$mix" ] || { name=$mix; target=1.5; }
[ -z "$mix" ] || [ "$page" != table ] || target=1.2
memory_kib=16384
if [ -n "$exports" ]; then
  target=1.0
  memory_kib=24576
fi
export_args=()
[ -z "$exports" ] || export_args=(--export "$exports")
generate() { # size_mb file
  local bytes=$(($1 * 1000000))
  if [ ! -f "$2" ] || [ "$(stat -c %s "$2")" -gt "$bytes" ] ||
     [ "$(stat -c %s "$2")" -lt $((bytes - 100000)) ]; then
    "$gen" --seed 1 --size "$bytes" "${gen_options[@]}" -o "$2"
  fi
}
big=$work_dir/$name-${size_mb}MB.sqk
small=$work_dir/$name-${small_mb}MB.sqk
generate "$size_mb" "$big"
generate "$small_mb" "$small"
# A playlist of one entry in the same language: what a run costs whatever its size, the
# code page's table included.
one=$work_dir/$name-one.sqk
"$gen" --seed 1 --entries 1 "${gen_options[@]}" -o "$one"

# Runs the command given once (after its output is removed, untimed) and prints seconds.
# The clock is bash's own: starting date(1) twice would add milliseconds to every run.
# A document's viewer page goes too: every run writes its files afresh, as a first
# conversion does. A page left by the run before would be rewritten while the system still
# writes it to the disk (ext4 writes out a file truncated and written again as it is
# closed), and its truncation would wait for that.
time_once() { # output command...
  local out=$1; shift
  rm -f "$out" "${out%.xml}".{htm,xspf,m3u8,csv}
  local t0 t1
  t0=$EPOCHREALTIME
  "$@"
  t1=$EPOCHREALTIME
  awk -v a="$t0" -v b="$t1" 'BEGIN { printf "%.6f\n", b - a }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { if (NR % 2) print v[(NR + 1) / 2];
                                               else print (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

run_cli() { "$cli" --codepage "$codepage" --page "$page" "${export_args[@]}" "$1" >/dev/null; }
run_iconv() { iconv -f "CP$codepage" -t UTF-8 "$1" >"$2"; }
run_cat() { cat "$1" >"$2"; }

measure() { # playlist label -> sets t_cli, t_iconv, t_cat (median seconds)
  local playlist=$1 xml=${1%.sqk}.xml
  cat "$playlist" >/dev/null # into the page cache
  run_cli "$playlist"        # once untimed: warms the binary and the code page table
  local cli_times=() iconv_times=() cat_times=()
  for ((i = 1; i <= runs; i++)); do
    cli_times+=("$(time_once "$xml" run_cli "$playlist")")
    iconv_times+=("$(time_once "$work_dir/out.iconv" run_iconv "$playlist" "$work_dir/out.iconv")")
    cat_times+=("$(time_once "$work_dir/out.cat" run_cat "$playlist" "$work_dir/out.cat")")
    echo "  $2 run $i: sqk2xml-cli ${cli_times[-1]} s, iconv ${iconv_times[-1]} s, cat ${cat_times[-1]} s" >&2
  done
  t_cli=$(printf '%s\n' "${cli_times[@]}" | median)
  t_iconv=$(printf '%s\n' "${iconv_times[@]}" | median)
  t_cat=$(printf '%s\n' "${cat_times[@]}" | median)
}

rate() { awk -v n="$1" -v t="$2" 'BEGIN { printf "%.0f", n / 1e6 / t }'; }
peak_kib() {
  "$gnu_time" -f %M "$cli" --codepage "$codepage" --page "$page" "${export_args[@]}" "$1" \
    2>&1 >/dev/null | tail -n 1
}

big_bytes=$(stat -c %s "$big")
small_bytes=$(stat -c %s "$small")

echo "Machine: $(nproc) cores, $(awk -F': ' '/model name/ { print $2; exit }' /proc/cpuinfo)," \
  "$(awk '/MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)"
echo "Playlists: ${mix:-the default mix}, code page $codepage; $big_bytes bytes and" \
  "$small_bytes bytes; $runs runs each, median; --page $page${exports:+, --export $exports}"
echo

measure "$big" "${size_mb} MB"
cli_rate=$(rate "$big_bytes" "$t_cli")
t_big=$t_cli
iconv_rate=$(rate "$big_bytes" "$t_iconv")
cat_rate=$(rate "$big_bytes" "$t_cat")
xml_bytes=$(stat -c %s "${big%.sqk}.xml")
page_bytes=$(stat -c %s "${big%.sqk}.htm" 2>/dev/null || echo none)

measure "$small" "${small_mb} MB"
small_rate=$(rate "$small_bytes" "$t_cli")
small_iconv_rate=$(rate "$small_bytes" "$t_iconv")
t_small=$t_cli

# The start-up: starting the process, and creating the document and its page.
start_times=()
for ((i = 1; i <= 4 * runs; i++)); do
  start_times+=("$(time_once "${one%.sqk}.xml" run_cli "$one")")
done
t_start=$(printf '%s\n' "${start_times[@]}" | median)
big_net_rate=$(awk -v n="$big_bytes" -v t="$t_big" -v s="$t_start" 'BEGIN { printf "%.0f", n / 1e6 / (t - s) }')
small_net_rate=$(awk -v n="$small_bytes" -v t="$t_small" -v s="$t_start" 'BEGIN { printf "%.0f", n / 1e6 / (t - s) }')

rss_small=$(peak_kib "$small")
rss_big=$(peak_kib "$big")
rm -f "$work_dir/out.iconv" "$work_dir/out.cat"

ratio_iconv=$(awk -v a="$cli_rate" -v b="$iconv_rate" 'BEGIN { printf "%.2f", a / b }')
small_ratio_iconv=$(awk -v a="$small_rate" -v b="$small_iconv_rate" 'BEGIN { printf "%.2f", a / b }')
ratio_cat=$(awk -v a="$cli_rate" -v b="$cat_rate" 'BEGIN { printf "%.3f", a / b }')
linear=$(awk -v a="$cli_rate" -v b="$small_rate" 'BEGIN { printf "%.2f", a / b }')
linear_net=$(awk -v a="$big_net_rate" -v b="$small_net_rate" 'BEGIN { printf "%.2f", a / b }')

echo
printf '%-34s %8s MB/s  (XML document: %s bytes, page: %s bytes)\n' "sqk2xml-cli, ${size_mb} MB" \
  "$cli_rate" "$xml_bytes" "$page_bytes"
printf '%-34s %8s MB/s\n' "iconv -f CP$codepage -t UTF-8, ${size_mb} MB" "$iconv_rate"
printf '%-34s %8s MB/s\n' "cat, ${size_mb} MB" "$cat_rate"
printf '%-34s %8s MB/s\n' "sqk2xml-cli, ${small_mb} MB" "$small_rate"
printf '%-34s %8s MB/s\n' "iconv -f CP$codepage -t UTF-8, ${small_mb} MB" "$small_iconv_rate"
echo
echo "sqk2xml-cli / iconv:   $ratio_iconv at ${size_mb} MB, $small_ratio_iconv at ${small_mb} MB"
echo "sqk2xml-cli / cat:     $ratio_cat"
echo "start-up (a playlist of one entry): $(awk -v t="$t_start" 'BEGIN { printf "%.1f", t * 1000 }') ms"
echo "rate ${size_mb} MB / ${small_mb} MB:                 $linear"
echo "the same, net of the start-up:       $linear_net" \
  "($big_net_rate and $small_net_rate MB/s)"
echo "peak RSS of sqk2xml-cli: $rss_small KiB at ${small_mb} MB, $rss_big KiB at ${size_mb} MB"
echo

missed=0
verdict() { # description condition
  if awk "BEGIN { exit !($2) }"; then echo "  met:    $1"; else echo "  MISSED: $1"; missed=1; fi
}
echo "Targets:"
verdict "$target times iconv's rate at ${size_mb} MB (ratio $ratio_iconv)" "$ratio_iconv >= $target"
verdict "$target times iconv's rate at ${small_mb} MB (ratio $small_ratio_iconv)" \
  "$small_ratio_iconv >= $target"
verdict "peak memory under $((memory_kib / 1024)) MiB at ${size_mb} MB ($rss_big KiB)" \
  "$rss_big < $memory_kib"
verdict "linear: rate at ${size_mb} MB within 20% of ${small_mb} MB, net of the start-up ($linear_net)" \
  "$linear_net >= 0.8 && $linear_net <= 1.2"
[ "$strict" -eq 1 ] && [ "$missed" -eq 1 ] && exit 1
exit 0
