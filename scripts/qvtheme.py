#!/usr/bin/python3
"""The Quorvia theme kit: make a theme from ordinary pictures, check it with the module's own
rules, preview it, and carry it to the Windows machine on one disk image.

  qvtheme.py make SOURCE NAME [-o DIR]     pictures (a folder, or one sheet) -> DIR/NAME
  qvtheme.py check DIR...                  every file through the module's own check
  qvtheme.py preview DIR OUT.png           the theme on title bars and a taskbar
  qvtheme.py disk DIR... -o OUTDIR         a floppy image, a CD image and a ZIP with THEMES.INF

Each subcommand has --help. Runs with Debian's Python 3 and Pillow (python3-pil, installed by
scripts/setup.sh).
"""
import argparse
import hashlib
import os
import re
import shutil
import struct
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:  # said in words rather than as a traceback
    Image = None

HERE = Path(__file__).resolve().parent
SOURCE_TREE = HERE.parent

CELL = (16, 14)  # a caption button at the standard caption height
START_BUTTON = (48, 16)  # the picture of the standard Start button (the built-in one's size)
LARGEST_START = 1024  # a side; the module refuses larger pictures

# The theme's files in the order of the Frame controls page's list: name, what the list calls it,
# and the cell of the sheet (column, row) it is drawn in.
COLUMNS = ["Help", "Minimize", "Restore", "Maximize", "Close"]
ROWS = ["up", "down", "disabled"]
CAPTION_PARTS = [
    ("CLOSEUP", "Close button up", (4, 0)),
    ("CLOSEDN", "Close button down", (4, 1)),
    ("CLOSEDIS", "Close button disabled", (4, 2)),
    ("MINUP", "Minimize button up", (1, 0)),
    ("MINDN", "Minimize button down", (1, 1)),
    ("MINDIS", "Minimize button disabled", (1, 2)),
    ("RESTUP", "Restore button up", (2, 0)),
    ("RESTDN", "Restore button down", (2, 1)),
    ("HELPUP", "Help button up", (0, 0)),
    ("HELPDN", "Help button down", (0, 1)),
    ("MAXUP", "Maximize button up", (3, 0)),
    ("MAXDN", "Maximize button down", (3, 1)),
    ("MAXDIS", "Maximize button disabled", (3, 2)),
]
START = "START"
PART_NAMES = [name for name, _, _ in CAPTION_PARTS] + [START]
DESCRIPTIONS = {name: what for name, what, _ in CAPTION_PARTS}
DESCRIPTIONS[START] = "Start button picture"

FACE, SHADOW, LIGHT = (192, 192, 192), (128, 128, 128), (223, 223, 223)
# The 16 colours of a 16-colour display, in the order of a 4-bit bitmap's table, and the scheme's
# third button grey: a 16-colour theme keeps to these.
VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
       (0, 128, 128), FACE, SHADOW, (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]
STANDARD = VGA + [LIGHT]
# What a 256-colour display keeps of a picture's colours: its 20 fixed colours.
FIXED_256 = VGA + [(192, 220, 192), (166, 202, 240), (255, 251, 240), (160, 160, 164)]

NAME_RULE = re.compile(r"^[A-Za-z0-9_-]{1,8}$")
# Names DOS keeps for its devices: a folder so named cannot be made on the Windows machine.
DEVICE_NAMES = {"CON", "PRN", "AUX", "NUL"} | {"COM%d" % n for n in range(1, 10)} | \
    {"LPT%d" % n for n in range(1, 10)}


class Refusal(Exception):
    """A refusal the user can act on: the message names the file and what to do."""


def warn(message):
    print("qvtheme: warning: %s" % message, file=sys.stderr)


def say(message):
    print("qvtheme: %s" % message, file=sys.stderr)


def theme_name(text):
    if not NAME_RULE.match(text):
        raise Refusal("%r is not a theme name: use 1 to 8 letters, digits, '-' or '_' "
                      "(names that every Windows 95 tool, INF and floppy takes)" % text)
    if text.upper() in DEVICE_NAMES:
        raise Refusal("%s is the name of a DOS device, which Windows 95 cannot give a folder: "
                      "choose another name" % text.upper())
    return text.upper()


def cell_size(text):
    match = re.match(r"^(\d{1,4})x(\d{1,4})$", text)
    if not match or not int(match.group(1)) or not int(match.group(2)):
        raise argparse.ArgumentTypeError("%r is not a cell size: write it as WxH, e.g. 16x14"
                                         % text)
    return int(match.group(1)), int(match.group(2))


# ---- Pictures in ----

def open_picture(path):
    """The picture at path as RGBA, or a refusal that says why it cannot be read."""
    try:
        with Image.open(path) as picture:
            picture.load()
            return picture.convert("RGBA")
    except (OSError, ValueError, Image.DecompressionBombError) as error:
        raise Refusal("%s: not a picture this kit can read (%s): save it as PNG or BMP"
                      % (path, error)) from None


def colours_of(picture):
    """Every colour the picture holds."""
    return {c for _, c in picture.getcolors(picture.size[0] * picture.size[1])}


def on_face(picture):
    """Transparent pixels become the button face grey; the rest keep their colour."""
    face = Image.new("RGBA", picture.size, FACE + (255,))
    return Image.alpha_composite(face, picture).convert("RGB")


def pictures_in_folder(folder):
    """The parts found in a folder, named like closeup.png or CLOSEUP.BMP."""
    found, ignored = {}, []
    for path in sorted(folder.iterdir()):
        part = path.stem.upper()
        if not path.is_file():
            continue
        if part not in PART_NAMES:
            ignored.append(path.name)
            continue
        if part in found:
            raise Refusal("%s and %s are both the %s: keep one" % (found[part].name, path.name,
                                                                   DESCRIPTIONS[part]))
        found[part] = path
    if ignored:
        warn("%s: not named after a part, so not used: %s" % (folder, ", ".join(ignored)))
    return {part: open_picture(path) for part, path in found.items()}


def start_beside(sheet):
    """start.* beside a sheet, if there is one."""
    starts = [p for p in sorted(sheet.parent.iterdir())
              if p.is_file() and p.stem.lower() == "start" and p != sheet]
    if len(starts) > 1:
        raise Refusal("%s: more than one Start picture beside the sheet (%s): keep one, or give "
                      "--start" % (sheet.parent, ", ".join(p.name for p in starts)))
    return starts[0] if starts else None


def pictures_in_sheet(sheet, cell):
    """The caption parts cut from a sheet of five columns (Help, Minimize, Restore, Maximize,
    Close) and three rows (up, down, disabled); a wholly transparent cell is a part left out."""
    picture = open_picture(sheet)
    width, height = cell
    wanted = (width * len(COLUMNS), height * len(ROWS))
    if picture.size != wanted:
        raise Refusal("%s is %d x %d pixels; a sheet of %d x %d cells is %d x %d (five columns: "
                      "%s; three rows: %s). Give --cell WxH for other cells"
                      % (sheet, picture.size[0], picture.size[1], width, height, wanted[0],
                         wanted[1], ", ".join(COLUMNS), ", ".join(ROWS)))
    def drawn_cell(column, row):
        """The cell's picture, or None where it is wholly transparent."""
        part = picture.crop((column * width, row * height, (column + 1) * width,
                             (row + 1) * height))
        return part if part.getchannel("A").getextrema()[1] > 0 else None

    found = {}
    for name, _, (column, row) in CAPTION_PARTS:
        part = drawn_cell(column, row)
        if part:
            found[name] = part
    # The cells Windows has no picture for: disabled Help and Restore.
    used = {cell for _, _, cell in CAPTION_PARTS}
    for column, row in [(c, r) for r in range(len(ROWS)) for c in range(len(COLUMNS))]:
        if (column, row) not in used and drawn_cell(column, row):
            warn("%s: the %s %s cell is not used (Windows has no such picture)"
                 % (sheet, COLUMNS[column], ROWS[row]))
    return found


# ---- Colours ----

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


# ---- Bitmap files out: 14-byte file header, 40-byte header, table, rows bottom-up ----

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


# ---- Writing a folder whole or not at all ----

def write_folder(target, files, replace):
    """Writes files ({name: bytes}) as the folder target: into a temporary folder beside it,
    renamed into place when complete, so a refusal or a crash leaves nothing half-written."""
    if target.exists() and not replace:
        raise Refusal("%s exists: give --force to replace it, or another -o" % target)
    target.parent.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix=".%s." % target.name, dir=target.parent))
    try:
        for name, data in files.items():
            (work / name).write_bytes(data)
        if target.exists():
            old = Path(tempfile.mkdtemp(prefix=".%s.old." % target.name, dir=target.parent))
            target.rename(old / target.name)
            work.rename(target)
            shutil.rmtree(old)
        else:
            work.rename(target)
    finally:
        if work.exists():
            shutil.rmtree(work)


# ---- make ----

def gather(args):
    """The parts of the theme as pictures, from a folder or a sheet and a Start picture."""
    source = Path(args.source)
    if not source.exists():
        raise Refusal("%s: no such file or folder" % source)
    if source.is_dir():
        if args.start or args.cell:
            raise Refusal("--start and --cell are for a sheet; %s is a folder, whose Start "
                          "picture is start.* in it" % source)
        return pictures_in_folder(source)
    parts = pictures_in_sheet(source, args.cell or CELL)
    start = Path(args.start) if args.start else start_beside(source)
    if start:
        if not start.is_file():
            raise Refusal("%s: no such Start picture" % start)
        parts[START] = open_picture(start)
    return parts


def make(args):
    name = theme_name(args.name)
    parts = gather(args)
    if not parts:
        raise Refusal("%s: no picture of any part found: name the pictures after the parts "
                      "(closeup.png, start.png, ...) or give a sheet" % args.source)
    bpp = 8 if args.colours == 256 else 4
    files = {}
    for part in PART_NAMES:
        what = "%s (%s)" % (part, DESCRIPTIONS[part])
        if part not in parts:
            warn("no picture for %s: the theme leaves it to the system" % what)
            continue
        picture = parts[part]
        w, h = picture.size
        if part == START and max(w, h) > LARGEST_START:
            raise Refusal("%s: %d x %d pixels; a Start picture is at most %d pixels a side"
                          % (what, w, h, LARGEST_START))
        if part != START and (w, h) != CELL and not args.any_size:
            raise Refusal("%s: %d x %d pixels; a caption picture is %d x %d, the size Windows "
                          "draws at the standard caption height. Give --any-size to keep it "
                          "(the module scales it)" % (what, w, h, CELL[0], CELL[1]))
        files[part + ".BMP"] = to_bitmap(on_face(picture), bpp, what)
    target = Path(args.output) / name
    write_folder(target, files, args.force)
    say("made %s: %d file(s)" % (target, len(files)))
    return 0


# ---- The module's own check, run under Wine ----

def checker_program(build):
    """The built qvcheck.exe (tools/qvcheck.cpp: the module's CheckBitmapFile), building it with
    CMake on first use when no build folder has it."""
    candidates = [Path(build)] if build else [SOURCE_TREE / "build", SOURCE_TREE / "build-kit"]
    for folder in candidates:
        program = folder / "tools" / "qvcheck.exe"
        if program.is_file():
            return program
    folder = candidates[0] if build else SOURCE_TREE / "build-kit"
    say("building the module's check (once) in %s" % folder)
    commands = [["cmake", "--build", str(folder), "--target", "qvcheck", "-j", "2"]]
    if not (folder / "CMakeCache.txt").is_file():
        commands.insert(0, ["cmake", "-S", str(SOURCE_TREE), "-B", str(folder),
                            "-DQV_BUILD_TESTS=OFF"])
    for command in commands:
        try:
            done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
        except FileNotFoundError:
            raise Refusal("cmake is missing: run scripts/setup.sh") from None
        if done.returncode:
            sys.stderr.write(done.stdout.decode(errors="replace"))
            raise Refusal("building the module's check failed (see above): run scripts/setup.sh")
    return folder / "tools" / "qvcheck.exe"


def windows_path(path):
    return "Z:" + str(path.resolve()).replace("/", "\\")


def module_verdicts(paths, build):
    """The module's verdict on each file, "OK" or its reason, all from one start of Wine."""
    if not paths:
        return {}
    program = checker_program(build)
    env = dict(os.environ)
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
    if "WINEPREFIX" not in env:
        cache = Path(env.get("XDG_CACHE_HOME", Path.home() / ".cache"))
        env["WINEPREFIX"] = str(cache / "qvtheme" / "wine")
        env["WINEARCH"] = "win32"
        Path(env["WINEPREFIX"]).parent.mkdir(parents=True, exist_ok=True)
    names = [windows_path(p) for p in paths]
    try:
        done = subprocess.run(["wine", str(program)] + names, env=env, stdout=subprocess.PIPE,
                              stderr=subprocess.DEVNULL, stdin=subprocess.DEVNULL, timeout=300)
    except FileNotFoundError:
        raise Refusal("wine is missing: run scripts/setup.sh") from None
    answers = {}
    for line in done.stdout.decode("cp1252", errors="replace").splitlines():
        name, tab, verdict = line.rstrip("\r").partition("\t")
        if tab:
            answers[name] = verdict
    missing = [str(p) for p, n in zip(paths, names) if n not in answers]
    if missing:
        raise Refusal("the module's check gave no answer for %s (Wine: %s)"
                      % (", ".join(missing), program))
    return {p: answers[n] for p, n in zip(paths, names)}


def looks(path, part):
    """Warnings on a file the module takes: its size and its colours."""
    try:
        rgb = open_picture(path).convert("RGB")
    except Refusal:
        return ["its size and colours could not be read on this computer"]
    size = rgb.size
    found = []
    if part == START and (size[0] > START_BUTTON[0] or size[1] > START_BUTTON[1]):
        found.append("%d x %d pixels: larger than the %d x %d of the standard Start button's "
                     "picture, so it shows cut off unless Stretch is ticked on the Start button "
                     "page" % (size + START_BUTTON))
    if part != START and size != CELL:
        found.append("%d x %d pixels: drawn scaled to %d x %d at the standard caption size"
                     % (size + CELL))
    others = off_standard(colours_of(rgb))
    if others:
        found.append("%d colour(s) outside the 16 standard colours, e.g. %s: a 256-colour "
                     "display draws them as the nearest of its 20 fixed colours"
                     % (len(others), others[0]))
    return found


def theme_files(folder):
    """The theme files of a folder by part (any case of the 8.3 name), and the other entries."""
    files, others = {}, []
    for path in sorted(folder.iterdir()):
        name = path.name.upper()
        part = name[:-4] if name.endswith(".BMP") else None
        if path.is_file() and part in PART_NAMES and part not in files:
            files[part] = path
        else:
            others.append(path)
    return files, others


def plan_check(folder):
    """What can be said of a folder before the module sees its files: its theme files, and the
    problems found as (refuses, text)."""
    if not folder.is_dir():
        return {}, [(True, "%s: not a folder" % folder)]
    problems = []
    try:
        theme_name(folder.name)
    except Refusal as error:
        problems.append((True, "%s: %s" % (folder, error)))
    files, others = theme_files(folder)
    for path in others:
        if path.name.upper()[:-4] in files:
            problems.append((True, "%s: a second file for %s, which a Windows disk cannot hold "
                                   "beside %s: keep one" % (path, path.name.upper(),
                                                           files[path.name.upper()[:-4]].name)))
        else:
            problems.append((False, "%s: not a theme file (the 14 are %s.BMP): the Themes page "
                                    "does not use it" % (path, ".BMP, ".join(PART_NAMES))))
    if not files:
        problems.append((True, "%s: no theme file in it" % folder))
    return files, problems


def check_themes(folders, build, strict=False, out=sys.stdout):
    """Checks theme folders, printing one line a file and a summary for each; returns the
    folders refused."""
    plans = [(folder,) + plan_check(folder) for folder in folders]
    verdicts = module_verdicts([p for _, files, _ in plans for p in files.values()], build)
    refused = []
    for folder, files, problems in plans:
        ok = warned = 0
        for part, path in sorted(files.items(), key=lambda item: item[1].name):
            verdict = verdicts[path]
            if verdict != "OK":
                print("%s: %s" % (path, verdict), file=out)
                continue
            notes = looks(path, part)
            print("%s: OK%s" % (path, "; warning: " + "; ".join(notes) if notes else ""),
                  file=out)
            ok += 1
            warned += bool(notes)
        for refuses, text in problems:
            print(("%s" if refuses else "warning: %s") % text, file=out)
        bad = len(files) - ok
        failed = bad or any(r for r, _ in problems) or (strict and (warned or problems))
        print("%s: %d file(s): %d OK (%d with warnings), %d refused%s" % (
            folder, len(files), ok, warned, bad, " - REFUSED" if failed else ""), file=out)
        if failed:
            refused.append(folder)
    return refused


def check(args):
    refused = check_themes([Path(f) for f in args.folders], args.build, args.strict)
    if refused:
        say("refused: %s" % ", ".join(str(f) for f in refused))
        return 1
    return 0


# ---- preview ----

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


def read_theme(folder):
    """The theme's pictures as Pillow reads them, by part."""
    return {part: open_picture(path).convert("RGB")
            for part, path in theme_files(folder)[0].items()}


def draw_button(canvas, draw, parts, part, x, y):
    """A caption button at (x, y): the theme's picture scaled to the cell, or the system's own
    (here a plain bevel with a dotted face) where the theme has none."""
    if part in parts:
        canvas.paste(parts[part].resize(CELL, Image.Resampling.NEAREST), (x, y))
        return
    bevel(draw, (x, y, x + CELL[0] - 1, y + CELL[1] - 1), not part.endswith("DN"))
    for dx in range(4, CELL[0] - 4, 2):
        draw.point((x + dx, y + CELL[1] // 2), fill=SHADOW)


PREVIEW_ROWS = [
    ("Window", ["MINUP", "MAXUP", "CLOSEUP"]),
    ("Maximized", ["MINUP", "RESTUP", "CLOSEUP"]),
    ("Dialog", ["HELPUP", "CLOSEUP"]),
    ("Pressed", ["MINDN", "MAXDN", "RESTDN", "HELPDN", "CLOSEDN"]),
    ("Disabled", ["MINDIS", "MAXDIS", "CLOSEDIS"]),
]


def draw_buttons(canvas, draw, parts, names, right, y):
    """The buttons of a title bar, right-aligned as Windows places them: Close apart, the others
    side by side, two pixels left of Close."""
    x = right
    for i, part in enumerate(reversed(names)):
        x -= CELL[0] + (2 if i == 1 else 0)
        draw_button(canvas, draw, parts, part, x, y)


def preview(args):
    folder = Path(args.folder)
    if not folder.is_dir():
        raise Refusal("%s: not a folder" % folder)
    if args.zoom < 1 or args.zoom > 16:
        raise Refusal("--zoom %d: give a whole number from 1 to 16" % args.zoom)
    parts = read_theme(folder)
    if not parts:
        raise Refusal("%s: no theme file in it" % folder)
    font = ImageFont.load_default()
    width, bar = 260, CELL[1] + 4
    start = parts.get(START)
    height = 22 + len(PREVIEW_ROWS) * (bar + 6) + 8 + 28
    canvas = Image.new("RGB", (width, height), FACE)
    draw = ImageDraw.Draw(canvas)
    draw.rectangle((0, 0, width - 1, 17), fill=(0, 0, 128))
    draw.text((5, 3), "%s - theme preview" % folder.name.upper(), fill=(255, 255, 255), font=font)
    draw_buttons(canvas, draw, parts, ["MINUP", "MAXUP", "CLOSEUP"], width - 3, 2)
    y = 22
    for label, names in PREVIEW_ROWS:
        draw.text((6, y + 4), label, fill=(0, 0, 0), font=font)
        draw.rectangle((70, y, width - 6, y + bar - 1), fill=SHADOW)
        draw_buttons(canvas, draw, parts, names, width - 8, y + 2)
        y += bar + 6
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
    work = out.with_name(".%s.partial" % out.name)
    canvas.save(work, "PNG")
    work.replace(out)
    say("wrote %s (%d x %d)" % (out, canvas.width, canvas.height))
    return 0


# ---- disk ----

def themes_inf(themes):
    """THEMES.INF: copies each theme into QVTHEMES\\<NAME> beside the installed module (the
    system folder), each file from a copy under a name of its own, since the setup engine finds
    a source file by its name alone and the themes share theirs."""
    lines = [
        "; Quorvia themes. Right-click this file and choose Install: each theme is",
        "; copied into QVTHEMES beside QVSHELL.CPL in the system folder, where the",
        "; Themes page finds it. Nothing else is changed. Install Quorvia first.",
        "",
        "[Version]",
        'Signature="$CHICAGO$"',
        "Provider=%Maker%",
        "",
        "[DefaultInstall]",
        "CopyFiles=" + ",".join("Theme%d" % i for i in range(1, len(themes) + 1)),
        "",
        "[DestinationDirs]",
    ]
    lines += ["Theme%d=11,QVTHEMES\\%s" % (i, name) for i, (name, _) in enumerate(themes, 1)]
    sources = []
    for i, (name, parts) in enumerate(themes, 1):
        lines += ["", "[Theme%d]" % i]
        for number, part in enumerate(PART_NAMES, 1):
            if part in parts:
                source = "%s.%02d" % (name, number)
                lines.append("%s.BMP,%s" % (part, source))
                sources.append(source)
    lines += ["", "[SourceDisksNames]", "1=%Disk%,,0", "", "[SourceDisksFiles]"]
    lines += ["%s=1,SETUP" % source for source in sources]
    lines += ["", "[Strings]", 'Maker="Tovan"', 'Disk="Quorvia themes disk"', ""]
    return "\r\n".join(lines).encode("ascii")


def pinned_time(folders):
    """The date every file on the disks carries: SOURCE_DATE_EPOCH when set, else the newest
    theme file's, so the same files give the same images."""
    if os.environ.get("SOURCE_DATE_EPOCH", "").isdigit():
        return int(os.environ["SOURCE_DATE_EPOCH"])
    return max(int(p.stat().st_mtime) for f in folders for p in f.iterdir() if p.is_file())


def run_tool(command, what, env):
    try:
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    except FileNotFoundError:
        raise Refusal("%s is missing: run scripts/setup.sh" % command[0]) from None
    if done.returncode:
        sys.stderr.write(done.stdout.decode(errors="replace"))
        raise Refusal("%s failed (see above)" % what)


def disk(args):
    folders = [Path(f) for f in args.folders]
    names = [theme_name(f.name) if f.is_dir() else f.name for f in folders]
    if len(set(names)) != len(names):
        raise Refusal("two themes of the same name: %s" % ", ".join(names))
    refused = check_themes(folders, args.build, out=sys.stderr)
    if refused:
        raise Refusal("not put on a disk, since check refuses %s" % ", ".join(map(str, refused)))
    when = pinned_time(folders)
    out = Path(args.output)
    out.mkdir(parents=True, exist_ok=True)
    env = dict(os.environ, TZ="UTC", MTOOLS_SKIP_CHECK="1", SOURCE_DATE_EPOCH=str(when))
    with tempfile.TemporaryDirectory(prefix=".qvtheme-disk.", dir=out) as work_name:
        work = Path(work_name)
        stage = work / "files"
        (stage / "SETUP").mkdir(parents=True)
        themes = []
        for folder, name in sorted(zip(folders, names), key=lambda pair: pair[1]):
            parts = theme_files(folder)[0]
            (stage / "QVTHEMES" / name).mkdir(parents=True)
            for number, part in enumerate(PART_NAMES, 1):
                if part in parts:
                    data = parts[part].read_bytes()
                    (stage / "QVTHEMES" / name / (part + ".BMP")).write_bytes(data)
                    (stage / "SETUP" / ("%s.%02d" % (name, number))).write_bytes(data)
            themes.append((name, parts))
        (stage / "THEMES.INF").write_bytes(themes_inf(themes))
        every = sorted(stage.rglob("*"))
        for path in every + [stage]:
            os.utime(path, (when, when))
        files = [p.relative_to(stage).as_posix() for p in every if p.is_file()]
        dirs = [p.relative_to(stage).as_posix() for p in every if p.is_dir()]

        # ZIP: files in name order, no folder entries, no extra fields, the pinned date.
        stamp = time.gmtime(max(when, 315532800))[:6]
        with zipfile.ZipFile(work / "qvthemes.zip", "w", zipfile.ZIP_DEFLATED) as archive:
            for name in files:
                entry = zipfile.ZipInfo(name, stamp)
                entry.create_system = 0
                entry.compress_type = zipfile.ZIP_DEFLATED
                archive.writestr(entry, (stage / name).read_bytes())

        # Floppy: FAT12, 1,474,560 bytes, with mtools (no root, no loop mount).
        image = work / "qvthemes.img"
        run_tool(["mformat", "-i", str(image), "-C", "-f", "1440", "-v", "QVTHEMES", "-N",
                  "%08X" % (when & 0xFFFFFFFF), "::"], "making the floppy image", env)
        for name in dirs:
            run_tool(["mmd", "-i", str(image), "::/" + name], "making a folder on the floppy", env)
        for name in files:
            run_tool(["mcopy", "-i", str(image), "-m", str(stage / name), "::/" + name],
                     "copying %s onto the floppy (it holds 1.44 MB)" % name, env)

        # CD: ISO 9660 level 1 (8.3 names) with Joliet names.
        run_tool(["xorriso", "-as", "mkisofs", "-quiet", "-iso-level", "1", "-J", "-V",
                  "QVTHEMES", "-A", "Quorvia themes", "-publisher", "Tovan", "-o",
                  str(work / "qvthemes.iso"), str(stage)], "making the CD image", env)
        for name in ("qvthemes.zip", "qvthemes.img", "qvthemes.iso"):
            (work / name).replace(out / name)
    for name in ("qvthemes.img", "qvthemes.iso", "qvthemes.zip"):
        digest = hashlib.sha256((out / name).read_bytes()).hexdigest()[:16]
        say("wrote %s (%d bytes, sha256 %s...)" % (out / name, (out / name).stat().st_size,
                                                    digest))
    say("on the Windows machine: right-click THEMES.INF on the disk, Install; then open "
        "Quorvia's Themes page")
    return 0


# ---- The command ----

def parser():
    top = argparse.ArgumentParser(
        prog="qvtheme.py", description=__doc__.split("\n\n")[0],
        epilog="check and disk run the module's own bitmap-file check (tools/qvcheck.cpp,\n"
               "built with the module's code) under Wine. They take it from\n"
               "BUILD/tools/qvcheck.exe, by default from ./build of this source tree; when no\n"
               "build has it, it is built with cmake on first use (in BUILD, else in\n"
               "./build-kit: a minute, once).\n\n"
               "From a sheet to the Windows machine:\n"
               "  qvtheme.py make sheet.png MINE -o themes   (start.png beside the sheet)\n"
               "  qvtheme.py check themes/MINE\n"
               "  qvtheme.py preview themes/MINE mine.png\n"
               "  qvtheme.py disk themes/MINE -o disk         (disk/qvthemes.img, .iso, .zip)\n"
               "then on Windows: right-click THEMES.INF on the disk, Install.",
        formatter_class=argparse.RawDescriptionHelpFormatter)
    top.add_argument("--build", metavar="BUILD",
                     help="a build folder of this source tree holding tools/qvcheck.exe")
    commands = top.add_subparsers(dest="command", metavar="COMMAND")
    commands.required = True

    m = commands.add_parser(
        "make", help="make a theme folder from pictures",
        description="Makes the theme folder DIR/NAME from SOURCE: a folder of pictures named "
                    "after the parts (closeup.png or CLOSEUP.BMP, any format Pillow reads, "
                    "plus start.* for the Start button), or one sheet: five columns Help, "
                    "Minimize, Restore, Maximize, Close; three rows up, down (pressed), "
                    "disabled; each cell 16 x 14 unless --cell; the disabled Help and Restore "
                    "cells left empty (Windows has no such pictures); a wholly transparent "
                    "cell leaves that part to the system. The Start picture of a sheet is "
                    "start.* beside it, or --start. Writes 4-bit bitmaps in the 16 standard "
                    "colours (each pixel the nearest of them, no dithering; the button greys "
                    "192, 128 and 223 kept exact; transparent pixels become the button face "
                    "grey) under the 8.3 names the Themes page reads.")
    m.add_argument("source", metavar="SOURCE", help="a folder of pictures, or a sheet")
    m.add_argument("name", metavar="NAME",
                   help="the theme's name: 1 to 8 letters, digits, '-' or '_' (made capitals)")
    m.add_argument("-o", "--output", metavar="DIR", default=".",
                   help="where the theme folder goes (default: here)")
    m.add_argument("--cell", type=cell_size, metavar="WxH",
                   help="the sheet's cell size (default 16x14; others need --any-size)")
    m.add_argument("--start", metavar="FILE", help="the Start picture for a sheet")
    m.add_argument("--colours", type=int, choices=(16, 256), default=16,
                   help="256: 8-bit bitmaps with the pictures' own colours (a 256-colour "
                        "display shows them in its 20 fixed colours); default 16")
    m.add_argument("--any-size", action="store_true",
                   help="take caption pictures of any size (the module scales them)")
    m.add_argument("--force", action="store_true", help="replace DIR/NAME if it exists")
    m.set_defaults(run=make)

    c = commands.add_parser(
        "check", help="check theme folders with the module's own check",
        description="Checks each theme folder: every file through the module's own bitmap-file "
                    "check, the 8.3 names, the caption pictures' 16 x 14 size, the colours "
                    "(the 16 standard colours and the light grey 223, else a warning) and the "
                    "Start picture against the standard Start button. Prints one line a file "
                    "(OK, or the reason the module gives for not using it) and a summary for "
                    "each folder; exits 1 when a folder is refused.")
    c.add_argument("folders", nargs="+", metavar="DIR", help="theme folders")
    c.add_argument("--strict", action="store_true", help="refuse on warnings too")
    c.add_argument("--build", metavar="BUILD", default=argparse.SUPPRESS,
                   help="as before the command")
    c.set_defaults(run=check)

    p = commands.add_parser(
        "preview", help="draw a theme as Windows will show it",
        description="Draws the theme in DIR as title bars (up, maximized, a dialog's, pressed "
                    "and disabled buttons) and the Start button on a taskbar, into OUT.png. "
                    "Parts the theme leaves to the system show as plain grey buttons.")
    p.add_argument("folder", metavar="DIR", help="a theme folder")
    p.add_argument("out", metavar="OUT.png", help="the picture to write")
    p.add_argument("--zoom", type=int, default=2, metavar="N",
                   help="whole-pixel zoom, 1 to 16 (default 2)")
    p.set_defaults(run=preview)

    d = commands.add_parser(
        "disk", help="put themes on a floppy image, a CD image and a ZIP",
        description="Writes OUTDIR/qvthemes.img (a 1.44 MB FAT12 floppy, label QVTHEMES), "
                    "qvthemes.iso (ISO 9660 with Joliet names) and qvthemes.zip, each holding "
                    "the themes (QVTHEMES\\<NAME>), their setup copies (SETUP\\<NAME>.<NN>) and "
                    "THEMES.INF. On the Windows machine, right-click THEMES.INF and choose "
                    "Install: the themes go into QVTHEMES beside the installed QVSHELL.CPL. "
                    "Every date is SOURCE_DATE_EPOCH, else the newest theme file's, so the same "
                    "themes give the same bytes. Refuses a folder that check refuses.")
    d.add_argument("folders", nargs="+", metavar="DIR", help="theme folders")
    d.add_argument("-o", "--output", metavar="OUTDIR", required=True, help="where the images go")
    d.add_argument("--build", metavar="BUILD", default=argparse.SUPPRESS,
                   help="as before the command")
    d.set_defaults(run=disk)
    return top


def main(argv=None):
    args = parser().parse_args(argv)
    if Image is None:
        say("Pillow is missing: run scripts/setup.sh (Debian's python3-pil)")
        return 2
    try:
        return args.run(args)
    except Refusal as refusal:
        say(str(refusal))
        return 1


if __name__ == "__main__":
    sys.exit(main())
