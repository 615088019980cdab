"""The install run when it does not go its normal way: ended in the middle of a component's data,
run beside a second copy or racing several, started from a damaged copy of the setup, or unable
to start regsvr32. Whatever happens, no file under a component's name is anything but that
component, complete, and nothing else is left in the system folder.

Run one scenario class by naming it on the command line (KilledMidWrite, SecondCopy,
RacingCopies, DamagedSetup, RegistrationNotStartable); each one leaves the prefix as it found it.
"""

import os
import re
import shutil
import subprocess
import sys
import time

from harness import automate, wine

import test_install_support as support

# The failure probe stalls in the middle of this component's first chunk of data; the writer
# writes 1 MiB at a time, and each component before it is smaller, so one write each.
STALLED_AT = 2
CHUNK = 1024 * 1024
STAGED_PREFIX = "~brantel-"
DAMAGED_AT = 3
RACING_COPIES = 4
WINDOW_SPACING = (600, 500)  # beyond a window's size with its frame, on the 1280 x 1024 screen
HIDDEN, SYSTEM = 0x2, 0x4
ERROR_INVALID_DATA, ERROR_BAD_EXE_FORMAT = 13, 193
NOT_A_PROGRAM = b"This is no program.\r\n"
# How Wine 8 passes OutputDebugString on to its debug output.
DEBUG_CHANNELS = "warn+seh"
DEBUG_LINE = re.compile(r'OutputDebugStringA "(Brantel setup: [^"]*?)(?:\\n)?"')


def staged_files(folder):
    return {name: entry[1] for name, entry in support.listing(folder).items()
            if name.startswith(STAGED_PREFIX)}


def dos_attributes(path):
    """The DOS attributes Wine keeps for a file, in an extended attribute as "0x" and hex
    digits; a file without one has none of them set."""
    try:
        return int(os.getxattr(path, "user.DOSATTRIB").split(b"\0")[0], 16)
    except OSError:
        return 0


def mid_write(scenario):
    """The stage of the failure probe that stalls halfway through the data of component
    STALLED_AT, and how the system folder shows it stalled: a staged file of half that size."""
    before = [len(scenario.payload[name]) for name in scenario.names[:STALLED_AT]]
    if max(before) >= CHUNK:
        raise AssertionError("a component before the stalled one needs two writes")
    half = min(len(scenario.payload[scenario.names[STALLED_AT]]), CHUNK) // 2
    return f"stall {STALLED_AT}", lambda folder: half in staged_files(folder).values()


def placed_first(scenario):
    """The stage that stalls right after the first component of the run takes its name, between
    that rename and the close, and how it shows: component STALLED_AT, when the components before
    it are there, whole under its name."""
    name = scenario.names[STALLED_AT]
    path = os.path.join(scenario.folder, name)
    return "placed 0", lambda folder: (os.path.isfile(path) and
                                       os.path.getsize(path) == len(scenario.payload[name]))


class StalledCopy:
    """The program as the failure probe runs it, stopped for good at `stage` once "Install" is
    pressed; on leaving, it is ended from outside as the user's "End task" would, and `report` is
    what its automation saw."""

    def __init__(self, scenario, fake, stage=mid_write):
        self.scenario = scenario
        self.fake = fake
        self.stage, self.stalled = stage(scenario)

    def __enter__(self):
        scenario, args = self.scenario, self.scenario.ARGS
        steps = [scenario.start_step(args.failure_probe, "C:\\", "--arg", self.stage,
                                     *self.fake.environment()),
                 ["wait-window", "Brantel setup", 60],
                 ["click", scenario.button],
                 ["wait-exit", support.RUN_SECONDS + support.SERVER_SECONDS]]
        self.running = automate.start(args.automate, args.prefix, args.display, steps)
        try:
            stalled = self.wait_until_stalled()
        except BaseException:
            self.end(check=False)
            raise
        if not stalled:
            self.end(check=False)
            raise AssertionError(f"the probe never stalled:\n{self.report.output}")
        return self

    def wait_until_stalled(self):
        deadline = time.monotonic() + support.RUN_SECONDS
        while not self.stalled(self.scenario.folder):
            if self.running.poll() is not None or time.monotonic() > deadline:
                return False
            time.sleep(0.1)
        return True

    def __exit__(self, *_exc):
        self.end(check=True)
        return False

    def end(self, check):
        args = self.scenario.ARGS
        subprocess.run(["wine", "taskkill", "/f", "/im", os.path.basename(args.failure_probe)],
                       env=wine.environment(args.prefix, args.display), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=check)
        self.report = automate.finish(self.running, timeout=support.EXIT_SECONDS)
        support.wait_for_prefix(args.prefix)


class Interrupted(support.Scenario):
    """What the scenarios here share: a normal run to the end, and its rows. The run's
    registrations may still be going on afterwards."""

    @classmethod
    def full_run(cls, fake, tag):
        steps = [cls.start_step(None, "C:\\", *fake.environment()),
                 ["wait-window", "Brantel setup", 60],
                 ["click", cls.button],
                 ["wait-text", cls.button, "Finish", support.RUN_SECONDS],
                 *cls.rows_steps(tag),  # the list is step 5
                 ["click", cls.button],
                 ["wait-exit", support.EXIT_SECONDS]]
        report = cls.run_steps(steps)
        cls.must_succeed(report)
        return cls.rows_of(report, 5, tag)

    @classmethod
    def error_run(cls, program, fake, tag):
        """A run of `program` (None: Brantel.exe) that ends in the error box, traced for the
        debug line; its report once the prefix is idle again."""
        start = cls.start_step(program, "C:\\", *fake.environment())
        report = cls.run_steps(support.error_run_steps(cls, start, tag), trace=True,
                               debug=DEBUG_CHANNELS)
        support.wait_for_prefix(cls.ARGS.prefix)
        return report

    def assertStoppedAt(self, index, tag):
        """The error run `tag` showed the error box with the rows before `index` installed and
        the one at `index` still in progress."""
        self.assertInstallErrorBox(self.report)
        self.assertRows(self.rows_of(self.report, support.ERROR_RUN_LIST, tag),
                        ["Installed"] * index + ["InProgress"] +
                        ["Pending"] * (len(self.names) - index - 1))

    def assertStartedOnceEach(self, starts):
        self.assertStarted(starts, self.names, support.SYSTEM_FOLDER)

    def assertOnlyComponentsAdded(self, names):
        """Besides these component files the run left nothing in the system folder."""
        self.assertEqual(self.guards[0].added, set(names))


class KilledMidWrite(Interrupted):
    """The first run is ended while it writes component STALLED_AT, the second once that
    component has taken its name and before its file is closed; a normal run follows."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with cls.guard(), support.FakeRegsvr32(cls.ARGS, "killed") as fake:
            with StalledCopy(cls, fake) as stalled:
                pass
            cls.after_kill = cls.component_files(cls.folder)
            cls.staged_after_kill = staged_files(cls.folder)
            with StalledCopy(cls, fake, placed_first):
                cls.placed = cls.component_files(cls.folder)
            cls.after_placed_kill = cls.component_files(cls.folder)
            cls.staged_after_placed_kill = staged_files(cls.folder)
            cls.rows = cls.full_run(fake, "after-kill")
            support.wait_for_prefix(cls.ARGS.prefix)
            cls.files = cls.component_files(cls.folder)
            cls.starts = fake.starts()
        cls.killed = stalled.report

    def test_right_after_the_kill_only_complete_components_and_no_staged_file(self):
        self.assertPayloadFiles(self.after_kill, self.names[:STALLED_AT])
        self.assertEqual(self.staged_after_kill, {})

    def test_a_kill_between_the_rename_and_the_close_leaves_nothing_new(self):
        self.assertPayloadFiles(self.placed, self.names[:STALLED_AT + 1])
        self.assertPayloadFiles(self.after_placed_kill, self.names[:STALLED_AT])
        self.assertEqual(self.staged_after_placed_kill, {})

    def test_the_next_run_installs_the_killed_component_and_registers_it(self):
        self.assertRows(self.rows, ["AlreadyInstalled"] * STALLED_AT +
                        ["Installed"] * (len(self.names) - STALLED_AT))
        self.assertPayloadFiles(self.files, self.names)
        self.assertStartedOnceEach(self.starts)
        self.assertOnlyComponentsAdded(self.names)


class SecondCopy(Interrupted):
    """A second copy runs to the end while the first is stalled in component STALLED_AT; then the
    first is ended."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with cls.guard(), support.FakeRegsvr32(cls.ARGS, "second-copy") as fake:
            with StalledCopy(cls, fake):
                cls.rows = cls.full_run(fake, "second-copy")
            cls.files = cls.component_files(cls.folder)
            cls.starts = fake.starts()

    def test_the_second_copy_calls_installed_only_what_the_first_completed(self):
        self.assertRows(self.rows, ["AlreadyInstalled"] * STALLED_AT +
                        ["Installed"] * (len(self.names) - STALLED_AT))

    def test_once_the_first_is_ended_every_component_is_exact_and_registered_once(self):
        self.assertPayloadFiles(self.files, self.names)
        self.assertStartedOnceEach(self.starts)
        self.assertOnlyComponentsAdded(self.names)


class RacingCopies(Interrupted):
    """Every component lies in the system folder as a hidden, older and longer copy, which the
    existence test passes over; RACING_COPIES copies of Brantel.exe are started and "Install" is
    pressed in all of them at once, so that they race to replace each component."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        args = cls.ARGS
        with cls.guard(), support.FakeRegsvr32(args, "race") as fake:
            for name in cls.names:
                path = os.path.join(cls.folder, name)
                with open(path, "wb") as file:
                    file.write(b"\x5a" * (len(cls.payload[name]) + 4096))
                support.set_dos_attribute(args.prefix, args.display, path, "+h")
                if not dos_attributes(path) & HIDDEN:
                    raise AssertionError(f"+h did not take on {path}")
            # Each window is moved to a place of its own, so that none covers another's rows.
            steps = []
            for copy in range(RACING_COPIES):
                steps += [cls.start_step(None, "C:\\", *fake.environment()),
                          ["wait-window", "Brantel setup", 60],
                          ["move", copy % 2 * WINDOW_SPACING[0], copy // 2 * WINDOW_SPACING[1]]]
            steps.append(["click-all", cls.button])
            # A copy whose run met an error shows its box and reads "Finish" only once the box is
            # answered, which nothing here does: every copy reading "Finish" means no box.
            lists = []
            for copy in range(1, RACING_COPIES + 1):
                steps += [["use", copy], ["wait-text", cls.button, "Finish", support.RUN_SECONDS]]
                lists.append(len(steps) + 1)
                steps += cls.rows_steps(f"race-{copy}")
            for copy in range(1, RACING_COPIES + 1):
                steps += [["use", copy], ["click", cls.button], ["wait-exit", support.EXIT_SECONDS]]
            cls.report = cls.run_steps(steps, trace=True, debug=DEBUG_CHANNELS)
            support.wait_for_prefix(args.prefix)
            cls.files = cls.component_files(cls.folder)
            cls.attributes = {name: dos_attributes(os.path.join(cls.folder, name))
                              for name in cls.files}
            cls.starts = fake.starts()
        if cls.report.failure():
            raise AssertionError(f"automation failed:\n{cls.report.output}\n"
                                 f"{DEBUG_LINE.findall(cls.report.trace)}")
        cls.rows = [cls.rows_of(cls.report, step, f"race-{copy}")
                    for copy, step in enumerate(lists, start=1)]

    def test_every_copy_finishes_every_row_without_an_error(self):
        for copy, rows in enumerate(self.rows, start=1):
            with self.subTest(copy=copy):
                self.assertEqual(rows[0][self.button]["text"], "Finish")
                texts = [rows[0][self.ids["lblCom"] + row]["text"] for row in range(len(self.names))]
                self.assertRows(rows, ["Installed" if text.endswith(support.INSTALLED) else
                                       "AlreadyInstalled" for text in texts])
        self.assertEqual(DEBUG_LINE.findall(self.report.trace), [], "no failure was reported")

    def test_every_component_is_exact_and_an_ordinary_file(self):
        self.assertPayloadFiles(self.files, self.names)
        self.assertEqual({name: bits & (HIDDEN | SYSTEM) for name, bits in self.attributes.items()},
                         {name: 0 for name in self.names})
        self.assertOnlyComponentsAdded(self.names)

    def test_each_component_is_registered_once_per_row_that_says_so(self):
        installed = {name: 0 for name in self.names}
        for controls, _shot in self.rows:
            for row, name in enumerate(self.names):
                installed[name] += controls[self.ids["lblCom"] + row]["text"].endswith(
                    support.INSTALLED)
        started = {name: [s["command"] for s in self.starts].count("regsvr32 /s " + name)
                   for name in self.names}
        self.assertEqual(started, installed)
        self.assertTrue(all(count >= 1 for count in installed.values()), installed)


class DamagedSetup(Interrupted):
    """A copy of Brantel.exe with one byte changed in the middle of component DAMAGED_AT's data,
    run with Wine's debug output of OutputDebugString on."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        args = cls.ARGS
        name = cls.names[DAMAGED_AT]
        with open(args.program, "rb") as file:
            program = bytearray(file.read())
        entry = cls.payload[name]
        offset = program.find(entry)
        if offset < 0 or program.find(entry, offset + 1) >= 0:
            raise AssertionError(f"{name} is not once in {args.program}")
        program[offset + len(entry) // 2] ^= 0xFF
        folder = os.path.join(args.out, f"damaged-{args.arch}")
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
        damaged = os.path.join(folder, "Brantel.exe")
        with open(damaged, "wb") as file:
            file.write(program)
        with cls.guard(), support.FakeRegsvr32(args, "damaged") as fake:
            cls.report = cls.error_run(damaged, fake, "damaged")
            cls.files = cls.component_files(cls.folder)
            cls.starts = fake.starts()
        cls.must_succeed(cls.report)

    def test_install_error_and_the_rows_stop_at_the_damaged_component(self):
        self.assertStoppedAt(DAMAGED_AT, "damaged")

    def test_the_damaged_component_is_not_written_nor_registered(self):
        self.assertPayloadFiles(self.files, self.names[:DAMAGED_AT])
        self.assertOnlyComponentsAdded(self.names[:DAMAGED_AT])
        self.assertStarted(self.starts, self.names[:DAMAGED_AT], support.SYSTEM_FOLDER)

    def test_a_debugger_is_told_the_component_operation_code_text_and_call_site(self):
        lines = DEBUG_LINE.findall(self.report.trace)
        self.assertEqual(len(lines), 1, self.report.trace[-3000:])
        self.assertRegex(lines[0], rf"^Brantel setup: {re.escape(self.names[DAMAGED_AT])}: "
                                   rf"payload digest failed, error {ERROR_INVALID_DATA} "
                                   r"\([^()]+\), src/installer/\w+\.cpp line \d+$")


class RegistrationNotStartable(Interrupted):
    """regsvr32.exe is no program, so the first registration cannot be started; a second run
    follows once it is a program again."""

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        args = cls.ARGS
        broken = os.path.join(args.out, f"not-a-program-{args.arch}.exe")
        with open(broken, "wb") as file:
            file.write(NOT_A_PROGRAM)
        with cls.guard():
            with support.FakeRegsvr32(args, "not-startable", broken) as fake:
                cls.report = cls.error_run(None, fake, "not-startable")
                cls.files_after_failure = cls.component_files(cls.folder)
                cls.staged = staged_files(cls.folder)
            with support.FakeRegsvr32(args, "after-not-startable") as fake:
                cls.rows = cls.full_run(fake, "after-not-startable")
                support.wait_for_prefix(args.prefix)
                cls.files = cls.component_files(cls.folder)
                cls.starts = fake.starts()
        cls.must_succeed(cls.report)

    def test_install_error_and_the_component_is_removed_again(self):
        self.assertStoppedAt(0, "not-startable")
        self.assertEqual(self.files_after_failure, {})
        self.assertEqual(self.staged, {})
        line = DEBUG_LINE.findall(self.report.trace)
        self.assertRegex(" ".join(line), rf"{re.escape(self.names[0])}: CreateProcess failed, "
                                         rf"error {ERROR_BAD_EXE_FORMAT} ")

    def test_the_next_run_installs_and_registers_everything(self):
        self.assertRows(self.rows, ["Installed"] * len(self.names))
        self.assertPayloadFiles(self.files, self.names)
        self.assertStartedOnceEach(self.starts)
        self.assertOnlyComponentsAdded(self.names)


if __name__ == "__main__":
    sys.exit(support.main())
