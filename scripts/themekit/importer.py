"""The import subcommand: a theme made from another desktop's theme (IceWM, xfwm4 or Openbox; a
folder, a .theme file, or an archive holding one), its 13 caption pictures and Start picture
written as make writes a theme, with SOURCE.TXT saying where it came from and its licence."""
import fnmatch
import gzip
import re
import subprocess
import tarfile
import tempfile
import zipfile
from pathlib import Path, PurePosixPath

from . import icewm, openbox, xfwm4
from .bitmaps import to_standard
from .buttons import disabled_from, help_pictures, pressed_from, to_cells
from .make import theme_files_made, write_theme
from .parts import CELL, DESCRIPTIONS, SOURCE_NOTE, START, theme_name
from .report import Refusal

ARCHIVES = (".tar.gz", ".tgz", ".tar.xz", ".zip")
LARGEST_UNPACKED = 64 << 20  # no theme is near this; an archive that unpacks larger is refused
STATES = (("up", "UP"), ("down", "DN"), ("disabled", "DIS"))


def safe_member(name):
    path = PurePosixPath(name)
    return not path.is_absolute() and ".." not in path.parts and name.strip("/")


def unpack(archive, into):
    """The archive's folders and plain files (no links, nothing outside into) under into."""
    total = 0
    if archive.name.lower().endswith(".zip"):
        with zipfile.ZipFile(archive) as opened:
            members = [(m.filename, m.is_dir(), m.file_size, lambda m=m: opened.read(m))
                       for m in opened.infolist()]
            total = sum(m.file_size for m in opened.infolist())
            write_members(archive, members, into, total)
        return
    with tarfile.open(archive, "r:*") as opened:
        members = [(m.name, m.isdir(), m.size, lambda m=m: opened.extractfile(m).read())
                   for m in opened.getmembers() if m.isfile() or m.isdir()]
        total = sum(size for _, _, size, _ in members)
        write_members(archive, members, into, total)


def write_members(archive, members, into, total):
    if total > LARGEST_UNPACKED:
        raise Refusal("%s: unpacks to %d bytes, more than a theme's %d: not unpacked"
                      % (archive, total, LARGEST_UNPACKED))
    for name, is_dir, _, read in members:
        if not safe_member(name):
            raise Refusal("%s: holds %s, a name outside the archive's own folder: not unpacked"
                          % (archive, name))
        target = into / name
        if is_dir:
            target.mkdir(parents=True, exist_ok=True)
        else:
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(read())


def themes_in(folder):
    """The themes an unpacked archive holds: folders of .theme files and xfwm4 folders, without
    the larger siblings of one of them."""
    found = {p.parent for p in folder.rglob("*.theme")} | {
        p.parent.parent for p in folder.rglob("xfwm4/themerc")} | {
        p.parent.parent for p in folder.rglob("openbox-3/themerc")}
    return sorted(p for p in found if not any(
        p.name.endswith(s) and p.parent / p.name[:-len(s)] in found for s in xfwm4.SIBLINGS))


def read_source(path):
    """The theme at path by its format."""
    if path.is_file() and path.suffix == ".theme" or path.is_dir() and icewm.theme_files(path):
        return icewm.read_theme(path)
    if path.is_dir() and xfwm4.theme_folder(path):
        return xfwm4.read_theme(path)
    if path.is_dir() and ((path / "openbox-3" / "themerc").is_file() or
                          path.name == "openbox-3" and (path / "themerc").is_file()):
        return openbox.read_theme(path)
    raise Refusal("%s: not an IceWM theme (no .theme file), an xfwm4 theme (no xfwm4/themerc) "
                  "nor an Openbox theme (no openbox-3/themerc)" % path)


def looks_alike(one, other, bpp):
    """Whether two pictures are the same in the colours of the bitmaps written (make's)."""
    if bpp == 4:
        one, other = to_standard(one)[0], to_standard(other)[0]
    return one.tobytes() == other.tobytes()


def pictures_of(theme, bpp):
    """The 13 caption pictures at each size the theme has ({size: {part: picture}}): up and down
    from the source's normal and pressed pictures (down moved as Windows moves a pressed glyph
    where the source's is alike in the colours written), disabled from its inactive one or
    embossed from up, Help drawn on the theme's own button."""
    sized = {}
    for size, buttons in theme["sizes"].items():
        drawn = {button: {suffix: states[state] for state, suffix in STATES
                          if button + suffix in DESCRIPTIONS and states[state]}
                 for button, states in buttons.items()}
        made = to_cells(drawn, size, "%s at %d x %d" % ((theme["folder"],) + size))
        pictures = {button + suffix: p for button, group in made.items()
                    for suffix, p in group.items()}
        glyphed = [b for b in buttons if b != "HELP"]
        for button in glyphed:
            if looks_alike(pictures[button + "UP"], pictures[button + "DN"], bpp):
                pictures[button + "DN"] = pressed_from(pictures[button + "UP"])
        ups = [pictures[b + "UP"] for b in glyphed]
        for button in glyphed:
            if button + "DIS" in DESCRIPTIONS and button + "DIS" not in pictures:
                pictures[button + "DIS"] = disabled_from(pictures[button + "UP"], ups)
        if "HELP" not in buttons:
            pictures["HELPUP"], pictures["HELPDN"] = help_pictures(
                {b: pictures[b + "UP"] for b in glyphed}, {b: pictures[b + "DN"] for b in glyphed})
        sized[size] = {part: p.convert("RGBA") for part, p in pictures.items()}
    return sized


def default_name(theme):
    stem = theme["file"].stem if theme["file"] and theme["file"].stem != "default" else \
        theme["name"]
    return re.sub(r"[^A-Za-z0-9]", "", stem)[:8] or "IMPORTED"  # Default-hdpi: DEFAULTH


def installed_package(folder):
    """The installed package holding folder and its version, by the package manager."""
    try:
        owner = subprocess.run(["dpkg-query", "-S", str(folder)], capture_output=True, text=True)
        package = owner.stdout.split(":")[0].strip() if owner.returncode == 0 else ""
        version = subprocess.run(["dpkg-query", "-W", "-f", "${Version}", package],
                                 capture_output=True, text=True) if package else None
    except OSError:
        return None
    return (package, version.stdout.strip(), Path("/")) if version and version.stdout else None


def package_of(folder):
    """(package, version, the folder it was unpacked into) for a theme in an unpacked or
    installed Debian package, from the changelog in its documentation; None elsewhere."""
    folder = folder.resolve()
    for root in folder.parents:
        docs = root / "usr" / "share" / "doc"
        if docs.is_dir():
            logs = sorted(docs.glob("*/changelog.Debian.gz"))
            if len(logs) != 1:
                return installed_package(folder) if root == Path("/") else None
            with gzip.open(logs[0], "rt", errors="replace") as log:
                match = re.match(r"\S+ \(([^)]+)\)", log.readline())
            return logs[0].parent.name, match.group(1) if match else "unknown", root
    return None


def copyright_fields(stanza):
    fields, key = {}, None
    for line in stanza.splitlines():
        match = re.match(r"([A-Za-z-]+):\s*(.*)$", line)
        if match:
            key = match.group(1).lower()
            fields[key] = match.group(2).strip()
        elif key and line[:1].isspace():
            fields[key] += "\n" + line.strip()
    return fields


def licence_in(copyright_text, name):
    """The licence a package's copyright file gives the theme, and for what: that of the last
    Files stanza naming its folder (themes/<name>/*, a pattern such as Nightmare*; else the last
    of themes/<name>-*/*), else that of Files: *, else the file's sentence on the whole package;
    None where it has none of them."""
    key = re.sub(r"-x?hdpi$", "", name.lower())
    exact = near = everything = None
    for stanza in re.split(r"\n\s*\n", copyright_text):
        fields = copyright_fields(stanza)
        for pattern in fields.get("files", "").split() if "license" in fields else []:
            folders = [f for f in PurePosixPath(pattern.lower()).parts if f != "*"]
            if not folders:
                everything = (pattern, fields)
            elif any(fnmatch.fnmatchcase(key, f) for f in folders):
                exact = (pattern, fields)
            elif any(f.startswith(key + "-") for f in folders):
                near = (pattern, fields)
    if exact or near or everything:
        pattern, fields = exact or near or everything
        holder = fields.get("copyright", "").splitlines()[:1]
        return fields["license"].splitlines()[0], "for %s%s" % (
            pattern, "; Copyright " + holder[0] if holder else "")
    for paragraph in re.split(r"\n\s*\n", copyright_text):
        sentence = re.search(r"(?:^|(?<=\. ))[^.]*\b(?:released|distributed|licensed) under "
                             r"[^.]*\.", " ".join(paragraph.split()))
        if sentence:
            return sentence.group(), "for the whole package"
    return None


def source_note(name, theme, where, package):
    """SOURCE.TXT: what the theme was made from and under which licence, in Windows' own
    character set with CR LF lines, for Notepad."""
    folders = [theme["file"] or theme["folder"]] + theme.get("siblings", [])
    if package:
        shown = ["/" + f.resolve().relative_to(package[2]).as_posix() for f in folders]
        origin = "Package: %s %s" % package[:2]
    else:
        shown = [where(f) for f in folders]
        origin = "Package: none (not from an installed or unpacked Debian package)"
    licence = theme["licence"] and (theme["licence"], "the theme's License line")
    if not licence and package:
        copyright_file = package[2] / "usr" / "share" / "doc" / package[0] / "copyright"
        found = copyright_file.is_file() and licence_in(
            copyright_file.read_text(encoding="utf-8", errors="replace"), theme["name"])
        licence = found and (found[0], "/usr/share/doc/%s/copyright, %s" % (package[0],
                                                                           found[1]))
    lines = [
        "%s: a Quorvia theme imported from the %s theme %s%s" % (
            name, theme["format"], theme["name"], " (Look=%s)" % theme["look"]
            if theme["look"] else ""),
        origin,
        "Folder: %s" % ", ".join(shown),
        "Licence: %s" % ("%s (%s)" % licence if licence else
                         "not stated in the source: ask its authors before passing it on"),
    ]
    if theme["author"]:
        lines.append("Author: %s" % theme["author"])
    lines.append("Imported themes keep their authors' licences: pass this file on with the "
                 "theme.")
    return ("\r\n".join(lines) + "\r\n").encode("cp1252", errors="replace")


def import_theme(source, args, where):
    theme = read_source(source)
    name = theme_name(args.name or default_name(theme))
    bpp = 8 if args.colours == 256 else 4
    sized = pictures_of(theme, bpp)
    parts = dict(sized.pop(CELL))
    if theme["start"]:
        parts[START] = theme["start"].convert("RGBA")
    files = theme_files_made(parts, sized, args.sizes or [], bpp)
    files[SOURCE_NOTE] = source_note(name, theme, where, package_of(source))
    write_theme(Path(args.output) / name, files, args.force)
    return 0


def run(args):
    source = Path(args.source)
    if not source.exists():
        raise Refusal("%s: no such file or folder" % source)
    if not source.name.lower().endswith(ARCHIVES):
        return import_theme(source, args, lambda f: str(f.resolve()))
    with tempfile.TemporaryDirectory(prefix=".qvtheme-import.") as work:
        try:
            unpack(source, Path(work))
        except (OSError, EOFError, tarfile.TarError, zipfile.BadZipFile) as error:
            raise Refusal("%s: not an archive this kit can unpack (%s)" % (source, error)) \
                from None
        found = themes_in(Path(work))
        if len(found) != 1:
            raise Refusal("%s: %s" % (source, "holds no IceWM or xfwm4 theme" if not found else
                                      "holds several themes (%s): unpack it and import each "
                                      "folder" % ", ".join(str(f.relative_to(work))
                                                             for f in found)))
        return import_theme(found[0], args, lambda f: "%s: %s" % (
            source.name, f.relative_to(work).as_posix()))
