"""The install run in a running Brantel.exe under Wine: what it writes into the prefix's system
folder, which registrations it starts, and what the window shows afterwards.

Run one scenario class by naming it on the command line (FreshInstall, EverythingPresent,
AbsentLookingEntries); each one leaves the prefix as it found it.
"""

import os
import shutil
import sys

from harness import bmp, registry, wine

import test_install_support as support

WHITE = (255, 255, 255)
ROW_TOP, ROW_PITCH, LABEL_HEIGHT = 16, 20, 16
STATUS_RIGHT = support.ROW_LEFT + support.STATUS_LINE_WIDTH * support.CHARACTER_WIDTH  # 528
CLIENT = (550, 440)
BS_TYPEMASK, BS_PUSHBUTTON = 0xF, 0x0
PRESENT_TIME_NS = 978307200 * 10**9  # 2001-01-01, older than anything a run could write


class FreshInstall(support.Scenario):
    """Nothing is present. One run lets the system's regsvr32 register the stand-ins while
    regsvr32.exe files wait beside the program and in its current folder; a second run, with a
    logging regsvr32.exe in the system folder, sees every start, and gets two clicks at once."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        args = cls.ARGS
        cls.screenshot = os.path.join(args.out, f"window-finished-{args.arch}.bmp")
        planted = os.path.join(args.out, f"planted-{args.arch}")
        shutil.rmtree(planted, ignore_errors=True)
        app, cwd = os.path.join(planted, "app"), os.path.join(planted, "cwd")
        os.makedirs(app)
        os.makedirs(cwd)
        copy = os.path.join(app, "Brantel.exe")
        shutil.copyfile(args.program, copy)
        for folder in (app, cwd):
            shutil.copyfile(args.fake_regsvr32, os.path.join(folder, "regsvr32.exe"))
        cls.planted_log = os.path.join(planted, "planted.log")

        # Native first: a planted regsvr32.exe, were it started, would run as itself and log.
        with cls.guard(), support.NativeFirstRegsvr32(args.prefix, args.display):
            steps = [cls.start_step(copy, wine.windows_path(cwd),
                                    *support.log_environment(cls.planted_log)),
                     ["wait-window", "Brantel setup", 60],
                     ["click", cls.button],
                     ["wait-text", cls.button, "Finish", support.RUN_SECONDS],
                     ["processes", "regsvr32.exe"],  # step 5
                     ["list"],  # step 6
                     ["capture", wine.windows_path(cls.screenshot)],
                     ["click", cls.button],
                     ["wait-exit", support.EXIT_SECONDS]]
            cls.registered = cls.run_steps(steps)
            support.wait_for_prefix(args.prefix)
            cls.registered_files = cls.component_files(cls.folder)
            cls.registered_to = registry.registrations(args.prefix, cls.names, args.display)
            # The stand-in logs to its own path plus ".log" when the variable is not passed on.
            logs = (cls.planted_log, os.path.join(app, "regsvr32.exe.log"),
                    os.path.join(cwd, "regsvr32.exe.log"))
            cls.planted_logs = [path for path in logs if os.path.exists(path)]
        cls.must_succeed(cls.registered)
        cls.running_at_finish = cls.registered.step(5).one("processes").int("count")
        cls.rows = cls.registered.step(6).controls(), bmp.read_bmp(cls.screenshot)
        bmp.write_png(bmp.read_bmp(cls.screenshot), cls.screenshot[:-4] + ".png")

        with cls.guard(), support.FakeRegsvr32(args, "fresh") as fake:
            steps = [cls.start_step(None, "C:\\", *fake.environment()),
                     ["wait-window", "Brantel setup", 60],
                     ["click", cls.button],
                     ["click", cls.button],
                     ["wait-exit", support.RUN_SECONDS]]
            cls.logged = cls.run_steps(steps)
            support.wait_for_prefix(args.prefix)
            cls.logged_files = cls.component_files(cls.folder)
            cls.starts = fake.starts()
        cls.must_succeed(cls.logged)

    def test_fourteen_files_equal_their_payload_entries(self):
        for files in (self.registered_files, self.logged_files):
            self.assertPayloadFiles(files, self.names)

    def test_system_regsvr32_registered_each_self_registering_one_from_the_system_folder(self):
        registering = support.self_registering(self.payload)
        self.assertTrue(registering, "the payload holds self-registering stand-ins")
        folder = registry.system_folder_windows(self.ARGS.prefix)
        # The path tells which copy regsvr32 loaded: the one in the 32-bit system folder.
        self.assertEqual({name: [(entry.kind, entry.path.lower()) for entry in entries]
                          for name, entries in self.registered_to.items()},
                         {name: [("class", f"{folder}\\{name}".lower())] if name in registering
                          else [] for name in self.names})

    def test_finish_does_not_wait_for_registrations(self):
        # The last stand-in's registration takes seconds; "Finish" came while it still ran, and
        # its class (checked above) was registered once it had ended.
        self.assertGreaterEqual(self.running_at_finish, 1, "regsvr32 still running at Finish")

    def test_regsvr32_beside_the_program_or_in_its_current_folder_never_runs(self):
        self.assertEqual(self.planted_logs, [], "a planted regsvr32.exe wrote its log")

    def test_fourteen_starts_of_regsvr32_s_name_in_catalogue_order(self):
        self.assertStarted(self.starts, self.names, support.SYSTEM_FOLDER)
        self.assertEqual(len({start["pid"] for start in self.starts}), len(self.names))

    def test_every_row_installed_and_the_button_reads_finish(self):
        self.assertEqual(self.rows[0][self.button]["text"], "Finish")
        self.assertRows(self.rows, ["Installed"] * len(self.names))

    def test_screenshot_shows_lines_ending_at_528(self):
        shot = bmp.read_bmp(self.screenshot)
        self.assertEqual((shot.width, shot.height), CLIENT)
        for row in range(len(self.names)):
            with self.subTest(row=row):
                top = ROW_TOP + ROW_PITCH * row
                last = shot.crop(STATUS_RIGHT - support.CHARACTER_WIDTH, top,
                                 support.CHARACTER_WIDTH, LABEL_HEIGHT)
                self.assertTrue(any(p != WHITE for line in last.rows for p in line),
                                "the last character is drawn left of x = 528")
                beyond = shot.crop(STATUS_RIGHT, top, CLIENT[0] - STATUS_RIGHT, LABEL_HEIGHT)
                self.assertTrue(all(p == WHITE for line in beyond.rows for p in line),
                                "nothing is drawn from x = 528 on")

    def test_click_on_finish_ends_the_program_with_code_0(self):
        self.assertEqual(self.registered.one("exited").int("code"), 0)

    def test_second_click_waits_for_the_run_and_then_ends_the_program(self):
        # Both clicks were posted before the run began; the second one, handled after the
        # run, met "Finish". A second run would have left the program running.
        self.assertEqual(self.logged.one("exited").int("code"), 0)
        self.assertEqual(len(self.starts), len(self.names))


class EverythingPresent(support.Scenario):
    """Every component is already a file in the system folder. Keys do it all, pressed through the
    X server: Escape does nothing, Enter presses the focused button, Alt+F4 closes the window."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with cls.guard(), support.FakeRegsvr32(cls.ARGS, "present") as fake:
            for name in cls.names:
                path = os.path.join(cls.folder, name)
                with open(path, "wb") as file:
                    file.write(f"{name} as it was before the run\n".encode())
                os.utime(path, ns=(PRESENT_TIME_NS, PRESENT_TIME_NS))
            cls.before = cls.present_files()
            steps = [cls.start_step(None, "C:\\", *fake.environment()),
                     ["wait-window", "Brantel setup", 60],
                     ["key", "Escape"],
                     ["pause", 1],
                     ["list"],  # step 5
                     ["key", "Return"],
                     ["wait-text", cls.button, "Finish", support.RUN_SECONDS],
                     *cls.rows_steps("present"),  # the list is step 8
                     ["key", "alt+F4"],
                     ["wait-exit", support.EXIT_SECONDS]]
            cls.report = cls.run_steps(steps)
            support.wait_for_prefix(cls.ARGS.prefix)
            cls.after = cls.present_files()
            cls.starts = fake.starts()
        cls.must_succeed(cls.report)
        cls.after_escape = cls.report.step(5).controls()
        cls.rows = cls.rows_of(cls.report, 8, "present")

    @classmethod
    def present_files(cls):
        files = {}
        for name in cls.names:
            path = os.path.join(cls.folder, name)
            with open(path, "rb") as file:
                files[name] = (file.read(), os.stat(path).st_mtime_ns)
        return files

    def test_every_row_already_installed(self):
        self.assertEqual(self.rows[0][self.button]["text"], "Finish")
        self.assertRows(self.rows, ["AlreadyInstalled"] * len(self.names))

    def test_no_file_changed(self):
        self.assertEqual(self.after, self.before)

    def test_no_process_started(self):
        self.assertEqual([start["command"] for start in self.starts], [])

    def test_escape_changes_nothing_and_the_button_is_no_default_button(self):
        for controls in (self.after_escape, self.rows[0]):
            button = controls[self.button]
            self.assertEqual(button.int("style") & BS_TYPEMASK, BS_PUSHBUTTON, "no default border")
        self.assertEqual(self.after_escape[self.button]["text"], "Install")

    def test_alt_f4_closes_the_finished_window_with_code_0(self):
        self.assertEqual(self.report.one("exited").int("code"), 0)


class AbsentLookingEntries(support.Scenario):
    """Index 0 is a file with the system attribute, index 1 one with the hidden attribute, both
    longer than their entries and different; index 2 is a folder. The first two count as absent
    and are replaced; the folder stops the run. Space starts the run; once the error box is
    answered, Enter on "Finish" ends the program."""

    HIDDEN_FLAGS = {0: ("+s", 0x4), 1: ("+h", 0x2)}
    FOLDER_INDEX = 2

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        prefix = cls.ARGS.prefix
        cls.folder_name = cls.names[cls.FOLDER_INDEX]
        folder_entry = os.path.join(cls.folder, cls.folder_name)
        with cls.guard(), support.FakeRegsvr32(cls.ARGS, "absent-looking") as fake:
            for index, (flag, bit) in cls.HIDDEN_FLAGS.items():
                path = os.path.join(cls.folder, cls.names[index])
                with open(path, "wb") as file:
                    file.write(b"\x5a" * (len(cls.payload[cls.names[index]]) + 4096))
                support.set_dos_attribute(prefix, cls.ARGS.display, path, flag)
                # Wine keeps DOS attributes in this extended attribute, as "0x" and hex digits.
                attributes = int(os.getxattr(path, "user.DOSATTRIB").split(b"\0")[0], 16)
                if not attributes & bit:
                    raise AssertionError(f"{flag} did not take on {path}: {attributes:#x}")
            os.mkdir(folder_entry)
            steps = [cls.start_step(None, "C:\\", *fake.environment()),
                     ["wait-window", "Brantel setup", 60],
                     ["key", "space"],
                     ["wait-msgbox", support.RUN_SECONDS],
                     *cls.rows_steps("during-box"),  # the list is step 5, while the box is open
                     ["answer-msgbox"],
                     ["wait-text", cls.button, "Finish", support.EXIT_SECONDS],
                     *cls.rows_steps("after-box"),  # the list is step 9
                     ["key", "Return"],
                     ["wait-exit", support.EXIT_SECONDS]]
            cls.report = cls.run_steps(steps)
            support.wait_for_prefix(prefix)
            cls.files = cls.component_files(cls.folder)
            cls.folder_left = os.path.isdir(folder_entry) and os.listdir(folder_entry) == []
            cls.starts = fake.starts()
        cls.must_succeed(cls.report)
        cls.rows_during_box = cls.rows_of(cls.report, 5, "during-box")
        cls.rows = cls.rows_of(cls.report, 9, "after-box")

    def expected_states(self):
        return (["Installed"] * self.FOLDER_INDEX + ["InProgress"] +
                ["Pending"] * (len(self.names) - self.FOLDER_INDEX - 1))

    def test_system_and_hidden_files_are_replaced_by_exactly_their_entries(self):
        self.assertPayloadFiles(self.files, self.names[:self.FOLDER_INDEX])

    def test_both_are_registered(self):
        self.assertStarted(self.starts, self.names[:self.FOLDER_INDEX], support.SYSTEM_FOLDER)

    def test_folder_is_left_alone(self):
        self.assertTrue(self.folder_left, f"{self.folder_name} is still an empty folder")

    def test_install_error_box(self):
        self.assertInstallErrorBox(self.report)

    def test_caption_becomes_finish_once_the_box_is_closed(self):
        self.assertEqual(self.rows_during_box[0][self.button]["text"], "Installing...")
        self.assertEqual(self.rows[0][self.button]["text"], "Finish")

    def test_rows_stop_at_the_folder(self):
        self.assertRows(self.rows_during_box, self.expected_states())
        self.assertRows(self.rows, self.expected_states())

    def test_enter_on_finish_ends_the_program_with_code_0(self):
        self.assertEqual(self.report.one("exited").int("code"), 0)


if __name__ == "__main__":
    sys.exit(support.main())
