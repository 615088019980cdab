"""One install run as `make run` shows it: start Brantel.exe, press "Install", wait for "Finish",
report every row, the files and registrations the run left in the prefix, then press "Finish".

Reports what it saw whatever happens; exits non-zero when the run did not reach its end."""

import argparse
import os
import sys
from harness import automate, bmp, catalogue, design, display, pictures, registry, wine


PICTURE_STATES = {"PicQues": "Pending", "PicArrow": "InProgress", "PicGood": "Installed",
                  "PicInfo": "AlreadyInstalled", "PicError": "error picture"}
ROWS_STEP = 6


def arguments():
    parser = argparse.ArgumentParser()
    for name in ("automate", "program", "facts", "prefix", "display-state", "source-dir", "out"):
        parser.add_argument("--" + name, required=True)
    parser.add_argument("--timeout", type=float, default=120)
    return parser.parse_args()


def print_rows(controls, shot, listed, references, ids, names):
    for row, name in enumerate(names):
        label = controls.get(ids["lblCom"] + row)
        text = label["text"] if label else "(no label)"
        shown = [PICTURE_STATES[array] for array in listed.shown(shot, references, row)] if shot else []
        print(f"  row {row:2} {'/'.join(shown) or 'no picture':<16} {text}")


def print_system_folder(prefix, names):
    print("Component files in the system folder:")
    for folder in wine.system_folders(prefix):
        present = {entry.name.upper(): entry.stat().st_size for entry in os.scandir(folder)}
        for name in names:
            if name in present:
                print(f"  {os.path.basename(folder)}\\{name:<14} {present[name]:>9} bytes")


NOTHING_REGISTERED = {False: "nothing registered (a plain library, by design)",
                      True: "nothing registered, although it registers itself"}


def print_registrations(prefix, display_name, components):
    names = [name for name, _self_registering in components]
    folder = registry.system_folder_windows(prefix)
    print(f"Registered to each component's file in {folder}, read from the registry "
          "(32-bit view):")
    found = registry.registrations(prefix, names, display_name)
    for name, self_registering in components:
        entries = found[name]
        kinds = [entry.kind for entry in entries]
        counts = [f"{kind}: {kinds.count(kind)}" for kind in registry.KINDS]
        print(f"  {name:<14} {', '.join(counts) if entries else NOTHING_REGISTERED[self_registering]}")
        for entry in entries:
            key = entry.key.replace("\\", " version ")
            print(f"    {entry.kind} {key} \"{entry.description}\" -> {entry.path}")


def run_steps(program, before, after, button, timeout):
    return [["start", wine.windows_path(program), "--cwd", "C:\\"],
            ["wait-window", "Brantel setup", 60],
            ["capture", wine.windows_path(before)],
            ["click", button],
            ["try", "wait-text", button, "Finish", timeout],
            ["list"],  # step ROWS_STEP
            ["capture", wine.windows_path(after)],
            ["memory"],
            ["click", button],
            ["try", "wait-exit", 15]]


def print_window(report, after, ids, names, facts_json, source_dir):
    """What the run left on the window, and how the program ended."""
    controls = report.step(ROWS_STEP).controls()
    if controls:
        shot = bmp.read_bmp(after) if os.path.exists(after) else None
        print(f"The button read \"{controls[ids['CmdInstall']]['text']}\"; the rows then showed:")
        listed = pictures.Pictures(facts_json)
        print_rows(controls, shot, listed, listed.load(source_dir), ids, names)
    exits = report.all("exited")
    print(f"Brantel.exe exited with code {exits[0]['code']} after \"Finish\" was pressed" if exits
          else "Brantel.exe did not exit when its button was pressed; it was ended")
    for record in report.all("memory"):
        print(f"Peak working set {record.int('peak-working-set')} bytes, "
              f"peak private bytes {record.int('peak-private')}")
    return bool(exits)


def main():
    args = arguments()
    components = catalogue.components(args.facts)
    names = [name for name, _self_registering in components]
    ids = design.control_ids(args.facts)
    display_name, _pid = display.read_state(args.display_state)
    before, after = os.path.join(args.out, "before.bmp"), os.path.join(args.out, "after.bmp")
    print(f"Running Brantel.exe; pressing \"Install\" and waiting up to {args.timeout:g} s for \"Finish\"")
    report = automate.run(args.automate, args.prefix, display_name,
                          run_steps(args.program, before, after, ids["CmdInstall"], args.timeout))
    problems = report.all("error") + report.all("failed")
    for problem in problems:
        print(f"Step {problem['step']} did not succeed: {problem['message']}")
    exited = print_window(report, after, ids, names, args.facts, args.source_dir)
    wine.wait_for_server(args.prefix)
    print_system_folder(args.prefix, names)
    print_registrations(args.prefix, display_name, components)
    for shot in (before, after):
        if os.path.exists(shot):
            bmp.write_png(bmp.read_bmp(shot), shot[:-4] + ".png")
            print(f"Screenshot: {shot[:-4]}.png")
    if problems or not exited:
        print("Automation report:\n" + report.output)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
