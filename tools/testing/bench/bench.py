"""`make bench`: times Brantel.exe under Wine against baselines of the project's own and a peer.

  bench.py --cross-dir DIR --out DIR [--runs N] [--inspect brantel-inspect]

The peer is a silent NSIS installer that makensis builds into DIR from the payload that the
cross build packs into Brantel.exe, in catalogue order, once stored as Brantel.exe stores it and
once compressed as NSIS does by default. Runs everything in a throwaway 32-bit prefix under
DIR/prefix, on $DISPLAY or a private Xvfb. Each round starts the empty window program (with the
common controls' set-up), the bare window, Brantel.exe with every component absent, the install
baseline, both peers with every component absent,
Brantel.exe and the stored peer with every component present, in that order, so that slow phases
of the machine fall on all of them alike. One untimed round goes first. Prints min / median / max
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
sys.path.insert(0, os.path.dirname(HERE))

from harness import automate, catalogue, display, facts, registry, wine  # noqa: E402  (the project's harness, in tools/testing/)

EMPTY_WINDOW_TITLE = "Brantel bench window"
# The peer stores its payload as Brantel.exe does (off), and compresses it as NSIS does by default.
PEER_COMPRESSION = {"off": "SetCompress off", "zlib": "SetCompressor zlib"}
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


def run_driver(args, env, *words):
    """One run of brantel-bench.exe; returns the fields of its result lines."""
    completed = subprocess.run(["wine", args.driver] + list(words), env=env, stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True, timeout=600)
    fields = {}
    for record in automate.Report(completed.stdout, completed.returncode).records:
        fields.update(record.fields)
    if completed.returncode != 0 or "error" in completed.stdout.split():
        sys.exit(f"bench: brantel-bench.exe {' '.join(words)} failed:\n{completed.stdout}")
    return fields


def install_run(args, env, *words):
    """A driver run that installs. Its fields gain `registered`: how many components had anything
    registered to them once it ended, which is then removed, so the next run finds none."""
    fields = run_driver(args, env, *words)
    found = registry.registrations(args.prefix, args.names, args.display)
    fields["registered"] = sum(1 for entries in found.values() if entries)
    registry.remove(args.prefix, found, args.display)
    return fields


def check_run(fields, what, components, registered=None):
    """A run that did not leave what it should have is not a measurement of the job."""
    if int(fields["components"]) != components or (
            registered is not None and int(fields["registered"]) != registered):
        sys.exit(f"bench: {what} left components={fields['components']} "
                 f"registered={fields['registered']}, expected {components} and {registered}")


def payload_bytes(exe, inspect, payload_type):
    """The bytes of the resources of the payload's type that `exe` carries."""
    if inspect and os.path.isfile(inspect):
        listing = subprocess.run([inspect, "list", exe], stdout=subprocess.PIPE, text=True,
                                 check=True).stdout
        return sum(int(line.split()[-1]) for line in listing.splitlines()
                   if line.startswith(f'"{payload_type}" '))
    listing = subprocess.run(["llvm-readobj", "--coff-resources", exe], stdout=subprocess.PIPE,
                             text=True, check=True).stdout
    total, in_payload = 0, False
    for line in listing.splitlines():
        if re.match(r"^\s{2}Type: ", line):
            in_payload = line.strip().startswith(f"Type: {payload_type}")
        elif in_payload and "DataSize:" in line:
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


def new_samples():
    """Every figure of the table, in its order, keyed by what one round reports."""
    empty_launch = Samples("empty window + common controls: start -> window visible", "ms")
    empty_ws = Samples("empty window + common controls: peak working set", "MiB")
    empty_private = Samples("empty window + common controls: peak private bytes", "MiB")
    baseline_install = Samples("baseline: test, write 14 files + start 14 regsvr32", "ms")
    peer = Samples("NSIS peer: start -> exit, all absent", "ms")
    return {
        "launch": Samples("Brantel: start -> window visible", "ms", empty_launch,
                          ("ratio", (1.15, "<= 1.15x"))),
        "empty_launch": empty_launch,
        "bare_launch": Samples("bare window: start -> window visible", "ms"),
        "install_absent": Samples("Brantel: Install -> Finish, all absent", "ms", baseline_install,
                                  ("ratio", (1.15, "<= 1.15x"))),
        "baseline_install": baseline_install,
        "install_present": Samples("Brantel: Install -> Finish, all present", "ms", None,
                                   ("value", (15, "<= 15 ms"))),
        "finish": Samples("Brantel: Finish -> process exit", "ms"),
        "job": Samples("Brantel: start -> Finish, all absent (whole job)", "ms", peer,
                       ("ratio", (1.0, "<= the peer"))),
        "peer": peer,
        "peer_compressed": Samples("NSIS peer, compressed: start -> exit, all absent", "ms", peer),
        "peer_present": Samples("NSIS peer: start -> exit, all present", "ms"),
        "working_set": Samples("Brantel: peak working set", "MiB", empty_ws),
        "private": Samples("Brantel: peak private bytes", "MiB", empty_private,
                           ("ratio", (1.10, "<= 1.10x"))),
        "empty_ws": empty_ws,
        "empty_private": empty_private,
        "bare_private": Samples("bare window: peak private bytes", "MiB"),
    }


def run_setup(args, env, state):
    fields = install_run(args, env, "program", wine.windows_path(args.program), state)
    check_run(fields, f"Brantel.exe ({state})", 14, args.registrations if state == "absent" else 0)
    figures = [("launch", fields["launch-ms"]), (f"install_{state}", fields["install-ms"]),
               ("finish", fields["exit-ms"]), ("working_set", fields["peak-working-set"]),
               ("private", fields["peak-private"])]
    if state == "absent":
        figures.append(("job", fields["job-ms"]))
    return figures


def run_peer(args, env, exe, state):
    """A peer run that left a component out, or registered one it found, did not do the job."""
    fields = install_run(args, env, "installer", wine.windows_path(exe), state)
    check_run(fields, f"{os.path.basename(exe)} ({state})", 14,
              args.registrations if state == "absent" else 0)
    return fields["run-ms"]


def run_round(args, env):
    """Every run of one round, as (figure, value) pairs."""
    window = run_driver(args, env, "window", wine.windows_path(args.empty_window),
                        EMPTY_WINDOW_TITLE)
    figures = [("empty_launch", window["launch-ms"]), ("empty_ws", window["peak-working-set"]),
               ("empty_private", window["peak-private"])]
    bare = run_driver(args, env, "window", wine.windows_path(args.bare_window), EMPTY_WINDOW_TITLE)
    figures += [("bare_launch", bare["launch-ms"]), ("bare_private", bare["peak-private"])]
    figures += run_setup(args, env, "absent")
    baseline = install_run(args, env, "baseline", wine.windows_path(args.baseline))
    check_run(baseline, "the install baseline", 14, args.registrations)
    figures.append(("baseline_install", baseline["install-ms"]))
    figures.append(("peer", run_peer(args, env, args.peers["off"], "absent")))
    figures.append(("peer_compressed", run_peer(args, env, args.peers["zlib"], "absent")))
    figures += run_setup(args, env, "present")
    figures.append(("peer_present", run_peer(args, env, args.peers["off"], "present")))
    return figures


def measure(args, env, rounds):
    samples = new_samples()
    for number in range(rounds + (1 if rounds > 1 else 0)):
        figures = run_round(args, env)
        if rounds > 1 and number == 0:
            continue
        for key, value in figures:
            samples[key].values.append(float(value))
        print(f"round {len(samples['peer'].values)} of {rounds} done", flush=True)
    return list(samples.values())


def nsis_text(text):
    return text.replace("$", "$$")  # NSIS reads $ as the start of a variable


def peer_script(payload, compression, exe):
    """An NSIS script for a silent installer that does the setup program's job."""
    lines = ["Unicode true", 'Name "Brantel bench peer"', f'OutFile "{nsis_text(exe)}"',
             # Brantel.exe's manifest asks for administrator rights; so does the peer.
             "RequestExecutionLevel admin", "SilentInstall silent", compression,
             "Section", "  SetOutPath $SYSDIR"]
    for name, path in payload:
        lines += [f'  IfFileExists "$SYSDIR\\{name}" +3',
                  f'    File "/oname={name}" "{nsis_text(path)}"',
                  f"    Exec '\"$SYSDIR\\regsvr32.exe\" /s {name}'"]
    return "\n".join(lines + ["SectionEnd", ""])


def build_peers(args, payload):
    """The peer's installers in DIR, one for each PEER_COMPRESSION."""
    peers = {}
    for compression, command in PEER_COMPRESSION.items():
        exe = os.path.abspath(os.path.join(args.out, f"nsis-peer-{compression}.exe"))
        script = exe[:-len(".exe")] + ".nsi"
        with open(script, "w") as file:
            file.write(peer_script(payload, command, exe))
        built = subprocess.run(["makensis", "-V2", script], stdout=subprocess.PIPE,
                               stderr=subprocess.STDOUT, text=True)
        if built.returncode != 0:
            sys.exit(f"bench: makensis {script} failed:\n{built.stdout}")
        peers[compression] = exe
    return peers


def read_payload(cross_dir):
    """The resource type that Brantel.exe packs its payload under, and the files it packs, in
    catalogue order, as the cross build listed them."""
    packed = facts.packed(facts.packed_file(cross_dir))
    return facts.payload_type(facts.facts_file(cross_dir)), list(packed.items())


def packs_standins(cross_dir, payload):
    standins = os.path.realpath(os.path.join(cross_dir, "standin", "components"))
    return all(os.path.dirname(os.path.realpath(path)) == standins for _name, path in payload)


def sizes(args, payload):
    lines = ["| executable | file bytes | payload bytes | overhead | overhead KiB | imports |",
             "|---|---:|---:|---:|---:|---|"]
    peer_payload = sum(os.path.getsize(path) for _name, path in payload)
    overheads = {}
    for label, exe, carried in (
            ("Brantel.exe", args.program, None), ("install baseline", args.baseline, None),
            ("empty window", args.empty_window, None), ("bare window", args.bare_window, None),
            ("NSIS peer", args.peers["off"], peer_payload),
            ("NSIS peer, compressed", args.peers["zlib"], peer_payload)):
        size = os.path.getsize(exe)
        if carried is None:
            carried = payload_bytes(exe, args.inspect, args.payload_type)
        overheads[label] = size - carried
        lines.append(f"| {label} | {size} | {carried} | {size - carried} | "
                     f"{(size - carried) / KIB:.1f} | {', '.join(imported_dlls(exe))} |")
    overhead = overheads["Brantel.exe"]
    verdict = "met" if overhead <= 128 * KIB else "MISSED"
    return lines + [
        "",
        f"Brantel.exe overhead / install baseline overhead: "
        f"{overhead / overheads['install baseline']:.2f}; target <= 128 KiB: {verdict}",
        f"Brantel.exe overhead / NSIS peer overhead: {overhead / overheads['NSIS peer']:.2f} "
        f"({overhead / KIB:.1f} KiB against {overheads['NSIS peer'] / KIB:.1f} KiB)"] + (
        ["The stand-ins are mostly pseudo-random padding, which does not compress at all: the "
         "compressed peer's figures say little of real components."] if args.standins else [])


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
    bench_dir = os.path.join(args.cross_dir, "tools", "testing", "bench")
    args.driver = os.path.join(bench_dir, "brantel-bench.exe")
    args.baseline = os.path.join(bench_dir, "brantel-baseline-install.exe")
    args.empty_window = os.path.join(bench_dir, "brantel-empty-window.exe")
    args.bare_window = os.path.join(bench_dir, "brantel-bare-window.exe")
    for path in (args.program, args.driver, args.baseline, args.empty_window, args.bare_window):
        if not os.path.isfile(path):
            sys.exit(f"bench: missing {path}: build the cross preset first")

    os.makedirs(args.out, exist_ok=True)
    args.payload_type, payload = read_payload(args.cross_dir)
    args.peers = build_peers(args, payload)
    args.standins = packs_standins(args.cross_dir, payload)
    # What an install run with every component absent leaves registered.
    # Every self-registering stand-in registers a class, the plain library none; what real
    # components register is theirs to say, so their count is not checked.
    standin_registrations = sum(1 for _name, self_registering in catalogue.components(
        facts.facts_file(args.cross_dir)) if self_registering)
    args.registrations = standin_registrations if args.standins else None
    args.names = [name for name, _path in payload]
    write_report(args, measure_in_prefix(args), payload)


def measure_in_prefix(args):
    prefix = os.path.join(args.out, "prefix")
    state = os.path.join(args.out, "display.state")
    display.start(state)
    keeper = None
    try:
        wine.create(prefix, "win32")
        display_name, _pid = display.read_state(state)
        args.prefix, args.display = prefix, display_name
        env = wine.environment(prefix, display_name)
        # A process that lives through every round keeps the prefix's server, desktop and system
        # processes up, so no run pays for starting them and none competes with their start.
        keeper = subprocess.Popen(["wine", args.driver, "hold"], env=env, stdout=subprocess.PIPE,
                                  stderr=subprocess.STDOUT, text=True)
        if keeper.stdout.readline().strip() != "holding":
            sys.exit("bench: brantel-bench.exe hold did not start")
        return measure(args, env, args.runs)
    finally:
        if keeper:
            subprocess.run(["wine", args.driver, "release"], env=env, check=False, timeout=60)
            keeper.wait(timeout=60)
        if os.path.isdir(prefix):
            wine.wait_for_server(prefix)
        display.stop(state)


def version(command):
    return subprocess.run(command, stdout=subprocess.PIPE, text=True).stdout.strip()


def write_report(args, samples, payload):
    report = [f"# Brantel.exe under {version(['wine', '--version'])}, "
              f"peer built by makensis {version(['makensis', '-VERSION'])}", "",
              (f"{args.runs} timed rounds after one untimed round" if args.runs > 1 else
               "1 timed round, no untimed round (a smoke run, not a measurement)") +
              "; times in ms, memory in MiB; ratio = median / baseline median.",
              ""] + table(samples) + [""] + sizes(args, payload)
    text = "\n".join(report) + "\n"
    print(text, end="")
    result = os.path.join(args.out, "bench.md")
    with open(result, "w") as file:
        file.write(text)
    print(f"written to {result}")


if __name__ == "__main__":
    main()
