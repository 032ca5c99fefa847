#!/usr/bin/env python3
"""The payload-write benchmark: builds the updater with generated archives,
measures under Wine, prints medians and ratios and (full run only) writes
docs/benchmarks.md with the scaling plot.

    bench.py            full size (25, 50, 100 and 208 MB), 7 runs each
    bench.py --smoke    one small archive, 2 runs; writes nothing under docs/
    bench.py --report   re-renders docs/ from the last full run's results
"""
import argparse
import datetime
import json
import os
import platform
import shutil
import subprocess
import sys
import time

import measure
import plot
import report
from stats import median

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
BUILD = os.path.join(ROOT, "build")
GENERATOR = os.path.join(ROOT, "cmake", "tools", "make_manual.py")
RESULTS = os.path.join(BUILD, "bench-results")
NOTES = os.path.join(ROOT, "bench", "notes.md")

FULL_BYTES, FULL_ENTRIES, FULL_STORED = 208_304_732, 3390, 373
SEED = 2015


def sizes(smoke):
    """(label, bytes, entries, stored): the shipped manual's shape, scaled."""
    if smoke:
        return [("4", 4_000_000, 160, 24)]
    out = []
    for mb in (25, 50, 100):
        n = mb * 1_000_000
        out.append((str(mb), n, round(FULL_ENTRIES * n / FULL_BYTES),
                    round(FULL_STORED * n / FULL_BYTES)))
    out.append(("208", FULL_BYTES, FULL_ENTRIES, FULL_STORED))
    return out


def log(text):
    print("bench: " + text, flush=True)


def make_archive(label, size, entries, stored):
    """Generates build/bench-archives/manual-<label>.zip unless it is there
    with the same parameters.  Returns (path, seconds spent, or None if kept)."""
    folder = os.path.join(BUILD, "bench-archives")
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, "manual-%s.zip" % label)
    stamp = path + ".json"
    params = {"size": size, "entries": entries, "stored": stored, "seed": SEED,
              "generator_mtime": os.path.getmtime(GENERATOR)}
    if os.path.exists(path) and os.path.exists(stamp):
        with open(stamp) as f:
            if json.load(f) == params:
                return path, None
    started = time.monotonic()
    subprocess.run([sys.executable, GENERATOR, "--out", path, "--size", str(size), "--entries",
                    str(entries), "--stored", str(stored), "--seed", str(SEED)], check=True)
    spent = time.monotonic() - started
    params["seconds"] = spent
    with open(stamp, "w") as f:
        json.dump(params, f)
    return path, spent


def generation_seconds(path):
    with open(path + ".json") as f:
        return json.load(f).get("seconds", 0.0)


def unzip_test(path):
    done = subprocess.run(["unzip", "-tqq", path], stdout=subprocess.PIPE,
                          stderr=subprocess.STDOUT, text=True)
    return "passed" if done.returncode == 0 else "FAILED: " + done.stdout.strip()[:200]


def configure(folder, archive, fresh, preset):
    """Configures a build folder of `preset` (win32 or win64) embedding
    `archive` (None: the default sample).  Returns the seconds spent."""
    if fresh and os.path.isdir(folder):
        shutil.rmtree(folder)
    cache = os.path.join(folder, "CMakeCache.txt")
    wanted = "LUMARSO_PAYLOAD:FILEPATH=%s" % (archive or "")
    if os.path.exists(cache) and os.path.exists(os.path.join(folder, "build.ninja")):
        with open(cache) as f:
            if any(line.strip() == wanted for line in f):
                return 0.0
    started = time.monotonic()
    subprocess.run(["cmake", "--preset", preset, "-B", folder,
                    "-DLUMARSO_PAYLOAD=%s" % (archive or "")], cwd=ROOT, check=True,
                   stdout=subprocess.DEVNULL)
    return time.monotonic() - started


def build(folder, *targets):
    started = time.monotonic()
    subprocess.run(["cmake", "--build", folder, "-j2", "--target", *targets], cwd=ROOT,
                   check=True, stdout=subprocess.DEVNULL)
    return time.monotonic() - started


def reembed_seconds(folder, archive):
    """Touches the archive and rebuilds the updater: what a new manual costs."""
    exe = os.path.join(folder, "Lumarso2015.exe")
    before = os.path.getmtime(exe)
    os.utime(archive)
    spent = build(folder, "Lumarso2015")
    if os.path.getmtime(exe) == before:
        log("warning: touching the archive did not rebuild Lumarso2015.exe")
        return None
    return spent


def machine():
    model = "unknown CPU"
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                model = line.split(":", 1)[1].strip()
                break
    return "%s, %d cores, Linux %s" % (model, os.cpu_count(), platform.release())


def filesystem(path):
    done = subprocess.run(["df", "-T", path], stdout=subprocess.PIPE, text=True)
    fields = done.stdout.splitlines()[-1].split()
    return fields[1] if len(fields) > 1 else "unknown"


def render(results, notes_extra=""):
    """Console table always; docs/ only for a full run."""
    sys.stdout.write(report.console(results))
    if results["mode"] != "full":
        return
    docs = os.path.join(ROOT, "docs")
    os.makedirs(docs, exist_ok=True)
    series = []
    for method, name, colour in (("payload-new", "1  WritePayload (new target)", "#1f77b4"),
                                 ("copyfile", "2  CopyFileW + FlushFileBuffers", "#2ca02c"),
                                 ("naive", "3  naive: heap copy, write, flush", "#d62728")):
        pts = [(s["bytes"] / 1e6, median(s["write"][method]) / 1000) for s in results["sizes"]
               if median(s["write"].get(method, []))]
        series.append((name, colour, pts))
    plot.write_png(os.path.join(docs, "benchmarks.png"), series,
                   "Write time against archive size (Wine, median of %d)" % results["runs"],
                   "archive size (MB)", "write time (s)")
    notes = ""
    if os.path.exists(NOTES):
        with open(NOTES) as f:
            notes = f.read().strip()
    report.write_page(os.path.join(docs, "benchmarks.md"), results, "benchmarks.png",
                      (notes + "\n" + notes_extra).strip() or "None.")
    log("wrote docs/benchmarks.md and docs/benchmarks.png")


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--smoke", action="store_true", help="one small archive, 2 runs, no docs")
    ap.add_argument("--runs", type=int, help="runs per figure (default 7; 2 with --smoke)")
    ap.add_argument("--report", action="store_true", help="re-render docs from the last full run")
    ap.add_argument("--preset", choices=("win32", "win64"), default="win32",
                    help="the build measured: the 32-bit product, or the 64-bit build for hosts "
                         "that run no 32-bit programs")
    args = ap.parse_args(argv)
    mode = "smoke" if args.smoke else "full"
    os.makedirs(RESULTS, exist_ok=True)
    saved = os.path.join(RESULTS, "%s.json" % mode)
    if args.report:
        with open(saved) as f:
            render(json.load(f))
        return 0
    runs = args.runs or (2 if args.smoke else 7)
    plan = sizes(args.smoke)

    # Archives.
    archives = {}
    for label, size, entries, stored in plan:
        archives[label], spent = make_archive(label, size, entries, stored)
        log("archive %s MB: %s" % (label, "generated in %.1f s" % spent if spent else "kept"))
    big_label = plan[-1][0]
    big_archive = archives[big_label]

    # Builds: one folder per archive; the small exe for start-up comparison.
    folders = {label: os.path.join(BUILD, "bench-%s-%s" % (args.preset, "smoke" if args.smoke else label))
               for label, *_ in plan}
    build_times = {"load_before": os.getloadavg()[0]}
    for label, *_ in plan:
        fresh = label == big_label and not args.smoke
        configure(folders[label], archives[label], fresh, args.preset)
        spent = build(folders[label], "Lumarso2015")
        if fresh:
            build_times["scratch_s"] = spent
        build(folders[label], "lumarso_bench_write", "lumarso_bench_launch")
        log("built %s" % folders[label])
    build_times["reembed_s"] = reembed_seconds(folders[big_label], big_archive)
    if args.smoke:
        small_exe = os.path.join(folders[big_label], "Lumarso2015.exe")
    else:
        small_folder = os.path.join(BUILD, "bench-%s-small" % args.preset)
        configure(small_folder, None, True, args.preset)
        build_times["small_scratch_s"] = build(small_folder, "Lumarso2015")
        small_exe = os.path.join(small_folder, "Lumarso2015.exe")
    log("build times: %s" % {k: (round(v, 1) if v else v) for k, v in build_times.items()})

    bench = measure.Bench(runner=os.path.join(folders[big_label], "wine-run.sh"),
                          prefix=os.path.join(BUILD, "bench-wine-" + args.preset, "prefix"),
                          scratch=os.path.join(BUILD, "bench-scratch"),
                          launcher=os.path.join(folders[big_label], "lumarso_bench_launch.exe"))
    log("wine prefix ready in %.1f s" % bench.prepare())
    load_at_start = os.getloadavg()[0]

    results = {
        "mode": mode, "runs": runs,
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "machine": machine(), "wine": bench.wine_version(),
        "filesystem": filesystem(BUILD),
        "archive": {"bytes": os.path.getsize(big_archive), "entries": plan[-1][2],
                    "stored": plan[-1][3], "gen_s": generation_seconds(big_archive),
                    "unzip": unzip_test(big_archive)},
        "sizes": [], "build": build_times,
    }
    for label, *_ in plan:
        exe = os.path.join(folders[label], "lumarso_bench_write.exe")
        log("writes, %s MB archive" % label)
        results["sizes"].append(bench.writes(exe, archives[label], runs))
    big_exe = os.path.join(folders[big_label], "Lumarso2015.exe")
    log("start-up")
    results["startup"] = bench.startup(big_exe, small_exe, runs)
    log("memory of the real exe during an install")
    results["memory"] = bench.memory(big_exe, small_exe, big_archive, runs)
    exe_bytes = os.path.getsize(big_exe)
    results["exe"] = {"exe_bytes": exe_bytes, "archive_bytes": os.path.getsize(big_archive),
                      "overhead": exe_bytes - os.path.getsize(big_archive)}
    results["load"] = {"build": build_times.pop("load_before"), "start": load_at_start,
                       "end": os.getloadavg()[0]}
    with open(saved, "w") as f:
        json.dump(results, f, indent=1)
    render(results)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
