"""The kit's XPM reader on the cases that defeat Pillow, each a small file written here, and its
refusals, which name the file and the line."""
import unittest
from unittest import mock

from . import xpm
from .report import Refusal
from .testing import work_folder

RED, NONE, GREY = (255, 0, 0, 255), (0, 0, 0, 0), (192, 192, 192, 255)
HEAD = '/* XPM */\nstatic char *t[] = {\n'


class Reader(unittest.TestCase):
    def read(self, name, text, symbols=None):
        path = work_folder(self) / name
        path.write_bytes(text.encode("latin-1"))
        return list(xpm.open_xpm(path, symbols).getdata()), path

    def test_what_it_reads(self):
        # what, the file, the pixels row by row
        cases = [
            ("leading spaces in the header, a tab after the key", HEAD +
             '"    2    1    2    1",\n".\tc #FF0000",\n"  c None",\n". "};', [RED, NONE]),
            ("two characters a pixel, a space in a key", HEAD +
             '"2 1 2 2",\n"  c None",\n"a. c #ff0000",\n"a.  "};', [RED, NONE]),
            ("four characters a pixel", HEAD +
             '"2 1 2 4",\n"abcd c #f00",\n"    c none",\n"    abcd"};', [NONE, (240, 0, 0, 255)]),
            ("X11 names, of several words and any case", HEAD +
             '"3 1 3 1",\n"a c light grey",\n"b c LightGrey",\n"c c RED",\n"abc"};',
             [(211, 211, 211, 255)] * 2 + [RED]),
            # The digits given are the high ones, as X reads them: #ccc is 192, not 204.
            ("#RGB, #RRGGBB, #RRRGGGBBB and #RRRRGGGGBBBB", HEAD +
             '"4 1 4 1",\n"a c #ccc",\n"b c #C0c0C0",\n"c c #fffc00800",\n'
             '"d c #FFFF00008000",\n"abcd"};', [GREY, GREY, (255, 192, 128, 255),
                                                (255, 0, 128, 255)]),
            ("the keys m, g4, g alone; c ahead of them", HEAD +
             '"4 1 4 1",\n"a m black",\n"b g4 #ff0000",\n"c g white m black",\n'
             '"d m black c red",\n"abcd"};', [(0, 0, 0, 255), RED, (255,) * 4, RED]),
            ("comments, a hotspot, extension lines", HEAD +
             '/* values */\n"1 2 1 1 0 0 XPMEXT",\n/* colors */\n". c red",\n/* pixels */\n'
             '".",\n/* one more */ ".",\n"XPMEXT note text",\n"XPMENDEXT"\n};', [RED, RED]),
            ("XPM 2, its comments and a key of a space", '! XPM2\n2 1 2 1\n! colours\n'
             '  c None\nx c #ff0000\n x\n', [NONE, RED]),
        ]
        for what, text, pixels in cases:
            with self.subTest(what):
                self.assertEqual(pixels, self.read("t.xpm", text)[0])

    def test_a_symbol_given_takes_the_place_of_the_colour(self):
        text = HEAD + '"2 1 2 1",\n"a c #C0C0FF s active_color_2",\n"b s border c red",\n"ab"};'
        self.assertEqual([(192, 192, 255, 255), RED], self.read("s.xpm", text)[0])
        given = {"active_color_2": GREY, "border": NONE}
        self.assertEqual([GREY, NONE], self.read("s.xpm", text, given)[0])

    def test_refusals_name_the_file_and_line(self):
        cases = [
            ("5 characters a pixel", HEAD + '"1 1 1 5",\n"abcde c red",\n"abcde"};',
             "line 3: 5 characters a pixel; this reader takes 1 to 4"),
            ("a header of three values", HEAD + '"1 1 1",\n". c red",\n"."};',
             "line 3: the header '1 1 1' is not"),
            ("a row a pixel short", HEAD + '"3 2 1 1",\n". c red",\n"...",\n".."};',
             "line 6: a row of 2 characters; 3 pixels of 1 take 3"),
            ("a pixel with no colour line", HEAD + '"2 1 1 1",\n". c red",\n".x"};',
             "line 5: the pixel 'x' has no colour line"),
            ("a colour that is none", HEAD + '"1 1 1 1",\n". c #12345",\n"."};',
             "line 4: '#12345' is not a colour"),
            ("a colour name unknown", HEAD + '"1 1 1 1",\n". c no such",\n"."};',
             "line 4: 'no such' is not a colour"),
            ("a row missing", HEAD + '"1 3 1 1",\n". c red",\n".",\n"."};',
             "line 6: the file ends after 1 of its 1 colours and 2 rows"),
            ("a string not ended", HEAD + '"1 1 1 1",\n". c red,\n"."};',
             "line 4: a string that does not end on its line"),
            ("a side over 1024", HEAD + '"1025 1 1 1",\n". c red",\n"."};',
             "line 3: 1025 x 1 pixels"),
            ("XPM 2, a pixel short", '! XPM2\n2 1 1 1\n. c red\n.\n', "line 4: a row of 1"),
        ]
        for what, text, message in cases:
            with self.subTest(what):
                with self.assertRaises(Refusal) as refused:
                    self.read("bad.xpm", text)
                self.assertIn("bad.xpm: " + message, str(refused.exception))
        # The last size accepted.
        self.assertEqual(1024, len(self.read("wide.xpm", HEAD + '"1024 1 1 1",\n". c red",\n"'
                                             + "." * 1024 + '"};')[0]))

    def test_names_come_from_the_table_made_from_rgb_txt_without_one(self):
        with mock.patch.object(xpm, "RGB_TXT", []), mock.patch.object(xpm, "_names", None):
            self.assertEqual((211, 211, 211, 255), xpm.parse_colour("Light Grey"))
            self.assertEqual((0, 0, 139, 255), xpm.parse_colour("dark blue"))
            self.assertIsNone(xpm.parse_colour("no such"))
        self.assertEqual((0x2a, 0x39, 0x83, 255), xpm.parse_colour("rgb:2A/39/83"))
        self.assertEqual((255, 0, 136, 255), xpm.parse_colour("rgb:f/0/8888"))


if __name__ == "__main__":
    unittest.main()
