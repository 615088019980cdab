"""Runs a fuzzer for a bounded time on a fresh corpus: the committed seeds plus, given a cross
build, whatever executables it has produced. New inputs go to the scratch corpus, never to the
committed seeds; a crash leaves its input in WORK as crash-*.

  run_fuzzer.py FUZZER SEEDS WORK SECONDS [CROSS_DIR]
"""

import glob
import os
import shutil
import subprocess
import sys

fuzzer, seeds, work, seconds, *cross_dir = sys.argv[1:]
corpus = os.path.join(work, "corpus")
shutil.rmtree(corpus, ignore_errors=True)
shutil.copytree(seeds, corpus)
# The stand-in components carry upper-case extensions, as the catalogue spells them.
built = [path for folder in cross_dir for ending in ("exe", "dll", "DLL", "OCX")
         for path in glob.glob(f"{folder}/**/*.{ending}", recursive=True)]
for path in built:
    shutil.copy(path, corpus)
print(f"fuzzing for {seconds} s on the seeds and {len(built)} built executables", flush=True)
subprocess.run([fuzzer, f"-max_total_time={seconds}", "-runs=10000000", "-rss_limit_mb=2048",
                f"-artifact_prefix={work}/", "-print_final_stats=1", corpus], check=True)
