"""The table page in headless Firefox: the page that sqk2xml-cli writes by default is
opened from file:// with and without scripts, and each time a screenshot is taken and
read back: the rows are on it, and the script made a difference (it draws the readable
units and the summary line).

    python3 tests/browser/test_firefox_page.py --cli build/default/cli/sqk2xml-cli
        [--firefox firefox-esr] [--screenshot FILE] [-v]

--screenshot keeps the picture of the page with scripts, for a person to look at.
"""

import argparse
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

CLI = None
FIREFOX = "firefox-esr"
KEEP_SCREENSHOT = None

# A profile that opens nothing but the page: no first-run pages, updates, reports or
# connectivity checks.
PREFS = """
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("startup.homepage_welcome_url", "about:blank");
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("app.update.disabledForTesting", true);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("browser.safebrowsing.update.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("ui.prefersReducedMotion", 1);
"""


def read_png(path):
    """Width, height and rows of grey levels (0 to 255) of an 8-bit RGB or RGBA PNG."""
    with open(path, "rb") as f:
        data = f.read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    pos, idat = 8, b""
    while pos < len(data):
        length, kind = struct.unpack(">I4s", data[pos:pos + 8])
        body = data[pos + 8:pos + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour = struct.unpack(">IIBB", body[:10])
            assert depth == 8 and colour in (2, 6), (depth, colour)
        elif kind == b"IDAT":
            idat += body
        pos += 12 + length
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        line = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = line[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                line[x] = (line[x] + left) & 255
            elif kind == 2:
                line[x] = (line[x] + up) & 255
            elif kind == 3:
                line[x] = (line[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                line[x] = (line[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append([(line[x] * 3 + line[x + 1] * 6 + line[x + 2]) // 10
                     for x in range(0, stride, channels)])
        previous = line
    return width, height, rows


def text_lines(rows):
    """The number of bands of pixel rows that hold dark pixels, as lines of text do."""
    lines, inked = 0, False
    for row in rows:
        dark = sum(1 for v in row if v < 110) >= 3
        if dark and not inked:
            lines += 1
        inked = dark
    return lines


class FirefoxPageTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="sqk2xml-firefox-")

    def tearDown(self):
        shutil.rmtree(self.dir, ignore_errors=True)

    def screenshot(self, page, name, scripts):
        profile = os.path.join(self.dir, "profile-" + name)
        os.makedirs(profile)
        with open(os.path.join(profile, "user.js"), "w") as f:
            f.write(PREFS)
            if not scripts:
                f.write('user_pref("javascript.enabled", false);\n')
        shot = os.path.join(self.dir, name + ".png")
        env = dict(os.environ, MOZ_HEADLESS="1", HOME=self.dir)
        env.pop("DISPLAY", None)
        subprocess.run([FIREFOX, "--headless", "--no-remote", "--profile", profile,
                        "--window-size", "1280,800", "--screenshot", shot,
                        "file://" + os.path.abspath(page)],
                       env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=120, check=True)
        self.assertTrue(os.path.exists(shot), "Firefox took no screenshot")
        return shot

    def test_default_page_shows_its_rows(self):
        playlist = b"#Sonquill playlist\r\n"
        for n in range(1, 201):
            playlist += (b"C:\\Music\\Track %03d.mp3\x01ATST:Artist %d\x01TIME:%d\x01SIZE:%d\r\n"
                         % (n, n % 7, 100 + n * 13, 3000000 + n * 7919))
        with open(os.path.join(self.dir, "list.sqk"), "wb") as f:
            f.write(playlist)
        page = subprocess.run([CLI, "--codepage", "1252", "list.sqk"], cwd=self.dir,
                              capture_output=True, check=True, text=True).stdout.strip()

        with_script = self.screenshot(page, "script", True)
        without = self.screenshot(page, "plain", False)
        if KEEP_SCREENSHOT:
            shutil.copyfile(with_script, KEEP_SCREENSHOT)
        width, height, rows = read_png(with_script)
        self.assertEqual((width, height), (1280, 800))
        # The filter bar, the header and a window full of rows (22 pixels each).
        self.assertGreaterEqual(text_lines(rows[80:]), 28)
        # Without scripts the plain table shows, with the values as written.
        _, _, plain_rows = read_png(without)
        self.assertGreaterEqual(text_lines(plain_rows[80:]), 25)
        self.assertNotEqual(rows, plain_rows)


if __name__ == "__main__":
    parser = argparse.ArgumentParser()
    parser.add_argument("--cli", required=True)
    parser.add_argument("--firefox", default=FIREFOX)
    parser.add_argument("--screenshot")
    args, rest = parser.parse_known_args()
    CLI = os.path.abspath(args.cli)
    FIREFOX = args.firefox
    KEEP_SCREENSHOT = args.screenshot and os.path.abspath(args.screenshot)
    if KEEP_SCREENSHOT:
        os.makedirs(os.path.dirname(KEEP_SCREENSHOT), exist_ok=True)
    sys.dont_write_bytecode = True
    unittest.main(argv=[sys.argv[0], *rest])
