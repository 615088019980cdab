"""Runs the generator into a fresh folder and fails unless its output equals the committed files,
file for file: the committed pictures and icon are only ever changed by changing the generator.

  check_generated.py RESGEN SCRATCH COMMITTED
"""

import filecmp
import os
import shutil
import subprocess
import sys

resgen, output, committed = sys.argv[1:]
shutil.rmtree(output, ignore_errors=True)
subprocess.run([resgen, output], check=True)


def files(root, *folders):
    return {os.path.relpath(os.path.join(top, name), root)
            for folder in folders for top, _, names in os.walk(os.path.join(root, folder))
            for name in names}


generated = files(output, ".")
assert generated, f"brantel-resgen wrote nothing to {output}"
# A committed file that the generator no longer writes would linger unnoticed.
present = files(committed, ".")
problems = [f"not committed: {name}" for name in generated - present]
problems += [f"differs: {name}" for name in generated & present
             if not filecmp.cmp(os.path.join(output, name), os.path.join(committed, name), False)]
problems += [f"not generated: {name}" for name in files(committed, "pictures", "icon") - generated]
assert not problems, ("Committed resources differ from brantel-resgen's output; run brantel-resgen "
                      "resources/ and commit the result:\n  " + "\n  ".join(sorted(problems)))
print(f"{len(generated)} files match")
