"""The bitmap files make writes: the nearest standard colour for each pixel, the button greys
kept, the 40-byte header at 4 bits, and a picture's own colours at 256."""
import unittest

from PIL import Image

from .bitmaps import FACE
from .testing import assert_same_picture, kit, work_folder


class Bitmaps(unittest.TestCase):
    def test_colours_go_to_the_nearest_standard_one_and_greys_stay(self):
        work = work_folder(self)
        folder = work / "pictures"
        folder.mkdir()
        # drawn -> written: near greys, a transparent pixel, a near red, and the light grey.
        cases = [((190, 190, 190, 255), FACE), ((0, 0, 0, 0), FACE),
                 ((200, 30, 30, 255), (255, 0, 0)), ((224, 224, 224, 255), (223, 223, 223)),
                 ((130, 126, 129, 255), (128, 128, 128)), ((255, 255, 255, 255), (255, 255, 255))]
        drawn = Image.new("RGBA", (16, 14))
        drawn.putdata([cases[i % len(cases)][0] for i in range(16 * 14)])
        drawn.save(folder / "closeup.png")
        kit("make", folder, "T", "-o", work)
        path = work / "T" / "CLOSEUP.BMP"
        data = path.read_bytes()
        self.assertEqual((40, 4, 0), (data[14], data[28], data[30]))  # header, depth, BI_RGB
        expected = Image.new("RGB", (16, 14))
        expected.putdata([cases[i % len(cases)][1] for i in range(16 * 14)])
        with Image.open(path) as written:
            assert_same_picture(expected, written)
        # 256 colours: the picture's own, and a word on what a 256-colour display does.
        Image.new("RGB", (16, 14), (214, 38, 38)).save(folder / "closeup.png")
        done = kit("make", folder, "T256", "--colours", "256", "-o", work)
        self.assertIn("256-colour display", done.stderr)
        path = work / "T256" / "CLOSEUP.BMP"
        self.assertEqual(8, path.read_bytes()[28])
        with Image.open(path) as written:
            assert_same_picture(Image.new("RGB", (16, 14), (214, 38, 38)), written)
