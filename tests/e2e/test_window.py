"""The window as a user first sees it, checked in a running Brantel.exe under Wine.

The program is started once; every check reads what that one start reported. Positions are
pixels of the window's client area at 96 dpi (15 twips to a pixel).
"""

import os
import re
import subprocess
import unittest

import automate
import bmp
import catalogue
import common
import design
import pictures
import wine

ARGS = None

CLIENT = (550, 440)
PANEL = (0, 400, 550, 40)
BUTTON = (450, 408, 81, 25)  # 6750, 6000 + 120; 1215 x 375 twips
ABOUT_RIGHT, ABOUT_TOP = 528, 384  # 6960 + 960, 5760 twips
ROW_LEFT, ROW_TOP, ROW_PITCH = 48, 16, 20  # label at 720, 240; 300 twips per row
CHARACTER_WIDTH, LABEL_HEIGHT = 8, 16
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_CAPTION = 0x40000, 0x20000, 0x10000, 0xC00000
SS_TYPEMASK, SS_RIGHT = 0x1F, 0x2
WHITE = (255, 255, 255)
LINE_GREY = (192, 192, 192)
LIST_BEFORE = 5
# The design's fonts and colours, as the automation program draws text with them.
ARABIC = 178
LABEL_FONT = ["Courier New", -13, 400, ARABIC]  # 9.75 point at 96 dpi
BUTTON_FONT = ["Tahoma", -12, 400, ARABIC]  # 9 point
COLOR_WINDOWTEXT, COLOR_BTNFACE, COLOR_BTNTEXT = "sys:8", "sys:15", "sys:18"
ABOUT_BLUE = "0000C0"
TAB_ORDER = ["Pnl1", "CmdInstall", "lblCom", "lblAbout"]  # the windows among the tab indexes
# Wine's relay channel, kept to the calls that show how the common controls were set up.
DEBUG_KEY = r"HKCU\Software\Wine\Debug"
RELAY_CALLS = "kernel32.LoadLibraryExW;kernelbase.LoadLibraryExW;comctl32.InitCommonControls"


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
        cls.references = pictures.load(ARGS.source_dir)
        arch = os.path.basename(os.path.normpath(ARGS.prefix))
        cls.screenshot = os.path.join(ARGS.out, f"window-{arch}.bmp")

        cls.system_before = system_folder_listing(ARGS.prefix)
        steps = [["start", wine.windows_path(ARGS.program), "--cwd", "C:\\",
                  "--set", "WINEDEBUG=+relay"],
                 ["wait-window", "Brantel setup", 60],
                 ["windows"], ["window"], ["list"],  # the list is step LIST_BEFORE
                 ["capture", wine.windows_path(cls.screenshot)],
                 ["close"], ["wait-exit", 30]]
        env = wine.environment(ARGS.prefix, ARGS.display)
        subprocess.run(["wine", "reg", "add", DEBUG_KEY, "/v", "RelayInclude", "/d", RELAY_CALLS,
                        "/f"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        try:
            cls.report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps, trace=True)
        finally:
            subprocess.run(["wine", "reg", "delete", DEBUG_KEY, "/v", "RelayInclude", "/f"],
                           env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                           check=True)
        # The program starts no process when closed, but judge the system folder only once
        # nothing in the prefix runs any more.
        wine.wait_for_server(ARGS.prefix)
        cls.system_after = system_folder_listing(ARGS.prefix)
        if cls.report.failure():
            raise AssertionError(f"automation failed:\n{cls.report.output}")
        cls.controls = cls.report.step(LIST_BEFORE).controls()
        if os.path.exists(cls.screenshot):
            bmp.write_png(bmp.read_bmp(cls.screenshot), cls.screenshot[:-4] + ".png")
        cls.samples = cls.draw_samples(arch)

    @classmethod
    def draw_samples(cls, arch):
        """The texts of row 0, the address and the button, drawn with the design's fonts and
        colours by the automation program: the pixels the window must show."""
        about = cls.controls[cls.ids["lblAbout"]]["text"]
        wanted = {"lblCom": LABEL_FONT + [COLOR_WINDOWTEXT, "FFFFFF", cls.names[0]],
                  "lblAbout": LABEL_FONT + [ABOUT_BLUE, "FFFFFF", about],
                  "CmdInstall": BUTTON_FONT + [COLOR_BTNTEXT, COLOR_BTNFACE, "Install"]}
        paths = {name: os.path.join(ARGS.out, f"text-{name}-{arch}.bmp") for name in wanted}
        steps = [["draw-text", *wanted[name], wine.windows_path(paths[name])] for name in wanted]
        report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps)
        if report.failure():
            raise AssertionError(f"drawing the samples failed:\n{report.output}")
        return {name: bmp.read_bmp(path) for name, path in paths.items()}

    def find(self, shot, sample, area):
        """Where within `area` (left, top, width, height) the sample's pixels stand, or None."""
        left, top, width, height = area
        for y in range(top, top + height - sample.height + 1):
            for x in range(left, left + width - sample.width + 1):
                if shot.crop(x, y, sample.width, sample.height).rows == sample.rows:
                    return x, y
        return None

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

    def test_every_row_is_pending_with_its_question_mark_painted_by_the_window(self):
        shot = bmp.read_bmp(self.screenshot)
        self.assertEqual((shot.width, shot.height), CLIENT)
        picture_ids = {self.ids[array] + row for array in pictures.FILES for row in range(self.rows)}
        self.assertFalse(picture_ids & set(self.controls), "status pictures are not windows")
        for row, name in enumerate(self.names):
            with self.subTest(row=row):
                top = ROW_TOP + ROW_PITCH * row
                self.assertEqual(pictures.shown(shot, self.references, row), ["PicQues"])
                text = shot.crop(ROW_LEFT, top, CHARACTER_WIDTH * len(name), LABEL_HEIGHT)
                self.assertTrue(any(p != WHITE for line in text.rows for p in line), "text is drawn")
                gap = shot.crop(ROW_LEFT + CHARACTER_WIDTH * len(name), top, CHARACTER_WIDTH * 2,
                                LABEL_HEIGHT)
                self.assertTrue(all(p == WHITE for line in gap.rows for p in line),
                                "nothing drawn right of the name")

    def test_texts_show_the_designed_fonts_and_colours(self):
        shot = bmp.read_bmp(self.screenshot)
        for name in ("lblCom", "lblAbout"):
            with self.subTest(control=name):
                label = self.control(name)
                sample = self.samples[name]
                self.assertEqual(shot.crop(label.int("x"), label.int("y"), sample.width,
                                           sample.height).rows, sample.rows,
                                 "the label's text, pixel for pixel")
        self.assertIsNotNone(self.find(shot, self.samples["CmdInstall"], BUTTON),
                             "the button's caption in Tahoma 9 point")

    def test_focus_moves_in_the_designed_tab_order(self):
        designed = {self.ids[name]: name for name in TAB_ORDER}
        order = [designed[i] for i in self.controls if i in designed]
        self.assertEqual(order, TAB_ORDER, "windows in z-order, which Tab follows")

    def test_common_controls_come_from_the_system_folder_and_are_initialised(self):
        trace = self.report.trace
        loads = re.findall(r'Call \w+\.LoadLibraryExW\([0-9a-f]+ L"([^"]*)"', trace)
        comctl = [path for path in loads if path.lower().endswith("comctl32.dll")]
        self.assertEqual(len(comctl), 1, f"comctl32.dll loaded once: {loads}")
        self.assertRegex(comctl[0].lower(), r"^c:\\\\windows\\\\(system32|syswow64)\\\\comctl32\.dll$",
                         "by its full path in the system folder")
        self.assertRegex(trace, r"Call comctl32\.InitCommonControls\(\)")

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
