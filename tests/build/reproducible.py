"""Brantel.exe built again from the same inputs, in another folder, is the same file byte for
byte: no time stamps, no build paths, no image base picked from the output's name. So is the
CycloneDX document beside it.

  reproducible.py CMAKE SOURCE_DIR WORK_DIR GENERATOR REFERENCE (the project's cross-built
      Brantel.exe)
"""

import filecmp
import os
import shutil
import subprocess
import sys

from cross_tree import configure

cmake, source_dir, work_dir, generator, reference = sys.argv[1:]
tree = os.path.join(work_dir, "reproducible")
configure(cmake, source_dir, tree, generator)
subprocess.run([cmake, "--build", tree, "--target", "Brantel", "brantel_bom", "-j", "2"],
               check=True)
for name in "Brantel.exe", "Brantel.cdx.json":
    again = os.path.join(tree, "src", "app", name)
    same = filecmp.cmp(os.path.join(os.path.dirname(reference), name), again, shallow=False)
    assert same, f"The two builds' {name} differ"
shutil.rmtree(tree)
