# Sourced by the package checks: the dialog of a Windows program under Wine, found and
# driven with xdotool. A key sent before Wine has given the dialog the focus is lost, so
# keys are sent again until the dialog acts.

# find_dialog PID: sets $window to the visible sqk2xml dialog of process PID, waiting up
# to 20 s; false when none showed.
find_dialog() {
  window=
  for _ in $(seq 200); do
    window=$(xdotool search --onlyvisible --pid "$1" --name '^sqk2xml$' 2>/dev/null |
      head -n 1) && [ -n "$window" ] && return 0
    sleep 0.1
  done
  return 1
}

# press_until KEY COMMAND...: presses KEY in $window until COMMAND succeeds, looking for 2 s
# after each of at most ten presses; false when it never did.
press_until() {
  local key=$1
  shift
  for _ in $(seq 10); do
    xdotool windowfocus --sync "$window" 2>/dev/null || true
    xdotool key --window "$window" "$key" 2>/dev/null || true
    for _ in $(seq 20); do
      "$@" && return 0
      sleep 0.1
    done
  done
  return 1
}

# ended PID: true once process PID has ended.
ended() { ! kill -0 "$1" 2>/dev/null; }
