#!/usr/bin/env python3
"""Draws ORVA's image strips and writes them as 24-bit bottom-up BMP files.

Every picture is drawn here, from small pixel-art rows or simple shapes.
Each strip is 16 pixels high and 16 pixels wide per image.  The image-list
loader takes the transparent colour from the lower-left pixel of a strip, so
every strip starts with a background pixel there, and the background colour
never appears inside a picture.  The editor margin strip is drawn on white,
which the text view treats as transparent.

Usage:
    make_strips.py [--out DIR] [--preview DIR]

--out      where the .bmp files and README.txt go (default: this folder)
--preview  also write magnified PNG previews into DIR (for checking by eye)
"""

import argparse
import math
import os
import struct
import zlib

SIZE = 16

MAGENTA = (255, 0, 255)
WHITE = (255, 255, 255)
# The column list of the text-format dialog names this colour as its
# transparent colour, so the structure strip uses it as its background too.
MINT = (241, 255, 234)

PALETTE = {
    'k': (0, 0, 0),
    'd': (72, 72, 72),
    'g': (128, 128, 128),
    's': (192, 192, 192),
    'h': (224, 224, 224),
    'w': (255, 255, 255),
    't': (250, 246, 228),   # cream paper, safe on the white-keyed margin
    'r': (228, 40, 40),
    'R': (140, 0, 0),
    'o': (255, 150, 30),
    'y': (255, 228, 40),
    'Y': (150, 115, 0),
    'e': (60, 185, 60),
    'E': (0, 105, 0),
    'b': (60, 110, 220),
    'B': (20, 40, 120),
    'l': (170, 205, 255),
    'm': (115, 160, 240),
    'c': (90, 205, 225),
    'C': (0, 115, 135),
    'f': (255, 214, 100),
    'F': (190, 135, 30),
    'n': (165, 100, 40),
    'N': (95, 55, 15),
    'v': (150, 80, 190),
    'V': (80, 30, 110),
}


class Icon:
    """One 16x16 picture; None marks background pixels."""

    def __init__(self):
        self.px = [[None] * SIZE for _ in range(SIZE)]

    def set(self, x, y, colour):
        if colour is None or not (0 <= x < SIZE and 0 <= y < SIZE):
            return
        if isinstance(colour, str):
            colour = PALETTE[colour]
        self.px[y][x] = colour

    def sprite(self, rows, x0=0, y0=0):
        """Copies pixel-art rows; '.' and ' ' leave pixels untouched."""
        width = len(rows[0])
        for y, row in enumerate(rows):
            if len(row) != width:
                raise ValueError('ragged sprite row %d: %r' % (y, row))
            for x, ch in enumerate(row):
                if ch not in '. ':
                    self.set(x0 + x, y0 + y, ch)
        return self

    def rect(self, x0, y0, x1, y1, colour):
        """Fills the inclusive rectangle."""
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)
        return self

    def shape(self, inside, fill, outline=None):
        """Fills every pixel whose centre satisfies inside(x, y); pixels on
        the shape's edge (a 4-neighbour outside) get the outline colour."""
        mask = [[inside(x + 0.5, y + 0.5) for x in range(SIZE)]
                for y in range(SIZE)]

        def covered(x, y):
            return 0 <= x < SIZE and 0 <= y < SIZE and mask[y][x]

        for y in range(SIZE):
            for x in range(SIZE):
                if not mask[y][x]:
                    continue
                edge = not (covered(x - 1, y) and covered(x + 1, y)
                            and covered(x, y - 1) and covered(x, y + 1))
                self.set(x, y, outline if (edge and outline) else fill)
        return self

    def mirrored(self):
        out = Icon()
        for y in range(SIZE):
            out.px[y] = list(reversed(self.px[y]))
        return out


# ----------------------------------------------------------------- shapes

def disk(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ring(cx, cy, r_in, r_out):
    def inside(x, y):
        d2 = (x - cx) ** 2 + (y - cy) ** 2
        return r_in * r_in <= d2 <= r_out * r_out
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            xa, ya = points[i]
            xb, yb = points[(i + 1) % n]
            if (ya > y) != (yb > y):
                if x < xa + (y - ya) * (xb - xa) / (yb - ya):
                    hit = not hit
        return hit
    return inside


def rounded_box(x0, y0, x1, y1, radius):
    """Box over pixel edges x0..x1, y0..y1 with rounded corners."""
    def inside(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        cx = min(max(x, x0 + radius), x1 - radius)
        cy = min(max(y, y0 + radius), y1 - radius)
        return (x - cx) ** 2 + (y - cy) ** 2 <= radius * radius
    return inside


def thick_segment(xa, ya, xb, yb, half_width):
    def inside(x, y):
        vx, vy = xb - xa, yb - ya
        t = ((x - xa) * vx + (y - ya) * vy) / (vx * vx + vy * vy)
        t = min(max(t, 0.0), 1.0)
        return math.hypot(x - xa - t * vx, y - ya - t * vy) <= half_width
    return inside


def union(*parts):
    return lambda x, y: any(p(x, y) for p in parts)


# ------------------------------------------------------- pixel-art pieces

DATABASE = [
    "................",
    "....BBBBBBBB....",
    "..BBllllllllBB..",
    ".BllllllllllllB.",
    ".BBllllllllllBB.",
    ".BmBBllllllBBbB.",
    ".BmmbBBBBBBbbbB.",
    ".BmmbbbbbbbbbbB.",
    ".BBmbbbbbbbbbBB.",
    ".BmBBbbbbbbBBbB.",
    ".BmmbBBBBBBbbbB.",
    ".BmmbbbbbbbbbbB.",
    ".BmmbbbbbbbbbbB.",
    "..BBbbbbbbbbBB..",
    "....BBBBBBBB....",
    "................",
]

SMALL_DATABASE = [
    "..BBBBB..",
    ".BlllllB.",
    "BlllllllB",
    "BBlllllBB",
    "BmBBBBBbB",
    "BmbbbbbbB",
    "BmbbbbbbB",
    "BmBBBBBbB",
    "BmbbbbbbB",
    "BmbbbbbbB",
    ".BBbbbBB.",
    "..BBBBB..",
]

PLUG = [
    "...kkkk...",
    "YYYkssgk..",
    "...kssgk..",
    "...kssgkkk",
    "...kssgk..",
    "YYYkssgk..",
    "...kkkk...",
]

GEAR_HALF = [
    "................",
    "......dddd......",
    "..ddd.dssd.ddd..",
    "..dsdddssdddsd..",
    "..ddssssssssdd..",
    "...dssssssssd...",
    ".dddssddddssddd.",
    ".dssssd..dssssd.",
]

SMALL_GEAR = [
    "...ddd...",
    ".d.dsd.d.",
    ".dsssssd.",
    "ddssdssdd",
    "dssd.dssd",
    "ddssdssdd",
    ".dsssssd.",
    ".d.dsd.d.",
    "...ddd...",
]

GLOBE = [
    "..CCCC..",
    ".CceecC.",
    "CeeccecC",
    "CcecCccC",
    "CCCCCCCC",
    "CccCceeC",
    "CcceeeeC",
    ".CcCeeC.",
    "..CCCC..",
]

PAGE = [
    "................",
    "..dddddddd......",
    "..dwwwwwwdd.....",
    "..dwwwwwwdhd....",
    "..dwwwwwwdhhd...",
    "..dwwwwwwddddd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dwwwwwwwwwwd..",
    "..dddddddddddd..",
]

TEXT_LINES = [
    "................",
    "................",
    "................",
    "....gggg........",
    "................",
    "................",
    "................",
    "....ggggggggg...",
    "................",
    "....gggggg......",
    "................",
    "....ggggggggg...",
    "................",
    "....ggggggg.....",
    "................",
    "................",
]

SMALL_PAGE = [
    "dddddd...",
    "dwwwwdd..",
    "dwwwwdhd.",
    "dwwwwdddd",
    "dwwwwwwwd",
    "dwwwwwwwd",
    "dwwwwwwwd",
    "dwwwwwwwd",
    "dwwwwwwwd",
    "dwwwwwwwd",
    "ddddddddd",
]

SMALL_PAGE_LINES = [
    ".........",
    ".........",
    ".........",
    ".........",
    ".ggggg...",
    ".........",
    ".gggggg..",
    ".........",
    ".gggg....",
    ".........",
    ".........",
]

OPEN_FOLDER = [
    "................",
    "................",
    "................",
    ".NNNN...........",
    "NFFFFN..........",
    "NFFFFFNNNNNNN...",
    "NFFFFFFFFFFFFN..",
    "NFFFNNNNNNNNNNNN",
    "NFFNyyyyyyyyyyyN",
    "NFFNyyyyyyyyyyN.",
    "NFNyyyyyyyyyyyN.",
    "NFNyyyyyyyyyyN..",
    "NNyyyyyyyyyyyN..",
    "NNNNNNNNNNNNNN..",
    "................",
    "................",
]

FOLDER = [
    "................",
    "................",
    "................",
    ".FFFF...........",
    "FyyyyF..........",
    "FyyyyyFFFFFFFF..",
    "FyyyyyyyyyyyyyF.",
    "FfffffffffffffF.",
    "FfffffffffffffF.",
    "FfffffffffffffF.",
    "FfffffffffffffF.",
    "FfffffffffffffF.",
    "FfffffffffffffF.",
    "FFFFFFFFFFFFFFF.",
    "................",
    "................",
]

FLOPPY = [
    "................",
    ".BBBBBBBBBBBBBB.",
    ".BbBwwwwwwwwBbB.",
    ".BbBwwwwwwwwBbB.",
    ".BbBwggggggwBbB.",
    ".BbBwwwwwwwwBbB.",
    ".BbBBBBBBBBBBbB.",
    ".BbbbbbbbbbbbbB.",
    ".BbbBBBBBBBBbbB.",
    ".BbbBssssBssbbB.",
    ".BbbBssssBssbbB.",
    ".BbbBssssBssbbB.",
    ".BbbBssssssssbB.",
    ".BBBBBBBBBBBBBB.",
    "................",
    "................",
]

PRINTER = [
    "................",
    "....dddddddd....",
    "....dwwwwwwd....",
    "....dwggggwd....",
    "....dwwwwwwd....",
    "..dddddddddddd..",
    ".dhhhhhhhhhhhhd.",
    ".dssssssssseesd.",
    ".dssssssssssssd.",
    ".dggggggggggggd.",
    ".dgddddddddddgd.",
    ".dddwwwwwwwwddd.",
    "...dwggggggwd...",
    "...dwwwwwwwwd...",
    "...dddddddddd...",
    "................",
]

CLIPBOARD = [
    "................",
    ".....dddddd.....",
    ".NNNNdssssdNNNN.",
    ".NnnddddddddnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NnnnnnnnnnnnnN.",
    ".NNNNNNNNNNNNNN.",
    "................",
]

UNDO = [
    "................",
    "................",
    "................",
    "....B...........",
    "...BB...........",
    "..BbBBBBBBBB....",
    ".BbbbbbbbbbbBB..",
    "..BbBBBBBBBbbbB.",
    "...BB......BBbB.",
    "....B.......BbB.",
    "............BbB.",
    "...........BbbB.",
    "........BBBbbB..",
    "........BbbBB...",
    "........BBB.....",
    "................",
]

BOOKMARK = [
    "CCCCCCCC",
    "CccccccC",
    "CccccccC",
    "CccccccC",
    "CccccccC",
    "CccccccC",
    "CccccccC",
    "CccccccC",
    "CccccccC",
    "CccccccC",
    "CccCCccC",
    "CcC..CcC",
    "CC....CC",
]

ARROW_DOWN = [
    "..EEE..",
    "..EeE..",
    "..EeE..",
    "EEEeEEE",
    ".EeeeE.",
    "..EeE..",
    "...E...",
]

SMALL_X = [
    "RR...RR",
    "RrR.RrR",
    ".RrRrR.",
    "..RrR..",
    ".RrRrR.",
    "RrR.RrR",
    "RR...RR",
]

SMALL_PLUS = [
    "..EEE..",
    "..EeE..",
    "EEEeEEE",
    "EeeeeeE",
    "EEEeEEE",
    "..EeE..",
    "..EEE..",
]

PENCIL = [
    "......kk",
    ".....kok",
    "....kyk.",
    "...kyk..",
    "..kyk...",
    ".ktk....",
    ".kk.....",
    "k.......",
]

STAR = [
    "...y...",
    "...y...",
    ".yyoyy.",
    "yyoooyy",
    ".yyoyy.",
    "...y...",
    "...y...",
]

TREE = [
    ".BBB............",
    ".BlB.gggggg.....",
    ".BBB............",
    "..g.............",
    "..g.FFF.........",
    "..ggFfF.ggggggg.",
    "..g.FFF.........",
    "..g.............",
    "..g.FFF.........",
    "..ggFfF.gggg....",
    "..g.FFF.........",
    "..g.............",
    "..g.FFF.........",
    "..ggFfF.gggggg..",
    "....FFF.........",
    "................",
]

RESULT_PANE = [
    "................",
    "dddddddddddddddd",
    "dBBBBBBBBBBBBBBd",
    "dwwwwwwwwwwwwwwd",
    "dwggggwgggggwwwd",
    "dwwwwwwwwwwwwwwd",
    "dwgggwggggwwwwwd",
    "dddddddddddddddd",
    "dllllsllllslllld",
    "dssssssssssssssd",
    "dwwwwswwwwswwwwd",
    "dssssssssssssssd",
    "dwwwwswwwwswwwwd",
    "dssssssssssssssd",
    "dddddddddddddddd",
    "................",
]


def grid_rows(header):
    h = header
    return [
        "................",
        "................",
        ".dddddddddddddd.",
        ".d" + h * 12 + "d.",
        ".d" + h * 12 + "d.",
        ".dddddddddddddd.",
        ".dwwwgwwwwgwwwd.",
        ".dwwwgwwwwgwwwd.",
        ".dggggggggggggd.",
        ".dwwwgwwwwgwwwd.",
        ".dwwwgwwwwgwwwd.",
        ".dggggggggggggd.",
        ".dwwwgwwwwgwwwd.",
        ".dwwwgwwwwgwwwd.",
        ".dddddddddddddd.",
        "................",
    ]


def mini_grid(header):
    return [
        "dddddddd",
        "d" + header * 6 + "d",
        "d" + header * 6 + "d",
        "dddddddd",
        "dwwgwwwd",
        "dggggggd",
        "dwwgwwwd",
        "dddddddd",
    ]


CALENDAR = [
    "................",
    "...d..d..d..d...",
    ".RRdRRdRRdRRdRR.",
    ".RrrrrrrrrrrrrR.",
    ".RrrrrrrrrrrrrR.",
    ".dddddddddddddd.",
    ".dwwwwwwwwwwwwd.",
    ".dwggwggwggwggd.",
    ".dwwwwwwwwwwwwd.",
    ".dwggwggwggwggd.",
    ".dwwwwwwwwwwwwd.",
    ".dwggwrrwggwggd.",
    ".dwwwwwwwwwwwwd.",
    ".dwggwggwwwwwwd.",
    ".dddddddddddddd.",
    "................",
]

PROPERTIES = [
    "................",
    ".dddddddddddddd.",
    ".dBBBBBBBBBBBBd.",
    ".dddddddddddddd.",
    ".dwwwwwwwwwwwwd.",
    ".dwbbwggggggwwd.",
    ".dwbbwwwwwwwwwd.",
    ".dwwwwwwwwwwwwd.",
    ".dwbbwgggggggwd.",
    ".dwbbwwwwwwwwwd.",
    ".dwwwwwwwwwwwwd.",
    ".dwbbwggggwwwwd.",
    ".dwbbwwwwwwwwwd.",
    ".dwwwwwwwwwwwwd.",
    ".dddddddddddddd.",
    "................",
]

CHECK_PAGE = [
    ".dddddddddddddd.",
    ".dBBBBBBBBBBBBd.",
    ".dhhhhhhhhhhhhd.",
    ".dhdddddhhhhhhd.",
    ".dhdwwEdhhhhhhd.",
    ".dhdEEwdhgggghd.",
    ".dhdwEwdhhhhhhd.",
    ".dhdddddhhhhhhd.",
    ".dhhhhhhhhhhhhd.",
    ".dhdddddhhhhhhd.",
    ".dhdwwwdhhhhhhd.",
    ".dhdwwwdhggghhd.",
    ".dhdwwwdhhhhhhd.",
    ".dhdddddhhhhhhd.",
    ".dhhhhhhhhhhhhd.",
    ".dddddddddddddd.",
]

BIG_A = [
    "....BB....",
    "....BB....",
    "...B.BB...",
    "...B.BB...",
    "..B...BB..",
    "..BBBBBB..",
    ".B.....BB.",
    ".B.....BB.",
    "B.......BB",
    "B.......BB",
    "BB.....BBB",
]

SMALL_A = [
    ".rrr.",
    "....r",
    ".rrrr",
    "r...r",
    "r..rr",
    ".rr.r",
]

LETTER_T = [
    "xxxxxxxx",
    "xxxxxxxx",
    "x..xx..x",
    "...xx...",
    "...xx...",
    "...xx...",
    "...xx...",
    "...xx...",
    "..xxxx..",
]

RASTER_A = [
    ".###.",
    "#...#",
    "#####",
    "#...#",
    "#...#",
]

REFRESH_HALF = [
    "................",
    "......EEEE......",
    "....EEeeeeEE.E..",
    "...EeeEEEEeeEeE.",
    "..EeEE....EEeeE.",
    "..EeE....EeeeeE.",
    ".EeE.....EEEEEE.",
    ".EeE............",
]


def rotated_half(rows):
    return [row[::-1] for row in reversed(rows)]


MESSAGE = [
    "................",
    "..dddddddddddd..",
    ".dwwwwwwwwwwwwd.",
    "dwwwwwwwwwwwwwwd",
    "dwwgggggggggwwwd",
    "dwwwwwwwwwwwwwwd",
    "dwwgggggggwwwwwd",
    "dwwwwwwwwwwwwwwd",
    "dwwggggggggggwwd",
    "dwwwwwwwwwwwwwwd",
    ".dwwwwwwwwwwwwd.",
    "..ddwwwddddddd..",
    "...dwwd.........",
    "..dwd...........",
    ".dd.............",
    "................",
]

REPLACE = [
    "................",
    "..BBB...........",
    ".B...B..........",
    ".B...B..........",
    ".BBBBB...E......",
    ".B...B...EE.....",
    ".B...BEEEEEE....",
    ".........EE.....",
    ".........E......",
    "........RRRR....",
    "........R...R...",
    "........R...R...",
    "........RRRR....",
    "........R...R...",
    "........R...R...",
    "........RRRR....",
]

KEY = [
    "................",
    "................",
    "................",
    "..YYYY..........",
    ".YyyyyY.........",
    "YyyyyyyY........",
    "YyyYYyyYYYYYYYY.",
    "YyY..YyyyyyyyyyY",
    "YyY..YyyyyyyyyyY",
    "YyyYYyyYYYYYYYY.",
    ".YyyyyY...YY.YY.",
    "..YYYY....YY.YY.",
    "................",
    "................",
    "................",
    "................",
]

FIELD = [
    "................",
    "................",
    "................",
    "................",
    ".dddddddddddddd.",
    ".dwwwwwwwwwwwwd.",
    ".dwbbbbbbbbwwwd.",
    ".dwbbbbbbbbwwwd.",
    ".dwwwwwwwwwwwwd.",
    ".dddddddddddddd.",
    "................",
    "................",
    "................",
    "................",
    "................",
    "................",
]

DIGITS = {
    '0': [" ### ", "#   #", "#  ##", "# # #", "##  #", "#   #", " ### "],
    '1': ["  #  ", " ##  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "],
    '2': [" ### ", "#   #", "    #", "   # ", "  #  ", " #   ", "#####"],
    '3': ["#####", "   # ", "  #  ", "   # ", "    #", "#   #", " ### "],
    '4': ["   # ", "  ## ", " # # ", "#  # ", "#####", "   # ", "   # "],
    '5': ["#####", "#    ", "#### ", "    #", "    #", "#   #", " ### "],
    '6': ["  ## ", " #   ", "#    ", "#### ", "#   #", "#   #", " ### "],
    '7': ["#####", "    #", "   # ", "  #  ", " #   ", " #   ", " #   "],
    '8': [" ### ", "#   #", "#   #", " ### ", "#   #", "#   #", " ### "],
    '9': [" ### ", "#   #", "#   #", " ####", "    #", "   # ", " ##  "],
}


def recolour(rows, mapping):
    return [''.join(mapping.get(ch, ch) for ch in row) for row in rows]


def draw_text(icon, glyph_rows, x0, y0, colour):
    icon.sprite(recolour(glyph_rows, {'#': colour, ' ': '.'}), x0, y0)


# ------------------------------------------------------------ picture kit

def database():
    return Icon().sprite(DATABASE)


def connect():
    ic = Icon().sprite(SMALL_DATABASE, 0, 4)
    return ic.sprite(PLUG, 6, 2)


def odbc_source():
    ic = Icon().sprite(SMALL_DATABASE, 0, 4)
    return ic.sprite(GLOBE, 8, 0)


def file_database():
    ic = Icon().sprite(PAGE).sprite(TEXT_LINES)
    return ic.sprite(SMALL_DATABASE, 7, 4)


def new_page():
    return Icon().sprite(PAGE)


def text_page():
    return Icon().sprite(PAGE).sprite(TEXT_LINES)


def open_folder():
    return Icon().sprite(OPEN_FOLDER)


def floppy():
    return Icon().sprite(FLOPPY)


def scissors():
    ic = Icon()
    ic.shape(thick_segment(4.0, 1.0, 10.0, 10.0, 0.9), 's', 'd')
    ic.shape(thick_segment(12.0, 1.0, 6.0, 10.0, 0.9), 's', 'd')
    ic.set(8, 7, 'k')
    ic.shape(ring(4.5, 12.0, 1.4, 3.1), 'r', 'R')
    ic.shape(ring(11.5, 12.0, 1.4, 3.1), 'r', 'R')
    return ic


def copy_pages():
    ic = Icon().sprite(SMALL_PAGE, 1, 1).sprite(SMALL_PAGE_LINES, 1, 1)
    return ic.sprite(SMALL_PAGE, 6, 5).sprite(SMALL_PAGE_LINES, 6, 5)


def paste():
    ic = Icon().sprite(CLIPBOARD)
    return ic.sprite(SMALL_PAGE, 6, 5).sprite(SMALL_PAGE_LINES, 6, 5)


def magnifier(cx=6.0, cy=6.0, handle_to=13.5):
    ic = Icon()
    a = cx + 2.9
    ic.shape(thick_segment(a, a, handle_to, handle_to, 1.3), 'n', 'N')
    ic.shape(disk(cx, cy, 4.8), 'l', 'd')
    ic.shape(ring(cx, cy, 3.3, 4.8), 'd')
    ic.set(int(cx) - 2, int(cy) - 2, 'w')
    ic.set(int(cx) - 1, int(cy) - 2, 'w')
    ic.set(int(cx) - 2, int(cy) - 1, 'w')
    return ic


def find_with_arrow(up):
    ic = magnifier(5.5, 7.5, 13.0)
    arrow = ARROW_DOWN[::-1] if up else ARROW_DOWN
    return ic.sprite(arrow, 9, 0)


def bookmark_tool():
    return Icon().sprite(BOOKMARK, 4, 1)


def bookmark_with(emblem):
    return Icon().sprite(BOOKMARK, 1, 1).sprite(emblem, 9, 8)


def run_triangle():
    return Icon().shape(polygon([(3.5, 1.5), (13.5, 8.0), (3.5, 14.5)]),
                        'e', 'E')


def stop_square():
    return Icon().shape(rounded_box(2.5, 2.5, 13.5, 13.5, 2.0), 'r', 'R')


def grid(header='b'):
    return Icon().sprite(grid_rows(header))


def display_mode():
    ic = Icon().sprite(SMALL_PAGE, 0, 0).sprite(SMALL_PAGE_LINES, 0, 0)
    small = [
        "dddddddddd",
        "dbbbbbbbbd",
        "dddddddddd",
        "dwwgwwwgwd",
        "dggggggggd",
        "dwwgwwwgwd",
        "dggggggggd",
        "dwwgwwwgwd",
        "dddddddddd",
    ]
    return ic.sprite(small, 6, 6)


def big_x():
    shape = union(thick_segment(3.5, 3.5, 12.5, 12.5, 1.8),
                  thick_segment(12.5, 3.5, 3.5, 12.5, 1.8))
    return Icon().shape(shape, 'r', 'R')


def big_plus():
    shape = union(polygon([(6, 2), (10, 2), (10, 14), (6, 14)]),
                  polygon([(2, 6), (14, 6), (14, 10), (2, 10)]))
    return Icon().shape(shape, 'e', 'E')


def gear_icon():
    return Icon().sprite(GEAR_HALF + GEAR_HALF[::-1])


def refresh():
    # the lower arrow is the upper one turned half way round
    return Icon().sprite(REFRESH_HALF + rotated_half(REFRESH_HALF))


def about():
    ic = Icon().shape(disk(8.0, 8.0, 7.2), 'b', 'B')
    ic.rect(7, 3, 8, 4, 'w')
    ic.rect(7, 6, 8, 11, 'w')
    ic.rect(6, 6, 6, 6, 'w')
    ic.rect(6, 12, 9, 12, 'w')
    return ic


def exit_door():
    ic = Icon()
    ic.rect(1, 1, 9, 14, 'N')
    ic.rect(2, 2, 8, 14, 'k')
    ic.shape(polygon([(2, 2), (7, 4), (7, 15), (2, 15)]), 'n', 'N')
    ic.set(6, 9, 'y')
    ic.shape(polygon([(8, 6.5), (11.5, 6.5), (11.5, 4), (15.5, 8),
                      (11.5, 12), (11.5, 9.5), (8, 9.5)]), 'e', 'E')
    return ic


def disconnect():
    return Icon().sprite(PLUG, 0, 1).sprite(SMALL_X, 8, 8)


def save_as():
    ic = Icon().sprite(FLOPPY, -1, 0)
    return ic.sprite(PENCIL, 8, 7)


def page_with(emblem):
    return Icon().sprite(PAGE).sprite(TEXT_LINES).sprite(emblem, 9, 9)


def run_page():
    ic = Icon().sprite(PAGE).sprite(TEXT_LINES)
    return ic.shape(polygon([(8.5, 8.5), (15.5, 12.0), (8.5, 15.5)]),
                    'e', 'E')


def create_table():
    return grid('b').sprite(STAR, 9, 0)


def folder_with(emblem_rows):
    return Icon().sprite(FOLDER).sprite(emblem_rows, 8, 8)


def small_gear_icon(base):
    return base.sprite(SMALL_GEAR, 7, 7)


def fx_badge(x0, y0, x1, y1):
    ic = Icon().shape(rounded_box(x0, y0, x1, y1, 2.0), 'v', 'V')
    return ic


def function_icon():
    ic = fx_badge(1, 2, 15, 14)
    f = [
        "..ww",
        ".w..",
        "wwww",
        ".w..",
        ".w..",
        ".w..",
        "w...",
    ]
    x = [
        "w...w",
        ".w.w.",
        "..w..",
        ".w.w.",
        "w...w",
    ]
    ic.sprite(f, 3, 4).sprite(x, 8, 6)
    return ic


def function_folder():
    ic = Icon().sprite(FOLDER)
    ic.shape(rounded_box(7, 7, 16, 16, 1.5), 'v', 'V')
    ic.sprite([".ww", "w..", "www", "w..", "w.."], 9, 9)
    ic.sprite(["w.w", ".w.", "w.w"], 12, 11)
    return ic


def procedure_icon():
    ic = Icon().sprite(PAGE).sprite(TEXT_LINES)
    return small_gear_icon(ic)


def procedure_folder():
    return small_gear_icon(Icon().sprite(FOLDER))


def unused_node():
    return Icon().shape(polygon([(8, 5), (11, 8), (8, 11), (5, 8)]),
                        's', 'g')


def messages_icon():
    return Icon().sprite(MESSAGE)


def truetype_mark():
    ic = Icon()
    ic.sprite(recolour(LETTER_T, {'x': 'g'}), 1, 1)
    ic.sprite(recolour(LETTER_T, {'x': 'B'}), 7, 6)
    return ic


def raster_mark():
    ic = Icon()
    for j, row in enumerate(RASTER_A):
        for i, ch in enumerate(row):
            if ch == '#':
                ic.rect(1 + 3 * i, 1 + 3 * j, 2 + 3 * i, 2 + 3 * j, 'R')
    return ic


def font_page():
    return Icon().sprite(BIG_A, 0, 3).sprite(SMALL_A, 10, 8)


def key(light='y', dark='Y'):
    return Icon().sprite(recolour(KEY, {'y': light, 'Y': dark}))


def field():
    return Icon().sprite(FIELD)


# ------------------------------------------------------------ margin kit

def marker(fill, outline):
    return Icon().shape(disk(7.5, 8.0, 5.0), fill, outline)


def margin_bookmark(digit=None):
    ic = Icon().shape(polygon([(2, 1), (13, 1), (13, 15), (7.5, 10.5),
                               (2, 15)]), 'c', 'C')
    if digit is not None:
        draw_text(ic, DIGITS[digit], 5, 2, 'B')
    return ic


def caret_mark():
    return Icon().shape(polygon([(1.5, 5.5), (8.5, 5.5), (8.5, 2.0),
                                 (14.5, 8.0), (8.5, 14.0), (8.5, 10.5),
                                 (1.5, 10.5)]), 'y', 'Y')


# ---------------------------------------------------------------- strips

def strip_toolbar():
    mirror_redo = Icon().sprite(UNDO).mirrored()
    return [
        ('40044', 'connect (connection dialog)', connect()),
        ('40008', 'connect ODBC data source', odbc_source()),
        ('40021', 'connect file database', file_database()),
        ('40013', 'new query window', new_page()),
        ('40022', 'open SQL file', open_folder()),
        ('57603', 'save', floppy()),
        ('57607', 'print', Icon().sprite(PRINTER)),
        ('57635', 'cut', scissors()),
        ('57634', 'copy', copy_pages()),
        ('57637', 'paste', paste()),
        ('57643', 'undo', Icon().sprite(UNDO)),
        ('57644', 'redo', mirror_redo),
        ('57636', 'find', magnifier()),
        ('57640', 'find next', find_with_arrow(up=False)),
        ('37126', 'find previous', find_with_arrow(up=True)),
        ('57641', 'replace', Icon().sprite(REPLACE)),
        ('37223', 'toggle anonymous bookmark', bookmark_tool()),
        ('37224', 'next anonymous bookmark', bookmark_with(ARROW_DOWN)),
        ('37225', 'previous anonymous bookmark',
         bookmark_with(ARROW_DOWN[::-1])),
        ('37226', 'clear all anonymous bookmarks', bookmark_with(SMALL_X)),
        ('40014', 'run SQL', run_triangle()),
        ('40015', 'stop the run', stop_square()),
        ('40016', 'database drop-down (covered by the box)', database()),
        ('40005', 'show/hide object browser', Icon().sprite(TREE)),
        ('40006', 'show/hide result pane', Icon().sprite(RESULT_PANE)),
        ('40020', 'result display mode (drop-down)', display_mode()),
    ]


def strip_menu():
    return [
        (None, 'delete', big_x()),
        (None, 'add (new record)', big_plus()),
        (None, 'open', open_folder()),
        (None, 'SELECT statement (query script)', run_page()),
        (None, 'CREATE TABLE statement', create_table()),
        (None, 'perpetual calendar', Icon().sprite(CALENDAR)),
        (None, 'settings', gear_icon()),
        (None, 'INSERT statements', page_with(SMALL_PLUS)),
        (None, 'disconnect', disconnect()),
        (None, 'properties', Icon().sprite(PROPERTIES)),
        (None, 'save as', save_as()),
        (None, 'refresh', refresh()),
        (None, 'about', about()),
        (None, 'exit', exit_door()),
    ]


def strip_bar_and_tabs():
    return [
        (None, 'object browser', Icon().sprite(TREE)),
        (None, 'result grids (tab "结果")', grid('l')),
        (None, 'message log (tab "消息")', messages_icon()),
    ]


def strip_font_types():
    return [
        (None, 'TrueType font', truetype_mark()),
        (None, 'raster font', raster_mark()),
    ]


def strip_tree():
    return [
        (None, 'unused (no node kind 0)', unused_node()),
        (None, 'connection', connect()),
        (None, 'database', database()),
        (None, 'table folder', folder_with(mini_grid('b'))),
        (None, 'table', grid('b')),
        (None, 'view folder', folder_with(mini_grid('e'))),
        (None, 'view', grid('e')),
        (None, 'procedure folder', procedure_folder()),
        (None, 'procedure', procedure_icon()),
        (None, 'function folder', function_folder()),
        (None, 'function', function_icon()),
    ]


def strip_option_pages():
    return [
        (None, 'general page', Icon().sprite(CHECK_PAGE)),
        (None, 'font page', font_page()),
    ]


def strip_structure():
    return [
        (None, 'primary-key column', key()),
        (None, 'spare: a silver key (no user yet)', key('s', 'g')),
        (None, 'other column', field()),
    ]


def strip_margin():
    items = [
        (None, 'line marker, green (flag 0x10000)', marker('e', 'E')),
        (None, 'line marker, red (flag 0x20000)', marker('r', 'R')),
        (None, 'line marker, blue (flag 0x40000)', marker('b', 'B')),
    ]
    for n in range(1, 10):
        items.append((None, 'numbered bookmark %d (flag 0x%x)' % (n, 1 << n),
                      margin_bookmark(str(n))))
    items.append((None, 'numbered bookmark 0 (flag 0x1)',
                  margin_bookmark('0')))
    items.append((None, 'anonymous bookmark (flag 0x80000)',
                  margin_bookmark()))
    items.append((None, 'caret line (also flag 0x100000)', caret_mark()))
    return items


STRIPS = [
    ('toolbar102.bmp', 'tool bar 102', MAGENTA, strip_toolbar,
     'Button images in button order; separators have no image.'),
    ('bitmap104.bmp', 'bitmap 104', MAGENTA, strip_menu,
     'Menu images beside menu and context-menu items.'),
    ('bitmap107.bmp', 'bitmap 107', MAGENTA, strip_bar_and_tabs,
     'Object browser bar; result view tabs use images 1 and 2.'),
    ('bitmap110.bmp', 'bitmap 110', MAGENTA, strip_font_types,
     'Marks in the font family box of the options dialog.'),
    ('bitmap115.bmp', 'bitmap 115', MAGENTA, strip_tree,
     'Object browser node icons; the index is the node kind.'),
    ('bitmap121.bmp', 'bitmap 121', MAGENTA, strip_option_pages,
     'Page icons of the options dialog tree.'),
    ('bitmap135.bmp', 'bitmap 135', MINT, strip_structure,
     'Table-structure grid and text-format column list. The background is\n'
     'RGB(241,255,234), the colour the column list treats as transparent.'),
    ('margin22902.bmp', 'bitmap 22902', WHITE, strip_margin,
     'Editor margin images; white is transparent.'),
]


# ------------------------------------------------------------ file output

def strip_pixels(icons, background):
    """Rows top to bottom of the whole strip, as RGB tuples."""
    rows = []
    for y in range(SIZE):
        row = []
        for icon in icons:
            for x in range(SIZE):
                colour = icon.px[y][x]
                if colour == background:
                    raise ValueError('background colour used in a picture')
                row.append(colour if colour is not None else background)
        rows.append(row)
    return rows


def bmp_bytes(rows):
    """A 24-bit bottom-up BMP with rows padded to four bytes."""
    height, width = len(rows), len(rows[0])
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0,
                       len(pixels), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    head = struct.pack('<2sIHHI', b'BM', offset + len(pixels), 0, 0, offset)
    return head + info + bytes(pixels)


def png_bytes(rows):
    height, width = len(rows), len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b in row:
            raw += bytes((r, g, b))

    def chunk(kind, data):
        body = kind + data
        return (struct.pack('>I', len(data)) + body
                + struct.pack('>I', zlib.crc32(body) & 0xffffffff))

    header = struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header)
            + chunk(b'IDAT', zlib.compress(bytes(raw), 9))
            + chunk(b'IEND', b''))


def preview_rows(rows, background, count, scale=10, per_line=8):
    """Magnified pictures in lines of per_line; each picture is shown as
    stored (top) and over a light grey the way a menu shows it (bottom)."""
    menu_grey = (236, 233, 226)
    rule = (120, 120, 120)
    gap = 4
    cell = SIZE * scale
    lines = (count + per_line - 1) // per_line
    width = per_line * (cell + gap) + gap
    height = lines * (2 * cell + 3 * gap) + gap
    out = [[rule] * width for _ in range(height)]
    for index in range(count):
        left = gap + (index % per_line) * (cell + gap)
        top = gap + (index // per_line) * (2 * cell + 3 * gap)
        for band in (0, 1):
            band_top = top + band * (cell + gap)
            for y in range(SIZE):
                for x in range(SIZE):
                    colour = rows[y][index * SIZE + x]
                    if band == 1 and colour == background:
                        colour = menu_grey
                    for dy in range(scale):
                        row = out[band_top + y * scale + dy]
                        row[left + x * scale:left + (x + 1) * scale] = \
                            [colour] * scale
    return out


def readme_text(entries):
    lines = [
        'ORVA image strips',
        '=================',
        '',
        'Drawn by make_strips.py in this folder (run it again after changing a',
        'picture).  Every strip is a 24-bit bottom-up BMP, 16 pixels high and 16',
        'pixels wide per image.  The image-list loader takes the transparent',
        'colour from the lower-left pixel of the strip; the background colour',
        'never occurs inside a picture.  The editor margin strip is drawn on',
        'white, and white is its transparent colour.',
        '',
    ]
    for name, res, background, items, note in entries:
        lines.append('%s  (%s, %d images, background RGB%s)'
                     % (name, res, len(items), background))
        for note_line in note.split('\n'):
            lines.append('    ' + note_line.strip())
        for index, (cmd, meaning, _) in enumerate(items):
            label = ('command %s: %s' % (cmd, meaning)) if cmd else meaning
            lines.append('  %2d  %s' % (index, label))
        lines.append('')
    return '\n'.join(lines).rstrip('\n') + '\n'


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.split('\n')[0])
    parser.add_argument('--out', default=here)
    parser.add_argument('--preview')
    args = parser.parse_args()

    entries = []
    for name, res, background, build, note in STRIPS:
        items = build()
        rows = strip_pixels([icon for _, _, icon in items], background)
        if rows[SIZE - 1][0] != background:
            raise ValueError(name + ': lower-left pixel is not background')
        with open(os.path.join(args.out, name), 'wb') as f:
            f.write(bmp_bytes(rows))
        if args.preview:
            os.makedirs(args.preview, exist_ok=True)
            png = os.path.join(args.preview, name[:-4] + '.png')
            with open(png, 'wb') as f:
                f.write(png_bytes(preview_rows(rows, background, len(items))))
        entries.append((name, res, background, items, note))
        print('%-18s %2d images' % (name, len(items)))

    with open(os.path.join(args.out, 'README.txt'), 'w',
              encoding='utf-8') as f:
        f.write(readme_text(entries))


if __name__ == '__main__':
    main()
