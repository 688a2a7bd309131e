"""The Quorvia theme kit: make a theme from ordinary pictures, check it with the module's own
rules, preview it, and carry it to the Windows machine on one disk image.

  qvtheme.py make SOURCE NAME [-o DIR]     pictures (a folder, or one sheet) -> DIR/NAME
  qvtheme.py check DIR...                  every file through the module's own check
  qvtheme.py preview DIR OUT.png           the theme on title bars and a taskbar
  qvtheme.py disk DIR... -o OUTDIR         a floppy image, a CD image and a ZIP with THEMES.INF
  qvtheme.py import SOURCE [-o DIR]        a theme made from an IceWM, xfwm4 or Openbox theme

Each subcommand has --help and its work in the module of its name. Runs with Debian's Python 3
and Pillow (python3-pil, installed by scripts/setup.sh).
"""
import argparse
import importlib
import re

from .report import Refusal, say

try:
    import PIL
except ImportError:  # said in words rather than as a traceback
    PIL = None


def cell_size(text):
    match = re.match(r"^(\d{1,4})[xX](\d{1,4})$", text)  # 22x20, or as the folder: 22X20
    if not match or not int(match.group(1)) or not int(match.group(2)):
        raise argparse.ArgumentTypeError("%r is not a cell size: write it as WxH, e.g. 16x14"
                                         % text)
    return int(match.group(1)), int(match.group(2))


def cell_sizes(text):
    return [cell_size(part) for part in text.split(",")]


def sheet_for_size(text):
    size, equals, path = text.partition("=")
    if not equals or not path:
        raise argparse.ArgumentTypeError("%r: write it as WxH=FILE, e.g. 22x20=big.png" % text)
    return cell_size(size), path


def parser():
    top = argparse.ArgumentParser(
        prog="qvtheme.py", description=__doc__.split("\n\n")[0],
        epilog="check and disk run the module's own bitmap-file check (tools/qvcheck.cpp,\n"
               "built with the module's code) under Wine. They take it from\n"
               "BUILD/tools/qvcheck.exe, by default from ./build of this source tree; when no\n"
               "build has it, it is built with cmake on first use (in BUILD, else in\n"
               "./build-kit: a minute, once). Wine runs it in WINEPREFIX when that is set,\n"
               "else in a prefix of the kit's own beside it, BUILD/kit-wine (made on first\n"
               "use).\n\n"
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
                    "grey) under the 8.3 names the Themes page reads. Pictures for larger "
                    "caption buttons go into size folders named after their size (22X20 for "
                    "caption buttons of 24, 28X26 for 30): --sizes fits the theme's own "
                    "pictures to each size exactly as the module does, a start for drawing "
                    "them by hand; --sheet takes a sheet drawn at that size instead.")
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
    m.add_argument("--sizes", type=cell_sizes, metavar="WxH,...",
                   help="size folders of the pictures fitted by the module's rule, e.g. "
                        "22x20,28x26 (each at least the pictures' own size)")
    m.add_argument("--sheet", type=sheet_for_size, action="append", metavar="WxH=FILE",
                   help="a sheet of cells of W x H, whose pictures go into that size folder as "
                        "drawn (in place of fitted ones); may be given once for each size")
    m.add_argument("--force", action="store_true", help="replace DIR/NAME if it exists")

    c = commands.add_parser(
        "check", help="check theme folders with the module's own check",
        description="Checks each theme folder: every file through the module's own bitmap-file "
                    "check (the pictures of a size folder, 22X20 and so on, at that size as "
                    "the module takes them), the 8.3 names, the caption pictures' 16 x 14 size, "
                    "the colours (the 16 standard colours, else a warning; a warning too for the "
                    "light grey 223, which follows the scheme's 3D light, on some systems the "
                    "face grey) "
                    "and the Start picture against the standard Start button. Prints one line a "
                    "file (OK, or the reason the module gives for not using it) and a summary "
                    "for each folder; exits 1 when a folder is refused.")
    c.add_argument("folders", nargs="+", metavar="DIR", help="theme folders")
    c.add_argument("--strict", action="store_true", help="refuse on warnings too")
    c.add_argument("--build", metavar="BUILD", default=argparse.SUPPRESS,
                   help="the build folder holding tools/qvcheck.exe, as before the command")

    p = commands.add_parser(
        "preview", help="draw a theme as Windows will show it",
        description="Draws the theme in DIR as title bars (up, maximized, a dialog's, pressed "
                    "and disabled buttons) and the Start button on a taskbar, into OUT.png. "
                    "Parts the theme leaves to the system show as plain grey buttons.")
    p.add_argument("folder", metavar="DIR", help="a theme folder")
    p.add_argument("out", metavar="OUT.png", help="the picture to write")
    p.add_argument("--zoom", type=int, default=2, metavar="N",
                   help="whole-pixel zoom, 1 to 16 (default 2)")
    p.add_argument("--size", type=int, metavar="N",
                   help="draw the title bars at caption buttons of N (Display Properties, "
                        "Appearance, Caption Buttons), whose pictures are N-2 x N-4: those of "
                        "the size folder where the theme has one, else the theme's own fitted "
                        "as the module fits them. Without it: at 18, the standard, with a title "
                        "bar for each size folder below")

    i = commands.add_parser(
        "import", help="make a theme from an IceWM, xfwm4 or Openbox theme",
        description="Makes a theme folder from a theme of another desktop: an IceWM theme (a "
                    "folder with default.theme, or another .theme file) or an xfwm4 theme (a "
                    "folder with xfwm4/themerc, whose siblings NAME-hdpi and NAME-xhdpi become "
                    "size folders at the nearest of 22X20 and 28X26) or an Openbox theme (a "
                    "folder with openbox-3/themerc, its XBM masks drawn on its textures), or a "
                    ".tar.gz, .tar.xz or .zip holding one. Up and down are the theme's normal "
                    "and pressed pictures, disabled its inactive one (else embossed from up as "
                    "Windows draws a disabled glyph), Help a question mark on the theme's own "
                    "button; each is cut to the button and brought to 16 x 14 (lines that "
                    "repeat dropped, smaller ones fitted by the module's rule), then written as "
                    "make writes "
                    "(16 colours unless --colours 256). SOURCE.TXT in the theme says where it "
                    "came from and its licence: imported themes keep their authors' licences.")
    i.add_argument("source", metavar="SOURCE",
                   help="a theme folder or .theme file, or an archive holding one")
    i.add_argument("-o", "--output", metavar="DIR", default=".",
                   help="where the theme folder goes (default: here)")
    i.add_argument("--name", metavar="NAME",
                   help="the theme's name, 1 to 8 letters, digits, '-' or '_' (default: the "
                        "source's, cut to 8)")
    i.add_argument("--sizes", type=cell_sizes, metavar="WxH,...",
                   help="size folders fitted by the module's rule, as make --sizes (a size the "
                        "source draws itself is taken as drawn)")
    i.add_argument("--colours", type=int, choices=(16, 256), default=16,
                   help="256: 8-bit bitmaps with the source's own colours; default 16")
    i.add_argument("--force", action="store_true", help="replace DIR/NAME if it exists")

    d = commands.add_parser(
        "disk", help="put themes on a floppy image, a CD image and a ZIP",
        description="Writes OUTDIR/qvthemes.img (a 1.44 MB FAT12 floppy, label QVTHEMES), "
                    "qvthemes.iso (ISO 9660 with Joliet names) and qvthemes.zip, each holding "
                    "the themes (QVTHEMES\\<NAME>, with their size folders), their setup "
                    "copies (SETUP\\<NAME>.<NN>) and THEMES.INF. On the Windows machine, "
                    "right-click THEMES.INF and choose Install: the themes go into QVTHEMES "
                    "beside the installed QVSHELL.CPL. "
                    "Every date is SOURCE_DATE_EPOCH, else the newest theme file's, so the same "
                    "themes give the same bytes. Refuses a folder that check refuses.")
    d.add_argument("folders", nargs="+", metavar="DIR", help="theme folders")
    d.add_argument("-o", "--output", metavar="OUTDIR", required=True, help="where the images go")
    d.add_argument("--build", metavar="BUILD", default=argparse.SUPPRESS,
                   help="the build folder holding tools/qvcheck.exe, as before the command")
    return top


def main(argv=None):
    args = parser().parse_args(argv)
    if PIL is None:
        say("Pillow is missing: run scripts/setup.sh (Debian's python3-pil)")
        return 2
    # Each subcommand's work is the run() of the module of its name, imported only now, so that
    # --help and the word on a missing Pillow need nothing but the standard library.
    module = {"import": "importer"}.get(args.command, args.command)  # import: a Python word
    command = importlib.import_module("." + module, __package__)
    try:
        return command.run(args)
    except Refusal as refusal:
        say(str(refusal))
        return 1
    except OSError as error:  # a file the system would not read or write: its name, in words
        say("%s: %s: check the name, your access to it and the room on its disk"
            % (error.filename or args.command, error.strerror or error))
        return 1
