#!/usr/bin/env python3
"""Round trips through lumarso-patchgen: every delta is decoded by xdelta3
(an independent VCDIFF decoder) and must give the new file byte for byte.

Also checks what a decoder one window at a time relies on (the magic, no
checksum extension, target windows of at most 4 MiB), that moved content
costs almost nothing, and how the program fails."""
import argparse
import os
import random
import re
import subprocess
import sys
import tempfile
import zipfile

WINDOW = 4 << 20
MAGIC = b"\xd6\xc3\xc4\x00"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--patchgen", required=True)
    ap.add_argument("--xdelta3", required=True)
    ap.add_argument("--make-manual", required=True)
    args = ap.parse_args()
    failures = []
    with tempfile.TemporaryDirectory(prefix="patchgen-") as tmp:
        def path(name):
            return os.path.join(tmp, name)

        def write(name, data):
            with open(path(name), "wb") as f:
                f.write(data)
            return path(name)

        def manual(name, *extra):
            subprocess.run([sys.executable, args.make_manual, "--out", path(name), "--size", "3000000",
                            "--entries", "120", "--stored", "16", *extra], check=True, stderr=subprocess.DEVNULL)
            return path(name)

        rng = random.Random(16)
        noise = rng.randbytes(WINDOW + 70000)
        near_window = noise[:WINDOW]
        # Old and new as pairs: (name, old, new, largest delta: a share of the new file, or bytes when
        # 1 or more, or None; options).  A copy found whole costs a dozen bytes, so every byte must be
        # found where a pair is one or two copies.
        old = manual("old.zip")
        cases = [
            ("identical manual", old, old, 32),
            ("10% of the entries edited", old, manual("changed.zip", "--change", "10"), None),
            ("entries added", old, manual("added.zip", "--add", "3"), 0.05),
            ("entries removed", old, manual("removed.zip", "--remove", "3"), 0.01),
            ("entries renamed", old, manual("renamed.zip", "--rename", "5"), 0.01),
            ("entries reordered", old, manual("reordered.zip", "--reorder"), 0.01),
            ("all of those", old, manual("all.zip", "--change", "5", "--add", "1", "--remove", "1",
                                         "--rename", "2", "--reorder"), None),
            ("another manual", old, manual("other.zip", "--seed", "7"), None),
            ("empty to empty", write("e", b""), path("e"), None),
            ("empty to bytes", path("e"), write("abc", b"abc"), None),
            ("bytes to empty", path("abc"), path("e"), None),
            ("one byte, same", write("x1", b"x"), path("x1"), None),
            ("one byte, other", path("x1"), write("y1", b"y"), None),
            ("a few bytes", write("few", b"hello, world"), write("few2", b"hello, there, world"), None),
            ("a run of one byte", path("e"), write("run", b"\0" * 5000 + b"z" * 3), None),
            ("exactly one window", write("w", near_window), write("w2", near_window[::-1]), None),
            ("one window, same", path("w"), path("w"), 32),
            ("a window less one", write("wm", noise[:WINDOW - 1]), write("wm2", noise[1:WINDOW]), 32),
            ("a window and one", write("wp", noise[:WINDOW + 1]), write("wp2", noise[5:WINDOW + 1] + b"tail"), 0.001),
            # A copy across the window boundary, and the tail moved to the front.
            ("moved across windows", path("wp"),
             write("mv", noise[WINDOW - 1000:WINDOW + 1] + b"edit" + noise[:WINDOW - 1000]), 64),
            # Copies cut by a window boundary into 4-6 byte pieces, next to 1-2
            # new bytes: the code table's combined instructions.
            ("4 copied bytes, then 1 new", write("big", noise),
             write("cut4", noise[:WINDOW + 4] + bytes([noise[WINDOW + 4] ^ 1]) + noise[100_000:103_000]), 0.001),
            ("2 new bytes, then 5 copied", path("big"),
             write("cut5", noise[:WINDOW - 7] + bytes([noise[WINDOW - 7] ^ 1, noise[WINDOW - 6] ^ 1])
                   + noise[2_000_000:2_000_105]), 0.001),
            ("2 new bytes, 4 copied again", path("big"),
             write("cut4again", noise[:WINDOW - 6] + bytes([noise[WINDOW - 6] ^ 1, noise[WINDOW - 5] ^ 1])
                   + noise[:200]), 0.001),
            # The other matching method the program offers.
            ("content anchors, edited", old, path("all.zip"), None, "--anchors=content"),
            ("content anchors, moved", path("wp"), path("mv"), 0.001, "--anchors=content"),
        ]
        # The derived editions are sound archives that differ as asked.
        def names(p):
            with zipfile.ZipFile(p) as z:
                if z.testzip() is not None:
                    failures.append("%s: a damaged entry" % p)
                return z.namelist()
        base = names(old)
        derived = {"added.zip": (len(base) + 3, 3), "removed.zip": (len(base) - 3, 0),
                   "renamed.zip": (len(base), 5), "reordered.zip": (len(base), 0)}
        for f, (count, new_names) in derived.items():
            got = names(path(f))
            if len(got) != count or len(set(got) - set(base)) != new_names:
                failures.append("%s: %d entries, %d new names" % (f, len(got), len(set(got) - set(base))))
        if names(path("reordered.zip")) == base:
            failures.append("reordered.zip: the order did not change")

        for i, (name, a, b, bound, *options) in enumerate(cases):
            delta = path("d%d.vcdiff" % i)
            out = path("out%d" % i)
            run = subprocess.run([args.patchgen, *options, a, b, delta], capture_output=True, text=True)
            if run.returncode != 0:
                failures.append("%s: lumarso-patchgen exit %d: %s" % (name, run.returncode, run.stderr.strip()))
                continue
            if len(run.stdout.strip().splitlines()) != 1:
                failures.append("%s: figures not on one line: %r" % (name, run.stdout))
            dec = subprocess.run([args.xdelta3, "-d", "-f", "-s", a, delta, out], capture_output=True, text=True)
            with open(b, "rb") as f:
                want = f.read()
            got = open(out, "rb").read() if os.path.exists(out) else None
            if dec.returncode != 0 or got != want:
                failures.append("%s: xdelta3 -d exit %d, %s" % (
                    name, dec.returncode, "output differs" if got is not None else dec.stderr.strip()))
                continue
            with open(delta, "rb") as f:
                head = f.read(5)
            size = os.path.getsize(delta)
            if head != MAGIC + b"\0":
                failures.append("%s: header %s" % (name, head.hex()))
            hdrs = subprocess.run([args.xdelta3, "printhdrs", delta], capture_output=True, text=True).stdout
            windows = [int(n) for n in re.findall(r"target window length:\s+(\d+)", hdrs)]
            if not windows or max(windows) > WINDOW or sum(windows) != len(want):
                failures.append("%s: target windows %s" % (name, windows))
            if "ADLER32" in hdrs:
                failures.append("%s: a window carries a checksum" % name)
            limit = None if bound is None else bound if bound >= 1 else max(64, bound * len(want))
            if limit is not None and size > limit:
                failures.append("%s: delta of %d bytes, more than %d" % (name, size, limit))
            print("ok   %-26s %9d -> %9d bytes: delta %8d" % (name, os.path.getsize(a), len(want), size))

        # Several earlier editions, each an edition of the one after it, to the
        # newest: one pool and one delta each, every delta decoded by xdelta3
        # against its edition followed by the pool.  Together they stay
        # within 1.25 times the delta from the oldest alone.
        for k in (2, 3):
            editions = [manual("gen%d.zip" % g, "--change", "2", "--add", "1", "--remove", "1",
                               "--derive-seed", "30", "--generations", str(g)) for g in range(k, 0, -1)]
            pool = path("pool%d" % k)
            argv = [args.patchgen, "--pool=" + pool, old]
            for g, e in enumerate(editions):
                argv += [e, path("k%d-%d.vcdiff" % (k, g))]
            run = subprocess.run(argv, capture_output=True, text=True)
            if run.returncode != 0 or len(run.stdout.strip().splitlines()) != k + 1:
                failures.append("%d editions: exit %d, %r" % (k, run.returncode, run.stdout + run.stderr))
                continue
            with open(old, "rb") as f:
                want = f.read()
            pool_bytes = open(pool, "rb").read()
            total = len(pool_bytes)
            for g, e in enumerate(editions):
                delta = path("k%d-%d.vcdiff" % (k, g))
                total += os.path.getsize(delta)
                source = write("k%d-source%d" % (k, g), open(e, "rb").read() + pool_bytes)
                out = path("k%d-out%d" % (k, g))
                dec = subprocess.run([args.xdelta3, "-d", "-f", "-s", source, delta, out], capture_output=True, text=True)
                if dec.returncode != 0 or open(out, "rb").read() != want:
                    failures.append("%d editions, from %s: xdelta3 -d exit %d, %s" % (k, e, dec.returncode, dec.stderr.strip()))
            single = path("k%d-single.vcdiff" % k)
            subprocess.run([args.patchgen, editions[0], old, single], check=True, capture_output=True)
            if total > 1.25 * os.path.getsize(single):
                failures.append("%d editions: %d bytes with the pool, the oldest's delta alone %d" % (
                    k, total, os.path.getsize(single)))
            print("ok   %d editions, pooled       pool %d + deltas = %d bytes, the oldest alone %d" % (
                k, len(pool_bytes), total, os.path.getsize(single)))

        # Editions that share too little give up early under --max-share,
        # leave nothing behind, and say why; without it they are written.
        unrelated = write("unrelated", rng.randbytes(3_000_000))
        too_large = [
            ("another manual, over 50%", ["--max-share=50", old, path("other.zip"), path("big1")], [path("big1")]),
            ("noise, over 50%", ["--max-share=50", old, unrelated, path("big2")], [path("big2")]),
            ("pooled, one unrelated", ["--max-share=50", "--pool=" + path("bigpool"), old, path("all.zip"),
                                       path("big3"), unrelated, path("big4")],
             [path("bigpool"), path("big3"), path("big4")]),
        ]
        for name, argv, outputs in too_large:
            run = subprocess.run([args.patchgen, *argv], capture_output=True, text=True)
            left = [o for o in outputs if os.path.exists(o) or os.path.exists(o + ".part")]
            if run.returncode != 3 or "over 50% of the new edition" not in run.stderr or left:
                failures.append("%s: exit %d, left %s, message %r" % (name, run.returncode, left, run.stderr))
            else:
                print("ok   %-26s exit 3: %s" % (name, run.stderr.strip()[:100]))
        # A related pair passes the same limit.
        run = subprocess.run([args.patchgen, "--max-share=50", old, path("all.zip"), path("fine")],
                             capture_output=True, text=True)
        if run.returncode != 0:
            failures.append("a related pair under --max-share=50: exit %d %s" % (run.returncode, run.stderr))

        # Failures: a missing input, a wrong command line, an output folder
        # that does not exist; no partial delta is left behind.
        bad = [
            ("missing old file", [path("nothing"), old, path("bad1")], 1, path("bad1")),
            ("missing folder", [old, old, path("no/such/dir/d")], 1, path("no/such/dir/d.part")),
            ("two arguments", [old, old], 2, None),
            ("unknown option", ["--fast", old, old, path("bad3")], 2, path("bad3")),
        ]
        for name, argv, code, output in bad:
            run = subprocess.run([args.patchgen, *argv], capture_output=True, text=True)
            if run.returncode != code or not run.stderr.strip():
                failures.append("%s: exit %d (want %d), message %r" % (name, run.returncode, code, run.stderr))
            elif output and os.path.exists(output):
                failures.append("%s: left %s behind" % (name, output))
            else:
                print("ok   %-26s exit %d: %s" % (name, code, run.stderr.strip().splitlines()[0]))

    for f in failures:
        print("FAIL " + f)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
