"""A private CA and server certificates made at test time with the openssl command line."""

import os
import shutil
import subprocess

LEAF_EXTENSIONS = """basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = {names}
"""

CA_EXTENSIONS = """basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
"""


def available():
    return shutil.which("openssl") is not None


def openssl(*args, cwd):
    subprocess.run(["openssl", *args], cwd=cwd, check=True, capture_output=True, timeout=60)


def new_key_and_request(directory, name, subject):
    openssl(
        "req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
        "-keyout", f"{name}.key", "-out", f"{name}.csr", "-subj", subject,
        cwd=directory,
    )


def sign(directory, name, issuer, extensions):
    with open(os.path.join(directory, f"{name}.ext"), "w", encoding="ascii") as ext:
        ext.write(extensions)
    openssl(
        "x509", "-req", "-in", f"{name}.csr", "-CA", f"{issuer}.pem", "-CAkey", f"{issuer}.key",
        "-set_serial", str(int.from_bytes(os.urandom(8), "big") >> 1), "-days", "2",
        "-extfile", f"{name}.ext", "-out", f"{name}.pem",
        cwd=directory,
    )


class Pki:
    """Paths of everything made: ca, and per server certificate a chain file and a key."""

    def __init__(self, directory):
        self.dir = directory
        d = directory
        openssl(
            "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
            "-keyout", "ca.key", "-out", "ca.pem", "-days", "2", "-subj", "/CN=Kestrova Test Root",
            "-addext", "basicConstraints=critical,CA:TRUE",
            "-addext", "keyUsage=critical,keyCertSign,cRLSign",
            cwd=d,
        )
        self.ca = os.path.join(d, "ca.pem")
        self.leaf("good", "ca", "DNS:localhost,IP:127.0.0.1")
        self.leaf("other-host", "ca", "DNS:other.invalid")
        new_key_and_request(d, "intermediate", "/CN=Kestrova Test Intermediate")
        sign(d, "intermediate", "ca", CA_EXTENSIONS)
        self.leaf("via-intermediate", "intermediate", "DNS:localhost,IP:127.0.0.1")
        self.append_chain("via-intermediate", "intermediate")
        openssl(
            "req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:P-256", "-nodes",
            "-keyout", "self-signed.key", "-out", "self-signed.pem", "-days", "2",
            "-subj", "/CN=localhost", "-addext", "subjectAltName=DNS:localhost,IP:127.0.0.1",
            cwd=d,
        )
        # A hashed directory holding the CA, for SSL_CERT_DIR.
        self.ca_dir = os.path.join(d, "ca-dir")
        os.mkdir(self.ca_dir)
        shutil.copy(self.ca, os.path.join(self.ca_dir, "root.pem"))
        openssl("rehash", self.ca_dir, cwd=d)

    def leaf(self, name, issuer, names):
        new_key_and_request(self.dir, name, f"/CN={name}")
        sign(self.dir, name, issuer, LEAF_EXTENSIONS.format(names=names))

    def append_chain(self, name, issuer):
        with open(os.path.join(self.dir, f"{issuer}.pem"), encoding="ascii") as extra:
            chain = extra.read()
        with open(os.path.join(self.dir, f"{name}.pem"), "a", encoding="ascii") as out:
            out.write(chain)

    def server_tls(self, name):
        """The `tls` config of a ServerProcess presenting certificate `name`."""
        return {
            "cert": os.path.join(self.dir, f"{name}.pem"),
            "key": os.path.join(self.dir, f"{name}.key"),
        }
