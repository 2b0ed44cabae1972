#!/usr/bin/env bash
# A system that uses UTF-8 as its ANSI code page (65001) still reads playlists in its
# locale's own page. Wine takes 65001 for a locale without an ANSI page of its own
# (Hindi); it does not honour the registry's ACP value. (That locale is not installed on
# the host, so only ASCII crosses Wine's command line intact: the names here are ASCII.)
#   utf8_code_page.sh ACTIVE_CODE_PAGE.EXE SQK2XML-CLI.EXE WINE-RUN...
set -euo pipefail
probe=$1
cli=$2
shift 2
wine_run=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "utf8 code page: $*" >&2; exit 1; }
export LC_ALL=hi_IN.UTF-8

# The system answers 65001, the program reads the playlists in 1252.
pages=$("${wine_run[@]}" "$probe" 2>/dev/null | tr -d '\r')
[ "$pages" = "system 65001 active 1252" ] || fail "code pages: '$pages'"

# A playlist written on a Western European system: its letters arrive, none as U+FFFD.
printf '#Sonquill playlist\r\nC:\\Music\\Caf\xe9.mp3\001NAME:Caf\xe9 cr\xe8me\001ATST:Bj\xf6rk\r\n' \
  >"$scratch/list.sqk"
"${wine_run[@]}" "$cli" "Z:$scratch/list.sqk" >/dev/null 2>&1 || fail "the conversion failed"
for line in '<FILEPATH>C:\Music\Café.mp3</FILEPATH>' '<TITLE>Café crème</TITLE>' \
  '<ARTIST>Björk</ARTIST>'; do
  grep -qF "$line" "$scratch/list.xml" || fail "missing: $line"
done
! grep -q $'\xef\xbf\xbd' "$scratch/list.xml" || fail "letters became U+FFFD"

# --codepage still chooses: the same bytes read as 1251.
rm -f "$scratch/list.xml"
"${wine_run[@]}" "$cli" --codepage 1251 "Z:$scratch/list.sqk" >/dev/null 2>&1 ||
  fail "the conversion with --codepage failed"
grep -qF '<TITLE>Cafй crиme</TITLE>' "$scratch/list.xml" || fail "--codepage 1251 was not used"

echo "utf8 code page: playlists read in 1252 on a UTF-8 system"
