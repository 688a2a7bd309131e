"""xfwm4 themes: themerc and the pictures {close,hide,maximize,maximize-toggled}-{active,
inactive,pressed}, each an XPM (whose symbolic colours the window manager fills in) with a PNG
of the same name drawn over it; the sibling folders NAME-hdpi and NAME-xhdpi draw the same
theme larger."""
import re

from PIL import Image

from .buttons import differing_box, flatten, nearest_size
from .parts import CELL
from .report import Refusal, warn
from .xpm import open_xpm, parse_colour

BUTTONS = {"CLOSE": "close", "MIN": "hide", "MAX": "maximize", "REST": "maximize-toggled"}
STATES = {"up": "active", "down": "pressed", "disabled": "inactive"}
SIBLINGS = ("-hdpi", "-xhdpi")


def windows_like():
    """The symbolic colours as Windows draws a caption: the _1 colours the title bar (dark blue
    when active, grey when not), the _2 colours a button's face and its bevel, the text and
    border colours a glyph's black (grey when inactive), as the themes use them."""
    colours = {}
    for state, title, text in (("active", (0, 0, 128), (0, 0, 0)),
                               ("inactive", (128, 128, 128), (128, 128, 128))):
        colours.update({state + "_color_1": title, state + "_mid_1": title,
                        state + "_hilight_1": (192, 192, 192), state + "_shadow_1": (0, 0, 0),
                        state + "_color_2": (192, 192, 192), state + "_mid_2": (192, 192, 192),
                        state + "_hilight_2": (255, 255, 255),
                        state + "_shadow_2": (128, 128, 128), state + "_text_color": text,
                        state + "_text_shadow_color": (255, 255, 255),
                        state + "_border_color": (0, 0, 0)})
    return {name: colour + (255,) for name, colour in colours.items()}


def theme_folder(path):
    """The folder holding xfwm4/themerc for path (that folder or its xfwm4 folder), or None."""
    for folder in (path, path.parent):
        if (folder / "xfwm4" / "themerc").is_file() and (folder == path or path.name == "xfwm4"):
            return folder
    return None


def symbols_of(themerc):
    """The symbolic colours: the Windows-like ones, and those themerc gives as colours."""
    symbols = windows_like()
    for line in themerc.read_text(encoding="latin-1").splitlines():
        key, equals, value = line.partition("=")
        colour = parse_colour(value) if equals and not line.lstrip().startswith("#") else None
        if colour and re.fullmatch(r"[a-z_0-9]+", key.strip()):
            symbols[key.strip()] = colour
    return symbols


def picture(folder, stem, symbols):
    """One picture: the XPM with the PNG drawn over it (cut to the XPM's size), either alone, or
    None."""
    xpm, png = folder / (stem + ".xpm"), folder / (stem + ".png")
    drawn = open_xpm(xpm, symbols) if xpm.is_file() else None
    if png.is_file():
        try:
            with Image.open(png) as top:
                top = top.convert("RGBA")
        except (OSError, ValueError) as error:
            raise Refusal("%s: not a picture this kit can read (%s)" % (png, error)) from None
        if drawn is None:
            return top
        over = Image.new("RGBA", drawn.size)
        over.paste(top.crop((0, 0) + drawn.size), (0, 0))
        drawn.alpha_composite(over)
    return drawn


def title_rows(folder, state, symbols):
    """The title bar's colour a row, from the middle of title-3 (the piece under the title)."""
    title = picture(folder, "title-3-" + state, symbols)
    if title is None:
        fallback = symbols[state + "_color_1"][:3]
        return [fallback]
    return [flatten(title, symbols[state + "_color_1"]).getpixel((title.width // 2, y))
            for y in range(title.height)]


def buttons_at(folder, symbols):
    """The buttons of one size by part and state, on the title bar and cut to the union of what
    differs from it in any of them."""
    rows = {s: title_rows(folder, s, symbols) for s in ("active", "inactive")}
    found = {}
    for part, stem in BUTTONS.items():
        states = {state: picture(folder, "%s-%s" % (stem, name), symbols)
                  for state, name in STATES.items()}
        if not states["up"] or not states["down"]:
            warn("%s: no %s-active or %s-pressed picture: the button is left to the system"
                 % (folder, stem, stem))
            continue
        found[part] = {state: flatten(p, rows[STATES[state] if state == "disabled" else "active"])
                       if p else None for state, p in states.items()}
    pictures = [(p, rows["inactive" if s == "disabled" else "active"])
                for states in found.values() for s, p in states.items() if p]
    boxes = [differing_box([p], r) for p, r in pictures]
    boxes = [b for b in boxes if b]
    if boxes and len({p.size for p, _ in pictures}) == 1:
        box = (min(b[0] for b in boxes), min(b[1] for b in boxes), max(b[2] for b in boxes),
               max(b[3] for b in boxes))
        for states in found.values():
            for state, p in states.items():
                states[state] = p.crop(box) if p else None
    return found


def read_theme(path):
    """The theme at path (its folder or its xfwm4 folder) with its larger siblings, each at the
    module's size nearest to it."""
    folder = theme_folder(path)
    if folder is None:
        raise Refusal("%s: no xfwm4/themerc in it: not an xfwm4 theme" % path)
    symbols = symbols_of(folder / "xfwm4" / "themerc")
    own = buttons_at(folder / "xfwm4", symbols)
    if not own:
        raise Refusal("%s: no caption button pictures (close-active.xpm and the others)"
                      % (folder / "xfwm4"))
    own_size = next(iter(own.values()))["up"].size
    sizes, siblings = {CELL: own}, []
    for suffix in SIBLINGS:
        sibling = folder.parent / (folder.name + suffix)
        if not (sibling / "xfwm4" / "themerc").is_file():
            continue
        found = buttons_at(sibling / "xfwm4", symbols_of(sibling / "xfwm4" / "themerc"))
        if not found:
            continue
        size = nearest_size(next(iter(found.values()))["up"].size, own_size)
        if size in sizes:
            warn("%s: its buttons are nearest the %d x %d pictures that another folder already "
                 "gives: not used" % ((sibling,) + size))
            continue
        sizes[size] = found
        siblings.append(sibling)
    return {"format": "xfwm4", "name": folder.name, "folder": folder, "file": None, "look": None,
            "sizes": sizes, "siblings": siblings, "start": None, "licence": None, "author": None}
