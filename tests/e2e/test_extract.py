"""Payload lookup and file extraction under Wine, through the installer's own code.

brantel-extract-probe.exe links the same lookup, file writer and payload resources as
Brantel.exe. It is started twice: once for every lookup and extraction, and once more with
Wine's file trace for the replacement of an existing hidden file, whose trace shows which files
were opened.
"""

import os
import re
import shutil
import unittest
import zlib

from harness import wine

import test_extract_probe as probe

ARGS = None
RUN = None
TRACED = None

INTERNET_CONTROL = "MSINET.OCX"
INTERNET_CONTROL_SIZE = 115016
HIDDEN_FILE_SIZE = 300000
FILE_ATTRIBUTE_HIDDEN, FILE_ATTRIBUTE_SYSTEM = 0x2, 0x4
WRONG_TYPES = ["RCDATA", "CUSTOMS", "CUSTO", "#10"]
WRONG_NAMES = ["<<<<False>>>>", "MSINET", "MSINET.OCX.", "VBAME.DL"]


def path(name):
    return os.path.join(ARGS.out, name)


def setUpModule():
    global RUN, TRACED
    shutil.rmtree(ARGS.out, ignore_errors=True)
    os.makedirs(ARGS.out)
    win = wine.windows_path

    script = probe.Script()
    for name in ARGS.names:
        script.add(("read", name), "read", name, "Custom")
    for name, kind in [("VBAME.DLL", "CUSTOM"), ("vbame.dll", "custom"), ("VbAmE.dLl", "cUsToM")]:
        script.add(("read", name, kind), "read", name, kind)
    for kind in WRONG_TYPES:
        script.add(("wrong type", kind), "read", INTERNET_CONTROL, kind)
    for name in WRONG_NAMES:
        script.add(("wrong name", name), "read", name, "Custom")
    script.add("new", "extract", INTERNET_CONTROL, "Custom", win(path("new.ocx")))
    script.add("to release", "extract", INTERNET_CONTROL, "Custom", win(path("released.ocx")))
    script.add("release", "release", win(path("released.ocx")))
    script.add("no entry", "extract", "<<<<False>>>>", "Custom", win(path("false.ocx")))
    script.add("no type", "extract", INTERNET_CONTROL, "RCDATA", win(path("rcdata.ocx")))
    script.add("no folder", "extract", INTERNET_CONTROL, "Custom",
               win(path(os.path.join("missing", "MSINET.OCX"))))
    script.add("make hidden", "make-hidden", win(path("hidden.ocx")), HIDDEN_FILE_SIZE)
    script.add("hidden before", "attributes", win(path("hidden.ocx")))
    RUN = script.run(ARGS)

    traced = probe.Script()
    traced.add("overwrite", "extract", INTERNET_CONTROL, "Custom", win(path("hidden.ocx")))
    traced.add("hidden after", "attributes", win(path("hidden.ocx")))
    TRACED = traced.run(ARGS, debug="+file")


class Lookup(unittest.TestCase):
    def assertEntry(self, record, name):
        packed = probe.read_bytes(ARGS.packed[name])
        self.assertEqual(record.kind, "read", f"{name}: {record.fields}")
        self.assertEqual(record.int("size"), len(packed), f"{name}: size")
        self.assertEqual(record.int("crc32"), zlib.crc32(packed), f"{name}: content")

    def test_each_catalogue_name_gives_its_packed_file(self):
        for name in ARGS.names:
            with self.subTest(name=name):
                self.assertEntry(RUN[("read", name)], name)
        self.assertEqual(RUN[("read", INTERNET_CONTROL)].int("size"), INTERNET_CONTROL_SIZE)

    def test_name_and_type_ignore_letter_case(self):
        for key in [("read", "VBAME.DLL", "CUSTOM"), ("read", "vbame.dll", "custom"),
                    ("read", "VbAmE.dLl", "cUsToM")]:
            with self.subTest(key=key):
                self.assertEntry(RUN[key], "VBAME.DLL")

    def test_another_type_or_name_fails(self):
        for key, code in [(("wrong type", kind), probe.ERROR_RESOURCE_TYPE_NOT_FOUND)
                          for kind in WRONG_TYPES] + \
                         [(("wrong name", name), probe.ERROR_RESOURCE_NAME_NOT_FOUND)
                          for name in WRONG_NAMES]:
            with self.subTest(key=key):
                record = RUN[key]
                self.assertEqual(record.kind, "error", record.fields)
                self.assertEqual(record.int("code"), code)


class Extraction(unittest.TestCase):
    def assertFailed(self, key, code):
        record = RUN[key]
        self.assertEqual(record.kind, "error", f"{key}: {record.fields}")
        self.assertEqual(record.int("code"), code, f"{key}: {record.fields}")

    def test_new_file_is_the_entry_byte_for_byte(self):
        self.assertEqual(RUN["new"].kind, "extract", RUN["new"].fields)
        written = probe.read_bytes(path("new.ocx"))
        self.assertEqual(len(written), INTERNET_CONTROL_SIZE)
        self.assertTrue(written == probe.read_bytes(ARGS.packed[INTERNET_CONTROL]),
                        "the written file differs from the packed one")

    def test_no_handle_stays_open_after_the_call(self):
        self.assertEqual(RUN["to release"].kind, "extract", RUN["to release"].fields)
        # Opening with no sharing, moving and deleting each fail while the writer's handle lives.
        self.assertEqual(RUN["release"].kind, "release", RUN["release"].fields)
        self.assertEqual([n for n in os.listdir(ARGS.out) if n.startswith("released")], [])

    def test_missing_entry_fails_before_touching_the_destination(self):
        self.assertFailed("no entry", probe.ERROR_RESOURCE_NAME_NOT_FOUND)
        self.assertFailed("no type", probe.ERROR_RESOURCE_TYPE_NOT_FOUND)
        self.assertFalse(os.path.lexists(path("false.ocx")))
        self.assertFalse(os.path.lexists(path("rcdata.ocx")))

    def test_missing_folder_fails_and_creates_nothing(self):
        self.assertFailed("no folder", probe.ERROR_PATH_NOT_FOUND)
        self.assertFalse(os.path.lexists(path("missing")))

    def test_longer_hidden_file_ends_up_exactly_the_entry(self):
        self.assertEqual(RUN["make hidden"].kind, "make-hidden", RUN["make hidden"].fields)
        hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
        self.assertEqual(RUN["hidden before"].int("value") & hidden, hidden,
                         "the file to overwrite is hidden and system")
        self.assertEqual(TRACED["overwrite"].kind, "extract", TRACED["overwrite"].fields)
        self.assertEqual(TRACED.returncode, 0)
        written = probe.read_bytes(path("hidden.ocx"))
        self.assertEqual(len(written), INTERNET_CONTROL_SIZE, "cut to the entry's length")
        self.assertTrue(written == probe.read_bytes(ARGS.packed[INTERNET_CONTROL]),
                        "the overwritten file differs from the packed one")


class ReplacementOfAnExistingHiddenFile(unittest.TestCase):
    """The entry is written into a staged file of its own and renamed over the hidden one: the
    hidden file is never opened for writing, so a failed write cannot damage it."""

    @classmethod
    def setUpClass(cls):
        cls.trace = TRACED.stderr
        cls.opened = re.findall(r'CreateFileW L"([^"]*)"', cls.trace)

    def test_only_a_staged_file_is_opened_for_the_entry(self):
        staged = [name for name in self.opened if "~brantel-" in name]
        self.assertEqual(len(staged), 1, self.excerpt())
        self.assertEqual([name for name in self.opened if name.endswith("hidden.ocx")], [],
                         self.excerpt())

    def test_the_replacement_is_an_ordinary_file_and_nothing_staged_remains(self):
        hidden = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM
        self.assertEqual(TRACED["hidden after"].int("value") & hidden, 0, TRACED["hidden after"].fields)
        self.assertEqual([n for n in os.listdir(ARGS.out) if n.startswith("~brantel-")], [])

    def excerpt(self):
        lines = [line for line in self.trace.splitlines() if "CreateFileW" in line]
        return "trace lines:\n" + "\n".join(lines[:40])


if __name__ == "__main__":
    ARGS, argv = probe.parse()
    unittest.main(argv=argv, verbosity=2)
