#!/usr/bin/env python3
"""One patch from several earlier editions: at the manual's full size, for k =
1, 2 and 3 earlier editions (each an edition of the one after it: 1% of the
entries edited in place, one removed, one added), the pool and deltas
lumarso-patchgen makes beside the delta from the oldest edition alone and
beside xdelta3 on the same pairs; the generator's time and memory; and the
give-up on an edition that shares nothing.  Prints markdown tables.

    patch_editions.py --patchgen PATH [--folder DIR] [--size BYTES] [--runs 3]

Editions are made once in DIR (default build/bench-patch-chain) with
cmake/tools/make_manual.py: new.zip, and e1.zip .. e3.zip (--generations 1..3,
so e3 is the oldest).  Every delta is decoded by `xdelta3 -d` against its
edition followed by the pool and compared with new.zip.  Memory is the peak
RssAnon of the generator (its own memory; the mapped editions are not in it)
and its peak RSS (ru_maxrss, which counts the mapped pages it touched).
"""
import argparse
import filecmp
import os
import subprocess
import sys
import threading
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import procmem  # noqa: E402
from stats import median  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
MAKE = os.path.join(ROOT, "cmake", "tools", "make_manual.py")
FULL_BYTES, FULL_ENTRIES, FULL_STORED = 208_304_732, 3390, 373


def timed(argv):
    """Runs argv; wall s, CPU s, peak RssAnon bytes, ru_maxrss bytes, exit code, stderr."""
    started = time.monotonic()
    p = subprocess.Popen(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    sampler = procmem.PeakSampler(p.pid)
    sampler._thread.start()
    err = []
    reader = threading.Thread(target=lambda: err.append(p.stderr.read()), daemon=True)
    reader.start()
    _, status, usage = os.wait4(p.pid, 0)
    wall = time.monotonic() - started
    sampler._stop.set()
    reader.join()
    p.returncode = os.waitstatus_to_exitcode(status)
    return (wall, usage.ru_utime + usage.ru_stime, sampler.peak_anon, usage.ru_maxrss * 1024,
            p.returncode, err[0].decode(errors="replace") if err else "")


def make(folder, size):
    entries = max(10, round(FULL_ENTRIES * size / FULL_BYTES))
    stored = max(1, round(FULL_STORED * size / FULL_BYTES))
    shape = ["--size", str(size), "--entries", str(entries), "--stored", str(stored)]
    os.makedirs(folder, exist_ok=True)
    jobs = [("new.zip", []), ("other.zip", ["--seed", "7"])]
    jobs += [("e%d.zip" % g, ["--change", "1", "--add", "1", "--remove", "1", "--derive-seed", "500",
                              "--generations", str(g)]) for g in (1, 2, 3)]
    for name, extra in jobs:
        out = os.path.join(folder, name)
        if not os.path.exists(out):
            subprocess.run([sys.executable, MAKE, "--out", out, *shape, *extra], check=True,
                           stderr=subprocess.DEVNULL)
    return os.path.join(folder, "new.zip")


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--patchgen", required=True)
    ap.add_argument("--folder", default=os.path.join(ROOT, "build", "bench-patch-chain"))
    ap.add_argument("--size", type=int, default=FULL_BYTES)
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args()
    new = make(args.folder, args.size)
    d = lambda name: os.path.join(args.folder, name)
    ed = lambda g: d("e%d.zip" % g)
    size = os.path.getsize(new)

    single = {}
    xd = {}
    for g in (1, 2, 3):
        subprocess.run([args.patchgen, ed(g), new, d("single%d.vcdiff" % g)], check=True, stdout=subprocess.DEVNULL)
        single[g] = os.path.getsize(d("single%d.vcdiff" % g))
        for name, opts in (("-S none", ["-S", "none"]), ("default", [])):
            out = d("xd%d.vcdiff" % g)
            subprocess.run(["xdelta3", "-e", "-f", *opts, "-s", ed(g), new, out], check=True)
            xd[(g, name)] = os.path.getsize(out)

    print("| k | editions (oldest first) | pool | deltas | pool + deltas | the oldest's delta alone | ratio | "
          "make, wall s (CPU s) | peak RssAnon | peak RSS |")
    print("|---|---|---:|---|---:|---:|---:|---:|---:|---:|")
    for k in (1, 2, 3):
        olds = [ed(g) for g in range(k, 0, -1)]
        argv = [args.patchgen, "--pool=" + d("pool%d" % k), new]
        for i, o in enumerate(olds):
            argv += [o, d("k%d-%d.vcdiff" % (k, i))]
        runs = [timed(argv) for _ in range(args.runs)]
        if any(r[4] != 0 for r in runs):
            raise SystemExit("lumarso-patchgen failed: " + runs[0][5])
        pool = os.path.getsize(d("pool%d" % k))
        deltas = [os.path.getsize(d("k%d-%d.vcdiff" % (k, i))) for i in range(k)]
        for i, o in enumerate(olds):
            source = d("source")
            with open(source, "wb") as f:
                for part in (o, d("pool%d" % k)):
                    with open(part, "rb") as src:
                        while chunk := src.read(1 << 24):
                            f.write(chunk)
            subprocess.run(["xdelta3", "-d", "-f", "-s", source, d("k%d-%d.vcdiff" % (k, i)), d("out")], check=True)
            if not filecmp.cmp(d("out"), new, shallow=False):
                raise SystemExit("k=%d: the delta from %s does not rebuild new.zip" % (k, o))
            os.remove(source)
            os.remove(d("out"))
        total = pool + sum(deltas)
        print("| %d | %s | %d | %s | %d | %d | %.3f | %.2f (%.2f) | %.0f MiB | %.0f MiB |" % (
            k, ", ".join("e%d" % g for g in range(k, 0, -1)), pool, " + ".join(str(x) for x in deltas), total,
            single[k], total / single[k], median([r[0] for r in runs]), median([r[1] for r in runs]),
            median([r[2] for r in runs]) / 2**20, median([r[3] for r in runs]) / 2**20))

    print()
    print("| pair | ours | `xdelta3 -e -S none` | `xdelta3 -e` (default) |")
    print("|---|---:|---:|---:|")
    for g in (1, 2, 3):
        print("| e%d -> new | %d | %d | %d |" % (g, single[g], xd[(g, "-S none")], xd[(g, "default")]))

    print()
    print("| unrelated pair (another manual, %d bytes) | wall s (CPU s) | peak RssAnon | exit |" % size)
    print("|---|---:|---:|---:|")
    for label, extra in (("--max-share=50 (the build's default)", ["--max-share=50"]), ("no limit", [])):
        runs = [timed([args.patchgen, *extra, d("other.zip"), new, d("other.vcdiff")]) for _ in range(args.runs)]
        print("| %s | %.2f (%.2f) | %.0f MiB | %d |" % (label, median([r[0] for r in runs]),
                                                      median([r[1] for r in runs]),
                                                      median([r[2] for r in runs]) / 2**20, runs[0][4]))


if __name__ == "__main__":
    main()
