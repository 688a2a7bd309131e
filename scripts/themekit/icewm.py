"""IceWM themes: the settings of a .theme file (key=value lines, include of another file), and the
caption buttons of its look. In the looks where the window manager draws the bevel, close.xpm
and the others hold the glyph alone; in the pixmap looks, closeA.xpm (active) and closeI.xpm
(inactive) hold the normal picture above the pressed one."""
import re
from collections import Counter
from pathlib import Path

from PIL import Image

from .bitmaps import FACE, LIGHT, SHADOW
from .buttons import (BEVEL, differing_box, draw_ring, flatten, from_lines, lines_of,
                      question_mark, shrunk)
from .parts import CELL, START_BUTTON
from .report import Refusal, warn
from .xpm import LARGEST_SIDE, open_xpm, parse_colour

WHITE, BLACK = (255, 255, 255), (0, 0, 0)
# The window manager's own defaults for what a theme leaves out.
DEFAULTS = {"Look": "nice", "ColorActiveTitleBar": "rgb:00/00/A0",
            "ColorNormalTitleBar": "rgb:80/80/80", "ColorNormalButton": "rgb:C0/C0/C0"}
# The looks that draw a bevel around a glyph: the rings from the outside in, each (top and left,
# bottom and right) for the button up and then pressed, and how far the glyph moves when pressed.
# "F" is the theme's button colour (ColorNormalButton). win95 and nice draw Windows 95's own
# button (the system's 3D light inside the white); motif its two-pixel shadow; the OS/2 looks a
# black outline (warp3) or a single line (warp4).
BEVEL_LOOKS = {
    "win95": ([(WHITE, BLACK), (LIGHT, SHADOW)], [(BLACK, WHITE), (SHADOW, LIGHT)], 1),
    "nice": ([(WHITE, BLACK), (LIGHT, SHADOW)], [(BLACK, WHITE), (SHADOW, LIGHT)], 1),
    "motif": ([(WHITE, SHADOW), (WHITE, SHADOW)], [(SHADOW, WHITE), (SHADOW, WHITE)], 0),
    "warp3": ([(BLACK, BLACK), (WHITE, SHADOW)], [(BLACK, BLACK), (SHADOW, WHITE)], 1),
    "warp4": ([(WHITE, SHADOW), ("F", "F")], [(SHADOW, WHITE), ("F", "F")], 1),
}
PIXMAP_LOOKS = ("pixmap", "metal", "flat", "gtk")
# The theme's buttons by the kit's part names: Close, Minimize, Maximize, Restore.
BUTTONS = {"CLOSE": "close", "MIN": "minimize", "MAX": "maximize", "REST": "restore"}
STARTS = ("start.xpm", "linux.xpm", "icewm.xpm")
LARGEST_INCLUDES = 8


def theme_files(folder):
    return sorted(p for p in folder.glob("*.theme") if p.is_file())


def unquote(value):
    value = value.strip()
    if value.startswith('"'):
        end = value.find('"', 1)
        return value[1:end if end > 0 else None]
    return re.sub(r"\s+#.*$", "", value)  # a comment after the value: 12 # 0-128


def read_settings(path, depth=0):
    """The key=value settings of a .theme file, those of the files it includes among them (a
    later line wins)."""
    settings = {}
    try:
        text = path.read_text(encoding="latin-1")
    except OSError as error:
        raise Refusal("%s: cannot be read (%s)" % (path, error.strerror or error)) from None
    for number, line in enumerate(text.splitlines(), 1):
        line = line.strip()
        include = re.match(r"(?i)include(?:\s*=\s*|\s+)(\S.*)$", line)
        if not line or line.startswith("#"):
            continue
        if include:
            name = Path(unquote(include.group(1)))
            target = name if name.is_absolute() else path.parent / name
            if depth >= LARGEST_INCLUDES or not target.is_file():
                raise Refusal("%s: line %d: the included %s %s" % (
                    path, number, target, "is not a file" if depth < LARGEST_INCLUDES
                    else "goes %d includes deep: an include that includes itself?" % depth))
            settings.update(read_settings(target, depth + 1))
            continue
        key, equals, value = line.partition("=")
        if equals and re.fullmatch(r"[A-Za-z0-9_.]+", key.strip()):
            settings[key.strip()] = unquote(value)
    return settings


def colour_setting(settings, key, path):
    text = settings.get(key, DEFAULTS.get(key))
    colour = parse_colour(text) if text else None
    if colour is None:
        warn("%s: %s=%s is not a colour: the window manager's own %s taken"
             % (path, key, text, DEFAULTS[key]))
        colour = parse_colour(DEFAULTS[key])
    return colour[:3]


def margin(blank):
    """How many lines at the start are blank."""
    return next((i for i, b in enumerate(blank) if not b), len(blank))


def fitted_glyph(glyph, room):
    """The glyph cut to room as the window manager centres it on the button: blank lines taken
    off the side with more of them first, then, where what it draws is still larger, lines
    dropped."""
    corner = glyph.getpixel((0, 0))
    for axis in (0, 1):
        lines = lines_of(glyph, axis)
        blank = [all(p == corner for p in line) for line in lines]
        while len(lines) > room[axis] and (blank[0] or blank[-1]):
            end = 0 if margin(blank) >= margin(blank[::-1]) else -1
            del lines[end], blank[end]
        limit = tuple(room[a] if a == axis else LARGEST_SIDE for a in (0, 1))
        glyph = shrunk([[from_lines(lines, axis)]], limit, keep=0)[0][0]
    return glyph


def bevelled(glyph, face, look, pressed=False, disabled=False):
    """A button of the standard size in a bevel look: its rings, the face inside and the glyph
    centred there, in the room the pressed glyph's move leaves (moved when pressed; embossed when
    disabled, as Windows draws a disabled glyph)."""
    w, h = CELL
    up_rings, down_rings, shift = BEVEL_LOOKS[look]
    button = Image.new("RGB", CELL, face)
    for i, (light, dark) in enumerate(down_rings if pressed else up_rings):
        draw_ring(button, i, *(face if c == "F" else c for c in (light, dark)))
    room = (w - 2 * BEVEL - shift, h - 2 * BEVEL - shift)
    glyph = flatten(glyph, face)
    corner = glyph.getpixel((0, 0))
    drawn = fitted_glyph(glyph, room)
    move = shift if pressed else 0
    left = BEVEL + (room[0] - drawn.width) // 2 + move
    top = BEVEL + (room[1] - drawn.height) // 2 + move
    if not disabled:
        button.paste(drawn, (left, top))
        return button
    marks = [(x, y) for y in range(drawn.height) for x in range(drawn.width)
             if drawn.getpixel((x, y)) != corner]
    for colour, dx in ((WHITE, 1), (SHADOW, 0)):
        for x, y in marks:
            if left + x + dx < w - BEVEL and top + y + dx < h - BEVEL:
                button.putpixel((left + x + dx, top + y + dx), colour)
    return button


def halves(picture, path):
    """The normal picture above the pressed one, split by height."""
    if picture.height < 2:
        raise Refusal("%s: %d pixels high: the normal and the pressed picture above each other "
                      "take at least 2" % (path, picture.height))
    half = picture.height // 2
    return (picture.crop((0, 0, picture.width, half)),
            picture.crop((0, picture.height - half, picture.width, picture.height)))


def title_rows(folder, name, colour, height):
    """The title bar's colour a row: the title pixmap's (titleAT.xpm, titleIT.xpm) where it has
    the buttons' height, else the theme's colour."""
    path = folder / name
    if path.is_file():
        title = open_xpm(path)
        if title.height == height:
            return [flatten(title, colour).getpixel((title.width // 2, y)) for y in range(height)]
    return [colour] * height


def pixmap_buttons(folder, settings, path):
    """The buttons of a pixmap look by part and state, cut to the union of what differs from the
    title bar in any of them."""
    active = colour_setting(settings, "ColorActiveTitleBar", path)
    inactive = colour_setting(settings, "ColorNormalTitleBar", path)
    found = {}
    for part, stem in BUTTONS.items():
        plain = folder / (stem + ".xpm")
        given = [folder / (stem + "A.xpm"), plain]
        on = next((p for p in given if p.is_file()), None)
        off = next((p for p in [folder / (stem + "I.xpm")] + given[1:] if p.is_file() and p != on),
                   None)
        if not on:
            warn("%s: no %sA.xpm: the %s button is left to the system" % (folder, stem, stem))
            continue
        up, down = halves(open_xpm(on), on)
        found[part] = {"up": up, "down": down, "disabled": halves(open_xpm(off), off)[0]
                       if off else None}
    if not found:
        return found
    height = max(p.height for states in found.values() for p in states.values() if p)
    rows = {True: title_rows(folder, "titleAT.xpm", active, height),
            False: title_rows(folder, "titleIT.xpm", inactive, height)}
    for states in found.values():
        for state, picture in states.items():
            if picture:
                states[state] = flatten(picture, rows[state != "disabled"])
    box = differing_box([p for s in found.values() for k, p in s.items() if p and k != "disabled"],
                        rows[True])
    if box:
        for states in found.values():
            for state, picture in states.items():
                if picture and picture.size[1] == height:
                    states[state] = picture.crop(box)
    return found


def bevel_buttons(folder, settings, look):
    face = colour_setting(settings, "ColorNormalButton", folder)
    found, glyphs = {}, []
    for part, stem in BUTTONS.items():
        path = folder / (stem + ".xpm")
        if not path.is_file():
            warn("%s: no %s.xpm: the %s button is left to the system" % (folder, stem, stem))
            continue
        glyph = open_xpm(path)
        found[part] = {"up": bevelled(glyph, face, look),
                       "down": bevelled(glyph, face, look, pressed=True),
                       "disabled": bevelled(glyph, face, look, disabled=True)}
        glyphs.append(flatten(glyph, face))
    if glyphs:
        # Help, which the look has no picture for: its bevel, and a question mark in the colour
        # its glyphs are drawn in most.
        ink = Counter(p for g in glyphs for p in g.getdata() if p != g.getpixel((0, 0)))
        question = question_mark(ink.most_common(1)[0][0] if ink else BLACK, face)
        found["HELP"] = {"up": bevelled(question, face, look),
                         "down": bevelled(question, face, look, pressed=True), "disabled": None}
    return found


def start_picture(folder):
    for name in STARTS:
        path = folder / "taskbar" / name
        if path.is_file():
            return shrunk([[flatten(open_xpm(path), FACE)]], START_BUTTON, keep=0)[0][0]
    return None


def read_theme(path):
    """The theme of a .theme file (or of a folder's default.theme): its buttons by part and
    state, its Start picture, licence and author."""
    if path.is_dir():
        found = theme_files(path)
        if (path / "default.theme").is_file():
            path = path / "default.theme"
        elif len(found) == 1:
            path = found[0]
        else:
            raise Refusal("%s: %s: give the .theme file to import" % (
                path, "no .theme file" if not found else "several .theme files (%s)"
                % ", ".join(p.name for p in found)))
    folder = path.parent
    settings = read_settings(path)
    look = settings.get("Look", DEFAULTS["Look"]).strip().lower()
    if look in BEVEL_LOOKS:
        buttons = bevel_buttons(folder, settings, look)
    elif look in PIXMAP_LOOKS:
        buttons = pixmap_buttons(folder, settings, path)
    else:
        raise Refusal("%s: Look=%s is none the kit knows (%s)" % (
            path, look, ", ".join(sorted(BEVEL_LOOKS) + list(PIXMAP_LOOKS))))
    if not buttons:
        raise Refusal("%s: no caption button pictures for Look=%s" % (folder, look))
    return {"format": "IceWM", "name": folder.name, "folder": folder, "file": path,
            "look": look, "sizes": {CELL: buttons}, "start": start_picture(folder),
            "licence": settings.get("License") or settings.get("Licence"),
            "author": settings.get("ThemeAuthor")}
