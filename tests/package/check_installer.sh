#!/usr/bin/env bash
# Builds the Windows installer from a build tree with makensis and runs it under Wine:
# a silent install (/S) must put the programs, the Start menu entry, the uninstall entry
# and the .sqk association in place for the user; the installed converter converts the
# example; the association's command starts the dialog with the playlist's path filled
# in; a silent uninstall must leave no file and no key behind.
#   check_installer.sh SOURCE_DIR BUILD_DIR WINE-RUN...
set -euo pipefail
source=$1
build=$2
shift 2
wine_run=("$@")
scratch=$(mktemp -d)
uninstall_key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\sqk2xml'
classes='HKCU\Software\Classes'
start_pid=
cleanup() {
  [ -n "$start_pid" ] && kill "$start_pid" 2>/dev/null
  # A failed run must not leave the installation to the next one.
  [ -n "${inst:-}" ] && [ -x "$inst/Uninstall.exe" ] && "${wine_run[@]}" "$inst/Uninstall.exe" /S
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "installer: $*" >&2; exit 1; }

source "$(dirname "$0")/make_package.sh"
source "$(dirname "$0")/dialog_keys.sh"
make_package NSIS exe
installer=$package
[ "$(basename "$installer")" = "sqk2xml-$version-win64.exe" ] ||
  fail "unexpected name $(basename "$installer")"

wine_text() { "${wine_run[@]}" "$@" 2>/dev/null | tr -d '\r'; }
reg_value() { # KEY NAME (empty NAME: the default value) -> the data, or nothing
  local args=(reg query "$1")
  if [ -n "$2" ]; then args+=(/v "$2"); else args+=(/ve); fi
  wine_text "${args[@]}" | sed -n 's/^ *[^ ].*REG_[A-Z_]* *//p' | head -n 1
}
key_exists() { "${wine_run[@]}" reg query "$1" >/dev/null 2>&1; }
host_path() { wine_text winepath -u "$1"; }

local_appdata=$(wine_text cmd /c echo %LOCALAPPDATA%)
appdata=$(wine_text cmd /c echo %APPDATA%)
[ -n "$local_appdata" ] && [ "$local_appdata" != %LOCALAPPDATA% ] || fail "no LOCALAPPDATA"
win_inst="$local_appdata\\Programs\\sqk2xml"
inst=$(host_path "$win_inst")
link=$(host_path "$appdata\\Microsoft\\Windows\\Start Menu\\Programs\\sqk2xml.lnk")
# What a run that was cut short left behind goes first.
if [ -x "$inst/Uninstall.exe" ]; then
  "${wine_run[@]}" "$inst/Uninstall.exe" /S
  for _ in $(seq 200); do
    [ ! -e "$inst" ] && break
    sleep 0.1
  done
fi
if [ -e "$inst" ]; then
  inst=
  fail "$win_inst exists before the installation"
fi

# The silent installation, as the user: no elevation is asked for.
"${wine_run[@]}" "$installer" /S || fail "the installer ended with status $?"
expected="LICENSE
README.md
Uninstall.exe
sqk2xml-cli.exe
sqk2xml.exe"
actual=$(cd "$inst" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "installed files differ:
$(diff <(echo "$expected") <(echo "$actual") || true)"
[ -f "$link" ] || fail "no Start menu entry"

# Apps & features: name, version, publisher, icon and the uninstaller.
[ "$(reg_value "$uninstall_key" DisplayName)" = sqk2xml ] || fail "DisplayName"
[ "$(reg_value "$uninstall_key" DisplayVersion)" = "$version" ] || fail "DisplayVersion"
[ "$(reg_value "$uninstall_key" Publisher)" = "the sqk2xml developers" ] || fail "Publisher"
[ "$(reg_value "$uninstall_key" DisplayIcon)" = "$win_inst\\sqk2xml.exe,0" ] ||
  fail "DisplayIcon: $(reg_value "$uninstall_key" DisplayIcon)"
[ "$(reg_value "$uninstall_key" UninstallString)" = "\"$win_inst\\Uninstall.exe\"" ] ||
  fail "UninstallString: $(reg_value "$uninstall_key" UninstallString)"

# The file type, for this user.
[ "$(reg_value "$classes\\.sqk" '')" = sqk2xml.playlist ] || fail ".sqk is not registered"
command=$(reg_value "$classes\\sqk2xml.playlist\\shell\\open\\command" '')
[ "$command" = "\"$win_inst\\sqk2xml.exe\" \"%1\"" ] || fail "open command: $command"

# The installed converter converts the example, byte for byte.
cp "$source/examples/party.sqk" "$scratch/party.sqk"
"${wine_run[@]}" "$inst/sqk2xml-cli.exe" "Z:$scratch/party.sqk" >/dev/null ||
  fail "the installed sqk2xml-cli.exe cannot convert"
# The expected document names the playlist's folder @DIR@, in POSIX form.
win_dir=$(printf 'Z:%s' "$scratch" | tr / '\\' | sed 's/\\/\\\\/g')
sed -e '/@DIR@/{' -e 's|</FILEPATH>|@END@|' -e 'y|/|\\|' -e 's|@END@|</FILEPATH>|' \
  -e "s|@DIR@|$win_dir|" -e '}' "$source/tests/cli/party.xml" >"$scratch/expected.xml"
cmp -s "$scratch/party.xml" "$scratch/expected.xml" ||
  fail "the installed converter's party.xml differs from the expected document"

# The association's command, with %1 replaced by a playlist's path as Explorer passes it,
# starts the dialog with that path filled in: Return converts it. (Wine's own shell does
# not look at the user's classes, so the command is run here as the shell would run it.)
# Its windows go to the display of the Wine prefix (the fixture's Xvfb).
export DISPLAY
DISPLAY=$("${wine_run[@]}" --display) || fail "no X display for the Wine prefix"
mkdir "$scratch/opened"
printf '#Sonquill playlist\r\nC:\\Music\\Opened.mp3\r\n' >"$scratch/opened/list.sqk"
opened="Z:$(printf '%s' "$scratch/opened/list.sqk" | tr / '\\')"
program=${command%% \"%1\"}
program=${program//\"/}
"${wine_run[@]}" "$program" "$opened" &
start_pid=$!
find_dialog "$start_pid" || fail "the association's command showed no dialog"
# The document exists from the run's start and is filled as it ends: its content is waited for.
press_until Return grep -q '<TITLE>Opened</TITLE>' "$scratch/opened/list.xml" 2>/dev/null ||
  fail "the dialog did not start with the playlist's path"
press_until Escape ended "$start_pid" || fail "Escape did not end the dialog"
wait "$start_pid" || fail "the dialog ended with status $?"
start_pid=

# The silent uninstallation runs from a copy of itself and returns at once: wait for it.
"${wine_run[@]}" "$inst/Uninstall.exe" /S || fail "the uninstaller ended with status $?"
for _ in $(seq 200); do
  [ ! -e "$inst" ] && break
  sleep 0.1
done
[ ! -e "$inst" ] || fail "left behind: $(cd "$inst" && find . | tr '\n' ' ')"
inst_parent=$(dirname "$inst")
[ ! -e "$link" ] || fail "the Start menu entry is left behind"
for key in "$uninstall_key" "$classes\\sqk2xml.playlist" "$classes\\.sqk"; do
  ! key_exists "$key" || fail "$key is left behind"
done
[ -d "$inst_parent" ] || fail "the user's programs folder itself was removed"
inst=
echo "installer: $(basename "$installer"): installed, converts, opens playlists, uninstalled cleanly"
