"""The results tables (console and Markdown), one set per bitness, and the
benchmark page.  A run that stopped part-way still renders: what it did not
measure shows as "-"."""

import os

from measure import VERSUS_KINDS
from stats import SLOW_MS, median, ratio, slow_share, verdict

MB = 1_000_000
MIB = 1024 * 1024

# Upper limits the figures are held to.
LIMITS = {
    "ratio_1_2": 1.0,
    "ratio_1_3": 0.7,
    "ratio_1r_1": 1.1,
    "ratio_current_1": 0.3,
    "ratio_lastbyte": 1.0,
    "start_private": 8 * MIB,
    "peak_private": 16 * MIB,
    "startup_ratio": 1.2,
    "overhead": 160 * 1024,
    "build_s": 20.0,
    "versus": 1.02,
}
# Reading the exe's file is chosen only when it is clearly faster than
# writing from the mapped image: below this share of its time.
FILE_WAY_BELOW = 0.9

# The timed writes: (key, figure, what, history).
HISTORY = {
    "decoy": "new file; a same-size decoy written elsewhere first",
    "older": "over an older copy of the same size",
    "identical": "over an identical copy",
    "last-byte": "over a same-size copy differing in its last byte",
}
METHODS = (
    ("payload-mapped", "1m", "`WritePayload`, written from the mapped resource", "decoy"),
    ("payload-file", "1f", "`WritePayload`, read from the exe's file (4 MiB buffer)", "decoy"),
    ("payload-replace", "1r", "`WritePayload` the updater's way", "older"),
    ("copyfile", "2", "`CopyFileW` + `FlushFileBuffers`", "decoy"),
    ("copyfile-replace", "2r", "`CopyFileW` + `FlushFileBuffers`", "older"),
    ("naive", "3", "naive: heap copy, delete, one write, flush", "decoy"),
    ("naive-noflush", "3n", "naive without the flush", "decoy"),
    ("payload-current", "c", "`WritePayload` the updater's way", "identical"),
    ("payload-lastbyte", "cl", "`WritePayload` the updater's way", "last-byte"),
    ("payload-cold", "1 cold", "`WritePayload` the updater's way, page cache dropped", "decoy"),
    ("payload-current-cold", "c cold", "`WritePayload` the updater's way, page cache dropped",
     "identical"),
    ("payload-lastbyte-cold", "cl cold", "`WritePayload` the updater's way, page cache dropped",
     "last-byte"),
)
WAY_METHOD = {"file": "payload-file", "mapped": "payload-mapped"}
INSTALL_KINDS = (
    ("silent", "our updater, silent (`/S /D=`)", "decoy"),
    ("silent-replace", "our updater, silent", "older"),
    ("silent-current", "our updater, silent", "identical"),
    ("silent-lastbyte", "our updater, silent", "last-byte"),
    ("clicked", "our updater, button pressed and box answered at once", "decoy"),
    ("nsis", "NSIS installer, silent (`/S /D=`; a 32-bit program)", "decoy"),
    ("nsis-replace", "NSIS installer, silent", "older"),
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


def _size(n):
    return "%.1f" % (n / MB)


def bitness(results, bits):
    """The figures of one bitness, with the run's common ones."""
    view = {k: v for k, v in results.items() if k != "bits"}
    view.update(results["bits"][bits])
    view["bitness"] = bits
    return view


def largest(view):
    sizes = view.get("sizes") or [{"bytes": 0}]
    return max(sizes, key=lambda s: s.get("bytes", 0))


def _med(size, method):
    return median(size.get("write", {}).get(method, []))


def winner(view):
    """'file' or 'mapped', from the medians at the largest archive."""
    big = largest(view)
    r = ratio(_med(big, "payload-file"), _med(big, "payload-mapped"))
    return "file" if r is not None and r < FILE_WAY_BELOW else "mapped"


def updater_method(view):
    """The key of figure 1: the way this build's updater reads."""
    return WAY_METHOD[view.get("way") or winner(view)]


def slow_cell(size, method):
    """(slow 4 MiB writes, runs that met any) as text: in-process times
    where the program reports them, else /proc/PID/io's write_bytes."""
    source = "slow" if any(size.get("slow", {}).get(method) or []) else "slow_io"
    runs = size.get(source, {}).get(method) or []
    slow, writes, runs_slow, seen = slow_share(runs)
    if not seen:
        return "-", "-"
    how = "timed in process" if source == "slow" else "from write_bytes"
    return ("%d of %d (%.0f%%), %s" % (slow, writes, 100.0 * slow / writes, how),
            "%d of %d" % (runs_slow, seen))


def rewritten_cell(size, method):
    flags = size.get("rewritten", {}).get(method) or []
    return "-" if not flags else "%d of %d" % (sum(1 for f in flags if f), len(flags))


# Figures a second pass (bench.py --current) measures again after the full
# run (with its own 1 and 1r): shown beside the full run's, marked *.
SECOND_PASS = ("payload-current", "payload-lastbyte", "payload-cold", "payload-current-cold",
               "payload-lastbyte-cold")


def second_pass(view):
    """The size entry of the second pass, or None."""
    entry = (view.get("current_pass") or {}).get("size")
    return entry if entry and entry.get("write") else None


def _write_row(size, method, number, text, history):
    values = size.get("write", {}).get(method)
    if not values:
        return None
    slow, runs = slow_cell(size, method)
    return (number, text, HISTORY[history], _ms(median(values)), slow, runs,
            rewritten_cell(size, method) if history in ("identical", "last-byte") else "",
            _mib(median(size.get("write_peak_anon", {}).get(method, []))))


def write_rows(view):
    """[(figure, what, history, median, slow writes, runs with slow writes,
    rewritten, peak private)] at the largest archive; then, when there is a
    second pass, its figures marked * (the current-copy cases, with its own
    1 and 1r)."""
    big, again = largest(view), second_pass(view)
    out = [row for row in (_write_row(big, m, n, t, h) for m, n, t, h in METHODS) if row]
    if again:
        for method, number, text, history in METHODS:
            if method in SECOND_PASS + (updater_method(view), "payload-replace"):
                row = _write_row(again, method, number + "*", text, history)
                if row:
                    out.append(row)
    return out


def _current_rows(med, used, mark):
    """The current-copy targets: an identical copy against a new file, and a
    copy differing in its last byte against one compare plus one write."""
    out = []
    for suffix, base, when in (("", used, "warm cache"),
                               ("-cold", med["payload-cold"], "page cache dropped")):
        current, lastbyte = med["payload-current" + suffix], med["payload-lastbyte" + suffix]
        if current is None and lastbyte is None:
            continue
        cold = " cold" if suffix else ""
        rc = ratio(current, base)
        out.append(("ratio c%s/1%s (an identical copy against a new file, %s)%s"
                    % (cold, cold, when, mark), _x(rc), "" if suffix else "<= 0.3",
                    "" if suffix else verdict(rc, LIMITS["ratio_current_1"])))
        both = None if current is None or base is None else current + base
        rl = ratio(lastbyte, both)
        out.append(("ratio cl%s/(c%s + 1%s) (last byte differs, against one compare plus one "
                    "write)%s" % (cold, cold, cold, mark), _x(rl), "<= 1.0",
                    verdict(rl, LIMITS["ratio_lastbyte"])))
    return out


def _outside_writes(size, method):
    """Median over the runs of total time minus the time in 4 MiB writes."""
    pairs = zip(size.get("write", {}).get(method) or [], size.get("steps", {}).get(method) or [])
    return median([t - r["write"] for t, r in pairs if r])


def rows(view):
    """[(figure, value, target, verdict)] for the largest archive of one
    bitness."""
    big = largest(view)
    med = {m: _med(big, m) for m, _, _, _ in METHODS}
    peak = {m: median(big.get("write_peak_anon", {}).get(m, [])) for m, _, _, _ in METHODS}
    out = []
    both = [peak[m] for m in ("payload-mapped", "payload-file") if peak[m] is not None]
    worst = max(both) if both else None
    out.append(("peak private of 1m and 1f, the larger", _mib(worst), "<= 16 MiB",
                verdict(worst, LIMITS["peak_private"])))
    r_file = ratio(med["payload-file"], med["payload-mapped"])
    out.append(("ratio 1f/1m", _x(r_file), "< %.1f: read the file" % FILE_WAY_BELOW, ""))
    way, best = view.get("way"), winner(view)
    out.append(("the updater's way (measured winner: %s)" % best, way or "-", best,
                "-" if way is None else ("met" if way == best else "missed")))
    used = med[updater_method(view)]
    r12 = ratio(used, med["copyfile"])
    r13 = ratio(used, med["naive"])
    out.append(("ratio 1/2 (the updater's way against the system's copy)", _x(r12), "<= 1.0",
                verdict(r12, LIMITS["ratio_1_2"])))
    out.append(("ratio 1m/2, 1f/2", "%s, %s" % (_x(ratio(med["payload-mapped"], med["copyfile"])),
                                                _x(ratio(med["payload-file"], med["copyfile"]))),
                "", ""))
    r1r = ratio(med["payload-replace"], used)
    out.append(("ratio 1r/1 (replacing against a new file, the updater's way)", _x(r1r),
                "<= 1.1", verdict(r1r, LIMITS["ratio_1r_1"])))
    extra = None if med["payload-replace"] is None or used is None else med["payload-replace"] - used
    out.append(("1r - 1 (what replacing adds)", _ms(extra), "", ""))
    # The write loop's slow writes vary far more than anything else; outside it
    # the two do the same work but for the replace itself.
    outside = [_outside_writes(big, m) for m in ("payload-replace", updater_method(view))]
    added = None if None in outside else outside[0] - outside[1]
    out.append(("1r - 1 outside the 4 MiB writes (medians of each run's total minus its "
                "writes)", _ms(added), "", ""))
    out.append(("ratio (1 + that)/1: 1r/1 with 1's write loop",
                _x(ratio(None if added is None or used is None else used + added, used)),
                "<= 1.1", verdict(ratio(None if added is None or used is None else used + added,
                                        used), LIMITS["ratio_1r_1"])))
    out.append(("ratio 2r/2 (the system's copy over an older file against a new one)",
                _x(ratio(med["copyfile-replace"], med["copyfile"])), "", ""))
    out.append(("ratio 1r/2r (replacing: ours against the system's copy)",
                _x(ratio(med["payload-replace"], med["copyfile-replace"])), "", ""))
    out.append(("ratio 1/3", _x(r13), "<= 0.7", verdict(r13, LIMITS["ratio_1_3"])))
    out.append(("ratio 1/3n (against the naive writer without flush)",
                _x(ratio(used, med["naive-noflush"])), "", ""))
    out.extend(_current_rows(med, used, ""))
    again = second_pass(view)
    if again:
        out.extend(_current_rows({m: _med(again, m) for m, _, _, _ in METHODS},
                                 _med(again, updater_method(view)), " (second pass *)"))

    inst = view.get("install", {}).get("ms", {})
    nsis_ms, silent_ms = median(inst.get("nsis", [])), median(inst.get("silent", []))
    out.append(("ratio 7 ours silent/NSIS (new file)", _x(ratio(silent_ms, nsis_ms)), "", ""))
    out.append(("ratio 7 ours silent/NSIS (over an older copy)",
                _x(ratio(median(inst.get("silent-replace", [])),
                         median(inst.get("nsis-replace", [])))), "", ""))

    st = view.get("startup") or {}
    if st.get("big"):
        big_ms, small_ms = median(st["big"]), median(st["small"])
        r4 = ratio(big_ms, small_ms)
        out.append(("4. start-up to window ready, %s MB exe" % _size(st["big_bytes"]),
                    _ms(big_ms), "", ""))
        out.append(("4. start-up to window ready, %s MB exe" % _size(st["small_bytes"]),
                    _ms(small_ms), "", ""))
        out.append(("ratio 4 big/4 small", _x(r4), "<= 1.2",
                    verdict(r4, LIMITS["startup_ratio"])))

    mem = view.get("memory") or {}
    if mem.get("start_anon"):
        start, peak_anon = median(mem["start_anon"]), median(mem["peak_anon"])
        out.append(("5. private memory (RssAnon) at start, window ready", _mib(start),
                    "<= 8 MiB", verdict(start, LIMITS["start_private"])))
        out.append(("5. private memory (RssAnon) peak, click to success box", _mib(peak_anon),
                    "<= 16 MiB", verdict(peak_anon, LIMITS["peak_private"])))
        out.append(("5. VmHWM peak (resident, includes mapped image pages)",
                    _mib(median(mem["peak_hwm"])), "", ""))
        out.append(("5. private memory at start, small exe",
                    _mib(median(mem["small_start_anon"])), "", ""))
        out.append(("5. click to success box in the real exe", _ms(median(mem["written_ms"])),
                    "", ""))

    exe = view.get("exe")
    if exe:
        out.append(("6. exe size minus archive size", "%d bytes (%.1f KiB)"
                    % (exe["overhead"], exe["overhead"] / 1024), "<= 160 KiB",
                    verdict(exe["overhead"], LIMITS["overhead"])))
    b = view.get("build", {})
    out.append(("build of the exe with the largest archive from a fresh folder",
                _s(b.get("scratch_s")), "<= 20 s", verdict(b.get("scratch_s"), LIMITS["build_s"])))
    out.append(("same build with the small archive", _s(b.get("small_scratch_s")), "", ""))
    out.append(("re-embedding a changed archive (incremental)", _s(b.get("reembed_s")), "<= 20 s",
                verdict(b.get("reembed_s"), LIMITS["build_s"])))
    return out


def install_rows(view):
    """[(figure, history, median, slow 4 MiB writes, runs with slow writes,
    rewritten)] of whole installs, start to exit; those of the second pass
    marked *."""
    out = []
    again = (view.get("current_pass") or {}).get("install") or {}
    for inst, mark, kinds in ((view.get("install", {}), "", None),
                              (again, "*", ("silent", "silent-current", "silent-lastbyte"))):
        for kind, text, history in INSTALL_KINDS:
            values = inst.get("ms", {}).get(kind)
            if not values or (kinds and kind not in kinds):
                continue
            slow, runs = slow_cell({"slow_io": inst.get("slow_io", {})}, kind)
            out.append(("7%s. %s" % (mark, text), HISTORY[history], _ms(median(values)), slow,
                        runs, rewritten_cell(inst, kind)
                        if history in ("identical", "last-byte") else ""))
    return out


SCALED = ("payload-mapped", "payload-file", "payload-replace", "copyfile", "copyfile-replace",
          "naive")


def scaling(view):
    """[(size MB, {method: median ms})] in size order."""
    out = []
    for s in sorted(view.get("sizes", []), key=lambda s: s.get("bytes", 0)):
        if s.get("write"):
            out.append((s["bytes"] / MB, {m: _med(s, m) for m, _, _, _ in METHODS}))
    return out


def _bitnesses(results):
    return sorted(results["bits"])


def _runs_load(view):
    loads = [x for s in view.get("sizes", []) for x in s.get("load", [])]
    if not loads:
        return "-"
    return "%.1f to %.1f (median %.1f)" % (min(loads), max(loads), median(loads))


def problems(view):
    """Lines about retries and failed parts, for the console and the page."""
    out = []
    again = view.get("current_pass") or {}
    for r in view.get("retries", []) + again.get("retries", []):
        out.append("retried once (%s): %s did not start: %s" % (r.get("when", "?"), r["what"],
                                                                r["error"]))
    for e in view.get("errors", []) + again.get("errors", []):
        out.append("FAILED (%s): %s: %s" % (e.get("when", "?"), e["section"], e["error"]))
    return out


def console(results):
    lines = ["", "Benchmark (%s, median of %d runs; load average %.1f to %.1f)"
             % (results["mode"], results["runs"], _load(results, "start"), _load(results, "end"))]
    for bits, why in sorted(results.get("skipped", {}).items()):
        lines.append("  %s-bit: not measured, %s" % (bits, why))
    for bits in _bitnesses(results):
        view = bitness(results, bits)
        lines.append("")
        lines.append("  %s-bit build, writes at %s MB (load average over the runs %s):"
                     % (bits, _size(largest(view)["bytes"]), _runs_load(view)))
        for number, text, history, med, slow, runs, rewritten, peak in write_rows(view):
            lines.append("  %-7s %-9s %-44s slow %s, runs %s%s" % (
                number, med, history[:44], slow, runs,
                ", rewritten %s" % rewritten if rewritten else ""))
        for text, history, med, slow, runs, rewritten in install_rows(view):
            lines.append("  %-17s %-9s %-44s slow %s, runs %s%s" % (
                text[:17], med, history[:44], slow, runs,
                ", rewritten %s" % rewritten if rewritten else ""))
        table = rows(view)
        w = max(len(r[0]) for r in table)
        for name, value, target, ok in table:
            lines.append("  %-*s  %-24s %-22s %s" % (w, name, value, target, ok))
        for text in problems(view):
            lines.append("  " + text)
        lines.append("")
        lines.append("  %s-bit write time (ms) by archive size:" % bits)
        lines.append("  %10s" % "MB" + "".join(" %10s" % n for n in
                                                ("1m", "1f", "1r", "2", "2r", "3")))
        for mb, med in scaling(view):
            lines.append("  %10.1f" % mb + "".join(
                " %10s" % ("-" if med[m] is None else "%.0f" % med[m]) for m in SCALED))
    return "\n".join(lines) + "\n"


def markdown_writes(view):
    out = ["| | Write | History | Median | Slow 4 MiB writes (over %g ms) | Runs with slow "
           "writes | Rewritten | Peak private |" % SLOW_MS,
           "|---|---|---|---:|---|---|---|---:|"]
    for row in write_rows(view):
        out.append("| %s |" % " | ".join(row))
    return "\n".join(out)


STEPS = ("write", "flush", "rename", "read")


def step_rows(view):
    """[(figure, median total, median of each step, the rest)] of the
    `WritePayload` figures: where each one's time went, timed in process."""
    big, again = largest(view), second_pass(view)
    out = []
    for size, mark in ((big, ""), (again, "*")):
        for method, number, _, _ in METHODS if size else ():
            runs = [r for r in size.get("steps", {}).get(method) or [] if r]
            if not runs:
                continue
            total = median(size["write"][method])
            parts = [median([r.get(k, 0.0) for r in runs]) for k in STEPS]
            rest = median([t - sum(r.get(k, 0.0) for k in STEPS)
                           for t, r in zip(size["write"][method], size["steps"][method]) if r])
            out.append((number + mark, _ms(total)) + tuple(_ms(p) for p in parts) +
                       (_ms(rest),))
    return out


def markdown_steps(view):
    out = ["| `WritePayload` | Total | 4 MiB writes | Flush | Rename over the old file | "
           "Reads (exe file, copy in place) | The rest |", "|---|---:|---:|---:|---:|---:|---:|"]
    for row in step_rows(view):
        out.append("| %s |" % " | ".join(row))
    return "\n".join(out)


def markdown_installs(view):
    out = ["| Install, start to exit | History | Median | Slow 4 MiB writes (over %g ms) | "
           "Runs with slow writes | Rewritten |" % SLOW_MS, "|---|---|---:|---|---|---|"]
    for row in install_rows(view):
        out.append("| %s |" % " | ".join(row))
    return "\n".join(out)


def markdown_table(view):
    out = ["| Figure | Value | Target | |", "|---|---|---|---|"]
    for name, value, target, ok in rows(view):
        out.append("| %s | %s | %s | %s |" % (name, value, target, ok))
    return "\n".join(out)


def markdown_scaling(view):
    out = ["| Archive | 1m mapped | 1f exe file | 1r replacing | 2 `CopyFileW` + flush | "
           "2r `CopyFileW` over an older file | 3 naive |",
           "|---:|---:|---:|---:|---:|---:|---:|"]
    for mb, med in scaling(view):
        out.append("| %.1f MB | %s |" % (mb, " | ".join(_ms(med[m]) for m in SCALED)))
    return "\n".join(out)


def raw_runs(view):
    out = []
    big = largest(view)
    for method, number, _, _ in METHODS:
        values = big.get("write", {}).get(method)
        if values:
            compared = [c for c in big.get("compared", {}).get(method) or [] if c is not None]
            out.append("- %s (%s): %s ms%s" % (
                number, method, ", ".join("%.0f" % v for v in values),
                "; bytes of the copy in place compared: %s" % ", ".join(
                    "{:,}".format(c) for c in sorted(set(compared))) if any(compared) else ""))
    inst = view.get("install", {}).get("ms", {})
    for kind, _, _ in INSTALL_KINDS:
        if inst.get(kind):
            out.append("- 7 %s: %s ms" % (kind, ", ".join("%.0f" % v for v in inst[kind])))
    st = view.get("startup") or {}
    if st.get("big"):
        out.append("- 4 big: %s ms; 4 small: %s ms" % (
            ", ".join("%.0f" % v for v in st["big"]), ", ".join("%.0f" % v for v in st["small"])))
    mem = view.get("memory") or {}
    if mem.get("start_anon"):
        out.append("- 5 RssAnon start: %s MiB; peak: %s MiB" % (
            ", ".join("%.1f" % (v / MIB) for v in mem["start_anon"]),
            ", ".join("%.1f" % (v / MIB) for v in mem["peak_anon"])))
    loads = [x for s in view.get("sizes", []) for x in s.get("load", [])]
    if loads:
        out.append("- 1-minute load average before each timed write: %s"
                   % ", ".join("%.1f" % x for x in loads))
    return "\n".join(out)


# This build's installs against a baseline build's (bench.py --versus): the
# page keeps the block between these marks when a full run rewrites it.
VERSUS_BEGIN = "<!-- scripts/bench --versus: begin -->"
VERSUS_END = "<!-- scripts/bench --versus: end -->"
VERSUS_TEXT = {"clicked": "button pressed, box answered at once", "silent": "silent (`/S /D=`)"}


def versus_rows(results):
    """[(bits, install, old median, new median, new/old, verdict, old slow
    writes, new slow writes)], the medians as numbers (None: not measured)."""
    out = []
    for bits in _bitnesses(results):
        inst = results["bits"][bits].get("install", {})
        for kind in VERSUS_KINDS:
            old, new = (median(inst.get("ms", {}).get("%s %s" % (kind, w)) or [])
                        for w in ("old", "new"))
            r = ratio(new, old)
            slow = []
            for w in ("old", "new"):
                n_slow, n, _, seen = slow_share(inst.get("slow_io", {}).get("%s %s" % (kind, w))
                                                or [])
                slow.append("%d of %d" % (n_slow, n) if seen else "-")
            out.append((bits, kind, old, new, r, verdict(r, LIMITS["versus"])) + tuple(slow))
    return out


# A clicked run's parts, as the page names them.
PART_TEXT = (("ready", "start to window ready"), ("written", "button pressed to success box"),
             ("rest", "box answered to exit"))


def versus_parts(results):
    """[(bits, part text, old median, new median, new/old)] of the clicked
    runs, where the runs recorded their parts."""
    out = []
    for bits in _bitnesses(results):
        parts = results["bits"][bits].get("install", {}).get("parts", {})
        for word, text in PART_TEXT:
            old, new = (median(parts.get("clicked %s" % w, {}).get(word) or []) for w in ("old", "new"))
            if old is not None or new is not None:
                out.append((bits, text, old, new, ratio(new, old)))
    return out


def _short(text, most):
    return text if len(text) <= most else text[:most - 3].rstrip() + "..."


def _versus_names(results):
    return results["base"]["commit"][:7], results["head"]["commit"][:7] + (
        "+" if results["head"].get("dirty") else "")


def versus_console(results):
    old_name, new_name = _versus_names(results)
    lines = ["", "This build (%s) against %s (%s), %s MB, median of %d runs; load average "
             "%.1f to %.1f" % (new_name, old_name, results["base"]["ref"],
                               _size(results["archive"]["bytes"]), results["runs"],
                               _load(results, "start"), _load(results, "end")),
             "  %-6s %-8s %10s %10s %8s" % ("build", "install", old_name, new_name, "new/old")]
    for bits, kind, old, new, r, ok, _, _ in versus_rows(results):
        lines.append("  %-6s %-8s %10s %10s %8s  %s" % (bits + "-bit", kind, _ms(old), _ms(new),
                                                       _x(r), ok))
    for bits, text, old, new, r in versus_parts(results):
        lines.append("  %-6s   %-29s %10s %10s %8s" % (bits + "-bit", text, _ms(old), _ms(new), _x(r)))
    for bits, why in sorted(results.get("skipped", {}).items()):
        lines.append("  %s-bit: not measured, %s" % (bits, why))
    for bits in _bitnesses(results):
        lines.extend("  %s-bit: %s" % (bits, t) for t in problems(results["bits"][bits]))
    same = _same_exes(results)
    if same:
        lines.append("  The two updaters are byte for byte the same (%s): new/old is noise." % same)
    return "\n".join(lines) + "\n"


def _same_exes(results):
    """The bitnesses whose two updaters are the same file, as text."""
    return ", ".join("%s-bit" % b for b in _bitnesses(results)
                     if results["bits"][b].get("same_exe"))


def versus_markdown(results):
    """The page's block: the table, how it was measured, the raw runs."""
    old_name, new_name = _versus_names(results)
    table = ["| Build | Install, start to exit | %s (old) | %s (new) | New/old | Target | | "
             "Slow 4 MiB writes (over %g ms), old; new |" % (old_name, new_name, SLOW_MS),
             "|---|---|---:|---:|---:|---|---|---|"]
    for bits, kind, old, new, r, ok, old_slow, new_slow in versus_rows(results):
        table.append("| %s-bit | %s | %s | %s | %s | <= %.2f | %s | %s; %s |" % (
            bits, VERSUS_TEXT[kind], _ms(old), _ms(new), _x(r), LIMITS["versus"], ok, old_slow,
            new_slow))
    for bits, why in sorted(results.get("skipped", {}).items()):
        table.append("| %s-bit | not measured: %s | | | | | | |" % (bits, why))
    parts = ["| %s-bit | clicked: %s | %s | %s | %s |" % (bits, text, _ms(old), _ms(new), _x(r))
             for bits, text, old, new, r in versus_parts(results)]
    if parts:
        parts = ["The clicked installs part by part (medians of each part, so they need not add up to "
                 "the total):", "", "| Build | Part | %s (old) | %s (new) | New/old |" % (old_name, new_name),
                 "|---|---|---:|---:|---:|"] + parts + [""]
    raw = []
    for bits in _bitnesses(results):
        view = results["bits"][bits]
        for label in sorted(view.get("install", {}).get("ms", {})):
            raw.append("- %s-bit %s: %s ms" % (bits, label, ", ".join(
                "%.0f" % v for v in view["install"]["ms"][label])))
        raw.extend("- %s-bit: %s" % (bits, t) for t in problems(view))
    return """{begin}
## This build against an earlier one

`scripts/bench --versus {ref}` ({date}; 1-minute load average {load_start:.1f} at the start,
{load_end:.1f} at the end).  Old: {old} ("{subject}").  New: the tree at {new}.  Each built
from its own sources with the same compilers, flags and {mb} MB archive.  Whole installs, start
to exit, as in 7 above: old and new, clicked and silent, took turns, {runs} runs each: a
build's clicked then its silent install, the builds swapped every other turn, so that each build
came after the same runs as the other (a run is slowed by the ones just before it: after two
silent installs in a row, half the clicked ones met slow writes throughout, in either build); and
every run after the same history (a synced decoy of the archive's size written elsewhere, both exes read
once).  Slow writes are counted from `write_bytes` as in 7.{same}

{table}

{parts}Raw runs:

{raw}
{end}""".format(begin=VERSUS_BEGIN, end=VERSUS_END, ref=results["base"]["ref"],
                date=results.get("date", "?"), new=new_name, old=old_name,
                subject=_short(results["base"].get("subject", "?").replace('"', "'"), 60),
                mb=_size(results["archive"]["bytes"]), runs=results["runs"],
                load_start=_load(results, "start"), load_end=_load(results, "end"),
                table="\n".join(table), raw="\n".join(raw),
                parts="\n".join(parts) + "\n" if parts else "",
                same=("  The two updaters were byte for byte the same (%s), so there new/old "
                      "shows only the noise." % _same_exes(results)) if _same_exes(results) else "")


def put_versus(page, block):
    """`page` with its block of this build against an earlier one replaced
    by `block`, or `block` put before the scaling section (at the end when
    there is none)."""
    if VERSUS_BEGIN in page and VERSUS_END in page:
        head, rest = page.split(VERSUS_BEGIN, 1)
        return head + block + rest.split(VERSUS_END, 1)[1]
    at = page.find("\n## Scaling")
    if at < 0:
        return page.rstrip("\n") + "\n\n" + block + "\n"
    return page[:at + 1] + block + "\n\n" + page[at + 1:]


def versus_block(page):
    """The block of `page`, or None."""
    if VERSUS_BEGIN not in page or VERSUS_END not in page:
        return None
    return VERSUS_BEGIN + page.split(VERSUS_BEGIN, 1)[1].split(VERSUS_END, 1)[0] + VERSUS_END


def host_line(results):
    h = results.get("host", {})
    runs32 = h.get("runs_32bit")
    text = "Host: Linux kernel %s; 32-bit programs %s." % (
        h.get("kernel", "?"), "run" if runs32 else "do not run" if runs32 is False else "?")
    measured = ", ".join("%s-bit" % b for b in _bitnesses(results))
    text += "  Builds measured: %s." % measured
    for bits, why in sorted(results.get("skipped", {}).items()):
        text += "  %s-bit: not measured, %s." % (bits, why)
    drop = h.get("drop_caches")
    if drop is not None:
        text += ("  Dropping the page cache (`echo 3 > /proc/sys/vm/drop_caches` as root) %s."
                 % ("worked, so the cold figures were measured" if drop else
                    "was refused by the host, so no cold figures"))
    return text


def write_page(path, results, plot_name, notes):
    """docs/benchmarks.md: setting, the tables of each bitness, plot,
    scaling, notes, raw runs."""
    a = results["archive"]
    sections, scalings, raws = [], [], []
    for bits in _bitnesses(results):
        view = bitness(results, bits)
        size = _size(largest(view)["bytes"])
        trouble = problems(view)
        again = view.get("current_pass")
        pass_text = "" if not again else (
            "\n\nRows marked * come from a second pass of the current-copy cases alone "
            "(`scripts/bench --current`, %s, tree at %s, 1-minute load average %s over its "
            "timed writes): c, cl and their cold twins, the silent installs, and that pass's "
            "own 1 and 1r, which its ratios use." % (
                again.get("date", "?"), again.get("commit", "?"),
                _runs_load({"sizes": [again.get("size", {})]})))
        sections.append(
            "## Results, %s-bit build (%s MB archive)\n\n"
            "1-minute load average before each timed write: %s.%s\n\n%s\n\n"
            "Where the time of `WritePayload` went, timed in the process (medians of each "
            "part over the runs, so they need not add up to the median total):\n\n%s\n\n"
            "%s\n\n%s%s"
            % (bits, size, _runs_load(view), pass_text, markdown_writes(view),
               markdown_steps(view), markdown_installs(view),
               markdown_table(view),
               ("\n\nRuns that needed a second try or failed:\n\n" +
                "\n".join("- " + t for t in trouble)) if trouble else
               "\n\nEvery run started at the first try."))
        scalings.append("%s-bit build:\n\n%s" % (bits, markdown_scaling(view)))
        raws.append("## Raw runs, %s-bit build (%s MB)\n\n%s" % (bits, size, raw_runs(view)))
    text = """# Benchmarks

Written by `scripts/bench` from a real run ({date}); `scripts/bench --smoke` runs the same
pipeline at a few MB and leaves this page alone.

## Setting

- {host}
- {machine}; {wine}; writes to {fs} under the build folder.  The machine is shared with
  other engineers' builds: 1-minute load average {load_build:.1f} when the builds began,
  {load_start:.1f} when the measurements began and {load_end:.1f} at the end (each bitness
  below also gives the range over its timed writes).
- Archive: `cmake/tools/make_manual.py`, {bytes:,} bytes, {entries} entries ({stored} stored),
  generated in {gen:.1f} s; `unzip -t`: {unzip}.
- Every figure is the median of {runs} runs, and every figure of a table comes from the same
  run of the same build.  Each write run is a fresh process (`lumarso_bench_write`, which
  embeds the archive exactly as the updater does), timed inside the process around the one
  call; the methods take turns, in rotating order.
- **Every timed write has the same history.**  Right before each run, whatever the method,
  the benchmark writes and `fsync`s one file of the archive's size: the old copy at the target
  when the run replaces one (an older manual of the same size: its first byte differs; or an
  identical copy; or one differing only in its last byte), else a decoy of the same size in
  another folder of the same file system.  It then reads the writer's exe and the plain copy
  of the archive once (their pages cached) and calls `sync`.  Without that, fresh page cache
  right after other large writes made single runs 1.5-6 times slower and charged it to
  whichever method came after a large write.  Cold runs drop the whole page cache instead of
  reading the files (after the history is written and synced).
- Slow writes: a 4 MiB write on this machine takes either about 1 ms or 10-15 ms; the tables
  count the writes over {slow:g} ms and the runs that met any.  `WritePayload`'s writes are
  timed in the process, one by one (the writer's file services wrapped, each `WriteFile`
  timed with the performance counter).  The other programs (`CopyFileW`, the naive writer's
  one big write, the real updater exe, NSIS) cannot be timed from inside, so for them the
  host samples `write_bytes` of the program's Linux process in `/proc/PID/io` (file data
  only, counted page by page as the write dirties the cache) about every millisecond and
  times each 4 MiB of it, known to about 1-2 ms.  No `strace`: it slows every call.
- 1m and 1f are `payload::WritePayload` with the Win32 file and resource services and message
  boxes answered at once: temporary file, the archive's bytes, flush, rename.  1m writes
  straight from the mapped resource; 1f opens the exe's own file, finds the resource's bytes
  through the section table, checks the first 4 KiB against the mapped resource, and copies
  them through one reused 4 MiB buffer (a run that fell back to the mapped view counts as an
  error).  1r, c and cl are the updater's own way over an existing file.  2 is `CopyFileW` of
  a plain copy of the archive followed by `FlushFileBuffers` of the copy; 2r is the same over
  an older copy.  3 copies the resource into a heap array, deletes the old file, writes the
  array in one piece and flushes; 3n is the same without the flush.  "Rewritten" says in how
  many runs the file at the target was replaced or changed (its inode, time or size).
- 7 times whole installs from `CreateProcessW` to the process's end, measured by
  `lumarso_bench_launch` in the same Wine prefix, all kinds taking turns into a scratch host
  folder holding `Quadrivo.exe`, after the same history as the writes: the NSIS installer
  ({installer}; the archive stored, `SetCompress off`) run as `/S /D=<folder>`; our updater
  run the same way; and our updater started with the install key pointing at the folder, its
  button pressed as soon as the window is ready and "Aggiornamento terminato!" answered at
  once.
- 4 is measured by `lumarso_bench_launch`: `CreateProcessW` to the "Lumarso 2015" window
  being visible and the process idle; each exe starts once untimed, then the two take turns
  for 3 × {runs} timed starts each.  5 runs the real `Lumarso2015.exe`: the launcher points
  the install key at a scratch folder holding `Quadrivo\\Quadrivo.exe`, presses the button and
  answers "Aggiornamento terminato!"; `/proc/PID/status` of the exe's Wine process is sampled
  about every millisecond.
- A run whose program says nothing at all (Wine did not get it going) is tried once more, and
  the page says so; a program's stderr is kept and shown in any error.  The results are
  written to disk after every run, so a run that dies keeps what it measured.

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
""".format(date=results.get("date", "?"), host=host_line(results),
           machine=results.get("machine", "?"), wine=results.get("wine", "wine"),
           fs=results.get("filesystem", "?"), load_build=_load(results, "build"),
           load_start=_load(results, "start"), load_end=_load(results, "end"), bytes=a["bytes"],
           entries=a["entries"], stored=a["stored"], gen=a["gen_s"], unzip=a["unzip"],
           runs=results["runs"], slow=SLOW_MS, installer=results.get("installer", "-"),
           sections="\n\n".join(sections), plot=plot_name, scaling="\n\n".join(scalings),
           notes=notes, raw="\n\n".join(raws))
    kept = None
    if os.path.exists(path):
        with open(path) as f:
            kept = versus_block(f.read())
    with open(path, "w") as f:
        f.write(put_versus(text, kept) if kept else text)
