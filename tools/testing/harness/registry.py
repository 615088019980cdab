"""What registered itself to the components in a prefix: the COM classes and type libraries that
the registry of a 32-bit program names a component's file in the system folder for.

  registry.py PREFIX NAME...   one line per registration: name, kind, key, path (tab-separated)

One rule for real components and the stand-ins alike: a class is a component's when its
InprocServer32 names the component's file in the system folder, a type library when its win32
file does, compared without regard to case. The registry is read with Wine's `reg query`, through
the 32-bit view as the components' own 32-bit regsvr32 wrote it: the registry's own interface
keeps each view apart (a 64-bit prefix keeps the 32-bit one elsewhere) and returns what is there
now, where the prefix's registry files are Wine's private format, written only when its server
saves them. Call it once the prefix's processes have ended, so that no registration is halfway.
"""

import collections
import os
import re
import subprocess
import sys
import tempfile

from harness import wine

# Where each kind lives under HKEY_CLASSES_ROOT, and the keys whose default value names the file,
# the kind's own key in the first group: a class is CLSID\{id}, with InprocServer32 naming the
# file; a type library is TypeLib\{id}\VERSION, with LCID\win32 naming it. The default value of
# the kind's own key is its name.
ROOT = "HKEY_CLASSES_ROOT"
KINDS = {"class": ("CLSID", re.compile(r"^(?:[^\\]+\\){2}([^\\]+)\\InprocServer32$", re.IGNORECASE)),
         "type library": ("TypeLib", re.compile(r"^(?:[^\\]+\\){2}([^\\]+\\[^\\]+)\\[^\\]+\\win32$",
                                                re.IGNORECASE))}
VALUE = re.compile(r"^    (.*?)    (REG_[A-Z_]+)    ?(.*)$")
SYSTEM_ROOT = re.compile(r"^%(systemroot|windir)%", re.IGNORECASE)

Registration = collections.namedtuple("Registration", "kind key description path")


def system_folder_windows(prefix):
    """The 32-bit system folder as Windows names it: syswow64 in a 64-bit prefix."""
    return "C:\\windows\\" + os.path.basename(wine.system_folders(prefix)[-1])


def component_paths(prefix, name):
    """Every way a 32-bit program's registry entry can name the component's file: in its system
    folder, and in a 64-bit prefix also in System32, which a 32-bit program opens as syswow64."""
    folders = {system_folder_windows(prefix), "C:\\windows\\system32"}
    return {f"{folder}\\{name}".casefold() for folder in folders}


def named_file(value):
    """The file a registry value names, quotes removed and the system root spelled out."""
    return SYSTEM_ROOT.sub("C:\\\\windows", value.strip().strip('"'))


def default_values(prefix, key, display=None):
    """Key -> default value of every key under `key` that has one, in the 32-bit view. Asked in
    the C locale, where `reg` writes the default value's name as "(Default)". A query that fails
    raises, so that it never reads as nothing registered."""
    env = wine.environment(prefix, display)
    env["LC_ALL"] = "C"
    completed = subprocess.run(["wine", "reg", "query", key, "/s", "/reg:32"], env=env,
                               stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                               text=True, errors="replace", check=True)
    values, current = {}, None
    for line in completed.stdout.splitlines():
        if line.startswith("HKEY_"):
            current = line.rstrip()
            continue
        matched = VALUE.match(line)
        if current and matched and matched[1] == "(Default)":
            values[current] = matched[3]
    return values


def registrations(prefix, names, display=None):
    """Name -> the registrations the registry names that component's file for, classes first,
    each in key order; an empty list for a component with none."""
    found = {name: [] for name in names}
    for kind, (subkey, pattern) in KINDS.items():
        values = default_values(prefix, f"{ROOT}\\{subkey}", display)
        for key, value in sorted(values.items()):
            matched = pattern.match(key)
            if not matched:
                continue
            path = named_file(value)
            own_key = f"{ROOT}\\{subkey}\\{matched[1]}"
            for name in names:
                if path.casefold() in component_paths(prefix, name):
                    found[name].append(Registration(kind, matched[1], values.get(own_key, ""), path))
    return found


def remove(prefix, found, display=None):
    """Deletes the classes and type libraries that `registrations` found, whole, in one import of
    a registry file that deletes their keys: one Wine process, however many there are."""
    keys = set()
    for entries in found.values():
        for entry in entries:
            own_id = entry.key.partition("\\")[0]
            keys.add(f"{ROOT}\\{KINDS[entry.kind][0]}\\{own_id}")
    if not keys:
        return
    with tempfile.TemporaryDirectory() as folder:
        script = os.path.join(folder, "remove.reg")
        with open(script, "w", newline="\r\n") as file:
            file.write("Windows Registry Editor Version 5.00\n")
            file.writelines(f"\n[-{key}]\n" for key in sorted(keys))
        subprocess.run(["wine", "reg", "import", wine.windows_path(script), "/reg:32"],
                       env=wine.environment(prefix, display), stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, check=True)


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    for component, entries in registrations(sys.argv[1], sys.argv[2:]).items():
        for entry in entries:
            print("\t".join((component, entry.kind, entry.key, entry.path)))
