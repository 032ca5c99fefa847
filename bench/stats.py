"""Medians and ratios of repeated measurements."""
import statistics


def median(values):
    """Median of the measured values; None when nothing was measured."""
    values = [v for v in values if v is not None]
    return statistics.median(values) if values else None


def ratio(numerator, denominator):
    if numerator is None or not denominator:
        return None
    return numerator / denominator


def verdict(value, limit):
    """'met' / 'missed' against an upper limit, '-' when not measured."""
    if value is None:
        return "-"
    return "met" if value <= limit else "missed"


# A 4 MiB write on these VMs takes about 1 ms when the page cache has pages
# at hand and 10-15 ms when it has to get them back first; 5 ms parts the two.
SLOW_MS = 5.0
STEP = 4 * 1024 * 1024


def stretches(io, step=STEP):
    """Milliseconds each `step` bytes of writing took, from (ms, write_bytes)
    samples: the first is the last still moment before the writes, then one
    sample per move of the counter.  A stretch ends at the first sample that
    shows its last byte written."""
    if len(io) < 2:
        return []
    base_ms, base = io[0]
    out, previous, mark = [], base_ms, base + step
    for ms, written in io[1:]:
        if written < mark:
            continue
        # A sample late enough to show several stretches ends them all: they
        # share its time evenly (a large write() is seen only as a whole).
        crossed = 1 + (written - mark) // step
        out.extend([(ms - previous) / crossed] * crossed)
        previous = ms
        mark += step * crossed
    return out


def slow_writes(durations, source, limit=SLOW_MS):
    """One run's writes: how many, how many slower than `limit`, the slowest."""
    return {"n": len(durations), "slow": sum(1 for d in durations if d > limit),
            "max": max(durations) if durations else None, "source": source}


def slow_share(runs):
    """(slow writes, writes, runs with any slow write, runs seen) over the
    runs of one figure; runs that saw no write are left out."""
    seen = [r for r in runs if r and r.get("n")]
    return (sum(r["slow"] for r in seen), sum(r["n"] for r in seen),
            sum(1 for r in seen if r["slow"]), len(seen))
