"""preview draws the theme's own pixels, at every zoom the same picture, and the README's
worked example as shown there."""
import unittest

from PIL import Image

from .testing import SOURCE, assert_same_picture, kit, random_picture, work_folder


class Preview(unittest.TestCase):
    def test_preview_draws_the_pictures_at_the_zoom(self):
        work = work_folder(self)
        folder = work / "pictures"
        folder.mkdir()
        for part in ("closeup", "start"):
            random_picture((48, 16) if part == "start" else (16, 14), part).save(
                folder / (part + ".png"))
        kit("make", folder, "T", "-o", work)
        for zoom in (1, 2):
            kit("preview", work / "T", work / ("z%d.png" % zoom), "--zoom", zoom)
        one, two = (Image.open(work / name).convert("RGB") for name in ("z1.png", "z2.png"))
        assert_same_picture(one.resize(two.size, Image.Resampling.NEAREST), two, "at 2x")
        close = one.crop((one.width - 19, 2, one.width - 3, 16))
        assert_same_picture(random_picture((16, 14), "closeup"), close, "the Close button")
        # The README's worked example shows what its commands make.
        kit("make", SOURCE / "docs" / "example" / "sheet.png", "EXAMPLE", "-o", work)
        kit("preview", work / "EXAMPLE", work / "example.png")
        shown, made = (Image.open(p) for p in
                       (SOURCE / "docs" / "example" / "preview.png", work / "example.png"))
        assert_same_picture(shown, made, "the example's preview")
