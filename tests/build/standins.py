"""The stand-in components: real i386 DLLs, one per catalogue name, each of its table size, each
different, self-registering except the catalogue's plain library, saying in their version blocks
what they are, padded after their last section with bytes that look like a real file's rather
than zeros, and the same bytes when built again in another folder.

Arguments: those of payload.py.
"""

import hashlib
import os
import re
import shutil
import subprocess

from cross_tree import configure
from payload import cmake, entries, generator, must_build, readobj, source_dir, standins, work

must_build("brantel_standins")
listed = sorted(os.listdir(standins))
assert listed == sorted(name for name, _ in entries), f"The stand-in folder holds {listed}"
# The sizes that the stand-ins are made to; together they must come to the payload's total.
with open(os.path.join(source_dir, "tools", "build", "standin", "CMakeLists.txt")) as file:
    sizes = {name: int(size) for name, size in re.findall(r"^  ([A-Z0-9]+\.[A-Z]+)=(\d+)$",
                                                          file.read(), re.MULTILINE)}


def holds_utf16(data, text):
    """Whether `data` holds `text` as a version block does: UTF-16LE, at an even offset."""
    return any(m.start() % 2 == 0 for m in re.finditer(re.escape(text.encode("utf-16-le")), data))


hashes = {}
for name, self_registering in entries:
    with open(os.path.join(standins, name), "rb") as file:
        data = file.read()
    assert len(data) == sizes[name], f"{name} is {len(data)} bytes, not {sizes[name]}"
    hashes[name] = hashlib.sha256(data).hexdigest()
    dump = subprocess.run([readobj, "--file-headers", "--coff-exports", "--sections",
                           os.path.join(standins, name)], capture_output=True, text=True, check=True).stdout
    assert "Machine: IMAGE_FILE_MACHINE_I386" in dump, f"{name} is not an i386 image:\n{dump}"
    assert re.search(r"Characteristics \[[^]]*IMAGE_FILE_DLL", dump), f"{name} is not a DLL:\n{dump}"
    exports = re.findall(r"Name: ([A-Za-z_]+)", dump)
    # The image ends with its last section's data; what follows it up to the size is padding.
    image_end = max(int(size) + int(at, 16) for size, at in
                    re.findall(r"RawDataSize: (\d+)\n *PointerToRawData: (0x[0-9A-F]+)", dump))
    assert 0 < image_end < len(data), f"{name}: its sections end at {image_end}, leaving no padding"
    zeros = data.find(bytes(32), image_end)
    assert zeros < 0, f"{name} is padded with zeros: 32 of them from byte {zeros}"
    assert holds_utf16(data, f"Brantel test stand-in for {name}"), f"{name} does not describe itself"
    if not self_registering:
        assert not exports and not holds_utf16(data, "OLESelfRegister"), \
            f"{name} must not register itself; exports: {exports}"
    else:
        assert exports == ["DllRegisterServer", "DllUnregisterServer"] and \
            holds_utf16(data, "OLESelfRegister"), \
            f"{name} must export the registration entry points and say OLESelfRegister: {exports}"
assert len(set(hashes.values())) == len(hashes), "Two stand-ins have the same bytes"
total = sum(os.path.getsize(os.path.join(standins, name)) for name in hashes)
assert total == 4556592, f"The stand-ins hold {total} bytes together, not 4556592"

# Built again from scratch in a folder of another name and by another generator.
other_tree = os.path.join(work, "stand-ins built again")
configure(cmake, source_dir, other_tree, "Unix Makefiles" if generator == "Ninja" else "Ninja",
          build_type="RelWithDebInfo")
subprocess.run([cmake, "--build", other_tree, "--target", "brantel_standins"], check=True)
for name, digest in hashes.items():
    with open(os.path.join(other_tree, "standin", "components", name), "rb") as file:
        assert hashlib.sha256(file.read()).hexdigest() == digest, f"{name} differs when built again"
shutil.rmtree(other_tree)
