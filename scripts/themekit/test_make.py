"""make as an author uses it: what it refuses (and leaves nothing behind), the last sizes and
names it takes, and a part left out."""
import os
import stat
import unittest

from PIL import Image

from .fit import fit_picture
from .testing import (assert_same_picture, framed, kit, picture, random_picture,
                      work_folder)


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
            # Sizes: a sheet drawn for one must have its cells; a fitted one holds the picture.
            ("a size's sheet of larger cells", lambda: self.sheet((115, 63)) and [
                "sheet.png", "T", "--sheet", "22x20=odd.png"],
             "odd.png is 115 x 63 pixels; a sheet of 22 x 20 cells is 110 x 60 (five columns: "
             "Help, Minimize, Restore, Maximize, Close; three rows: up, down, disabled). It is "
             "given as the sheet of 22 x 20 pictures (--sheet 22x20="),
            ("a size's sheet a pixel narrow", lambda: self.sheet((109, 60)) and [
                "sheet.png", "T", "--sheet", "22x20=odd.png"], "its width, 109, does not split"),
            ("a size a pixel narrower than the picture", lambda: ["sheet.png", "T", "--sizes",
                                                                 "22x20,15x14"],
             "CLOSEUP (Close button up): 16 x 14 pixels do not fit 15 x 14"),
            ("a size a pixel lower than the picture", lambda: ["sheet.png", "T", "--sizes",
                                                              "16x13"], "do not fit 16 x 13"),
            ("a size whose folder needs 9 characters", lambda: ["sheet.png", "T", "--sizes",
                                                               "1000x100,1000x1000"],
             "1000 x 1000: its size folder's name, 1000X1000, is longer than the 8"),
            ("an output folder that is a file", lambda: (self.work / "file").write_text("x")
             and ["sheet.png", "T", "-o", "file"], "file: cannot be made a folder for the output"),
        ]
        for what, arguments, message in cases:
            with self.subTest(what):
                for stale in self.folder.iterdir():
                    stale.unlink()
                args = arguments()
                output = [] if "-o" in args else ["-o", self.out]
                done = kit("make", self.work / args[0], *args[1:], *output, status=1,
                           cwd=self.work)
                self.assertIn(message, done.stderr)
                self.assertEqual([], list(self.out.iterdir()), "something was left behind")

    def test_boundaries_accepted(self):
        picture((1024, 1)).save(self.folder / "start.png")
        picture((17, 14)).save(self.folder / "MINUP.bmp")
        for name in ("12345678", "my-th_1"):
            kit("make", self.folder, name, "-o", self.out, "--any-size")
            self.assertEqual(["MINUP.BMP", "START.BMP"],
                             sorted(p.name for p in (self.out / name.upper()).iterdir()))
        # Replacing a theme takes --force: without, the old one stays and the user is told how.
        (self.folder / "MINUP.bmp").unlink()
        random_picture((16, 14), "new").save(self.folder / "closeup.png")
        theme = self.out / "MY-TH_1"
        done = kit("make", self.folder, "my-th_1", "-o", self.out, "--any-size", status=1)
        self.assertIn("--force", done.stderr)
        self.assertEqual(["MINUP.BMP", "START.BMP"], sorted(p.name for p in theme.iterdir()))
        kit("make", self.folder, "my-th_1", "-o", self.out, "--force")
        self.assertEqual(["CLOSEUP.BMP", "START.BMP"], sorted(p.name for p in theme.iterdir()))
        picture((90, 48)).save(self.work / "big.png")
        kit("make", self.work / "big.png", "T", "--cell", "18x16", "--any-size", "-o", self.out)
        with Image.open(self.out / "T" / "CLOSEUP.BMP") as made:
            self.assertEqual((18, 16), made.size)
        # The picture's own size fitted, and a size's sheet of its cells: each cell as drawn
        # (the rest fitted), a transparent one left to the module.
        drawn = random_picture((110, 60), "22x20").convert("RGBA")
        drawn.paste((0, 0, 0, 0), (66, 0, 88, 20))  # Maximize, up
        drawn.save(self.work / "drawn.png")
        random_picture((80, 42), "own").save(self.work / "own.png")
        kit("make", self.work / "own.png", "S", "--sizes", "16x14,22X20", "--sheet",
            "22x20=drawn.png", "-o", self.out, cwd=self.work)
        with Image.open(self.out / "S" / "16X14" / "MINUP.BMP") as fitted:
            assert_same_picture(random_picture((80, 42), "own").crop((16, 0, 32, 14)), fitted,
                                "a fit at its own size")
        for part, cell in [("CLOSEUP", (88, 0)), ("MINDIS", (22, 40))]:
            with Image.open(self.out / "S" / "22X20" / (part + ".BMP")) as made:
                assert_same_picture(drawn.crop(cell + (cell[0] + 22, cell[1] + 20)), made, part)
        self.assertTrue((self.out / "S" / "22X20" / "MAXUP.BMP").is_file(), "not fitted")

    def test_a_glyph_touching_the_inside_grows_by_the_whole_factor(self):
        """The module's fit: the frame lengthened, the inside k times over and centred with the
        face around it, so that a glyph on the inside's edge keeps its shape: a Maximize box
        on the first row inside the bevel, and pressed, on its last row and column."""
        def box(dx, dy):
            return lambda x, y: (0 <= x - dx <= 9 and 0 <= y - dy <= 8 and
                                 (y - dy <= 1 or y - dy == 8 or x - dx in (0, 9)))
        for (dx, dy), slot, k, (left, top) in [((3, 2), (22, 20), 1, (5, 5)),
                                              ((4, 3), (22, 20), 1, (5, 5)),
                                              ((3, 2), (28, 26), 2, (2, 3)),
                                              ((4, 3), (31, 25), 2, (3, 2))]:
            with self.subTest(glyph=(dx, dy), slot=slot):
                glyph = box(dx, dy)
                grown = framed(slot, lambda x, y: left <= x < left + 12 * k and
                               top <= y < top + 10 * k and
                               glyph(2 + (x - left) // k, 2 + (y - top) // k))
                assert_same_picture(grown, fit_picture(framed((16, 14), glyph), slot))

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
