#!/usr/bin/python3
"""Signs a copy of the updater with a throwaway certificate through
scripts/sign and checks that the signature covers the embedded payload.

    sign_test.py EXE SIGN_SCRIPT WORKDIR
"""
import os
import shutil
import subprocess
import sys
import unittest

import pefile

EXE, SIGN, WORK = sys.argv[1:4]
PASSWORD = "throwaway-passphrase"


def run(*cmd, env=None, check=True):
    return subprocess.run(cmd, env=env, check=check, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                          text=True)


def verify(path, ca):
    """osslsigncode's verdict, with our certificate as the only trusted root."""
    r = run("osslsigncode", "verify", "-CAfile", ca, "-in", path, check=False)
    return r.returncode == 0 and "Signature verification: ok" in r.stdout, r.stdout


def payload_span(path):
    """(file offset, size) of the CUSTOM/101 resource (the archive), or of
    CUSTOM/102 (the patch updater's patch)."""
    pe = pefile.PE(path, fast_load=True)
    pe.parse_data_directories(
        directories=[pefile.DIRECTORY_ENTRY["IMAGE_DIRECTORY_ENTRY_RESOURCE"]])
    for rtype in pe.DIRECTORY_ENTRY_RESOURCE.entries:
        if rtype.name is not None and str(rtype.name) == "CUSTOM":
            for rid in rtype.directory.entries:
                if rid.id in (101, 102):
                    leaf = rid.directory.entries[0].data.struct
                    return pe.get_offset_from_rva(leaf.OffsetToData), leaf.Size
    raise AssertionError(f"{path} has no CUSTOM/101 or CUSTOM/102 resource")


class Signing(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(WORK, ignore_errors=True)
        os.makedirs(WORK)
        cls.cert = os.path.join(WORK, "cert.pem")
        cls.key = os.path.join(WORK, "key.pem")
        # A code-signing certificate like a real one (EKU codeSigning), with
        # a password on its key so the password path is the one exercised.
        run("openssl", "req", "-x509", "-newkey", "rsa:2048", "-days", "2",
            "-subj", "/CN=Lumarso throwaway signer", "-keyout", cls.key, "-out", cls.cert,
            "-passout", "pass:" + PASSWORD,
            "-addext", "keyUsage=critical,digitalSignature",
            "-addext", "extendedKeyUsage=codeSigning",
            "-addext", "basicConstraints=critical,CA:FALSE")
        cls.env = dict(os.environ, LUMARSO_SIGN_CERT=cls.cert, LUMARSO_SIGN_KEY=cls.key,
                       LUMARSO_SIGN_PASS=PASSWORD)
        cls.signed = os.path.join(WORK, "signed.exe")
        shutil.copyfile(EXE, cls.signed)
        run(SIGN, cls.signed, env=cls.env)

    def test_signed_copy_verifies_and_keeps_the_payload(self):
        ok, out = verify(self.signed, self.cert)
        self.assertTrue(ok, out)
        self.assertIn("Number of verified signatures: 1", out)
        off, size = payload_span(EXE)
        soff, ssize = payload_span(self.signed)
        with open(EXE, "rb") as a, open(self.signed, "rb") as b:
            a.seek(off)
            b.seek(soff)
            self.assertEqual(a.read(size), b.read(ssize))

    def test_unsigned_exe_does_not_verify(self):
        ok, out = verify(EXE, self.cert)
        self.assertFalse(ok, out)

    def test_one_flipped_payload_byte_breaks_the_signature(self):
        off, size = payload_span(self.signed)
        for where in (off, off + size // 2, off + size - 1):
            with self.subTest(offset=where):
                tampered = os.path.join(WORK, f"tampered-{where:x}.exe")
                shutil.copyfile(self.signed, tampered)
                with open(tampered, "r+b") as f:
                    f.seek(where)
                    byte = f.read(1)[0]
                    f.seek(where)
                    f.write(bytes([byte ^ 0x01]))
                ok, out = verify(tampered, self.cert)
                self.assertFalse(ok, out)
                self.assertIn("MISMATCH", out)

    def test_signing_again_replaces_the_signature(self):
        again = os.path.join(WORK, "again.exe")
        shutil.copyfile(self.signed, again)
        run(SIGN, again, env=self.env)
        ok, out = verify(again, self.cert)
        self.assertTrue(ok, out)
        self.assertIn("Number of verified signatures: 1", out)
        self.assertEqual(os.path.getsize(again), os.path.getsize(self.signed))

    def test_wrong_password_fails_and_leaves_the_file_alone(self):
        victim = os.path.join(WORK, "victim.exe")
        shutil.copyfile(EXE, victim)
        r = run(SIGN, victim, env=dict(self.env, LUMARSO_SIGN_PASS="wrong"), check=False)
        self.assertNotEqual(r.returncode, 0, r.stdout)
        with open(EXE, "rb") as a, open(victim, "rb") as b:
            self.assertEqual(a.read(), b.read())
        self.assertEqual([n for n in os.listdir(WORK) if n.startswith(".sign")], [])


if __name__ == "__main__":
    unittest.main(argv=sys.argv[:1], verbosity=2)
