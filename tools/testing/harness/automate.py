"""Runs brantel-automate.exe in a Wine prefix and reads its report lines."""

import shlex
import subprocess

from harness import wine


class Record:
    """One report line: its kind (first word) and its key=value fields."""

    def __init__(self, line):
        words = shlex.split(line)
        self.kind = words[0]
        self.fields = dict(word.split("=", 1) for word in words[1:] if "=" in word)

    def __getitem__(self, key):
        return self.fields[key]

    def int(self, key):
        return int(self.fields[key], 0)


class Report:
    def __init__(self, output, returncode, trace=""):
        self.output = output
        self.returncode = returncode
        self.trace = trace  # what Wine's debug channels wrote, when asked to keep it apart
        self.records = [Record(line) for line in output.splitlines() if line.strip()]

    def all(self, kind):
        return [record for record in self.records if record.kind == kind]

    def one(self, kind):
        found = self.all(kind)
        if len(found) != 1:
            raise AssertionError(f"expected one '{kind}' line, got {len(found)}:\n{self.output}")
        return found[0]

    def step(self, number):
        """The lines that step `number` (from 1) printed, as a report of their own."""
        report = Report("", self.returncode)
        done = 0
        for record in self.records:
            if record.kind in ("ok", "failed", "error"):
                done += 1
            elif done == number - 1:
                report.records.append(record)
        return report

    def controls(self):
        return {record.int("id"): record for record in self.all("control")}

    def failure(self):
        errors = self.all("error")
        return errors[0] if errors else None


def start(automate_exe, prefix, display, steps, trace=False, debug=None):
    """Starts the steps (lists of words) in one go and returns the running automation; with
    `trace`, standard error, where Wine writes its debug channels, is kept apart from the report
    lines, and `debug` names the channels (WINEDEBUG) for it and every program it starts."""
    arguments = []
    for step in steps:
        if arguments:
            arguments.append(";")
        arguments.extend(str(word) for word in step)
    env = wine.environment(prefix, display)
    if debug:
        env["WINEDEBUG"] = debug
    return subprocess.Popen(["wine", automate_exe] + arguments, env=env, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE if trace else subprocess.STDOUT, text=True,
                            errors="replace")


def finish(running, timeout=600):
    """Waits for an automation that `start` started and returns its report."""
    try:
        output, trace = running.communicate(timeout=timeout)
    except subprocess.TimeoutExpired:
        running.kill()
        raise
    return Report(output, running.returncode, trace or "")


def run(automate_exe, prefix, display, steps, timeout=600, trace=False, debug=None):
    """Runs the steps and returns the report (see `start`)."""
    return finish(start(automate_exe, prefix, display, steps, trace, debug), timeout)
