"""The window's control ids, as the build lists them beside Brantel.exe (Brantel.controls.txt,
written by `brantel-inspect controls`)."""

import os


def controls_file(program):
    """The list the build writes beside the program."""
    return os.path.splitext(program)[0] + ".controls.txt"


def control_ids(controls_txt):
    """Maps each control name to the id of its element 0; element i of an array is that id + i."""
    ids = {}
    with open(controls_txt) as file:
        for line in file:
            name, control_id = line.split()
            ids[name] = int(control_id)
    return ids
