#!/usr/bin/env python3
"""The window on slow storage: the longest time it went without answering
during a clicked install, the host folder on a pass-through file system
throttled to a given rate (tests/slow_storage/throttled_fs.py, FUSE).

    scripts/with-display /usr/bin/python3 bench/slow_storage.py [--preset win64|win32]
        [--mb 208] [--rate-mb 20] [--runs 3]

Builds the updater with the generated archive of that size in the same
build folder as bench.py (build/bench-<preset>-<mb>), mounts the throttled
storage at build/bench-slow/mnt, and runs the clicked install --runs times
onto a host folder there, each time a new file.  Prints, for each run and
as medians, the longest time the window went without answering while the
attempt ran (until the new copy was in place) and until the success box;
it asserts nothing.  At 208 MB and 20 MB/s each run writes for about
11 s; the first run of a build folder also generates the archive and builds
the exe (a few minutes).  Needs root and /dev/fuse, as the tests do.
"""
import argparse
import os
import shutil
import sys

import bench
from stats import median
from wine import Wine, expect_line, winpath

sys.path.insert(0, os.path.join(bench.ROOT, "tests", "slow_storage"))
from on_slow_storage import SlowStorage, fuse_missing  # noqa: E402

ZIP_NAME = "Lumarso2015.zip"


def archive_for(mb):
    """(label, bytes, entries, stored): the shipped manual's shape, scaled, as bench.py makes it."""
    if mb == 208:
        return "208", bench.FULL_BYTES, bench.FULL_ENTRIES, bench.FULL_STORED
    n = mb * 1_000_000
    return (str(mb), n, round(bench.FULL_ENTRIES * n / bench.FULL_BYTES),
            round(bench.FULL_STORED * n / bench.FULL_BYTES))


def read_once(path):
    """Reads a file through, so that its pages are cached before a timed run."""
    with open(path, "rb") as f:
        while f.read(4 << 20):
            pass


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--preset", choices=[p for _, p, _ in bench.BITNESSES], default=None,
                    help="the build to measure (default: the first this host runs)")
    ap.add_argument("--mb", type=int, default=208, help="archive size in MB (208: the real one)")
    ap.add_argument("--rate-mb", type=float, default=20, help="storage rate in MB/s")
    ap.add_argument("--runs", type=int, default=3)
    args = ap.parse_args(argv)
    why = fuse_missing()
    if why:
        raise SystemExit("slow_storage: FUSE cannot work here: " + why)
    chosen, skipped = bench.bitnesses()
    if args.preset:
        chosen = [(b, p) for b, p in chosen if p == args.preset]
    if not chosen:
        raise SystemExit("slow_storage: no build to measure: %s" % skipped)
    bits, preset = chosen[0]

    label, size, entries, stored = archive_for(args.mb)
    archive, spent = bench.make_archive(label, size, entries, stored)
    bench.log("archive %s MB: %s" % (label, "generated in %.1f s" % spent if spent else "kept"))
    folder = os.path.join(bench.BUILD, "bench-%s-%s" % (preset, label))
    bench.configure(folder, archive, False, preset)
    bench.build(folder, "Lumarso2015", "lumarso_bench_answers")
    exe = os.path.join(folder, "Lumarso2015.exe")
    watcher = os.path.join(folder, "lumarso_bench_answers.exe")
    wine = Wine(os.path.join(folder, "wine-run.sh"),
                os.path.join(bench.BUILD, "bench-wine-" + preset, "prefix"))
    bench.log("%s-bit wine prefix ready in %.1f s" % (bits, wine.prepare(watcher)))

    rate = int(args.rate_mb * 1_000_000)
    rows = []
    with SlowStorage(os.path.join(bench.BUILD, "bench-slow"), rate) as storage:
        host = os.path.join(storage.backing, "Velto", "Quadrivo")
        os.makedirs(host)
        with open(os.path.join(host, "Quadrivo.exe"), "wb") as f:
            f.write(b"MZ stand-in for the host application")
        seen_host = winpath(os.path.join(storage.mount, "Velto", "Quadrivo"), folder=True)
        for run in range(1, args.runs + 1):
            for name in os.listdir(host):  # each run writes a new file
                if name != "Quadrivo.exe":
                    os.remove(os.path.join(host, name))
            read_once(exe)
            program = wine.start(watcher, exe, seen_host, winpath(host, folder=True))
            try:
                placed = float(expect_line(program, "placed", timeout=900))
                written = float(expect_line(program, "written"))
                stall, stall_box = (float(v) for v in expect_line(program, "stall").split())
                stall_at = float(expect_line(program, "stall_at"))
                answered, missed = expect_line(program, "answered").split()
                code = expect_line(program, "exit")
            finally:
                program.close()
            target = os.path.join(host, ZIP_NAME)
            same = os.path.exists(target) and os.path.getsize(target) == os.path.getsize(archive)
            rows.append((placed, stall, stall_box))
            print("run %d: in place after %.2f s (%.1f MB/s), box after %.2f s; longest time "
                  "without an answer %.0f ms until in place (from %.2f s), %.0f ms until the box; "
                  "%s answered, %s not; exit %s%s" % (
                      run, placed / 1000, size / placed / 1000, written / 1000, stall,
                      stall_at / 1000, stall_box,
                      answered, missed, code, "" if same else ", WRONG SIZE"), flush=True)
    print("%s-bit, %s MB at %g MB/s, median of %d runs: longest time without an answer "
          "%.0f ms while the attempt ran (%.0f ms until the success box); in place after %.2f s; "
          "load average %.1f" % (
              bits, label, args.rate_mb, len(rows), median([r[1] for r in rows]),
              median([r[2] for r in rows]), median([r[0] for r in rows]) / 1000,
              os.getloadavg()[0]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
