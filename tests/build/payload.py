"""Shared by the payload build cases, which all take CMAKE SOURCE_DIR WORK_DIR GENERATOR READOBJ
FACTS (the host build's facts.json).
The cross tree lives in WORK_DIR/tree and packs the folder WORK_DIR/components."""

import glob
import os
import re
import shutil
import subprocess
import sys

from cross_tree import run
from harness import catalogue

cmake, source_dir, work, generator, readobj, facts_json = sys.argv[1:]
tree = os.path.join(work, "tree")
components = os.path.join(work, "components")
payload_rc = os.path.join(tree, "payload", "payload.rc")
standins = os.path.join(tree, "standin", "components")
entries = catalogue.components(facts_json)
names = [name for name, _self_registering in entries]
plain = [name for name, self_registering in entries if not self_registering]


def stage_components(file_names):
    """Empties the payload folder and fills it with one file per name: the tree's stand-in of that
    name in any letter case, with its name repeated after the image a different number of times,
    so that every file has its own size and is still a whole library."""
    shutil.rmtree(components, ignore_errors=True)
    os.makedirs(components)
    for repeat, file_name in enumerate(file_names, 1):
        with open(os.path.join(standins, file_name.upper()), "rb") as file:
            data = file.read()
        with open(os.path.join(components, file_name), "wb") as file:
            file.write(data + f"{file_name};".encode() * repeat)


def build(target):
    """The build's exit code and all it said."""
    return run(cmake, "--build", tree, "--target", target)


def must_build(target):
    result, output = build(target)
    assert result == 0, f"Building {target} failed:\n{output}"
    return output


def packed_payload():
    """The CUSTOM resources that the compiled payload holds, as (name, language, size) in the
    order the object stores them."""
    objects = glob.glob(f"{tree}/CMakeFiles/brantel_payload_resources.dir/**/*payload.rc.*",
                        recursive=True)
    assert len(objects) == 1, f"Expected one compiled payload object, found: {objects}"
    dump = subprocess.run([readobj, "--coff-resources", objects[0]], capture_output=True, text=True,
                          check=True).stdout
    found, current = [], {}
    for field, value in re.findall(r"(Type|Name|Language|DataSize): (?:\(ID )?([^ \n)]+)", dump):
        current[field] = value
        if field == "DataSize":
            assert current["Type"] == "CUSTOM", f"Payload object holds a {current['Type']}:\n{dump}"
            found.append((current["Name"], current["Language"], int(value)))
    return found


def expect_packed(file_names):
    """The payload holds catalogue name N from file COMPONENTS/<N's entry in file_names>: every
    name once, language 1065, that file's size, in the ascending order of names that the resource
    format keeps."""
    expected = sorted((name, "1065", os.path.getsize(os.path.join(components, file_name)))
                      for name, file_name in zip(names, file_names))
    assert packed_payload() == expected, f"Packed payload differs.\nExpected: {expected}\n" \
                                         f"Packed:   {packed_payload()}"
