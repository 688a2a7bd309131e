"""import over every theme of Debian's icewm-common, xfwm4 and openbox (fetched into the build at
test time, skipped where no package registry answers), each checked by the module's own check,
and IceWM's win95 look put on in the stand-in desktop beside the system's own buttons; and what
import refuses, on small themes written here."""
import itertools
import os
import shutil
import subprocess
import tarfile
import unittest
import zipfile

from PIL import Image

from . import xpm
from .parts import CAPTION_PARTS
from .report import Refusal
from .testing import (build_folder, kit, main_or_skipped, unpacked_package, windows, wine_env,
                      work_folder)

PICTURES = [name for name, _, _ in CAPTION_PARTS]
BUTTONS = ["CLOSE", "MIN", "MAX", "REST", "HELP"]
WHOLE_PACKAGE = ("This software is released under the GNU Lesser General Public Licence. "
                 "(/usr/share/doc/icewm-common/copyright, for the whole package)")
XFWM4_LICENCE = "GPL (/usr/share/doc/xfwm4/copyright, for themes/%s/*; Copyright "
# IceWM: folder, Look, the licence SOURCE.TXT gives, whether it has a Start picture, and the
# buttons whose own pictures differ from the others' in the two outer lines, where the rest agree
# (metal2's arrows reaching out of their boxes, a Close drawn apart; Help is drawn on the button
# of the plainest outer lines).
ICEWM = [
    ("CrystalBlue", "flat", "GPL (the theme's License line)", True, set()),
    ("Helix", "gtk", WHOLE_PACKAGE, False, {"CLOSE", "MAX", "REST"}),
    ("Infadel2", "pixmap", WHOLE_PACKAGE, True, set()),
    ("NanoBlue", "flat", WHOLE_PACKAGE, True, {"CLOSE"}),
    ("default", "pixmap", WHOLE_PACKAGE, False, {"CLOSE", "MAX", "REST"}),
    ("icedesert", "pixmap", WHOLE_PACKAGE, False, set()),
    ("metal2", "metal", WHOLE_PACKAGE, False, {"CLOSE", "HELP"}),
    ("motif", "motif", WHOLE_PACKAGE, False, set()),
    ("win95", "win95", WHOLE_PACKAGE, False, set()),
]
# xfwm4: folder, its size folders, the copyright stanza of its licence, the buttons as above.
XFWM4 = [
    ("Default", {"22X20": (22, 20), "28X26": (28, 26)}, "default-4.6", set()),
    ("Default-hdpi", {}, "default-4.6", set()),
    ("Default-xhdpi", {}, "default-4.6", set()),
    ("Daloa", {}, "Daloa", set()),
    ("Kokodi", {}, "kokodi", set()),
    ("Moheli", {}, "moheli", {"REST"}),
]
# Openbox: folder, the copyright stanza of its licence, the buttons as above (Breeze's round Close).
OPENBOX = [(name, "GPL-2+ (/usr/share/doc/openbox/copyright, for *;", set()) for name in (
    "Artwiz-boxed", "Bear2", "Clearlooks", "Clearlooks-3.4", "Clearlooks-Olive", "Mikachu",
    "Natura", "Onyx", "Onyx-Citrus", "Orang", "Syscrash")]
OPENBOX += [(name, "GPL-2+ (/usr/share/doc/openbox/copyright, for debian/themes/Nightmare*;",
             set()) for name in ("Nightmare", "Nightmare-01", "Nightmare-02", "Nightmare-03")]
OPENBOX += [("Breeze-ob", "GPL-3+ (/usr/share/doc/openbox/copyright, for "
             "debian/themes/Breeze-ob/*;", {"CLOSE"})]
# The XPM files of the packages this reader refuses, and why: cut short in the package.
REFUSED_XPM = {"usr/share/themes/Default-xhdpi/xfwm4/menu-%s.xpm" % state:
               "line 62: the file ends after 2 of its 2 colours and 57 rows"
               for state in ("active", "inactive", "pressed", "prelight")}


class WholePackages(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.icewm, cls.icewm_deb = unpacked_package("icewm-common")
        cls.xfwm4, cls.xfwm4_deb = unpacked_package("xfwm4")
        cls.openbox, cls.openbox_deb = unpacked_package("openbox")
        cls.work = build_folder() / "import-work"
        shutil.rmtree(cls.work, ignore_errors=True)
        cls.sources = [(cls.icewm / "usr/share/icewm/themes" / row[0], row) for row in ICEWM]
        cls.sources += [(cls.xfwm4 / "usr/share/themes" / row[0], row) for row in XFWM4]
        cls.sources += [(cls.openbox / "usr/share/themes" / row[0], row) for row in OPENBOX]
        cls.made = {}
        for run in ("first", "second"):
            for source, row in cls.sources:
                out = cls.work / run / row[0]  # names cut to 8 letters meet: Nightmare-01, -02
                made = kit("import", source, "-o", out).stderr.rsplit("made ", 1)[1]
                cls.made.setdefault(row[0], []).append(cls.work / made.split(":")[0])

    def theme(self, row):
        return self.made[row[0]][0]

    def test_13_pictures_at_16_x_14_and_the_size_folders(self):
        for _, row in self.sources:
            with self.subTest(row[0]):
                sizes = row[1] if row in XFWM4 else {}
                start = ["START.BMP"] if row in ICEWM and row[3] else []
                self.assertEqual(sorted([p + ".BMP" for p in PICTURES] + start + list(sizes) + [
                    "SOURCE.TXT"]), sorted(p.name for p in self.theme(row).iterdir()))
                for folder, size in [("", (16, 14))] + list(sizes.items()):
                    for part in PICTURES:
                        with Image.open(self.theme(row) / folder / (part + ".BMP")) as made:
                            self.assertEqual(size, made.size, (folder, part))

    def test_check_passes_every_theme(self):
        themes = [self.theme(row) for _, row in self.sources]
        lines = kit("check", *themes, env=wine_env()).stdout.splitlines()
        self.assertEqual([], [line for line in lines if "SOURCE.TXT" in line])  # the theme's note
        for theme in themes:
            summary = next(line for line in lines if line.startswith("%s: " % theme) and
                           "file(s)" in line)
            self.assertRegex(summary, r": (\d+) file\(s\): \1 OK .* 0 refused$")

    def test_up_differs_from_down_and_the_glyphs_keep_inside_the_bevel(self):
        for _, row in self.sources:
            sizes = [""] + list(row[1]) if row in XFWM4 else [""]
            for folder in sizes:
                with self.subTest(row[0], size=folder):
                    up = {b: Image.open(self.theme(row) / folder / (b + "UP.BMP")).convert("RGB")
                          for b in BUTTONS}
                    for button in BUTTONS:
                        with Image.open(self.theme(row) / folder / (button + "DN.BMP")) as down:
                            self.assertTrue(up[button].tobytes() != down.convert("RGB").tobytes(),
                                            "%s: up and down are the same" % button)
                    # Buttons differ in their glyphs alone: nowhere in the two outer lines.
                    w, h = up["CLOSE"].size
                    edge = [(x, y) for y in range(h) for x in range(w)
                            if not (2 <= x < w - 2 and 2 <= y < h - 2)]
                    for a, b in itertools.combinations(sorted(set(BUTTONS) - row[-1]), 2):
                        self.assertEqual([], [p for p in edge if up[a].getpixel(p) !=
                                              up[b].getpixel(p)], (a, b))

    def test_a_second_run_gives_the_same_bytes(self):
        for name, (first, second) in self.made.items():
            files = sorted(p.relative_to(first) for p in first.rglob("*") if p.is_file())
            self.assertEqual(files, sorted(p.relative_to(second) for p in second.rglob("*")
                                           if p.is_file()), name)
            for path in files:
                self.assertEqual((first / path).read_bytes(), (second / path).read_bytes(),
                                 "%s/%s" % (name, path))

    def test_source_txt_names_package_folder_and_licence(self):
        version = {deb.split("_")[0]: deb.split("_")[1] for deb in (
            self.icewm_deb, self.xfwm4_deb, self.openbox_deb)}
        for _, row in self.sources:
            with self.subTest(row[0]):
                note = (self.theme(row) / "SOURCE.TXT").read_bytes().decode("cp1252")
                lines = note.split("\r\n")
                if row in ICEWM:
                    want = ["Package: icewm-common " + version["icewm-common"],
                            "Folder: /usr/share/icewm/themes/%s/default.theme" % row[0],
                            "Licence: " + row[2]]
                    self.assertIn("(Look=%s)" % row[1], lines[0])
                elif row in OPENBOX:
                    want = ["Package: openbox " + version["openbox"],
                            "Folder: /usr/share/themes/%s" % row[0], "Licence: " + row[1]]
                    lines[3] = lines[3][:len(want[2])]
                else:
                    siblings = ["Default-hdpi", "Default-xhdpi"] if row[0] == "Default" else []
                    want = ["Package: xfwm4 " + version["xfwm4"], "Folder: " + ", ".join(
                        "/usr/share/themes/" + f for f in [row[0]] + siblings)]
                    self.assertTrue(lines[3].startswith("Licence: " + XFWM4_LICENCE % row[2]),
                                    lines[3])
                self.assertEqual(want, [lines[1], lines[2]] + lines[3:3 + (len(want) > 2)])
                self.assertIn("Imported themes keep their authors' licences", note)

    def test_an_archive_gives_the_folders_theme(self):
        work = work_folder(self)
        folder = self.icewm / "usr/share/icewm/themes/win95"
        with tarfile.open(work / "win95.tar.xz", "w:xz") as archive:
            archive.add(folder, "win95")
        shutil.make_archive(str(work / "win95"), "zip", folder.parent, "win95")
        for name in ("win95.tar.xz", "win95.zip"):
            kit("import", work / name, "-o", work / name.replace(".", "-"))
            made = work / name.replace(".", "-") / "WIN95"
            for part in PICTURES:
                self.assertEqual((self.theme(ICEWM[-1]) / (part + ".BMP")).read_bytes(),
                                 (made / (part + ".BMP")).read_bytes(), (name, part))
            self.assertIn("\r\nFolder: %s: win95/default.theme\r\n" % name,
                          (made / "SOURCE.TXT").read_bytes().decode("cp1252"))

    def test_every_xpm_of_the_packages_reads(self):
        counts = {}
        for root in (self.icewm, self.xfwm4):
            for path in sorted(root.rglob("*.xpm")):
                name = path.relative_to(root).as_posix()
                try:
                    xpm.open_xpm(path)
                    counts[root] = counts.get(root, 0) + 1
                except Refusal as refusal:
                    self.assertIn(name, REFUSED_XPM, str(refusal))
                    self.assertIn(REFUSED_XPM[name], str(refusal))
        themes = sum(1 for p in self.icewm.rglob("*.xpm") if "usr/share/icewm/" in p.as_posix())
        print("XPM files read: %d in icewm-common (%d of them IceWM's own), %d in xfwm4 (%d "
              "refused)" % (counts[self.icewm], themes, counts[self.xfwm4], len(REFUSED_XPM)))
        self.assertEqual((516, 514, 347), (counts[self.icewm], themes, counts[self.xfwm4]))

    def test_win95_stands_beside_the_systems_own_buttons(self):
        report = work_folder(self) / "standin.txt"
        env = dict(wine_env(), QV_MODULE=windows(build_folder() / "qvshell.cpl"),
                   QV_STANDIN=str(build_folder() / "tests" / "qvdesktop_win98.exe"),
                   QV_IMPORTED_THEME=windows(self.theme(ICEWM[-1])),
                   QV_IMPORTED_REPORT=windows(report))
        run = subprocess.run(["wine", str(build_folder() / "tests" / "e2e_tests_win98.exe"),
                              "--gtest_filter=ImportedTheme.*"], capture_output=True, text=True,
                             timeout=240, env=env)
        self.assertEqual(0, run.returncode, run.stdout[-3000:])
        counts = {line.split("\t")[0]: [int(n) for n in line.split("\t")[1:]]
                  for line in report.read_text().splitlines()}
        self.assertEqual(PICTURES, list(counts))
        print("win95 beside the system's own, pixels differing of %d: %s" % (16 * 14, ", ".join(
            "%s %d" % (name, counts[name][0]) for name in PICTURES)))
        # The bevel is the system's own, pixel for pixel, but where the system's disabled glyph
        # spills its white into the inner line (Minimize's and Maximize's); the glyphs are the
        # theme's.
        spilled = {"MINDIS", "MAXDIS"}
        self.assertEqual({name: [0, 0] for name in PICTURES}, {
            name: [outer, 0 if name in spilled else inner]
            for name, (_, outer, inner) in counts.items()})
        for name in ("CLOSEUP", "MINUP", "MAXUP"):
            self.assertGreater(counts[name][0], 0, name)


class Refusals(unittest.TestCase):
    def test_what_import_refuses_says_why_and_leaves_nothing(self):
        work = work_folder(self)
        glyph = '/* XPM */\nstatic char *g[] = {\n"2 1 2 1",\n". c #000",\n"  c None",\n". "};'
        theme = work / "t"
        theme.mkdir()
        for name in ("close", "minimize", "maximize", "restore"):
            (theme / (name + ".xpm")).write_text(glyph)
        (work / "two").mkdir()
        (work / "ob" / "openbox-3").mkdir(parents=True)
        (work / "ob" / "openbox-3" / "themerc").write_text("window.active.button.*.bg: flat\n")
        (work / "ob" / "openbox-3" / "close.xbm").write_text("#define close_width 8\n")
        cases = [  # what, the folder's default.theme (None: none), the source, the refusal
            ("no theme in it", None, work / "two", "not an IceWM theme (no .theme file), an"),
            ("an Openbox mask beyond reading", None, work / "ob", "close.xbm: not an X bitmap"),
            ("a look unknown", "Look=fancy", theme, "Look=fancy is none the kit knows"),
            ("an include missing", "Look=win95\ninclude \"gone.theme\"", theme,
             "default.theme: line 2: the included %s is not a file" % (theme / "gone.theme")),
            ("an include of itself", "include \"default.theme\"", theme, "includes deep"),
            ("a glyph beyond the reader", "Look=win95", theme, "close.xpm: line 3: 5 characters"),
            ("an archive reaching out", "Look=win95", work / "out.tar.gz", "a name outside"),
            ("an archive of two themes", "Look=win95", work / "two.zip", "holds several themes"),
        ]
        for what, settings, source, message in cases:
            with self.subTest(what):
                (theme / "default.theme").unlink(missing_ok=True)
                if settings:
                    (theme / "default.theme").write_text(settings)
                (theme / "close.xpm").write_text(glyph.replace("1\",", "5\",", 1)
                                                 if "reader" in what else glyph)
                with tarfile.open(work / "out.tar.gz", "w:gz") as archive:
                    archive.add(theme, "../t")
                with zipfile.ZipFile(work / "two.zip", "w") as archive:
                    for path in theme.iterdir():
                        for copy in ("a", "b"):
                            archive.write(path, "%s/%s" % (copy, path.name))
                done = kit("import", source, "-o", work / "made", status=1)
                self.assertIn(message, done.stderr)
                self.assertFalse(os.path.exists(work / "made") and os.listdir(work / "made"))


if __name__ == "__main__":
    main_or_skipped()
