"""Bad signing input stops the build with an error that names the problem, and leaves neither the
program nor a part-signed file where the program lands. The signing step is tried on its own for
each kind of bad input, and once inside a cross build, which then signs from a PKCS#12 file once
its password is right. Arguments: those of signing.py.
"""

import glob
import os
import re
import shutil

from signing import cmake, configure_tree, build, generator, key, make_test_authority, \
    must_verify, PKCS12_PASSWORD, reference, run, sign_step, source_dir, work


def words(output):
    """CMake wraps long messages; the words are what counts."""
    return " ".join(output.split())


make_test_authority()
with open(key("not-a-certificate.pem"), "w") as file:
    file.write("this is no certificate\n")
os.makedirs(key("a-folder.pem"))
step = os.path.join(work, "step")
# Each case: what it is, the -D settings of the signing step, and what the error must say.
cases = [
    ("missing certificate", [f"-DCERT={key('absent.pem')}", f"-DKEY={key('signer.key')}"],
     r"the certificate file .+/absent\.pem does not exist"),
    ("missing key", [f"-DCERT={key('signer.pem')}", f"-DKEY={key('absent.key')}"],
     r"the private key file .+/absent\.key does not exist"),
    ("missing PKCS#12", [f"-DPKCS12={key('absent.p12')}"],
     r"the PKCS#12 file .+/absent\.p12 does not exist"),
    ("folder for a certificate", [f"-DCERT={key('a-folder.pem')}", f"-DKEY={key('signer.key')}"],
     r"the certificate file .+/a-folder\.pem is a folder"),
    ("certificate file without a certificate",
     [f"-DCERT={key('not-a-certificate.pem')}", f"-DKEY={key('signer.key')}"],
     r"the certificate file .+/not-a-certificate\.pem holds no PEM certificate"),
    ("key of another certificate", [f"-DCERT={key('signer.pem')}", f"-DKEY={key('other.key')}"],
     r"the private key .+/other\.key does not match the certificate .+/signer\.pem"),
    ("wrong password", [f"-DPKCS12={key('signer.p12')}"], r"wrong password for .+/signer\.p12")]
os.environ["BRANTEL_SIGN_PASSWORD"] = "not the password"
for what, settings, expected in cases:
    shutil.rmtree(step, ignore_errors=True)
    os.makedirs(step)
    shutil.copy(reference, step)
    result, output = sign_step(os.path.join(step, "Brantel.exe"), *settings)
    said = re.search(rf"Signing .+/Brantel\.exe failed: {expected}", words(output))
    assert result != 0 and said, f"The error for a {what} does not say so ({result}):\n{output}"
    assert not os.listdir(step), f"A failed signing ({what}) left {os.listdir(step)}"
    print(f"{what}: {said[0]}")

# Settings that contradict each other stop the configure step.
result, output = run(cmake, "-S", source_dir, "-B", os.path.join(work, "contradicting"), "-G",
                     generator, f"--toolchain={source_dir}/cmake/toolchain-mingw-i686.cmake",
                     f"-DBRANTEL_SIGN_PKCS12={key('signer.p12')}", f"-DBRANTEL_SIGN_CERT={key('signer.pem')}")
assert result != 0 and "give either BRANTEL_SIGN_PKCS12 or BRANTEL_SIGN_CERT" in words(output), \
    f"Configuring with both a PKCS#12 file and a PEM certificate did not stop:\n{output}"
shutil.rmtree(os.path.join(work, "contradicting"))

# Inside a build: the wrong password fails the build and leaves no Brantel.exe; the right one,
# passed the same way, gives a program that verifies.
tree = os.path.join(work, "tree")
configure_tree(tree, f"-DBRANTEL_SIGN_PKCS12={key('signer.p12')}")
result, output = build(tree)
assert result != 0 and re.search(r"failed: wrong password for .+/signer\.p12", words(output)), \
    f"The build with a wrong password did not stop naming it:\n{output}"
left = glob.glob(os.path.join(tree, "src", "app", "Brantel.exe*"))
assert not left, f"The failed build left {left}"
os.environ["BRANTEL_SIGN_PASSWORD"] = PKCS12_PASSWORD
result, output = build(tree)
assert result == 0, f"The build with the right password failed:\n{output}"
must_verify(os.path.join(tree, "src", "app", "Brantel.exe"))
shutil.rmtree(tree)
