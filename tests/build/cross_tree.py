"""A cross tree of the project, configured afresh as the build tests make theirs."""

import shutil
import subprocess


def configure(cmake, source_dir, tree, generator, *settings, build_type="MinSizeRel"):
    """Configures a new cross tree at `tree` with the cache settings given."""
    shutil.rmtree(tree, ignore_errors=True)
    subprocess.run([cmake, "-S", source_dir, "-B", tree, "-G", generator,
                    f"--toolchain={source_dir}/cmake/toolchain-mingw-i686.cmake",
                    f"-DCMAKE_BUILD_TYPE={build_type}", *settings], check=True)
