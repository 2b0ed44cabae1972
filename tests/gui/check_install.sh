#!/usr/bin/env bash
# Installs the build into a fresh prefix and checks the desktop integration: both
# programs, the menu entry, the hicolor icons and the AppStream data, validated by the
# desktop's own tools when they are installed.
#   check_install.sh SOURCE_DIR BUILD_DIR [DESKTOP_FILE_VALIDATE] [APPSTREAMCLI]
set -euo pipefail
source=$1
build=$2
desktop_validate=${3:-}
appstream=${4:-}
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT

fail() { echo "install: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null
for file in bin/sqk2xml bin/sqk2xml-cli; do
  [ -x "$prefix/$file" ] || fail "$file is missing or not executable"
done
man=$prefix/share/man/man1/sqk2xml-cli.1
[ -f "$man" ] || fail "the man page of sqk2xml-cli is missing"
grep -q '^\.TH SQK2XML-CLI 1' "$man" || fail "$man is no man page of section 1"
desktop=$prefix/share/applications/io.sqk2xml.sqk2xml.desktop
metainfo=$prefix/share/metainfo/io.sqk2xml.sqk2xml.metainfo.xml
[ -f "$desktop" ] || fail "the desktop entry is missing"
[ -f "$metainfo" ] || fail "the AppStream metainfo is missing"
grep -qx 'Exec=sqk2xml %f' "$desktop" || fail "the desktop entry does not start sqk2xml with a file"
grep -qx 'Icon=sqk2xml' "$desktop" || fail "the desktop entry names another icon"
grep -q '^Comment=.' "$desktop" || fail "the desktop entry has no description"
# The release the metainfo names is the product version of the version block.
version=$(sed -n 's/^SQK_VERSION_STRING("ProductVersion", "\(.*\)")$/\1/p' "$source/res/version.inc")
[ -n "$version" ] || fail "res/version.inc names no product version"
grep -q "<release version=\"$version\"" "$metainfo" ||
  fail "the metainfo's release is not version $version"

# Each icon is a PNG of its folder's size: width and height are the big-endian words at
# bytes 16 and 20.
for size in 16 32; do
  png=$prefix/share/icons/hicolor/${size}x${size}/apps/sqk2xml.png
  [ -f "$png" ] || fail "the ${size}x${size} icon is missing"
  [ "$(od -An -tx1 -N8 "$png" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is no PNG"
  read -r width height < <(od -An -tu4 --endian=big -j16 -N8 "$png")
  [ "$width" -eq "$size" ] && [ "$height" -eq "$size" ] ||
    fail "the ${size}x${size} icon is ${width}x${height}"
done

if [ -n "$desktop_validate" ]; then
  "$desktop_validate" "$desktop" || fail "desktop-file-validate rejects the desktop entry"
else
  echo "install: desktop-file-validate is not installed; entry not validated"
fi
if [ -n "$appstream" ]; then
  "$appstream" validate --no-net "$metainfo" || fail "appstreamcli rejects the metainfo"
else
  echo "install: appstreamcli is not installed; metainfo not validated"
fi
echo "install: programs, desktop entry, icons and metainfo in place"
