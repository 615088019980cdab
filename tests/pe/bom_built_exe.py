"""The bill of materials that the cross build writes beside Brantel.exe is what `brantel-inspect
bom` prints from the built file and from the folder of stand-ins it packed; each line agrees with
the file itself (size and SHA-256 as Python computes them) and with what the stand-ins say of
themselves and export. A folder of other files is listed too, and one that lacks a component is
refused. Brantel.cdx.json is what `brantel-inspect bom --format cyclonedx` prints, the CycloneDX
project's validator accepts it and the folder's document, and rejects a broken one.

  bom_built_exe.py INSPECT CROSS_DIR CATALOGUE NODE VALIDATE NPM_DIR WORK

Exits with 77, which ctest counts as skipped, while the cross build has no installer yet.
"""

import hashlib
import os
import re
import shutil
import subprocess
import sys

from harness import catalogue

inspect, cross_dir, facts_json, node, validate, npm_dir, work = sys.argv[1:]
app = os.path.join(cross_dir, "src", "app")
exe, standins = os.path.join(app, "Brantel.exe"), os.path.join(cross_dir, "standin", "components")
if not os.path.exists(exe):
    print(f"no cross-built installer at {exe}")
    sys.exit(77)


def bom(source, *options, env=None):
    return subprocess.run([inspect, "bom", *options, source], capture_output=True, text=True,
                          check=True, env=env).stdout


def read(path):
    with open(path, encoding="utf-8") as file:
        return file.read()


def sha256(path):
    with open(path, "rb") as file:
        return hashlib.sha256(file.read()).hexdigest()


def validated(document):
    run = subprocess.run([node, validate, npm_dir, document], capture_output=True, text=True)
    return run.returncode, run.stdout + run.stderr


from_build = read(os.path.join(app, "Brantel.bom.txt"))
assert from_build == bom(exe), f"The build's list:\n{from_build}\nbrantel-inspect bom:\n{bom(exe)}"
assert bom(standins) == from_build, f"From the folder:\n{bom(standins)}\nFrom the build:\n{from_build}"
print(from_build)
header, *lines = from_build.splitlines()
assert header == ("name\tsize\tsha256\tfile version\tproduct name\tOLESelfRegister\t"
                  "DllRegisterServer\tnote\tsignature\tsigner\tsigned digest"), header
components = catalogue.components(facts_json)
assert len(lines) == len(components) == 14, f"{len(lines)} listed, the catalogue names {components}"
for line, (name, self_registering) in zip(lines, components):
    path = os.path.join(standins, name)
    registers = "yes" if self_registering else "no"
    expected = (f"{name}\t{os.path.getsize(path)}\t{sha256(path)}\t1.0.0.0\t"
                f"Brantel test stand-ins\t{registers}\t{registers}\t-\tnone\t-\t-")
    assert line == expected, f"Listed:   {line}\nexpected: {expected}"

# The CycloneDX document. The build's time may not be this test's: compare all but the time.
written_cdx = os.path.join(app, "Brantel.cdx.json")
untimed = re.compile(r'\n    "timestamp": "[^"]*",')
assert untimed.sub("", read(written_cdx)) == untimed.sub("", bom(exe, "--format", "cyclonedx")), \
    "Brantel.cdx.json differs from brantel-inspect bom --format cyclonedx"
dated = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
timed = [bom(exe, "--format", "cyclonedx", env=dated) for _ in range(2)]
assert timed[0] == timed[1] and '"timestamp": "2023-11-14T22:13:20Z"' in timed[0], timed

shutil.rmtree(work, ignore_errors=True)
os.makedirs(work)
from_folder = bom(standins, "--format", "cyclonedx")
assert '"component": {' not in from_folder, f"A folder holds no program, yet:\n{from_folder}"
folder_cdx = os.path.join(work, "folder.cdx.json")
with open(folder_cdx, "w") as file:
    file.write(from_folder)
for document in written_cdx, folder_cdx:
    result, said = validated(document)
    assert result == 0, f"The CycloneDX validator rejects {document} ({result}):\n{said}"
print(said)
# MSCOMCTL.OCX's hash cut short: the validator must say no, or its yes means nothing.
mscomctl = sha256(os.path.join(standins, "MSCOMCTL.OCX"))
with open(os.path.join(work, "broken.cdx.json"), "w") as file:
    file.write(from_folder.replace(f'"{mscomctl}"', f'"{mscomctl[:40]}1"'))
result, said = validated(file.name)
assert result == 1 and "hashes/0/content" in said, f"The validator takes a 41-digit hash:\n{said}"

# Files that are no PE images, with names in other letter cases: listed, with a note.
shutil.rmtree(work)
os.makedirs(work)
for name, _self_registering in components:
    with open(os.path.join(work, name.lower()), "w") as file:
        file.write(f"{name}\n")
other = bom(work)
assert re.search(
    r"\nVBAME\.DLL\t10\t[0-9a-f]+\t-\t-\tno\t-\tPE image: truncated DOS header\tnone\t-\t-\n",
    other), f"A folder of other files is listed as:\n{other}"
os.remove(os.path.join(work, "msinet.ocx"))
refused = subprocess.run([inspect, "bom", work], capture_output=True, text=True)
assert refused.returncode != 0 and "1 missing: MSINET.OCX" in refused.stderr, refused
shutil.rmtree(work)
