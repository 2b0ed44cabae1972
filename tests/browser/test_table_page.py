"""The table page, the default page of sqk2xml-cli and of the dialog, in a real browser:
headless Chromium opens written pages from file:// and is driven through the page's own
controls; its printout is read back with pdftotext.

    python3 tests/browser/test_table_page.py --cli build/default/cli/sqk2xml-cli
        [--dialog-page build/default/tests/gui/artifacts/dialog/party.htm] [-v]
"""

import argparse
import base64
import csv
import hashlib
import io
import json
import math
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import xml.etree.ElementTree as ElementTree

# Nothing is written into the source tree, compiled modules included.
sys.dont_write_bytecode = True
import cdp  # noqa: E402

CLI = None
CHROMIUM = "chromium"
PDFTOTEXT = "pdftotext"
DIALOG_PAGE = None
ROOT = os.path.normpath(os.path.join(os.path.dirname(__file__), "..", ".."))
HEADER = b"#Sonquill playlist\r\n"


def entry(path, **tags):
    """One playlist line: the path, then a segment per tag, in the order given."""
    line = path
    for tag, value in tags.items():
        line += b"\x01" + tag.encode() + b":" + value
    return line + b"\r\n"


def shown_text(raw, codepage):
    """What a cell shows for a value as read: the code page's letters, each control that
    XML does not allow as U+FFFD, and CR read as LF, as HTML reads it."""
    text = raw.decode(codepage)
    text = re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f]", "\ufffd", text)
    return text.replace("\r", "\n")


def clock(seconds):
    """A duration as the page shows it: m:ss, or h:mm:ss from an hour on."""
    s = math.floor(seconds + 0.5)
    h, m, x = s // 3600, s // 60 % 60, s % 60
    return f"{h}:{m:02d}:{x:02d}" if h else f"{m}:{x:02d}"


def size(n):
    """A size as the page shows it: decimal units, three figures from a kilobyte on."""
    units = ["B", "kB", "MB", "GB", "TB"]
    u = 0
    while u < len(units) - 1 and n >= 999.5:
        n /= 1000
        u += 1
    if u == 0:
        return f"{math.floor(n + 0.5)} B"
    decimals = 2 - math.floor(math.log10(float(f"{n:.3g}")))
    return f"{n:.{max(decimals, 0)}f} {units[u]}"


PLAIN = re.compile(r"\d+(\.\d+)?")


def shown_cells(values, elements):
    """What a row's cells show for the XML values of the page's columns."""
    cells = []
    for value, element in zip(values, elements):
        if element == "DURATION" and PLAIN.fullmatch(value):
            value = clock(float(value))
        elif element == "FILESIZE" and PLAIN.fullmatch(value):
            value = size(float(value))
        cells.append(value)
    return cells


def csv_guarded(value):
    """A value as the CSV rules write it, before quoting: a text that a spreadsheet would
    take for a formula gets a leading apostrophe; a plain number does not."""
    if value[:1] in ("=", "+", "-", "@", "\t", "\r") and not re.fullmatch(
            r"[+-]?(\d+\.?\d*|\.\d+)", value):
        return "'" + value
    return value


class TablePageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.browser = cdp.Browser(CHROMIUM)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()

    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="sqk2xml-page-")
        self.page = self.browser.new_page()

    def tearDown(self):
        self.page.send("Page.close")
        self.dir.cleanup()

    def convert(self, name, playlist, codepage="1252", page="table", folder=""):
        """Writes the playlist and converts it; the path printed. page None: the default."""
        where = os.path.join(self.dir.name, folder)
        os.makedirs(where, exist_ok=True)
        with open(os.path.join(where, name), "wb") as f:
            f.write(playlist)
        options = ["--page", page] if page else []
        result = subprocess.run([CLI, "--codepage", codepage, *options, name],
                                cwd=where, capture_output=True, check=True)
        return os.fsdecode(result.stdout).rstrip("\n")

    def open(self, page_path, settle=True):
        self.page.open(page_path)
        if settle:
            self.page.after_frames()

    def drawn_rows(self):
        """The cells of the rows the page has drawn, in the order shown."""
        return self.page.evaluate("[...document.querySelectorAll('.v tbody tr')].map("
                                  "(r) => [...r.cells].map((c) => c.textContent))")

    def dom_rows(self):
        """The cells of every row shown: the window is made tall enough for all of them to
        be drawn, since the page draws only the rows in view."""
        height = self.page.evaluate(
            "document.querySelector('.v').offsetHeight + document.querySelector('header').offsetHeight")
        self.page.send("Emulation.setDeviceMetricsOverride", {
            "width": 1280, "height": max(800, height + 100), "deviceScaleFactor": 1,
            "mobile": False})
        self.page.after_frames()
        rows = self.drawn_rows()
        self.page.send("Emulation.clearDeviceMetricsOverride")
        self.page.after_frames()
        return rows

    def summary(self):
        return self.page.evaluate("document.querySelector('.bar output').textContent")

    def sort_by(self, header):
        self.page.click(f"th[data-f={header}] button")
        self.page.after_frames()

    def filter(self, text):
        """Types the text over what the filter box holds, or clears it with Backspace."""
        self.page.evaluate("document.querySelector('.bar input').select()")
        if text:
            self.page.type_text(text)
        else:
            self.page.press_key("Backspace", 8)
        self.page.after_frames()

    def assert_page_was_quiet(self):
        self.assertEqual(self.page.errors(), [])
        self.assertEqual(self.page.evaluate("window.__violations"), [])

    def wait_download(self, folder, start):
        """Runs start, which makes the page download a file into folder; its name as the
        page suggested it, and its bytes."""
        self.browser.send("Browser.setDownloadBehavior", {
            "behavior": "allowAndName", "downloadPath": folder, "eventsEnabled": True})
        start()
        begun = self.browser.wait_event("Browser.downloadWillBegin")["params"]
        while True:
            progress = self.browser.wait_event("Browser.downloadProgress")["params"]
            if progress["guid"] == begun["guid"] and progress["state"] != "inProgress":
                break
        self.assertEqual(progress["state"], "completed")
        with open(os.path.join(folder, begun["guid"]), "rb") as f:
            return begun["suggestedFilename"], f.read()

    def classic_columns(self, playlist):
        """Headers and elements of the classic page's columns, read from a classic page."""
        classic = self.convert("classic.sqk", playlist, page="classic", folder="classic")
        with open(classic, "rb") as f:
            text = f.read().decode("ascii")
        return re.findall(r"<th>(.*?)</th>", text), re.findall(r'datafld="(\w+)"', text)

    def expected_rows(self, xml_path, elements):
        rows = []
        for track in ElementTree.parse(xml_path).getroot():
            rows.append([track.findtext(element, "") for element in elements])
        return rows

    def check_shows_every_track(self, page_path, count):
        """The page shows the rows of its XML document in the classic page's columns, with
        readable durations and sizes, and their totals."""
        self.open(page_path)
        with open(page_path[:-4] + ".sqk", "rb") as f:
            headers, elements = self.classic_columns(f.read())
        self.assertEqual(len(headers), 12)
        # The units go from the headers of durations and sizes: the cells show their own.
        shown_headers = [{"Filesize (Bytes)": "Filesize", "Duration (sec)": "Duration"}.get(h, h)
                         for h in headers]
        self.assertEqual(self.page.evaluate(
            "[...document.querySelectorAll('header th')].map((th) => th.textContent)"),
            shown_headers)
        self.assertEqual(self.page.evaluate(
            "[...document.querySelectorAll('header th')].map((th) => th.dataset.f)"), elements)

        xml_path = page_path[:-4] + ".xml"
        expected = self.expected_rows(xml_path, elements)
        self.assertEqual(len(expected), count)
        self.assertEqual(self.dom_rows(), [shown_cells(row, elements) for row in expected])

        tracks = ElementTree.parse(xml_path).getroot()
        seconds = sum(float(t.findtext("DURATION", "0")) for t in tracks)
        total = sum(float(t.findtext("FILESIZE", "0")) for t in tracks)
        self.assertEqual(self.summary(), f"{len(expected)} tracks \u00b7 {clock(seconds)} "
                                         f"\u00b7 {size(total)}")
        self.assertEqual(self.page.evaluate("document.title"),
                         os.path.basename(xml_path))
        self.assert_page_was_quiet()

    def test_default_page_of_the_command_line_shows_every_track_with_totals(self):
        with open(os.path.join(ROOT, "examples", "party.sqk"), "rb") as f:
            playlist = f.read()
        page_path = self.convert("party.sqk", playlist, page=None)
        self.assertTrue(page_path.endswith("/party.htm"))
        with open(page_path, "rb") as f:
            default_page = f.read()
        self.check_shows_every_track(page_path, 19)  # two of its lines are no entries
        # --page table names the same page.
        self.convert("party.sqk", playlist)
        with open(page_path, "rb") as f:
            self.assertEqual(f.read(), default_page)

    @unittest.skipUnless(DIALOG_PAGE or "--dialog-page" in sys.argv,
                         "no page of a dialog run given (--dialog-page)")
    def test_default_page_of_a_dialog_run_shows_every_track(self):
        # Left by the dialog's end-to-end run on X: a path typed, Return pressed.
        self.check_shows_every_track(DIALOG_PAGE, 2)
        self.assertEqual([row[0] for row in self.dom_rows()], ["First Song", "Second Song"])

    def test_style_and_script_hashes_match_the_policy(self):
        page_path = self.convert("list.sqk", HEADER + entry(b"C:\\a.mp3", NAME=b"x"))
        with open(page_path, "rb") as f:
            text = f.read().decode("utf-8")
        policy = re.search(r'http-equiv="Content-Security-Policy" content="([^"]*)"', text)[1]
        self.assertIn("default-src 'none'", policy)
        for element, directive in (("style", "style-src"), ("script", "script-src")):
            bodies = re.findall(rf"<{element}>(.*?)</{element}>", text, re.S)
            self.assertEqual(len(bodies), 1, element)
            # The browser reads CR LF as LF before it hashes the element's text.
            digest = hashlib.sha256(bodies[0].replace("\r\n", "\n").encode()).digest()
            self.assertIn(f"{directive} 'sha256-{base64.b64encode(digest).decode()}'", policy)

        # The browser agrees: the style applies and the script ran.
        self.open(page_path)
        self.assertEqual(self.page.evaluate(
            "getComputedStyle(document.querySelector('header')).position"), "sticky")
        self.assertEqual(self.page.evaluate(
            "document.querySelectorAll('th button').length"), 12)
        self.assert_page_was_quiet()

    def test_sorting_and_filtering_through_the_page_controls(self):
        crafted = [  # title, artist, year, size, duration; path holds no folder
            (b"Track 10", b"b", b"1999", b"900", b"60"),
            (b"\xc9cho", b"a", b"2001", b"10000", b"250"),
            (b"bravo", b"c", None, b"25", b"30"),
            (b"Track 2", b"d", b"1999", None, b"3600"),
            (None, b"e", b"2001", b"7", None),
            (b"Alpha", b"f", b"1999", b"1000000000", b"1"),
            (b"delta", b"g", b"abc", b"5", b"2"),
        ]
        playlist = HEADER
        for title, artist, year, size, duration in crafted:
            tags = {"NAME": title, "ATST": artist, "YEAR": year, "SIZE": size,
                    "TIME": duration}
            playlist += entry(b"song.mp3", **{k: v for k, v in tags.items() if v is not None})
        # Enough more rows to fill three blocks, each with a title only.
        fillers = 600
        for n in range(1, fillers + 1):
            playlist += entry(b"song.mp3", NAME=b"Zz %d" % n)
        total = len(crafted) + fillers
        self.open(self.convert("sort.sqk", playlist))
        # Only the rows in view are drawn.
        self.assertLess(len(self.drawn_rows()), 100)

        def titles():
            return [row[0] for row in self.dom_rows()]

        def aria_sort():
            return self.page.evaluate("Object.fromEntries([...document.querySelectorAll"
                                      "('th[aria-sort]')].map((t) => [t.dataset.f, "
                                      "t.getAttribute('aria-sort')]))")

        zz = ["Zz %d" % n for n in range(1, fillers + 1)]
        self.assertEqual(self.summary(), f"{total} tracks \u00b7 1:05:43 \u00b7 1.00 GB")

        # Text: case and accents aside, numbers inside by value, empty last.
        self.sort_by("TITLE")
        self.assertEqual(titles(), ["Alpha", "bravo", "delta", "\xc9cho", "Track 2",
                                    "Track 10", *zz, ""])
        self.assertEqual(aria_sort(), {"TITLE": "ascending"})
        self.sort_by("TITLE")
        self.assertEqual(titles(), [*reversed(zz), "Track 10", "Track 2", "\xc9cho", "delta",
                                    "bravo", "Alpha", ""])
        self.assertEqual(aria_sort(), {"TITLE": "descending"})

        # Numbers by value, a text that is no number after them, equal values in the
        # order they had, empty last in both directions.
        self.sort_by("FILESIZE")
        self.assertEqual(titles(), ["delta", "", "bravo", "Track 10", "\xc9cho", "Alpha",
                                    *reversed(zz), "Track 2"])
        self.assertEqual(aria_sort(), {"FILESIZE": "ascending"})
        self.page.evaluate("location.reload()")
        self.page.browser.wait_event("Page.loadEventFired", self.page.session)
        self.page.after_frames()
        self.sort_by("YEAR")
        self.assertEqual(titles()[:8], ["Track 10", "Track 2", "Alpha", "\xc9cho", "",
                                        "delta", "bravo", "Zz 1"])
        self.sort_by("YEAR")
        self.assertEqual(titles()[:8], ["delta", "\xc9cho", "", "Track 10", "Track 2",
                                        "Alpha", "bravo", "Zz 1"])
        self.assertEqual(aria_sort(), {"YEAR": "descending"})

        # Filtering: any cell, case and accents aside, never across two cells; in the
        # order of the sort, with the count and totals of what is shown.
        self.filter("ECHO")
        self.assertEqual(titles(), ["\xc9cho"])
        self.assertEqual(self.summary(), f"1 of {total} tracks \u00b7 4:10 \u00b7 10.0 kB")
        self.filter("track 1")
        self.assertEqual(titles(), ["Track 10"])
        self.filter("alphaf")
        self.assertEqual(titles(), [])
        self.assertEqual(self.summary(), f"0 of {total} tracks \u00b7 0:00 \u00b7 0 B")
        self.filter("zz 6")
        # The rows without a year kept the order they came in.
        self.assertEqual(titles(), ["Zz %d" % n for n in (6, *range(60, 70), 600)])
        self.filter("")
        self.assertEqual(len(titles()), total)
        self.assertEqual(titles()[:3], ["delta", "\xc9cho", ""])
        self.assert_page_was_quiet()

    def test_without_script_the_whole_table_shows(self):
        playlist = HEADER + b"".join(entry(b"C:\\m\\%d.mp3" % n, YEAR=b"%d" % n)
                                     for n in range(300))
        page_path = self.convert("plain.sqk", playlist)
        self.page.send("Emulation.setScriptExecutionDisabled", {"value": True})
        self.open(page_path, settle=False)
        rows = self.page.evaluate("[...document.querySelectorAll('.c tr')].map("
                                  "(r) => [...r.cells].map((c) => c.textContent))")
        self.assertEqual(len(rows), 300)
        self.assertEqual(rows[299], ["299", "", "", "", "299", "", "", "", "", "", "", ""])
        self.assertEqual(self.summary(), "")

    def test_durations_and_sizes_readable_with_their_exact_values(self):
        cases = [  # duration, shown; size, shown
            (b"0", "0:00", b"0", "0 B"),
            (b"59", "0:59", b"999", "999 B"),
            (b"59.5", "1:00", b"1000", "1.00 kB"),
            (b"61", "1:01", b"1234", "1.23 kB"),
            (b"3599.4", "59:59", b"999499", "999 kB"),
            (b"3600", "1:00:00", b"999500", "1.00 MB"),
            (b"86399", "23:59:59", b"12345678", "12.3 MB"),
            (b"90000", "25:00:00", b"5000000000", "5.00 GB"),
            (b"abc", "abc", b"1e3", "1e3"),
            (b"-5", "-5", b"-5", "-5"),
        ]
        playlist = HEADER
        for n, (duration, _, size_value, _) in enumerate(cases):
            playlist += entry(b"C:\\m\\%02d.mp3" % n, TIME=duration, SIZE=size_value)
        playlist += entry(b"C:\\m\\none.mp3")
        self.open(self.convert("units.sqk", playlist))
        rows = self.dom_rows()
        self.assertEqual([row[11] for row in rows], [c[1] for c in cases] + [""])
        self.assertEqual([row[7] for row in rows], [c[3] for c in cases] + [""])
        tips = self.page.evaluate("[...document.querySelectorAll('.v tbody tr')].map("
                                  "(r) => [r.cells[11].title, r.cells[7].title])")
        self.assertEqual(tips[3], ["61 s", "1234 bytes"])
        self.assertEqual(tips[8], ["abc", "1e3"])

        # Numbers to the right, in figures of one width; text to the left.
        styles = self.page.evaluate("""(() => {
            const s = (e) => { const c = getComputedStyle(e);
                               return [c.textAlign, c.fontVariantNumeric]; };
            const row = document.querySelector('.v tbody tr');
            return [s(row.cells[0]), s(row.cells[7]), s(row.cells[11]), s(row.cells[4]),
                    s(document.querySelector('header th[data-f=DURATION]'))];
        })()""")
        self.assertEqual(styles[0][0], "left")
        for style in styles[1:]:
            self.assertEqual(style, ["right", "tabular-nums"])

        # Sorted by their numbers, not by what they show.
        self.sort_by("DURATION")
        self.assertEqual([row[11] for row in self.dom_rows()],
                         ["-5", "0:00", "0:59", "1:00", "1:01", "59:59", "1:00:00", "23:59:59",
                          "25:00:00", "abc", ""])
        self.sort_by("FILESIZE")
        self.assertEqual([row[7] for row in self.dom_rows()],
                         ["-5", "0 B", "999 B", "1.00 kB", "1e3", "1.23 kB", "999 kB", "1.00 MB",
                          "12.3 MB", "5.00 GB", ""])
        # The filter finds what is shown as well as the values themselves.
        self.filter("1:01")
        self.assertEqual([row[11] for row in self.dom_rows()], ["1:01"])
        self.filter("1.23 KB")
        self.assertEqual([row[7] for row in self.dom_rows()], ["1.23 kB"])
        self.filter("1234")  # 1234 and 12345678 bytes
        self.assertEqual([row[7] for row in self.dom_rows()], ["1.23 kB", "12.3 MB"])
        self.assert_page_was_quiet()

    def test_only_the_rows_in_view_are_drawn(self):
        playlist = HEADER + b"".join(entry(b"C:\\m\\%04d.mp3" % n) for n in range(3000))
        self.open(self.convert("long.sqk", playlist))
        drawn = self.drawn_rows()
        self.assertLess(len(drawn), 100)
        self.assertEqual(drawn[0][0], "0000")
        row_height = self.page.evaluate(
            "document.querySelector('.v tbody tr').getBoundingClientRect().height")
        self.assertEqual(self.page.evaluate("document.querySelector('.v').offsetHeight"),
                         round(3000 * row_height))

        def row_at_middle():
            return self.page.evaluate("""(() => {
                const td = document.elementFromPoint(40, innerHeight / 2);
                return td.closest('tr').cells[0].textContent;
            })()""")

        # Scrolled anywhere, the rows there are drawn, in their places.
        for fraction in (0.5, 0.9):
            self.page.evaluate(f"scrollTo(0, document.body.scrollHeight * {fraction})")
            self.page.after_frames()
            title = int(row_at_middle())
            top = self.page.evaluate(f"""(() => {{
                const r = document.querySelector('.v').getBoundingClientRect().top;
                return Math.floor((innerHeight / 2 - r) / {row_height});
            }})()""")
            self.assertEqual(title, top)
        self.page.press_key("End", 35)
        # The keyboard's scroll may be animated: until it stands still.
        self.page.evaluate("""new Promise((done) => {
            let last = -1, still = 0;
            const look = () => {
                still = scrollY === last ? still + 1 : 0;
                last = scrollY;
                if (still >= 5) done(); else requestAnimationFrame(look);
            };
            look();
        })""")
        self.page.after_frames()
        self.assertEqual(self.drawn_rows()[-1][0], "2999")
        self.assertLess(len(self.drawn_rows()), 100)
        # A filter shows its first rows from the top.
        self.filter("000")
        self.assertEqual([row[0] for row in self.drawn_rows()],
                         ["0000", "0001", "0002", "0003", "0004", "0005", "0006", "0007", "0008",
                          "0009", "1000", "2000"])
        self.assertEqual(self.page.evaluate("scrollY"), 0)
        self.assert_page_was_quiet()

    def test_csv_download_holds_the_rows_shown(self):
        values = [  # titles: each a CSV case
            b"Plain",
            b"comma, inside",
            b'say "hi"',
            b"line\rbreak",
            b"=SUM(A1:A2)",
            b"+1 555",
            b"-minus",
            b"@cell",
            b"\ttabbed",
            b"-42",
            b"+3.5",
            b"Caf\xe9 \x80",
            b"<b>&amp;</b>",
        ]
        playlist = HEADER
        for n, title in enumerate(values):
            playlist += entry(b"C:\\m\\a.mp3", NAME=title, ATST=b"=HYPERLINK(\"x\")",
                              YEAR=b"%d" % (1990 + n), TIME=b"%d" % (100 + n),
                              SIZE=b"%d" % (10 ** (n % 10)))
        page_path = self.convert("My List.sqk", playlist, page=None)
        self.open(page_path)
        headers, elements = self.classic_columns(playlist)
        xml_rows = self.expected_rows(page_path[:-4] + ".xml", elements)

        downloads = os.path.join(self.dir.name, "downloads")
        os.makedirs(downloads)

        def save():
            name, data = self.wait_download(
                downloads, lambda: self.page.click(".bar button"))
            self.assertEqual(name, "My List.csv")
            self.assertTrue(data.startswith(b"\xef\xbb\xbf"), data[:10])
            text = data[3:].decode("utf-8")
            self.assertTrue(text.endswith("\r\n"))
            return text

        def check(text, rows):
            records = list(csv.reader(io.StringIO(text, newline="")))
            self.assertEqual(records[0], headers)
            self.assertEqual(records[1:], [[csv_guarded(v) for v in row] for row in rows])
            # Between the records, CR LF and nothing else.
            self.assertEqual(text.count("\r\n"), len(rows) + 1 + sum(
                v.count("\r\n") for row in rows for v in row))

        text = save()
        check(text, xml_rows)
        # The fields as written: quoted only where they must be, quotes doubled.
        self.assertIn('\r\nPlain,"\'=HYPERLINK(""x"")",,,1990,,,1,,,,100\r\n', text)
        self.assertIn('\r\n"comma, inside",', text)
        self.assertIn('\r\n"say ""hi""",', text)
        self.assertIn('\r\n"line\nbreak",', text)
        self.assertIn("\r\n'=SUM(A1:A2),", text)
        self.assertIn("\r\n-42,", text)
        self.assertIn("\r\n+3.5,", text)
        self.assertIn("\r\n'\ttabbed,", text)
        self.assertIn("\r\nCaf\u00e9 \u20ac,", text)
        self.assertIn("\r\n<b>&amp;</b>,", text)

        # What is shown: filtered, in the order of the sort.
        self.sort_by("TITLE")
        self.sort_by("TITLE")
        self.filter("199")  # the years of the 1990s
        shown = [row[0] for row in self.dom_rows()]
        self.assertEqual(len(shown), 10)
        self.assertEqual(shown[:3], ["say \"hi\"", "Plain", "line\nbreak"])
        by_title = {row[0]: row for row in xml_rows}
        check(save(), [by_title[title] for title in shown])
        self.assert_page_was_quiet()

    def test_csv_fields_follow_the_shared_cases(self):
        with open(os.path.join(ROOT, "tests", "support", "csv-fields.json"), encoding="utf-8") as f:
            cases = json.load(f)["cases"]
        playlist = HEADER
        for n, (value, _) in enumerate(cases):
            playlist += entry(b"C:\\m\\a.mp3", NAME=b"Case %02d" % n, ATST=value.encode("cp1252"))
        self.open(self.convert("cases.sqk", playlist))
        downloads = os.path.join(self.dir.name, "downloads")
        os.makedirs(downloads)
        _, data = self.wait_download(downloads, lambda: self.page.click(".bar button"))
        text = data.decode("utf-8-sig")
        for n, (value, field) in enumerate(cases):
            # The browser reads a CR as LF; the rule guards it as the CR it was.
            self.assertIn(f"\r\nCase {n:02d},{field.replace(chr(13), chr(10))}" + "," * 10 + "\r\n",
                          text, repr(value))

    def test_keyboard_sorting_labels_and_live_summary(self):
        playlist = HEADER + b"".join(
            entry(b"C:\\m\\a.mp3", NAME=name, ATST=artist)
            for name, artist in ((b"b", b"y"), (b"a", b"z"), (b"c", b"x")))
        self.open(self.convert("keys.sqk", playlist))

        def focused():
            return self.page.evaluate("(() => { const e = document.activeElement;"
                                      " return e.closest('th') ? e.closest('th').dataset.f"
                                      " : e.localName + (e.id ? '#' + e.id : ''); })()")

        def titles():
            return [row[0] for row in self.drawn_rows()]

        def aria_sort():
            return self.page.evaluate("Object.fromEntries([...document.querySelectorAll"
                                      "('header th[aria-sort]')].map((t) => [t.dataset.f, "
                                      "t.getAttribute('aria-sort')]))")

        self.page.click(".bar input")
        self.assertEqual(focused(), "input#filter")
        self.page.press_key("Tab", 9)
        self.assertEqual(focused(), "button")  # Save as CSV
        self.page.press_key("Tab", 9)
        self.assertEqual(focused(), "TITLE")
        self.page.press_key("Enter", 13, "\r")
        self.page.after_frames()
        self.assertEqual(titles(), ["a", "b", "c"])
        self.assertEqual(aria_sort(), {"TITLE": "ascending"})
        self.page.press_key("Enter", 13, "\r")
        self.page.after_frames()
        self.assertEqual(titles(), ["c", "b", "a"])
        self.assertEqual(aria_sort(), {"TITLE": "descending"})
        self.page.press_key("Tab", 9)
        self.assertEqual(focused(), "ARTIST")
        self.page.press_key(" ", 32, " ")
        self.page.after_frames()
        self.assertEqual(titles(), ["c", "b", "a"])
        self.assertEqual(aria_sort(), {"ARTIST": "ascending"})

        # What assistive technology is told: Chromium's own accessibility tree.
        self.page.send("Accessibility.enable")
        nodes = self.page.send("Accessibility.getFullAXTree")["nodes"]

        def named(role):
            return [n.get("name", {}).get("value") for n in nodes
                    if n.get("role", {}).get("value") == role and not n.get("ignored")]

        def properties(role):
            for n in nodes:
                if n.get("role", {}).get("value") == role and not n.get("ignored"):
                    return {p["name"]: p["value"].get("value") for p in n.get("properties", [])}
            return None

        self.assertEqual(named("searchbox"), ["Filter"])
        self.assertIn("Save as CSV", named("button"))
        self.assertIn("Title", named("button"))
        self.assertIn("Duration", named("button"))
        status = properties("status")
        self.assertEqual(status and status.get("live"), "polite")
        self.assertEqual(self.summary(), "3 tracks \u00b7 0:00 \u00b7 0 B")
        self.assert_page_was_quiet()

    def test_printout_holds_every_row_shown_under_repeated_headers(self):
        playlist = HEADER + b"".join(
            entry(b"C:\\m\\a.mp3", NAME=b"Row %03d" % n, ATST=b"Artist") for n in range(1, 301))
        self.open(self.convert("print.sqk", playlist))
        self.filter("row 1")  # Row 100 to Row 199, and Row 001? no: "row 001" holds no "row 1"
        self.assertEqual(self.summary().split(" \u00b7 ")[0], "100 of 300 tracks")
        drawn_before = len(self.drawn_rows())
        self.assertLess(drawn_before, 100)

        pdf = base64.b64decode(self.page.send("Page.printToPDF", {"printBackground": True})["data"])
        pdf_path = os.path.join(self.dir.name, "print.pdf")
        with open(pdf_path, "wb") as f:
            f.write(pdf)
        text = subprocess.run([PDFTOTEXT, "-layout", pdf_path, "-"], capture_output=True,
                              check=True, text=True).stdout
        printed = re.findall(r"Row (\d{3})", text)
        self.assertEqual(sorted(printed), ["%03d" % n for n in range(100, 200)])
        pages = text.rstrip("\f").split("\f")
        self.assertGreater(len(pages), 1)
        for page_text in pages:
            self.assertRegex(page_text.lstrip(), r"^[^\n]*100 of 300 tracks|Title +Artist")
            self.assertIn("Title", page_text)
        self.assertNotIn("Filter", text)
        self.assertNotIn("Save as CSV", text)

        # After printing, the page draws the rows in view again.
        self.page.after_frames()
        self.assertEqual(len(self.drawn_rows()), drawn_before)

        # The print style is light, whatever the desktop's scheme.
        self.page.send("Emulation.setEmulatedMedia", {
            "media": "print", "features": [{"name": "prefers-color-scheme", "value": "dark"}]})
        colours = self.page.evaluate("[getComputedStyle(document.body).color, "
                                     "getComputedStyle(document.body).backgroundColor]")
        self.assertEqual(colours, ["rgb(0, 0, 0)", "rgb(255, 255, 255)"])
        self.assert_page_was_quiet()

    def test_dark_scheme_and_contrast(self):
        playlist = HEADER + b"".join(
            entry(b"C:\\m\\a.mp3", NAME=b"Song %d" % n, TIME=b"200", SIZE=b"4000000")
            for n in range(6))
        self.open(self.convert("dark.sqk", playlist))
        self.sort_by("TITLE")  # a header with its sort mark
        contrast = """(() => {
            const rgb = (c) => c.match(/[\\d.]+/g).map(Number);
            const lum = (c) => {
                const [r, g, b] = rgb(c).slice(0, 3).map((v) => {
                    v /= 255;
                    return v <= 0.03928 ? v / 12.92 : ((v + 0.055) / 1.055) ** 2.4;
                });
                return 0.2126 * r + 0.7152 * g + 0.0722 * b;
            };
            const background = (e) => {
                for (; e; e = e.parentElement) {
                    const c = getComputedStyle(e).backgroundColor;
                    if (rgb(c)[3] !== 0) return c;
                }
                return "rgb(255, 255, 255)";
            };
            const ratio = (e) => {
                const a = lum(getComputedStyle(e).color), b = lum(background(e));
                return (Math.max(a, b) + 0.05) / (Math.min(a, b) + 0.05);
            };
            const parts = {
                text: '.v tbody tr:nth-child(1) td', stripe: '.v tbody tr:nth-child(2) td',
                header: 'header th button', label: '.bar label', filter: '.bar input',
                save: '.bar button', summary: '.bar output'};
            const out = {};
            for (const [k, sel] of Object.entries(parts))
                out[k] = ratio(document.querySelector(sel));
            out.dark = lum(background(document.body)) < 0.05;
            return out;
        })()"""
        for scheme in ("light", "dark"):
            self.page.send("Emulation.setEmulatedMedia", {
                "features": [{"name": "prefers-color-scheme", "value": scheme}]})
            self.page.after_frames()
            found = self.page.evaluate(contrast)
            self.assertEqual(found.pop("dark"), scheme == "dark")
            for part, ratio in found.items():
                self.assertGreaterEqual(ratio, 4.5, f"{scheme}: {part}")
        self.assert_page_was_quiet()

    def hostile_page(self, codepage, file_name, letters):
        """A playlist whose every field holds each hostile value in turn; the page, the
        expected rows and the expected title."""
        values = [
            b"</script><script>alert(1)</script>",
            b"<img src=x onerror=alert(1)>",
            b"<!-- x",
            b"]]>",
            b"</td></tr></table><table><tr><td>",
            b'<meta http-equiv=refresh content="0;url=https://example.invalid/">',
            b'<base href="https://example.invalid/">',
            b"\"double\" 'single' &amp; &lt;b&gt;",
            b"c\x00o\x02n\x1bt\x7fr\ro\tl",
            letters,
        ]
        tags = ["NAME", "ATST", "ALBM", "GENR", "YEAR", "TRKN", "TYPE", "SIZE", "FREQ",
                "CHNL", "RATE", "TIME"]
        playlist = HEADER
        expected = []
        for value in values:
            playlist += entry(b"C:\\m\\a.mp3", **{tag: value for tag in tags})
            shown = shown_text(value, codepage)
            # The type column shows a type's name, and this is no type number.
            expected.append([shown] * 6 + [""] + [shown] * 5)
        # A title taken from the path.
        playlist += entry(b"C:\\m\\<b onclick=alert(1)>" + letters + b".mp3")
        expected.append([shown_text(b"<b onclick=alert(1)>" + letters, codepage)] + [""] * 11)
        page_path = self.convert(file_name, playlist, codepage)
        title = os.path.basename(page_path)[:-4] + ".xml"
        return page_path, expected, title

    def check_hostile(self, codepage, file_name, letters):
        page_path, expected, title = self.hostile_page(codepage, file_name, letters)
        self.open(page_path)
        url = self.page.evaluate("location.href")
        self.assertEqual(self.dom_rows(), expected)
        self.assertEqual(self.page.evaluate("document.title"), title)
        # Every value is text: no cell holds an element, and the page has exactly the
        # elements it is made of.
        self.assertEqual(self.page.evaluate(
            "[...document.querySelectorAll('td')].filter((td) => td.childElementCount).length"), 0)
        census = self.page.evaluate("""(() => {
            const count = {};
            for (const e of document.querySelectorAll('*'))
                count[e.localName] = (count[e.localName] || 0) + 1;
            return count;
        })()""")
        rows = len(expected)
        # The header row is twice there: on screen, and for print.
        self.assertEqual(census, {
            "html": 1, "head": 1, "meta": 4, "title": 1, "style": 1, "body": 1, "header": 1,
            "label": 1, "input": 1, "output": 1, "script": 1, "button": 13, "thead": 2,
            "th": 24, "div": 1, "main": 1, "table": 2, "tbody": 1, "tr": rows + 2,
            "td": 12 * rows})
        self.page.after_frames()
        self.assertEqual(self.page.evaluate("location.href"), url)
        self.assert_page_was_quiet()

        # The XML document holds the same values, well-formed.
        tracks = ElementTree.parse(page_path[:-4] + ".xml").getroot()
        self.assertEqual(tracks[0].findtext("ARTIST"), expected[0][1])

    def test_hostile_values_show_as_text_1252(self):
        self.check_hostile("1252", '<b>&amp; "q" \'a\' caf\u00e9.sqk',
                           b"Caf\xe9 cr\xe8me \x80 \xbf")

    def test_hostile_values_show_as_text_932(self):
        self.check_hostile("932", "<i>\u65e5\u672c&\".sqk",
                           b"\x93\xfa\x96\x7b \x95\x5c \x83\x5c\x83\x74\x83\x67")


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--chromium", default=CHROMIUM)
    parser.add_argument("--pdftotext", default=PDFTOTEXT)
    parser.add_argument("--dialog-page")
    args, rest = parser.parse_known_args()
    CLI = os.path.abspath(args.cli)
    CHROMIUM = args.chromium
    PDFTOTEXT = args.pdftotext
    DIALOG_PAGE = args.dialog_page and os.path.abspath(args.dialog_page)
    unittest.main(argv=[sys.argv[0], *rest])
