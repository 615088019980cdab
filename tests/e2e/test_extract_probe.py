"""Shared by the extraction tests: runs brantel-extract-probe.exe in a Wine prefix and reads the
payload files that the cross build packed into it (and into Brantel.exe)."""

import argparse
import os
import subprocess
import sys
from harness import automate, catalogue, display, facts, wine


# Windows error codes that the probe reports.
ERROR_PATH_NOT_FOUND = 3
ERROR_DISK_FULL = 112
ERROR_RESOURCE_TYPE_NOT_FOUND = 1813
ERROR_RESOURCE_NAME_NOT_FOUND = 1814


def parse():
    parser = argparse.ArgumentParser()
    parser.add_argument("--probe", required=True, help="brantel-extract-probe.exe")
    parser.add_argument("--prefix", required=True, help="Wine prefix made by wine.py create")
    parser.add_argument("--payload-json", required=True, help="payload.json of the cross build")
    parser.add_argument("--facts", required=True, help="facts.json of the cross build")
    parser.add_argument("--display-state", required=True, help="state file of display.py")
    parser.add_argument("--out", required=True, help="scratch folder of this test")
    args, rest = parser.parse_known_args()
    # Every Wine start in a shared prefix gets the display: a wineserver that a start without one
    # brought up would leave the window tests that follow it without a window driver.
    args.display, _pid = display.read_state(args.display_state)
    for path in (args.probe, args.payload_json, args.facts):
        if not os.path.isfile(path):
            sys.exit(f"missing {path}: build the cross preset first")
    args.names = catalogue.component_names(args.facts)
    args.packed = facts.packed(args.payload_json)
    if sorted(args.packed) != sorted(args.names):
        sys.exit(f"{args.payload_json} packs {sorted(args.packed)}, the catalogue names {args.names}")
    return args, [sys.argv[0]] + rest


def read_bytes(path):
    with open(path, "rb") as file:
        return file.read()


class Script:
    """Steps for one start of the probe, each under a key by which its result is looked up."""

    def __init__(self):
        self.steps = []
        self.keys = {}

    def add(self, key, *words):
        if key in self.keys:
            raise ValueError(f"step key {key!r} used twice")
        self.steps.append([str(word) for word in words])
        self.keys[key] = len(self.steps)

    def run(self, args, debug="-all", timeout=120):
        arguments = []
        for step in self.steps:
            arguments += ([";"] if arguments else []) + step
        env = wine.environment(args.prefix, args.display)
        env["WINEDEBUG"] = debug
        completed = subprocess.run(["wine", args.probe] + arguments, env=env, stdout=subprocess.PIPE,
                                   stderr=subprocess.PIPE, text=True, errors="replace",
                                   timeout=timeout)
        return Results(self, completed)


class Results:
    def __init__(self, script, completed):
        self.keys = script.keys
        self.returncode = completed.returncode
        self.stdout = completed.stdout
        self.stderr = completed.stderr
        self.records = [automate.Record(line) for line in self.stdout.splitlines() if line.strip()]
        steps = [record.int("step") for record in self.records]
        if steps != list(range(1, len(script.steps) + 1)):
            raise AssertionError(f"expected one line for each of {len(script.steps)} steps, exit "
                                 f"code {self.returncode}:\n{self.stdout}\n{self.stderr[-4000:]}")

    def __getitem__(self, key):
        return self.records[self.keys[key] - 1]
