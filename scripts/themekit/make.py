"""The make subcommand: a theme folder from a sheet or a folder of pictures, written whole or
not at all."""
import io
import os
import shutil
import tempfile
from pathlib import Path

from PIL import Image

from .bitmaps import encode_bmp, to_bitmap
from .fit import fit_picture
from .parts import (CELL, DESCRIPTIONS, LARGEST_START, PART_NAMES, START, size_folder,
                    theme_name)
from .report import Refusal, make_output_folder, say, warn
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
    make_output_folder(target.parent)
    work = Path(tempfile.mkdtemp(prefix=".%s." % target.name, dir=target.parent))
    try:
        # mkdtemp makes the folder for its maker alone; the theme gets the user's usual access.
        os.chmod(work, 0o777 & ~current_umask())
        for name, data in files.items():
            (work / name).parent.mkdir(exist_ok=True)
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


def drawn_for_sizes(sheets):
    """The pictures of the sheets drawn for other sizes (--sheet WxH=FILE), by size and part."""
    drawn = {}
    for size, sheet in sheets or []:
        if size in drawn:
            raise Refusal("two sheets for %d x %d pictures: give --sheet %dx%d once" % (size * 2))
        drawn[size] = pictures_in_sheet(Path(sheet), size, "It is given as the sheet of %d x %d "
                                        "pictures (--sheet %dx%d=%s)" % (size * 2 + (sheet,)))
    return drawn


def size_folder_files(written, drawn, fitted_sizes, bpp):
    """The files of the size folders: each picture of a sheet drawn for a size as drawn, and for
    each size of fitted_sizes the theme's own pictures (written, as the module reads them) that
    no such sheet gives, fitted by the module's rule."""
    files = {}
    for size in sorted(fitted_sizes | set(drawn)):
        folder = size_folder(size)
        for part, picture in drawn.get(size, {}).items():
            what = "%s/%s.BMP (%s)" % (folder, part, DESCRIPTIONS[part])
            if part in written:
                files["%s/%s.BMP" % (folder, part)] = to_bitmap(on_face(picture), bpp, what)
            else:
                warn("%s: not written, since the theme leaves that button to the system" % what)
        for part in written if size in fitted_sizes else []:
            if part in drawn.get(size, {}):
                continue
            fitted = fit_picture(written[part], size)
            if not fitted:
                raise Refusal("%s (%s): %d x %d pixels do not fit %d x %d by the module's rule "
                              "(a slot smaller than the picture is stretched): draw that size "
                              "with --sheet %dx%d=FILE"
                              % ((part, DESCRIPTIONS[part]) + written[part].size + size * 2))
            files["%s/%s.BMP" % (folder, part)] = encode_bmp(fitted, bpp, part)
    return files


def theme_files_made(parts, drawn, fitted_sizes, bpp, any_size=False):
    """The files of a theme ({name: bytes}) from its pictures by part: each a bitmap of the 8.3
    name, and the size folders of the pictures drawn for sizes (drawn: {size: {part: picture}})
    and of those fitted to fitted_sizes."""
    for size in set(fitted_sizes) | set(drawn):
        if len(size_folder(size)) > 8:
            raise Refusal("%d x %d: its size folder's name, %s, is longer than the 8 characters "
                          "of a name on a Windows 95 disk" % (size + (size_folder(size),)))
    files, written = {}, {}
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
        if part != START and (w, h) != CELL and not any_size:
            raise Refusal("%s: %d x %d pixels; a caption picture is %d x %d, the size Windows "
                          "draws at the standard caption height. Give --any-size to keep it "
                          "(the module scales it)" % (what, w, h, CELL[0], CELL[1]))
        files[part + ".BMP"] = to_bitmap(on_face(picture), bpp, what)
        if part != START:
            # Fitted from the pixels the module reads, not from the picture drawn.
            with Image.open(io.BytesIO(files[part + ".BMP"])) as stored:
                written[part] = stored.convert("RGB")
    files.update(size_folder_files(written, drawn, set(fitted_sizes), bpp))
    return files


def write_theme(target, files, replace):
    """Writes the theme folder whole (see write_folder) and says what it holds."""
    write_folder(target, files, replace)
    sized = sorted({n.split("/")[0] for n in files if "/" in n})
    say("made %s: %d file(s)%s" % (target, len(files), sized and ", with the size folder(s) "
                                   + ", ".join(sized) or ""))


def run(args):
    name = theme_name(args.name)
    parts = gather(args)
    if not parts:
        raise Refusal("%s: no picture of any part found: name the pictures after the parts "
                      "(closeup.png, start.png, ...) or give a sheet" % args.source)
    files = theme_files_made(parts, drawn_for_sizes(args.sheet), args.sizes or [],
                             8 if args.colours == 256 else 4, args.any_size)
    write_theme(Path(args.output) / name, files, args.force)
    return 0
