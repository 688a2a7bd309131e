#!/usr/bin/env python3
"""Draws the ready-made themes of the release: dist/THEMES/<THEME>/*.BMP.

Each theme is a folder of the 13 caption-button images at the default caption-button size,
16 x 14, named after the Frame controls page's list (CLOSEUP.BMP is "Close button up",
MINDIS.BMP "Minimize button disabled", ...), and one Start button picture, START.BMP, 48 x 16
like the built-in one.

  CLASSIC   the Windows 95 look, grey and bevelled, with a dark red Close cross
  BRIGHT    a colour for each button, glossy faces, white glyphs
  CONTRAST  white and yellow on black, large thick glyphs, for people who see poorly

Every file is a bitmap that Windows 95 reads: 40-byte BITMAPINFOHEADER, BI_RGB, bottom-up,
4 bits per pixel with the 16 VGA colours (CLASSIC, CONTRAST: right on any display, 16 colours
included), 8 bits (BRIGHT's buttons) or 24 bits (BRIGHT's Start picture).

Pressed images are sunken (the bevel turned round, the glyph one pixel down and right);
disabled images are greyed as the system greys a glyph: a white copy one pixel down and
right under a grey one.

usage: python3 dist/make_themes.py [output folder]   (default: dist/THEMES beside this file)
The output is committed; a ctest checks that this script still draws exactly those files.
"""
import os
import struct
import sys

W, H = 16, 14  # caption-button size
START_W, START_H = 48, 16  # the built-in Start picture's size

BLACK = (0, 0, 0)
WHITE = (255, 255, 255)
GREY = (128, 128, 128)
SILVER = (192, 192, 192)
MAROON = (128, 0, 0)
NAVY = (0, 0, 128)
TEAL = (0, 128, 128)
YELLOW = (255, 255, 0)

# The 16 colours of the VGA palette, in the order Windows uses for 4-bit bitmaps.
VGA = [BLACK, MAROON, (0, 128, 0), (128, 128, 0), NAVY, (128, 0, 128), TEAL, SILVER,
       GREY, (255, 0, 0), (0, 255, 0), YELLOW, (0, 0, 255), (255, 0, 255), (0, 255, 255),
       WHITE]

# The 13 images in the order of the Frame controls page's list: file name, glyph, state.
BUTTONS = [
    ("CLOSEUP", "close", "up"),
    ("CLOSEDN", "close", "down"),
    ("CLOSEDIS", "close", "disabled"),
    ("MINUP", "minimize", "up"),
    ("MINDN", "minimize", "down"),
    ("MINDIS", "minimize", "disabled"),
    ("RESTUP", "restore", "up"),
    ("RESTDN", "restore", "down"),
    ("HELPUP", "help", "up"),
    ("HELPDN", "help", "down"),
    ("MAXUP", "maximize", "up"),
    ("MAXDN", "maximize", "down"),
    ("MAXDIS", "maximize", "disabled"),
]


# ---- pixels: a picture is a list of rows (top-down) of (r, g, b) ----

def canvas(w, h, colour):
    return [[colour] * w for _ in range(h)]


def fill(pic, x0, y0, x1, y1, colour):
    """Fills the rectangle from (x0, y0) to (x1, y1), both corners included."""
    for y in range(y0, y1 + 1):
        for x in range(x0, x1 + 1):
            pic[y][x] = colour


def stamp(pic, mask, x0, y0, colour):
    """Paints the '#' cells of a mask (rows of text) with its top-left corner at (x0, y0)."""
    for dy, row in enumerate(mask):
        for dx, cell in enumerate(row):
            if cell == "#":
                pic[y0 + dy][x0 + dx] = colour


def mix(a, b, t):
    """a moved towards b by t (0 to 1)."""
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def gradient(pic, x0, y0, x1, y1, top, bottom):
    for y in range(y0, y1 + 1):
        colour = mix(top, bottom, (y - y0) / max(1, y1 - y0))
        fill(pic, x0, y, x1, y, colour)


def frame(pic, x0, y0, x1, y1, top_left, bottom_right):
    """A one-pixel frame: top and left in one colour, bottom and right in another."""
    fill(pic, x0, y0, x1, y0, top_left)
    fill(pic, x0, y0, x0, y1, top_left)
    fill(pic, x0, y1, x1, y1, bottom_right)
    fill(pic, x1, y0, x1, y1, bottom_right)


# ---- glyphs ----

# Glyphs of the usual size (CLASSIC, BRIGHT), placed as the system places them on a 16 x 14
# button: each entry is the mask and its top-left corner in the up image.
GLYPHS = {
    "close": ([
        "##....##",
        ".##..##.",
        "..####..",
        "...##...",
        "..####..",
        ".##..##.",
        "##....##",
    ], 4, 3),
    "minimize": ([
        "######",
        "######",
    ], 4, 9),
    "maximize": ([
        "#########",
        "#########",
        "#.......#",
        "#.......#",
        "#.......#",
        "#.......#",
        "#.......#",
        "#.......#",
        "#########",
    ], 3, 2),
    # Two windows: the one behind, up and to the right, shows its top bar and right side.
    "restore": ([
        "...######",
        "...######",
        "...#....#",
        "######..#",
        "######..#",
        "#....####",
        "#....#...",
        "#....#...",
        "######...",
    ], 3, 2),
    "help": ([
        ".####.",
        "##..##",
        "....##",
        "...##.",
        "..##..",
        "..##..",
        "......",
        "..##..",
        "..##..",
    ], 5, 2),
}

# The same glyphs drawn large and thick for the high-contrast theme.
BIG_GLYPHS = {
    "close": ([
        "##......##",
        "###....###",
        ".###..###.",
        "..######..",
        "...####...",
        "..######..",
        ".###..###.",
        "###....###",
        "##......##",
    ], 3, 2),
    "minimize": ([
        "#########",
        "#########",
        "#########",
    ], 3, 8),
    "maximize": ([
        "##########",
        "##########",
        "##########",
        "##......##",
        "##......##",
        "##......##",
        "##......##",
        "##########",
        "##########",
    ], 3, 2),
    "restore": ([
        "....#######",
        "....#######",
        "....##...##",
        "#######..##",
        "#######..##",
        "##...######",
        "##...##....",
        "##...##....",
        "#######....",
    ], 2, 2),
    "help": ([
        ".#####.",
        "###.###",
        "##...##",
        "....###",
        "...###.",
        "..###..",
        "..##...",
        ".......",
        "..##...",
        "..##...",
    ], 4, 2),
}


def glyph_at(glyphs, name, state):
    """The glyph's mask and where it goes: one pixel down and right when pressed."""
    mask, x, y = glyphs[name]
    if state == "down":
        x, y = x + 1, y + 1
    return mask, x, y


def greyed(pic, mask, x, y, light, dark):
    """A disabled glyph as the system draws one: light copy down and right, dark over it."""
    stamp(pic, mask, x + 1, y + 1, light)
    stamp(pic, mask, x, y, dark)


# ---- CLASSIC: grey, bevelled, black glyphs, a dark red Close cross ----

def classic_button(name, state):
    pic = canvas(W, H, SILVER)
    if state == "down":  # sunken: black and grey above and left, white below and right
        frame(pic, 0, 0, W - 1, H - 1, BLACK, WHITE)
        frame(pic, 1, 1, W - 2, H - 2, GREY, SILVER)
    else:  # raised: white above and left, black and grey below and right
        frame(pic, 0, 0, W - 1, H - 1, WHITE, BLACK)
        frame(pic, 1, 1, W - 2, H - 2, SILVER, GREY)
    mask, x, y = glyph_at(GLYPHS, name, state)
    if state == "disabled":
        greyed(pic, mask, x, y, WHITE, GREY)
    else:
        stamp(pic, mask, x, y, MAROON if name == "close" else BLACK)
    return pic


# ---- BRIGHT: a colour for each button, glossy faces, white glyphs ----

BRIGHT_COLOURS = {
    "close": (214, 38, 38),
    "minimize": (34, 160, 64),
    "maximize": (28, 104, 220),
    "restore": (136, 56, 200),
    "help": (236, 132, 0),
}
BRIGHT_DISABLED = (200, 200, 200)


def bright_button(name, state):
    base = BRIGHT_COLOURS[name]
    if state == "disabled":  # the button's colour faded almost to grey
        base = mix(base, BRIGHT_DISABLED, 0.85)
    outline = mix(base, BLACK, 0.55)
    pic = canvas(W, H, base)
    if state == "down":  # darker, lit from below, shadow along the top and left
        face = mix(base, BLACK, 0.2)
        gradient(pic, 1, 1, W - 2, H - 2, mix(face, BLACK, 0.25), face)
        frame(pic, 1, 1, W - 2, H - 2, mix(face, BLACK, 0.45), face)
    else:  # glossy: light at the top, a bright rim above and left, darker below and right
        gradient(pic, 1, 1, W - 2, H - 2, mix(base, WHITE, 0.45), base)
        frame(pic, 1, 1, W - 2, H - 2, mix(base, WHITE, 0.7), mix(base, BLACK, 0.25))
    frame(pic, 0, 0, W - 1, H - 1, outline, outline)
    mask, x, y = glyph_at(GLYPHS, name, state)
    if state == "disabled":
        greyed(pic, mask, x, y, WHITE, mix(base, BLACK, 0.4))
    else:
        stamp(pic, mask, x + 1, y + 1, mix(base, BLACK, 0.5))  # shadow: the glyph stands out
        stamp(pic, mask, x, y, WHITE)
    return pic


# ---- CONTRAST: white and yellow on black, large thick glyphs ----

def contrast_button(name, state):
    pic = canvas(W, H, BLACK)
    mask, x, y = glyph_at(BIG_GLYPHS, name, state)
    if state == "down":  # sunken: a double edge above and left, the glyph yellow
        frame(pic, 0, 0, W - 1, H - 1, WHITE, WHITE)
        frame(pic, 1, 1, W - 2, H - 2, WHITE, BLACK)
        stamp(pic, mask, x, y, YELLOW)
    elif state == "disabled":  # grey edge and glyph: plainly not the live white
        frame(pic, 0, 0, W - 1, H - 1, GREY, GREY)
        stamp(pic, mask, x, y, GREY)
    else:
        frame(pic, 0, 0, W - 1, H - 1, WHITE, WHITE)
        stamp(pic, mask, x, y, WHITE)
    return pic


# ---- Start pictures, 48 x 16 ----

# Bold letters of the word Start (MS Sans Serif bold-like), 8 rows, all on one baseline.
BOLD = {
    "S": [".####.", "##..##", "##....", ".####.", "....##", "....##", "##..##", ".####."],
    "t": [".##.", ".##.", "####", ".##.", ".##.", ".##.", ".##.", "..##"],
    "a": [".###.", "...##", ".####", "##.##", "##.##", ".####"],
    "r": ["##.##", "####.", "##...", "##...", "##...", "##..."],
}
# Capitals 12 rows tall with strokes 2 pixels thick, for the high-contrast picture.
BIG_CAPS = {
    "S": [".#####.", "##...##", "##.....", "##.....", "##.....", ".#####.",
          ".....##", ".....##", ".....##", ".....##", "##...##", ".#####."],
    "T": ["########", "########", "...##...", "...##...", "...##...", "...##...",
          "...##...", "...##...", "...##...", "...##...", "...##...", "...##..."],
    "A": ["..###..", ".##.##.", "##...##", "##...##", "##...##", "##...##",
          "#######", "#######", "##...##", "##...##", "##...##", "##...##"],
    "R": ["######.", "##...##", "##...##", "##...##", "##...##", "######.",
          "####...", "##.##..", "##..##.", "##..##.", "##...##", "##...##"],
}


def word_width(font, word, gap):
    return sum(len(font[c][0]) for c in word) + gap * (len(word) - 1)


def write_word(pic, font, word, x, baseline, colour, gap=1):
    """Letters standing on the row baseline (counted from the top); returns the x after."""
    for c in word:
        glyph = font[c]
        stamp(pic, glyph, x, baseline - len(glyph) + 1, colour)
        x += len(glyph[0]) + gap
    return x


# A little desktop monitor: grey case, teal screen, a shine in the corner, a stand.
MONITOR = [
    "kkkkkkkkkkkkk",
    "kwwwwwwwwwwgk",
    "kwggggggggggk",
    "kwgwwtttttwgk",
    "kwgwttttttwgk",
    "kwgtttttttwgk",
    "kwgtttttttwgk",
    "kwgtttttttwgk",
    "kwgwwwwwwwwgk",
    "kgggggggggggk",
    "kkkkkkkkkkkkk",
    "....kgggk....",
    "..kkkkkkkkk..",
]
MONITOR_COLOURS = {"k": BLACK, "w": WHITE, "g": GREY, "t": TEAL, "s": SILVER}


def classic_start():
    pic = canvas(START_W, START_H, SILVER)
    for y, row in enumerate(MONITOR):
        for x, c in enumerate(row):
            if c != ".":
                pic[1 + y][2 + x] = MONITOR_COLOURS[c]
    write_word(pic, BOLD, "Start", 18, 11, BLACK)
    return pic


def bright_start():
    """A glossy orange-to-magenta pill with a yellow sun and the word in white."""
    pic = canvas(START_W, START_H, SILVER)
    left, right, top, bottom = 1, START_W - 2, 1, START_H - 2
    orange, magenta = (255, 140, 0), (214, 24, 140)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            colour = mix(orange, magenta, (x - left) / (right - left))
            colour = mix(colour, WHITE, 0.45 * max(0.0, 1 - (y - top) / 6))  # gloss on top
            pic[y][x] = colour
    # rounded ends: the corners of the pill stay the button's grey
    for x, y in [(left, top), (left + 1, top), (left, top + 1), (right, top), (right - 1, top),
                 (right, top + 1), (left, bottom), (left + 1, bottom), (left, bottom - 1),
                 (right, bottom), (right - 1, bottom), (right, bottom - 1)]:
        pic[y][x] = SILVER
    sun = [
        "...#...",
        ".#.#.#.",
        "..###..",
        "#######",
        "..###..",
        ".#.#.#.",
        "...#...",
    ]
    stamp(pic, sun, 5, 5, (150, 60, 0))  # shadow
    stamp(pic, sun, 4, 4, (255, 240, 60))
    shadow = (110, 20, 60)
    write_word(pic, BOLD, "Start", 16, 12, shadow)
    write_word(pic, BOLD, "Start", 15, 11, WHITE)
    return pic


def contrast_start():
    pic = canvas(START_W, START_H, BLACK)
    frame(pic, 0, 0, START_W - 1, START_H - 1, WHITE, WHITE)
    width = word_width(BIG_CAPS, "START", 1)
    write_word(pic, BIG_CAPS, "START", (START_W - width) // 2, 13, YELLOW)
    return pic


THEMES = {
    "CLASSIC": (classic_button, 4, classic_start, 4),
    "BRIGHT": (bright_button, 8, bright_start, 24),
    "CONTRAST": (contrast_button, 4, contrast_start, 4),
}


# ---- BMP files: 14-byte file header, 40-byte BITMAPINFOHEADER, palette, rows bottom-up ----

def encode_bmp(pic, bpp):
    height, width = len(pic), len(pic[0])
    if bpp == 24:
        palette = []
    elif bpp == 4:
        palette = VGA
    else:  # 8 bits: the picture's own colours in a fixed order, the rest of 256 black
        palette = sorted({c for row in pic for c in row})
        assert len(palette) <= 256
        palette += [BLACK] * (256 - len(palette))
    index = {c: i for i, c in reversed(list(enumerate(palette)))}
    stride = (width * bpp + 31) // 32 * 4
    pixels = bytearray()
    for row in reversed(pic):  # bottom-up
        if bpp == 24:
            line = b"".join(bytes((b, g, r)) for r, g, b in row)
        elif bpp == 8:
            line = bytes(index[c] for c in row)
        else:
            cells = [index[c] for c in row] + [0] * (width % 2)
            line = bytes((cells[i] << 4) | cells[i + 1] for i in range(0, len(cells), 2))
        pixels += line + bytes(stride - len(line))
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, len(pixels), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(colours)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return header + info + colours + bytes(pixels)


def check_colours(pic, bpp):
    if bpp == 4:
        strays = {c for row in pic for c in row} - set(VGA)
        assert not strays, "not a VGA colour: %s" % sorted(strays)


def write(path, pic, bpp):
    check_colours(pic, bpp)
    with open(path, "wb") as f:
        f.write(encode_bmp(pic, bpp))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "THEMES")
    for theme, (draw_button, button_bpp, draw_start, start_bpp) in THEMES.items():
        folder = os.path.join(out, theme)
        os.makedirs(folder, exist_ok=True)
        for file_name, glyph, state in BUTTONS:
            write(os.path.join(folder, file_name + ".BMP"), draw_button(glyph, state), button_bpp)
        write(os.path.join(folder, "START.BMP"), draw_start(), start_bpp)


if __name__ == "__main__":
    main()
