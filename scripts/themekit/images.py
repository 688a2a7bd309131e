"""The three images a Windows 95/98 machine takes files in from, written the same way for a
theme disk and for the release: a ZIP (shared folders, real hardware), a 1.44 MB FAT12 floppy
(made with mtools: no root, no loop mount) and an ISO 9660 CD with Joliet names (xorriso).
Every date in them is one pinned time, so the same files give the same bytes.

Run as a program (scripts/release.sh does):
  python3 -m themekit.images FOLDER OUTDIR STEM LABEL APPLICATION WHEN
gives the themes in FOLDER/QVTHEMES their setup copies and writes OUTDIR/STEM.img, .iso and
.zip of FOLDER, dated WHEN (seconds since 1970)."""
import os
import subprocess
import sys
import tempfile
import time
import zipfile
from pathlib import Path

from .parts import LARGEST_SIZE_PLACE, setup_name, size_folder, theme_files
from .report import Refusal

KINDS = ("img", "iso", "zip")
DOS_EPOCH = 315532800  # 1980-01-01, the earliest date a ZIP or FAT entry holds


def add_setup_copies(stage):
    """SETUP\\<THEME>.<NN>: each file of each theme in QVTHEMES, those of its size folders
    included, once more under a name of its own, for the setup file to copy from, since the
    setup engine finds a source file by its name alone and the themes share theirs. Returns the
    themes as {name: [(folder in the theme, "" for its own, {part: path}, place of the size)]}."""
    themes = {}
    (stage / "SETUP").mkdir(exist_ok=True)
    for folder in sorted((stage / "QVTHEMES").iterdir()):
        files, sizes, _ = theme_files(folder)
        if len(sizes) > LARGEST_SIZE_PLACE:
            raise Refusal("%s: %d size folders; a theme on a disk has at most %d"
                          % (folder.name, len(sizes), LARGEST_SIZE_PLACE))
        themes[folder.name] = [("", files, 0)] + [
            (size_folder(size), theme_files(sizes[size])[0], place)
            for place, size in enumerate(sorted(sizes), 1)]
        for _, parts, place in themes[folder.name]:
            for part, path in parts.items():
                (stage / "SETUP" / setup_name(folder.name, part, place)).write_bytes(
                    path.read_bytes())
    return themes


def run_tool(command, what, env):
    try:
        done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, env=env)
    except FileNotFoundError:
        raise Refusal("%s is missing: run scripts/setup.sh" % command[0]) from None
    if done.returncode:
        sys.stderr.write(done.stdout.decode(errors="replace"))
        raise Refusal("%s failed (see above)" % what)


def write_zip(stage, files, target, when):
    """Files in name order, no folder entries, no extra fields (owners, Unix times), the
    pinned date."""
    stamp = time.gmtime(max(when, DOS_EPOCH))[:6]
    with zipfile.ZipFile(target, "w", zipfile.ZIP_DEFLATED) as archive:
        for name in files:
            entry = zipfile.ZipInfo(name, stamp)
            entry.create_system = 0
            entry.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(entry, (stage / name).read_bytes())


def write_floppy(stage, files, folders, target, label, when, env):
    """FAT12, 1,474,560 bytes, its serial number the pinned time."""
    run_tool(["mformat", "-i", str(target), "-C", "-f", "1440", "-v", label, "-N",
              "%08X" % (when & 0xFFFFFFFF), "::"], "making the floppy image", env)
    for name in folders:
        run_tool(["mmd", "-i", str(target), "::/" + name], "making a folder on the floppy", env)
    for name in files:
        run_tool(["mcopy", "-i", str(target), "-m", str(stage / name), "::/" + name],
                 "copying %s onto the floppy (it holds 1.44 MB)" % name, env)


def write_cd(stage, target, label, application, env):
    """ISO 9660 level 1 (8.3 names) with Joliet names. The Rock Ridge entries xorriso adds carry
    owner 0 and permissions made alike (-r), not those of whoever made the image, so that every
    user's umask and account give the same bytes."""
    run_tool(["xorriso", "-as", "mkisofs", "-quiet", "-iso-level", "1", "-r", "-J", "-V", label,
              "-A",
              application, "-publisher", "Tovan", "-o", str(target), str(stage)],
             "making the CD image", env)


def write_images(stage, out, stem, label, application, when):
    """Writes out/stem.img, .iso and .zip, each holding the folder stage with every date pinned
    to when; the three are made beside their places and renamed into them when all are
    complete. Returns their paths in that order."""
    every = sorted(stage.rglob("*"))
    for path in every + [stage]:
        os.utime(path, (when, when))
    files = [p.relative_to(stage).as_posix() for p in every if p.is_file()]
    folders = [p.relative_to(stage).as_posix() for p in every if p.is_dir()]
    # DOS dates (zip, FAT) are local times: the same in every time zone only when pinned to one.
    env = dict(os.environ, TZ="UTC", MTOOLS_SKIP_CHECK="1", SOURCE_DATE_EPOCH=str(when))
    targets = [out / ("%s.%s" % (stem, kind)) for kind in KINDS]
    with tempfile.TemporaryDirectory(prefix=".%s." % stem, dir=out) as work_name:
        work = {kind: Path(work_name) / target.name for kind, target in zip(KINDS, targets)}
        write_zip(stage, files, work["zip"], when)
        write_floppy(stage, files, folders, work["img"], label, when, env)
        write_cd(stage, work["iso"], label, application, env)
        for kind, target in zip(KINDS, targets):
            work[kind].replace(target)
    return targets


def main(argv):
    folder, out, stem, label, application, when = argv
    try:
        add_setup_copies(Path(folder))
        write_images(Path(folder), Path(out), stem, label, application, int(when))
    except Refusal as refusal:
        print(refusal, file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
