"""preview draws the theme's own pixels, at every zoom the same picture, at other caption sizes
those of the size folder or the module's fit, and the README's worked example as shown there."""
import unittest

from PIL import Image

from .testing import SOURCE, assert_same_picture, framed, kit, random_picture, work_folder


class Preview(unittest.TestCase):
    def test_preview_draws_the_pictures_at_the_zoom(self):
        work = work_folder(self)
        folder = work / "pictures"
        folder.mkdir()
        for part in ("closeup", "closedis", "start"):
            random_picture((48, 16) if part == "start" else (16, 14), part).save(
                folder / (part + ".png"))
        # Minimize: a box on the inside's edge, which at 24 stays as drawn, amid the face.
        framed((16, 14), lambda x, y: 3 <= x <= 12 and 2 <= y <= 11).save(folder / "minup.png")
        kit("make", folder, "T", "-o", work, "--sizes", "22x20")
        # At 24 the size folder's Close button, drawn there, and the module's fit of Minimize.
        sized = work / "T" / "22X20"
        random_picture((22, 20), "sized").save(sized / "CLOSEUP.BMP", "BMP")
        (sized / "MINUP.BMP").unlink()
        fitted = framed((22, 20), lambda x, y: 6 <= x <= 15 and 5 <= y <= 14)
        kit("preview", work / "T", work / "z24.png", "--size", 24, "--zoom", 1)
        at24 = Image.open(work / "z24.png").convert("RGB")
        for what, x, expected in [("Close", 260 - 25, random_picture((22, 20), "sized")),
                                  ("Minimize", 260 - 71, fitted)]:
            assert_same_picture(expected, at24.crop((x, 2, x + 22, 22)), what + " at 24")
        for zoom in (1, 2):
            kit("preview", work / "T", work / ("z%d.png" % zoom), "--zoom", zoom)
        one, two = (Image.open(work / name).convert("RGB") for name in ("z1.png", "z2.png"))
        assert_same_picture(one.resize(two.size, Image.Resampling.NEAREST), two, "at 2x")
        close = one.crop((one.width - 19, 2, one.width - 3, 16))
        assert_same_picture(random_picture((16, 14), "closeup"), close, "the Close button")
        corners = [one.getpixel(p) for p in ((223, 2), (236, 96))]  # the system's MAXUP, CLOSEDN
        self.assertEqual([(255, 255, 255), (0, 0, 0)], corners, "not raised, then pressed")
        assert_same_picture(random_picture((16, 14), "closedis"), one.crop((236, 120, 252, 134)),
                            "the disabled Close button")
        # The standard preview's row for the size folder, below the five others.
        assert_same_picture(random_picture((22, 20), "sized"), one.crop((230, 144, 252, 164)),
                            "the 22X20 row's Close button")
        # The README's worked example shows what its commands make.
        kit("make", SOURCE / "docs" / "example" / "sheet.png", "EXAMPLE", "-o", work)
        kit("preview", work / "EXAMPLE", work / "example.png")
        shown, made = (Image.open(p) for p in
                       (SOURCE / "docs" / "example" / "preview.png", work / "example.png"))
        assert_same_picture(shown, made, "the example's preview")
