#!/usr/bin/env python3
"""Draws the program icon and writes it as ICO and PNG files.

The icon is a white sheet of paper with its top-right corner folded down,
a drop shadow along its right and bottom edges, and a large black serif
capital "A" on it.

The sheet, the fold and the shadow are polygons in a 32 x 32 unit square,
filled by sampling each pixel (one sample a pixel at 32 x 32, so the edges
stay sharp; a 4 x 4 grid of samples at the larger sizes, so they are
smooth). The letter is hand-drawn pixel by pixel at 32 x 32, where polygons
would blur or break its thin strokes, and drawn from polygons of the same
shape at the larger sizes.

Only the standard library is used: the BMP, ICO and PNG bytes are written
here with struct and zlib.

Usage: make_icon.py [OUTPUT_FOLDER]   (default: ui/resources of the repo)
Writes wypelniak.ico (three 32 x 32 images: 2 colours, 8 colours, 16
colours), wypelniak-32.png, wypelniak-128.png and wypelniak-256.png.
"""

import math
import os
import struct
import sys
import zlib

# Logical colours of the drawing; each output format maps them to its own.
CLEAR, WHITE, BLACK, GREY, SILVER = range(5)
RGB = {
    WHITE: (255, 255, 255),
    BLACK: (0, 0, 0),
    GREY: (128, 128, 128),
    SILVER: (192, 192, 192),
}

# The sheet: a rectangle whose top-right corner is cut along a 45-degree
# line where the corner is folded down.
SHEET_LEFT, SHEET_TOP, SHEET_RIGHT, SHEET_BOTTOM = 4.0, 1.0, 26.0, 29.0
FOLD = 8.0
SHEET = [
    (SHEET_LEFT, SHEET_TOP),
    (SHEET_RIGHT - FOLD, SHEET_TOP),
    (SHEET_RIGHT, SHEET_TOP + FOLD),
    (SHEET_RIGHT, SHEET_BOTTOM),
    (SHEET_LEFT, SHEET_BOTTOM),
]
# The folded-down corner: the part of the sheet that now lies on its face.
FLAP = [
    (SHEET_RIGHT - FOLD, SHEET_TOP),
    (SHEET_RIGHT, SHEET_TOP + FOLD),
    (SHEET_RIGHT - FOLD, SHEET_TOP + FOLD),
]

# The letter at 32 x 32, placed with its top-left cell at LETTER_ORIGIN.
# '#' is black; '.' leaves the sheet white.
LETTER_ORIGIN = (6, 7)
LETTER_A = [
    ".......##.........",
    ".......###........",
    "......#####.......",
    "......#.###.......",
    "......#.###.......",
    ".....#...###......",
    ".....#...###......",
    ".....#...###......",
    "....#.....###.....",
    "....#.....###.....",
    "....#########.....",
    "...#.......###....",
    "...#.......###....",
    "...#.......###....",
    "..#.........###...",
    "..#.........###...",
    "#####.....########",
    "#####.....########",
]

# The same letter as polygons (units of the 32 x 32 square) for the large
# sizes: a thin left stroke, a thick right stroke, the bar and two feet.
LETTER_POLYGONS = [
    [(13.0, 7.0), (14.4, 7.0), (8.9, 23.8), (7.5, 23.8)],  # thin stroke
    [(13.0, 7.0), (15.8, 7.0), (22.0, 24.2), (18.4, 24.2)],  # thick stroke
    [(10.0, 17.0), (19.4, 17.0), (19.4, 18.2), (10.0, 18.2)],  # bar
    [(6.0, 23.2), (11.2, 23.2), (11.2, 25.0), (6.0, 25.0)],  # left foot
    [(16.2, 23.2), (24.0, 23.2), (24.0, 25.0), (16.2, 25.0)],  # right foot
]


def inset(polygon, d):
    """Moves every edge of a convex, clockwise (y down) polygon inwards by d."""
    lines = []
    n = len(polygon)
    for i in range(n):
        (x0, y0), (x1, y1) = polygon[i], polygon[(i + 1) % n]
        dx, dy = x1 - x0, y1 - y0
        length = (dx * dx + dy * dy) ** 0.5
        nx, ny = -dy / length, dx / length  # inward normal for clockwise order
        lines.append(((x0 + nx * d, y0 + ny * d), (dx, dy)))
    result = []
    for i in range(n):
        (px, py), (ax, ay) = lines[i - 1]
        (qx, qy), (bx, by) = lines[i]
        denom = ax * by - ay * bx
        t = ((qx - px) * by - (qy - py) * bx) / denom
        result.append((px + ax * t, py + ay * t))
    return result


def shifted(polygon, dx, dy):
    return [(x + dx, y + dy) for x, y in polygon]


class Canvas:
    """A size x size picture of logical colours, sampled ss x ss times a pixel."""

    def __init__(self, size, ss):
        self.size, self.ss = size, ss
        self.n = size * ss
        self.samples = [bytearray(self.n) for _ in range(self.n)]  # all CLEAR

    def fill(self, polygon, colour):
        """Paints every sample whose centre lies inside the polygon."""
        unit = self.n / 32.0  # samples per unit
        pts = [(x * unit, y * unit) for x, y in polygon]
        for row in range(self.n):
            yc = row + 0.5
            xs = []
            for i in range(len(pts)):
                (x0, y0), (x1, y1) = pts[i], pts[(i + 1) % len(pts)]
                if (y0 <= yc < y1) or (y1 <= yc < y0):
                    xs.append(x0 + (yc - y0) * (x1 - x0) / (y1 - y0))
            xs.sort()
            line = self.samples[row]
            for a, b in zip(xs[0::2], xs[1::2]):
                # Samples whose centre (i + 0.5) lies in [a, b).
                first = max(0, math.ceil(a - 0.5))
                last = min(self.n, math.ceil(b - 0.5))
                if last > first:
                    line[first:last] = bytes([colour]) * (last - first)

    def put(self, x, y, colour):
        """Paints one whole pixel."""
        for row in range(y * self.ss, (y + 1) * self.ss):
            self.samples[row][x * self.ss:(x + 1) * self.ss] = bytes([colour]) * self.ss

    def pixel(self, x, y):
        """The logical colour of a pixel (only meaningful with one sample)."""
        return self.samples[y * self.ss][x * self.ss]

    def rgba(self):
        """Rows of (r, g, b, a) tuples, each pixel the mean of its samples."""
        rows = []
        ss = self.ss
        for y in range(self.size):
            row = []
            for x in range(self.size):
                r = g = b = a = 0
                for sy in range(y * ss, (y + 1) * ss):
                    for c in self.samples[sy][x * ss:(x + 1) * ss]:
                        if c != CLEAR:
                            cr, cg, cb = RGB[c]
                            r, g, b, a = r + cr, g + cg, b + cb, a + 1
                if a:
                    row.append((round(r / a), round(g / a), round(b / a), round(255 * a / (ss * ss))))
                else:
                    row.append((0, 0, 0, 0))
            rows.append(row)
        return rows


def draw(size):
    """Draws the icon at the given size."""
    small = size == 32
    canvas = Canvas(size, 1 if small else 4)
    # One pixel of outline at 32, a slightly finer one (in units) when large.
    outline = 1.0 if small else 0.6
    shadow = 2.0 if small else 1.5
    canvas.fill(shifted(SHEET, shadow, shadow), GREY)
    canvas.fill(SHEET, BLACK)
    canvas.fill(inset(SHEET, outline), WHITE)
    canvas.fill(FLAP, BLACK)
    canvas.fill(inset(FLAP, outline), SILVER)
    if small:
        ox, oy = LETTER_ORIGIN
        for dy, line in enumerate(LETTER_A):
            for dx, ch in enumerate(line):
                if ch == "#":
                    canvas.put(ox + dx, oy + dy, BLACK)
    else:
        for polygon in LETTER_POLYGONS:
            canvas.fill(polygon, BLACK)
    return canvas


def png_bytes(rows):
    """An 8-bit RGBA PNG of the given rows."""
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter: none
        for px in row:
            raw.extend(px)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    ihdr = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b"")


# Palettes of the three icon images. The 16-colour one is the standard
# 16-colour palette of the system; the 8-colour one keeps the four colours the
# drawing needs and four primaries.
PALETTE_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
PALETTE_8 = [
    (0, 0, 0), (128, 128, 128), (192, 192, 192), (255, 255, 255),
    (255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 0),
]
PALETTE_2 = [(0, 0, 0), (255, 255, 255)]


def palette_index(canvas, x, y, palette):
    """The palette entry of a pixel, or None where the icon is transparent.

    With only black and white, the grey shadow becomes a checkerboard of
    black and transparent pixels and the silver fold becomes white."""
    c = canvas.pixel(x, y)
    if c == CLEAR:
        return None
    if len(palette) == 2:
        if c == GREY:
            return 0 if (x + y) % 2 == 0 else None
        return 0 if c == BLACK else 1
    return palette.index(RGB[c])


def ico_image(canvas, bits, palette):
    """One icon image: BITMAPINFOHEADER, palette, colour bits, AND mask."""
    size = canvas.size
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, len(palette), 0)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    xor_stride = ((size * bits + 31) // 32) * 4
    and_stride = ((size + 31) // 32) * 4
    xor, mask = bytearray(), bytearray()
    for y in range(size - 1, -1, -1):  # bottom-up rows
        xrow, mrow = bytearray(xor_stride), bytearray(and_stride)
        for x in range(size):
            index = palette_index(canvas, x, y, palette)
            if index is None:
                mrow[x // 8] |= 0x80 >> (x % 8)
                index = 0
            if bits == 1:
                xrow[x // 8] |= index << (7 - x % 8)
            else:
                xrow[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += xrow
        mask += mrow
    return header + colours + bytes(xor) + bytes(mask)


def ico_bytes(canvas):
    images = [(1, PALETTE_2), (4, PALETTE_8), (4, PALETTE_16)]
    blobs = [ico_image(canvas, bits, pal) for bits, pal in images]
    out = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for (bits, pal), blob in zip(images, blobs):
        out += struct.pack("<BBBBHHII", 32, 32, len(pal), 0, 1, bits, len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "..", "ui", "resources")
    small = draw(32)
    files = {
        "wypelniak.ico": ico_bytes(small),
        "wypelniak-32.png": png_bytes(small.rgba()),
        "wypelniak-128.png": png_bytes(draw(128).rgba()),
        "wypelniak-256.png": png_bytes(draw(256).rgba()),
    }
    for name, data in files.items():
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
