"""The make subcommand: a theme folder from a sheet or a folder of pictures, written whole or
not at all."""
import os
import shutil
import tempfile
from pathlib import Path

from .bitmaps import to_bitmap
from .parts import CELL, DESCRIPTIONS, LARGEST_START, PART_NAMES, START, theme_name
from .report import Refusal, say, warn
from .sheets import on_face, open_picture, pictures_in_folder, pictures_in_sheet, start_beside


def current_umask():
    mask = os.umask(0)
    os.umask(mask)
    return mask


def write_folder(target, files, replace):
    """Writes files ({name: bytes}) as the folder target: into a temporary folder beside it,
    renamed into place when complete, so a refusal or a crash leaves nothing half-written."""
    if target.exists() and not replace:
        raise Refusal("%s exists: give --force to replace it, or another -o" % target)
    target.parent.mkdir(parents=True, exist_ok=True)
    work = Path(tempfile.mkdtemp(prefix=".%s." % target.name, dir=target.parent))
    try:
        # mkdtemp makes the folder for its maker alone; the theme gets the user's usual access.
        os.chmod(work, 0o777 & ~current_umask())
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


def run(args):
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
