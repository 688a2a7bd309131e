#!/usr/bin/env python3
"""Draws the built-in Start button picture, res/startbutton.bmp.

48 x 16 pixels, 24 bits, uncompressed, bottom-up, 40-byte header, no colour table: an
emblem in the left 16 x 16 and the word "Tovan" in black on the button's light grey in the
remaining 32 x 16. Run it again after changing the drawing; the output is committed.
"""
import os
import struct
import sys

WIDTH, HEIGHT = 48, 16
GREY = (192, 192, 192)
BLACK = (0, 0, 0)
NAVY = (0, 0, 128)
LIGHT = (64, 96, 224)
DARK = (0, 0, 64)
GOLD = (255, 200, 0)
RED = (224, 32, 32)

# The emblem: a bevelled navy tile with a gold "T" and a red corner mark.
# '.' grey, 'n' navy, 'l' light bevel, 'd' dark bevel, 'g' gold, 'r' red.
EMBLEM = [
    "................",
    "..llllllllllll..",
    ".lnnnnnnnnnnnnd.",
    ".lnnnnnnnnnnrrd.",
    ".lnnggggggggrrd.",
    ".lnnggggggggnnd.",
    ".lnnnnnggnnnnnd.",
    ".lnnnnnggnnnnnd.",
    ".lnnnnnggnnnnnd.",
    ".lnnnnnggnnnnnd.",
    ".lnnnnnggnnnnnd.",
    ".lnnnnnggnnnnnd.",
    ".lnnnnnnnnnnnnd.",
    ".lnnnnnnnnnnnnd.",
    "..dddddddddddd..",
    "................",
]
EMBLEM_COLOURS = {".": GREY, "n": NAVY, "l": LIGHT, "d": DARK, "g": GOLD, "r": RED}

# A small pixel font: capitals 9 rows tall, small letters 6, all standing on one baseline.
GLYPHS = {
    "T": ["#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."],
    "o": [".##.", "#..#", "#..#", "#..#", "#..#", ".##."],
    "v": ["#...#", "#...#", "#...#", ".#.#.", ".#.#.", "..#.."],
    "a": [".##.", "...#", ".###", "#..#", "#..#", ".###"],
    "n": ["###.", "#..#", "#..#", "#..#", "#..#", "#..#"],
}
WORD = "Tovan"
BASELINE = 11  # row of the letters' last line, counted from the top
LETTER_GAP = 1


def draw():
    pixels = [[GREY] * WIDTH for _ in range(HEIGHT)]
    for y, row in enumerate(EMBLEM):
        assert len(row) == 16
        for x, c in enumerate(row):
            pixels[y][x] = EMBLEM_COLOURS[c]

    width = sum(len(GLYPHS[c][0]) for c in WORD) + LETTER_GAP * (len(WORD) - 1)
    assert width <= 32
    x0 = 16 + (32 - width) // 2
    for c in WORD:
        glyph = GLYPHS[c]
        top = BASELINE - len(glyph) + 1
        for dy, row in enumerate(glyph):
            for dx, bit in enumerate(row):
                if bit == "#":
                    pixels[top + dy][x0 + dx] = BLACK
        x0 += len(glyph[0]) + LETTER_GAP
    return pixels


def encode(pixels):
    stride = (WIDTH * 3 + 3) & ~3
    image = bytearray()
    for row in reversed(pixels):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        image += line
    assert len(image) == 2304
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(image), 2835, 2835, 0, 0)
    offset = 14 + len(info)
    header = struct.pack("<2sIHHI", b"BM", offset + len(image), 0, 0, offset)
    return header + info + bytes(image)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "res", "startbutton.bmp")
    with open(out, "wb") as f:
        f.write(encode(draw()))


if __name__ == "__main__":
    main()
