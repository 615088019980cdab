"""brantel-inspect on files made to exhaust it: each ends with a message and exit status 1, never
an abort or the machine's memory. Arguments: brantel-inspect, a scratch folder."""
import os
import resource
import subprocess
import sys

inspect, work = sys.argv[1:]
os.makedirs(work, exist_ok=True)
big = os.path.join(work, "200-mib-of-zeros")
with open(big, "wb") as file:
    file.truncate(200 << 20)
# Each file, the KiB of address space brantel-inspect may take, and what it must say: endless
# zeros are refused at the limit, long before the 1 GiB the run may take; 200 MiB are within the
# limit, but more than the memory there is.
for path, kib, message in [
        ("/dev/zero", 1 << 20, "/dev/zero: larger than 256 MiB, more than brantel-inspect reads"),
        (big, 128 << 10, f"brantel-inspect: out of memory reading {big}")]:
    limit = (kib << 10,) * 2
    run = subprocess.run([inspect, "list", path], capture_output=True, text=True,
                         preexec_fn=lambda: resource.setrlimit(resource.RLIMIT_AS, limit))
    assert run.returncode == 1 and message in run.stderr, f"list {path}: {run}"
    print(f"list {path}: {run.stderr}")
os.remove(big)
