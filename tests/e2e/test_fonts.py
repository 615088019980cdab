"""The test prefix gives the window's fonts the metrics of the design.

The window asks for "Courier New" 9.75 point (13 pixels at 96 dpi) and "Tahoma" 9 point, both
with the Arabic character set 178. Without the prefix's font setup Wine answers with a
proportional face, and the layout checks of the window would fail for the wrong reason.
"""

import unittest

from harness import automate, catalogue

import common

ARGS = None
ARABIC_CHARSET = 178


class PrefixFonts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.names = catalogue.component_names(ARGS.catalogue)
        steps = [["font", "Courier New", -13, ARABIC_CHARSET, name] for name in cls.names]
        steps += [["font", "Tahoma", -12, ARABIC_CHARSET, "Install"]]
        cls.report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps)
        if cls.report.failure():
            raise AssertionError(f"font probe failed:\n{cls.report.output}")
        cls.fonts = cls.report.all("font")

    def test_courier_new_is_fixed_pitch_at_8_pixels(self):
        for name, font in zip(self.names, self.fonts):
            with self.subTest(name=name):
                self.assertEqual(font.int("dpi"), 96)
                self.assertEqual(font.int("charset"), ARABIC_CHARSET)
                self.assertEqual(font.int("fixed"), 1, f"face chosen: {font['chosen']}")
                self.assertEqual(font.int("width"), 8 * len(name))

    def test_tahoma_is_found(self):
        tahoma = self.fonts[-1]
        self.assertEqual(tahoma["chosen"], "Tahoma")
        self.assertEqual(tahoma.int("charset"), ARABIC_CHARSET)


if __name__ == "__main__":
    ARGS, argv = common.parse()
    unittest.main(argv=argv, verbosity=2)
