"""The kit's own reader of X pixmaps (XPM 3, the C source form, and XPM 2, the plain lines),
for the themes of other desktops: 1 to 4 characters a pixel, the colour keys c, m, g4, g and s,
None, #RGB to #RRRRGGGGBBBB, rgb:R/G/B and the X11 colour names; comments, leading spaces and
extension lines are passed over. Pillow refuses many of the files those themes hold (leading
spaces in the header, two characters a pixel, colour names). A file beyond this reader is
refused naming the file and the line.

Run as a program (python3 -m themekit.xpm --table) it writes x11colours.txt, the table of colour
names made once from the system's rgb.txt, for systems that have none."""
import re
import sys
from pathlib import Path

from PIL import Image

from .report import Refusal

RGB_TXT = [Path("/etc/X11/rgb.txt"), Path("/usr/share/X11/rgb.txt"), Path("/usr/lib/X11/rgb.txt")]
TABLE = Path(__file__).with_name("x11colours.txt")
KEYS = ("c", "g", "g4", "m", "s")  # in the order a colour display takes them, the symbol apart
LARGEST_SIDE = 1024  # no theme picture is larger; a larger header is damage, not a picture
TRANSPARENT = (0, 0, 0, 0)

_names = None


def name_key(name):
    """X11 colour names ignore case and spaces: "light grey" is "LightGrey"."""
    return name.replace(" ", "").lower()


def colour_names():
    """The X11 colour names: from the system's rgb.txt where there is one, else from the table
    made from it."""
    global _names
    if _names is None:
        _names = {}
        found = next((p for p in RGB_TXT if p.is_file()), None)
        for line in (found or TABLE).read_text(errors="replace").splitlines():
            words = line.split()
            if found and len(words) >= 4 and not line.startswith("!"):
                _names[name_key(" ".join(words[3:]))] = tuple(int(w) for w in words[:3])
            elif not found and len(words) == 2:
                _names[words[1]] = tuple(bytes.fromhex(words[0]))
    return _names


def parse_colour(text):
    """(r, g, b, a) for an X11 colour: None, #RGB to #RRRRGGGGBBBB (the digits given are the
    high ones, so #ccc is 192 a channel, as X reads it), rgb:R/G/B (1 to 4 digits each, scaled),
    or a colour name; None for anything else."""
    text = text.strip()
    if text.lower() == "none":
        return TRANSPARENT
    if re.fullmatch(r"#([0-9A-Fa-f]{3}){1,4}", text):
        n = (len(text) - 1) // 3
        return tuple(int((text[1 + i * n:1 + (i + 1) * n] + "0")[:2], 16) for i in range(3)) + (
            255,)
    match = re.fullmatch(r"rgb:([0-9A-Fa-f]{1,4})/([0-9A-Fa-f]{1,4})/([0-9A-Fa-f]{1,4})", text)
    if match:
        return tuple((int(h, 16) * 255 + (16 ** len(h) - 1) // 2) // (16 ** len(h) - 1)
                     for h in match.groups()) + (255,)
    known = colour_names().get(name_key(text))
    return known + (255,) if known else None


def strings_of(text, i):
    """The C strings of an XPM 3 file from i on, with the line each starts on; comments are
    passed over."""
    found, line = [], 1 + text.count("\n", 0, i)
    while True:
        match = re.compile(r'/\*|"|\n').search(text, i)
        if not match:
            return found
        token = match.group()
        if token == "\n":
            line += 1
            i = match.end()
        elif token == "/*":
            end = text.find("*/", match.end())
            end = len(text) if end < 0 else end + 2
            line += text.count("\n", i, end)
            i = end
        else:
            end = re.compile(r'(?:[^"\\\n]|\\.)*"').match(text, match.end())
            if not end:
                raise ValueError(line, "a string that does not end on its line")
            found.append((line, end.group()[:-1].replace('\\"', '"').replace("\\\\", "\\")))
            i = end.end()


def lines_of_xpm2(text):
    """The lines of an XPM 2 file with their numbers, its own "!" comments passed over."""
    return [(n, line) for n, line in enumerate(text.split("\n")[1:], 2)
            if line.strip() and not line.startswith("!")]


def colour_entry(text, cpp, symbols):
    """The key and colour of a colour line: the first cpp characters name the pixel, then key and
    value pairs (a value may be several words, "light grey"). A symbol that symbols names comes
    first, then c, g, g4, m."""
    chars, pairs, key = text[:cpp], {}, None
    for word in text[cpp:].split():
        if word in KEYS and (key is None or pairs[key]):
            key = word
            pairs[key] = ""
        elif key is None:
            raise ValueError("%r before any of the keys c, m, g, g4, s" % word)
        else:
            pairs[key] = (pairs[key] + " " + word).strip()
    if "s" in pairs and pairs["s"] in symbols:
        return chars, symbols[pairs["s"]]
    for key in KEYS[:-1]:
        if key in pairs:
            colour = parse_colour(pairs[key])
            if colour is None:
                raise ValueError("%r is not a colour (None, #RGB to #RRRRGGGGBBBB, or an X11 "
                                 "colour name)" % pairs[key])
            return chars, colour
    raise ValueError("no colour for %r (keys c, m, g or s with a known symbol)" % chars)


def read_xpm(data, name, symbols=None):
    """The picture (RGBA) in the bytes of an XPM 3 or XPM 2 file; name is the file's, for the
    refusal. symbols gives colours for symbolic names (s active_color_2), which take the place of
    the colours the file gives for them."""
    text = data.decode("latin-1")
    line = 1
    try:
        if text.lstrip().startswith("! XPM2"):
            lines = lines_of_xpm2(text)
        else:
            if "{" not in text:
                raise ValueError("not an X pixmap (no XPM 3 strings or XPM 2 head)")
            lines = strings_of(text, text.index("{"))
        if not lines:
            raise ValueError("no header")
        line, header = lines[0]
        values = header.split()
        if len(values) < 4 or not all(v.isdigit() for v in values[:4]):
            raise ValueError("the header %r is not width, height, colours and characters a "
                             "pixel" % header)
        width, height, count, cpp = (int(v) for v in values[:4])
        if not 1 <= cpp <= 4:
            raise ValueError("%d characters a pixel; this reader takes 1 to 4" % cpp)
        if not (0 < width <= LARGEST_SIDE and 0 < height <= LARGEST_SIDE) or count < 1:
            raise ValueError("%d x %d pixels in %d colours: not a theme's picture (at most %d "
                             "a side)" % (width, height, count, LARGEST_SIDE))
        if len(lines) < 1 + count + height:
            line = lines[-1][0]
            raise ValueError("the file ends after %d of its %d colours and %d rows"
                             % (max(0, min(count, len(lines) - 1)), count, max(
                                 0, len(lines) - 1 - count)))
        table = {}
        for line, entry in lines[1:1 + count]:
            chars, colour = colour_entry(entry.rstrip("\r"), cpp, symbols or {})
            table[chars] = colour
        pixels = []
        for line, row in lines[1 + count:1 + count + height]:
            row = row.rstrip("\r")
            if len(row) < width * cpp:
                raise ValueError("a row of %d characters; %d pixels of %d take %d"
                                 % (len(row), width, cpp, width * cpp))
            try:
                pixels += [table[row[i:i + cpp]] for i in range(0, width * cpp, cpp)]
            except KeyError as missing:
                raise ValueError("the pixel %s has no colour line" % missing) from None
    except ValueError as error:
        where, message = error.args if len(error.args) == 2 else (line, error.args[0])
        raise Refusal("%s: line %d: %s" % (name, where, message)) from None
    picture = Image.new("RGBA", (width, height))
    picture.putdata(pixels)
    return picture


def open_xpm(path, symbols=None):
    return read_xpm(Path(path).read_bytes(), str(path), symbols)


def write_table(target=TABLE):
    """The table of colour names from the system's rgb.txt, one "rrggbb name" a line."""
    names = colour_names()
    target.write_text("".join("%02x%02x%02x %s\n" % (names[n] + (n,)) for n in sorted(names)))


if __name__ == "__main__" and sys.argv[1:] == ["--table"]:
    write_table()
