#!/usr/bin/env bash
# End to end on a real X server: starts Xvfb, runs the sqk2xml program with a playlist
# path (as the desktop opens a file), presses Return, checks the outputs and the
# hand-over; then types another path into the field with xdotool and converts that; presses
# Escape and checks that the process ended with status 0.
#   e2e_xvfb.sh PROGRAM ARTIFACT_DIR
# A screenshot of the dialog, and the document and page it wrote (dialog/), are left in
# ARTIFACT_DIR.
set -euo pipefail

program=$1
artifacts=$2
mkdir -p "$artifacts"

work=$(mktemp -d)
xvfb_pid=
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "e2e: $*" >&2
  [ -f "$work/app.log" ] && sed 's/^/  program: /' "$work/app.log" >&2
  exit 1
}

# Waits up to $1 tenths of a second for the command after it to succeed.
wait_for() {
  local tries=$1
  shift
  until "$@"; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# A stand-in for the desktop's opener that records what it is handed.
mkdir "$work/bin"
cat >"$work/bin/xdg-open" <<'SCRIPT'
#!/bin/sh
printf '%s\n' "$1" >>"$SQK2XML_HANDOVER_LOG"
SCRIPT
chmod +x "$work/bin/xdg-open"
export PATH="$work/bin:$PATH"
export SQK2XML_HANDOVER_LOG="$work/handed-over.log"

# Its own settings and runtime folders; the X server below and nothing else.
mkdir -p "$work/config" "$work/runtime"
chmod 700 "$work/runtime"
export XDG_CONFIG_HOME="$work/config" XDG_RUNTIME_DIR="$work/runtime"
unset WAYLAND_DISPLAY QT_QPA_PLATFORM

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 100 test -s "$work/display" || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$work/display")"

mkdir "$work/music"
printf '#Sonquill playlist\r\n/music/First Song.mp3\r\n/music/Second Song.mp3\r\n' \
  >"$work/music/party.sqk"
printf '#Sonquill playlist\r\n/music/Typed Song.mp3\r\n' >"$work/music/typed.sqk"
cp "$work/music/party.sqk" "$work/music/other.sqk"

# The first path fills the field; the option would move the program off this X server if
# the window system read it, and the second path is passed over.
"$program" --platform=offscreen "$work/music/party.sqk" "$work/music/other.sqk" \
  >"$work/app.log" 2>&1 &
app_pid=$!

find_window() { wid=$(xdotool search --onlyvisible --name '^sqk2xml$' 2>/dev/null | head -n1); [ -n "$wid" ]; }
wait_for 200 find_window || fail "the dialog did not appear"

# No window manager gives the focus here: a click into the path field does, once the
# program has had a moment to take input.
sleep 0.5
xdotool mousemove --window "$wid" 40 15 click 1
sleep 0.3
xdotool key Return

wait_for 100 test -s "$SQK2XML_HANDOVER_LOG" || fail "nothing was handed over"
[ -f "$work/music/party.xml" ] || fail "party.xml was not written"
[ -f "$work/music/party.htm" ] || fail "party.htm was not written"
grep -q 'Second Song' "$work/music/party.xml" || fail "party.xml lacks the second track"
[ "$(cat "$SQK2XML_HANDOVER_LOG")" = "$work/music/party.htm" ] ||
  fail "handed over: $(cat "$SQK2XML_HANDOVER_LOG")"
[ ! -e "$work/music/other.xml" ] || fail "the second command-line path was converted"
kill -0 "$app_pid" 2>/dev/null || fail "the dialog closed on Convert"

/usr/bin/import -window "$wid" "$artifacts/sqk2xml-e2e.png" || echo "e2e: no screenshot" >&2
# The dialog's outputs, for the browser test to open the page a dialog run wrote.
rm -rf "$artifacts/dialog"
mkdir "$artifacts/dialog"
cp "$work/music/party.sqk" "$work/music/party.xml" "$work/music/party.htm" "$artifacts/dialog/"

# A path typed over the one the program started with.
xdotool key ctrl+a
xdotool type --delay 20 "$work/music/typed.sqk"
xdotool key Return
# The hand-over comes once the files are complete; a file that exists may still be empty.
wait_for 100 eval '[ "$(wc -l <"$SQK2XML_HANDOVER_LOG")" -eq 2 ]' ||
  fail "handed over: $(cat "$SQK2XML_HANDOVER_LOG")"
[ -f "$work/music/typed.xml" ] || fail "typed.xml was not written"
grep -q 'Typed Song' "$work/music/typed.xml" || fail "typed.xml lacks its track"

xdotool key Escape
wait_for 100 eval '! kill -0 "$app_pid" 2>/dev/null' || fail "Escape did not end the program"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "exit status $status"
[ "$(sed -n 2p "$SQK2XML_HANDOVER_LOG")" = "$work/music/typed.htm" ] ||
  fail "handed over: $(cat "$SQK2XML_HANDOVER_LOG")"
[ "$(wc -l <"$SQK2XML_HANDOVER_LOG")" -eq 2 ] || fail "more than two hand-overs"
echo "e2e: started with a path, converted it and a typed one, ended with status 0"
