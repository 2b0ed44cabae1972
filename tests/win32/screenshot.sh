#!/usr/bin/env bash
# A screenshot of sqk2xml.exe's dialog under Wine, in a Wine desktop of its own on the
# prefix's Xvfb (so that Wine draws the caption), kept as a test artefact:
#   screenshot.sh SHOW_DIALOG.EXE SQK2XML.EXE OUT.png WINE-RUN...
# Fails when the dialog does not show, the picture is blank, or the program does not end
# with status 0 when cancelled.
set -euo pipefail
helper=$1
program=$2
out=$3
shift 3
wine_run=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "screenshot: $*" >&2; exit 1; }

export DISPLAY
DISPLAY=$("${wine_run[@]}" --display) || fail "no X display for the Wine prefix"

desktop="sqk2xml-shot-$$"
"${wine_run[@]}" explorer "/desktop=$desktop,600x140" "Z:$helper" "Z:$program" \
  "Z:$scratch/ready" "Z:$scratch/done" "Z:$scratch/status" >/dev/null 2>&1 &
for _ in $(seq 400); do
  [ -e "$scratch/ready" ] && break
  sleep 0.05
done
[ -e "$scratch/ready" ] || fail "the dialog did not show"
sleep 1 # the first paint
window=$(xdotool search --name "^$desktop - Wine desktop\$" | head -n 1)
[ -n "$window" ] || fail "no Wine desktop window"
mkdir -p "$(dirname "$out")"
import -window "$window" "$out"
touch "$scratch/done"
for _ in $(seq 600); do
  [ -s "$scratch/status" ] && break
  sleep 0.05
done
wait || true
status=$(tr -dc 0-9 <"$scratch/status" 2>/dev/null || true)
[ "$status" = 0 ] || fail "sqk2xml.exe ended with status '${status}'"
colours=$(convert "$out" -format %k info:)
[ "$colours" -gt 8 ] || fail "the picture is blank ($colours colours)"
echo "screenshot: $out"
