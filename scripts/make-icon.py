#!/usr/bin/env python3
"""Draws the program icon and writes it as res/sqk2xml.ico.

The icon group holds two images, 32x32 and 16x16, each with 16 colours at 4 bits per
pixel, stored the way icon resources keep them: a BITMAPINFOHEADER, the 16-entry colour
table, the colour bits and the transparency mask, rows bottom-up. That makes the images
744 and 296 bytes. The picture is a sheet of paper with a music note and a pair of angle
brackets: a playlist turned into markup.

Usage: scripts/make-icon.py [OUTPUT]   (default: res/sqk2xml.ico beside this script)
"""
import os
import struct
import sys

# The standard 16-colour palette, in its usual order, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]
BLACK, NAVY, GRAY, SILVER, BLUE, WHITE, TEAL = 0, 4, 8, 7, 12, 15, 6
CLEAR = None  # transparent: mask bit set, colour 0


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def put(self, x, y, colour):
        if 0 <= x < self.size and 0 <= y < self.size:
            self.px[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.put(x, y, colour)

    def pattern(self, x0, y0, rows, colour):
        for dy, row in enumerate(rows):
            for dx, ch in enumerate(row):
                if ch == "#":
                    self.put(x0 + dx, y0 + dy, colour)


def page(c, left, top, right, bottom, fold):
    """A white sheet with a grey outline and its top-right corner folded over."""
    c.rect(left, top, right, bottom, WHITE)
    for x in range(left, right - fold + 1):
        c.put(x, top, GRAY)
    for y in range(top, bottom + 1):
        c.put(left, y, GRAY)
        c.put(right, y, BLACK if y > top + fold else c.px[y][right])
    for x in range(left, right + 1):
        c.put(x, bottom, BLACK)
    for i in range(fold + 1):  # cut the corner away, then draw the fold
        for x in range(right - fold + i + 1, right + 1):
            c.put(x, top + i, CLEAR)
        c.put(right - fold + i, top + i, GRAY)
    c.rect(right - fold, top + 1, right - fold, top + fold, GRAY)
    c.rect(right - fold, top + fold, right, top + fold, GRAY)
    for i in range(1, fold):
        for x in range(right - fold + 1, right - fold + 1 + i):
            c.put(x, top + i, SILVER)


def draw32():
    c = Canvas(32)
    page(c, 5, 1, 26, 30, 6)
    # three list lines: the playlist
    for y in (6, 9, 12):
        c.rect(8, y, 18, y, SILVER)
    # an eighth note
    c.pattern(9, 13, [
        "     ##  ",
        "     ### ",
        "     # ##",
        "     #  #",
        "     #   ",
        "     #   ",
        "  ####   ",
        " #####   ",
        " ####    ",
        "  ##     ",
    ], NAVY)
    # angle brackets: the markup
    c.pattern(15, 19, [
        "   #   #   ",
        "  ##   ##  ",
        " ##     ## ",
        "##       ##",
        " ##     ## ",
        "  ##   ##  ",
        "   #   #   ",
    ], BLUE)
    c.rect(20, 18, 20, 26, TEAL)
    return c


def draw16():
    c = Canvas(16)
    page(c, 2, 0, 13, 15, 3)
    c.rect(4, 3, 9, 3, SILVER)
    c.pattern(4, 4, [
        "  ## ",
        "  # #",
        "  #  ",
        "###  ",
        "##   ",
    ], NAVY)
    c.pattern(6, 9, [
        " #   # ",
        "#     #",
        " #   # ",
    ], BLUE)
    c.rect(9, 8, 9, 12, TEAL)
    return c


def image_bytes(c):
    n = c.size
    header = struct.pack("<IiiHHIIiiII", 40, n, 2 * n, 1, 4, 0, 0, 0, 0, 0, 0)
    table = b"".join(struct.pack("BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    xor = bytearray()
    mask = bytearray()
    mask_row = ((n + 31) // 32) * 4
    for y in reversed(range(n)):  # bottom-up
        row = [0 if p is CLEAR else p for p in c.px[y]]
        for x in range(0, n, 2):
            xor.append(row[x] << 4 | row[x + 1])
        bits = bytearray(mask_row)
        for x, p in enumerate(c.px[y]):
            if p is CLEAR:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + table + bytes(xor) + bytes(mask)


def main():
    default = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "res", "sqk2xml.ico")
    out = sys.argv[1] if len(sys.argv) > 1 else default
    images = [(32, image_bytes(draw32())), (16, image_bytes(draw16()))]
    assert [len(b) for _, b in images] == [744, 296]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, body in images:
        data += struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(body), offset)
        offset += len(body)
    data += b"".join(body for _, body in images)
    with open(out, "wb") as f:
        f.write(data)


if __name__ == "__main__":
    main()
