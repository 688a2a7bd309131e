"""make as an author uses it: what it refuses (and leaves nothing behind), the last sizes and
names it takes, and a part left out."""
import os
import stat
import unittest

from PIL import Image

from .testing import kit, picture, work_folder


class Make(unittest.TestCase):
    def setUp(self):
        self.work = work_folder(self)
        self.out = self.work / "out"
        self.out.mkdir()
        self.folder = self.work / "pictures"
        self.folder.mkdir()
        picture((80, 42)).save(self.work / "sheet.png")

    def sheet(self, size):
        """The arguments for a sheet of that size."""
        picture(size).save(self.work / "odd.png")
        return ["odd.png", "T"]

    def test_refusals_say_why_and_leave_nothing(self):
        cases = [
            ("nine letters", lambda: ["sheet.png", "ABCDEFGHI"], "is not a theme name"),
            ("a space", lambda: ["sheet.png", "MY THEME"], "is not a theme name"),
            ("a dot", lambda: ["sheet.png", "A.B"], "is not a theme name"),
            ("no name", lambda: ["sheet.png", ""], "is not a theme name"),
            ("a DOS device", lambda: ["sheet.png", "lpt1"], "DOS device"),
            ("a sheet a pixel wide", lambda: self.sheet((81, 42)),
             "81 x 42 pixels: its width, 81, does not split into five columns (Help, Minimize, "
             "Restore, Maximize, Close). A sheet is five cells wide and three high: 80 x 42 for "
             "cells of 16 x 14"),
            ("a sheet a pixel high", lambda: self.sheet((80, 43)),
             "80 x 43 pixels: its height, 43, does not split into three rows (up, down, "
             "disabled)."),
            ("a sheet a pixel short both ways", lambda: self.sheet((79, 41)),
             "its width, 79, does not split into five columns (Help, Minimize, Restore, "
             "Maximize, Close) and its height, 41, does not split into three rows"),
            ("a sheet of other cells", lambda: self.sheet((85, 45)),
             "is 85 x 45 pixels; a sheet of 16 x 14 cells is 80 x 42 (five columns"),
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

    def test_the_theme_gets_the_users_usual_access(self):
        for mask in (0o022, 0o002, 0o077):
            with self.subTest(umask=oct(mask)):
                old = os.umask(mask)
                try:
                    kit("make", self.work / "sheet.png", "M%o" % mask, "-o", self.out)
                finally:
                    os.umask(old)
                theme = self.out / ("M%o" % mask)
                for path, full in [(theme, 0o777), (theme / "CLOSEUP.BMP", 0o666)]:
                    self.assertEqual(oct(full & ~mask), oct(stat.S_IMODE(path.stat().st_mode)),
                                     path)
