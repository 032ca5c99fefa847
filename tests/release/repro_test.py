#!/usr/bin/python3
"""Builds the updater twice from the same sources, in two fresh folders of
different names, and checks that the exes are the same bytes.  Then turns on
signing in the second build and checks that the build's own signing step
yields a signature that verifies: the post-link steps ran before it.

    repro_test.py SOURCE_DIR WORK_DIR TARGET PRESET [extra cmake -D arguments...]

Each build is the given preset (win32 or win64) with the default (generated) sample archive,
limited to TARGET, so the run stays within a few minutes on two cores.
"""
import os
import shutil
import subprocess
import sys
import time

import pefile

SRC, WORK, TARGET, PRESET = sys.argv[1:5]
EXTRA = sys.argv[5:]


def run(cmd, env, log):
    with open(log, "a") as out:
        out.write("$ " + " ".join(cmd) + "\n")
        out.flush()
        r = subprocess.run(cmd, cwd=SRC, env=env, stdout=out, stderr=subprocess.STDOUT)
    if r.returncode != 0:
        sys.stdout.write(open(log).read()[-6000:])
        raise SystemExit(f"FAIL: {' '.join(cmd)} exited with {r.returncode} (log {log})")


def clean_env():
    env = dict(os.environ)
    for name in list(env):
        if name.startswith("LUMARSO_SIGN_"):
            del env[name]
    return env


def build(folder, env, configure_args=()):
    log = os.path.join(WORK, os.path.basename(folder) + ".log")
    start = time.monotonic()
    run(["cmake", "--preset", PRESET, "-B", folder, *EXTRA, *configure_args], env, log)
    run(["cmake", "--build", folder, "--target", TARGET, "-j", "2"], env, log)
    print(f"{os.path.basename(folder)}: configured and built in {time.monotonic() - start:.0f} s")
    pe_name = [n for n in os.listdir(folder) if n.lower() == TARGET.lower() + ".exe"]
    if not pe_name:
        raise SystemExit(f"FAIL: {folder} has no {TARGET}.exe")
    return os.path.join(folder, pe_name[0])


def where(path, offset):
    pe = pefile.PE(path, fast_load=True)
    for s in pe.sections:
        if s.PointerToRawData <= offset < s.PointerToRawData + s.SizeOfRawData:
            return s.Name.rstrip(b"\0").decode()
    return "headers" if offset < pe.OPTIONAL_HEADER.SizeOfHeaders else "after the sections"


def main():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    env = clean_env()
    a = build(os.path.join(WORK, "first"), env)
    b = build(os.path.join(WORK, "second-build"), env)
    da, db = open(a, "rb").read(), open(b, "rb").read()
    print(f"{TARGET}.exe: {len(da)} and {len(db)} bytes")
    if da != db:
        diffs = [i for i in range(min(len(da), len(db))) if da[i] != db[i]]
        first = diffs[0] if diffs else min(len(da), len(db))
        raise SystemExit(f"FAIL: the two builds differ: {len(diffs)} bytes, the first at {first:#x} "
                         f"({where(a, first)})")
    print("the two builds are byte-identical")

    # Signing through the build itself, with a throwaway certificate.
    cert, key = os.path.join(WORK, "cert.pem"), os.path.join(WORK, "key.pem")
    password = "build-step-passphrase"
    subprocess.run(["openssl", "req", "-x509", "-newkey", "rsa:2048", "-days", "2",
                    "-subj", "/CN=Lumarso throwaway signer", "-keyout", key, "-out", cert,
                    "-passout", "pass:" + password,
                    "-addext", "extendedKeyUsage=codeSigning"], check=True,
                   stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    signed = build(os.path.join(WORK, "second-build"), dict(env, LUMARSO_SIGN_PASS=password),
                   ["-DLUMARSO_SIGN_CERT=" + cert, "-DLUMARSO_SIGN_KEY=" + key])
    cache = open(os.path.join(WORK, "second-build", "CMakeCache.txt")).read()
    if password in cache:
        raise SystemExit("FAIL: the key's password landed in CMakeCache.txt")
    r = subprocess.run(["osslsigncode", "verify", "-CAfile", cert, "-in", signed],
                       stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    if r.returncode != 0 or "Signature verification: ok" not in r.stdout:
        sys.stdout.write(r.stdout)
        raise SystemExit("FAIL: the signature made by the build does not verify")
    # Signing only appended the certificate table to the reproducible image:
    # with it taken off again, the signed exe is the unsigned build's bytes.
    stripped = os.path.join(WORK, "signature-removed.exe")
    subprocess.run(["osslsigncode", "remove-signature", "-in", signed, "-out", stripped], check=True,
                   stdout=subprocess.DEVNULL)
    if open(stripped, "rb").read() != da:
        raise SystemExit("FAIL: the signed exe without its signature differs from the unsigned build")
    print(f"signed by the build: {os.path.getsize(signed)} bytes, signature verifies")


if __name__ == "__main__":
    main()
