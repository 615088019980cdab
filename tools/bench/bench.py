"""`make bench`: times Brantel.exe under Wine against baselines of the project's own.

  bench.py --cross-dir DIR --out DIR [--runs N] [--inspect brantel-inspect]

Runs everything in a throwaway 32-bit prefix under DIR/prefix, on $DISPLAY or a private Xvfb.
Each round starts the empty window program, Brantel.exe with every component absent, the install
baseline, and Brantel.exe with every component present, in that order, so that slow phases of
the machine fall on all of them alike. One untimed round goes first. Prints min / median / max
of each figure with the ratio of medians to its baseline, and writes the same table to
DIR/bench.md. Sizes are read from the files, imports with objdump.
"""

import argparse
import os
import re
import statistics
import subprocess
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, os.path.join(SOURCE_DIR, "tests", "e2e"))

import display  # noqa: E402  (the end-to-end tests' helpers)
import wine  # noqa: E402

EMPTY_WINDOW_TITLE = "Brantel bench window"
KIB = 1024
MIB = 1024 * 1024


class Samples:
    """The figures of one measurement over every round, with its baseline's and its target."""

    def __init__(self, name, unit, baseline=None, target=None):
        self.name, self.unit, self.baseline, self.target = name, unit, baseline, target
        self.values = []

    def median(self):
        return statistics.median(self.values)

    def ratio(self):
        if self.baseline is None or not self.baseline.values or not self.values:
            return None
        return self.median() / self.baseline.median()


def parse_fields(line):
    return {key: value for key, value in re.findall(r'(\S+)=("[^"]*"|\S+)', line)}


def run_driver(args, env, *words):
    """One run of brantel-bench.exe; returns the fields of its result lines."""
    completed = subprocess.run(["wine", args.driver] + list(words), env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, timeout=600)
    fields = {}
    for line in completed.stdout.splitlines():
        fields.update(parse_fields(line))
    if completed.returncode != 0 or "error" in completed.stdout.split():
        sys.exit(f"bench: brantel-bench.exe {' '.join(words)} failed:\n{completed.stdout}")
    return fields


def check_run(fields, what, components, registered=None):
    """A run that did not leave what it should have is not a measurement of the job."""
    if int(fields["components"]) != components or (
            registered is not None and int(fields["registered"]) != registered):
        sys.exit(f"bench: {what} left components={fields['components']} "
                 f"registered={fields['registered']}, expected {components} and {registered}")


def payload_bytes(exe, inspect):
    """The bytes of the CUSTOM resources that `exe` carries."""
    if inspect and os.path.isfile(inspect):
        listing = subprocess.run([inspect, "list", exe], stdout=subprocess.PIPE, text=True,
                                 check=True).stdout
        return sum(int(line.split()[-1]) for line in listing.splitlines()
                   if line.startswith('"CUSTOM" '))
    listing = subprocess.run(["llvm-readobj", "--coff-resources", exe], stdout=subprocess.PIPE,
                             text=True, check=True).stdout
    total, in_custom = 0, False
    for line in listing.splitlines():
        if re.match(r"^\s{2}Type: ", line):
            in_custom = line.strip().startswith("Type: CUSTOM")
        elif in_custom and "DataSize:" in line:
            total += int(line.split(":")[1])
    return total


def imported_dlls(exe):
    dump = subprocess.run(["i686-w64-mingw32-objdump", "-p", exe], stdout=subprocess.PIPE,
                          text=True, check=True).stdout
    return sorted({name.strip() for name in re.findall(r"DLL Name: (.+)", dump)}, key=str.upper)


def figure(value, unit):
    if unit == "ms":
        return f"{value:.1f}"
    if unit == "KiB":
        return f"{value / KIB:.1f}"
    if unit == "MiB":
        return f"{value / MIB:.2f}"
    return str(value)


def table(samples):
    lines = ["| measurement | unit | min | median | max | n | baseline median | ratio | target |",
             "|---|---|---:|---:|---:|---:|---:|---:|---|"]
    for sample in samples:
        ratio = sample.ratio()
        base = figure(sample.baseline.median(), sample.unit) if sample.baseline else "-"
        verdict = "-"
        if sample.target:
            limit, text = sample.target
            value = ratio if limit == "ratio" else sample.median()
            bound = text[0]
            verdict = f"{text[1]}: {'met' if value <= bound else 'MISSED'}"
        lines.append(
            f"| {sample.name} | {sample.unit} | {figure(min(sample.values), sample.unit)} | "
            f"{figure(sample.median(), sample.unit)} | {figure(max(sample.values), sample.unit)} | "
            f"{len(sample.values)} | {base} | {f'{ratio:.2f}' if ratio is not None else '-'} | "
            f"{verdict} |")
    return lines


def measure(args, env, rounds):
    empty_launch = Samples("empty window: start -> window visible", "ms")
    empty_ws = Samples("empty window: peak working set", "MiB")
    empty_private = Samples("empty window: peak private bytes", "MiB")
    baseline_install = Samples("baseline: write 14 files + start 14 regsvr32", "ms")
    launch = Samples("Brantel: start -> window visible", "ms", empty_launch,
                     ("ratio", (1.5, "<= 1.5x")))
    install_absent = Samples("Brantel: Install -> Finish, all absent", "ms", baseline_install,
                             ("ratio", (1.15, "<= 1.15x")))
    install_present = Samples("Brantel: Install -> Finish, all present", "ms")
    finish = Samples("Brantel: Finish -> process exit", "ms")
    working_set = Samples("Brantel: peak working set", "MiB", empty_ws)
    private = Samples("Brantel: peak private bytes", "MiB", empty_private,
                      ("value", (4 * MIB, "<= 4 MiB")))

    program = wine.windows_path(args.program)
    for number in range(rounds + 1):
        timed = number > 0 or rounds == 1
        fields = run_driver(args, env, "window", wine.windows_path(args.empty_window),
                            EMPTY_WINDOW_TITLE)
        if timed:
            empty_launch.values.append(float(fields["launch-ms"]))
            empty_ws.values.append(int(fields["peak-working-set"]))
            empty_private.values.append(int(fields["peak-private"]))
        for state in ("absent", "baseline", "present"):
            if state == "baseline":
                fields = run_driver(args, env, "baseline", wine.windows_path(args.baseline))
                check_run(fields, "the install baseline", 14)
                if timed:
                    baseline_install.values.append(float(fields["install-ms"]))
                continue
            fields = run_driver(args, env, "program", program, state)
            check_run(fields, f"Brantel.exe ({state})", 14)
            if not timed:
                continue
            launch.values.append(float(fields["launch-ms"]))
            (install_absent if state == "absent" else install_present).values.append(
                float(fields["install-ms"]))
            finish.values.append(float(fields["exit-ms"]))
            working_set.values.append(int(fields["peak-working-set"]))
            private.values.append(int(fields["peak-private"]))
        if timed:
            print(f"round {len(launch.values) // 2} of {rounds} done", flush=True)
        if rounds == 1:
            break
    return [launch, empty_launch, install_absent, baseline_install, install_present, finish,
            working_set, private, empty_ws, empty_private]


def sizes(args):
    lines = ["| executable | file bytes | payload bytes | overhead | overhead KiB | imports |",
             "|---|---:|---:|---:|---:|---|"]
    overheads = {}
    for label, exe in (("Brantel.exe", args.program), ("install baseline", args.baseline),
                       ("empty window", args.empty_window)):
        size = os.path.getsize(exe)
        payload = payload_bytes(exe, args.inspect)
        overheads[label] = size - payload
        lines.append(f"| {label} | {size} | {payload} | {size - payload} | "
                     f"{(size - payload) / KIB:.1f} | {', '.join(imported_dlls(exe))} |")
    overhead = overheads["Brantel.exe"]
    ratio = overhead / overheads["install baseline"]
    verdict = "met" if overhead <= 64 * KIB else "MISSED"
    lines.append("")
    lines.append(f"Brantel.exe overhead / install baseline overhead: {ratio:.2f}; "
                 f"target <= 64 KiB: {verdict}")
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--cross-dir", required=True, help="build tree of the cross build")
    parser.add_argument("--out", required=True, help="folder for the prefix and the results")
    parser.add_argument("--runs", type=int, default=7, help="timed rounds (at least 1)")
    parser.add_argument("--inspect", help="brantel-inspect of the host build, if built")
    args = parser.parse_args()
    if args.runs < 1:
        sys.exit("bench: --runs must be at least 1")
    args.program = os.path.join(args.cross_dir, "src", "app", "Brantel.exe")
    bench_dir = os.path.join(args.cross_dir, "tools", "bench")
    args.driver = os.path.join(bench_dir, "brantel-bench.exe")
    args.baseline = os.path.join(bench_dir, "brantel-baseline-install.exe")
    args.empty_window = os.path.join(bench_dir, "brantel-empty-window.exe")
    for path in (args.program, args.driver, args.baseline, args.empty_window):
        if not os.path.isfile(path):
            sys.exit(f"bench: missing {path}: build the cross preset first")

    os.makedirs(args.out, exist_ok=True)
    prefix = os.path.join(args.out, "prefix")
    state = os.path.join(args.out, "display.state")
    display.start(state)
    keeper = None
    try:
        wine.create(prefix, "win32")
        display_name, _pid = display.read_state(state)
        env = wine.environment(prefix, display_name)
        # A process that lives through every round keeps the prefix's server, desktop and system
        # processes up, so no run pays for starting them and none competes with their start.
        keeper = subprocess.Popen(["wine", args.driver, "hold"], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
        if keeper.stdout.readline().strip() != "holding":
            sys.exit("bench: brantel-bench.exe hold did not start")
        samples = measure(args, env, args.runs)
    finally:
        if keeper:
            subprocess.run(["wine", args.driver, "release"], env=env, check=False, timeout=60)
            keeper.wait(timeout=60)
        if os.path.isdir(prefix):
            wine.wait_for_server(prefix)
        display.stop(state)

    wine_version = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE,
                                  text=True).stdout.strip()
    report = [f"# Brantel.exe under {wine_version}", "",
              (f"{args.runs} timed rounds after one untimed round" if args.runs > 1 else
               "1 timed round, no untimed round (a smoke run, not a measurement)") +
              "; times in ms, memory in MiB; ratio = median / baseline median.",
              ""] + table(samples) + [""] + sizes(args)
    text = "\n".join(report) + "\n"
    print(text, end="")
    result = os.path.join(args.out, "bench.md")
    with open(result, "w") as file:
        file.write(text)
    print(f"written to {result}")


if __name__ == "__main__":
    main()
