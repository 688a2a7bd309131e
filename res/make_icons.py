#!/usr/bin/env python3
"""Draws the module's two icon groups and writes them as .ico files (no extra modules).

about.ico  (group 101): the maker's portrait: 32x32 at 16 bpp, 16x16 at 8 bpp, 32x32 at 4 bpp.
applet.ico (group 102): the Control Panel icon: a white emblem on a red disc, 32x32 at 4 bpp.

Shapes are described in a 32x32 coordinate space and sampled 8x8 times per pixel; a pixel is
opaque when more than half of it is covered. Run from anywhere: python3 res/make_icons.py
"""
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))
SAMPLES = 8


# ---- shapes: predicates over points of the 32x32 design space ----

def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def ring(cx, cy, r_out, r_in):
    return lambda x, y: r_in ** 2 <= (x - cx) ** 2 + (y - cy) ** 2 <= r_out ** 2


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def segment(ax, ay, bx, by, width):
    def inside(x, y):
        dx, dy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
        px, py = ax + t * dx, ay + t * dy
        return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2
    return inside


def both(a, b):
    return lambda x, y: a(x, y) and b(x, y)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def arc(cx, cy, r, width, start_deg, end_deg):
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if abs(d - r) > width / 2:
            return False
        ang = math.degrees(math.atan2(y - cy, x - cx)) % 360
        return start_deg <= ang <= end_deg
    return inside


# ---- the two pictures: lists of (shape, colour), painted in order ----

SKIN = (244, 200, 160)
SKIN_SHADE = (214, 160, 120)
HAIR = (110, 62, 28)
SHIRT = (40, 90, 200)
SHIRT_DARK = (24, 56, 140)
COLLAR = (250, 250, 250)
EYE = (30, 30, 40)
MOUTH = (170, 40, 40)
CHEEK = (236, 150, 140)
OUTLINE = (70, 40, 20)


def portrait():
    head = ellipse(16, 14, 8.2, 9.6)
    hair_top = minus(ellipse(16, 11, 9.4, 7.6), rect(0, 11.5, 32, 32))
    fringe = minus(ellipse(16, 8.5, 8.6, 4.2), rect(0, 9.5, 32, 32))
    return [
        (ellipse(16, 33, 14.5, 9.5), SHIRT_DARK),
        (ellipse(16, 33.5, 13.5, 8.8), SHIRT),
        (segment(16, 23, 11.5, 27.5, 2.2), COLLAR),
        (segment(16, 23, 20.5, 27.5, 2.2), COLLAR),
        (rect(13, 20, 19, 25), SKIN_SHADE),
        (ellipse(16, 14, 9.2, 10.6), OUTLINE),
        (ellipse(7.6, 14.5, 1.8, 2.6), SKIN_SHADE),   # ears
        (ellipse(24.4, 14.5, 1.8, 2.6), SKIN_SHADE),
        (head, SKIN),
        (hair_top, HAIR),
        (fringe, HAIR),
        (segment(8.2, 9, 8.4, 14, 2.0), HAIR),        # sideburns
        (segment(23.8, 9, 23.6, 14, 2.0), HAIR),
        (ellipse(12.3, 13.5, 1.5, 1.9), EYE),
        (ellipse(19.7, 13.5, 1.5, 1.9), EYE),
        (ellipse(11.0, 18.0, 1.7, 1.2), CHEEK),
        (ellipse(21.0, 18.0, 1.7, 1.2), CHEEK),
        (arc(16, 15.2, 5.0, 1.8, 35, 145), MOUTH),
    ]


RED = (208, 16, 16)
RED_DARK = (128, 0, 0)
WHITE = (255, 255, 255)


def emblem():
    return [
        (ellipse(16, 16, 15.5, 15.5), RED_DARK),
        (ellipse(16, 16, 14.0, 14.0), RED),
        (ring(15, 15, 9.0, 5.2), WHITE),
        (segment(18.5, 18.5, 25.0, 25.0, 3.6), WHITE),
    ]


# ---- rasterising and palettes ----

def rasterize(scene, size, blend=True):
    """Returns rows (top-down) of (r, g, b) or None for a transparent pixel. With blend the
    covered samples are averaged (smooth edges for the deeper images); without, the most
    frequent colour wins (crisp edges for 16 colours)."""
    scale = 32.0 / size
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            votes = {}
            covered = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) * scale
                    y = (py + (sy + 0.5) / SAMPLES) * scale
                    colour = None
                    for shape, c in scene:
                        if shape(x, y):
                            colour = c
                    if colour:
                        covered += 1
                        votes[colour] = votes.get(colour, 0) + 1
                        for i in range(3):
                            acc[i] += colour[i]
            if covered * 2 <= SAMPLES * SAMPLES:
                row.append(None)
            elif blend:
                row.append(tuple(round(a / covered) for a in acc))
            else:
                row.append(max(votes, key=votes.get))
        rows.append(row)
    return rows


def nearest(palette, colour):
    return min(range(len(palette)),
               key=lambda i: sum((palette[i][k] - colour[k]) ** 2 for k in range(3)))


def palette_for(rows, limit, fixed):
    """fixed colours first, then the most used remaining colours, up to limit entries."""
    counts = {}
    for row in rows:
        for c in row:
            if c is not None:
                counts[c] = counts.get(c, 0) + 1
    palette = list(fixed)
    for c, _ in sorted(counts.items(), key=lambda kv: -kv[1]):
        if len(palette) >= limit:
            break
        if c not in palette:
            palette.append(c)
    while len(palette) < limit:
        palette.append((0, 0, 0))
    return palette


# ---- .ico encoding: BITMAPINFOHEADER, palette, XOR bits, AND mask; rows bottom-up ----

def padded(data):
    return data + b"\0" * (-len(data) % 4)


def encode_image(rows, bpp, palette=None):
    size = len(rows)
    xor = b""
    for row in reversed(rows):
        if bpp == 16:
            line = b""
            for c in row:
                c = c or (0, 0, 0)
                line += struct.pack("<H", ((c[0] >> 3) << 10) | ((c[1] >> 3) << 5) | (c[2] >> 3))
        else:
            idx = [nearest(palette, c) if c else 0 for c in row]
            if bpp == 8:
                line = bytes(idx)
            else:  # 4 bpp, two pixels a byte, high nibble first
                line = bytes((idx[i] << 4) | idx[i + 1] for i in range(0, size, 2))
        xor += padded(line)
    mask = b""
    for row in reversed(rows):
        bits = 0
        line = b""
        for i, c in enumerate(row):
            bits = (bits << 1) | (0 if c else 1)
            if i % 8 == 7:
                line += bytes([bits])
                bits = 0
        mask += padded(line)
    colours = len(palette) if palette else 0
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(xor) + len(mask), 0, 0, colours, 0)
    pal = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in (palette or []))
    return header + pal + xor + mask


def write_ico(path, images):
    """images: list of (size, bpp, encoded bytes)."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bpp, blob in images:
        colour_count = 16 if bpp == 4 else 0
        entries += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bpp, len(blob), offset)
        blobs += blob
        offset += len(blob)
    with open(path, "wb") as f:
        f.write(out + entries + blobs)


def main():
    face = portrait()
    face32 = rasterize(face, 32)
    face16 = rasterize(face, 16)
    face_colours = [SKIN, SKIN_SHADE, HAIR, SHIRT, SHIRT_DARK, COLLAR, EYE, MOUTH, CHEEK, OUTLINE]
    images = [
        (32, 16, encode_image(face32, 16)),
        (16, 8, encode_image(face16, 8, palette_for(face16, 256, [(0, 0, 0)] + face_colours))),
        (32, 4, encode_image(rasterize(face, 32, blend=False), 4,
                             palette_for(face32, 16, [(0, 0, 0)] + face_colours))),
    ]
    write_ico(os.path.join(HERE, "about.ico"), images)

    disc = rasterize(emblem(), 32, blend=False)
    vga = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
           (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
           (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]
    write_ico(os.path.join(HERE, "applet.ico"), [(32, 4, encode_image(disc, 4, vga))])


if __name__ == "__main__":
    main()
