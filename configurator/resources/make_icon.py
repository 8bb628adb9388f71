#!/usr/bin/env python3
"""Draws the tavixcfg icon: the tavix player seen from the front (its text
display, IR window and keys), as a 32x32 and a 16x16 image in the 16 standard
Windows colours, and writes them as tavixcfg.ico beside this script.

Run it again after changing the drawing; the .ico is committed so that the
build needs no Python.
"""
import os
import struct

# The 16-colour palette every Windows display has (RGB).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, NAVY, SILVER, GREY, RED, AQUA, WHITE, BLUE = 0, 1, 4, 7, 8, 9, 14, 15, 12
CLEAR = None


class Canvas:
    def __init__(self, size):
        self.size = size
        self.px = [[CLEAR] * size for _ in range(size)]

    def fill(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.px[y][x] = colour

    def frame(self, x0, y0, x1, y1, colour):
        for x in range(x0, x1 + 1):
            self.px[y0][x] = self.px[y1][x] = colour
        for y in range(y0, y1 + 1):
            self.px[y][x0] = self.px[y][x1] = colour

    def box(self, x0, y0, x1, y1, outline, inside, rounded=True):
        self.fill(x0, y0, x1, y1, inside)
        self.frame(x0, y0, x1, y1, outline)
        if rounded:
            for x, y, dx, dy in ((x0, y0, 1, 1), (x1, y0, -1, 1), (x0, y1, 1, -1), (x1, y1, -1, -1)):
                self.px[y][x] = CLEAR
                self.px[y + dy][x + dx] = outline

    def dot(self, x, y, colour):
        self.px[y][x] = colour


def draw32():
    c = Canvas(32)
    c.box(1, 6, 30, 26, BLACK, SILVER)
    c.fill(3, 7, 28, 7, WHITE)          # light on the top edge
    c.fill(3, 25, 28, 25, GREY)         # shadow on the bottom edge
    c.fill(29, 8, 29, 24, GREY)
    # Text display: two lines of characters.
    c.box(3, 9, 21, 17, BLACK, NAVY, rounded=False)
    for x in range(5, 20):
        if (x - 5) % 3 != 2:
            c.dot(x, 11, AQUA)
            c.dot(x, 12, AQUA)
        if (x - 5) % 4 != 3 and x < 17:
            c.dot(x, 14, AQUA)
            c.dot(x, 15, AQUA)
    # IR receiver window.
    c.box(23, 9, 27, 13, BLACK, DARK_RED)
    c.fill(24, 10, 25, 11, RED)
    # Keys.
    for x in (4, 10, 16, 22):
        c.box(x, 20, x + 4, 23, BLACK, GREY, rounded=False)
        c.fill(x + 1, 21, x + 3, 21, WHITE)
    return c


def draw16():
    c = Canvas(16)
    c.box(0, 3, 15, 13, BLACK, SILVER)
    c.fill(2, 4, 13, 4, WHITE)
    c.box(2, 5, 10, 9, BLACK, NAVY, rounded=False)
    for x in range(3, 10):
        if x % 2 == 1:
            c.dot(x, 6, AQUA)
        if x % 2 == 0 and x < 9:
            c.dot(x, 8, AQUA)
    c.fill(12, 6, 13, 7, RED)
    for x in (2, 6, 10):
        c.fill(x, 11, x + 2, 11, BLACK)
    return c


def dib(canvas):
    """The icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and
    1-bit transparency mask, both bottom-up with rows padded to 4 bytes."""
    n = canvas.size
    colour_row = (n * 4 + 31) // 32 * 4
    mask_row = (n + 31) // 32 * 4
    colours = bytearray()
    mask = bytearray()
    for y in reversed(range(n)):
        row = bytearray(colour_row)
        bits = bytearray(mask_row)
        for x in range(n):
            p = canvas.px[y][x]
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
                p = 0
            row[x // 2] |= p << (4 if x % 2 == 0 else 0)
        colours += row
        mask += bits
    header = struct.pack('<IiiHHIIiiII', 40, n, 2 * n, 1, 4, 0, len(colours) + len(mask), 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + bytes(colours) + bytes(mask)


def ico(canvases):
    images = [dib(c) for c in canvases]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for c, data in zip(canvases, images):
        out += struct.pack('<BBBBHHII', c.size, c.size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    return out + b''.join(images)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    with open(os.path.join(here, 'tavixcfg.ico'), 'wb') as f:
        f.write(ico([draw32(), draw16()]))
