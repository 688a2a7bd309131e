"""Colours and the bitmap files a theme holds: the 16 colours of a 16-colour display and the
button greys, what a 256-colour display keeps, and 4- and 8-bit files with the 40-byte header
every Windows 95 reads (14-byte file header, 40-byte header, table, rows bottom-up)."""
import struct

from PIL import Image

from .report import Refusal, say, warn

FACE, SHADOW, LIGHT = (192, 192, 192), (128, 128, 128), (223, 223, 223)
# The 16 colours of a 16-colour display, in the order of a 4-bit bitmap's table, and the scheme's
# third button grey: a 16-colour theme keeps to these.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), FACE, SHADOW, (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
STANDARD = VGA + [LIGHT]
# What a 256-colour display keeps of a picture's colours: its 20 fixed colours.
FIXED_256 = VGA + [(192, 220, 192), (166, 202, 240), (255, 251, 240), (160, 160, 164)]


def colours_of(picture):
    """Every colour the picture holds."""
    return {c for _, c in picture.getcolors(picture.size[0] * picture.size[1])}


def distance(a, b):
    return sum((a[i] - b[i]) ** 2 for i in range(3))


def nearest(colour, palette):
    return min(palette, key=lambda entry: distance(colour, entry))


def to_standard(picture):
    """Each pixel as the nearest of the 16 standard colours and the light grey, no dithering;
    returns the picture and how many of its colours were moved."""
    colours = colours_of(picture)
    moved = {c: nearest(c, STANDARD) for c in colours if c not in STANDARD}
    if moved:
        picture = picture.copy()
        picture.putdata([moved.get(c, c) for c in picture.getdata()])
    return picture, len(moved)


def off_standard(colours):
    return sorted(c for c in colours if c not in STANDARD)


def collapse_at_256(colours):
    """How many different colours a 256-colour display leaves of these: it draws each as the
    nearest of its 20 fixed colours."""
    return len({nearest(c, FIXED_256) for c in colours})


def palette_4bit(colours, what):
    """The 16 colours of a 4-bit table: the display's own, the light grey in the place of one
    the picture does not use."""
    palette = list(VGA)
    if LIGHT in colours:
        free = [i for i, c in enumerate(VGA) if c not in colours]
        if not free:
            raise Refusal("%s uses all 16 standard colours and the light grey (223, 223, 223): a "
                          "16-colour bitmap holds 16. Give --colours 256, or drop one" % what)
        palette[free[-1]] = LIGHT
    return palette


def encode_bmp(picture, bpp, what):
    width, height = picture.size
    pixels_in = list(picture.getdata())
    colours = set(pixels_in)
    if bpp == 4:
        palette = palette_4bit(colours, what)
    else:  # the picture's own colours in a fixed order, the rest of 256 black
        palette = sorted(colours)
        palette += [(0, 0, 0)] * (256 - len(palette))
    index = {c: i for i, c in reversed(list(enumerate(palette)))}
    stride = (width * bpp + 31) // 32 * 4
    body = bytearray()
    for y in range(height - 1, -1, -1):  # bottom-up
        cells = [index[c] for c in pixels_in[y * width:(y + 1) * width]]
        if bpp == 8:
            line = bytes(cells)
        else:
            cells += [0] * (width % 2)
            line = bytes((cells[i] << 4) | cells[i + 1] for i in range(0, len(cells), 2))
        body += line + bytes(stride - len(line))
    table = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, 0, len(body), 2835, 2835,
                       len(palette), 0)
    offset = 14 + len(info) + len(table)
    header = struct.pack("<2sIHHI", b"BM", offset + len(body), 0, 0, offset)
    return header + info + table + bytes(body)


def to_bitmap(picture, bpp, what):
    """A picture (RGB) as the bytes of the bitmap file the theme holds."""
    if bpp == 4:
        picture, moved = to_standard(picture)
        if moved:
            say("%s: %d colour(s) outside the 16 standard colours drawn as the nearest of them"
                % (what, moved))
        return encode_bmp(picture, 4, what)
    colours = colours_of(picture)
    if len(colours) > 256:
        picture = picture.quantize(256, dither=Image.Dither.NONE).convert("RGB")
        warn("%s: %d colours, more than a 256-colour bitmap holds: reduced to 256"
             % (what, len(colours)))
        colours = {c for _, c in picture.getcolors(256)}
    others = off_standard(colours)
    if others:
        warn("%s: %d colour(s) outside the 16 standard colours; a 256-colour display draws "
             "each as the nearest of its 20 fixed colours, and this picture's %d colours become "
             "%d there. Leave out --colours 256 for a theme meant to be shared"
             % (what, len(others), len(colours), collapse_at_256(colours)))
    return encode_bmp(picture, 8, what)
