#!/usr/bin/env python3
"""Draws the seven 16 x 16 pictures of the tray menu's command entries as .ico files beside
this script (32-bit colour with a 1-bit mask). Run it after changing a picture; the generated
files are committed so that the build needs no Python."""
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
T = None  # transparent

ORANGE, DARK_ORANGE = (246, 130, 20), (180, 80, 0)
WHITE, BLACK, GREY, DARK_GREY = (255, 255, 255), (0, 0, 0), (150, 150, 150), (80, 80, 80)
LIGHT, SKY, BLUE, DARK_BLUE = (240, 240, 240), (170, 205, 240), (40, 90, 170), (20, 45, 100)
YELLOW, DARK_YELLOW = (255, 215, 40), (190, 130, 0)
GREEN, DARK_GREEN, RED = (60, 170, 60), (20, 110, 20), (200, 40, 30)
WOOD, DARK_WOOD, PINK = (190, 120, 60), (110, 60, 20), (240, 150, 150)

XML = {  # 3 x 5 letters
    'X': ["101", "101", "010", "101", "101"],
    'M': ["101", "111", "111", "101", "101"],
    'L': ["100", "100", "100", "100", "111"],
}


class Canvas:
    def __init__(self):
        self.px = [[T] * 16 for _ in range(16)]

    def set(self, x, y, c):
        if 0 <= x < 16 and 0 <= y < 16:
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

    def rows(self, x, y, pattern, colours):
        """pattern: strings whose characters index colours; '.' leaves the pixel alone."""
        for dy, row in enumerate(pattern):
            for dx, ch in enumerate(row):
                if ch != '.':
                    self.set(x + dx, y + dy, colours[ch])


def window_with_bolt():
    c = Canvas()
    c.rect(0, 2, 11, 12, WHITE)
    c.frame(0, 2, 11, 12, DARK_BLUE)
    c.rect(1, 3, 10, 4, BLUE)
    c.rect(2, 6, 8, 6, GREY)
    c.rect(2, 8, 6, 8, GREY)
    c.rows(7, 0, [
        "....kkk",
        "...kyyk",
        "...kyk.",
        "..kyyk.",
        "..kyykkk",
        ".kyyyyyk",
        ".kkkyyk.",
        "...kyk..",
        "..kyk...",
        "..kyk...",
        ".kyk....",
        ".kk.....",
        ".k......",
    ], {'k': DARK_YELLOW, 'y': YELLOW})
    return c


def tools():
    """An open-ended spanner crossed with a red-handled screwdriver."""
    c = Canvas()
    c.rows(0, 0, [
        ".gg.............",
        "gGg..........kk.",
        "gG..........kSk.",
        "gGg........kSk..",
        ".gGgg.....kSk...",
        "..gGGg...kSk....",
        "...gGGg.kSk.....",
        "....gGGgSk......",
        ".....gGGg.......",
        "....rrkgGGg.....",
        "...rRRk.gGGg....",
        "..rRRr...gGGg...",
        ".rRRr.....gGGgg.",
        "rRRr.......gGGGg",
        "rRr.........gGGg",
        ".r...........gg.",
    ], {'g': DARK_GREY, 'G': GREY, 'k': DARK_GREY, 'S': LIGHT, 'r': (140, 20, 10), 'R': RED})
    return c


def info_bubble():
    c = Canvas()
    c.rows(0, 0, [
        "...bbbbbbbbb....",
        "..bwwwwwwwwwb...",
        ".bwwwwwwwwwwwb..",
        "bwwwwwBBwwwwwwb.",
        "bwwwwwBBwwwwwwb.",
        "bwwwwwwwwwwwwwb.",
        "bwwwwBBBwwwwwwb.",
        "bwwwwwBBwwwwwwb.",
        "bwwwwwBBwwwwwwb.",
        "bwwwwwBBwwwwwwb.",
        ".bwwwBBBBwwwwb..",
        "..bwwwwwwwwwb...",
        "...bbwwbbbbb....",
        "....bwb.........",
        "...bb...........",
        "..b.............",
    ], {'b': DARK_BLUE, 'w': WHITE, 'B': BLUE})
    return c


def door():
    c = Canvas()
    c.rect(2, 0, 13, 15, DARK_GREY)   # frame
    c.rect(3, 1, 12, 15, BLACK)       # the dark opening
    c.rows(3, 1, [
        "wwwwwwwd",
        "wWWWWWWd",
        "wWddddWd",
        "wWdWWdWd",
        "wWdWWdWd",
        "wWddddWd",
        "wWWWWWWd",
        "wWWWWyWd",
        "wWWWWyWd",
        "wWWWWWWd",
        "wWddddWd",
        "wWdWWdWd",
        "wWddddWd",
        "wWWWWWWd",
        "wwwwwwwd",
    ], {'w': WOOD, 'W': WOOD, 'd': DARK_WOOD, 'y': YELLOW})
    return c


def check_list():
    c = Canvas()
    c.rect(2, 0, 13, 15, WHITE)
    c.frame(2, 0, 13, 15, GREY)
    for y in (3, 7, 11):
        c.frame(4, y - 1, 6, y + 1, DARK_GREY)
        c.rect(8, y, 11, y, DARK_BLUE)
    for x, y in ((4, 2), (5, 3), (6, 1), (7, 0)):
        c.set(x, y, GREEN)
        c.set(x, y + 1, DARK_GREEN)
    for x, y in ((4, 6), (5, 7), (6, 5), (7, 4)):
        c.set(x, y, GREEN)
        c.set(x, y + 1, DARK_GREEN)
    return c


def feed_badge():
    c = Canvas()
    c.rect(0, 3, 15, 12, ORANGE)
    c.frame(0, 3, 15, 12, DARK_ORANGE)
    x = 1
    for ch in "XML":
        for gy, row in enumerate(XML[ch]):
            for gx, bit in enumerate(row):
                if bit == '1':
                    c.set(x + gx, 5 + gy, WHITE)
        x += 4
    return c


def badge_with_pencil():
    c = feed_badge()
    c.rows(6, 6, [
        ".........kk",
        "........kPPk",
        ".......kyyPk",
        "......kyyyk.",
        ".....kyyyk..",
        "....kyyyk...",
        "...kyyyk....",
        "..kwyyk.....",
        ".kwwwk......",
        ".kkkk.......",
    ], {'k': BLACK, 'y': YELLOW, 'P': PINK, 'w': (250, 230, 190)})
    return c


def dib(canvas):
    """BITMAPINFOHEADER, 32-bit XOR data (bottom-up) and the AND mask of one 16 x 16 image."""
    xor, mask = bytearray(), bytearray()
    for y in reversed(range(16)):
        bits = 0
        for x, c in enumerate(canvas.px[y]):
            if c is T:
                xor += bytes((0, 0, 0, 0))
                bits |= 0x8000 >> x
            else:
                xor += bytes((c[2], c[1], c[0], 255))
        mask += struct.pack('>H', bits) + bytes(2)  # rows padded to 32 bits
    header = struct.pack('<IiiHHIIiiII', 40, 16, 32, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    return header + bytes(xor) + bytes(mask)


def write_ico(name, canvas):
    data = dib(canvas)
    out = struct.pack('<HHH', 0, 1, 1) + struct.pack('<BBBBHHII', 16, 16, 0, 0, 1, 32, len(data), 22)
    with open(os.path.join(HERE, name), 'wb') as f:
        f.write(out + data)


write_ico("menu_refresh.ico", window_with_bolt())
write_ico("menu_settings.ico", tools())
write_ico("menu_about.ico", info_bubble())
write_ico("menu_exit.ico", door())
write_ico("menu_customize.ico", check_list())
write_ico("menu_newsfeeds.ico", feed_badge())
write_ico("menu_feededit.ico", badge_with_pencil())
