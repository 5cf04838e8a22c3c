#!/usr/bin/env python3
"""Draws Quorvane's own pictures (icons, button glyphs, the settings banner) as .ico and .bmp
files beside this script. Run it after changing a picture; the generated files are committed so
that the build needs no Python."""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
T = None  # transparent

FONT = {  # 5 x 7 pixel letters, rows top to bottom
    'A': ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    'E': ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    'L': ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    'M': ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    'N': ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    'O': ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    'Q': ["01110", "10001", "10001", "10001", "10101", "10010", "01101"],
    'R': ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    'S': ["01111", "10000", "10000", "01110", "00001", "00001", "11110"],
    'U': ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    'V': ["10001", "10001", "10001", "10001", "10001", "01010", "00100"],
    'W': ["10001", "10001", "10001", "10101", "10101", "10101", "01010"],
    'X': ["10001", "10001", "01010", "00100", "01010", "10001", "10001"],
    'Y': ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    'D': ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    'F': ["11111", "10000", "10000", "11110", "10000", "10000", "10000"],
    'T': ["11111", "00100", "00100", "00100", "00100", "00100", "00100"],
    'I': ["111", "010", "010", "010", "010", "010", "111"],
    ' ': ["000", "000", "000", "000", "000", "000", "000"],
    '-': ["000", "000", "000", "111", "000", "000", "000"],
}
SMALL = {  # 3 x 5 letters for the XML badge
    'X': ["101", "101", "010", "101", "101"],
    'M': ["101", "111", "111", "101", "101"],
    'L': ["100", "100", "100", "100", "111"],
}


class Canvas:
    def __init__(self, w, h, fill=T):
        self.w, self.h = w, h
        self.px = [[fill] * w for _ in range(h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y][x] = c

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c):
        for x in range(x0, x1 + 1):
            self.set(x, y0, c)
            self.set(x, y1, c)
        for y in range(y0, y1 + 1):
            self.set(x0, y, c)
            self.set(x1, y, c)

    def disc(self, cx, cy, r, c, edge=None):
        for y in range(self.h):
            for x in range(self.w):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r:
                    self.set(x, y, edge if (edge and d > r - 1) else c)

    def text(self, x, y, s, c, font=FONT, scale=1):
        for ch in s:
            glyph = font[ch]
            for gy, row in enumerate(glyph):
                for gx, bit in enumerate(row):
                    if bit == '1':
                        self.rect(x + gx * scale, y + gy * scale, x + gx * scale + scale - 1,
                                  y + gy * scale + scale - 1, c)
            x += (len(glyph[0]) + 1) * scale

    def paste(self, other, ox=0, oy=0):
        for y in range(other.h):
            for x in range(other.w):
                if other.px[y][x] is not T:
                    self.set(ox + x, oy + y, other.px[y][x])


def dib(canvas, bpp):
    """The BITMAPINFOHEADER, palette, XOR and AND data of one icon image."""
    w, h = canvas.w, canvas.h
    colours = []
    if bpp <= 8:
        for row in canvas.px:
            for c in row:
                if c is not T and c not in colours:
                    colours.append(c)
        if len(colours) > (1 << bpp) - 1:
            raise SystemExit("too many colours for %d bits" % bpp)
        colours = [(0, 0, 0)] + colours
        colours += [(0, 0, 0)] * ((1 << bpp) - len(colours))
    xor = bytearray()
    stride = ((w * bpp + 31) // 32) * 4
    for y in reversed(range(h)):
        row = bytearray()
        if bpp == 32:
            for c in canvas.px[y]:
                row += bytes((0, 0, 0, 0)) if c is T else bytes((c[2], c[1], c[0], 255))
        else:
            bits, acc, n = 0, 0, 0
            for c in canvas.px[y]:
                idx = 0 if c is T else colours.index(c, 1)
                acc = (acc << bpp) | idx
                n += bpp
                if n == 8:
                    row.append(acc)
                    acc, n = 0, 0
            if n:
                row.append(acc << (8 - n))
        row += bytes(stride - len(row))
        xor += row
    and_stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(h)):
        row = bytearray(and_stride)
        for x, c in enumerate(canvas.px[y]):
            if c is T:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, bpp, 0, len(xor) + len(mask), 0, 0,
                         len(colours) if bpp <= 8 else 0, 0)
    palette = b''.join(bytes((c[2], c[1], c[0], 0)) for c in colours) if bpp <= 8 else b''
    return header + palette + bytes(xor) + bytes(mask)


def write_ico(name, images):
    """images: list of (canvas, bpp)."""
    data = [dib(c, b) for c, b in images]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for (c, b), d in zip(images, data):
        colours = (1 << b) if b <= 4 else 0
        out += struct.pack('<BBBBHHII', c.w % 256, c.h % 256, colours, 0, 1, b, len(d), offset)
        offset += len(d)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out + b''.join(data))


def write_bmp(name, canvas):
    w, h = canvas.w, canvas.h
    stride = (w * 3 + 3) & ~3
    pixels = bytearray()
    for y in reversed(range(h)):
        row = bytearray()
        for c in canvas.px[y]:
            row += bytes((c[2], c[1], c[0]))
        pixels += row + bytes(stride - len(row))
    header = struct.pack('<2sIHHI', b'BM', 54 + len(pixels), 0, 0, 54)
    info = struct.pack('<IiiHHIIiiII', 40, w, h, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(header + info + pixels)


ORANGE, DARK_ORANGE, WHITE, BLACK = (246, 130, 20), (180, 80, 0), (255, 255, 255), (0, 0, 0)
YELLOW, DARK_YELLOW = (250, 210, 70), (170, 130, 20)
GREEN, DARK_GREEN, RED, DARK_RED = (60, 190, 60), (20, 110, 20), (220, 50, 40), (130, 20, 10)
BLUE, DARK_BLUE, GREY, LIGHT = (40, 90, 170), (20, 45, 100), (128, 128, 128), (235, 235, 235)


def feed_badge():
    c = Canvas(16, 16)
    c.rect(0, 3, 15, 12, ORANGE)
    c.frame(0, 3, 15, 12, DARK_ORANGE)
    c.text(1, 5, "XML", WHITE, SMALL)
    return c


def folder():
    c = Canvas(16, 16)
    c.rect(1, 3, 6, 4, DARK_YELLOW)
    c.rect(1, 5, 14, 13, YELLOW)
    c.frame(1, 5, 14, 13, DARK_YELLOW)
    c.rect(2, 6, 13, 6, (255, 240, 160))
    return c


def mark(fill, edge, symbol):
    c = Canvas(16, 16)
    c.disc(12, 12, 4.2, fill, edge)
    if symbol == '!':
        c.rect(11, 9, 12, 12, BLACK)
        c.rect(11, 14, 12, 14, BLACK)
    else:
        c.rect(11, 9, 12, 12, BLACK)
        c.rect(9, 12, 14, 12, BLACK)
        c.rect(10, 13, 13, 13, BLACK)
        c.rect(11, 14, 12, 14, BLACK)
    return c


def app_icon(size):
    s = size / 16.0
    c = Canvas(size, size)
    # a sheet of news with headline lines and the orange feed waves in its corner
    c.rect(int(1 * s), int(1 * s), int(14 * s), int(14 * s), LIGHT)
    c.frame(int(1 * s), int(1 * s), int(14 * s), int(14 * s), DARK_BLUE)
    c.rect(int(3 * s), int(3 * s), int(12 * s), int(4 * s), BLUE)
    for y in (6, 8, 10):
        c.rect(int(3 * s), int(y * s), int(8 * s), int(y * s + s / 2), GREY)
    c.disc(11 * s, 11 * s, 3.4 * s, ORANGE, DARK_ORANGE)
    c.disc(10 * s, 12 * s, 0.9 * s, WHITE)
    return c


def glyph(kind):
    c = Canvas(16, 16)
    if kind == 'new':
        c.paste(feed_badge())
        c.disc(12, 12, 4.2, GREEN, DARK_GREEN)
        c.rect(11, 9, 12, 14, WHITE)
        c.rect(9, 11, 14, 12, WHITE)
    elif kind == 'klip':
        c.paste(folder())
        c.rect(9, 8, 10, 12, DARK_GREEN)
        c.rect(7, 11, 12, 11, DARK_GREEN)
        c.rect(8, 12, 11, 12, DARK_GREEN)
    elif kind == 'export':
        c.paste(folder())
        c.rect(9, 8, 10, 12, DARK_GREEN)
        c.rect(7, 8, 12, 8, DARK_GREEN)
        c.rect(8, 7, 11, 7, DARK_GREEN)
    elif kind == 'delete':
        c.paste(feed_badge())
        for i in range(7):
            for d in (0, 1):
                c.set(9 + i, 9 + i - d, RED)
                c.set(15 - i, 9 + i - d, RED)
    elif kind == 'icon':
        c.rect(1, 2, 13, 13, WHITE)
        c.frame(1, 2, 13, 13, GREY)
        c.disc(5, 6, 1.8, YELLOW)
        for x in range(2, 13):
            c.set(x, 12 - abs(x - 8) // 2, DARK_GREEN)
            c.rect(x, 13 - abs(x - 8) // 2, x, 12, GREEN)
        c.disc(12.5, 12.5, 3.3, GREEN, DARK_GREEN)
        c.rect(12, 10, 12, 14, WHITE)
        c.rect(10, 12, 14, 12, WHITE)
    return c


def banner():
    w, h = 320, 60
    c = Canvas(w, h)
    for y in range(h):
        for x in range(w):
            t = x / (w - 1)
            r = int(20 + 30 * t)
            g = int(45 + 60 * t + 20 * y / h)
            b = int(100 + 90 * t)
            c.set(x, y, (r, g, b))
    # feed waves on the right
    for r0, col in ((34, (255, 170, 60)), (24, (250, 140, 30)), (14, (240, 110, 10))):
        for y in range(h):
            for x in range(220, w):
                d = math.hypot(x - 262, y - 52)
                if r0 - 4 <= d <= r0 and x >= 262 - 0 and y <= 52:
                    c.set(x, y, col)
    c.disc(266, 48, 4.5, (240, 110, 10))
    c.text(14, 12, "QUORVANE", WHITE, FONT, 3)
    c.text(16, 41, "NEWS IM TRAY", (200, 220, 255), FONT, 1)
    return c


def overlay(base, top):
    c = Canvas(16, 16)
    c.paste(base)
    c.paste(top)
    return c


write_ico("feed.ico", [(feed_badge(), 8)])
write_ico("folder.ico", [(folder(), 8)])
write_ico("newmark.ico", [(mark(YELLOW, DARK_YELLOW, '!'), 4), (mark(YELLOW, DARK_YELLOW, '!'), 8)])
write_ico("fetchmark.ico", [(mark(GREEN, DARK_GREEN, 'v'), 4), (mark(GREEN, DARK_GREEN, 'v'), 8)])
write_ico("tray_news.ico", [(overlay(feed_badge(), mark(YELLOW, DARK_YELLOW, '!')), 32)])
write_ico("tray_fetch.ico", [(overlay(feed_badge(), mark(GREEN, DARK_GREEN, 'v')), 32)])
write_ico("quorvane.ico", [(app_icon(32), 32), (app_icon(16), 32)])
for k in ('new', 'klip', 'export', 'delete', 'icon'):
    write_ico("glyph_%s.ico" % k, [(glyph(k), 32)])
write_bmp("banner.bmp", banner())
