"""brantel-inspect on the cross-built installer.

  inspect_built_exe.py check INSPECT EXE READOBJ    `brantel-inspect check` must pass
  inspect_built_exe.py compare INSPECT EXE READOBJ  `brantel-inspect list` must agree with
      llvm-readobj on every resource, in order: type, name, language, code page and size; the
      certificate table follows them

Exits with 77, which ctest counts as skipped, while the cross build has no installer yet.
"""

import os
import re
import subprocess
import sys

mode, inspect, exe, readobj = sys.argv[1:]
if not os.path.exists(exe):
    print(f"no cross-built installer at {exe}")
    sys.exit(77)
if mode == "check":
    sys.exit(subprocess.run([inspect, "check", exe]).returncode)

listed = subprocess.run([inspect, "list", exe], capture_output=True, text=True, check=True).stdout
# The certificate table comes last and is no resource; llvm-readobj lists resources only.
table = re.search(r"\ncertificate table: .*\n(certificate .*\n)*\Z", listed)
assert table, f"brantel-inspect list does not end with the certificate table:\n{listed}"
listed = listed[:table.start()].splitlines()

# "ICON (ID 3)" and "(ID 3)" are numbers, anything else is a name.
def key(text):
    number = re.search(r"\(ID (\d+)\)$", text)
    return number[1] if number else f'"{text}"'

# llvm-readobj dumps every resource's bytes too; only the lines that describe the tree count.
dump = subprocess.run([readobj, "--coff-resources", exe], capture_output=True, text=True,
                      check=True).stdout
expected, current = [], {}
for field, value in re.findall(r"^ *(Type|Name|Language|DataSize|Codepage): (.*?)(?: \[)?$",
                               dump, re.MULTILINE):
    current[field] = key(value) if field in ("Type", "Name", "Language") else value
    if field == "Codepage":
        expected.append("{Type} {Name} {Language} {Codepage} {DataSize}".format(**current))
assert expected, f"llvm-readobj found no resources in {exe}"
assert listed == expected, "brantel-inspect list:\n  {}\nllvm-readobj:\n  {}".format(
    "\n  ".join(listed), "\n  ".join(expected))
print(f"{len(expected)} resources agree")
