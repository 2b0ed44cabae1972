#!/usr/bin/env bash
# Builds the Windows .zip from a build tree, unpacks it into a scratch folder and checks
# what it holds: exactly the two programs, README and LICENSE, and programs that run
# from there under Wine (the converter converts; the dialog shows and ends on Escape).
#   check_zip.sh SOURCE_DIR BUILD_DIR WINE-RUN...
set -euo pipefail
source=$1
build=$2
shift 2
wine_run=("$@")
scratch=$(mktemp -d)
app_pid=
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() { echo "zip: $*" >&2; exit 1; }

source "$(dirname "$0")/make_package.sh"
source "$(dirname "$0")/dialog_keys.sh"
make_package ZIP zip
zip=$package
top="sqk2xml-$version-win64"
[ "$(basename "$zip")" = "$top.zip" ] || fail "unexpected name $(basename "$zip")"

mkdir "$scratch/root"
(cd "$scratch/root" && cmake -E tar xf "$zip")
expected="$top/LICENSE
$top/README.md
$top/sqk2xml-cli.exe
$top/sqk2xml.exe"
actual=$(cd "$scratch/root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "files differ from the expected list:
$(diff <(echo "$expected") <(echo "$actual") || true)"
cmp -s "$scratch/root/$top/LICENSE" "$source/LICENSE" || fail "LICENSE differs"
cmp -s "$scratch/root/$top/README.md" "$source/README.md" || fail "README.md differs"
app="$scratch/root/$top"

# The unpacked converter runs and converts.
[ "$("${wine_run[@]}" "$app/sqk2xml-cli.exe" --version | tr -d '\r' | head -n 1)" = \
  "sqk2xml-cli $version" ] || fail "sqk2xml-cli.exe --version"
printf '#Sonquill playlist\r\nC:\\a.mp3\r\n' >"$scratch/list.sqk"
"${wine_run[@]}" "$app/sqk2xml-cli.exe" "Z:$scratch/list.sqk" >/dev/null ||
  fail "sqk2xml-cli.exe cannot convert"
grep -q '<TITLE>a</TITLE>' "$scratch/list.xml" || fail "the converted document lacks its track"

# The unpacked dialog program shows its dialog and ends with status 0 on Escape. Its
# windows go to the display of the Wine prefix (the fixture's Xvfb).
export DISPLAY
DISPLAY=$("${wine_run[@]}" --display) || fail "no X display for the Wine prefix"
"${wine_run[@]}" "$app/sqk2xml.exe" &
app_pid=$!
find_dialog "$app_pid" || fail "sqk2xml.exe showed no dialog"
press_until Escape ended "$app_pid" || fail "Escape did not end sqk2xml.exe"
status=0
wait "$app_pid" || status=$?
app_pid=
[ "$status" -eq 0 ] || fail "sqk2xml.exe ended with status $status"
echo "zip: $(basename "$zip"): files and programs as expected"
