"""The install run where its target is not the prefix's system folder: with "windir" unset, and
on a drive that fills up partway.

Run one scenario class by naming it on the command line (WindirUnset, DiskFull); each one leaves
the prefix as it found it. DiskFull needs to mount a small tmpfs and is skipped where that is not
allowed.
"""

import os
import shutil
import subprocess
import sys
import unittest

import test_install_support as support

FILL_SIZE = 1024 * 1024  # room for components 0 and 1, not for component 2
FILL_FAILS_AT = 2
HIDDEN_OLDER_COPY = b"an older copy, hidden\n"
FILE_ATTRIBUTE_HIDDEN = 0x2


def component_paths(root, names):
    """Every file under the folder whose name is a component's, in any letter case."""
    wanted = {name.lower() for name in names}
    return sorted(os.path.join(folder, file) for folder, _dirs, files in os.walk(root)
                  for file in files if file.lower() in wanted)


class WindirUnset(support.Scenario):
    """Without "windir" the target is "\\System32\\" on the current drive, C:. First C:\\System32
    does not exist, then the test creates it."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        drive_c = os.path.join(cls.ARGS.prefix, "drive_c")
        cls.target = os.path.join(drive_c, "System32")
        if os.path.lexists(cls.target):
            raise AssertionError(f"{cls.target} exists before the scenario")
        start = ["--unset", "windir"]

        cls.components_before = component_paths(drive_c, cls.names)
        with cls.guard(), support.FakeRegsvr32(cls.ARGS, "no-windir-missing") as fake:
            cls.missing = cls.run_steps(
                support.error_run_steps(
                    cls, cls.start_step(None, "C:\\", *start, *fake.environment()),
                    "no-windir-missing"))
            support.wait_for_prefix(cls.ARGS.prefix)
            cls.missing_starts = fake.starts()
        cls.target_created = os.path.lexists(cls.target)
        cls.components_after = component_paths(drive_c, cls.names)
        support.remove(cls.target)
        cls.must_succeed(cls.missing)

        os.mkdir(cls.target)
        try:
            with cls.guard(), support.FakeRegsvr32(cls.ARGS, "no-windir") as fake:
                steps = [cls.start_step(None, "C:\\", *start, *fake.environment()),
                         ["wait-window", "Brantel setup", 60],
                         ["click", cls.button],
                         ["wait-text", cls.button, "Finish", support.RUN_SECONDS],
                         *cls.rows_steps("no-windir"),  # the list is step 5
                         ["click", cls.button],
                         ["wait-exit", support.EXIT_SECONDS]]
                cls.present = cls.run_steps(steps)
                support.wait_for_prefix(cls.ARGS.prefix)
                cls.present_files = cls.component_files(cls.target)
                cls.present_starts = fake.starts()
        finally:
            support.remove(cls.target)
        cls.must_succeed(cls.present)

    def test_missing_root_system32_is_an_install_error(self):
        self.assertInstallErrorBox(self.missing)
        rows = self.rows_of(self.missing, support.ERROR_RUN_LIST, "no-windir-missing")
        self.assertEqual(rows[0][self.button]["text"], "Finish")
        self.assertRows(rows, ["InProgress"] + ["Pending"] * (len(self.names) - 1))
        self.assertEqual(self.missing.one("exited").int("code"), 0)

    def test_missing_root_system32_creates_nothing_anywhere(self):
        self.assertFalse(self.target_created, "C:\\System32 was created")
        self.assertEqual(self.components_after, self.components_before)
        self.assertEqual(self.missing_starts, [], "no registration was started")

    def test_existing_root_system32_receives_every_component(self):
        self.assertPayloadFiles(self.present_files, self.names)
        rows = self.rows_of(self.present, 5, "no-windir")
        self.assertEqual(rows[0][self.button]["text"], "Finish")
        self.assertRows(rows, ["Installed"] * len(self.names))

    def test_registrations_run_in_root_system32(self):
        self.assertStarted(self.present_starts, self.names, "C:\\System32")


class DiskFull(support.Scenario):
    """"windir" names a folder on a drive of 1 MiB: the first two components fit, the third
    does not. An older, hidden copy of the third is there before the run, so it counts as absent
    and is to be replaced."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        args = cls.ARGS
        cls.mount = os.path.join(args.out, f"fill-{args.arch}")
        os.makedirs(cls.mount, exist_ok=True)
        mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={FILL_SIZE},mode=0755",
                                  "tmpfs", cls.mount], stdout=subprocess.PIPE,
                                 stderr=subprocess.STDOUT, text=True)
        if mounted.returncode != 0:
            os.rmdir(cls.mount)
            raise unittest.SkipTest(f"cannot mount a small tmpfs here: {mounted.stdout.strip()}")
        cls.drive = None
        try:
            cls.run_on_small_drive()
        finally:
            cls.tear_down_drive()
        cls.must_succeed(cls.report)

    @classmethod
    def run_on_small_drive(cls):
        args = cls.ARGS
        written = sum(len(cls.payload[name]) for name in cls.names[:FILL_FAILS_AT])
        failing = len(cls.payload[cls.names[FILL_FAILS_AT]])
        if not written < FILL_SIZE < written + failing:
            raise AssertionError(f"a {FILL_SIZE}-byte drive does not fill at component "
                                 f"{FILL_FAILS_AT}: the stand-ins' sizes changed")
        cls.drive = cls.free_drive_letter()
        os.symlink(os.path.abspath(cls.mount), cls.drive)
        letter = os.path.basename(cls.drive).upper()
        cls.target = os.path.join(cls.mount, "win", "System32")
        os.makedirs(cls.target)
        hidden = os.path.join(cls.target, cls.names[FILL_FAILS_AT])
        with open(hidden, "wb") as file:
            file.write(HIDDEN_OLDER_COPY)
        support.set_dos_attribute(args.prefix, args.display, hidden, "+h")
        cls.hidden_before = support.listing(cls.target)[cls.names[FILL_FAILS_AT]]
        with cls.guard(), support.FakeRegsvr32(args, "disk-full") as fake:
            start = cls.start_step(None, "C:\\", "--set", f"windir={letter}\\win",
                                   *fake.environment())
            cls.report = cls.run_steps(support.error_run_steps(cls, start, "disk-full"))
            support.wait_for_prefix(args.prefix)
            cls.entries = sorted(os.listdir(cls.target))
            cls.files = cls.component_files(cls.target)
            cls.hidden_after = (cls.files.pop(cls.names[FILL_FAILS_AT], None),
                                support.listing(cls.target).get(cls.names[FILL_FAILS_AT]),
                                os.getxattr(hidden, "user.DOSATTRIB").split(b"\0")[0])
            cls.starts = fake.starts()
        cls.target_windows = f"{letter}\\win\\System32"

    @classmethod
    def free_drive_letter(cls):
        devices = os.path.join(cls.ARGS.prefix, "dosdevices")
        for letter in "tuvwxy":
            path = os.path.join(devices, f"{letter}:")
            if not os.path.lexists(path):
                return path
        raise AssertionError(f"no free drive letter in {devices}")

    @classmethod
    def tear_down_drive(cls):
        # Nothing may hold a file on the drive when it goes: wait for the prefix first.
        support.wait_for_prefix(cls.ARGS.prefix)
        if cls.drive:
            os.remove(cls.drive)
        subprocess.run(["umount", cls.mount], check=True)
        shutil.rmtree(cls.mount)

    def test_install_error_box(self):
        self.assertInstallErrorBox(self.report)

    def test_earlier_components_complete_and_nothing_of_the_failing_one_remains(self):
        self.assertEqual(self.entries, sorted(self.names[:FILL_FAILS_AT + 1]),
                         "entries on the drive: no staged file is left")
        self.assertPayloadFiles(self.files, self.names[:FILL_FAILS_AT])

    def test_the_hidden_older_copy_is_still_there_unchanged(self):
        data, entry, attributes = self.hidden_after
        self.assertEqual(data, HIDDEN_OLDER_COPY)
        self.assertEqual(entry, self.hidden_before, "kind, size and modification time")
        self.assertTrue(int(attributes, 16) & FILE_ATTRIBUTE_HIDDEN, "still hidden")

    def test_earlier_components_registered(self):
        self.assertStarted(self.starts, self.names[:FILL_FAILS_AT], self.target_windows)

    def test_rows_stop_at_the_failing_component(self):
        rows = self.rows_of(self.report, support.ERROR_RUN_LIST, "disk-full")
        self.assertEqual(rows[0][self.button]["text"], "Finish")
        self.assertRows(rows, ["Installed"] * FILL_FAILS_AT + ["InProgress"] +
                        ["Pending"] * (len(self.names) - FILL_FAILS_AT - 1))
        self.assertEqual(self.report.one("exited").int("code"), 0)


if __name__ == "__main__":
    sys.exit(support.main())
