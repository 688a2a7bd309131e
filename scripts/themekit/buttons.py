"""Caption buttons from the pictures of other desktops' themes: the button cut out of the piece of
title bar around it, brought to the size of a caption picture (repeated lines dropped where it
is larger, the module's fit where it is smaller), the disabled picture embossed as Windows draws
a disabled glyph, and Help, which no such theme has, drawn on the theme's own button."""
from collections import Counter

from PIL import Image

from .bitmaps import SHADOW
from .fit import fit_picture
from .parts import caption_picture
from .report import Refusal

WHITE = (255, 255, 255)
BEVEL = 2  # the outer lines on each side that the module keeps as a button's bevel
# The sizes the module draws caption pictures at for the caption sizes 18, 24 and 30: a theme
# drawn at other sizes lands at the nearest of them.
MODULE_SIZES = [caption_picture(c) for c in (18, 24, 30)]

# Help's glyph at the standard size, doubled for a cell whose inside takes it twice.
QUESTION = ["..####..",
            ".##..##.",
            ".....##.",
            "....##..",
            "...##...",
            "...##...",
            "........",
            "...##...",
            "...##..."]


def draw_ring(picture, inset, light, dark):
    """A bevel's ring inset from the picture's edge: light above and left, dark below and right
    (the corners between them dark, as Windows draws a button)."""
    w, h = picture.size
    for x in range(inset, w - inset):
        picture.putpixel((x, inset), light)
        picture.putpixel((x, h - 1 - inset), dark)
    for y in range(inset, h - inset):
        picture.putpixel((inset, y), light)
        picture.putpixel((w - 1 - inset, y), dark)
    picture.putpixel((w - 1 - inset, inset), dark)
    picture.putpixel((inset, h - 1 - inset), dark)


def flatten(picture, background):
    """The picture (RGBA) over a background: one colour, or one colour a row (a title bar)."""
    rows = background if isinstance(background, list) else [background] * picture.height
    under = Image.new("RGBA", picture.size)
    under.putdata([rows[min(y, len(rows) - 1)][:3] + (255,) for y in range(picture.height)
                   for _ in range(picture.width)])
    under.alpha_composite(picture.convert("RGBA"))
    return under.convert("RGB")


def differing_box(pictures, background):
    """The smallest box holding every pixel of the pictures (RGB, of one size) that differs from
    the background's colour in its row; None where none does."""
    boxes = []
    for picture in pictures:
        rows = background if isinstance(background, list) else [background] * picture.height
        flat = Image.new("RGB", picture.size)
        flat.putdata([rows[min(y, len(rows) - 1)][:3] for y in range(picture.height)
                      for _ in range(picture.width)])
        difference = Image.frombytes("L", picture.size, bytes(
            0 if a == b else 255 for a, b in zip(picture.getdata(), flat.getdata())))
        boxes.append(difference.getbbox())
    boxes = [b for b in boxes if b]
    if not boxes:
        return None
    return (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes),
            max(b[3] for b in boxes))


def lines_of(picture, axis):
    data = list(picture.getdata())
    w, h = picture.size
    if axis == 0:  # columns
        return [tuple(data[y * w + x] for y in range(h)) for x in range(w)]
    return [tuple(data[y * w:(y + 1) * w]) for y in range(h)]


def from_lines(lines, axis):
    if axis == 0:
        picture = Image.new("RGB", (len(lines), len(lines[0])))
        picture.putdata([lines[x][y] for y in range(len(lines[0])) for x in range(len(lines))])
    else:
        picture = Image.new("RGB", (len(lines[0]), len(lines)))
        picture.putdata([p for line in lines for p in line])
    return picture


def drop_repeats(pictures, wanted, keep):
    """Drops lines from pictures (a list of lines each, all of one length), the same from each,
    down to wanted where it can: a line that repeats its neighbour in all of them, the plainest
    (the face around a glyph, then the inside of a box before its bars: the fewest pixels other
    than each picture's most common colour), the farthest from the middle of those, never one of
    the keep outer lines on each side (a bevel's)."""
    grounds = [Counter(p for line in lines for p in line).most_common(1)[0][0]
               for lines in pictures]
    count = len(pictures[0])
    while count > wanted:
        middle = (count - 1) / 2
        repeats = [i for i in range(keep + 1, count - keep)
                   if all(lines[i] == lines[i - 1] for lines in pictures)]
        if not repeats:
            return
        rank = {i: (sum(p != ground for lines, ground in zip(pictures, grounds)
                        for p in lines[i]), -abs(i - 0.5 - middle)) for i in repeats}
        best = [i for i in repeats if rank[i] == min(rank.values())]
        # Alike lines on both sides go in turn, so that what lies between stays centred.
        drop = best[0] if count % 2 else best[-1]
        for lines in pictures:
            del lines[drop]
        count -= 1


def sampled(lines, wanted, keep):
    """The keep outer lines on each side and the rest sampled evenly, wanted in all."""
    count = len(lines)
    inside, room = count - 2 * keep, wanted - 2 * keep
    return lines[:keep] + [lines[keep + (2 * i + 1) * inside // (2 * room)]
                           for i in range(room)] + lines[count - keep:]


def shrunk(groups, size, keep=BEVEL):
    """The pictures (RGB, all of one size) in groups (the states of one button) no larger than
    size on either side: lines dropped that repeat in all of them, so that glyphs and shading
    stay in step, then those that repeat in all of a group, then the rest sampled."""
    for axis in (0, 1):
        wanted = size[axis]
        if groups[0][0].size[axis] <= wanted:
            continue
        lines = [[lines_of(p, axis) for p in group] for group in groups]
        drop_repeats([one for group in lines for one in group], wanted, keep)
        for group in lines:
            drop_repeats(group, wanted, keep)
        groups = [[from_lines(sampled(one, wanted, keep) if len(one) > wanted else one, axis)
                   for one in group] for group in lines]
    return groups


def to_cells(groups, cell, what):
    """The pictures ({button: {state: RGB picture}}) at the cell's size: those larger shrunk
    together (shrunk), those smaller fitted by the module's rule, as the module would show
    them."""
    done = {}
    for size in {p.size for group in groups.values() for p in group.values()}:
        names = [(b, s) for b, group in groups.items() for s, p in group.items() if p.size == size]
        buttons = sorted({b for b, _ in names})
        made = shrunk([[groups[b][s] for bb, s in names if bb == b] for b in buttons], cell)
        for (button, state), picture in zip([n for b in buttons for n in names if n[0] == b],
                                            [p for group in made for p in group]):
            if picture.size != cell:
                fitted = fit_picture(picture, cell)
                if not fitted:
                    raise Refusal("%s: %s: %d x %d pixels, too small to be a caption button"
                                  % ((what, button + state) + picture.size))
                picture = fitted
            done.setdefault(button, {})[state] = picture
    return done


def nearest_size(size, own_size):
    """The module's size nearest to a button of size in a theme whose own buttons are own_size
    (and become the standard caption picture)."""
    wanted = [size[i] * MODULE_SIZES[0][i] / own_size[i] for i in (0, 1)]
    return min(MODULE_SIZES, key=lambda s: abs(s[0] - wanted[0]) + abs(s[1] - wanted[1]))


def distance(a, b):
    return sum((a[i] - b[i]) ** 2 for i in range(3))


def row_backgrounds(pictures):
    """The background of each row inside the bevel in pictures of one size (the buttons in one
    state): the most common colour at the two ends of the row's inside in all of them, where
    glyphs seldom reach."""
    w, h = pictures[0].size
    return [Counter(p.getpixel((x, y)) for p in pictures for x in (BEVEL, w - 1 - BEVEL))
            .most_common(1)[0][0] for y in range(h)]


def ring_of(picture):
    """The pixels of the picture's two outer lines on each side."""
    w, h = picture.size
    return [picture.getpixel((x, y)) for y in range(h) for x in range(w)
            if not (BEVEL <= x < w - BEVEL and BEVEL <= y < h - BEVEL)]


def pressed_from(up):
    """The pressed picture as Windows draws a pressed button's glyph: what lies inside the bevel
    moved a pixel right and down."""
    w, h = up.size
    down = up.copy()
    down.paste(up.crop((BEVEL, BEVEL, w - BEVEL - 1, h - BEVEL - 1)), (BEVEL + 1, BEVEL + 1))
    return down


def without_glyph(picture, rows):
    """The picture with its glyph (the pixels inside the bevel that differ from their row's
    background) taken off, and the glyph's pixels."""
    w, h = picture.size
    mask = [(x, y) for y in range(BEVEL, h - BEVEL) for x in range(BEVEL, w - BEVEL)
            if picture.getpixel((x, y)) != rows[y]]
    bare = picture.copy()
    for x, y in mask:
        bare.putpixel((x, y), rows[y])
    return bare, mask


def ink_of(picture, mask, rows):
    """The glyph's colour: the most common of its pixels that stand out from their row at least
    half as far as the one that stands out most (not the shading around it)."""
    far = {p: distance(picture.getpixel(p), rows[p[1]]) for p in mask}
    if not far:
        return (0, 0, 0)
    strong = [picture.getpixel(p) for p in mask if 2 * far[p] >= max(far.values())]
    return Counter(strong).most_common(1)[0][0]


def disabled_from(up, ups):
    """The disabled picture as Windows draws one from a glyph: the glyph in the shadow grey over
    itself in white a pixel right and down, on the button's own background (told by the up
    pictures of all the buttons, ups)."""
    bare, mask = without_glyph(up, row_backgrounds(ups))
    w, h = up.size
    for x, y in mask:
        if x + 1 < w - BEVEL and y + 1 < h - BEVEL:
            bare.putpixel((x + 1, y + 1), WHITE)
    for point in mask:
        bare.putpixel(point, SHADOW)
    return bare


def help_pictures(ups, downs):
    """Help up and down in the theme's style: the button of the plainest bevel (fewest colours
    in it: no glyph reaching into it) and the smallest glyph (usually Minimize) without its
    glyph, and a question mark in that glyph's colour, moved as the glyph moves when pressed."""
    up_rows = row_backgrounds(list(ups.values()))
    down_rows = row_backgrounds(list(downs.values()))
    base = min(ups, key=lambda part: (len(set(ring_of(ups[part]))),
                                      len(without_glyph(ups[part], up_rows)[1]), part))
    up_bare, up_mask = without_glyph(ups[base], up_rows)
    down_bare, down_mask = without_glyph(downs[base], down_rows)
    ink = ink_of(ups[base], up_mask, up_rows)
    # Where the glyph does not move when pressed, the question mark moves as Windows moves a
    # pressed glyph, so that Help shows it is pressed whatever the colours leave of the rest.
    shift = (1, 1)
    if up_mask and down_mask:
        shift = tuple(max(0, min(2, min(p[i] for p in down_mask) - min(p[i] for p in up_mask)))
                      for i in (0, 1))
    shift = shift if any(shift) else (1, 1)
    w, h = up_bare.size
    scale = max(1, min((w - 2 * BEVEL) // 12, (h - 2 * BEVEL) // 10))
    mark = question_mark(ink, None, scale)
    at = ((w - mark.width) // 2, (h - mark.height) // 2)
    for picture, (dx, dy) in ((up_bare, (0, 0)), (down_bare, shift)):
        picture.paste(mark, (at[0] + dx, at[1] + dy), mark)
    return up_bare, down_bare


def question_mark(ink, ground, scale=1):
    """Help's glyph in ink, each pixel scale x scale, on ground (transparent where None)."""
    mark = Image.new("RGBA", (len(QUESTION[0]) * scale, len(QUESTION) * scale),
                     ground + (255,) if ground else (0, 0, 0, 0))
    for y, line in enumerate(QUESTION):
        for x, dot in enumerate(line):
            if dot == "#":
                mark.paste(ink + (255,), (x * scale, y * scale, (x + 1) * scale,
                                          (y + 1) * scale))
    return mark
