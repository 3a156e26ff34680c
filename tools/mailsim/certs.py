"""Test certificates for mailsim's TLS listeners, made with the openssl command.

A small certificate authority of its own signs one server certificate for
localhost and 127.0.0.1, so that clients can verify the server against the CA
file instead of turning verification off.
"""

import os
import shutil
import subprocess
import tempfile

# EC keys: generating them takes milliseconds, RSA keys take much longer.
_KEY_ARGS = ["-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"]

_SERVER_EXTENSIONS = (
    "subjectAltName=DNS:localhost,IP:127.0.0.1\n"
    "basicConstraints=CA:FALSE\n"
    "keyUsage=critical,digitalSignature,keyEncipherment\n"
    "extendedKeyUsage=serverAuth\n"
)


class CertError(Exception):
    pass


def _openssl(args, folder):
    try:
        done = subprocess.run(
            ["openssl"] + args, cwd=folder, stdin=subprocess.DEVNULL,
            stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as e:
        raise CertError("cannot run openssl: %s" % e)
    if done.returncode != 0:
        raise CertError("openssl %s failed: %s" % (args[0], done.stderr.decode("utf-8", "replace")))


def _paths(folder):
    return {
        "cafile": os.path.join(folder, "ca.pem"),
        "certfile": os.path.join(folder, "server.pem"),
        "keyfile": os.path.join(folder, "server.key"),
    }


def _complete(folder):
    return all(os.path.isfile(p) for p in _paths(folder).values())


def _generate(folder):
    _openssl(["req", "-x509"] + _KEY_ARGS + [
        "-keyout", "ca.key", "-out", "ca.pem", "-days", "3650",
        "-subj", "/CN=mailsim test authority",
        "-addext", "basicConstraints=critical,CA:TRUE",
        "-addext", "keyUsage=critical,keyCertSign,cRLSign"], folder)
    _openssl(["req", "-new"] + _KEY_ARGS + [
        "-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost"], folder)
    with open(os.path.join(folder, "server.ext"), "w") as f:
        f.write(_SERVER_EXTENSIONS)
    _openssl(["x509", "-req", "-in", "server.csr", "-CA", "ca.pem", "-CAkey", "ca.key",
              "-set_serial", "2", "-days", "825", "-out", "server.pem",
              "-extfile", "server.ext"], folder)


def make_certificates(folder):
    """Makes ca.pem, server.pem and server.key in folder, or reuses a complete set.

    Returns a dict with the paths: cafile, certfile, keyfile.
    """
    if _complete(folder):
        return _paths(folder)
    if os.path.isdir(folder):
        _generate(folder)
        return _paths(folder)
    # Several instances may share one folder: build the set aside and move it in
    # whole, so nobody reads a CA that does not match the server certificate.
    parent = os.path.dirname(os.path.abspath(folder))
    os.makedirs(parent, exist_ok=True)
    scratch = tempfile.mkdtemp(prefix=".mailsim-certs-", dir=parent)
    try:
        _generate(scratch)
        try:
            os.rename(scratch, folder)
        except OSError:
            if not _complete(folder):
                raise
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    return _paths(folder)
