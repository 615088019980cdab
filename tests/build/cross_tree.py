"""What the build tests share: running a command for all it says, and a cross tree of the
project, configured afresh as the build tests make theirs."""

import shutil
import subprocess


def run(*command):
    """The command's exit code and all it said, on standard output and error together."""
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    return done.returncode, done.stdout


def must(*command):
    result, output = run(*command)
    assert result == 0, f"{command} failed ({result}):\n{output}"
    return output


def configure(cmake, source_dir, tree, generator, *settings, build_type="MinSizeRel"):
    """Configures a new cross tree at `tree` with the cache settings given."""
    shutil.rmtree(tree, ignore_errors=True)
    subprocess.run([cmake, "-S", source_dir, "-B", tree, "-G", generator,
                    f"--toolchain={source_dir}/cmake/toolchain-mingw-i686.cmake",
                    f"-DCMAKE_BUILD_TYPE={build_type}", *settings], check=True)
