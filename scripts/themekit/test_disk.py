"""disk: a floppy image, the same bytes from the same themes, the size folders carried and
installed, and a theme a Windows disk cannot hold refused."""
import hashlib
import os
import shutil
import unittest
import zipfile

from .testing import SOURCE, kit, wine_env, work_folder

ENV = wine_env()


class Disk(unittest.TestCase):
    def test_disk_is_a_floppy_and_the_same_bytes_twice(self):
        work = work_folder(self)
        outputs = []
        for run, umask in (("one", 0o022), ("two", 0o077)):  # the second as a private user's
            umask = os.umask(umask)
            try:
                kit("disk", SOURCE / "dist" / "THEMES" / "CLASSIC", "-o", work / run, env=ENV)
            finally:
                os.umask(umask)
            outputs.append({n: hashlib.sha256((work / run / n).read_bytes()).hexdigest()
                            for n in ("qvthemes.img", "qvthemes.iso", "qvthemes.zip")})
        self.assertEqual(outputs[0], outputs[1])
        floppy = (work / "one" / "qvthemes.img").read_bytes()
        self.assertEqual(1474560, len(floppy))
        self.assertEqual(b"FAT12   ", floppy[54:62])
        # Each size folder on the disk, and THEMES.INF installing it from copies of its own.
        with zipfile.ZipFile(work / "one" / "qvthemes.zip") as disk:
            names = set(disk.namelist())
            inf = disk.read("THEMES.INF").decode("ascii")
        for place, size in [(1, "22X20"), (2, "28X26")]:
            with self.subTest(size):
                self.assertLessEqual({"QVTHEMES/CLASSIC/%s/CLOSEUP.BMP" % size,
                                      "SETUP/CLASSIC.%d01" % place}, names)
                self.assertIn("Theme1Size%d=11,QVTHEMES\\CLASSIC\\%s\r\n" % (place, size), inf)
                self.assertIn("[Theme1Size%d]\r\nCLOSEUP.BMP,CLASSIC.%d01\r\n" % (place, place),
                              inf)
        self.assertEqual(14 + 2 * 13, len([n for n in names if n.startswith("SETUP/")]))
        # The size folder's place is one digit of the setup names: nine size folders, not ten.
        for count, status in [(9, 0), (10, 1)]:
            kit("make", SOURCE / "docs" / "example" / "sheet.png", "S%d" % count, "--sizes",
                ",".join("%dx14" % w for w in range(16, 16 + count)), "-o", work)
            done = kit("disk", work / ("S%d" % count), "-o", work / "sized", status=status,
                       env=ENV)
        self.assertIn("S10: 10 size folders; a theme on a disk has at most 9", done.stderr)
        with zipfile.ZipFile(work / "sized" / "qvthemes.zip") as disk:
            self.assertIn("SETUP/S9.913", disk.namelist())
        # Two files that a Windows disk takes for one: check and disk refuse the folder.
        twice = work / "TWICE"
        shutil.copytree(SOURCE / "dist" / "THEMES" / "CLASSIC", twice)
        shutil.copy(twice / "CLOSEUP.BMP", twice / "closeup.bmp")
        done = kit("disk", twice, "-o", work / "three", status=1, env=ENV)
        self.assertIn("closeup.bmp: a second file for CLOSEUP.BMP", done.stderr)
        self.assertFalse((work / "three").exists())
