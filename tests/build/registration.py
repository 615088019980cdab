"""Registering a stand-in under Wine registers one class of its own, as a control does: the
class's InprocServer32 names the file regsvr32 loaded, with a threading model, and the harness's
rule finds it by that file, as it finds a type library; unregistering removes that class and no
other; VBAME.DLL cannot be registered.

Arguments: those of payload.py.
"""

import os
import re
import shutil
import subprocess

from harness import registry, wine
from payload import must_build, standins, work

must_build("brantel_standins")
prefix = os.path.join(work, "wine")
# A prefix of this test's own, made once before anything runs in it.
shutil.rmtree(prefix, ignore_errors=True)
env = wine.environment(prefix)
subprocess.run(["wine", "wineboot", "--init"], env=env, check=True)
wine.wait_for_server(prefix)
# The stand-ins are 32-bit: in a 64-bit prefix their system folder is syswow64.
folder = registry.system_folder_windows(prefix)
names = ["MSINET.OCX", "COMDLG32.OCX", "VBAME.DLL"]
for name in names:
    shutil.copy(os.path.join(standins, name), wine.system_folders(prefix)[-1])


def run_wine(*command):
    return subprocess.run(["wine", *command], env=env, capture_output=True, text=True)


def registered():
    """What the harness finds registered to the three, as (name, kind, path), and the class ids."""
    wine.wait_for_server(prefix)
    found = registry.registrations(prefix, names)
    return ([(name, entry.kind, entry.path) for name in names for entry in found[name]],
            [entry.key for name in names for entry in found[name] if entry.kind == "class"])


for name in "MSINET.OCX", "COMDLG32.OCX":
    subprocess.run(["wine", "regsvr32", "/s", f"{folder}\\{name}"], env=env, check=True)
rows, classes = registered()
assert rows == [(name, "class", f"{folder}\\{name}") for name in names[:2]] and \
    len(set(classes)) == 2, f"Registered after regsvr32: {rows} (classes {classes}), not one class each"
said = run_wine("reg", "query", f"HKCR\\CLSID\\{classes[0]}\\InprocServer32", "/v",
                "ThreadingModel", "/reg:32")
assert re.search(r"ThreadingModel +REG_SZ +Apartment", said.stdout), f"MSINET.OCX's class: {said}"
assert run_wine("regsvr32", "/s", f"{folder}\\VBAME.DLL").returncode != 0, \
    "VBAME.DLL registered although it has no DllRegisterServer"

# A type library is found by its win32 file as well, named in other letter case and through the
# system root; a class whose server is a file of that name in another folder is not the file's.
rooted = folder.replace("C:\\windows", "%SystemRoot%")
run_wine("reg", "add", "HKCR\\TypeLib\\{6A7C1E2B-0D3F-4B8E-9C51-2F4A7E0B9D16}\\1.0\\0\\win32", "/ve",
         "/t", "REG_EXPAND_SZ", "/d", f"{rooted}\\comdlg32.ocx", "/f", "/reg:32")
run_wine("reg", "add", "HKCR\\CLSID\\{6A7C1E2B-0D3F-4B8E-9C51-2F4A7E0B9D17}\\InprocServer32", "/ve",
         "/d", "C:\\elsewhere\\COMDLG32.OCX", "/f", "/reg:32")
subprocess.run(["wine", "regsvr32", "/s", "/u", f"{folder}\\MSINET.OCX"], env=env, check=True)
rows, _classes = registered()
assert rows == [("COMDLG32.OCX", "class", f"{folder}\\COMDLG32.OCX"),
                ("COMDLG32.OCX", "type library", f"{folder}\\comdlg32.ocx")], \
    f"Registered after unregistering MSINET.OCX: {rows}"
wine.wait_for_server(prefix)
shutil.rmtree(prefix)
