"""Configures the whole cross build once, packing the folder that the cases fill, and builds the
stand-ins that the cases make their component files from. Arguments: those of payload.py."""

import os
import shutil

from cross_tree import configure
from payload import cmake, components, generator, must_build, source_dir, tree, work

shutil.rmtree(work, ignore_errors=True)
os.makedirs(components)
configure(cmake, source_dir, tree, generator, f"-DBRANTEL_PAYLOAD_DIR={components}")
must_build("brantel_standins")
