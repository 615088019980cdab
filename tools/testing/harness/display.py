"""Provides the X display that Wine draws on during the end-to-end tests.

  display.py start STATE   use $DISPLAY, or start a private Xvfb; record which in STATE
  display.py stop STATE    stop the Xvfb that `start` started, if any

The tests read STATE to learn the display, because ctest fixes a test's environment before any
fixture has run.
"""

import os
import signal
import subprocess
import sys


def start(state):
    if os.environ.get("DISPLAY"):
        write_state(state, os.environ["DISPLAY"], 0)
        return
    # The screen holds the window at 200 % (1100 x 880 pixels of client area and its frame).
    # -displayfd makes Xvfb choose a free display number itself and write it to the pipe, so
    # parallel runs never race for the same number.
    reader, writer = os.pipe()
    log = open(state + ".log", "wb")
    server = subprocess.Popen(
        ["Xvfb", "-displayfd", str(writer), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
        pass_fds=(writer,), stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
    os.close(writer)
    with os.fdopen(reader) as pipe:
        number = pipe.readline().strip()
    if not number.isdigit():
        server.kill()
        sys.exit(f"Xvfb did not start; see {state}.log")
    write_state(state, ":" + number, server.pid)
    print(f"started Xvfb :{number} (pid {server.pid})")


def write_state(state, display, pid):
    with open(state, "w") as file:
        file.write(f"{display}\n{pid}\n")


def read_state(state):
    """The display name and the pid of our own Xvfb (0 when the display was given)."""
    with open(state) as file:
        display, pid = file.read().split()
    return display, int(pid)


def stop(state):
    if not os.path.exists(state):
        return
    _display, pid = read_state(state)
    if pid:
        try:
            os.kill(pid, signal.SIGTERM)
            print(f"stopped Xvfb (pid {pid})")
        except ProcessLookupError:
            pass
    os.remove(state)


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[1] not in ("start", "stop"):
        sys.exit(__doc__)
    {"start": start, "stop": stop}[sys.argv[1]](sys.argv[2])
