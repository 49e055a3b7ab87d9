#!/usr/bin/env python3
"""Makes the certificates the TLS tests use, with the openssl command.

    python3 testcerts.py OUTDIR

writes into OUTDIR (each NAME.pem with its key NAME.key):
  ca          a test certificate authority; trust it with SSL_CERT_FILE=OUTDIR/ca.pem
  good        for 127.0.0.1, ::1 and localhost, issued by ca
  otherhost   for other.example.test only, issued by ca
  expired     for 127.0.0.1 and localhost, issued by ca, valid only in 2020
  selfsigned  for 127.0.0.1 and localhost, signed by its own key
  selfsigned2 the same names, another key: a server whose certificate changed
A run makes everything anew; files appear complete (written, then renamed).
"""
import os
import subprocess
import sys
import tempfile

LOCAL_NAMES = "IP:127.0.0.1, IP:::1, DNS:localhost"

LEAF_EXTENSIONS = """[leaf]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
authorityKeyIdentifier = keyid
subjectAltName = {names}
[selfsigned]
basicConstraints = critical, CA:FALSE
keyUsage = critical, digitalSignature, keyEncipherment, keyCertSign
extendedKeyUsage = serverAuth
subjectKeyIdentifier = hash
subjectAltName = {names}
[ca]
basicConstraints = critical, CA:TRUE
keyUsage = critical, keyCertSign, cRLSign
subjectKeyIdentifier = hash
"""

# openssl ca is the one command of OpenSSL 3.0 that takes dates in the past.
CA_CONFIG = """[ca]
default_ca = test_ca
[test_ca]
database = {dir}/index.txt
new_certs_dir = {dir}
serial = {dir}/serial
default_md = sha256
policy = any
unique_subject = no
copy_extensions = none
[any]
commonName = supplied
"""


def openssl(*args, cwd):
    # /etc/ssl/openssl.cnf would add CA:TRUE to leaves; use no system config.
    env = dict(os.environ, OPENSSL_CONF="/dev/null")
    subprocess.run(["openssl", *args], cwd=cwd, env=env, check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def extensions(work, names):
    path = os.path.join(work, "ext.cnf")
    with open(path, "w") as f:
        f.write(LEAF_EXTENSIONS.format(names=names))
    return path


def make(out):
    os.makedirs(out, exist_ok=True)
    with tempfile.TemporaryDirectory(dir=out) as work:
        def key(name):
            openssl("genpkey", "-algorithm", "EC", "-pkeyopt", "ec_paramgen_curve:P-256",
                    "-out", f"{name}.key", cwd=work)

        def request(name, cn):
            key(name)
            openssl("req", "-new", "-key", f"{name}.key", "-subj", f"/O=Corvalen Tests/CN={cn}",
                    "-out", f"{name}.csr", cwd=work)

        key("ca")
        openssl("req", "-new", "-x509", "-key", "ca.key", "-subj", "/O=Corvalen Tests/CN=Corvalen Test CA",
                "-days", "3650", "-config", extensions(work, LOCAL_NAMES), "-extensions", "ca",
                "-out", "ca.pem", cwd=work)

        def issued(name, cn, names):
            request(name, cn)
            openssl("x509", "-req", "-in", f"{name}.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
                    "-CAcreateserial", "-days", "825", "-extfile", extensions(work, names),
                    "-extensions", "leaf", "-out", f"{name}.pem", cwd=work)

        def selfsigned(name):
            key(name)
            openssl("req", "-new", "-x509", "-key", f"{name}.key", "-subj", f"/O=Corvalen Tests/CN={name}",
                    "-days", "825", "-config", extensions(work, LOCAL_NAMES), "-extensions", "selfsigned",
                    "-out", f"{name}.pem", cwd=work)

        issued("good", "localhost", LOCAL_NAMES)
        issued("otherhost", "other.example.test", "DNS:other.example.test")
        selfsigned("selfsigned")
        selfsigned("selfsigned2")

        request("expired", "localhost")
        with open(os.path.join(work, "index.txt"), "w"):
            pass
        with open(os.path.join(work, "serial"), "w") as f:
            f.write("1000\n")
        with open(os.path.join(work, "ca.cnf"), "w") as f:
            f.write(CA_CONFIG.format(dir=work))
        openssl("ca", "-batch", "-config", "ca.cnf", "-cert", "ca.pem", "-keyfile", "ca.key",
                "-in", "expired.csr", "-startdate", "20200101000000Z", "-enddate", "20201231000000Z",
                "-extfile", extensions(work, LOCAL_NAMES), "-extensions", "leaf", "-notext",
                "-out", "expired.pem", cwd=work)

        for name in ("ca", "good", "otherhost", "expired", "selfsigned", "selfsigned2"):
            for suffix in (".key", ".pem"):
                os.chmod(os.path.join(work, name + suffix), 0o644)
                os.replace(os.path.join(work, name + suffix), os.path.join(out, name + suffix))


if __name__ == "__main__":
    if len(sys.argv) != 2:
        sys.exit("usage: testcerts.py OUTDIR")
    try:
        make(sys.argv[1])
    except subprocess.CalledProcessError as e:
        sys.exit(f"openssl {' '.join(e.cmd[1:3])} failed: {e.stderr.decode(errors='replace')}")
