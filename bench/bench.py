#!/usr/bin/env python3
"""The payload-write benchmark: builds the updater with generated archives,
in every bitness this host can run, measures under Wine, prints medians and
ratios and (full run only) writes docs/benchmarks.md with the scaling plot.

    bench.py            full size (25, 50, 100 and 208 MB), 7 runs each
    bench.py --smoke    one small archive, 2 runs of each write (1 cold, 1 of each install,
                        1 start-up round), one bitness; writes nothing under docs/
    bench.py --report   re-renders docs/ from the last full run's results
    bench.py --current  measures the current-copy cases again at full size (with the new
                        and replace writes they are held against), as a second pass that
                        the page of the last full run then shows; re-renders docs/
    bench.py --versus REF
                        builds the updater of git commit REF beside this tree's, both with the
                        208 MB archive, and times their clicked and silent installs taking
                        turns (12 runs each); prints new/old and writes its block of
                        docs/benchmarks.md.  With --smoke: the small archive, 2 runs, no docs
"""
import argparse
import datetime
import filecmp
import json
import os
import platform
import shutil
import subprocess
import sys
import time

import measure
import nsis
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
            kept = json.load(f)
        # The stamp also holds the time the generation took.
        kept.pop("seconds", None)
        if kept == params:
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


# Bitness, the configure preset that builds it and the Wine loader that runs
# it.  A host whose kernel runs no 32-bit programs cannot start 32-bit Wine,
# nor any NSIS installer (those are 32-bit programs).
BITNESSES = (("32", "win32", "/usr/lib/wine/wine"), ("64", "win64", "/usr/lib/wine/wine64"))
PROBE_32BIT = os.path.join(ROOT, "scripts", "probe-32bit")


def runs_programs(loader):
    if loader == BITNESSES[0][2] and subprocess.run([PROBE_32BIT]).returncode != 0:
        return False
    try:
        return subprocess.run([loader, "--version"], stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0
    except OSError:
        return False


def bitnesses():
    """([(bits, preset)] to measure, {bits: why not})."""
    with open(os.path.join(ROOT, "CMakePresets.json")) as f:
        presets = {p["name"] for p in json.load(f)["configurePresets"]}
    chosen, skipped = [], {}
    for bits, preset, loader in BITNESSES:
        if preset not in presets:
            skipped[bits] = "no `%s` build preset in this tree" % preset
        elif not runs_programs(loader):
            skipped[bits] = "this host cannot run %s-bit programs (`%s` fails)" % (bits, loader)
        else:
            chosen.append((bits, preset))
    return chosen, skipped


def host():
    return {"kernel": platform.release(), "runs_32bit": runs_programs(BITNESSES[0][2])}


def configure(folder, archive, fresh, preset="win32", source=ROOT):
    """Configures a build folder of `source` embedding `archive` (None: the
    default sample).  Returns the seconds spent."""
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
                    "-DLUMARSO_PAYLOAD=%s" % (archive or "")], cwd=source, check=True,
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
    colours = iter(("#1f77b4", "#ff7f0e", "#2ca02c", "#d62728", "#9467bd", "#8c564b",
                    "#17becf", "#7f7f7f"))
    for bits in sorted(results["bits"]):
        for method, name in (("payload-mapped", "1m WritePayload, mapped"),
                             ("payload-file", "1f WritePayload, exe file"),
                             ("copyfile", "2  CopyFileW + flush"),
                             ("naive", "3  naive")):
            pts = [(s["bytes"] / 1e6, median(s["write"][method]) / 1000)
                   for s in results["bits"][bits].get("sizes", [])
                   if median(s.get("write", {}).get(method, []))]
            series.append(("%s (%s-bit)" % (name, bits), next(colours), pts))
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


def with_current_pass(results):
    """A full run's results with the last second pass of the current-copy
    cases (bench.py --current) that came after it, if any."""
    path = os.path.join(RESULTS, "current.json")
    if results.get("mode") != "full" or not os.path.exists(path):
        return results
    with open(path) as f:
        second = json.load(f)
    if second.get("date", "") < results.get("date", ""):
        return results
    for bits, out in second.get("bits", {}).items():
        if bits in results["bits"]:
            results["bits"][bits]["current_pass"] = dict(out, date=second["date"])
    return results


def save_json(path, data):
    """Writes `data` as JSON through a temporary file, so that a crash while
    writing never leaves half a file where the last whole one was."""
    temp = path + ".tmp"
    with open(temp, "w") as f:
        json.dump(data, f, indent=1)
    os.replace(temp, path)


def section(out, name, work, save):
    """Runs one part of the measurements; a failure is kept with the results
    (and shown on the page) and the other parts still run."""
    try:
        work()
    except Exception as error:  # noqa: BLE001: any failure of a part is reported, not fatal
        out.setdefault("errors", []).append({"section": name, "error": "%s: %s" % (
            type(error).__name__, error), "when": time.strftime("%H:%M:%S")})
        log("%s failed: %s" % (name, error))
    save()


def measure_bitness(smoke, bits, preset, plan, archives, installer, runs, out, save, cold):
    """Builds this bitness's programs and takes every figure with them, into
    `out` (saved to disk after every run)."""
    big_label = plan[-1][0]
    big_archive = archives[big_label]
    stem = "bench-%s-" % preset
    folders = {label: os.path.join(BUILD, stem + ("smoke" if smoke else label))
               for label, *_ in plan}
    build_times = out.setdefault("build", {})
    for label, *_ in plan:
        fresh = label == big_label and not smoke
        configure(folders[label], archives[label], fresh, preset)
        spent = build(folders[label], "Lumarso2015")
        if fresh:
            build_times["scratch_s"] = spent
        build(folders[label], "lumarso_bench_write", "lumarso_bench_launch")
        log("built %s" % folders[label])
    build_times["reembed_s"] = reembed_seconds(folders[big_label], big_archive)
    if smoke:
        small_exe = os.path.join(folders[big_label], "Lumarso2015.exe")
    else:
        small_folder = os.path.join(BUILD, stem + "small")
        configure(small_folder, None, True, preset)
        build_times["small_scratch_s"] = build(small_folder, "Lumarso2015")
        small_exe = os.path.join(small_folder, "Lumarso2015.exe")
    log("%s-bit build times: %s" % (bits, {k: (round(v, 1) if v else v)
                                          for k, v in build_times.items()}))
    save()

    bench = measure.Bench(runner=os.path.join(folders[big_label], "wine-run.sh"),
                          prefix=os.path.join(BUILD, "bench-wine-" + preset, "prefix"),
                          scratch=os.path.join(BUILD, "bench-scratch"),
                          launcher=os.path.join(folders[big_label], "lumarso_bench_launch.exe"),
                          retries=out.setdefault("retries", []), save=save)
    log("%s-bit wine prefix ready in %.1f s" % (bits, bench.prepare()))
    out.update(load_start=os.getloadavg()[0], wine=bench.wine_version())
    big_write = os.path.join(folders[big_label], "lumarso_bench_write.exe")
    out["way"] = bench.updater_way(big_write)
    sizes_out = out.setdefault("sizes", [])
    for label, *_ in plan:
        log("%s-bit writes, %s MB archive%s" % (bits, label, ", then cold" if
                                                cold and label == big_label else ""))
        exe = os.path.join(folders[label], "lumarso_bench_write.exe")
        entry = {}
        sizes_out.append(entry)
        largest = label == big_label
        section(out, "%s MB writes" % label, lambda: bench.writes(
            exe, archives[label], runs, entry, measure.WARM if largest else measure.SCALED,
            measure.COLD if largest and cold else (), 1 if smoke else runs), save)
    big_exe = os.path.join(folders[big_label], "Lumarso2015.exe")
    # A smoke run only shows that every part still works: one round of each.
    whole = 1 if smoke else runs
    log("%s-bit whole installs, start to exit%s" % (bits, ", beside NSIS" if installer else ""))
    section(out, "installs", lambda: bench.installs(big_exe, installer, big_archive, whole,
                                                    out.setdefault("install", {})), save)
    log("%s-bit start-up" % bits)
    rounds = 1 if smoke else 3 * runs
    section(out, "start-up", lambda: bench.startup(big_exe, small_exe, rounds,
                                                   out.setdefault("startup", {})), save)
    log("%s-bit memory of the real exe during an install" % bits)
    section(out, "memory", lambda: bench.memory(big_exe, small_exe, big_archive, whole,
                                                out.setdefault("memory", {})), save)
    exe_bytes = os.path.getsize(big_exe)
    out["exe"] = {"exe_bytes": exe_bytes, "archive_bytes": os.path.getsize(big_archive),
                  "overhead": exe_bytes - os.path.getsize(big_archive)}
    out["load_end"] = os.getloadavg()[0]
    save()
    return out


def measure_current(bits, preset, label, archive, runs, out, save, cold):
    """The second pass: the largest build rebuilt from the tree as it is now,
    and only the writes and silent installs of the current-copy cases, with
    the new and replace writes they are held against."""
    folder = os.path.join(BUILD, "bench-%s-%s" % (preset, label))
    configure(folder, archive, False, preset)
    build(folder, "Lumarso2015", "lumarso_bench_write", "lumarso_bench_launch")
    out["commit"] = subprocess.run(["git", "rev-parse", "--short", "HEAD"], cwd=ROOT,
                                   stdout=subprocess.PIPE, text=True).stdout.strip()
    bench = measure.Bench(runner=os.path.join(folder, "wine-run.sh"),
                          prefix=os.path.join(BUILD, "bench-wine-" + preset, "prefix"),
                          scratch=os.path.join(BUILD, "bench-scratch"),
                          launcher=os.path.join(folder, "lumarso_bench_launch.exe"),
                          retries=out.setdefault("retries", []), save=save)
    log("%s-bit wine prefix ready in %.1f s" % (bits, bench.prepare()))
    out["load_start"] = os.getloadavg()[0]
    out["way"] = bench.updater_way(os.path.join(folder, "lumarso_bench_write.exe"))
    entry = out.setdefault("size", {})
    methods = (report.WAY_METHOD[out["way"]], "payload-replace") + measure.CURRENT
    log("%s-bit current-copy writes%s" % (bits, ", then cold" if cold else ""))
    section(out, "current-copy writes", lambda: bench.writes(
        os.path.join(folder, "lumarso_bench_write.exe"), archive, runs, entry, methods,
        measure.COLD if cold else (), runs), save)
    log("%s-bit current-copy silent installs" % bits)
    section(out, "current-copy installs", lambda: bench.installs(
        os.path.join(folder, "Lumarso2015.exe"), None, archive, runs,
        out.setdefault("install", {}), kinds=("silent", "silent-current", "silent-lastbyte")),
        save)
    out["load_end"] = os.getloadavg()[0]
    save()


def chosen_bitnesses(args):
    """([(bits, preset)] to measure, {bits: why not}), as asked and as the
    host allows; a smoke run measures one."""
    chosen, skipped = bitnesses()
    if args.bits:
        skipped.update({b: "not asked for" for b, _ in chosen if b not in args.bits})
        chosen = [(b, p) for b, p in chosen if b in args.bits]
    elif args.smoke:
        skipped.update({b: "smoke runs one bitness" for b, _ in chosen[1:]})
        chosen = chosen[:1]
    if not chosen:
        raise SystemExit("bench: nothing to measure: %s" % skipped)
    for bits, why in skipped.items():
        log("%s-bit left out: %s" % (bits, why))
    return chosen, skipped


def git(*args, cwd=ROOT):
    return subprocess.run(["git", *args], cwd=cwd, check=True, stdout=subprocess.PIPE,
                          text=True).stdout.strip()


def baseline_tree(ref):
    """The sources of commit `ref`, unpacked once under build/ with
    `git archive` (no worktree, so the repository is left as it was).
    Returns (folder, {"ref", "commit", "subject"})."""
    commit = git("rev-parse", "--verify", ref + "^{commit}")
    info = {"ref": ref, "commit": commit, "subject": git("log", "-1", "--format=%s", commit)}
    folder = os.path.join(BUILD, "bench-base-" + commit[:12])
    source = os.path.join(folder, "src")
    if not os.path.exists(os.path.join(source, ".unpacked")):
        if os.path.isdir(source):
            shutil.rmtree(source)
        os.makedirs(source)
        tar = subprocess.Popen(["git", "archive", commit], cwd=ROOT, stdout=subprocess.PIPE)
        subprocess.run(["tar", "-x", "-C", source], stdin=tar.stdout, check=True)
        if tar.wait() != 0:
            raise SystemExit("bench: git archive %s failed" % commit)
        open(os.path.join(source, ".unpacked"), "w").close()
    return folder, info


def measure_versus(bits, preset, label, archive, base, runs, out, save):
    """This tree's updater and the baseline's, built with the same archive,
    their clicked and silent installs taking turns.  The launcher and the
    Wine prefix are this tree's for both, so only the updater differs."""
    base_folder, _ = base
    folders = {"new": os.path.join(BUILD, "bench-%s-%s" % (preset, label)),
               "old": os.path.join(base_folder, "%s-%s" % (preset, label))}
    started = time.monotonic()
    configure(folders["new"], archive, False, preset)
    build(folders["new"], "Lumarso2015", "lumarso_bench_launch")
    configure(folders["old"], archive, False, preset, source=os.path.join(base_folder, "src"))
    build(folders["old"], "Lumarso2015")
    log("%s-bit: both updaters built in %.1f s" % (bits, time.monotonic() - started))
    bench = measure.Bench(runner=os.path.join(folders["new"], "wine-run.sh"),
                          prefix=os.path.join(BUILD, "bench-wine-" + preset, "prefix"),
                          scratch=os.path.join(BUILD, "bench-scratch"),
                          launcher=os.path.join(folders["new"], "lumarso_bench_launch.exe"),
                          retries=out.setdefault("retries", []), save=save)
    log("%s-bit wine prefix ready in %.1f s" % (bits, bench.prepare()))
    out["load_start"] = os.getloadavg()[0]
    exes = {k: os.path.join(f, "Lumarso2015.exe") for k, f in folders.items()}
    # The build is reproducible, so the same product sources give the same exe.
    out["same_exe"] = filecmp.cmp(exes["old"], exes["new"], shallow=False)
    log("%s-bit clicked and silent installs, old and new taking turns" % bits)
    section(out, "installs", lambda: bench.side_by_side(exes, archive, runs,
                                                        out.setdefault("install", {})), save)
    out["load_end"] = os.getloadavg()[0]
    save()


def versus(args, chosen, skipped):
    """bench.py --versus REF: see the module's text."""
    started = time.monotonic()
    runs = args.runs or (2 if args.smoke else 12)
    label, size, entries, stored = sizes(args.smoke)[-1]
    archive, spent = make_archive(label, size, entries, stored)
    log("archive %s MB: %s" % (label, "generated in %.1f s" % spent if spent else "kept"))
    base = baseline_tree(args.versus)
    log("baseline: %s %s (%s)" % (base[1]["commit"][:12], base[1]["subject"], base[0]))
    mode = "versus-smoke" if args.smoke else "versus"
    partial = os.path.join(RESULTS, mode + ".partial.json")
    results = {
        "mode": mode, "runs": runs, "machine": machine(), "skipped": skipped,
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "archive": {"bytes": os.path.getsize(archive)}, "base": base[1],
        "head": {"commit": git("rev-parse", "HEAD"),
                 "dirty": bool(git("status", "--porcelain", "--untracked-files=no"))},
        "load": {"build": os.getloadavg()[0]}, "bits": {},
    }
    for bits, preset in chosen:
        out = results["bits"].setdefault(bits, {})
        measure_versus(bits, preset, "smoke" if args.smoke else label, archive, base, runs, out,
                       lambda: save_json(partial, results))
        results["load"].setdefault("start", out.get("load_start"))
        results["load"]["end"] = os.getloadavg()[0]
    save_json(os.path.join(RESULTS, mode + ".json"), results)
    os.remove(partial)
    sys.stdout.write(report.versus_console(results))
    if not args.smoke:
        page = os.path.join(ROOT, "docs", "benchmarks.md")
        with open(page) as f:
            text = f.read()
        with open(page, "w") as f:
            f.write(report.put_versus(text, report.versus_markdown(results)))
        log("wrote its block of docs/benchmarks.md")
    log("the whole run took %.0f s" % (time.monotonic() - started))
    errors = [e for b in results["bits"].values() for e in b.get("errors", [])]
    return 1 if errors else 0


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--smoke", action="store_true", help="one small archive, 2 runs, no docs")
    ap.add_argument("--runs", type=int, help="runs per figure (default 7; 2 with --smoke)")
    ap.add_argument("--report", action="store_true", help="re-render docs from the last full run")
    ap.add_argument("--current", action="store_true",
                    help="measure the current-copy cases again into the last full run's page")
    ap.add_argument("--versus", metavar="REF",
                    help="time the clicked and silent installs against the build of git REF")
    ap.add_argument("--bits", nargs="+", choices=[b for b, _, _ in BITNESSES],
                    help="bitnesses to measure (default: every one this host runs)")
    ap.add_argument("--preset", choices=[p for _, p, _ in BITNESSES],
                    help="measure only this build (the same as --bits 32 or 64)")
    args = ap.parse_args(argv)
    if args.preset:
        args.bits = [b for b, p, _ in BITNESSES if p == args.preset]
    mode = "smoke" if args.smoke else "current" if args.current else "full"
    os.makedirs(RESULTS, exist_ok=True)
    saved = os.path.join(RESULTS, "%s.json" % mode)
    partial = os.path.join(RESULTS, "%s.partial.json" % mode)
    if args.report:
        # A run that did not finish left its figures in the partial file.
        found = [p for p in (saved, partial) if os.path.exists(p)]
        if not found:
            raise SystemExit("bench: no results of a %s run in %s yet" % (mode, RESULTS))
        newest = max(found, key=os.path.getmtime)
        with open(newest) as f:
            render(with_current_pass(json.load(f)))
        return 0
    if args.versus:
        chosen, skipped = chosen_bitnesses(args)
        return versus(args, chosen, skipped)
    runs = args.runs or (2 if args.smoke else 7)
    plan = sizes(args.smoke)

    # Archives.
    archives = {}
    for label, size, entries, stored in plan:
        archives[label], spent = make_archive(label, size, entries, stored)
        log("archive %s MB: %s" % (label, "generated in %.1f s" % spent if spent else "kept"))
    big_label = plan[-1][0]
    big_archive = archives[big_label]

    chosen, skipped = chosen_bitnesses(args)

    # The real installer beside ours: NSIS installers are 32-bit programs.
    the_host = host()
    installer = None
    if not the_host["runs_32bit"]:
        installer_note = "not run: this host cannot run 32-bit programs"
    elif not nsis.makensis():
        installer_note = "not run: makensis is not installed"
    else:
        installer = nsis.build(big_archive, os.path.join(BUILD, "bench-nsis-" + big_label))
        installer_note = "built with makensis, %d bytes" % os.path.getsize(installer)
    log("NSIS installer: " + installer_note)

    cold = measure.drop_caches()
    log("dropping the page cache: %s" % ("allowed, cold runs follow the warm ones" if cold
                                         else "refused by the host, no cold runs"))
    the_host["drop_caches"] = cold
    load_build = os.getloadavg()[0]
    results = {
        "mode": mode, "runs": runs,
        "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
        "machine": machine(), "host": the_host, "filesystem": filesystem(BUILD),
        "archive": {"bytes": os.path.getsize(big_archive), "entries": plan[-1][2],
                    "stored": plan[-1][3], "gen_s": generation_seconds(big_archive),
                    "unzip": unzip_test(big_archive)},
        "skipped": skipped, "installer": installer_note, "bits": {},
    }
    results["load"] = {"build": load_build}

    def save():
        save_json(partial, results)

    for bits, preset in chosen:
        out = results["bits"].setdefault(bits, {})
        if args.current:
            measure_current(bits, preset, big_label, big_archive, runs, out, save, cold)
            continue
        measure_bitness(args.smoke, bits, preset, plan, archives, installer, runs, out, save,
                        cold)
        results.setdefault("wine", out.get("wine"))
        # When the first bitness's measurements began.
        results["load"].setdefault("start", out.get("load_start"))
        results["load"]["end"] = os.getloadavg()[0]
    save_json(saved, results)
    os.remove(partial)
    if args.current:
        full = os.path.join(RESULTS, "full.json")
        if os.path.exists(full):
            with open(full) as f:
                render(with_current_pass(json.load(f)))
        else:
            log("no full run to add the second pass to: %s" % results["bits"])
    else:
        render(results)
    errors = [e for b in results["bits"].values() for e in b.get("errors", [])]
    return 1 if errors else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
