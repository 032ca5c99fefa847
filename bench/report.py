"""The results tables (console and Markdown), one per bitness, and the
benchmark page."""

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
# Reading the exe's file is chosen only when it is clearly faster than
# writing from the mapped image: below this share of its time.
FILE_WAY_BELOW = 0.9

METHODS = (
    ("payload-mapped", "1m", "`WritePayload`, written from the mapped resource"),
    ("payload-file", "1f", "`WritePayload`, read from the exe's file (4 MiB buffer)"),
    ("payload-replace", "1r", "`WritePayload` the updater's way, replacing an existing file"),
    ("copyfile", "2", "`CopyFileW` + `FlushFileBuffers`"),
    ("naive", "3", "naive: heap copy, delete, one write, flush"),
    ("naive-noflush", "3n", "naive without the flush"),
)
WAY_METHOD = {"file": "payload-file", "mapped": "payload-mapped"}


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


def _size(n):
    return "%.1f" % (n / MB)


def bitness(results, bits):
    """The figures of one bitness, with the run's common ones."""
    view = {k: v for k, v in results.items() if k != "bits"}
    view.update(results["bits"][bits])
    view["bitness"] = bits
    return view


def largest(view):
    return max(view["sizes"], key=lambda s: s["bytes"])


def winner(view):
    """'file' or 'mapped', from the medians at the largest archive."""
    big = largest(view)
    r = ratio(median(big["write"].get("payload-file", [])),
              median(big["write"].get("payload-mapped", [])))
    return "file" if r is not None and r < FILE_WAY_BELOW else "mapped"


def rows(view):
    """[(figure, median, target, verdict)] for the largest archive of one
    bitness."""
    big = largest(view)
    med = {m: median(big["write"].get(m, [])) for m, _, _ in METHODS}
    peak = {m: median(big["write_peak_anon"].get(m, [])) for m, _, _ in METHODS}
    out = []
    for method, number, text in METHODS:
        out.append(("%s. %s" % (number, text),
                    "%s (peak private %s)" % (_ms(med[method]), _mib(peak[method])), "", ""))
    both = [peak[m] for m in ("payload-mapped", "payload-file") if peak[m] is not None]
    worst = max(both) if both else None
    out.append(("peak private of 1m and 1f, the larger", _mib(worst), "<= 16 MiB",
                verdict(worst, LIMITS["peak_private"])))
    r_file = ratio(med["payload-file"], med["payload-mapped"])
    out.append(("ratio 1f/1m", _x(r_file), "< %.1f: read the file" % FILE_WAY_BELOW, ""))
    way, best = view.get("way"), winner(view)
    out.append(("the updater's way (measured winner: %s)" % best, way or "-", best,
                "-" if way is None else ("met" if way == best else "missed")))
    used = med[WAY_METHOD.get(way or best)]
    r12 = ratio(used, med["copyfile"])
    r13 = ratio(used, med["naive"])
    out.append(("ratio 1/2 (the updater's way against the system's copy)", _x(r12), "<= 1.0",
                verdict(r12, LIMITS["ratio_1_2"])))
    out.append(("ratio 1m/2, 1f/2", "%s, %s" % (_x(ratio(med["payload-mapped"], med["copyfile"])),
                                                _x(ratio(med["payload-file"], med["copyfile"]))),
                "", ""))
    out.append(("ratio 1r/2 (replacing)", _x(ratio(med["payload-replace"], med["copyfile"])),
                "", ""))
    out.append(("ratio 1/3", _x(r13), "<= 0.7", verdict(r13, LIMITS["ratio_1_3"])))
    out.append(("ratio 1/3n (against the naive writer without flush)",
                _x(ratio(used, med["naive-noflush"])), "", ""))

    inst = view.get("install", {})
    nsis_ms, silent_ms = median(inst.get("nsis", [])), median(inst.get("silent", []))
    clicked_ms = median(inst.get("clicked", []))
    out.append(("7. NSIS installer, silent (`/S /D=`), start to exit (32-bit program)",
                _ms(nsis_ms) if nsis_ms is not None else view.get("installer", "-"), "", ""))
    out.append(("7. our updater, silent (`/S /D=`), start to exit", _ms(silent_ms), "", ""))
    out.append(("ratio 7 ours silent/NSIS", _x(ratio(silent_ms, nsis_ms)), "", ""))
    out.append(("7. our updater, button pressed and box answered at once, start to exit",
                _ms(clicked_ms), "", ""))

    st = view["startup"]
    big_ms, small_ms = median(st["big"]), median(st["small"])
    r4 = ratio(big_ms, small_ms)
    out.append(("4. start-up to window ready, %s MB exe" % _size(st["big_bytes"]),
                _ms(big_ms), "", ""))
    out.append(("4. start-up to window ready, %s MB exe" % _size(st["small_bytes"]),
                _ms(small_ms), "", ""))
    out.append(("ratio 4 big/4 small", _x(r4), "<= 1.2", verdict(r4, LIMITS["startup_ratio"])))

    mem = view["memory"]
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

    exe = view["exe"]
    out.append(("6. exe size minus archive size", "%d bytes (%.1f KiB)"
                % (exe["overhead"], exe["overhead"] / 1024), "<= 256 KiB",
                verdict(exe["overhead"], LIMITS["overhead"])))
    b = view["build"]
    out.append(("build of the %s MB exe from a fresh folder" % _size(st["big_bytes"]),
                _s(b.get("scratch_s")), "<= 20 s", verdict(b.get("scratch_s"), LIMITS["build_s"])))
    out.append(("same build with the small archive", _s(b.get("small_scratch_s")), "", ""))
    out.append(("re-embedding a changed archive (incremental)", _s(b.get("reembed_s")), "<= 20 s",
                verdict(b.get("reembed_s"), LIMITS["build_s"])))
    return out


SCALED = ("payload-mapped", "payload-file", "payload-replace", "copyfile", "naive")


def scaling(view):
    """[(size MB, {method: median ms})] in size order."""
    out = []
    for s in sorted(view["sizes"], key=lambda s: s["bytes"]):
        out.append((s["bytes"] / MB, {m: median(s["write"].get(m, [])) for m, _, _ in METHODS}))
    return out


def _bitnesses(results):
    return sorted(results["bits"])


def console(results):
    lines = ["", "Benchmark (%s, median of %d runs; load average %.1f to %.1f)"
             % (results["mode"], results["runs"], _load(results, "start"), _load(results, "end"))]
    for bits, why in sorted(results.get("skipped", {}).items()):
        lines.append("  %s-bit: not measured, %s" % (bits, why))
    for bits in _bitnesses(results):
        view = bitness(results, bits)
        lines.append("")
        lines.append("  %s-bit build:" % bits)
        table = rows(view)
        w = max(len(r[0]) for r in table)
        for name, value, target, ok in table:
            lines.append("  %-*s  %-36s %-22s %s" % (w, name, value, target, ok))
        lines.append("")
        lines.append("  %s-bit write time (ms) by archive size:" % bits)
        lines.append("  %10s" % "MB" + "".join(" %10s" % n for n in ("1m", "1f", "1r", "2", "3")))
        for mb, med in scaling(view):
            lines.append("  %10.1f" % mb + "".join(
                " %10s" % ("-" if med[m] is None else "%.0f" % med[m]) for m in SCALED))
    return "\n".join(lines) + "\n"


def markdown_table(view):
    out = ["| Figure | Median | Target | |", "|---|---|---|---|"]
    for name, value, target, ok in rows(view):
        out.append("| %s | %s | %s | %s |" % (name, value, target, ok))
    return "\n".join(out)


def markdown_scaling(view):
    out = ["| Archive | 1m mapped | 1f exe file | 1r replacing | 2 `CopyFileW` + flush | 3 naive |",
           "|---:|---:|---:|---:|---:|---:|"]
    for mb, med in scaling(view):
        out.append("| %.1f MB | %s |" % (mb, " | ".join(_ms(med[m]) for m in SCALED)))
    return "\n".join(out)


def raw_runs(view):
    out = []
    big = largest(view)
    for method, number, _ in METHODS:
        out.append("- %s (%s): %s ms" % (number, method, ", ".join(
            "%.0f" % v for v in big["write"].get(method, []))))
    inst = view.get("install", {})
    for kind in ("silent", "clicked", "nsis"):
        if inst.get(kind):
            out.append("- 7 %s: %s ms" % (kind, ", ".join("%.0f" % v for v in inst[kind])))
    st = view["startup"]
    out.append("- 4 big: %s ms; 4 small: %s ms" % (", ".join("%.0f" % v for v in st["big"]),
                                                   ", ".join("%.0f" % v for v in st["small"])))
    mem = view["memory"]
    out.append("- 5 RssAnon start: %s MiB; peak: %s MiB" % (
        ", ".join("%.1f" % (v / MIB) for v in mem["start_anon"]),
        ", ".join("%.1f" % (v / MIB) for v in mem["peak_anon"])))
    return "\n".join(out)


def host_line(results):
    h = results.get("host", {})
    runs32 = h.get("runs_32bit")
    text = "Host: Linux kernel %s; 32-bit programs %s." % (
        h.get("kernel", "?"), "run" if runs32 else "do not run" if runs32 is False else "?")
    measured = ", ".join("%s-bit" % b for b in _bitnesses(results))
    text += "  Builds measured: %s." % measured
    for bits, why in sorted(results.get("skipped", {}).items()):
        text += "  %s-bit: not measured, %s." % (bits, why)
    return text


def write_page(path, results, plot_name, notes):
    """docs/benchmarks.md: setting, one table per bitness, plot, scaling,
    notes, raw runs."""
    a = results["archive"]
    sections, scalings, raws = [], [], []
    for bits in _bitnesses(results):
        view = bitness(results, bits)
        size = _size(largest(view)["bytes"])
        sections.append("## Results, %s-bit build (%s MB archive)\n\n%s"
                        % (bits, size, markdown_table(view)))
        scalings.append("%s-bit build:\n\n%s" % (bits, markdown_scaling(view)))
        raws.append("## Raw runs, %s-bit build (%s MB)\n\n%s" % (bits, size, raw_runs(view)))
    text = """# Benchmarks

Written by `scripts/bench` from a real run ({date}); `scripts/bench --smoke` runs the same
pipeline at a few MB and leaves this page alone.

## Setting

- {host}
- {machine}; {wine}; writes to {fs} under the build folder; page cache warm, `sync` before
  every run.  The machine is shared: 1-minute load average {load_build:.1f} when the builds
  began, {load_start:.1f} when the measurements began and {load_end:.1f} at the end.
- Archive: `payload/tools/make_manual.py`, {bytes:,} bytes, {entries} entries ({stored} stored),
  generated in {gen:.1f} s; `unzip -t`: {unzip}.
- Every figure is the median of {runs} runs, and every figure of a table comes from the same
  run of the same build.  Each write run is a fresh process (`lumarso_bench_write`, which
  embeds the archive exactly as the updater does), timed inside the process around the one
  call; the methods take turns, in rotating order.
- 1m and 1f are `payload::WritePayload` with the Win32 file and resource services and message
  boxes answered at once: temporary file, the archive's bytes, flush, rename.  1m writes
  straight from the mapped resource; 1f opens the exe's own file, finds the resource's bytes
  through the section table, checks the first 4 KiB against the mapped resource, and copies
  them through one reused 4 MiB buffer (a run that fell back to the mapped view counts as an
  error).  1r is the updater's own way over an older file of half the size.  2 is `CopyFileW`
  of a plain copy of the archive followed by `FlushFileBuffers` of the copy.  3 copies the
  resource into a heap array, deletes the old file, writes the array in one piece and
  flushes (the same durability as 1 and 2); 3n is the same without the flush.
- 7 times whole installs from `CreateProcessW` to the process's end, measured by
  `lumarso_bench_launch` in the same Wine prefix, the three taking turns into a scratch host
  folder holding `Quadrivo.exe`: the NSIS installer ({installer}; the archive stored,
  `SetCompress off`) run as `/S /D=<folder>`; our updater run the same way, `/S /D=<folder>`;
  and our updater started with the install key pointing at the folder, its button pressed as
  soon as the window is ready and "Aggiornamento terminato!" answered at once.
- 4 is measured by `lumarso_bench_launch`: `CreateProcessW` to the "Lumarso 2015" window
  being visible and the process idle; each exe starts once untimed, then the two take turns
  for 3 × {runs} timed starts each.  5 runs the real `Lumarso2015.exe`: the launcher points
  the install key at a scratch folder holding `Quadrivo\\Quadrivo.exe`, presses the button and
  answers "Aggiornamento terminato!"; `/proc/PID/status` of the exe's Wine process is sampled
  about every millisecond.

{sections}

Private memory is `RssAnon`: anonymous resident pages, the memory the process itself
dirtied.  `VmHWM` also counts the file-backed pages of the mapped image that the write reads,
which the kernel can drop at any time; it is shown for completeness, not held to a target.

## Scaling

![Write time against archive size]({plot})

{scaling}

## Notes

{notes}

{raw}
""".format(date=results["date"], host=host_line(results), machine=results["machine"],
           wine=results.get("wine", "wine"), fs=results["filesystem"],
           load_build=_load(results, "build"), load_start=_load(results, "start"),
           load_end=_load(results, "end"), bytes=a["bytes"], entries=a["entries"],
           stored=a["stored"], gen=a["gen_s"], unzip=a["unzip"], runs=results["runs"],
           installer=results.get("installer", "-"), sections="\n\n".join(sections),
           plot=plot_name, scaling="\n\n".join(scalings), notes=notes, raw="\n\n".join(raws))
    with open(path, "w") as f:
        f.write(text)
