"""The preview subcommand: the theme drawn as Windows shows it, on title bars (up, maximized,
a dialog's, pressed and disabled) and on the Start button of a taskbar, at one caption size,
with a title bar for each size folder the theme has."""
from pathlib import Path

from PIL import Image, ImageDraw, ImageFont

from .bitmaps import FACE, SHADOW
from .fit import at_slot
from .parts import CELL, START, START_BUTTON, caption_picture, size_folder
from .report import Refusal, make_output_folder, say
from .sheets import read_theme


def bevel(draw, box, up=True):
    """A button's edge as Windows draws it: lit above and left when up, the other way round
    when pressed."""
    x0, y0, x1, y1 = box
    light, dark = ((255, 255, 255), (0, 0, 0)) if up else ((0, 0, 0), (255, 255, 255))
    draw.rectangle(box, fill=FACE)
    draw.line([(x0, y1), (x0, y0), (x1, y0)], fill=light)
    draw.line([(x0, y1), (x1, y1), (x1, y0)], fill=dark)
    if up:
        draw.line([(x0 + 1, y1 - 1), (x1 - 1, y1 - 1), (x1 - 1, y0 + 1)], fill=SHADOW)
    else:
        draw.line([(x0 + 1, y1 - 1), (x0 + 1, y0 + 1), (x1 - 1, y0 + 1)], fill=SHADOW)


def pictures_at(parts, sizes, cell):
    """The theme's caption pictures as the module shows them in a slot of cell: the picture of
    the size folder for cell where it has exactly that size, else the theme's own, fitted."""
    drawn = sizes.get(cell, {})
    return {part: drawn[part] if part in drawn and drawn[part].size == cell else
            at_slot(picture, cell) for part, picture in parts.items() if part != START}


def draw_button(canvas, draw, pictures, part, x, y, cell):
    """A caption button at (x, y): the theme's picture (at the cell's size), or the system's
    own (here a plain bevel with a dotted face) where the theme has none."""
    if part in pictures:
        canvas.paste(pictures[part], (x, y))
        return
    bevel(draw, (x, y, x + cell[0] - 1, y + cell[1] - 1), not part.endswith("DN"))
    for dx in range(4, cell[0] - 4, 2):
        draw.point((x + dx, y + cell[1] // 2), fill=SHADOW)


PREVIEW_ROWS = [
    ("Window", ["MINUP", "MAXUP", "CLOSEUP"]),
    ("Maximized", ["MINUP", "RESTUP", "CLOSEUP"]),
    ("Dialog", ["HELPUP", "CLOSEUP"]),
    ("Pressed", ["MINDN", "MAXDN", "RESTDN", "HELPDN", "CLOSEDN"]),
    ("Disabled", ["MINDIS", "MAXDIS", "CLOSEDIS"]),
]


def draw_buttons(canvas, draw, pictures, names, right, y, cell):
    """The buttons of a title bar, right-aligned as Windows places them: Close apart, the others
    side by side, two pixels left of Close."""
    x = right
    for i, part in enumerate(reversed(names)):
        x -= cell[0] + (2 if i == 1 else 0)
        draw_button(canvas, draw, pictures, part, x, y, cell)


SMALLEST_CAPTION, LARGEST_CAPTION = 10, 100


def run(args):
    folder = Path(args.folder)
    if not folder.is_dir():
        raise Refusal("%s: not a folder" % folder)
    if Path(args.out).is_dir():
        raise Refusal("%s: a folder; give the picture's file name, e.g. %s"
                      % (args.out, Path(args.out) / "preview.png"))
    if args.zoom < 1 or args.zoom > 16:
        raise Refusal("--zoom %d: give a whole number from 1 to 16" % args.zoom)
    if args.size is not None and not SMALLEST_CAPTION <= args.size <= LARGEST_CAPTION:
        raise Refusal("--size %d: give the caption buttons' size, from %d to %d (18 is the "
                      "standard)" % (args.size, SMALLEST_CAPTION, LARGEST_CAPTION))
    parts, sizes = read_theme(folder)
    if not parts:
        raise Refusal("%s: no theme file in it" % folder)
    cell = caption_picture(args.size) if args.size else CELL
    pictures = pictures_at(parts, sizes, cell)
    # At the standard size, a title bar for each size folder below the others.
    more = [] if args.size else sorted(sizes)
    font = ImageFont.load_default()
    width, bar = max(260, 5 * cell[0] + 90), cell[1] + 4
    start = parts.get(START)
    height = bar + 4 + len(PREVIEW_ROWS) * (bar + 6) + sum(h + 10 for _, h in more) + 8 + 28
    canvas = Image.new("RGB", (width, height), FACE)
    draw = ImageDraw.Draw(canvas)
    draw.rectangle((0, 0, width - 1, bar - 1), fill=(0, 0, 128))
    draw.text((5, (bar - 12) // 2), "%s - theme preview" % folder.name.upper(),
              fill=(255, 255, 255), font=font)
    draw_buttons(canvas, draw, pictures, ["MINUP", "MAXUP", "CLOSEUP"], width - 3, 2, cell)
    y = bar + 4
    rows = [(label, names, cell, pictures) for label, names in PREVIEW_ROWS]
    rows += [(size_folder(size), PREVIEW_ROWS[0][1], size, pictures_at(parts, sizes, size))
             for size in more]
    for label, names, size, shown in rows:
        draw.text((6, y + (size[1] - 6) // 2), label, fill=(0, 0, 0), font=font)
        draw.rectangle((70, y, width - 6, y + size[1] + 3), fill=SHADOW)
        draw_buttons(canvas, draw, shown, names, width - 8, y + 2, size)
        y += size[1] + 10
    # The taskbar with the Start button: the picture at its own size, cut to the button as
    # Windows draws it without Stretch.
    taskbar = height - 28
    draw.rectangle((0, taskbar, width - 1, height - 1), fill=FACE)
    draw.line([(0, taskbar), (width - 1, taskbar)], fill=(223, 223, 223))
    draw.line([(0, taskbar + 1), (width - 1, taskbar + 1)], fill=(255, 255, 255))
    button = (2, taskbar + 4, 2 + START_BUTTON[0] + 5, taskbar + 4 + START_BUTTON[1] + 5)
    bevel(draw, button)
    if start:
        inner = (button[2] - button[0] - 5, button[3] - button[1] - 5)
        cut = start.crop((max(0, (start.width - inner[0]) // 2),
                          max(0, (start.height - inner[1]) // 2),
                          max(0, (start.width - inner[0]) // 2) + min(inner[0], start.width),
                          max(0, (start.height - inner[1]) // 2) + min(inner[1], start.height)))
        canvas.paste(cut, (button[0] + 3 + (inner[0] - cut.width) // 2,
                           button[1] + 3 + (inner[1] - cut.height) // 2))
    else:
        draw.text((button[0] + 8, button[1] + 6), "Start", fill=(0, 0, 0), font=font)
    canvas = canvas.resize((width * args.zoom, height * args.zoom), Image.Resampling.NEAREST)
    out = Path(args.out)
    make_output_folder(out.parent)
    work = out.with_name(".%s.partial" % out.name)
    try:
        canvas.save(work, "PNG")
        work.replace(out)
    finally:  # a picture not renamed into place is not left beside it
        work.unlink(missing_ok=True)
    say("wrote %s (%d x %d)" % (out, canvas.width, canvas.height))
    return 0
