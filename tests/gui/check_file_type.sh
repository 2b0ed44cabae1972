#!/usr/bin/env bash
# Installs the build into a fresh prefix and registers its file type and desktop entry in
# a scratch XDG_DATA_HOME, as a desktop does for a user's own programs; then asks the
# desktop's tools what a playlist is and what opens it.
#   check_file_type.sh BUILD_DIR
set -euo pipefail
build=$1
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
fail() { echo "file type: $*" >&2; exit 1; }

prefix=$scratch/prefix
cmake --install "$build" --prefix "$prefix" >/dev/null
mime=$prefix/share/mime/packages/io.sqk2xml.sqk2xml.xml
desktop=$prefix/share/applications/io.sqk2xml.sqk2xml.desktop
[ -f "$mime" ] || fail "the MIME definition is not installed"
xmllint --noout "$mime" 2>/dev/null || [ $? -eq 127 ] || fail "the MIME definition is no XML"
grep -qx 'MimeType=application/x-sonquill-playlist;' "$desktop" ||
  fail "the desktop entry names no playlist type"
grep -qx 'Exec=sqk2xml %f' "$desktop" || fail "the desktop entry passes no file"

# Only the scratch folders and the system's own database: the user's are not read.
export XDG_DATA_HOME=$scratch/data XDG_CONFIG_HOME=$scratch/config
export XDG_DATA_DIRS=/usr/share XDG_CONFIG_DIRS=/etc/xdg
unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID
mkdir -p "$XDG_DATA_HOME/mime/packages" "$XDG_DATA_HOME/applications" "$XDG_CONFIG_HOME"
cp "$mime" "$XDG_DATA_HOME/mime/packages/"
cp "$desktop" "$XDG_DATA_HOME/applications/"
update-mime-database "$XDG_DATA_HOME/mime"
update-desktop-database "$XDG_DATA_HOME/applications"
grep -q '^application/x-sonquill-playlist=.*io\.sqk2xml\.sqk2xml\.desktop' \
  "$XDG_DATA_HOME/applications/mimeinfo.cache" || fail "the desktop database lacks the type"

mkdir "$scratch/music"
printf '#Sonquill playlist\r\nC:\\a.mp3\r\n' >"$scratch/music/party.sqk"
cp "$scratch/music/party.sqk" "$scratch/music/renamed.txt"
printf 'just some notes\n' >"$scratch/music/notes.txt"
printf 'not a playlist\n' >"$scratch/music/empty-ish.sqk"

# On a desktop of no particular kind xdg-mime asks File::MimeInfo; on GNOME, gio. Both
# read the shared MIME database; gio trusts a name's one glob before any content, so only
# the first knows a playlist named .txt by its header.
for desktop_kind in generic GNOME; do
  if [ "$desktop_kind" = GNOME ]; then
    export XDG_CURRENT_DESKTOP=GNOME
  fi
  type_of() { xdg-mime query filetype "$scratch/music/$1" 2>/dev/null | sed 's/;.*//'; }
  [ "$(type_of party.sqk)" = application/x-sonquill-playlist ] ||
    fail "$desktop_kind: party.sqk is $(type_of party.sqk)"
  if [ "$desktop_kind" = generic ]; then
    [ "$(type_of renamed.txt)" = application/x-sonquill-playlist ] ||
      fail "a playlist named .txt is $(type_of renamed.txt), not known by its header"
  fi
  [ "$(type_of notes.txt)" = text/plain ] ||
    fail "$desktop_kind: notes.txt is $(type_of notes.txt)"
  [ "$(type_of empty-ish.sqk)" = application/x-sonquill-playlist ] ||
    fail "$desktop_kind: a .sqk is $(type_of empty-ish.sqk) (the name alone names the type)"
  default=$(xdg-mime query default application/x-sonquill-playlist)
  [ "$default" = io.sqk2xml.sqk2xml.desktop ] ||
    fail "$desktop_kind: playlists open with '$default'"
done
echo "file type: playlists known by name and by header, opened by sqk2xml"
