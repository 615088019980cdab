"""The window as a user first sees it, checked in a running Brantel.exe under Wine.

The program is started once; every check reads what that one start reported. Positions are
pixels of the window's client area at 96 dpi (15 twips to a pixel).
"""

import os
import shutil
import unittest

import automate
import bmp
import catalogue
import common
import design
import wine

ARGS = None

CLIENT = (550, 440)
PANEL = (0, 400, 550, 40)
BUTTON = (450, 408, 81, 25)  # 6750, 6000 + 120; 1215 x 375 twips
ABOUT_RIGHT, ABOUT_TOP = 528, 384  # 6960 + 960, 5760 twips
ROW_LEFT, ROW_TOP, ROW_PITCH = 48, 16, 20  # label at 720, 240; 300 twips per row
PICTURE_LEFT, PICTURE_SIZE = 16, 16
CHARACTER_WIDTH, LABEL_HEIGHT = 8, 16
PICTURE_ARRAYS = ["PicGood", "PicInfo", "PicQues", "PicError", "PicArrow"]
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_CAPTION = 0x40000, 0x20000, 0x10000, 0xC00000
SS_TYPEMASK, SS_RIGHT = 0x1F, 0x2
WHITE = (255, 255, 255)
LINE_GREY = (192, 192, 192)
LIST_BEFORE = 5


def system_folder_listing(prefix):
    listing = {}
    for folder in wine.system_folders(prefix):
        for entry in os.scandir(folder):
            if entry.is_file(follow_symlinks=False):
                listing[os.path.join(os.path.basename(folder), entry.name.lower())] = entry.stat().st_size
    return listing


class FirstStart(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.names = catalogue.component_names(ARGS.catalogue)
        cls.ids = design.control_ids(ARGS.design)
        cls.rows = len(cls.names)
        cls.pictures = {(array, row): cls.ids[array] + row for array in PICTURE_ARRAYS
                        for row in range(cls.rows)}
        arch = os.path.basename(os.path.normpath(ARGS.prefix))
        cls.screenshot = os.path.join(ARGS.out, f"window-{arch}.bmp")
        cls.images = os.path.join(ARGS.out, f"pictures-{arch}")
        shutil.rmtree(cls.images, ignore_errors=True)
        os.makedirs(cls.images)

        cls.system_before = system_folder_listing(ARGS.prefix)
        steps = [["start", wine.windows_path(ARGS.program), "--cwd", "C:\\"],
                 ["wait-window", "Brantel setup", 60],
                 ["windows"], ["window"], ["list"],  # the list is step LIST_BEFORE
                 ["capture", wine.windows_path(cls.screenshot)]]
        steps += [["render", control, wine.windows_path(cls.image_path(control))]
                  for control in cls.pictures.values()]
        steps += [["list"], ["close"], ["wait-exit", 30]]
        cls.report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps)
        # The program starts no process when closed, but judge the system folder only once
        # nothing in the prefix runs any more.
        wine.wait_for_server(ARGS.prefix)
        cls.system_after = system_folder_listing(ARGS.prefix)
        if cls.report.failure():
            raise AssertionError(f"automation failed:\n{cls.report.output}")
        cls.controls = cls.report.step(LIST_BEFORE).controls()
        cls.after_renders = cls.report.step(len(steps) - 2).controls()
        if os.path.exists(cls.screenshot):
            bmp.write_png(bmp.read_bmp(cls.screenshot), cls.screenshot[:-4] + ".png")

    @classmethod
    def image_path(cls, control):
        return os.path.join(cls.images, f"{control}.bmp")

    def control(self, name, index=0):
        control_id = self.ids[name] + index
        self.assertIn(control_id, self.controls, f"no control {name}({index}), id {control_id}")
        return self.controls[control_id]

    def assertRect(self, record, expected, what):
        actual = (record.int("x"), record.int("y"), record.int("w"), record.int("h"))
        self.assertEqual(actual, expected, f"{what}: (left, top, width, height)")

    def test_one_window_captioned_brantel_setup(self):
        windows = self.report.all("top-level")
        self.assertEqual([(w["class"], w["title"]) for w in windows],
                         [("BrantelFrmMain", "Brantel setup")])

    def test_window_is_fixed_size_and_centred(self):
        window = self.report.one("window")
        self.assertEqual((window.int("client-w"), window.int("client-h")), CLIENT)
        style = window.int("style")
        self.assertEqual(style & WS_CAPTION, WS_CAPTION, "the window has a title bar")
        self.assertFalse(style & WS_THICKFRAME, "the user cannot resize the window")
        self.assertFalse(style & WS_MINIMIZEBOX, "no minimise box")
        self.assertFalse(style & WS_MAXIMIZEBOX, "no maximise box")
        for axis, size in (("x", "w"), ("y", "h")):
            free = window.int(f"screen-{size}") - window.int(f"frame-{size}")
            self.assertLessEqual(abs(2 * window.int(f"frame-{axis}") - free), 1, f"centred along {axis}")

    def test_button_reads_install_on_the_panel(self):
        panel, button = self.control("Pnl1"), self.control("CmdInstall")
        self.assertEqual(panel["class"], "BrantelPanel")
        self.assertRect(panel, PANEL, "Pnl1")
        self.assertEqual(button["class"], "Button")
        self.assertEqual(button.int("parent"), self.ids["Pnl1"], "CmdInstall lies on Pnl1")
        self.assertEqual(button["text"], "Install")
        self.assertEqual(button.int("shown"), 1)
        self.assertRect(button, BUTTON, "CmdInstall")

    def test_contact_address_is_right_aligned_at_528(self):
        about = self.control("lblAbout")
        text = about["text"]
        self.assertEqual(len(text), 22, f"contact address {text!r}")
        self.assertIn("@", text)
        self.assertEqual(about.int("style") & SS_TYPEMASK, SS_RIGHT, "right-aligned text")
        self.assertRect(about, (ABOUT_RIGHT - CHARACTER_WIDTH * len(text), ABOUT_TOP,
                                CHARACTER_WIDTH * len(text), LABEL_HEIGHT), "lblAbout")

    def test_rows_show_catalogue_names_eight_pixels_per_character(self):
        for row, name in enumerate(self.names):
            with self.subTest(row=row):
                label = self.control("lblCom", row)
                self.assertEqual(label["class"], "Static")
                self.assertEqual(label["text"], name)
                self.assertEqual(label.int("shown"), 1)
                self.assertRect(label, (ROW_LEFT, ROW_TOP + ROW_PITCH * row,
                                        CHARACTER_WIDTH * len(name), LABEL_HEIGHT), "lblCom")
        self.assertEqual(self.control("lblCom", 13).int("y"), 276, "row 13's top")
        self.assertNotIn(self.ids["lblCom"] + self.rows, self.controls, "no fifteenth row")

    def test_every_row_is_pending(self):
        for (array, row), control_id in self.pictures.items():
            with self.subTest(array=array, row=row):
                picture = self.control(array, row)
                self.assertEqual(picture["class"], "Static")
                self.assertRect(picture, (PICTURE_LEFT, ROW_TOP + ROW_PITCH * row, PICTURE_SIZE,
                                          PICTURE_SIZE), array)
                self.assertEqual(picture.int("visible"), 1 if array == "PicQues" else 0,
                                 "only the question mark is visible")
        self.assertEqual(self.control("PicQues", 13).int("y"), 276, "row 13's top")

    def test_created_pictures_show_element_0s_image(self):
        for array in PICTURE_ARRAYS:
            first = bmp.read_bmp(self.image_path(self.ids[array])).rows
            for row in range(1, self.rows):
                with self.subTest(array=array, row=row):
                    image = bmp.read_bmp(self.image_path(self.ids[array] + row))
                    self.assertEqual(image.rows, first, f"{array}({row}) differs from {array}(0)")

    def test_the_five_pictures_differ(self):
        images = {array: bmp.read_bmp(self.image_path(self.ids[array])).rows for array in PICTURE_ARRAYS}
        for array, rows in images.items():
            colours = {pixel for row in rows for pixel in row}
            self.assertGreater(len(colours), 2, f"{array}(0) shows a picture, not a plain area")
        for i, a in enumerate(PICTURE_ARRAYS):
            for b in PICTURE_ARRAYS[i + 1:]:
                self.assertTrue(images[a] != images[b], f"{a} and {b} show the same image")

    def test_showing_a_picture_for_reading_left_the_rows_as_they_were(self):
        before = {i: r["visible"] for i, r in self.controls.items()}
        after = {i: r["visible"] for i, r in self.after_renders.items()}
        self.assertEqual(after, before)

    def test_screenshot_shows_labels_and_question_marks(self):
        shot = bmp.read_bmp(self.screenshot)
        self.assertEqual((shot.width, shot.height), CLIENT)
        question = bmp.read_bmp(self.image_path(self.ids["PicQues"])).rows
        for row, name in enumerate(self.names):
            with self.subTest(row=row):
                top = ROW_TOP + ROW_PITCH * row
                self.assertEqual(shot.crop(PICTURE_LEFT, top, PICTURE_SIZE, PICTURE_SIZE).rows, question)
                text = shot.crop(ROW_LEFT, top, CHARACTER_WIDTH * len(name), LABEL_HEIGHT)
                self.assertTrue(any(p != WHITE for line in text.rows for p in line), "text is drawn")
                gap = shot.crop(ROW_LEFT + CHARACTER_WIDTH * len(name), top, CHARACTER_WIDTH * 2,
                                LABEL_HEIGHT)
                self.assertTrue(all(p == WHITE for line in gap.rows for p in line),
                                "nothing drawn right of the name")

    def test_grey_line_separates_the_panel_from_the_rows(self):
        shot = bmp.read_bmp(self.screenshot)
        left, top, width, _height = PANEL
        line = shot.crop(left, top, width, 1).rows[0]
        self.assertEqual(set(line), {LINE_GREY}, "Line1 spans the panel's top edge")
        above = shot.crop(left, top - 1, width, 1).rows[0]
        self.assertEqual(set(above), {WHITE}, "the window above the panel is white")

    def test_closing_ends_with_code_0_and_writes_nothing(self):
        self.assertEqual(self.report.one("exited").int("code"), 0)
        self.assertEqual(self.system_after, self.system_before, "the system folder is unchanged")


if __name__ == "__main__":
    ARGS, argv = common.parse()
    if not ARGS.program:
        raise SystemExit("--program is required")
    unittest.main(argv=argv, verbosity=2)
