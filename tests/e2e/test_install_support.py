"""What the install-run scenarios share: the payload, the prefix's system folder, what registered
itself to the components, the logging regsvr32 stand-in, and the rows as the automation program
lists them.

Every scenario leaves the prefix as it found it: `SystemFolderGuard` removes whatever appeared in
the system folder and what registered itself to the components, and `FakeRegsvr32` puts the
prefix's own regsvr32.exe back.
"""

import argparse
import os
import shutil
import stat
import subprocess
import sys
import unittest

from harness import automate, bmp, catalogue, design, facts, pictures, registry, wine

import common

# The installer's target as it names it, "windir" followed by "\System32", and so the current
# folder of the registrations it starts; a 32-bit program on 64-bit Windows still says System32.
SYSTEM_FOLDER = "C:\\windows\\System32"
DLL_OVERRIDES_KEY = r"HKCU\Software\Wine\DllOverrides"
INSTALLED = "Installed and registered successful"
ALREADY = "Already installed"
STATUS_LINE_WIDTH = 60
CHARACTER_WIDTH = 8
ROW_LEFT = 48
BUTTON = "CmdInstall"
STATE_PICTURE = {"Pending": "PicQues", "InProgress": "PicArrow", "Installed": "PicGood",
                 "AlreadyInstalled": "PicInfo"}
SW_SHOWMINIMIZED = 2
IDOK = 1
# Generous bounds for a slow machine; nothing is judged by how long it took.
RUN_SECONDS = 120
EXIT_SECONDS = 30
SERVER_SECONDS = 180
SKIPPED = 77  # ctest's SKIP_RETURN_CODE for these tests


def parse():
    """The shared arguments, plus the payload list and the logging regsvr32 stand-in."""
    args, rest = common.parse()
    parser = argparse.ArgumentParser()
    parser.add_argument("--payload-json", required=True, help="payload.json of the cross build")
    parser.add_argument("--fake-regsvr32", required=True, help="brantel-fake-regsvr32.exe")
    parser.add_argument("--failure-probe", required=True, help="brantel-failure-probe.exe")
    extra, remaining = parser.parse_known_args(rest[1:])
    args.payload_json = extra.payload_json
    args.fake_regsvr32 = extra.fake_regsvr32
    args.failure_probe = extra.failure_probe
    if not args.program:
        raise SystemExit("--program is required")
    for path in (args.payload_json, args.fake_regsvr32, args.failure_probe):
        if not os.path.isfile(path):
            raise SystemExit(f"missing {path}: build the cross preset first")
    args.arch = os.path.basename(os.path.normpath(args.prefix))
    return args, [rest[0]] + remaining


def payload(payload_json, names):
    """The bytes of each catalogue entry, read from the files that the build packed."""
    entries = facts.packed(payload_json)
    if sorted(entries) != sorted(names):
        raise AssertionError(f"{payload_json} packs {sorted(entries)}, the catalogue names {names}")
    contents = {}
    for name in names:
        with open(entries[name], "rb") as file:
            contents[name] = file.read()
    return contents


def self_registering(contents):
    """The components whose stand-in exports DllRegisterServer, so regsvr32 registers a class."""
    return {name for name, data in contents.items() if b"DllRegisterServer" in data}


def system_folder(prefix):
    """The folder that a 32-bit program's %windir%\\System32 is: syswow64 in a 64-bit prefix."""
    return wine.system_folders(prefix)[-1]


def wait_for_prefix(prefix):
    """Waits until nothing runs in the prefix any more: registrations are never waited for by
    the installer, so they are judged only once they have all ended."""
    try:
        subprocess.run(["wineserver", "-w"], env=wine.environment(prefix), check=True,
                       timeout=SERVER_SECONDS)
    except subprocess.TimeoutExpired:
        subprocess.run(["wineserver", "-k"], env=wine.environment(prefix), check=False)
        raise AssertionError("processes in the prefix did not end in time; they were killed")


# Every Wine program here gets the display: a program started without one would start the
# prefix's desktop without a driver, and then a window of any later program that the same
# wineserver serves fails.

def set_dos_attribute(prefix, display, path, flag):
    """Sets a DOS attribute ("+h", "+s") the way a Windows user would, with attrib."""
    subprocess.run(["wine", "attrib", flag, wine.windows_path(path)],
                   env=wine.environment(prefix, display),
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)


def listing(folder):
    """Entry name -> (is a folder, size, modification time) of a folder's direct entries. An
    entry that a running program removes between reading the folder and reading the entry, as
    it does with its staged files, is not there."""
    result = {}
    for entry in os.scandir(folder):
        try:
            status = entry.stat(follow_symlinks=False)
        except FileNotFoundError:
            continue
        result[entry.name] = (stat.S_ISDIR(status.st_mode), status.st_size, status.st_mtime_ns)
    return result


def remove(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)


class SystemFolderGuard:
    """Takes the system folder as it is, with nothing registered to the components, and on
    leaving removes what the scenario added, after everything in the prefix has ended. `added`
    names what was there then and not before."""

    def __init__(self, prefix, display, names):
        self.prefix = prefix
        self.display = display
        self.names = names
        self.folder = system_folder(prefix)

    def __enter__(self):
        self.before = listing(self.folder)
        found = registry.registrations(self.prefix, self.names, self.display)
        if any(found.values()):
            raise AssertionError(f"the prefix already holds registrations of components: {found}")
        return self

    def __exit__(self, *_exc):
        # The folder is put back even when the prefix had to be ended by force, so that a failed
        # scenario does not become the starting state of the next one.
        try:
            wait_for_prefix(self.prefix)
        finally:
            self.added = set(listing(self.folder)) - set(self.before)
            for name in self.added:
                remove(os.path.join(self.folder, name))
            registry.remove(self.prefix,
                            registry.registrations(self.prefix, self.names, self.display),
                            self.display)
            self.after = listing(self.folder)
        return False


class FakeRegsvr32:
    """Puts the logging stand-in, or the file `fake`, where the system's regsvr32.exe is, and the
    original back on leaving. `log` is where the stand-in writes, named by BRANTEL_REGSVR32_LOG."""

    def __init__(self, args, tag, fake=None):
        self.native_first = NativeFirstRegsvr32(args.prefix, args.display)
        self.target = os.path.join(system_folder(args.prefix), "regsvr32.exe")
        self.backup = os.path.join(args.out, f"regsvr32-{args.arch}-{tag}.original")
        self.log = os.path.join(args.out, f"regsvr32-{args.arch}-{tag}.log")
        self.fake = fake or args.fake_regsvr32

    def __enter__(self):
        remove(self.log)
        shutil.copy2(self.target, self.backup)
        shutil.copyfile(self.fake, self.target)
        self.native_first.__enter__()
        return self

    def __exit__(self, *_exc):
        self.native_first.__exit__()
        shutil.copyfile(self.backup, self.target)
        shutil.copystat(self.backup, self.target)
        os.remove(self.backup)
        return False

    def environment(self):
        return log_environment(self.log)

    def starts(self):
        return read_log(self.log)


def log_environment(log):
    """Options for the automation's start step that name the stand-in's log."""
    return ["--set", "BRANTEL_REGSVR32_LOG=" + wine.windows_path(log)]


class NativeFirstRegsvr32:
    """Makes Wine run a file named regsvr32.exe as it is, wherever it lies, rather than its own
    built-in regsvr32; its own still runs from the placeholder file in the system folder. The
    override is a registry value, since a started process takes WINEDLLOVERRIDES from the Unix
    environment, not from the environment its parent gives it."""

    def __init__(self, prefix, display):
        self.env = wine.environment(prefix, display)

    def __enter__(self):
        subprocess.run(["wine", "reg", "add", DLL_OVERRIDES_KEY, "/v", "regsvr32.exe", "/d",
                        "native,builtin", "/f"], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)
        return self

    def __exit__(self, *_exc):
        subprocess.run(["wine", "reg", "delete", DLL_OVERRIDES_KEY, "/v", "regsvr32.exe", "/f"],
                       env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       check=True)
        return False


def error_run_steps(scenario, start, tag):
    """Start, click, wait for the error box, close it, read the rows, press "Finish"."""
    return [start,
            ["wait-window", "Brantel setup", 60],
            ["click", scenario.button],
            ["wait-msgbox", RUN_SECONDS],
            ["answer-msgbox"],
            ["wait-text", scenario.button, "Finish", EXIT_SECONDS],
            *scenario.rows_steps(tag),  # the list is step ERROR_RUN_LIST
            ["click", scenario.button],
            ["wait-exit", EXIT_SECONDS]]


ERROR_RUN_LIST = 7


def read_log(log):
    """The stand-in's records in the order the processes were started, not the order in which
    they reached the log."""
    if not os.path.exists(log):
        return []
    with open(log, encoding="utf-8") as file:
        records = [automate.Record(line) for line in file if line.strip()]
    return sorted(records, key=lambda record: int(record["created"]))


class Scenario(unittest.TestCase):
    """Base of the scenarios: catalogue, control ids, payload, and checks of the window."""

    ARGS = None

    @classmethod
    def setUpClass(cls):
        args = cls.ARGS
        cls.names = catalogue.component_names(args.facts)
        cls.ids = design.control_ids(args.facts)
        cls.button = cls.ids[BUTTON]
        cls.payload = payload(args.payload_json, cls.names)
        cls.pictures = pictures.Pictures(args.facts)
        cls.references = cls.pictures.load(args.source_dir)
        cls.folder = system_folder(args.prefix)
        cls.guards = []

    @classmethod
    def guard(cls):
        guard = SystemFolderGuard(cls.ARGS.prefix, cls.ARGS.display, cls.names)
        cls.guards.append(guard)
        return guard

    @classmethod
    def run_steps(cls, steps, **options):
        return automate.run(cls.ARGS.automate, cls.ARGS.prefix, cls.ARGS.display, steps, **options)

    @classmethod
    def start_step(cls, program=None, cwd="C:\\", *options):
        return ["start", wine.windows_path(program or cls.ARGS.program), "--cwd", cwd, *options]

    @classmethod
    def rows_steps(cls, tag):
        """Steps that read the rows at one moment: the controls, then the window's pixels."""
        path = os.path.join(cls.ARGS.out, f"rows-{cls.ARGS.arch}-{tag}.bmp")
        return [["list"], ["capture", wine.windows_path(path)]]

    @classmethod
    def rows_of(cls, report, list_step, tag):
        """The controls that step `list_step` listed, and the capture of `rows_steps(tag)`."""
        path = os.path.join(cls.ARGS.out, f"rows-{cls.ARGS.arch}-{tag}.bmp")
        return report.step(list_step).controls(), bmp.read_bmp(path)

    @staticmethod
    def must_succeed(report):
        if report.failure():
            raise AssertionError(f"automation failed:\n{report.output}")

    def status_line(self, name, message):
        return name + "." * (STATUS_LINE_WIDTH - len(name) - len(message)) + message

    def assertRows(self, rows, states):
        """Each row shows its state's one picture, and its label the matching text: the status
        line, ending at x = 48 + 60 * 8, once the run has dealt with the row; else the name."""
        controls, shot = rows
        self.assertEqual(len(states), len(self.names))
        for row, (name, state) in enumerate(zip(self.names, states)):
            with self.subTest(row=row, name=name, state=state):
                label = controls[self.ids["lblCom"] + row]
                self.assertEqual(self.pictures.shown(shot, self.references, row),
                                 [STATE_PICTURE[state]], "the picture the row shows")
                if state in ("Installed", "AlreadyInstalled"):
                    message = INSTALLED if state == "Installed" else ALREADY
                    self.assertEqual(label["text"], self.status_line(name, message))
                    self.assertEqual(len(label["text"]), STATUS_LINE_WIDTH)
                else:
                    self.assertEqual(label["text"], name, "the bare name")
                self.assertEqual(label.int("x"), ROW_LEFT)
                right = ROW_LEFT + CHARACTER_WIDTH * len(label["text"])
                self.assertEqual(label.int("x") + label.int("w"), right, "label's right edge")

    def assertInstallErrorBox(self, report):
        box = report.one("msgbox")
        self.assertEqual(box["title"], "Brantel")
        self.assertEqual(box["text"], "Install error..")
        self.assertEqual(box["buttons"], f"{IDOK}=OK", "an OK button only")
        self.assertEqual(box.int("icon"), 0, "no icon")

    @classmethod
    def component_files(cls, folder):
        """Name -> bytes of every component file in the folder, read before cleaning up."""
        files = {}
        for name in cls.names:
            path = os.path.join(folder, name)
            if os.path.isfile(path):
                with open(path, "rb") as file:
                    files[name] = file.read()
        return files

    def assertPayloadFiles(self, files, names):
        """Exactly these components were files in the folder, each equal to its payload entry."""
        self.assertEqual(sorted(files), sorted(names), "component files in the target folder")
        for name in names:
            with self.subTest(file=name):
                self.assertEqual(len(files[name]), len(self.payload[name]), "size")
                self.assertTrue(files[name] == self.payload[name], "bytes equal the payload entry")

    def test_prefix_is_left_as_found(self):
        for guard in self.guards:
            self.assertEqual(guard.after, guard.before, f"{guard.folder} after the scenario")

    def assertStarted(self, starts, names, folder_windows):
        """The processes were started one per name, in this order, as "regsvr32 /s NAME", from
        the system's regsvr32.exe, minimised, in the target folder."""
        self.assertEqual([s["command"] for s in starts], ["regsvr32 /s " + n for n in names])
        system_regsvr32 = registry.system_folder_windows(self.ARGS.prefix) + "\\regsvr32.exe"
        for start in starts:
            with self.subTest(command=start["command"]):
                self.assertEqual(start["module"].lower(), system_regsvr32.lower())
                self.assertEqual(start["cwd"].lower(), folder_windows.lower())
                self.assertEqual(start.int("show"), SW_SHOWMINIMIZED)


def main():
    """Runs the scenarios of the calling script that the command line names (all by default);
    exits with 77, which ctest reports as skipped, when every test that ran was skipped."""
    args, argv = parse()
    Scenario.ARGS = args
    script = sys.modules["__main__"]
    loader = unittest.defaultTestLoader
    suite = (loader.loadTestsFromNames(argv[1:], script) if len(argv) > 1
             else loader.loadTestsFromModule(script))
    result = unittest.TextTestRunner(verbosity=2).run(suite)
    if not result.wasSuccessful():
        return 1
    # A class that skips in setUpClass counts one skip and runs no test.
    if result.skipped and result.testsRun <= len(result.skipped):
        return SKIPPED
    return 0
