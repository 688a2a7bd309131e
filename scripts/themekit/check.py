"""The check subcommand: every theme file through the module's own bitmap-file check
(tools/qvcheck.cpp, built from the module's code and run under Wine), then what the module
takes but shows differently from the picture drawn."""
import os
import subprocess
import sys
from pathlib import Path

from .bitmaps import FACE, LIGHT, colours_of, off_standard
from .parts import (CELL, PART_NAMES, SIZE_RULE, SOURCE_NOTE, START, START_BUTTON, theme_files,
                    theme_name)
from .report import Refusal, say
from .sheets import open_picture

SOURCE_TREE = Path(__file__).resolve().parents[2]


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


def checker_env(program, environ):
    """Wine's settings for the check: the caller's WINEPREFIX when set, else a 32-bit prefix of
    the kit's own in the build folder that holds the check, BUILD/kit-wine (Wine makes it on
    first use), so the kit never changes a prefix the user keeps for other programs."""
    env = dict(environ)
    env.setdefault("WINEDEBUG", "-all")
    env.setdefault("WINEDLLOVERRIDES", "mscoree,mshtml=")
    if not env.get("WINEPREFIX"):
        env["WINEPREFIX"] = str(program.resolve().parent.parent / "kit-wine")
        env["WINEARCH"] = "win32"
    return env


def windows_path(path):
    return "Z:" + str(path.resolve()).replace("/", "\\")


def module_verdicts(paths, variants, build):
    """The module's verdict on each file, "OK" or its reason, all from one start of Wine; the
    pictures of size folders (variants) as the module takes them at their folder's size."""
    paths = list(paths) + list(variants)
    if not paths:
        return {}
    program = checker_program(build)
    env = checker_env(program, os.environ)
    prefix = Path(env["WINEPREFIX"])
    if not (prefix / "system.reg").is_file():
        say("preparing Wine in %s for the module's check (once, some seconds)" % prefix)
    say("checking %d file(s) with the module's own code under Wine" % len(paths))
    names = [windows_path(p) for p in paths]
    own = len(paths) - len(variants)
    arguments = names[:own] + ["--variants"] + names[own:]
    try:
        done = subprocess.run(["wine", str(program)] + arguments,
                              env=env,
                              stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                              stdin=subprocess.DEVNULL, timeout=300)
    except FileNotFoundError:
        raise Refusal("wine is missing: run scripts/setup.sh") from None
    except subprocess.TimeoutExpired:
        raise Refusal("the module's check gave no answer within 300 seconds (Wine: %s): run "
                      "it again, and if it hangs, remove the kit's Wine prefix beside it"
                      % program) from None
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


def looks(path, part, cell=CELL):
    """Warnings on a file the module takes: its size against cell (None: the module's check
    was of the size) and its colours, the light grey among them, since Windows draws it in the
    scheme's 3D light, not as drawn."""
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
    if part != START and cell and size != cell:
        found.append("%d x %d pixels: drawn scaled to %d x %d at the standard caption size"
                     % (size + CELL))
    colours = colours_of(rgb)
    others = off_standard(colours)
    if others:
        found.append("%d colour(s) outside the 16 standard colours, e.g. %s: a 256-colour "
                     "display draws them as the nearest of its 20 fixed colours"
                     % (len(others), others[0]))
    if LIGHT in colours:
        found.append("the light grey %s follows the colour scheme's 3D light, which may equal "
                     "the face grey %s: under the standard scheme of some Windows 95/98 systems "
                     "it shows as the face" % (LIGHT, FACE))
    return found


def second_of(path, files, sizes):
    """The entry that path repeats under another case of its name, if any (a Windows disk holds
    one of the two)."""
    name = path.name.upper()
    size = SIZE_RULE.match(name)
    if size and path.is_dir():
        return sizes.get((int(size.group(1)), int(size.group(2))))
    return files.get(name[:-4]) if path.is_file() and name.endswith(".BMP") else None


def unused(path, folder_too=False):
    return (False, "%s: not a theme file (the 14 are %s.BMP)%s: the Themes page does not use it"
            % (path, ".BMP, ".join(PART_NAMES), " nor a size folder (22X20)" if folder_too
               else ""))


def strays(others, files, sizes, folder_too=False):
    """The problems of a folder's entries that are not its theme files or size folders: an entry
    repeating one of those under another case of its name, refused, else one never used."""
    problems = []
    for path in others:
        first = second_of(path, files, sizes)
        if first:
            problems.append((True, "%s: a second %s for %s, which a Windows disk cannot hold "
                                   "beside %s: keep one" % (path, "folder" if path.is_dir()
                                                           else "file", path.name.upper(),
                                                           first.name)))
        else:
            problems.append(unused(path, folder_too))
    return problems


def plan_size_folder(files, size, folder):
    """The pictures of one size folder the module may use, by path, and the problems found."""
    parts, nested, others = theme_files(folder)
    variants = {}
    problems = [unused(p) for p in nested.values()] + strays(others, parts, {})
    for part, path in parts.items():
        if part == START:
            problems.append((False, "%s: the Start picture is shown at its own size at every "
                                    "caption size, so this one is never used" % path))
        elif part not in files:
            problems.append((False, "%s: the theme has no %s.BMP, so the button is the "
                                    "system's and this picture is never used" % (path, part)))
        else:
            variants[path] = (part, size)
    return variants, problems


def plan_check(folder):
    """What can be said of a folder before the module sees its files: its theme files, the
    pictures of its size folders ({path: (part, size)}) and the problems found as (refuses,
    text)."""
    if not folder.is_dir():
        return {}, {}, [(True, "%s: not a folder" % folder)]
    problems = []
    try:
        theme_name(folder.name)
    except Refusal as error:
        problems.append((True, "%s: %s" % (folder, error)))
    files, sizes, others = theme_files(folder)
    others = [p for p in others if not (p.is_file() and p.name.upper() == SOURCE_NOTE)]
    problems += strays(others, files, sizes, True)
    variants = {}
    for size, sub in sizes.items():
        found, more = plan_size_folder(files, size, sub)
        variants.update(found)
        problems += more
    if not files:
        problems.append((True, "%s: no theme file in it" % folder))
    return files, variants, problems


def check_themes(folders, build, strict=False, out=sys.stdout):
    """Checks theme folders, printing one line a file and a summary for each; returns the
    folders refused."""
    plans = [(folder,) + plan_check(folder) for folder in folders]
    verdicts = module_verdicts([p for _, files, _, _ in plans for p in files.values()],
                               [p for _, _, variants, _ in plans for p in variants], build)
    refused = []
    for folder, files, variants, problems in plans:
        ok = warned = 0
        checks = [(path, part, CELL) for part, path in sorted(files.items(),
                                                               key=lambda item: item[1].name)]
        checks += [(path, part, None) for path, (part, _) in sorted(variants.items())]
        for path, part, cell in checks:
            verdict = verdicts[path]
            if verdict != "OK":
                print("%s: %s" % (path, verdict), file=out)
                continue
            notes = looks(path, part, cell)
            print("%s: OK%s" % (path, "; warning: " + "; ".join(notes) if notes else ""),
                  file=out)
            ok += 1
            warned += bool(notes)
        for refuses, text in problems:
            print(("%s" if refuses else "warning: %s") % text, file=out)
        bad = len(checks) - ok
        failed = bad or any(r for r, _ in problems) or (strict and (warned or problems))
        print("%s: %d file(s): %d OK (%d with warnings), %d refused%s" % (
            folder, len(checks), ok, warned, bad, " - REFUSED" if failed else ""), file=out)
        if failed:
            refused.append(folder)
    return refused


def run(args):
    refused = check_themes([Path(f) for f in args.folders], args.build, args.strict)
    if refused:
        say("refused: %s" % ", ".join(str(f) for f in refused))
        return 1
    return 0
