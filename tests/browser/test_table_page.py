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
