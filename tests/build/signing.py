"""What the signing tests share: a throwaway certificate authority and the code-signing
certificates it issued, osslsigncode's verdict on a file, a cross tree that packs the project
build's stand-ins and signs, and the build's signing step run on its own.

Both tests take CMAKE SOURCE_DIR WORK_DIR GENERATOR OPENSSL OSSLSIGNCODE SH INSPECT REFERENCE, the
last the unsigned Brantel.exe of the project's cross build.
"""

import os
import shutil
import sys

from cross_tree import configure, must, run

cmake, source_dir, work, generator, openssl, osslsigncode, sh, inspect, reference = sys.argv[1:]
keys = os.path.join(work, "keys")
cross_dir = os.path.dirname(os.path.dirname(os.path.dirname(reference)))
standins = os.path.join(cross_dir, "standin", "components")
PKCS12_PASSWORD = "correct horse 7"
# The subject of the second signer's certificate as RFC 2253 writes it, with an escape.
SECOND_SUBJECT = "CN=Brantel Second Publisher\\, Ltd,O=Example"


def key(name):
    return os.path.join(keys, name)


def make_test_authority():
    """In `keys`: the authority, its signers signer (also as a PKCS#12 file with PKCS12_PASSWORD)
    and second, and a key of nobody's certificate."""
    shutil.rmtree(keys, ignore_errors=True)
    os.makedirs(keys)
    with open(key("signer.ext"), "w") as file:
        file.write("basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\n"
                   "extendedKeyUsage=codeSigning\n")
    must(openssl, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key("ca.key"),
         "-out", key("ca.pem"), "-days", "30", "-subj", "/CN=Brantel Test Authority",
         "-addext", "basicConstraints=critical,CA:TRUE", "-addext", "keyUsage=critical,keyCertSign,cRLSign")
    for serial, (signer, subject) in enumerate([("signer", "/CN=Brantel Test Publisher"), (
            "second", "/O=Example/CN=Brantel Second Publisher, Ltd")], 1):
        must(openssl, "req", "-newkey", "rsa:2048", "-nodes", "-keyout", key(f"{signer}.key"),
             "-out", key(f"{signer}.csr"), "-subj", subject)
        must(openssl, "x509", "-req", "-in", key(f"{signer}.csr"), "-CA", key("ca.pem"), "-CAkey",
             key("ca.key"), "-set_serial", str(serial), "-days", "30", "-extfile",
             key("signer.ext"), "-out", key(f"{signer}.pem"))
    must(openssl, "pkcs12", "-export", "-in", key("signer.pem"), "-inkey", key("signer.key"),
         "-out", key("signer.p12"), "-passout", f"pass:{PKCS12_PASSWORD}")
    must(openssl, "genpkey", "-algorithm", "RSA", "-pkeyopt", "rsa_keygen_bits:2048", "-out",
         key("other.key"))


def verify(path):
    """osslsigncode's exit code and verdict on `path`, checked against the test authority."""
    return run(osslsigncode, "verify", "-CAfile", key("ca.pem"), "-in", path)


def must_verify(path):
    result, output = verify(path)
    assert result == 0 and "Signature verification: ok" in output, f"{path}:\n{output}"


def configure_tree(tree, *settings):
    configure(cmake, source_dir, tree, generator, f"-DBRANTEL_PAYLOAD_DIR={standins}", *settings)


def build(tree, target="Brantel"):
    return run(cmake, "--build", tree, "--target", target, "-j", "2")


def sign_step(path, *settings):
    """The build's signing step on its own, on `path`, with the -D settings given."""
    return run(cmake, f"-DFILE={path}", f"-DOSSLSIGNCODE={osslsigncode}", f"-DSH={sh}", *settings,
               "-P", os.path.join(source_dir, "cmake", "sign.cmake"))


def same_bytes(a, b):
    with open(a, "rb") as first, open(b, "rb") as second:
        return first.read() == second.read()
