#!/usr/bin/env python3
"""Draws Quorvane's own pictures (icons, button glyphs, the settings banner) as .ico and .bmp
files beside this script: every icon at 16, 20, 24, 32 and 48 pixels, the banner for 100 %, 150 %
and 200 %. Run it after changing a picture; the generated files are committed so that the build
needs no Python."""
import math
import os

from art import Canvas, T, sizes, write_bmp, write_ico, SIZES

HERE = os.path.dirname(os.path.abspath(__file__))

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


ORANGE, DARK_ORANGE, WHITE, BLACK = (246, 130, 20), (180, 80, 0), (255, 255, 255), (0, 0, 0)
YELLOW, DARK_YELLOW = (250, 210, 70), (170, 130, 20)
GREEN, DARK_GREEN, RED, DARK_RED = (60, 190, 60), (20, 110, 20), (220, 50, 40), (130, 20, 10)
BLUE, DARK_BLUE, GREY, LIGHT = (40, 90, 170), (20, 45, 100), (128, 128, 128), (235, 235, 235)


def feed_badge(scale=1):
    c = Canvas(16, 16, scale=scale)
    c.rect(0, 3, 15, 12, ORANGE)
    c.frame(0, 3, 15, 12, DARK_ORANGE)
    if scale == 1:
        c.text(1, 5, "XML", WHITE, SMALL)
    else:
        # centred in the badge, in whole-pixel letters
        w, h = c.text_size("XML", SMALL)
        x = (c.edge(0) + c.edge(16) - w) // 2
        y = (c.edge(3) + c.edge(13) - h) // 2
        c.text(x / scale, y / scale, "XML", WHITE, SMALL)
    return c


def folder(scale=1):
    c = Canvas(16, 16, scale=scale)
    c.rect(1, 3, 6, 4, DARK_YELLOW)
    c.rect(1, 5, 14, 13, YELLOW)
    c.frame(1, 5, 14, 13, DARK_YELLOW)
    c.rect(2, 6, 13, 6, (255, 240, 160))
    return c


def mark(fill, edge, symbol, scale=1):
    c = Canvas(16, 16, scale=scale)
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


def glyph(kind, scale=1):
    c = Canvas(16, 16, scale=scale)
    if kind == 'new':
        c.paste(feed_badge(scale))
        c.disc(12, 12, 4.2, GREEN, DARK_GREEN)
        c.rect(11, 9, 12, 14, WHITE)
        c.rect(9, 11, 14, 12, WHITE)
    elif kind == 'klip':
        c.paste(folder(scale))
        c.rect(9, 8, 10, 12, DARK_GREEN)
        c.rect(7, 11, 12, 11, DARK_GREEN)
        c.rect(8, 12, 11, 12, DARK_GREEN)
    elif kind == 'export':
        c.paste(folder(scale))
        c.rect(9, 8, 10, 12, DARK_GREEN)
        c.rect(7, 8, 12, 8, DARK_GREEN)
        c.rect(8, 7, 11, 7, DARK_GREEN)
    elif kind == 'delete':
        c.paste(feed_badge(scale))
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


def banner(scale=1):
    w, h = 320, 60
    # 100 % pixel by pixel as designed; larger scales on the finer grid, without averaging the
    # gradient (it is smooth already) but with the waves' edges averaged.
    c = Canvas(w, h, scale=scale)

    def sky(x, y):
        t = x / (w - 1)
        return (int(20 + 30 * t), int(45 + 60 * t + 20 * y / h), int(100 + 90 * t))

    def waves(x, y):
        for r0, col in ((34, (255, 170, 60)), (24, (250, 140, 30)), (14, (240, 110, 10))):
            d = math.hypot(x - 262, y - 52)
            if r0 - 4 <= d <= r0 and x >= 262 and y <= 52:
                return col
        return None

    if scale == 1:
        for y in range(h):
            for x in range(w):
                c.set(x, y, waves(x, y) or sky(x, y))
    else:
        c.shade(lambda x, y: waves(x, y) or sky(x, y))
    c.disc(266, 48, 4.5, (240, 110, 10))
    c.text(14, 12, "QUORVANE", WHITE, FONT, 3, rounded=True)
    c.text(16, 41, "NEWS IM TRAY", (200, 220, 255), FONT, 1, rounded=True)
    return c


def overlay(base, top, scale=1):
    c = Canvas(16, 16, scale=scale)
    c.paste(base)
    c.paste(top)
    return c


def app_icons():
    return [(app_icon(s), 32) for s in sorted(SIZES, reverse=True)]


def news_mark(scale):
    return mark(YELLOW, DARK_YELLOW, '!', scale)


def fetch_mark(scale):
    return mark(GREEN, DARK_GREEN, 'v', scale)


write_ico(HERE, "feed.ico", sizes(feed_badge, (8,)))
write_ico(HERE, "folder.ico", sizes(folder, (8,)))
write_ico(HERE, "newmark.ico", sizes(news_mark, (4, 8)))
write_ico(HERE, "fetchmark.ico", sizes(fetch_mark, (4, 8)))
write_ico(HERE, "tray_news.ico", sizes(lambda s: overlay(feed_badge(s), news_mark(s), s)))
write_ico(HERE, "tray_fetch.ico", sizes(lambda s: overlay(feed_badge(s), fetch_mark(s), s)))
write_ico(HERE, "quorvane.ico", app_icons())
for k in ('new', 'klip', 'export', 'delete', 'icon'):
    write_ico(HERE, "glyph_%s.ico" % k, sizes(lambda s: glyph(k, s)))
write_bmp(HERE, "banner.bmp", banner())
write_bmp(HERE, "banner150.bmp", banner(1.5))
write_bmp(HERE, "banner200.bmp", banner(2))
