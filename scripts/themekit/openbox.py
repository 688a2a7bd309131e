"""Openbox themes: openbox-3/themerc, X resources ("window.active.button.unpressed.bg: Raised
Gradient Vertical", wildcards among them) that give each button state a texture and a colour for
its picture, and the XBM masks (close.xbm, max.xbm, iconify.xbm, max_toggled.xbm and their
_pressed and _disabled variants) drawn in that colour on it."""
import re

from PIL import Image

from .buttons import draw_ring
from .parts import CELL
from .report import Refusal
from .xpm import parse_colour

BUTTONS = {"CLOSE": "close", "MIN": "iconify", "MAX": "max", "REST": "max_toggled"}
STATES = {"up": "unpressed", "down": "pressed", "disabled": "disabled"}
# The masks a theme without its own files gets: the window manager's own glyphs, drawn here.
MASKS = {"close": ["##....##", ".##..##.", "..####..", "...##...", "..####..", ".##..##.",
                   "##....##"],
         "iconify": ["......"] * 5 + ["######"] * 2,
         "max": ["########", "########", "#......#", "#......#", "#......#", "########"],
         "max_toggled": ["..######", "..######", "..#....#", "######.#", "######.#",
                         "#....###", "#....#..", "######.."]}


def read_resources(path):
    """The resources of a themerc: (pattern, value) in order, names in small letters."""
    found = []
    for line in path.read_text(encoding="latin-1").splitlines():
        line = line.strip()
        key, colon, value = line.partition(":")
        if colon and not line.startswith(("!", "#")) and re.fullmatch(r"[\w.*-]+", key.strip()):
            found.append((key.strip().lower(), value.strip()))
    return found


def lookup(resources, name):
    """The value of a resource by name as X matches it: "*" stands for any components; the pattern
    with the most named components wins, then the later line."""
    best, rank = None, None
    for pattern, value in resources:
        regex = "".join(r"(?:[^.]+\.)*" if part == "*" else re.escape(part) + r"\."
                        for part in pattern.split("."))
        if re.fullmatch(regex, name + "."):
            here = sum(part != "*" for part in pattern.split("."))
            if rank is None or here >= rank:
                best, rank = value, here
    return best


def colour(resources, name, fallback):
    text = lookup(resources, name)
    found = parse_colour(text) if text else None
    return found[:3] if found else fallback


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def texture(resources, key, size):
    """A texture ("Raised Gradient Vertical Bevel2 Border", with key.color, key.colorTo and
    key.border.color) drawn at size; None where the theme gives none for key."""
    words = (lookup(resources, key) or "").lower().split()
    if not words or "parentrelative" in words:
        return None
    first = colour(resources, key + ".color", (192, 192, 192))
    last = colour(resources, key + ".colorto", first)
    w, h = size
    picture = Image.new("RGB", size)
    gradient = "gradient" in words
    for y in range(h):
        for x in range(w):
            t = 0.0
            if gradient and "horizontal" in words:
                t = x / max(1, w - 1)
            elif gradient and ("diagonal" in words or "crossdiagonal" in words):
                t = ((w - 1 - x if "crossdiagonal" in words else x) / max(1, w - 1) +
                     y / max(1, h - 1)) / 2
            elif gradient:
                t = y / max(1, h - 1)
            picture.putpixel((x, y), mix(first, last, t))
    relief = "raised" if "raised" in words else "sunken" if "sunken" in words else None
    edges = []
    if "border" in words:
        edges.append((0,) + (colour(resources, key + ".border.color", (0, 0, 0)),) * 2)
    if relief:
        light, dark = mix(first, (255, 255, 255), 0.5), mix(first, (0, 0, 0), 0.4)
        inset = ("bevel2" in words) + bool(edges)
        edges.append((inset,) + ((light, dark) if relief == "raised" else (dark, light)))
    for inset, light, dark in edges:
        draw_ring(picture, inset, light, dark)
    return picture


def read_xbm(path):
    """The mask of an XBM file as rows of "#" and ".", or a refusal naming the file."""
    text = path.read_text(encoding="latin-1")
    sizes = dict(re.findall(r"#define\s+\w*?_(width|height)\s+(\d+)", text))
    start = text.find("{")
    values = [int(v, 0) for v in re.findall(r"0[xX][0-9a-fA-F]+|\d+", text[start + 1:])]
    if "width" not in sizes or "height" not in sizes or start < 0:
        raise Refusal("%s: not an X bitmap (no width, height and bits)" % path)
    w, h = int(sizes["width"]), int(sizes["height"])
    stride = (w + 7) // 8
    if not (0 < w <= 64 and 0 < h <= 64) or len(values) < stride * h:
        raise Refusal("%s: %d x %d pixels in %d bytes: not a button's mask" % (path, w, h,
                                                                              len(values)))
    return ["".join("#" if values[y * stride + x // 8] >> (x % 8) & 1 else "." for x in range(w))
            for y in range(h)]


def mask_of(folder, stem, state):
    for name in ("%s_%s.xbm" % (stem, state), stem + ".xbm"):
        if (folder / name).is_file() and (state != "unpressed" or name == stem + ".xbm"):
            return read_xbm(folder / name)
    return MASKS[stem]


def state_keys(part, state):
    """The resources a button's state takes its texture and colour from, the first that gives
    each: the state's own, then the normal state's; Restore's, the maximize button toggled."""
    keys = ["window.active.button." + state]
    if part == "REST":
        keys = ["window.active.button.toggled." + state] + (
            ["window.active.button.toggled"] if state == "unpressed" else []) + keys
    return keys + ([] if state == "unpressed" else state_keys(part, "unpressed"))


def read_theme(path):
    """The Openbox theme at path (its folder or its openbox-3 folder): each button in each
    state, its texture (the title's where it is ParentRelative) with its mask centred on it."""
    folder = path / "openbox-3" if (path / "openbox-3" / "themerc").is_file() else path
    if not (folder / "themerc").is_file():
        raise Refusal("%s: no openbox-3/themerc in it: not an Openbox theme" % path)
    resources = read_resources(folder / "themerc")
    title = texture(resources, "window.active.title.bg", CELL) or Image.new(
        "RGB", CELL, colour(resources, "window.active.title.bg.color", (0, 0, 128)))
    found = {}
    for part, stem in BUTTONS.items():
        found[part] = {}
        for state, name in STATES.items():
            keys = state_keys(part, name)
            if state == "disabled" and not any(lookup(resources, k + what) for k in keys
                                               if k.endswith(name)
                                               for what in (".bg", ".image.color")):
                found[part][state] = None  # embossed from up instead
                continue
            bg = next((k + ".bg" for k in keys if lookup(resources, k + ".bg")), None)
            back = (texture(resources, bg, CELL) if bg else None) or title.copy()
            ink = next((colour(resources, k + ".image.color", None) for k in keys
                        if colour(resources, k + ".image.color", None)), (0, 0, 0))
            mask = mask_of(folder, stem, name)
            left = (CELL[0] - len(mask[0])) // 2
            top = (CELL[1] - len(mask)) // 2
            for y, row in enumerate(mask):
                for x, dot in enumerate(row):
                    if dot == "#" and 0 <= left + x < CELL[0] and 0 <= top + y < CELL[1]:
                        back.putpixel((left + x, top + y), ink)
            found[part][state] = back
    name = folder.parent.name if folder.name == "openbox-3" else folder.name
    return {"format": "Openbox", "name": name, "folder": folder.parent, "file": None,
            "look": None, "sizes": {CELL: found}, "start": None, "licence": None,
            "author": None}
