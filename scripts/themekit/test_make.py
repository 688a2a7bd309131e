"""make as an author uses it: what it refuses (and leaves nothing behind), the last sizes and
names it takes, and a part left out."""
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
