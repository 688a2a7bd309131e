"""What a theme is: the 13 caption pictures and the Start picture, their files and places on a
sheet, the sizes Windows draws them at, and the name a theme folder may have."""
import re

from .report import Refusal

CELL = (16, 14)  # a caption button at the standard caption height
STANDARD_CAPTION = 18  # the caption buttons' size (Display Properties) that CELL is drawn for
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
# The note beside an imported theme's files: where it came from and its licence.
SOURCE_NOTE = "SOURCE.TXT"
PART_NAMES = [name for name, _, _ in CAPTION_PARTS] + [START]
DESCRIPTIONS = {name: what for name, what, _ in CAPTION_PARTS}
DESCRIPTIONS[START] = "Start button picture"

# A subfolder of pictures drawn for caption pictures of W x H, named as the module looks for it
# ("22X20": each side 1 to 4 digits, no leading zero); at most 8 characters, as every name on a
# Windows 95 disk.
SIZE_RULE = re.compile(r"^(?=.{3,8}$)([1-9][0-9]{0,3})X([1-9][0-9]{0,3})$", re.IGNORECASE)
NAME_RULE = re.compile(r"^[A-Za-z0-9_-]{1,8}$")
# Names DOS keeps for its devices: a folder so named cannot be made on the Windows machine.
DEVICE_NAMES = {"CON", "PRN", "AUX", "NUL"} | {"COM%d" % n for n in range(1, 10)} | \
    {"LPT%d" % n for n in range(1, 10)}


def theme_name(text):
    if not NAME_RULE.match(text):
        raise Refusal("%r is not a theme name: use 1 to 8 letters, digits, '-' or '_' "
                      "(names that every Windows 95 tool, INF and floppy takes)" % text)
    if text.upper() in DEVICE_NAMES:
        raise Refusal("%s is the name of a DOS device, which Windows 95 cannot give a folder: "
                      "choose another name" % text.upper())
    return text.upper()


LARGEST_SIZE_PLACE = 9  # size folders a theme on a disk may have: one digit of the setup name


def setup_name(theme, part, size_place=0):
    """The name of a part's setup copy, <THEME>.<NN>: NN its place in the Frame controls list,
    14 for the Start picture; <THEME>.<n><NN> for the picture in the theme's n-th size folder
    (in order of size, from 1). The setup engine finds a source file by its name alone, and the
    themes share their file names."""
    return "%s.%02d" % (theme, 100 * size_place + PART_NAMES.index(part) + 1)


def size_folder(size):
    return "%dX%d" % size


def caption_picture(caption):
    """The size of the caption pictures for caption buttons of that size (Display Properties,
    Appearance): 2 pixels narrower and 4 lower, 16 x 14 at 18."""
    return caption - 2, caption - 4


def theme_files(folder):
    """The theme files of a folder by part (any case of the 8.3 name), its size subfolders by
    the size (W, H) of the pictures they hold, and the other entries."""
    files, sizes, others = {}, {}, []
    for path in sorted(folder.iterdir()):
        name = path.name.upper()
        part = name[:-4] if name.endswith(".BMP") else None
        size = SIZE_RULE.match(name)
        size = size and (int(size.group(1)), int(size.group(2)))
        if path.is_file() and part in PART_NAMES and part not in files:
            files[part] = path
        elif path.is_dir() and size and size not in sizes:
            sizes[size] = path
        else:
            others.append(path)
    return files, sizes, others
