"""The window's fonts as a user's Wine prefix gives them: one made by `wineboot --init`, nothing
added.

No face named "Courier New" or "Tahoma" there declares the Arabic character set that the window
asks for, so the font mapper picks by the pitch and family that come with the request: a
fixed-pitch face for the labels, whose text the layout measures in characters, and a
proportional one for the button.
"""

import unittest

from harness import automate, catalogue

import common

ARGS = None


class UserPrefixFonts(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.names = catalogue.component_names(ARGS.facts)
        label = ["Courier New", common.font_height(common.WINDOW_FONT_POINTS, 96),
                 common.ARABIC_CHARSET, common.WINDOW_PITCH_FAMILY]
        button = ["Tahoma", common.font_height(common.BUTTON_FONT_POINTS, 96),
                  common.ARABIC_CHARSET, common.BUTTON_PITCH_FAMILY]
        steps = [["font", *label, name] for name in cls.names] + [["font", *button, "Install"]]
        cls.report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps)
        if cls.report.failure():
            raise AssertionError(f"font probe failed:\n{cls.report.output}")
        cls.fonts = cls.report.all("font")

    def test_courier_new_is_fixed_pitch_at_8_pixels(self):
        for name, font in zip(self.names, self.fonts):
            with self.subTest(name=name):
                self.assertEqual(font.int("dpi"), 96)
                self.assertEqual(font.int("charset"), common.ARABIC_CHARSET)
                self.assertEqual(font.int("fixed"), 1, f"face chosen: {font['chosen']}")
                self.assertEqual(font.int("width"), 8 * len(name))

    def test_tahoma_is_proportional_with_the_arabic_character_set(self):
        tahoma = self.fonts[-1]
        self.assertEqual(tahoma.int("charset"), common.ARABIC_CHARSET)
        self.assertEqual(tahoma.int("fixed"), 0, f"face chosen: {tahoma['chosen']}")


if __name__ == "__main__":
    ARGS, argv = common.parse()
    unittest.main(argv=argv, verbosity=2)
