"""Configures the whole cross build once, packing the folder that the cases fill, and builds the
stand-ins that the cases make their component files from. Arguments: those of payload.py."""

import os
import shutil
import subprocess

from payload import cmake, components, generator, must_build, source_dir, tree, work

shutil.rmtree(work, ignore_errors=True)
os.makedirs(components)
subprocess.run([cmake, "-S", source_dir, "-B", tree, "-G", generator,
                f"--toolchain={source_dir}/cmake/toolchain-mingw-i686.cmake",
                "-DCMAKE_BUILD_TYPE=MinSizeRel", f"-DBRANTEL_PAYLOAD_DIR={components}"], check=True)
must_build("brantel_standins")
