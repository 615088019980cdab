"""A folder that cannot be packed stops the build with one message that names every mistake of the
folder (missing files, two names differing only in letter case) and every file that cannot be its
component, with the reason, and the build leaves no program, list or document behind. Arguments:
those of payload.py."""

import os
import shutil
import struct

from payload import build, components, names, plain, stage_components, standins, tree

stage_components([name for name in names if name not in ("VBAME.DLL", "MSINET.OCX")])
shutil.copy(os.path.join(components, "MSCOMM32.OCX"), os.path.join(components, "mscomm32.ocx"))


def image(name):
    """The component file's bytes and the offset of its PE header."""
    with open(os.path.join(components, name), "rb") as file:
        data = bytearray(file.read())
    return data, struct.unpack_from("<I", data, 60)[0]


def write(name, data):
    with open(os.path.join(components, name), "wb") as file:
        file.write(data)


# Text, nothing at all, a 64-bit image, a program, a library cut short, and a library that cannot
# register itself under the name of one that must.
write("MSCOMCTL.OCX", b"just a text, no image\n")
write("COMDLG32.OCX", b"")
data, pe = image("RICHTX32.OCX")
struct.pack_into("<H", data, pe + 4, 0x8664)  # x64
struct.pack_into("<H", data, pe + 24, 0x20B)  # PE32+
write("RICHTX32.OCX", data)
data, pe = image("MSFLXGRD.OCX")
data[pe + 23] &= ~0x20  # IMAGE_FILE_DLL, 0x2000 of the characteristics, cleared
write("MSFLXGRD.OCX", data)
write("MSCHRT20.OCX", image("MSCHRT20.OCX")[0][:1500])
shutil.copy(os.path.join(standins, plain[0]), os.path.join(components, "MSDATGRD.OCX"))

# What an earlier build left, which a refused one must not leave standing.
shipped = [os.path.join(tree, "src", "app", name)
           for name in ("Brantel.exe", "Brantel.bom.txt", "Brantel.cdx.json")]
for path in shipped:
    with open(path, "w") as file:
        file.write("an earlier build's")

result, output = build("brantel_payload")
print(output)
assert result != 0, "The build passed a folder it should refuse"
for said in ["2 missing: VBAME.DLL, MSINET.OCX",
             "more than one file, differing only in letter case: MSCOMM32.OCX and mscomm32.ocx",
             "MSCOMCTL.OCX: not a Windows program file (it does not start with MZ)",
             "COMDLG32.OCX: an empty file, not a Windows program file",
             "RICHTX32.OCX: a 64-bit image; this setup installs 32-bit components",
             "MSFLXGRD.OCX: a program, not a library (DLL)",
             "MSCHRT20.OCX: ends at byte 1500, inside section .text",
             "MSDATGRD.OCX: exports no DllRegisterServer, so regsvr32 cannot register it"]:
    assert f"  {said}\n" in output, f'The refusal does not say "{said}" on a line of its own'
assert output.count("CMake Error") == 1, "Expected one error message"
left = [path for path in shipped if os.path.exists(path)]
assert not left, f"The refused build left {left}"
