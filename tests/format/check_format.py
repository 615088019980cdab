"""Fails when a C++ source of the project strays from .clang-format.

  check_format.py SOURCE_DIR CLANG_FORMAT
"""

import glob
import subprocess
import sys

source_dir, clang_format = sys.argv[1:]
sources = sorted(path for folder in ("src", "tools", "tests") for ending in ("cpp", "h")
                 for path in glob.glob(f"{source_dir}/{folder}/**/*.{ending}", recursive=True))
subprocess.run([clang_format, "--dry-run", "-Werror", *sources], check=True)
print(f"{len(sources)} sources follow .clang-format")
