#!/usr/bin/python3
"""Finds how large an archive the updater can carry and still start: for
each size, makes a valid ZIP of exactly that many bytes (one stored entry of
zeros), builds the updater around it in one build folder, runs it silently
under Wine against a folder holding Quadrivo.exe and compares what it wrote
with the archive.  Prints one line per size: build time, exit code, what was
written, and Wine's first error lines when it did not start.

    archive_limit.py SOURCE_DIR BUILD_DIR PRESET WORK_DIR SIZE_MB...

BUILD_DIR is configured once with -DLUMARSO_PAYLOAD=WORK_DIR/big.zip and
reused; every large file is deleted again before the next size, the exe and
the archive after the last one.  Needs about 3 x the largest size on disk.
"""
import os
import subprocess
import sys
import time
import zipfile

MB = 1 << 20
ZEROS = bytes(16 * MB)


def make_zip(path, size):
    """A ZIP of `size` bytes (a few more from 2 GiB on): one stored entry of
    zeros, with ZIP64 records from 2 GiB on, where zipfile needs them."""
    name = "Lumarso2015/dati.bin"
    data = size - (30 + 46 + 22 + 2 * len(name))
    zip64 = data > zipfile.ZIP64_LIMIT - (1 << 20)
    with zipfile.ZipFile(path, "w", zipfile.ZIP_STORED, allowZip64=True) as z:
        info = zipfile.ZipInfo(name, date_time=(2015, 3, 2, 9, 0, 0))
        with z.open(info, "w", force_zip64=zip64) as f:
            left = data
            while left:
                n = min(left, len(ZEROS))
                f.write(ZEROS[:n])
                left -= n
    return os.path.getsize(path)


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def main():
    src, build, work = (os.path.abspath(a) for a in (sys.argv[1], sys.argv[2], sys.argv[4]))
    preset = sys.argv[3]
    sizes = [int(float(s) * MB) for s in sys.argv[5:]]
    os.makedirs(work, exist_ok=True)
    archive = os.path.join(work, "big.zip")
    host = os.path.join(work, "host")
    os.makedirs(host, exist_ok=True)
    open(os.path.join(host, "Quadrivo.exe"), "wb").close()
    written = os.path.join(host, "Lumarso2015.zip")
    log = os.path.join(work, "silent.log")
    env = dict(os.environ, LUMARSO_NO_XVFB="1", WINEDEBUG="err+all")

    for size in sizes:
        actual = make_zip(archive, size)
        if not os.path.exists(os.path.join(build, "CMakeCache.txt")):
            subprocess.run(["cmake", "--preset", preset, "-B", build, "-DLUMARSO_PAYLOAD=" + archive],
                           cwd=src, check=True, stdout=subprocess.DEVNULL)
        started = time.monotonic()
        b = subprocess.run(["cmake", "--build", build, "--target", "Lumarso2015"], cwd=src,
                           stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True)
        took = time.monotonic() - started
        exe = os.path.join(build, "Lumarso2015.exe")
        if b.returncode != 0:
            print(f"{actual} bytes ({actual / MB:.0f} MiB): build failed after {took:.0f} s: "
                  + " | ".join(b.stdout.strip().splitlines()[-4:]), flush=True)
            continue
        for stale in (written, log):
            if os.path.exists(stale):
                os.remove(stale)
        started = time.monotonic()
        r = subprocess.run([os.path.join(build, "wine-run.sh"), exe, "/S", "/LOG=" + winpath(log),
                            "/D=" + winpath(host)], env=env, stdout=subprocess.PIPE,
                           stderr=subprocess.STDOUT, text=True, errors="replace", timeout=1800)
        ran = time.monotonic() - started
        got = os.path.getsize(written) if os.path.exists(written) else None
        same = got == actual and subprocess.run(["cmp", "-s", written, archive]).returncode == 0
        # Without a display Wine's desktop, tray and services complain at
        # every start of the prefix: not about the exe.
        noise = ("winediag:nodrv_CreateWindow", "systray:", "hid:handle_IRP", "ole:start_rpcss")
        errors = [line for line in r.stdout.splitlines()
                  if line.strip() and not any(n in line for n in noise)][:6]
        print(f"{actual} bytes ({actual / MB:.0f} MiB): exe {os.path.getsize(exe)} bytes, built in {took:.0f} s; "
              f"exit {r.returncode} after {ran:.0f} s; written {got} bytes, "
              f"{'equal to the archive' if same else 'NOT the archive'}"
              + ("; wine: " + " | ".join(errors) if errors else ""), flush=True)
        if os.path.exists(log):
            print("  log: " + " | ".join(open(log, encoding="utf-8", errors="replace").read().splitlines()[-3:]))
        if os.path.exists(written):
            os.remove(written)
    for done in (archive, os.path.join(build, "Lumarso2015.exe")):
        if os.path.exists(done):
            os.remove(done)


if __name__ == "__main__":
    main()
