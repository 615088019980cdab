"""The window as a user first sees it and after a run, checked in a running Brantel.exe under
Wine at the display resolution --dpi, which the prefix holds for the run as Windows stores it.

The program is started once; every check reads what that one start reported. The run finds every
component already present, which is cheap and leaves the information picture in every row.
Places are the design's twips turned into pixels of the client area at the resolution.
"""

import os
import re
import subprocess
import unittest

from harness import automate, bmp, catalogue, design, pictures, wine

import common

ARGS = None

CLIENT = (8250, 6600)
PANEL = (0, 6000, 8250, 600)
BUTTON = (6750, 120, 1215, 375)  # on the panel
ABOUT_TOP, ABOUT_MARGIN = 5760, 22  # the address ends 22 pixels at 96 dpi from the right
ROW_LEFT, ROW_TOP, ROW_PITCH, LABEL_HEIGHT = 720, 240, 300, 240
PICTURE_SIZE = {96: 16, 120: 20, 144: 24, 192: 32}  # the size drawn for each scale
WS_THICKFRAME, WS_MINIMIZEBOX, WS_MAXIMIZEBOX, WS_CAPTION = 0x40000, 0x20000, 0x10000, 0xC00000
SS_TYPEMASK, SS_RIGHT = 0x1F, 0x2
WHITE = (255, 255, 255)
LINE_GREY = (192, 192, 192)
LIST_BEFORE, LIST_AFTER = 5, 10
PROBE = "M" * 10
RUN_SECONDS = 120
# The design's colours, as the automation program draws text with them.
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


def set_relay_calls(prefix, display, calls):
    """Limits Wine's relay channel to these calls; None removes the limit."""
    command = (["add", DEBUG_KEY, "/v", "RelayInclude", "/d", calls, "/f"] if calls
               else ["delete", DEBUG_KEY, "/v", "RelayInclude", "/f"])
    subprocess.run(["wine", "reg", *command], env=wine.environment(prefix, display),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=calls is not None)


def plant_components(prefix, names):
    """Puts a file of each missing component where a 32-bit program's System32 is; returns them."""
    folder = wine.system_folders(prefix)[-1]
    present = {name.lower() for name in os.listdir(folder)}
    planted = [os.path.join(folder, name) for name in names if name.lower() not in present]
    for path in planted:
        with open(path, "wb") as file:
            file.write(b"present before the run\n")
    return planted


class FirstStart(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.dpi = ARGS.dpi
        cls.names = catalogue.component_names(ARGS.facts)
        cls.ids = design.control_ids(ARGS.facts)
        cls.rows = len(cls.names)
        cls.picture_size = PICTURE_SIZE[cls.dpi]
        cls.pictures = pictures.Pictures(ARGS.facts)
        cls.references = cls.pictures.load(ARGS.source_dir, cls.picture_size)
        arch = os.path.basename(os.path.normpath(ARGS.prefix))
        name = f"window-{arch}" + ("" if cls.dpi == 96 else f"-{cls.dpi}dpi")
        cls.screenshot = os.path.join(ARGS.out, name + ".bmp")
        cls.finished = os.path.join(ARGS.out, name + "-finished.bmp")
        button = cls.ids["CmdInstall"]
        cls.font_height = common.font_height(common.WINDOW_FONT_POINTS, cls.dpi)
        steps = [["start", wine.windows_path(ARGS.program), "--cwd", "C:\\",
                  "--set", "WINEDEBUG=+relay"],
                 ["wait-window", "Brantel setup", 60],
                 ["windows"], ["window"], ["list"],  # the list is step LIST_BEFORE
                 ["capture", wine.windows_path(cls.screenshot)],
                 ["font", "Courier New", cls.font_height, common.ARABIC_CHARSET,
                  common.WINDOW_PITCH_FAMILY, PROBE],
                 ["click", button], ["wait-text", button, "Finish", RUN_SECONDS],
                 ["list"],  # step LIST_AFTER
                 ["capture", wine.windows_path(cls.finished)],
                 ["close"], ["wait-exit", 30]]
        planted = []
        try:
            wine.set_dpi(ARGS.prefix, ARGS.display, cls.dpi)
            set_relay_calls(ARGS.prefix, ARGS.display, RELAY_CALLS)
            planted = plant_components(ARGS.prefix, cls.names)
            cls.system_before = system_folder_listing(ARGS.prefix)
            cls.report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps, trace=True)
            # The program starts no process when everything is present, but judge the system
            # folder only once nothing in the prefix runs any more.
            wine.wait_for_server(ARGS.prefix)
            cls.system_after = system_folder_listing(ARGS.prefix)
        finally:
            wine.wait_for_server(ARGS.prefix)
            for path in planted:
                os.remove(path)
            set_relay_calls(ARGS.prefix, ARGS.display, None)
            wine.set_dpi(ARGS.prefix, ARGS.display, 96)
        if cls.report.failure():
            raise AssertionError(f"automation failed:\n{cls.report.output}")
        cls.controls = cls.report.step(LIST_BEFORE).controls()
        cls.controls_after = cls.report.step(LIST_AFTER).controls()
        probe = cls.report.one("font")
        cls.character_width = probe.int("width") // len(PROBE)
        cls.text_height = probe.int("height")
        for shot in (cls.screenshot, cls.finished):
            if os.path.exists(shot):
                bmp.write_png(bmp.read_bmp(shot), shot[:-4] + ".png")
        cls.samples = cls.draw_samples(name)

    @classmethod
    def draw_samples(cls, name):
        """The texts of row 0, the address and the button, drawn with the design's fonts and
        colours by the automation program: the pixels the window must show."""
        about = cls.controls[cls.ids["lblAbout"]]["text"]
        label = ["Courier New", cls.font_height, 400, common.ARABIC_CHARSET,
                 common.WINDOW_PITCH_FAMILY]
        button = ["Tahoma", common.font_height(common.BUTTON_FONT_POINTS, cls.dpi), 400,
                  common.ARABIC_CHARSET, common.BUTTON_PITCH_FAMILY]
        wanted = {"lblCom": label + [COLOR_WINDOWTEXT, "FFFFFF", cls.names[0]],
                  "lblAbout": label + [ABOUT_BLUE, "FFFFFF", about],
                  "CmdInstall": button + [COLOR_BTNTEXT, COLOR_BTNFACE, "Install"]}
        paths = {control: os.path.join(ARGS.out, f"text-{control}-{name}.bmp") for control in wanted}
        steps = [["draw-text", *wanted[c], wine.windows_path(paths[c])] for c in wanted]
        report = automate.run(ARGS.automate, ARGS.prefix, ARGS.display, steps)
        if report.failure():
            raise AssertionError(f"drawing the samples failed:\n{report.output}")
        return {control: bmp.read_bmp(path) for control, path in paths.items()}

    def find(self, shot, sample, area):
        """Where within `area` (left, top, width, height) the sample's pixels stand, or None."""
        left, top, width, height = area
        for y in range(top, top + height - sample.height + 1):
            for x in range(left, left + width - sample.width + 1):
                if shot.crop(x, y, sample.width, sample.height).rows == sample.rows:
                    return x, y
        return None

    def px(self, twips):
        return pictures.pixels(twips, self.dpi)

    def rect(self, left, top, width, height):
        return (self.px(left), self.px(top), self.px(width), self.px(height))

    def control(self, name, index=0, controls=None):
        controls = self.controls if controls is None else controls
        control_id = self.ids[name] + index
        self.assertIn(control_id, controls, f"no control {name}({index}), id {control_id}")
        return controls[control_id]

    def assertRect(self, record, expected, what):
        actual = (record.int("x"), record.int("y"), record.int("w"), record.int("h"))
        self.assertEqual(actual, expected, f"{what}: (left, top, width, height)")

    def assertRowLabel(self, label, row, text):
        """The label starts at 720 twips in its row, shows all of its text and stays in its row's
        band, inside the window."""
        self.assertEqual(label["text"], text)
        self.assertEqual(label.int("shown"), 1)
        self.assertRect(label, (self.px(ROW_LEFT), self.px(ROW_TOP + ROW_PITCH * row),
                                self.character_width * len(text), self.px(LABEL_HEIGHT)), "lblCom")
        self.assertGreaterEqual(label.int("h"), self.text_height, "the text's full height")
        self.assertLessEqual(label.int("x") + label.int("w"), self.px(CLIENT[0]), "inside the window")
        self.assertLessEqual(label.int("y") + label.int("h"), self.px(ROW_TOP + ROW_PITCH * (row + 1)),
                             "above the next row")

    def test_one_window_captioned_brantel_setup(self):
        windows = self.report.all("top-level")
        self.assertEqual([(w["class"], w["title"]) for w in windows],
                         [("BrantelFrmMain", "Brantel setup")])

    def test_window_is_fixed_size_and_centred(self):
        window = self.report.one("window")
        self.assertEqual((window.int("client-w"), window.int("client-h")), self.rect(0, 0, *CLIENT)[2:])
        style = window.int("style")
        self.assertEqual(style & WS_CAPTION, WS_CAPTION, "the window has a title bar")
        self.assertFalse(style & WS_THICKFRAME, "the user cannot resize the window")
        self.assertFalse(style & WS_MINIMIZEBOX, "no minimise box")
        self.assertFalse(style & WS_MAXIMIZEBOX, "no maximise box")
        for axis, size in (("x", "w"), ("y", "h")):
            free = window.int(f"screen-{size}") - window.int(f"frame-{size}")
            self.assertGreaterEqual(free, 0, f"the screen holds the window along {axis}")
            self.assertLessEqual(abs(2 * window.int(f"frame-{axis}") - free), 1, f"centred along {axis}")

    def test_button_reads_install_on_the_panel(self):
        panel, button = self.control("Pnl1"), self.control("CmdInstall")
        self.assertEqual(panel["class"], "BrantelPanel")
        self.assertRect(panel, self.rect(*PANEL), "Pnl1")
        self.assertEqual(button["class"], "Button")
        self.assertEqual(button.int("parent"), self.ids["Pnl1"], "CmdInstall lies on Pnl1")
        self.assertEqual(button["text"], "Install")
        self.assertEqual(button.int("shown"), 1)
        left, top, width, height = self.rect(*BUTTON)
        self.assertRect(button, (left, self.px(PANEL[1]) + top, width, height), "CmdInstall")

    def test_contact_address_is_right_aligned_22_pixels_at_scale_from_the_right(self):
        about = self.control("lblAbout")
        text = about["text"]
        self.assertEqual(len(text), 22, f"contact address {text!r}")
        self.assertIn("@", text)
        self.assertEqual(about.int("style") & SS_TYPEMASK, SS_RIGHT, "right-aligned text")
        self.assertEqual((about.int("y"), about.int("w"), about.int("h")),
                         (self.px(ABOUT_TOP), self.character_width * len(text), self.px(LABEL_HEIGHT)))
        margin = self.px(CLIENT[0]) - (about.int("x") + about.int("w"))
        self.assertLessEqual(abs(margin - ABOUT_MARGIN * self.dpi / 96), 1, f"right margin {margin}")
        last_row = self.px(ROW_TOP + ROW_PITCH * (self.rows - 1) + LABEL_HEIGHT)
        self.assertLessEqual(last_row, about.int("y"), "the rows end above the address")

    def test_rows_show_catalogue_names_in_full_300_twips_apart(self):
        if self.dpi == 96:
            self.assertEqual((self.character_width, self.control("lblCom", 13).int("y")), (8, 276),
                             "eight pixels a character; row 13's top")
        for row, name in enumerate(self.names):
            with self.subTest(row=row):
                label = self.control("lblCom", row)
                self.assertEqual(label["class"], "Static")
                self.assertRowLabel(label, row, name)
        self.assertNotIn(self.ids["lblCom"] + self.rows, self.controls, "no fifteenth row")

    def test_every_row_is_pending_with_its_question_mark_painted_by_the_window(self):
        shot = bmp.read_bmp(self.screenshot)
        self.assertEqual((shot.width, shot.height), self.rect(0, 0, *CLIENT)[2:])
        picture_ids = {self.ids[array] + row for array in self.pictures.files for row in range(self.rows)}
        self.assertFalse(picture_ids & set(self.controls), "status pictures are not windows")
        for row, name in enumerate(self.names):
            with self.subTest(row=row):
                self.assertEqual(self.pictures.shown(shot, self.references, row, self.dpi), ["PicQues"])
                left, top = self.px(ROW_LEFT), self.px(ROW_TOP + ROW_PITCH * row)
                width, height = self.character_width * len(name), self.px(LABEL_HEIGHT)
                text = shot.crop(left, top, width, height)
                self.assertTrue(any(p != WHITE for line in text.rows for p in line), "text is drawn")
                gap = shot.crop(left + width, top, self.character_width * 2, height)
                self.assertTrue(all(p == WHITE for line in gap.rows for p in line),
                                "nothing drawn right of the name")

    def test_after_the_run_every_row_shows_already_installed_in_full(self):
        shot = bmp.read_bmp(self.finished)
        self.assertEqual(self.control("CmdInstall", 0, self.controls_after)["text"], "Finish")
        for row, name in enumerate(self.names):
            with self.subTest(row=row):
                label = self.control("lblCom", row, self.controls_after)
                self.assertTrue(label["text"].startswith(name) and
                                label["text"].endswith("Already installed"), label["text"])
                self.assertRowLabel(label, row, label["text"])
                self.assertEqual(self.pictures.shown(shot, self.references, row, self.dpi), ["PicInfo"])

    def test_after_the_run_every_status_line_ends_where_the_address_ends(self):
        """The status lines are all as long, so in the window's fixed-pitch font they end in one
        column, under the right edge of the right-aligned address."""
        edge = self.control("lblAbout", 0, self.controls_after)
        edge = edge.int("x") + edge.int("w")
        ends = []
        for row in range(self.rows):
            label = self.control("lblCom", row, self.controls_after)
            ends.append(label.int("x") + label.int("w"))
        self.assertEqual(len(set(ends)), 1, f"the right ends of rows 0 to {self.rows - 1}: {ends}")
        self.assertLessEqual(abs(ends[0] - edge), 2, f"rows end at {ends[0]}, the address at {edge}")

    def test_at_96_dpi_the_window_is_the_one_in_the_readme(self):
        if self.dpi != 96:
            self.skipTest("the README's screenshot is the window at 96 dpi")
        readme = bmp.read_png(os.path.join(ARGS.source_dir, "docs", "window.png"))
        self.assertTrue(bmp.read_bmp(self.screenshot).rows == readme.rows, "pixel for pixel")

    def test_texts_show_the_designed_fonts_and_colours(self):
        shot = bmp.read_bmp(self.screenshot)
        for name in ("lblCom", "lblAbout"):
            with self.subTest(control=name):
                label = self.control(name)
                sample = self.samples[name]
                self.assertEqual(shot.crop(label.int("x"), label.int("y"), sample.width,
                                           sample.height).rows, sample.rows,
                                 "the label's text, pixel for pixel")
        left, top, width, height = self.rect(*BUTTON)
        self.assertIsNotNone(
            self.find(shot, self.samples["CmdInstall"], (left, self.px(PANEL[1]) + top, width, height)),
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
        left, top, width, _height = self.rect(*PANEL)
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
