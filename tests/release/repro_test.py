#!/usr/bin/python3
"""Builds the updater twice from the same sources, in two fresh folders of
different names, and checks that the exes are the same bytes.  Then turns on
signing in the second build and checks that the build's own signing step
yields a signature that verifies: the post-link steps ran before it.

    repro_test.py SOURCE_DIR WORK_DIR TARGET PRESET [extra cmake -D arguments...]

Each build is the given preset (win32 or win64) with the default (generated) sample archive,
limited to TARGET, so the run stays within a few minutes on two cores.

    repro_test.py --archive-checks SOURCE_DIR WORK_DIR PRESET MAX_BYTES

instead checks what the build takes as its archive, in one folder configured
again and again: an empty file, a file that is not a ZIP, one byte over
MAX_BYTES (the largest archive this preset's exe may carry) and a bad
LUMARSO_PATCH_FROM each stop the configure step with a message naming them; a
good archive under another name gets a Lumarso2015.zip.sha256 beside the exe
that agrees with `sha256sum`; a patch from an unrelated edition stops the
build saying so unless LUMARSO_PATCH_ALLOW_LARGE is on, and a list of two
editions gives a patch naming both; and the same archive damaged after
configuring fails the build step and leaves no checksum behind.
"""
import os
import shutil
import subprocess
import sys
import time
import zipfile

import pefile

if sys.argv[1] == "--archive-checks":
    SRC, WORK, PRESET, MAX_BYTES = sys.argv[2:6]
    TARGET, EXTRA = None, []
else:
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


def refused(args, what, path, reason):
    """Runs cmake with ARGS and expects it to fail, saying that WHAT's PATH
    has REASON."""
    r = subprocess.run(["cmake", *args], cwd=SRC, env=clean_env(), stdout=subprocess.PIPE,
                       stderr=subprocess.STDOUT, text=True)
    # CMake wraps and indents its error messages.
    said = " ".join(r.stdout.split())
    expected = f"{what}: {path} {reason}"
    if r.returncode == 0 or expected not in said:
        sys.stdout.write(r.stdout[-4000:])
        raise SystemExit(f"FAIL: cmake {' '.join(args)} exited with {r.returncode}; expected it to fail "
                         f"saying {expected!r}")
    print(f"refused ({r.returncode}): {expected}")


def archive_checks():
    shutil.rmtree(WORK, ignore_errors=True)
    os.makedirs(WORK)
    folder = os.path.join(WORK, "build")
    configure = ["--preset", PRESET, "-B", folder]
    empty, not_zip, over = (os.path.join(WORK, n) for n in ("empty.zip", "notes.zip", "over.zip"))
    open(empty, "wb").close()
    with open(not_zip, "w") as f:
        f.write("Lumarso 2015: note di rilascio\n")
    # Sparse: only the size is read before the limit refuses it; at the limit
    # itself it goes on to the ZIP check.
    with open(over, "wb") as f:
        f.truncate(int(MAX_BYTES))
    refused([*configure, "-DLUMARSO_PAYLOAD=" + empty], "LUMARSO_PAYLOAD", empty, "is empty (0 bytes)")
    refused([*configure, "-DLUMARSO_PAYLOAD=" + not_zip], "LUMARSO_PAYLOAD", not_zip, "is not a ZIP archive")
    refused([*configure, "-DLUMARSO_PAYLOAD=" + over], "LUMARSO_PAYLOAD", over, "is not a ZIP archive")
    with open(over, "r+b") as f:
        f.truncate(int(MAX_BYTES) + 1)
    refused([*configure, "-DLUMARSO_PAYLOAD=" + over], "LUMARSO_PAYLOAD", over,
            f"is {int(MAX_BYTES) + 1} bytes, more than the {MAX_BYTES} bytes")
    os.remove(over)

    edition = os.path.join(WORK, "edizione-2.zip")
    with zipfile.ZipFile(edition, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("Lumarso2015/index.htm", "<html><body>Indice</body></html>\n" * 50)
        z.writestr("Lumarso2015/leggimi.txt", "Manuale di prova.\n")
    refused([*configure, "-DLUMARSO_PAYLOAD=" + edition, "-DLUMARSO_PATCH_FROM=" + empty],
            "LUMARSO_PATCH_FROM", empty, "is empty (0 bytes)")

    log = os.path.join(WORK, "build.log")
    run(["cmake", *configure, "-DLUMARSO_PAYLOAD=" + edition, "-DLUMARSO_PATCH_FROM="], clean_env(), log)
    run(["cmake", "--build", folder, "--target", "lumarso_archive"], clean_env(), log)
    sha256 = os.path.join(folder, "Lumarso2015.zip.sha256")
    digest = subprocess.run(["sha256sum", edition], check=True, stdout=subprocess.PIPE,
                            text=True).stdout.split()[0]
    line = open(sha256, "rb").read()
    if line != f"{digest}  Lumarso2015.zip\n".encode():
        raise SystemExit(f"FAIL: {sha256} holds {line!r}, sha256sum says {digest}")
    print(f"{sha256}: {line!r}")

    # A patch from an edition that shares nothing with the new one: the
    # build stops saying so, unless told to go on.
    unrelated = os.path.join(WORK, "altro.zip")
    with zipfile.ZipFile(unrelated, "w", zipfile.ZIP_STORED) as z:
        z.writestr("Lumarso2015/foto.jpg", os.urandom(20000))
    patch = os.path.join(folder, "payload", "Lumarso2015-patch.bin")
    run(["cmake", *configure, "-DLUMARSO_PATCH_FROM=" + unrelated], clean_env(), log)
    r = subprocess.run(["cmake", "--build", folder, "--target", "lumarso_patch_resource"], cwd=SRC,
                       env=clean_env(), stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    expected = "would be over 50% of the new edition"
    if r.returncode == 0 or expected not in r.stdout or os.path.exists(patch):
        sys.stdout.write(r.stdout[-4000:])
        raise SystemExit(f"FAIL: an unrelated edition: build exited with {r.returncode}")
    print("unrelated edition: " + [ln for ln in r.stdout.splitlines() if expected in ln][0][:160])
    run(["cmake", *configure, "-DLUMARSO_PATCH_ALLOW_LARGE=ON"], clean_env(), log)
    run(["cmake", "--build", folder, "--target", "lumarso_patch_resource"], clean_env(), log)
    print(f"with LUMARSO_PATCH_ALLOW_LARGE=ON: {os.path.getsize(patch)} bytes of patch")
    # Two editions, as a CMake list: one patch naming both (archives this
    # small share little, so the limit stays off).
    older = os.path.join(WORK, "edizione-1.zip")
    with zipfile.ZipFile(older, "w", zipfile.ZIP_DEFLATED) as z:
        z.writestr("Lumarso2015/index.htm", "<html><body>Indice</body></html>\n" * 49)
    run(["cmake", *configure, f"-DLUMARSO_PATCH_FROM={unrelated};{older}"], clean_env(), log)
    run(["cmake", "--build", folder, "--target", "lumarso_patch_resource"], clean_env(), log)
    header = open(patch, "rb").read(16)
    if header[:8] != b"LUMPATCH" or header[8:16] != bytes([2, 0, 0, 0, 2, 0, 0, 0]):
        raise SystemExit(f"FAIL: a patch from two editions starts {header.hex()}")
    print("two editions: format 2, 2 editions")

    # Damaged after configuring, in the middle of the first entry's deflated
    # data: the build step refuses it.
    with zipfile.ZipFile(edition) as z:
        first = z.infolist()[0]
    data = bytearray(open(edition, "rb").read())
    data[first.header_offset + 30 + len(first.filename) + first.compress_size // 2] ^= 0xFF
    open(edition, "wb").write(data)
    r = subprocess.run(["cmake", "--build", folder, "--target", "lumarso_archive"], cwd=SRC,
                       env=clean_env(), stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
    expected = f"LUMARSO_PAYLOAD: {edition} is"
    if r.returncode == 0 or expected not in r.stdout or os.path.exists(sha256):
        sys.stdout.write(r.stdout[-4000:])
        raise SystemExit(f"FAIL: a damaged archive: build exited with {r.returncode}, "
                         f"checksum file {'left' if os.path.exists(sha256) else 'gone'}")
    print("damaged after configuring: " + [ln for ln in r.stdout.splitlines() if expected in ln][0])


if __name__ == "__main__":
    if TARGET is None:
        archive_checks()
    else:
        main()
