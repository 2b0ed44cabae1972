#!/usr/bin/env python3
"""The exports read back by real parsers, each value against the XML document's.

sqk2xml-cli converts playlists in two code pages with every export. Python's csv module
reads the CSV, xmllint and Python's XML parser check the XSPF's form, and GNOME's playlist
parser (the plparse program, over totem-plparser) reads the XSPF and the M3U8 as a player
would. Each track's values must be the XML document's: text for text. The CSV also follows
the cases that every writer of the CSV rules shares (tests/support/csv-fields.json).
"""
import argparse
import csv
import json
import re
import subprocess
import sys
import tempfile
import urllib.parse
import xml.etree.ElementTree as ET
from pathlib import Path

XSPF = "{http://xspf.org/ns/0/}"
ELEMENTS = ["FILEPATH", "FILESIZE", "FILETYPE", "ARTIST", "TITLE", "ALBUM", "GENRE", "YEAR",
            "TRACKNUM", "SAMPRATE", "CHANNELS", "BITRATE", "DURATION"]
XSPF_ORDER = ["location", "title", "creator", "album", "trackNum", "duration"]

# Playlists with every kind of value, as (code page, bytes, --map arguments).
PLAYLISTS = [
    (1252, b"#Sonquill playlist\r\n"
           b"C:\\Music\\Jazz & Blues\\A b [live] #1 50%.mp3\x01NAME:Caf\xe9 <Live> & \"Co\""
           b"\x01ATST:=SUM(A1)\x01ALBM:Al, \"bum\"\x01GENR:Jazz\x01YEAR:1999\x01TRKN:03"
           b"\x01RATE:320\x01FREQ:44100\x01SIZE:5120000\x01CHNL:2\x01TIME:0185\x01TYPE:7\r\n"
           b"\\\\server\\share\\x.mp3\x01ATST:-5\x01TIME:abc\x01TRKN:1/12\r\n"
           b"rel.mp3\x01NAME:Rel\x01GENR:@home\x01TIME:0\r\n"
           b"C:\\Music\\cr\\u.mp3\x01NAME:a\rb\x01ALBM:\tTab\x01TIME:3600\r\n"
           b"D:\\x\\ctl\x02\x7f.mp3\x01NAME:ctl\x02\x01ATST:+1\r\n",
     ["C:\\Music\\Jazz & Blues=/srv/jazz & blues"]),
    (932, b"#Sonquill playlist\r\n"
          b"C:\\\x89\xb9\x8a\x79\\\x95\x5c\\\x8b\xc8.mp3\x01NAME:\x93\xfa\x96\x7b\x8c\xea"
          b"\x01ATST:\x89\xcc\x8e\xe8\x01ALBM:\xb1\xd9\xca\xde\xd1\x01TIME:61\r\n"
          b"C:\\\x89\xb9\x8a\x79X\\y.mp3\r\n",
     ["C:\\\u97f3\u697d=/srv/\u97f3\u697d"]),
]

failures = []


def check(condition, what):
    if not condition:
        failures.append(what)


def same_text(a, b):
    """Equal up to line breaks and tabs, which XML parsers and the M3U8 turn into others."""
    def norm(s):
        return re.sub(r"[\t\r\n]", " ", s or "")
    return norm(a) == norm(b)


def file_uri(path):
    """The file: URI of a full path, by the rules of RFC 8089 and the issue's examples."""
    def quote(p):
        return urllib.parse.quote(p.replace("\\", "/").encode("utf-8"), safe="/")
    if re.match(r"[A-Za-z]:[\\/]", path):
        return "file:///" + path[:2] + quote(path[2:])
    quoted = quote(path)
    if path.startswith("\\\\") or path.startswith("//"):
        return "file:" + quoted
    return "file://" + quoted


def guarded(value):
    """What a CSV cell holds for a value: a formula-like text behind a "'"."""
    if value and value[0] in "=+-@\t\r" and not re.fullmatch(r"[+-]?\d+(\.\d+)?", value):
        return "'" + value
    return value


def plparse(tool, path):
    result = subprocess.run([tool, str(path)], capture_output=True, text=True)
    check(result.returncode == 0, f"the playlist parser refused {path.name}")
    return [line.split("\t") for line in result.stdout.splitlines()]


def read_back(cli, tool, cp, playlist, moves, folder):
    name = f"list{cp}"
    (folder / f"{name}.sqk").write_bytes(playlist)
    args = [cli, "--codepage", str(cp), "--page", "none", "--export", "xspf,m3u8,csv"]
    for move in moves:
        args += ["--map", move]
    run = subprocess.run(args + [str(folder / f"{name}.sqk")], capture_output=True, text=True)
    check(run.returncode == 0, f"{name}: sqk2xml-cli exited with {run.returncode}: {run.stderr}")

    tracks = [{child.tag: child.text for child in track}
              for track in ET.parse(folder / f"{name}.xml").getroot()]
    check(len(tracks) == playlist.count(b"\n") - 1, f"{name}: tracks in the document")

    # CSV: Python's csv module, every cell the document's value (or the guarded one).
    with open(folder / f"{name}.csv", encoding="utf-8-sig", newline="") as f:
        rows = list(csv.reader(f))
    check(rows[0] == ELEMENTS, f"{name}: CSV header {rows[0]}")
    check(len(rows) - 1 == len(tracks), f"{name}: CSV rows")
    for i, (row, track) in enumerate(zip(rows[1:], tracks)):
        for element, cell in zip(ELEMENTS, row):
            check(same_text(cell, guarded(track.get(element) or "")),
                  f"{name}: CSV track {i} {element}: {cell!r} against {track.get(element)!r}")

    # XSPF: well-formed for xmllint, of XSPF's form, and as the playlist parser reads it.
    xspf = folder / f"{name}.xspf"
    lint = subprocess.run(["xmllint", "--noout", "--nonet", str(xspf)], capture_output=True, text=True)
    check(lint.returncode == 0, f"{name}: xmllint: {lint.stderr}")
    root = ET.parse(xspf).getroot()
    check(root.tag == XSPF + "playlist" and root.get("version") == "1", f"{name}: XSPF root")
    track_lists = root.findall(XSPF + "trackList")
    check(len(track_lists) == 1, f"{name}: one trackList")
    xspf_tracks = track_lists[0].findall(XSPF + "track")
    check(len(xspf_tracks) == len(tracks), f"{name}: XSPF tracks")
    for i, track in enumerate(xspf_tracks):
        tags = [child.tag[len(XSPF):] for child in track]
        check(tags == [t for t in XSPF_ORDER if t in tags], f"{name}: XSPF track {i} order {tags}")
    entries = plparse(tool, xspf)
    check(len(entries) == len(tracks), f"{name}: XSPF entries the parser found")
    for i, (entry, track) in enumerate(zip(entries, tracks)):
        uri, title, author, album, duration = entry
        check(uri == file_uri(track["FILEPATH"]), f"{name}: XSPF {i} location {uri}")
        for got, element in ((title, "TITLE"), (author, "ARTIST"), (album, "ALBUM")):
            check(same_text(got, track.get(element) or "-"), f"{name}: XSPF {i} {element}: {got!r}")
        seconds = track.get("DURATION") or ""
        check(duration == (str(int(seconds) * 1000) if seconds.isdigit() else "-"),
              f"{name}: XSPF {i} duration {duration}")

    # M3U8: the parser's title is "ARTIST - TITLE"; it resolves only POSIX paths here.
    entries = plparse(tool, folder / f"{name}.m3u8")
    check(len(entries) == len(tracks), f"{name}: M3U8 entries the parser found")
    for i, (entry, track) in enumerate(zip(entries, tracks)):
        label = " - ".join(v for v in (track.get("ARTIST"), track.get("TITLE")) if v)
        check(same_text(entry[1], label or "-"), f"{name}: M3U8 {i} title {entry[1]!r}")
        if track["FILEPATH"].startswith("/"):
            check(entry[0] == track["FILEPATH"], f"{name}: M3U8 {i} path {entry[0]}")
    return len(tracks)


def csv_cases(cli, folder):
    """The CSV export against the cases every writer of the CSV rules shares."""
    root = Path(__file__).resolve().parents[2]
    with open(root / "tests" / "support" / "csv-fields.json", encoding="utf-8") as f:
        cases = json.load(f)["cases"]
    # Each value as an album, which no other value stands in for when it is empty.
    lines = [b"#Sonquill playlist"]
    for n, (value, _) in enumerate(cases):
        lines.append(b"C:\\cases\\%d.mp3\x01ALBM:" % n + value.encode("cp1252"))
    (folder / "cases.sqk").write_bytes(b"\r\n".join(lines) + b"\r\n")
    run = subprocess.run([cli, "--codepage", "1252", "--page", "none", "--export", "csv",
                          str(folder / "cases.sqk")], capture_output=True, text=True)
    check(run.returncode == 0, f"cases: sqk2xml-cli exited with {run.returncode}: {run.stderr}")
    text = (folder / "cases.csv").read_bytes().decode("utf-8")
    check(text.startswith("\ufeff"), "cases: the CSV has no byte-order mark")
    # The fields as written: a quoted one may hold a comma, a quote or a lone CR.
    field = re.compile(r'"(?:[^"]|"")*"|[^,\r\n]*')
    records = text.lstrip("\ufeff").split("\r\n")[1:-1]
    check(len(records) == len(cases), f"cases: {len(records)} records for {len(cases)} cases")
    album = ELEMENTS.index("ALBUM")
    for record, (value, expected) in zip(records, cases):
        fields, at = [], 0
        while at <= len(record):
            match = field.match(record, at)
            fields.append(match.group(0))
            at = match.end() + 1
        check(len(fields) == len(ELEMENTS) and fields[album] == expected,
              f"cases: {value!r} gave {fields[album] if len(fields) > album else fields!r}, "
              f"not {expected!r}")
    return len(cases)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--plparse", required=True)
    args = parser.parse_args()
    with tempfile.TemporaryDirectory() as folder:
        count = sum(read_back(args.cli, args.plparse, cp, playlist, moves, Path(folder))
                    for cp, playlist, moves in PLAYLISTS)
        count += csv_cases(args.cli, Path(folder))
    for failure in failures:
        print("FAIL", failure)
    print(f"exports read back: {count} tracks and CSV cases, {len(failures)} differences")
    return 1 if failures or count == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
