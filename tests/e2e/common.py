"""Command-line arguments shared by the end-to-end test scripts."""

import argparse
import os
import sys
from harness import display

# The window's fonts as it asks for them: "Courier New" 9.75 point for the window and its labels,
# "Tahoma" 9 point for the button, both with the Arabic character set and the pitch and family of
# their face (FIXED_PITCH | FF_MODERN, VARIABLE_PITCH | FF_SWISS), which is what the font mapper
# goes by where no face of the name declares that character set.
WINDOW_FONT_POINTS, BUTTON_FONT_POINTS, ARABIC_CHARSET = 9.75, 9, 178
WINDOW_PITCH_FAMILY, BUTTON_PITCH_FAMILY = 0x31, 0x22


def font_height(points, dpi):
    """The character height in pixels that the window asks for: negative, as CreateFont takes it."""
    return -int(points * dpi / 72 + 0.5)


def parse():
    parser = argparse.ArgumentParser()
    parser.add_argument("--automate", required=True, help="brantel-automate.exe")
    parser.add_argument("--program", help="the program under test: Brantel.exe, or a probe")
    parser.add_argument("--facts", required=True, help="facts.json of the cross build")
    parser.add_argument("--prefix", required=True, help="Wine prefix made by wine.py create")
    parser.add_argument("--display-state", required=True, help="state file of display.py")
    parser.add_argument("--source-dir", required=True, help="the project's source tree")
    parser.add_argument("--out", required=True, help="folder for screenshots and images")
    parser.add_argument("--dpi", type=int, default=96, help="display resolution of the prefix")
    args, rest = parser.parse_known_args()
    args.display, _pid = display.read_state(args.display_state)
    os.makedirs(args.out, exist_ok=True)
    for path in filter(None, [args.automate, args.program, args.facts]):
        if not os.path.isfile(path):
            sys.exit(f"missing {path}: build the cross preset first")
    return args, [sys.argv[0]] + rest
