"""A signed build: a throwaway certificate authority signs a code-signing certificate, the cross
build signs Brantel.exe with it, and osslsigncode accepts the program against that authority.
Without its signature the program is the project's unsigned build, byte for byte; one changed
payload byte breaks the signature; with SOURCE_DATE_EPOCH, signing again gives the same bytes.
Signed components, once and twice, are reported with every signature. A later build with another
SOURCE_DATE_EPOCH writes it into the CycloneDX document. Leaves the signed tree for the end-to-end
scenario that installs with the signed program. Arguments: those of signing.py.
"""

import json
import os
import re
import shutil
import struct
import time

from harness import catalogue, facts
from signing import build, cmake, configure_tree, cross_dir, inspect, key, make_test_authority, \
    must, must_verify, osslsigncode, reference, run, SECOND_SUBJECT, same_bytes, sign_step, \
    source_dir, standins, verify, work

make_test_authority()
tree = os.path.join(work, "tree")
signed = os.path.join(tree, "src", "app", "Brantel.exe")
configure_tree(tree, f"-DBRANTEL_SIGN_CERT={key('signer.pem')}", f"-DBRANTEL_SIGN_KEY={key('signer.key')}")
os.environ.pop("SOURCE_DATE_EPOCH", None)
result, output = build(tree)
assert result == 0, f"The signed build failed:\n{output}"
assert not os.path.exists(f"{signed}.signing"), "The signing step left Brantel.exe.signing behind"
must_verify(signed)
print(verify(signed)[1])

# The signature is all that signing adds.
stripped = os.path.join(work, "stripped.exe")
if os.path.exists(stripped):
    os.remove(stripped)
must(osslsigncode, "remove-signature", "-in", signed, "-out", stripped)
assert same_bytes(stripped, reference), "The signed program without its signature is not the unsigned one"

# Our own reader sees the certificate table and finds nothing wrong with the signed program.
listed = must(inspect, "list", signed)
assert re.search(r"\ncertificate table: offset \d+, \d+ bytes, 1 entry\ncertificate 0: revision "
                 r"0x0200 \(2\.0\), type 0x0002 \(PKCS#7 SignedData\), \d+ bytes\n$", listed), listed
must(inspect, "check", signed)
assert must(inspect, "bom", signed) == must(inspect, "bom", reference), \
    "The signed program carries other components"
print(f"brantel-inspect list {signed}:\n{listed}")


def read(path):
    with open(path, "rb") as file:
        return bytearray(file.read())


def write(path, data):
    with open(path, "wb") as file:
        file.write(data)


def u32(data, offset):
    return struct.unpack_from("<I", data, offset)[0]


def certificate_directory(data):
    """The file offset of data directory 4, the certificate table's, in a PE32 image."""
    return u32(data, 60) + 24 + 96 + 4 * 8


def change_version_text(path, name):
    """Changes the "B" of the version text "Brantel test stand-in for NAME" in the file into "C":
    a byte that a signature covers."""
    data = read(path)
    at = data.find(f"Brantel test stand-in for {name}".encode("utf-16-le"))
    assert at >= 0, f"{name}'s version text is not in {path}"
    data[at] = ord("C")
    write(path, data)
    return at


# The certificate directory of copies of the signed program, bent three ways: `check` names each.
data = read(signed)
directory = certificate_directory(data)
table_offset, table_size = u32(data, directory), u32(data, directory + 4)
for what, at, value, said in [
        ("misaligned", directory, table_offset + 4, "offset not a multiple of 8"),
        ("past-end", directory + 4, table_size + 8, "runs past the end of the file"),
        ("overlapping", directory, table_offset - 4096, "overlaps the headers or a section")]:
    bent = os.path.join(work, f"{what}.exe")
    write(bent, data[:at] + struct.pack("<I", value) + data[at + 4:])
    result, output = run(inspect, "check", bent)
    assert result != 0 and f"PE certificate table: {said}" in output, f"{what} ({result}):\n{output}"
    print(output)

# One byte of a component inside the signed program, changed: the signature no longer holds.
tampered = os.path.join(work, "tampered.exe")
shutil.copy(signed, tampered)
byte = change_version_text(tampered, "MSCOMCTL.OCX")
result, output = verify(tampered)
print(f"The tampered copy (byte {byte} changed):\n{output}")
assert result != 0 and "Signature verification: ok" not in output, output

# Signing the same program twice, a second apart: with a fixed signing time the same bytes.
os.environ["SOURCE_DATE_EPOCH"] = "1700000000"
again = [os.path.join(work, f"again-{n}.exe") for n in (1, 2)]
for path in again:
    shutil.copy(reference, path)
    result, output = sign_step(path, f"-DCERT={key('signer.pem')}", f"-DKEY={key('signer.key')}")
    assert result == 0, f"Signing again failed:\n{output}"
    time.sleep(1.2)
assert same_bytes(*again), "Signed twice at one signing time, the bytes differ"
must_verify(again[0])
del os.environ["SOURCE_DATE_EPOCH"]

# Signed components. Two stand-ins signed by the test authority's signer, a third signed and then
# changed inside what its signature covers, a fourth signed by both signers (the second signature
# nested in the first, as osslsigncode -nest writes it), the rest as built: the list, the document
# and a build that requires signed components each say which is which.
mixed = os.path.join(work, "mixed-components")
shutil.rmtree(mixed, ignore_errors=True)
shutil.copytree(standins, mixed)
intact, changed, twice = ["MSCOMCTL.OCX", "COMCTL32.OCX"], "VBAME.DLL", "MSINET.OCX"
for name in *intact, changed, twice:
    os.remove(os.path.join(mixed, name))
    must(osslsigncode, "sign", "-certs", key("signer.pem"), "-key", key("signer.key"), "-in",
         os.path.join(standins, name), "-out", os.path.join(mixed, name))
change_version_text(os.path.join(mixed, changed), changed)
os.replace(os.path.join(mixed, twice), os.path.join(work, twice))
must(osslsigncode, "sign", "-nest", "-certs", key("second.pem"), "-key", key("second.key"), "-in",
     os.path.join(work, twice), "-out", os.path.join(mixed, twice))
os.remove(os.path.join(work, twice))

listed = must(inspect, "bom", mixed)
document = json.loads(must(inspect, "bom", "--format", "cyclonedx", mixed))
print(listed)


def listed_line(listed, name):
    """The list's line that describes the component `name`."""
    line = re.search(rf"^{re.escape(name)}\t.*$", listed, re.MULTILINE)
    assert line, f"The list has no line for {name}:\n{listed}"
    return line[0]


names = catalogue.component_names(facts.facts_file(cross_dir))
ok = "signed, chain not checked"
publisher = "CN=Brantel Test Publisher"
expected_failing = [name for name in names if name not in intact and name != twice]
for index, name in enumerate(names):
    # One entry for each signature.
    entries = {twice: [(ok, publisher, "matches (SHA256)"), (ok, SECOND_SUBJECT, "matches (SHA256)")],
               changed: [(ok, publisher, "does not match (SHA256)")]}.get(
        name, [(ok, publisher, "matches (SHA256)")] if name in intact else [])
    said = [" | ".join(column) for column in zip(*entries)] or ["none", "-", "-"]
    assert listed_line(listed, name).split("\t")[8:11] == said, f"The list should say {said} of {name}"
    # The document's properties, by name.
    component = document["components"][index]
    properties = "".join(f"{p['name']}={p['value']};" for p in component["properties"])
    want = "".join(f"brantel:signature={text};brantel:signer={signer};brantel:signedDigest={digest};"
                   for text, signer, digest in entries) or "brantel:signature=none;"
    assert component["name"] == name and want in properties, \
        f"The document's component {index} ({component['name']}) says {properties}\nnot {want}"


def refused_names(text):
    """The components that a refusal to take unsigned components names."""
    refusal = re.search(r"components not signed with a digest that matches the file:(\n +[^\n]+)+", text)
    return re.findall(r"\n +([A-Z0-9]+\.[A-Z]+):", refusal[0]) if refusal else []


# The signatures themselves bent: one byte of a signature value. Of the component signed once, its
# signer's, at the end of the entry; of the component signed twice, the first signer's, which
# ends where its unauthenticated attributes begin (8 bytes of headers, then the nested
# signature's identifier). With its nested signature holding, the second counts as signed.
not_verified = "signature does not verify with the signer's certificate, chain not checked"
bent_signature = os.path.join(work, "bent-signature-components")
shutil.rmtree(bent_signature, ignore_errors=True)
shutil.copytree(mixed, bent_signature)
bent_once = intact[0]
for name in bent_once, twice:
    path = os.path.join(bent_signature, name)
    data = read(path)
    entry = u32(data, certificate_directory(data))
    in_signature = entry + u32(data, entry) - 10
    if name == twice:
        in_signature = data.find(bytes.fromhex("060a2b060104018237020401")) - 8 - 10  # 1.3.6.1.4.1.311.2.4.1
    data[in_signature] = (data[in_signature] + 1) % 256
    write(path, data)
bent_listed = must(inspect, "bom", bent_signature)
for name, said in (bent_once, f"\t{not_verified}\t"), (twice, f"\t{not_verified} | {ok}\t"):
    assert said in listed_line(bent_listed, name), \
        f"A changed signature byte of {name} goes unnoticed:\n{bent_listed}"
expected_bent_failing = [name for name in names if name in expected_failing or name == bent_once]
result, output = run(inspect, "bom", "--require-signed", bent_signature)
assert result != 0 and refused_names(output) == expected_bent_failing, \
    f"brantel-inspect bom --require-signed should name {expected_bent_failing} ({result}):\n{output}"

# A build that requires signed components stops, before anything is packed, and names exactly
# those that are not signed intact; the signed program, its list and its document that the tree
# had built go, so nothing that looks shippable stays. The signed tree packs them for that, then
# packs the stand-ins again for the scenario.
result, output = build(tree, "brantel_bom")
shipped = [signed] + [os.path.join(tree, "src", "app", name) for name in ("Brantel.bom.txt", "Brantel.cdx.json")]
assert result == 0 and all(map(os.path.exists, shipped)), f"The signed tree did not make {shipped}:\n{output}"
must(cmake, "-S", source_dir, "-B", tree, f"-DBRANTEL_PAYLOAD_DIR={mixed}",
     "-DBRANTEL_REQUIRE_SIGNED_COMPONENTS=ON")
result, output = build(tree)
print(f"A build that requires signed components:\n{output}")
assert result != 0 and refused_names(output) == expected_failing, \
    f"The build that requires signed components should fail naming {expected_failing} ({result})"
left = [path for path in shipped if os.path.exists(path)]
assert not left, f"The build that requires signed components left {left}"
must(cmake, "-S", source_dir, "-B", tree, f"-DBRANTEL_PAYLOAD_DIR={standins}",
     "-DBRANTEL_REQUIRE_SIGNED_COMPONENTS=OFF")
result, output = build(tree)
assert result == 0, f"Building the signed program again failed:\n{output}"
must_verify(signed)

# The document beside the program follows SOURCE_DATE_EPOCH from one build of the tree to the next.
for epoch, expected in (None, None), ("1700000000", '"timestamp": "2023-11-14T22:13:20Z"'):
    os.environ.pop("SOURCE_DATE_EPOCH", None)
    if epoch:
        os.environ["SOURCE_DATE_EPOCH"] = epoch
    result, output = build(tree, "brantel_bom")
    with open(shipped[2]) as file:
        stamp = re.search(r'"timestamp": "[^"]*"', file.read())
    assert result == 0 and (stamp[0] if stamp else None) == expected, \
        f"Built with SOURCE_DATE_EPOCH {epoch}, the document says {stamp} ({result}):\n{output}"
os.environ.pop("SOURCE_DATE_EPOCH", None)
