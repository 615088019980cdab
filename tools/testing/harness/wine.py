"""Runs programs in a throwaway Wine prefix, and creates such prefixes.

  wine.py create PREFIX win32|win64   a fresh prefix, as `wineboot --init` leaves it for a user
  wine.py stop PREFIX                 end the prefix's wineserver and whatever still runs in it
"""

import os
import shutil
import subprocess
import sys


def environment(prefix, display=None):
    env = dict(os.environ)
    env.update(WINEPREFIX=os.path.abspath(prefix), WINEDEBUG="-all",
               WINEDLLOVERRIDES="mscoree,mshtml=")
    if display:
        env["DISPLAY"] = display
    else:
        env.pop("DISPLAY", None)
    return env


def windows_path(path):
    """The path as a Windows program in the prefix sees it, through drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def system_folders(prefix):
    """Where a 32-bit program's %windir%\\System32 lands: syswow64 in a 64-bit prefix."""
    windows = os.path.join(prefix, "drive_c", "windows")
    wow = os.path.join(windows, "syswow64")
    return [os.path.join(windows, "system32")] + ([wow] if os.path.isdir(wow) else [])


def wait_for_server(prefix):
    subprocess.run(["wineserver", "-w"], env=environment(prefix), check=True)


def set_dpi(prefix, display, dpi):
    """Sets the display resolution that programs started from now on see, where Windows keeps
    it: the user's LogPixels. Wine reads it there too, at each program's start."""
    subprocess.run(["wine", "reg", "add", r"HKCU\Control Panel\Desktop", "/v", "LogPixels", "/t",
                    "REG_DWORD", "/d", str(dpi), "/f"], env=environment(prefix, display), check=True,
                   stdout=subprocess.DEVNULL)


def create(prefix, arch):
    shutil.rmtree(prefix, ignore_errors=True)
    env = environment(prefix)
    env["WINEARCH"] = arch
    subprocess.run(["wineboot", "--init"], env=env, check=True, stdout=subprocess.DEVNULL)
    wait_for_server(prefix)
    print(f"created {arch} prefix {prefix}")


def stop(prefix):
    if os.path.isdir(prefix):
        subprocess.run(["wineserver", "-k"], env=environment(prefix), check=False)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "create" and sys.argv[3] in ("win32", "win64"):
        create(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "stop":
        stop(sys.argv[2])
    else:
        sys.exit(__doc__)
