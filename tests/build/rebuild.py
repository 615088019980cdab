"""An unchanged folder leaves payload.rc as it is, so nothing is compiled again; a changed file
reaches the compiled payload without a new configure. Arguments: those of payload.py."""

import os

from payload import components, expect_packed, must_build, names, payload_rc, stage_components

stage_components(names)
must_build("brantel_payload_resources")
# A time from long ago shows whether the next build wrote the file again.
os.utime(payload_rc, (86400, 86400))
must_build("brantel_payload_resources")
assert os.stat(payload_rc).st_mtime == 86400, "payload.rc was written again although no file changed"
with open(os.path.join(components, "MSINET.OCX"), "a") as file:
    file.write("grown by the test")
must_build("brantel_payload_resources")
expect_packed(names)
