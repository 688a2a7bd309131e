"""check through the module's own code under the test run's Wine: the module's reasons for the
bitmap-file table's hostile files, and the round trip from pictures to the module's loader."""
import re
import subprocess
import unittest

from PIL import Image

from .bitmaps import FACE
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
        for i, part in enumerate(["closeup", "MINDIS", "HelpDn", "start"]):
            image = random_picture((48, 16) if part == "start" else (16, 14), i)
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
        for source, name in [(pictures, "folder"), (SOURCE / "docs/example/sheet.png", "sheet")]:
            kit("make", source, name, "-o", work / "made")
        done = kit("check", work / "made" / "FOLDER", work / "made" / "SHEET", env=ENV)
        self.assertEqual(4 + 14 + 2, len(done.stdout.splitlines()))
        for (theme, part), image in drawn.items():
            (work / "drawn" / theme).mkdir(parents=True, exist_ok=True)
            image.save(work / "drawn" / theme / (part + ".PPM"))
        # The loader runs under Windows 95's rules there.
        run = module_tests("KitThemes.*", QV_KIT_PIXELS=windows(work))
        self.assertEqual(0, run.returncode, run.stdout[-3000:])
        self.assertIn("[  PASSED  ] 1 test", run.stdout)

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
        # disk refuses what check refuses, and writes nothing.
        kit("disk", work / "H01", "-o", work / "disk", status=1, env=ENV)
        self.assertFalse(any((work / "disk").glob("qvthemes.*")))
