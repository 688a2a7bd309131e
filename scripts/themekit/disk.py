"""The disk subcommand: theme folders, their setup copies and THEMES.INF on a floppy image, a CD
image and a ZIP, after the module's check has passed every file."""
import hashlib
import os
import sys
import tempfile
from pathlib import Path

from .check import check_themes
from .images import add_setup_copies, write_images
from .parts import PART_NAMES, START, setup_name, size_folder, theme_files, theme_name
from .report import Refusal, make_output_folder, say


def themes_inf(themes):
    """THEMES.INF: copies each theme into QVTHEMES\\<NAME> beside the installed module (the
    system folder) and each of its size folders into QVTHEMES\\<NAME>\\<W>X<H>, each file from a
    copy under a name of its own, since the setup engine finds a source file by its name alone
    and the themes share theirs. themes: [(name, [(size folder or "", {part: path}, place)])]."""
    sections = [("Theme%d%s" % (i, "Size%d" % place if place else ""),
                 "\\".join(filter(None, ["QVTHEMES", name, folder])), name, parts, place)
                for i, (name, folders) in enumerate(themes, 1)
                for folder, parts, place in folders]
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
        "CopyFiles=" + ",".join(section for section, _, _, _, _ in sections),
        "",
        "[DestinationDirs]",
    ]
    lines += ["%s=11,%s" % (section, target) for section, target, _, _, _ in sections]
    sources = []
    for section, _, name, parts, place in sections:
        lines += ["", "[%s]" % section]
        for part in PART_NAMES:
            if part in parts:
                source = setup_name(name, part, place)
                lines.append("%s.BMP,%s" % (part, source))
                sources.append(source)
    lines += ["", "[SourceDisksNames]", "1=%Disk%,,0", "", "[SourceDisksFiles]"]
    lines += ["%s=1,SETUP" % source for source in sources]
    lines += ["", "[Strings]", 'Maker="Tovan"', 'Disk="Quorvia themes disk"', ""]
    return "\r\n".join(lines).encode("ascii")


def pinned_time(folders):
    """The date every file on the disks carries: SOURCE_DATE_EPOCH when set, else the newest
    theme file's (size folders included), so the same files give the same images."""
    if os.environ.get("SOURCE_DATE_EPOCH", "").isdigit():
        return int(os.environ["SOURCE_DATE_EPOCH"])
    return max(int(p.stat().st_mtime) for f in folders for p in f.rglob("*") if p.is_file())


def copy_theme(folder, target):
    """The theme's files under their 8.3 names, and those of its size folders that the module
    may use: a picture of a part the theme has, other than the Start picture."""
    files, sizes, _ = theme_files(folder)
    copies = {part + ".BMP": path for part, path in files.items()}
    for size, sub in sizes.items():
        copies.update({"%s/%s.BMP" % (size_folder(size), part): path
                       for part, path in theme_files(sub)[0].items()
                       if part in files and part != START})
    for name, path in copies.items():
        (target / name).parent.mkdir(parents=True, exist_ok=True)
        (target / name).write_bytes(path.read_bytes())


def run(args):
    folders = [Path(f) for f in args.folders]
    names = [theme_name(f.name) if f.is_dir() else f.name for f in folders]
    if len(set(names)) != len(names):
        raise Refusal("two themes of the same name: %s" % ", ".join(names))
    refused = check_themes(folders, args.build, out=sys.stderr)
    if refused:
        raise Refusal("not put on a disk, since check refuses %s" % ", ".join(map(str, refused)))
    when = pinned_time(folders)
    out = Path(args.output)
    make_output_folder(out)
    with tempfile.TemporaryDirectory(prefix=".qvtheme-disk.", dir=out) as work_name:
        stage = Path(work_name) / "files"
        for folder, name in zip(folders, names):
            copy_theme(folder, stage / "QVTHEMES" / name)
        themes = add_setup_copies(stage)
        (stage / "THEMES.INF").write_bytes(themes_inf(list(themes.items())))
        written = write_images(stage, out, "qvthemes", "QVTHEMES", "Quorvia themes", when)
    for path in written:
        digest = hashlib.sha256(path.read_bytes()).hexdigest()[:16]
        say("wrote %s (%d bytes, sha256 %s...)" % (path, path.stat().st_size, digest))
    say("on the Windows machine: right-click THEMES.INF on the disk, Install; then open "
        "Quorvia's Themes page")
    return 0
