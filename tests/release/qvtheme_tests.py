"""The theme kit (scripts/qvtheme.py) as an author uses it, under the test run's Wine prefix.

usage: qvtheme_tests.py SOURCE BUILD WINE-STATE
"""
import os
import random
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest
from pathlib import Path

from PIL import Image

SOURCE, BUILD, STATE = (Path(a) for a in sys.argv[1:4])
KIT = SOURCE / "scripts" / "qvtheme.py"
FACE = (192, 192, 192)
STANDARD = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
            (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
            (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
            (223, 223, 223)]


def wine_env():
    env = dict(os.environ)
    for line in (STATE / "env").read_text().splitlines():
        name, _, value = line.removeprefix("export ").partition("=")
        env[name] = shlex.split(value)[0] if value else ""
    return env


ENV = wine_env()


def kit(*args, status=0):
    """Runs the kit, which must end with status."""
    done = subprocess.run([sys.executable, str(KIT), "--build", str(BUILD)] + [str(a) for a in args],
                          capture_output=True, text=True, env=ENV)
    if done.returncode != status:
        raise AssertionError("exit status %d: %s" % (done.returncode, done.stdout + done.stderr))
    return done


def windows(path):
    return "Z:" + str(path).replace("/", "\\")


def picture(size, colour=(0, 0, 0, 255)):
    return Image.new("RGBA", size, colour)


def random_picture(size, seed):
    """A picture of 16 of the standard colours and the light grey (which then takes black's
    place in the table), different for each seed."""
    rng = random.Random(seed)
    image = Image.new("RGB", size)
    image.putdata([rng.choice(STANDARD[1:]) for _ in range(size[0] * size[1])])
    return image


class Make(unittest.TestCase):
    def setUp(self):
        self.work = Path(tempfile.mkdtemp())
        self.out = self.work / "out"
        self.out.mkdir()
        self.folder = self.work / "pictures"
        self.folder.mkdir()
        picture((80, 42)).save(self.work / "sheet.png")

    def test_refusals_say_why_and_leave_nothing(self):
        cases = [
            ("nine letters", lambda: ["sheet.png", "ABCDEFGHI"], "is not a theme name"),
            ("a space", lambda: ["sheet.png", "MY THEME"], "is not a theme name"),
            ("a dot", lambda: ["sheet.png", "A.B"], "is not a theme name"),
            ("no name", lambda: ["sheet.png", ""], "is not a theme name"),
            ("a DOS device", lambda: ["sheet.png", "lpt1"], "DOS device"),
            ("a sheet a pixel wide", lambda: picture((81, 42)).save(self.work / "wide.png")
             or ["wide.png", "T"], "is 81 x 42 pixels; a sheet of 16 x 14 cells is 80 x 42"),
            ("another cell without --any-size", lambda: picture((90, 48)).save(
                self.work / "big.png") or ["big.png", "T", "--cell", "18x16"], "18 x 16 pixels"),
            ("an unreadable picture", lambda: (self.folder / "closeup.png").write_text("no")
             and ["pictures", "T"], "not a picture this kit can read"),
            ("a caption picture 17 x 14", lambda: picture((17, 14)).save(
                self.folder / "MINUP.bmp") or ["pictures", "T"], "17 x 14 pixels"),
            ("a Start picture 1025 wide", lambda: picture((1025, 1)).save(
                self.folder / "start.png") or ["pictures", "T"], "at most 1024 pixels a side"),
            ("no part at all", lambda: ["pictures", "T"], "no picture of any part"),
        ]
        for what, arguments, message in cases:
            with self.subTest(what):
                for stale in self.folder.iterdir():
                    stale.unlink()
                args = arguments()
                done = kit("make", self.work / args[0], *args[1:], "-o", self.out, status=1)
                self.assertIn(message, done.stderr)
                self.assertEqual([], list(self.out.iterdir()), "something was left behind")

    def test_boundaries_accepted(self):
        picture((1024, 1)).save(self.folder / "start.png")
        picture((17, 14)).save(self.folder / "MINUP.bmp")
        for name in ("12345678", "my-th_1"):
            kit("make", self.folder, name, "-o", self.out, "--any-size")
            self.assertEqual(["MINUP.BMP", "START.BMP"],
                             sorted(p.name for p in (self.out / name.upper()).iterdir()))
        picture((90, 48)).save(self.work / "big.png")
        kit("make", self.work / "big.png", "T", "--cell", "18x16", "--any-size", "-o", self.out)
        with Image.open(self.out / "T" / "CLOSEUP.BMP") as made:
            self.assertEqual((18, 16), made.size)

    def test_a_missing_part_is_left_to_the_system_with_a_warning(self):
        sheet = picture((80, 42))
        sheet.paste((0, 0, 0, 0), (64, 14, 80, 28))  # Close, down: transparent
        sheet.save(self.work / "sheet.png")
        done = kit("make", self.work / "sheet.png", "gaps", "-o", self.out)
        self.assertIn("no picture for CLOSEDN (Close button down)", done.stderr)
        made = sorted(p.name for p in (self.out / "GAPS").iterdir())
        self.assertEqual(12, len(made))
        self.assertNotIn("CLOSEDN.BMP", made)

    def test_colours_go_to_the_nearest_standard_one_and_greys_stay(self):
        # drawn -> written: near greys, a transparent pixel, a near red, and the light grey.
        cases = [((190, 190, 190, 255), FACE), ((0, 0, 0, 0), FACE),
                 ((200, 30, 30, 255), (255, 0, 0)), ((224, 224, 224, 255), (223, 223, 223)),
                 ((130, 126, 129, 255), (128, 128, 128)), ((255, 255, 255, 255), (255, 255, 255))]
        drawn = Image.new("RGBA", (16, 14), (0, 0, 0, 255))
        drawn.putdata([cases[i % len(cases)][0] for i in range(16 * 14)])
        drawn.save(self.folder / "closeup.png")
        kit("make", self.folder, "T", "-o", self.out)
        path = self.out / "T" / "CLOSEUP.BMP"
        data = path.read_bytes()
        self.assertEqual((40, 4, 0), (data[14], data[28], data[30]))  # header, depth, BI_RGB
        written = list(Image.open(path).convert("RGB").getdata())
        self.assertEqual([cases[i % len(cases)][1] for i in range(16 * 14)], written)
        # 256 colours: the picture's own, and a word on what a 256-colour display does.
        Image.new("RGB", (16, 14), (214, 38, 38)).save(self.folder / "closeup.png")
        done = kit("make", self.folder, "T256", "--colours", "256", "-o", self.out)
        self.assertIn("256-colour display", done.stderr)
        path = self.out / "T256" / "CLOSEUP.BMP"
        self.assertEqual(8, path.read_bytes()[28])
        self.assertEqual((214, 38, 38), Image.open(path).convert("RGB").getpixel((0, 0)))

    def test_preview_draws_the_pictures_at_the_zoom(self):
        for part in ("closeup", "start"):
            random_picture((48, 16) if part == "start" else (16, 14), part).save(
                self.folder / (part + ".png"))
        kit("make", self.folder, "T", "-o", self.out)
        for zoom in (1, 2):
            kit("preview", self.out / "T", self.work / ("z%d.png" % zoom), "--zoom", zoom)
        one, two = (Image.open(self.work / name).convert("RGB") for name in ("z1.png", "z2.png"))
        self.assertEqual(list(one.resize(two.size, Image.Resampling.NEAREST).getdata()),
                         list(two.getdata()))
        close = one.crop((one.width - 19, 2, one.width - 3, 16))
        self.assertEqual(list(random_picture((16, 14), "closeup").getdata()),
                         list(close.getdata()))
        # The README's worked example shows what its commands make.
        kit("make", SOURCE / "docs" / "example" / "sheet.png", "EXAMPLE", "-o", self.out)
        kit("preview", self.out / "EXAMPLE", self.work / "example.png")
        shown, made = (Image.open(p).convert("RGB") for p in
                       (SOURCE / "docs" / "example" / "preview.png", self.work / "example.png"))
        self.assertEqual(list(shown.getdata()), list(made.getdata()))


class WithTheModule(unittest.TestCase):
    """check and the round trip through the module's own code under Wine."""

    def test_round_trip_through_the_module_loader(self):
        work = Path(tempfile.mkdtemp())
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
        done = kit("check", work / "made" / "FOLDER", work / "made" / "SHEET")
        self.assertEqual(4 + 14 + 2, len(done.stdout.splitlines()))
        for (theme, part), image in drawn.items():
            (work / "drawn" / theme).mkdir(parents=True, exist_ok=True)
            image.save(work / "drawn" / theme / (part + ".PPM"))
        # A copy of the checks set to Windows 95, so the loader runs under that system's rules.
        program = work / "kit_win95.exe"
        shutil.copy(BUILD / "tests" / "release_checks.exe", program)
        subprocess.run(["wine", "reg", "add", r"HKCU\Software\Wine\AppDefaults\kit_win95.exe",
                        "/v", "Version", "/d", "win95", "/f"], env=ENV, capture_output=True)
        run = subprocess.run(["wine", str(program), "--gtest_filter=KitThemes.*"],
                             capture_output=True, text=True,
                             env=dict(ENV, QV_KIT_PIXELS=windows(work)), timeout=120)
        self.assertEqual(0, run.returncode, run.stdout[-3000:])
        self.assertIn("[  PASSED  ] 1 test", run.stdout)

    def test_check_gives_the_modules_reasons_for_hostile_files(self):
        work = Path(tempfile.mkdtemp())
        run = subprocess.run(["wine", str(BUILD / "tests" / "module_tests.exe"),
                              "--gtest_filter=BitmapFileCheck.RefusesHostileHeaders"],
                             capture_output=True, text=True, timeout=120,
                             env=dict(ENV, QV_HOSTILE_FOLDER=windows(work)))
        self.assertEqual(0, run.returncode, run.stdout[-3000:])
        reasons = dict(line.split("\t") for line in
                       (work / "REASONS.TXT").read_text().splitlines())
        self.assertGreater(len(reasons), 30)
        done = kit("check", *sorted(work / name for name in reasons), status=1)
        for name, reason in reasons.items():
            self.assertIn("%s: %s\n" % (work / name / "CLOSEUP.BMP", reason), done.stdout)
            self.assertRegex(done.stdout, r"%s: 1 file\(s\): 0 OK .* 1 refused - REFUSED"
                             % re.escape(str(work / name)))
        # disk refuses what check refuses, and writes nothing.
        kit("disk", work / "H01", "-o", work / "disk", status=1)
        self.assertFalse(any((work / "disk").glob("qvthemes.*")))

    def test_disk_is_a_floppy_and_the_same_bytes_twice(self):
        work = Path(tempfile.mkdtemp())
        outputs = []
        for run in ("one", "two"):
            kit("disk", SOURCE / "dist" / "THEMES" / "CLASSIC", "-o", work / run)
            outputs.append([(work / run / n).read_bytes() for n in
                            ("qvthemes.img", "qvthemes.iso", "qvthemes.zip")])
        self.assertEqual(outputs[0], outputs[1])
        floppy = outputs[0][0]
        self.assertEqual(1474560, len(floppy))
        self.assertEqual(b"FAT12   ", floppy[54:62])
        # Two files that a Windows disk takes for one: check and disk refuse the folder.
        twice = work / "TWICE"
        shutil.copytree(SOURCE / "dist" / "THEMES" / "CLASSIC", twice)
        shutil.copy(twice / "CLOSEUP.BMP", twice / "closeup.bmp")
        done = kit("disk", twice, "-o", work / "three", status=1)
        self.assertIn("closeup.bmp: a second file for CLOSEUP.BMP", done.stderr)
        self.assertFalse((work / "three").exists())


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
