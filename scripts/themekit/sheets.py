"""Reading pictures: one sheet of caption cells, a folder of pictures named after the parts, and
a theme folder of bitmap files."""
from PIL import Image

from .bitmaps import FACE
from .parts import CAPTION_PARTS, COLUMNS, DESCRIPTIONS, PART_NAMES, ROWS, theme_files
from .report import Refusal, warn


def open_picture(path):
    """The picture at path as RGBA, or a refusal that says why it cannot be read."""
    try:
        with Image.open(path) as picture:
            picture.load()
            return picture.convert("RGBA")
    except (OSError, ValueError, Image.DecompressionBombError) as error:
        raise Refusal("%s: not a picture this kit can read (%s): save it as PNG or BMP"
                      % (path, error)) from None


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


def pictures_in_sheet(sheet, cell, given="Give --cell WxH for other cells"):
    """The caption parts cut from a sheet of five columns (Help, Minimize, Restore, Maximize,
    Close) and three rows (up, down, disabled); a wholly transparent cell is a part left out.
    given says, in a refusal of the sheet's size, what asked for that cell."""
    picture = open_picture(sheet)
    width, height = cell
    wanted = (width * len(COLUMNS), height * len(ROWS))
    # A sheet whose sides do not split evenly is no sheet at any cell size: say so, rather than
    # offer --cell.
    splits = [("width", picture.size[0], "five columns", COLUMNS),
              ("height", picture.size[1], "three rows", ROWS)]
    uneven = ["its %s, %d, does not split into %s (%s)" % (side, size, into, ", ".join(names))
              for side, size, into, names in splits if size % len(names)]
    if uneven:
        raise Refusal("%s is %d x %d pixels: %s. A sheet is five cells wide and three high: "
                      "%d x %d for cells of %d x %d"
                      % (sheet, picture.size[0], picture.size[1], " and ".join(uneven),
                         wanted[0], wanted[1], width, height))
    if picture.size != wanted:
        raise Refusal("%s is %d x %d pixels; a sheet of %d x %d cells is %d x %d (five columns: "
                      "%s; three rows: %s). %s"
                      % (sheet, picture.size[0], picture.size[1], width, height, wanted[0],
                         wanted[1], ", ".join(COLUMNS), ", ".join(ROWS), given))
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


def read_theme(folder):
    """The theme's pictures as Pillow reads them, by part, and those of its size folders by size
    and part."""
    files, sizes, _ = theme_files(folder)
    return ({part: open_picture(path).convert("RGB") for part, path in files.items()},
            {size: read_theme(path)[0] for size, path in sizes.items()})
