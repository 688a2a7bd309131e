"""check through the module's own code under the test run's Wine: the module's reasons for the
bitmap-file table's hostile files, and the round trip from pictures to the module's loader."""
import re
import shutil
import subprocess
import unittest
from pathlib import Path

from PIL import Image

from .bitmaps import FACE, LIGHT, SHADOW
from .check import checker_env
from .testing import (SOURCE, build_folder, kit, random_picture, wine_env, windows,
                      work_folder)

ENV = wine_env()


def module_tests(test_filter, **env):
    """Runs the module suite's Windows 95 copy (module_tests_win95.exe, set to Windows 95 by the
    fixture) on the tests of test_filter."""
    return subprocess.run(["wine", str(build_folder() / "tests" / "module_tests_win95.exe"),
                           "--gtest_filter=" + test_filter], capture_output=True, text=True,
                          timeout=120, env=dict(ENV, **env))


class WithTheModule(unittest.TestCase):
    def test_round_trip_through_the_module_loader(self):
        work = work_folder(self)
        pictures = work / "pictures"
        pictures.mkdir()
        drawn = {}
        sizes = {"closeup": (16, 14), "MINDIS": (16, 14), "HelpDn": (16, 14), "maxup": (5, 5),
                 "start": (48, 16)}
        for i, (part, size) in enumerate(sizes.items()):
            image = random_picture(size, i)
            image.save(pictures / (part + (".png" if i % 2 else ".bmp")))
            drawn[("FOLDER", part.upper())] = image
        sheet = Image.open(SOURCE / "docs" / "example" / "sheet.png").convert("RGBA")
        cells = {"CLOSEUP": (4, 0), "MAXDN": (3, 1), "HELPUP": (0, 0), "MINDIS": (1, 2)}
        for part, (column, row) in cells.items():
            cell = sheet.crop((column * 16, row * 14, column * 16 + 16, row * 14 + 14))
            self.assertLessEqual(set(cell.getchannel("A").getdata()), {0, 255})
            flat = Image.new("RGB", cell.size, FACE)
            flat.paste(cell, mask=cell.getchannel("A"))
            drawn[("SHEET", part)] = flat
        # Fitted at both whole factors, with an odd spare pixel, and with the factor of one side
        # limiting the other's; the 5 x 5 picture grows by the largest factors.
        fitted = ["--any-size", "--sizes", "22x20,23x21,28x26,29x25,29x23"]
        # More colours than a 256-colour bitmap holds: fitted from the colours the file keeps.
        deep = work / "deep"
        deep.mkdir()
        Image.frombytes("RGB", (20, 20), bytes(range(256)) * 4 + bytes(176)).save(
            deep / "closeup.png")
        for source, name, more in [(pictures, "folder", fitted), (deep, "deep", fitted[:3] + [
                "--colours", "256"]), (SOURCE / "docs/example/sheet.png", "sheet", [])]:
            kit("make", source, name, "-o", work / "made", *more)
        done = kit("check", work / "made" / "FOLDER", work / "made" / "SHEET", env=ENV)
        files = [line for line in done.stdout.splitlines() if ".BMP: " in line]
        self.assertEqual(5 + 5 * 4 + 14, len(files))
        self.assertEqual([], [line for line in files if ".BMP: OK" not in line])
        for theme in ("FOLDER", "DEEP"):
            (work / "fitted" / theme).mkdir(parents=True)
            for size in (work / "made" / theme).glob("*X*/"):
                size.rename(work / "fitted" / theme / size.name)
        for (theme, part), image in drawn.items():
            (work / "drawn" / theme).mkdir(parents=True, exist_ok=True)
            image.save(work / "drawn" / theme / (part + ".PPM"))
        # The loader runs under Windows 95's rules there.
        run = module_tests("KitThemes.*", QV_KIT_PIXELS=windows(work))
        self.assertEqual(0, run.returncode, run.stdout[-3000:])
        self.assertIn("[  PASSED  ] 1 test", run.stdout)

    def test_warnings_on_what_the_module_takes_but_shows_otherwise(self):
        work = work_folder(self)
        # what, file, size, colours, the warning (None: a plain OK)
        cases = [
            ("standard greys and black", "CLOSEUP", (16, 14), [FACE, SHADOW, (0, 0, 0)], None),
            ("the light grey", "CLOSEUP", (16, 14), [FACE, LIGHT],
             "the light grey (223, 223, 223) follows the colour scheme's 3D light, which may "
             "equal the face grey (192, 192, 192)"),
            ("a grey a step off the light one", "CLOSEUP", (16, 14), [(224, 224, 224)],
             "1 colour(s) outside the 16 standard colours"),
            ("a caption picture a pixel narrow", "MINUP", (15, 14), [FACE],
             "15 x 14 pixels: drawn scaled to 16 x 14"),
            ("the standard Start picture's size", "START", (48, 16), [FACE], None),
            ("a Start picture a pixel wide", "START", (49, 16), [FACE], "49 x 16 pixels: larger"),
            ("a Start picture a pixel high", "START", (48, 17), [FACE], "48 x 17 pixels: larger"),
            ("a file named in small letters", "closeup", (16, 14), [FACE], None),
            ("an extension in small letters", "MINUP.bmp", (16, 14), [FACE], None),
        ]
        files = []
        for i, (what, part, size, colours, _) in enumerate(cases):
            image = Image.new("RGB", size)
            image.putdata([colours[n % len(colours)] for n in range(size[0] * size[1])])
            (work / ("T%d" % i)).mkdir()
            files.append(work / ("T%d" % i) / (part if "." in part else part + ".BMP"))
            image.save(files[-1], "BMP")
        done = kit("check", *(f.parent for f in files), env=ENV)
        # Wine takes a moment: the kit says what it is doing before the verdicts.
        self.assertIn("checking %d file(s) with the module's own code" % len(files), done.stderr)
        lines = done.stdout.splitlines()
        for (what, _, _, _, warning), path in zip(cases, files):
            with self.subTest(what):
                line = next(line for line in lines if line.startswith("%s: " % path))
                if warning:
                    self.assertIn("%s: OK; warning: " % path, line)
                    self.assertIn(warning, line)
                else:
                    self.assertEqual("%s: OK" % path, line)

    def test_check_gives_the_modules_reasons_for_hostile_files(self):
        work = work_folder(self)
        run = module_tests("BitmapFileCheck.RefusesHostileHeaders",
                           QV_HOSTILE_FOLDER=windows(work))
        self.assertEqual(0, run.returncode, run.stdout[-3000:])
        reasons = dict(line.split("\t") for line in
                       (work / "REASONS.TXT").read_text().splitlines())
        self.assertGreater(len(reasons), 30)
        done = kit("check", *sorted(work / name for name in reasons), status=1, env=ENV)
        for name, reason in reasons.items():
            self.assertIn("%s: %s\n" % (work / name / "CLOSEUP.BMP", reason), done.stdout)
            self.assertRegex(done.stdout, r"%s: 1 file\(s\): 0 OK .* 1 refused - REFUSED"
                             % re.escape(str(work / name)))
        # Each in a size folder beside a good picture of its own: the words the module gives for
        # a size folder's picture, which are the same.
        for name in reasons:
            (work / "V" / name / "22X20").mkdir(parents=True)
            shutil.copy(SOURCE / "dist" / "THEMES" / "CLASSIC" / "CLOSEUP.BMP", work / "V" / name)
            shutil.copy(work / name / "CLOSEUP.BMP", work / "V" / name / "22X20")
        done = kit("check", *sorted((work / "V").iterdir()), status=1, env=ENV)
        for name, reason in reasons.items():
            self.assertIn("%s: %s\n" % (work / "V" / name / "22X20" / "CLOSEUP.BMP", reason),
                          done.stdout)
        # disk refuses what check refuses, and writes nothing.
        kit("disk", work / "H01", "-o", work / "disk", status=1, env=ENV)
        self.assertFalse(any((work / "disk").glob("qvthemes.*")))


    def test_a_size_folder_is_checked_as_the_module_takes_it(self):
        theme = work_folder(self) / "SIZED"
        (theme / "22X20").mkdir(parents=True)
        for part in ("CLOSEUP", "MINUP", "MAXUP", "HELPUP", "MINDN", "MAXDN"):
            Image.new("RGB", (16, 14), FACE).save(theme / (part + ".BMP"), "BMP")
        # the picture in 22X20, its size -> its line: the module's words for one it passes over
        cases = [("CLOSEUP", (22, 20), "%s: OK"),
                 ("MINUP", (22, 19), "%s: 22 x 19 pixels, not 22 x 20"),
                 ("MAXUP", (22, 21), "%s: 22 x 21 pixels, not 22 x 20"),
                 ("HELPUP", (21, 20), "%s: 21 x 20 pixels, not 22 x 20"),
                 ("MINDN", (23, 20), "%s: 23 x 20 pixels, not 22 x 20"),
                 ("MAXDN", (16, 14), "%s: 16 x 14 pixels, not 22 x 20"),
                 ("CLOSEDN", (22, 20), "warning: %s: the theme has no CLOSEDN.BMP, so the button "
                                       "is the system's and this picture is never used"),
                 ("START", (22, 20), "warning: %s: the Start picture is shown at its own size"),
                 ("closeup", (22, 20), "%s: a second file for CLOSEUP.BMP, which a Windows disk "
                                       "cannot hold beside CLOSEUP.BMP: keep one")]
        for part, size, _ in cases:
            Image.new("RGB", size, FACE).save(theme / "22X20" / (part + ".BMP"), "BMP")
        (theme / "22x20").mkdir()  # the same folder on a Windows disk
        cases.append(("", None, "%s: a second folder for 22X20, which a Windows disk cannot hold"))
        # Each side 1 to 4 digits, no leading zero, as the module reads a size folder's name.
        for name in ("9999X9", "10000X9", "22X020"):
            (theme / name).mkdir()
            Image.new("RGB", (22, 20), FACE).save(theme / name / "CLOSEUP.BMP", "BMP")
        lines = kit("check", theme, status=1, env=ENV).stdout.splitlines()
        for part, _, line in cases:
            with self.subTest(part):
                path = theme / "22X20" / (part + ".BMP") if part else theme / "22x20"
                self.assertEqual([line % path], [n[:len(line % path)] for n in lines
                                                 if "%s: " % path in n])
        self.assertIn("%s: 22 x 20 pixels, not 9999 x 9" % (theme / "9999X9" / "CLOSEUP.BMP"),
                      lines)
        for name in ("10000X9", "22X020"):
            self.assertIn("warning: %s: not a theme file" % (theme / name), "\n".join(lines))
        self.assertEqual("%s: 13 file(s): 7 OK (0 with warnings), 6 refused - REFUSED" % theme,
                         lines[-1])


class WinePrefix(unittest.TestCase):
    def test_the_users_prefix_else_one_of_the_kits_own_in_the_build(self):
        own = str(Path.cwd() / "b" / "kit-wine")
        cases = [  # the caller's settings -> WINEPREFIX, WINEARCH
            ({}, own, "win32"),
            ({"WINEPREFIX": ""}, own, "win32"),
            ({"WINEPREFIX": "/home/u/.wine"}, "/home/u/.wine", None),
            ({"WINEPREFIX": "/p", "WINEARCH": "win64"}, "/p", "win64"),
        ]
        for environ, prefix, arch in cases:
            with self.subTest(environ=environ):
                env = checker_env(Path("b/tools/qvcheck.exe"), environ)
                self.assertEqual((prefix, arch), (env["WINEPREFIX"], env.get("WINEARCH")))
