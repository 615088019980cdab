"""Extraction onto a drive too small for the entry, under Wine.

A 64 KiB tmpfs is mounted in the build tree and given a drive letter in the prefix. The entry of
"MSINET.OCX" does not fit, so the write fails part-way; the writer must not leave the partly
written file behind, since the next install run would take it for an installed component.
Mounting needs root (or CAP_SYS_ADMIN): without it the test is skipped with exit code 77.
"""

import os
import subprocess
import sys
import unittest

import test_extract_probe as probe

ARGS = None
SKIPPED = 77
DRIVE_SIZE = 64 * 1024
TOO_LARGE, FITS = "MSINET.OCX", "VBAME.DLL"


class Drive:
    """A small tmpfs at `mount_point`, seen in the prefix as the first free letter from Q:."""

    def __init__(self, prefix, mount_point):
        self.mount_point = os.path.abspath(mount_point)
        self.devices = os.path.join(prefix, "dosdevices")
        self.link = None

    def mount(self):
        """Returns why the drive cannot be made, or None once it is in place."""
        self.unmount()  # a run that was killed may have left it mounted
        os.makedirs(self.mount_point, exist_ok=True)
        completed = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={DRIVE_SIZE}", "tmpfs",
                                    self.mount_point], stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, text=True)
        if completed.returncode != 0:
            return f"mount -t tmpfs failed: {completed.stdout.strip()}"
        taken = set(name.lower() for name in os.listdir(self.devices))
        letter = next(c for c in "qrstuvwxy" if f"{c}:" not in taken)
        self.link = os.path.join(self.devices, f"{letter}:")
        os.symlink(self.mount_point, self.link)
        return None

    def unmount(self):
        if self.link and os.path.islink(self.link):
            os.remove(self.link)
        for name in os.listdir(self.devices):
            link = os.path.join(self.devices, name)
            if os.path.islink(link) and os.readlink(link) == self.mount_point:
                os.remove(link)
        if os.path.ismount(self.mount_point):
            subprocess.run(["umount", self.mount_point], check=True)

    def windows_path(self, name):
        return os.path.basename(self.link).upper() + "\\" + name


DRIVE = None
RUN = None
FREE_BEFORE = None


def setUpModule():
    global RUN, FREE_BEFORE
    stat = os.statvfs(DRIVE.mount_point)
    FREE_BEFORE = stat.f_bavail * stat.f_frsize
    script = probe.Script()
    script.add("too large", "extract", TOO_LARGE, "Custom", DRIVE.windows_path(TOO_LARGE))
    script.add("fits", "extract", FITS, "Custom", DRIVE.windows_path(FITS))
    RUN = script.run(ARGS)


class FullDrive(unittest.TestCase):
    def test_entry_larger_than_the_free_space_fails_and_leaves_no_file(self):
        size = os.path.getsize(ARGS.packed[TOO_LARGE])
        self.assertLess(FREE_BEFORE, size, "the drive must be too small for the entry")
        record = RUN["too large"]
        self.assertEqual(record.kind, "error", record.fields)
        self.assertEqual(record.int("code"), probe.ERROR_DISK_FULL, record.fields)
        self.assertEqual(record["what"], "WriteFile")
        self.assertNotIn(TOO_LARGE, os.listdir(DRIVE.mount_point))

    def test_an_entry_that_fits_is_written_to_the_same_drive(self):
        # Shows that the failure above came from the space, not from a drive that cannot be written.
        self.assertEqual(RUN["fits"].kind, "extract", RUN["fits"].fields)
        self.assertEqual(os.listdir(DRIVE.mount_point), [FITS])
        self.assertTrue(probe.read_bytes(os.path.join(DRIVE.mount_point, FITS)) ==
                        probe.read_bytes(ARGS.packed[FITS]))


def main():
    global ARGS, DRIVE
    ARGS, argv = probe.parse()
    arch = os.path.basename(os.path.normpath(ARGS.prefix))
    DRIVE = Drive(ARGS.prefix, os.path.join(ARGS.out, "drive"))
    reason = DRIVE.mount()
    if reason:
        DRIVE.unmount()
        print(f"SKIPPED: cannot make a small drive for the {arch} prefix: {reason}")
        return SKIPPED
    try:
        result = unittest.main(argv=argv, verbosity=2, exit=False).result
    finally:
        DRIVE.unmount()
    return 0 if result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
