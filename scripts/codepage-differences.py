#!/usr/bin/env python3
"""Writes tests/codepages/differences.txt from two dumps of codepage_dump: the POSIX build's
and the Windows build's under Wine. Differences are kept as runs:
  KIND FIRST-LAST n=N posix=P windows=W
where N is how many entries of KIND between FIRST and LAST each side that has them holds,
and P, W are "none", one character "U+XXXX" for all of them, or "U+XXXX+" for characters
counting up from it. The entries both sides share are kept as a hash (FNV-1a, 64 bits, of
their lines), so that a change on either side shows.

  scripts/codepage-differences.py build/default/tests/codepage_dump \\
      'scripts/wine-run build/windows/tests/codepage_dump.exe'
"""
import shlex
import subprocess
import sys

HEADER = """\
# Where the code page tables of the two systems differ: POSIX builds them with iconv,
# Windows with MultiByteToWideChar. Checked by CodePageTable.DifferencesAreTheRecordedOnes
# on both; written by scripts/codepage-differences.py. Why they differ:
# - single 80..FF of a double-byte page, and substitute: what a byte or pair that is no
#   character becomes. Windows has its own substitutes (U+30FB under 932, '?' under 936,
#   949 and 950; U+0080 for a single 0x80); POSIX has none and uses U+FFFD.
# - single bytes a single-byte page leaves undefined: Windows maps them to private-use
#   characters (874, 1253, 1255, 1257), POSIX keeps the byte's value (U+00XX). 1255's 0xCA
#   is U+05BA on Windows and undefined in the C library's table.
# - pairs only Windows has: the user-defined areas of 936, 949 and 950, which Windows maps
#   to private-use characters and iconv leaves out.
"""


def dump(command):
    out = subprocess.run(shlex.split(command), check=True, capture_output=True, text=True).stdout
    pages = {}
    for line in out.replace("\r", "").splitlines():
        if line.startswith("page "):
            cp = int(line.split()[1])
            pages[cp] = []
            continue
        entry, char = line.rsplit(" ", 1)
        pages[cp].append((entry, char))
    return pages


def fnv(lines):
    h = 0xCBF29CE484222325
    for line in lines:
        for b in (line + "\n").encode():
            h = ((h ^ b) * 0x100000001B3) & 0xFFFFFFFFFFFFFFFF
    return "%016x" % h


def split(entry):
    kind, _, code = entry.partition(" ")
    return kind, int(code, 16) if code else 0


def pattern(values):
    if all(v is None for v in values):
        return "none"
    if any(v is None for v in values):
        return None
    nums = [int(v[2:], 16) for v in values]
    if all(n == nums[0] for n in nums):
        return values[0]
    if all(n == nums[0] + i for i, n in enumerate(nums)):
        return values[0] + "+"
    return None


def runs(posix, windows):
    p, w = dict(posix), dict(windows)
    keys = sorted(set(p) | set(w), key=split)
    out, run = [], []

    def close():
        if run:
            kind, first = split(run[0])
            last = split(run[-1])[1]
            n = max(sum(k in p for k in run), sum(k in w for k in run))
            out.append("%s %X-%X n=%d posix=%s windows=%s" % (
                kind, first, last, n, pattern([p.get(k) for k in run]),
                pattern([w.get(k) for k in run])))

    for key in keys:
        same = p.get(key) == w.get(key)
        if same:
            close()
            run = []
            continue
        candidate = run + [key]
        if run and split(run[0])[0] == split(key)[0] and \
                pattern([p.get(k) for k in candidate]) and pattern([w.get(k) for k in candidate]) and \
                (key in p) == (run[0] in p) and (key in w) == (run[0] in w):
            run = candidate
        else:
            close()
            run = [key]
    close()
    return out, [e + " " + c for e, c in posix if w.get(e) == c]


def main():
    posix, windows = dump(sys.argv[1]), dump(sys.argv[2])
    lines = [HEADER]
    for cp in sorted(posix):
        differences, shared = runs(posix[cp], windows[cp])
        lines.append("page %d %s" % (cp, fnv(shared)))
        lines.extend(differences)
    with open("tests/codepages/differences.txt", "w") as f:
        f.write("\n".join(lines) + "\n")


main()
