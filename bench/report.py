"""The results table (console and Markdown) and the benchmark page."""

from stats import median, ratio, verdict

MB = 1_000_000
MIB = 1024 * 1024

# Upper limits the figures are held to.
LIMITS = {
    "ratio_1_2": 1.0,
    "ratio_1_3": 0.7,
    "start_private": 8 * MIB,
    "peak_private": 16 * MIB,
    "startup_ratio": 1.2,
    "overhead": 256 * 1024,
    "build_s": 20.0,
}

METHODS = (
    ("payload-new", "1", "`WritePayload`, new target"),
    ("payload-replace", "1r", "`WritePayload`, replacing an existing file"),
    ("copyfile", "2", "`CopyFileW` + `FlushFileBuffers`"),
    ("naive", "3", "naive: heap copy, delete, one write, flush"),
    ("naive-noflush", "3n", "naive without the flush"),
)


def _ms(value):
    return "-" if value is None else "%.0f ms" % value


def _mib(value):
    return "-" if value is None else "%.1f MiB" % (value / MIB)


def _x(value):
    return "-" if value is None else "%.2f" % value


def _s(value):
    return "-" if value is None else "%.1f s" % value


def _load(results, when):
    return results.get("load", {}).get(when, float("nan"))


def largest(results):
    return max(results["sizes"], key=lambda s: s["bytes"])


def rows(results):
    """[(figure, median, target, verdict)] for the largest archive."""
    big = largest(results)
    med = {m: median(big["write"].get(m, [])) for m, _, _ in METHODS}
    peak = {m: median(big["write_peak_anon"].get(m, [])) for m, _, _ in METHODS}
    out = []
    for method, number, text in METHODS:
        out.append(("%s. %s" % (number, text),
                    "%s (peak private %s)" % (_ms(med[method]), _mib(peak[method])), "", ""))
    r12 = ratio(med["payload-new"], med["copyfile"])
    r13 = ratio(med["payload-new"], med["naive"])
    out.append(("ratio 1/2", _x(r12), "<= 1.0", verdict(r12, LIMITS["ratio_1_2"])))
    out.append(("ratio 1r/2 (replacing)", _x(ratio(med["payload-replace"], med["copyfile"])),
                "", ""))
    out.append(("ratio 1/3", _x(r13), "<= 0.7", verdict(r13, LIMITS["ratio_1_3"])))
    out.append(("ratio 1/3n (against naive without the flush)",
                _x(ratio(med["payload-new"], med["naive-noflush"])), "", ""))

    st = results["startup"]
    big_ms, small_ms = median(st["big"]), median(st["small"])
    r4 = ratio(big_ms, small_ms)
    out.append(("4. start-up to window ready, %s MB exe" % _size(st["big_bytes"]),
                _ms(big_ms), "", ""))
    out.append(("4. start-up to window ready, %s MB exe" % _size(st["small_bytes"]),
                _ms(small_ms), "", ""))
    out.append(("ratio 4 big/4 small", _x(r4), "<= 1.2", verdict(r4, LIMITS["startup_ratio"])))

    mem = results["memory"]
    start, peak_anon = median(mem["start_anon"]), median(mem["peak_anon"])
    out.append(("5. private memory (RssAnon) at start, window ready", _mib(start), "<= 8 MiB",
                verdict(start, LIMITS["start_private"])))
    out.append(("5. private memory (RssAnon) peak, click to success box", _mib(peak_anon),
                "<= 16 MiB", verdict(peak_anon, LIMITS["peak_private"])))
    out.append(("5. VmHWM peak (resident, includes mapped image pages)",
                _mib(median(mem["peak_hwm"])), "", ""))
    out.append(("5. private memory at start, %s MB exe" % _size(st["small_bytes"]),
                _mib(median(mem["small_start_anon"])), "", ""))
    out.append(("5. click to success box in the real exe", _ms(median(mem["written_ms"])), "", ""))

    exe = results["exe"]
    out.append(("6. exe size minus archive size", "%d bytes (%.1f KiB)"
                % (exe["overhead"], exe["overhead"] / 1024), "<= 256 KiB",
                verdict(exe["overhead"], LIMITS["overhead"])))
    b = results["build"]
    out.append(("build of the %s MB exe from a fresh folder" % _size(st["big_bytes"]),
                _s(b.get("scratch_s")), "<= 20 s", verdict(b.get("scratch_s"), LIMITS["build_s"])))
    out.append(("same build with the small archive", _s(b.get("small_scratch_s")), "", ""))
    out.append(("re-embedding a changed archive (incremental)", _s(b.get("reembed_s")), "<= 20 s",
                verdict(b.get("reembed_s"), LIMITS["build_s"])))
    return out


def _size(n):
    return "%.1f" % (n / MB)


def scaling(results):
    """[(size MB, {method: median ms})] in size order."""
    out = []
    for s in sorted(results["sizes"], key=lambda s: s["bytes"]):
        out.append((s["bytes"] / MB, {m: median(s["write"].get(m, [])) for m, _, _ in METHODS}))
    return out


def console(results):
    lines = ["", "Benchmark (%s, median of %d runs; load average %.1f to %.1f)"
             % (results["mode"], results["runs"], _load(results, "start"), _load(results, "end"))]
    table = rows(results)
    w = max(len(r[0]) for r in table)
    for name, value, target, ok in table:
        lines.append("  %-*s  %-36s %-12s %s" % (w, name, value, target, ok))
    lines.append("")
    lines.append("  write time (ms) by archive size:")
    lines.append("  %10s %10s %10s %10s %10s" % ("MB", "1", "1r", "2", "3"))
    for mb, med in scaling(results):
        lines.append("  %10.1f %10s %10s %10s %10s" % (
            mb, *("-" if med[m] is None else "%.0f" % med[m]
                  for m in ("payload-new", "payload-replace", "copyfile", "naive"))))
    return "\n".join(lines) + "\n"


def markdown_table(results):
    out = ["| Figure | Median | Target | |", "|---|---|---|---|"]
    for name, value, target, ok in rows(results):
        out.append("| %s | %s | %s | %s |" % (name, value, target, ok))
    return "\n".join(out)


def markdown_scaling(results):
    out = ["| Archive | 1 `WritePayload` new | 1r replacing | 2 `CopyFileW` + flush | 3 naive |",
           "|---:|---:|---:|---:|---:|"]
    for mb, med in scaling(results):
        out.append("| %.1f MB | %s |" % (mb, " | ".join(
            _ms(med[m]) for m in ("payload-new", "payload-replace", "copyfile", "naive"))))
    return "\n".join(out)


def raw_runs(results):
    out = []
    big = largest(results)
    for method, number, _ in METHODS:
        out.append("- %s (%s): %s ms" % (number, method, ", ".join(
            "%.0f" % v for v in big["write"].get(method, []))))
    st = results["startup"]
    out.append("- 4 big: %s ms; 4 small: %s ms" % (", ".join("%.0f" % v for v in st["big"]),
                                                   ", ".join("%.0f" % v for v in st["small"])))
    mem = results["memory"]
    out.append("- 5 RssAnon start: %s MiB; peak: %s MiB" % (
        ", ".join("%.1f" % (v / MIB) for v in mem["start_anon"]),
        ", ".join("%.1f" % (v / MIB) for v in mem["peak_anon"])))
    return "\n".join(out)


def write_page(path, results, plot_name, notes):
    """docs/benchmarks.md: setting, table, plot, scaling, notes on misses."""
    a = results["archive"]
    text = """# Benchmarks

Written by `scripts/bench` from a real run ({date}); `scripts/bench --smoke` runs the same
pipeline at a few MB and leaves this page alone.

## Setting

- {machine}; {wine}; writes to {fs} under the build folder; page cache warm, `sync` before
  every run.  The machine is shared: 1-minute load average {load_build:.1f} when the builds
  began, {load_start:.1f} when the measurements began and {load_end:.1f} at the end.
- Archive: `cmake/tools/make_manual.py`, {bytes:,} bytes, {entries} entries ({stored} stored),
  generated in {gen:.1f} s; `unzip -t`: {unzip}.
- Every figure is the median of {runs} runs.  Each write run is a fresh process
  (`lumarso_bench_write`, which embeds the archive exactly as the updater does), timed inside
  the process around the one call; the methods take turns, in rotating order.
- 1 is `payload::WritePayload` with the Win32 file and resource services and message boxes
  answered at once: temporary file, writes straight from the mapped resource, flush, rename.
  2 is `CopyFileW` of a plain copy of the archive followed by `FlushFileBuffers` of the copy.
  3 copies the resource into a heap array, deletes the old file, writes the array in one piece
  and flushes (the same durability as 1 and 2); 3n is the same without the flush, so the
  data may still sit in the cache when it returns.
- 4 is measured by `lumarso_bench_launch`: `CreateProcessW` to the "Lumarso 2015" window
  being visible and the process idle; each exe starts once untimed, then the two take turns
  for 3 × {runs} timed starts each.  5 runs the real `Lumarso2015.exe`: the launcher points
  the install key at a scratch folder holding `Quadrivo\\Quadrivo.exe`, presses the button and
  answers "Aggiornamento terminato!"; `/proc/PID/status` of the exe's Wine process is sampled
  about every millisecond.

## Results ({size} MB archive)

{table}

Private memory is `RssAnon`: anonymous resident pages, the memory the process itself
dirtied.  `VmHWM` also counts the file-backed pages of the mapped image that the write reads,
which the kernel can drop at any time; it is shown for completeness, not held to a target.

## Scaling

![Write time against archive size]({plot})

{scaling}

## Notes

{notes}

## Raw runs ({size} MB)

{raw}
""".format(date=results["date"], machine=results["machine"], wine=results["wine"],
           fs=results["filesystem"], load_build=_load(results, "build"),
           load_start=_load(results, "start"), load_end=_load(results, "end"), bytes=a["bytes"], entries=a["entries"], stored=a["stored"],
           gen=a["gen_s"], unzip=a["unzip"], runs=results["runs"],
           size=_size(largest(results)["bytes"]), table=markdown_table(results),
           plot=plot_name, scaling=markdown_scaling(results), notes=notes,
           raw=raw_runs(results))
    with open(path, "w") as f:
        f.write(text)
