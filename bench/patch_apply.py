#!/usr/bin/env python3
"""The patch benchmark: at the manual's full size, the patch updater's apply
(Lumarso2015-patch.exe over the previous edition) against the full updater's
write (Lumarso2015.exe over the same previous edition), both under Wine,
alternating in one run; the patch exe's peak private memory; its size above
the exe's fixed part.  Prints a table and writes docs/patch-apply.md.

    patch_apply.py [--runs 5] [--bits 32,64] [--size BYTES] [--no-page]
    patch_apply.py --chain 1,2,3 [--runs 3] [--bits 64] [--folder BUILD_DIR]

With --chain, the editions of bench/patch_editions.py (build/bench-patch-chain:
new.zip and e1.zip .. e3.zip, e3 the oldest): for each k, a patch from the k
newest earlier editions (oldest first; k:g for the k from e<g> on), applied over the oldest of them,
beside the full write over the same file; printed only.  --folder reuses a
configured build folder (it is configured again for each k).

Two editions from cmake/tools/make_manual.py: the previous one, and the new
one derived from it with 1% of the entries edited in place, one removed and
one added (the first pair of docs/patch-sizes.md).  One build folder per bitness: build/bench-patch32,
build/bench-patch64.

Each run starts from the same history: the previous edition is copied into
the host folder and flushed, a decoy of the same size is written and flushed
(so neither updater finds the previous edition warmer in the page cache than
the other), and the exe is read once.  The time is the updater's own, from
its log: from "attempt 1: checking" to the success notice, so Wine's start-up
is left out of both.  Memory: the peak RssAnon of the Linux process that runs
the exe (Wine's GetProcessMemoryInfo leaves PrivateUsage unwritten), sampled
every millisecond or so; VmHWM beside it also counts the mapped image.
"""
import argparse
import datetime
import filecmp
import os
import platform
import shutil
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import procmem  # noqa: E402
from stats import median  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
TOOLS = os.path.join(ROOT, "cmake", "tools")
PAGE = os.path.join(ROOT, "docs", "patch-apply.md")
FULL_BYTES, FULL_ENTRIES, FULL_STORED = 208_304_732, 3390, 373
PRESETS = {32: "win32", 64: "win64"}
KINDS = ("full", "patch")
EXES = {"full": "Lumarso2015.exe", "patch": "Lumarso2015-patch.exe"}


def log(text):
    print("patch_apply: " + text, flush=True)


def editions(size, entries, stored):
    """The previous edition is the generated manual; the new one derives from
    it as in docs/patch-sizes.md's first pair: 1% of the entries edited in
    place, one removed, one added."""
    folder = os.path.join(BUILD, "bench-patch-editions")
    os.makedirs(folder, exist_ok=True)
    old = os.path.join(folder, "old-%d.zip" % size)
    new = os.path.join(folder, "new-%d-change1.zip" % size)
    shape = ["--size", str(size), "--entries", str(entries), "--stored", str(stored)]
    if not os.path.exists(old):
        log("making the previous edition (%d bytes)" % size)
        subprocess.run([sys.executable, os.path.join(TOOLS, "make_manual.py"), "--out", old] + shape,
                       check=True)
    if not os.path.exists(new):
        log("deriving the new edition")
        subprocess.run([sys.executable, os.path.join(TOOLS, "make_manual.py"), "--out", new] + shape +
                       ["--change", "1", "--add", "1", "--remove", "1", "--derive-seed", "1"],
                       check=True)
    return old, new


def build(bits, old, new):
    folder = os.path.join(BUILD, "bench-patch%d" % bits)
    subprocess.run(["cmake", "--preset", PRESETS[bits], "-B", folder,
                    "-DLUMARSO_PAYLOAD=" + new, "-DLUMARSO_PATCH_FROM=" + old],
                   cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    started = time.monotonic()
    subprocess.run(["cmake", "--build", folder, "-j2", "--target", "Lumarso2015",
                    "Lumarso2015-patch"], cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
    log("%d-bit build: %.0f s" % (bits, time.monotonic() - started))
    return folder


def winpath(path):
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def write_flushed(path, source=None, size=0):
    """Copies `source` (or writes `size` bytes of a pattern) to `path`, then fsync."""
    with open(path, "wb") as out:
        if source:
            with open(source, "rb") as f:
                shutil.copyfileobj(f, out, 1 << 20)
        else:
            block = bytes(range(256)) * 4096
            left = size
            while left > 0:
                out.write(block[:min(left, len(block))])
                left -= len(block)
        out.flush()
        os.fsync(out.fileno())


def read_once(path):
    with open(path, "rb") as f:
        while f.read(1 << 20):
            pass


def log_ms(text):
    """Milliseconds from "attempt 1: checking" to the success notice."""
    def stamp(line):
        t = datetime.datetime.strptime(line[:23], "%Y-%m-%d %H:%M:%S.%f")
        return t.timestamp() * 1000.0
    start = end = None
    for line in text.splitlines():
        if "attempt 1: checking" in line:
            start = stamp(line)
        elif start is not None and "message (not shown): \"Aggiornamento terminato!\"" in line:
            end = stamp(line)
            break
    if start is None or end is None:
        raise RuntimeError("no attempt and success in the log:\n" + text)
    return end - start


def run_once(folder, kind, old, new, work):
    host = os.path.join(work, "Quadrivo")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(host)
    with open(os.path.join(host, "Quadrivo.exe"), "wb") as f:
        f.write(b"MZ")
    zip_path = os.path.join(host, "Lumarso2015.zip")
    write_flushed(zip_path, source=old)
    write_flushed(os.path.join(work, "decoy.bin"), size=os.path.getsize(new))
    os.remove(os.path.join(work, "decoy.bin"))
    exe = os.path.join(folder, EXES[kind])
    read_once(exe)
    log_path = os.path.join(work, "install.log")
    prefix = os.path.join(folder, "wineprefix")
    env = dict(os.environ, LUMARSO_WINEPREFIX=prefix, WINEDEBUG="-all", LUMARSO_NO_XVFB="1")
    process = subprocess.Popen([os.path.join(folder, "wine-run.sh"), exe, "/S", "/RETRIES=0",
                                "/LOG=" + winpath(log_path), "/D=" + winpath(host)], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    peak = None
    if kind == "patch":
        pid = procmem.find_wine_process(EXES[kind], os.path.abspath(prefix), timeout=60)
        if pid is not None:
            with procmem.PeakSampler(pid) as sampler:
                process.wait()
            peak = (sampler.peak_anon, sampler.peak_hwm)
    code = process.wait()
    with open(log_path, encoding="utf-8") as f:
        text = f.read()
    if code != 0:
        raise RuntimeError("%s ended with %d:\n%s" % (exe, code, text))
    if not filecmp.cmp(zip_path, new, shallow=False):
        raise RuntimeError("%s did not leave the new edition in place" % exe)
    return log_ms(text), peak


def measure(bits, folder, old, new, runs):
    work = os.path.join(folder, "patch-bench-run")
    # A first start makes the prefix and warms Wine; not counted.
    run_once(folder, "full", old, new, work)
    times = {k: [] for k in KINDS}
    peaks = []
    for i in range(runs):
        for kind in (KINDS if i % 2 == 0 else KINDS[::-1]):
            ms, peak = run_once(folder, kind, old, new, work)
            times[kind].append(ms)
            if peak:
                peaks.append(peak)
            log("%d-bit run %d %s: %.0f ms%s" % (bits, i + 1, kind, ms,
                ", peak RssAnon %.1f MiB" % (peak[0] / 2**20) if peak else ""))
    shutil.rmtree(work, ignore_errors=True)
    full_exe = os.path.getsize(os.path.join(folder, EXES["full"]))
    patch_exe = os.path.getsize(os.path.join(folder, EXES["patch"]))
    fixed = full_exe - os.path.getsize(new)  # the full exe less its archive
    return {
        "bits": bits, "full_ms": times["full"], "patch_ms": times["patch"],
        "peak_anon": max(p[0] for p in peaks) if peaks else None,
        "peak_hwm": max(p[1] for p in peaks) if peaks else None,
        "full_exe": full_exe, "patch_exe": patch_exe, "fixed": fixed,
        "delta": os.path.getsize(os.path.join(folder, "payload", "Lumarso2015-patch.bin")),
    }


def table(results, size):
    lines = ["| build | full write, median ms | patch apply, median ms | apply / write | "
             "patch peak RssAnon | patch peak VmHWM | patch exe minus the fixed part | CUSTOM/102 (header, pool, deltas) |",
             "|---|---|---|---|---|---|---|---|"]
    for r in results:
        full, patch = median(r["full_ms"]), median(r["patch_ms"])
        mib = lambda v: "%.1f MiB" % (v / 2**20) if v else "n/a"
        extra = r["patch_exe"] - r["fixed"]
        lines.append("| %d-bit | %.0f | %.0f | %.2f | %s | %s | %d bytes (%.3f%% of %d) | %d bytes |" % (
            r["bits"], full, patch, patch / full, mib(r["peak_anon"]), mib(r["peak_hwm"]),
            extra, 100.0 * extra / size, size, r["delta"]))
    return "\n".join(lines)


def chain(args):
    editions = os.path.join(BUILD, "bench-patch-chain")
    new = os.path.join(editions, "new.zip")
    for bits in [int(b) for b in args.bits.split(",")]:
        folder = os.path.abspath(args.folder or os.path.join(BUILD, "bench-patch%d" % bits))
        for spec in args.chain.split(","):
            # k, or k:g for the k editions from e<g> on (e<g> the oldest).
            k, _, oldest = spec.partition(":")
            k, oldest = int(k), int(oldest or k)
            olds = [os.path.join(editions, "e%d.zip" % g) for g in range(oldest, oldest - k, -1)]
            subprocess.run(["cmake", "--preset", PRESETS[bits], "-B", folder, "-DLUMARSO_PAYLOAD=" + new,
                            "-DLUMARSO_PATCH_FROM=" + ";".join(olds)], cwd=ROOT, check=True,
                           stdout=subprocess.DEVNULL)
            started = time.monotonic()
            subprocess.run(["cmake", "--build", folder, "--target", "Lumarso2015", "Lumarso2015-patch"],
                           cwd=ROOT, check=True, stdout=subprocess.DEVNULL)
            log("%d-bit build, k=%d: %.0f s" % (bits, k, time.monotonic() - started))
            r = measure(bits, folder, olds[0], new, args.runs)
            print("k=%d, over the oldest (e%d):" % (k, oldest))
            print(table([r], os.path.getsize(new)))
            print("  all runs: full %s ms; patch %s ms" % (", ".join("%.0f" % v for v in r["full_ms"]),
                                                        ", ".join("%.0f" % v for v in r["patch_ms"])), flush=True)


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--runs", type=int, default=5)
    ap.add_argument("--bits", default="32,64")
    ap.add_argument("--size", type=int, default=FULL_BYTES)
    ap.add_argument("--no-page", action="store_true", help="print only; leave docs/ alone")
    ap.add_argument("--chain", help="k values: patches from the k newest earlier editions")
    ap.add_argument("--folder", help="a build folder to reuse")
    args = ap.parse_args()
    if args.chain:
        return chain(args)
    entries = max(10, round(FULL_ENTRIES * args.size / FULL_BYTES))
    stored = max(1, round(FULL_STORED * args.size / FULL_BYTES))
    old, new = editions(args.size, entries, stored)
    results = []
    for bits in [int(b) for b in args.bits.split(",")]:
        folder = build(bits, old, new)
        results.append(measure(bits, folder, old, new, args.runs))
    text = table(results, args.size)
    print(text)
    if args.no_page:
        return
    runs = "\n".join("- %d-bit: full %s ms; patch %s ms" % (
        r["bits"], ", ".join("%.0f" % v for v in r["full_ms"]),
        ", ".join("%.0f" % v for v in r["patch_ms"])) for r in results)
    with open(PAGE, "w") as f:
        f.write("""# Applying a patch against writing the whole archive

Made by `bench/patch_apply.py` on %s (%s, Linux %s), under Wine.
Previous edition: `make_manual.py --size %d --entries %d --stored %d`; the new one derived from it with
`--change 1 --add 1 --remove 1 --derive-seed 1` (1%% of the entries edited in place, one removed, one added), %d and %d bytes.
Both updaters start over the previous edition, with the same history before every run (previous edition
copied in and flushed, a same-size decoy written and flushed, the exe read once), alternating, %d runs each.
Times are the updaters' own, from their logs (attempt start to success notice): Wine's start-up is not in them.
The fixed part is the full exe's size less its archive's.

%s

All runs (ms):

%s
""" % (datetime.date.today().isoformat(), platform.node(), platform.release(), args.size, entries,
           stored, os.path.getsize(old), os.path.getsize(new), args.runs, text, runs))
    log("wrote " + os.path.relpath(PAGE, ROOT))


if __name__ == "__main__":
    main()
