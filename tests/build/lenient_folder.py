"""What the build accepts: file names in any letter case, and files that the catalogue does not
name (left out, with a warning). Arguments: those of payload.py."""

import os
import re

from payload import components, expect_packed, must_build, names, payload_rc, stage_components

# Lower-case names and one unknown file: all fourteen packed under the catalogue's names.
lower_names = ["VbAme.Dll" if name == "VBAME.DLL" else name.lower() for name in names]
stage_components(lower_names)
with open(os.path.join(components, "readme.txt"), "w") as file:
    file.write("not a component")
output = must_build("brantel_payload_resources")
assert "Not in the catalogue, left out of the payload: readme.txt" in output, \
    f"No warning named the unknown file readme.txt:\n{output}"
expect_packed(lower_names)

# payload.rc lists the catalogue's names, in catalogue order, each once.
with open(payload_rc) as file:
    listed = re.findall(r"^(\S+) CUSTOM ", file.read(), re.MULTILINE)
assert listed == names, f"payload.rc lists {listed}, not the catalogue {names}"
