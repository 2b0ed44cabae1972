#!/usr/bin/env bash
# Builds the .deb from a build tree, unpacks it into a scratch root and checks what it
# holds: exactly the expected files, the control fields, dependencies read from the
# binaries, and programs that run from there.
#   check_deb.sh SOURCE_DIR BUILD_DIR
set -euo pipefail
source=$1
build=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

fail() { echo "deb: $*" >&2; exit 1; }

source "$(dirname "$0")/make_package.sh"
make_package DEB deb
deb=$package
[ "$(basename "$deb")" = "sqk2xml_${version}_amd64.deb" ] || fail "unexpected name $(basename "$deb")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = sqk2xml ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version), not $version"
depends=$(field Depends)
for library in libc6 libqt6widgets6; do
  [[ ", $depends" == *", $library "* ]] || fail "Depends lacks $library: $depends"
done
[ "$(field Recommends)" = "xdg-utils, shared-mime-info" ] ||
  fail "Recommends: $(field Recommends)"
[ "$(field Section)" = sound ] || fail "Section: $(field Section)"
# The MIME and desktop databases are brought up to date by their packages' file
# triggers: the package needs no maintainer scripts of its own.
scripts=$(dpkg-deb --ctrl-tarfile "$deb" | tar -t | sed 's|^\./||' | grep -v '^$' |
  LC_ALL=C sort | tr '\n' ' ')
[ "$scripts" = "control md5sums " ] || fail "control files: $scripts"

root=$scratch/root
dpkg-deb -x "$deb" "$root"
expected="usr/bin/sqk2xml
usr/bin/sqk2xml-cli
usr/share/applications/io.sqk2xml.sqk2xml.desktop
usr/share/doc/sqk2xml/README.md
usr/share/doc/sqk2xml/copyright
usr/share/icons/hicolor/16x16/apps/sqk2xml.png
usr/share/icons/hicolor/32x32/apps/sqk2xml.png
usr/share/man/man1/sqk2xml-cli.1
usr/share/metainfo/io.sqk2xml.sqk2xml.metainfo.xml
usr/share/mime/packages/io.sqk2xml.sqk2xml.xml"
actual=$(cd "$root" && find . -type f -o -type l | sed 's|^\./||' | LC_ALL=C sort)
[ "$actual" = "$expected" ] || fail "files differ from the expected list:
$(diff <(echo "$expected") <(echo "$actual") || true)"
cmp -s "$root/usr/share/doc/sqk2xml/copyright" "$source/LICENSE" || fail "copyright is not LICENSE"
cmp -s "$root/usr/share/mime/packages/io.sqk2xml.sqk2xml.xml" \
  "$source/ui/desktop/io.sqk2xml.sqk2xml.mime.xml" || fail "the MIME definition differs"
grep -qx 'MimeType=application/x-sonquill-playlist;' \
  "$root/usr/share/applications/io.sqk2xml.sqk2xml.desktop" || fail "the desktop entry names no type"

# The unpacked converter runs and converts.
[ "$("$root/usr/bin/sqk2xml-cli" --version | head -n 1)" = "sqk2xml-cli $version" ] ||
  fail "sqk2xml-cli --version"
printf '#Sonquill playlist\r\nC:\\a.mp3\r\n' >"$scratch/list.sqk"
"$root/usr/bin/sqk2xml-cli" "$scratch/list.sqk" >/dev/null || fail "sqk2xml-cli cannot convert"
grep -q '<TITLE>a</TITLE>' "$scratch/list.xml" || fail "the converted document lacks its track"
echo "deb: $(basename "$deb"): files, fields and dependencies as expected"
