#!/usr/bin/env python3
"""Draws the seven pictures of the tray menu's command entries as .ico files beside this script,
each at 16, 20, 24, 32 and 48 pixels (32-bit colour with a 1-bit mask). Run it after changing a
picture; the generated files are committed so that the build needs no Python."""
import os

from art import Canvas, sizes, write_ico

HERE = os.path.dirname(os.path.abspath(__file__))

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


def window_with_bolt(scale=1):
    c = Canvas(16, 16, scale=scale)
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


def tools(scale=1):
    """An open-ended spanner crossed with a red-handled screwdriver."""
    c = Canvas(16, 16, scale=scale)
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


def info_bubble(scale=1):
    c = Canvas(16, 16, scale=scale)
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


def door(scale=1):
    c = Canvas(16, 16, scale=scale)
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


def check_list(scale=1):
    c = Canvas(16, 16, scale=scale)
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


def feed_badge(scale=1):
    c = Canvas(16, 16, scale=scale)
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


def badge_with_pencil(scale=1):
    c = feed_badge(scale)
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


for name, draw in (("menu_refresh.ico", window_with_bolt), ("menu_settings.ico", tools),
                   ("menu_about.ico", info_bubble), ("menu_exit.ico", door), ("menu_customize.ico", check_list),
                   ("menu_newsfeeds.ico", feed_badge), ("menu_feededit.ico", badge_with_pencil)):
    write_ico(HERE, name, sizes(draw))
