"""Checks of the benchmark's host side: the figures it reads from /proc, the
verdicts it prints and the plot it draws."""
import os
import struct
import json
import subprocess
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import bench  # noqa: E402
import measure  # noqa: E402
import plot  # noqa: E402
import procmem  # noqa: E402
import report  # noqa: E402
from stats import median, ratio, slow_share, slow_writes, stretches, verdict  # noqa: E402
from wine import Program, StartFailed, expect_line, winpath  # noqa: E402

MIB = 1024 * 1024


def results(payload_ms, copy_ms, naive_ms, start_anon, overhead, file_ms=None, way="mapped",
            replace_ms=None, current_ms=None, lastbyte_ms=None):
    file_ms = payload_ms if file_ms is None else file_ms
    ms = lambda v: {"payload-mapped": [v[0]] * 3, "payload-file": [v[3]] * 3,  # noqa: E731
                    "payload-replace": [replace_ms or v[0]] * 3, "copyfile": [v[1]] * 3,
                    "copyfile-replace": [v[1]] * 3, "naive": [v[2]] * 3,
                    "naive-noflush": [v[2]] * 3, "payload-current": [current_ms or v[0]] * 3,
                    "payload-lastbyte": [lastbyte_ms or v[0]] * 3}
    one = {
        "way": way,
        "sizes": [{"bytes": 25_000_000, "write": ms((1, 1, 1, 1)),
                   "write_peak_anon": ms((0, 0, 0, 0))},
                  {"bytes": 208_304_732, "write": ms((payload_ms, copy_ms, naive_ms, file_ms)),
                   "write_peak_anon": ms((MIB, MIB, 200 * MIB, 5 * MIB))}],
        "install": {"ms": {"silent": [400] * 3, "clicked": [2400] * 3, "nsis": [800] * 3}},
        "startup": {"big": [110, 120, 130], "small": [100, 100, 100], "big_bytes": 208_700_000,
                    "small_bytes": 4_400_000},
        "memory": {"start_anon": [start_anon] * 3, "peak_anon": [start_anon] * 3,
                   "peak_hwm": [220 * MIB] * 3, "written_ms": [200] * 3,
                   "small_start_anon": [start_anon] * 3},
        "exe": {"exe_bytes": 208_304_732 + overhead, "archive_bytes": 208_304_732,
                "overhead": overhead},
        "build": {"scratch_s": 19.0, "reembed_s": 21.0},
    }
    return {"mode": "full", "runs": 3, "host": {"kernel": "6.1", "runs_32bit": True},
            "skipped": {"64": "no `win64` build preset in this tree"}, "bits": {"32": one}}


class StatsTest(unittest.TestCase):
    def test_median_ratio_and_verdict_edges(self):
        self.assertEqual(median([3, 1, 2]), 2)
        self.assertEqual(median([4, 1, 2, 3]), 2.5)
        self.assertIsNone(median([]))
        self.assertIsNone(ratio(1, 0))
        self.assertEqual(verdict(1.0, 1.0), "met")
        self.assertEqual(verdict(1.0001, 1.0), "missed")
        self.assertEqual(verdict(None, 1.0), "-")


class SlowWritesTest(unittest.TestCase):
    def test_stretches_of_four_mib_from_written_samples(self):
        mib = 1024 * 1024
        for io, expected in (
                ([], []),
                ([(0.0, 10)], []),
                # one write per sample: each stretch ends where its bytes are all written
                ([(0.0, 10), (1.0, 10 + 4 * mib), (13.0, 10 + 8 * mib)], [1.0, 12.0]),
                # small writes: a stretch ends at the first sample past its last byte
                ([(0.0, 0), (2.0, 3 * mib), (3.0, 5 * mib), (9.0, 8 * mib)], [3.0, 6.0]),
                # one sample past two stretches: they share its time
                ([(0.0, 0), (10.0, 8 * mib)], [5.0, 5.0]),
                # a tail shorter than a stretch is not a stretch
                ([(0.0, 0), (1.0, 4 * mib), (50.0, 6 * mib)], [1.0])):
            self.assertEqual(stretches(io), expected, io)

    def test_a_run_counts_writes_over_five_ms(self):
        self.assertEqual(slow_writes([1.0, 5.0, 5.1, 12.0], "process"),
                         {"n": 4, "slow": 2, "max": 12.0, "source": "process"})
        self.assertEqual(slow_writes([], "write_bytes")["n"], 0)
        runs = [slow_writes([1, 1, 9], "p"), slow_writes([1, 1, 1], "p"), None,
                slow_writes([], "p"), slow_writes([6, 7], "p")]
        self.assertEqual(slow_share(runs), (3, 8, 2, 3))


class RobustnessTest(unittest.TestCase):
    SH = ["/bin/sh", "-c"]

    def test_a_program_that_says_nothing_did_not_start_and_its_stderr_is_kept(self):
        program = Program(self.SH + ["echo 'wine: could not load' >&2; exit 3"], os.environ)
        try:
            with self.assertRaises(StartFailed) as caught:
                expect_line(program, "ready", timeout=10)
        finally:
            program.close()
        self.assertIn("could not load", str(caught.exception))
        self.assertIn("exit 3", str(caught.exception))
        program = Program(self.SH + ["echo hello; echo oops >&2"], os.environ)
        try:
            with self.assertRaises(RuntimeError) as caught:
                expect_line(program, "ready", timeout=10)
        finally:
            program.close()
        self.assertNotIsInstance(caught.exception, StartFailed)
        self.assertIn("'hello'", str(caught.exception))
        self.assertIn("oops", str(caught.exception))

    def test_a_hung_program_is_given_up_after_the_timeout(self):
        program = Program(self.SH + ["sleep 30"], os.environ)
        try:
            with self.assertRaises(StartFailed):
                expect_line(program, "ready", timeout=0.3)
        finally:
            program.close()

    def test_a_run_that_did_not_start_is_retried_once_and_said(self):
        for failures, error, result, tries, retried in (
                (0, StartFailed, 7, 1, False), (1, StartFailed, 7, 2, True),
                (2, StartFailed, None, 2, True), (1, RuntimeError, None, 1, False)):
            calls, retries, saves = [], [], []

            def once():
                calls.append(1)
                if len(calls) <= failures:
                    raise error("boom")
                return 7

            if result is None:
                with self.assertRaises(error):
                    measure.retrying("x, run 1", once, retries, lambda: saves.append(1))
            else:
                self.assertEqual(measure.retrying("x, run 1", once, retries,
                                                  lambda: saves.append(1)), result)
            self.assertEqual(len(calls), tries)
            self.assertEqual([r["what"] for r in retries], ["x, run 1"] if retried else [])
            self.assertEqual(len(saves), len(retries))

    def test_partial_results_are_on_disk_and_a_failed_part_is_kept(self):
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "full.partial.json")
            out = {"sizes": [{"write": {"copyfile": [1.0]}}]}
            save = lambda: bench.save_json(path, out)  # noqa: E731

            def dies():
                out["sizes"][0]["write"]["copyfile"].append(2.0)
                raise RuntimeError("expected 'ready', got []")

            bench.section(out, "208 MB writes", dies, save)
            bench.section(out, "installs", lambda: out.update(install={"ms": {}}), save)
            with open(path) as f:
                saved = json.load(f)
            self.assertEqual(os.listdir(folder), ["full.partial.json"])
        self.assertEqual(saved["sizes"][0]["write"]["copyfile"], [1.0, 2.0])
        self.assertEqual([e["section"] for e in saved["errors"]], ["208 MB writes"])
        self.assertIn("got []", saved["errors"][0]["error"])
        self.assertIn("install", saved)

    def test_histories_differ_from_the_archive_only_where_they_say(self):
        with tempfile.TemporaryDirectory() as folder:
            archive = os.path.join(folder, "a.zip")
            with open(archive, "wb") as f:
                f.write(bytes(range(256)) * 20000)   # more than one 4 MiB chunk
            for history, where in (("identical", None), ("older", 0), ("decoy", 0),
                                   ("last-byte", 256 * 20000 - 1)):
                copy = os.path.join(folder, history)
                measure.put_copy(archive, copy, measure.FLIPPED[history])
                with open(archive, "rb") as a, open(copy, "rb") as c:
                    x, y = a.read(), c.read()
                expected = bytearray(x)
                if where is not None:
                    expected[where] ^= 0xFF
                self.assertTrue(bytes(expected) == y, history)


class ReportTest(unittest.TestCase):
    R12 = "ratio 1/2 (the updater's way against the system's copy)"

    def verdicts(self, r):
        return {name: ok for name, _, _, ok in report.rows(report.bitness(r, "32"))}

    def test_ratios_are_taken_at_the_largest_archive(self):
        v = self.verdicts(results(200, 214, 351, 6 * MIB, 423_332))
        self.assertEqual(v[self.R12], "met")
        self.assertEqual(v["ratio 1/3"], "met")
        self.assertEqual(v["ratio 4 big/4 small"], "met")   # 120 / 100
        self.assertEqual(v["6. exe size minus archive size"], "missed")
        v = self.verdicts(results(300, 214, 351, 9 * MIB, 160_000))
        self.assertEqual(v[self.R12], "missed")
        self.assertEqual(v["ratio 1/3"], "missed")
        self.assertEqual(v["5. private memory (RssAnon) at start, window ready"], "missed")
        self.assertEqual(v["6. exe size minus archive size"], "met")

    def test_the_file_way_wins_only_below_nine_tenths_of_the_mapped_way(self):
        for file_ms, best in ((178, "file"), (180, "mapped"), (250, "mapped")):
            r = results(200, 214, 351, 6 * MIB, 0, file_ms=file_ms, way="file")
            self.assertEqual(report.winner(report.bitness(r, "32")), best, file_ms)
            way = [v for n, v, _, _ in report.rows(report.bitness(r, "32"))
                   if n.startswith("the updater's way")]
            self.assertEqual(way, ["file"])
            self.assertEqual(self.verdicts(r)["the updater's way (measured winner: %s)" % best],
                             "met" if best == "file" else "missed")

    def test_replace_and_current_copy_targets(self):
        # 1 = 200 ms (mapped); 1r within 1.1 times; c within 0.3 times; cl within c + 1.
        for replace_ms, current_ms, lastbyte_ms, verdicts in (
                (220, 60, 260, ("met", "met", "met")),
                (221, 61, 261, ("missed", "missed", "met")),
                (200, 40, 241, ("met", "met", "missed"))):
            v = self.verdicts(results(200, 214, 351, 6 * MIB, 0, replace_ms=replace_ms,
                                      current_ms=current_ms, lastbyte_ms=lastbyte_ms))
            self.assertEqual((v["ratio 1r/1 (replacing against a new file, the updater's way)"],
                              v["ratio c/1 (an identical copy against a new file, warm cache)"],
                              v["ratio cl/(c + 1) (last byte differs, against one compare plus "
                                "one write)"]), verdicts, replace_ms)

    def test_a_second_pass_gives_the_current_copy_figures_against_its_own_1(self):
        r = results(200, 214, 351, 6 * MIB, 0, current_ms=200)
        r["bits"]["32"]["current_pass"] = {"size": {"bytes": 208_304_732, "write": {
            "payload-mapped": [100.0], "payload-current": [25.0], "payload-lastbyte": [120.0]}}}
        rows = {row[0]: row[3] for row in report.write_rows(report.bitness(r, "32"))}
        self.assertEqual((rows["1m"], rows["c"], rows["1m*"], rows["c*"], rows["cl*"]),
                         ("200 ms", "200 ms", "100 ms", "25 ms", "120 ms"))
        values = {n: x for n, x, _, _ in report.rows(report.bitness(r, "32"))}
        self.assertEqual(values["ratio c/1 (an identical copy against a new file, warm cache)"],
                         "1.00")
        self.assertEqual(values["ratio c/1 (an identical copy against a new file, warm cache) "
                                "(second pass *)"], "0.25")
        self.assertEqual(values["ratio cl/(c + 1) (last byte differs, against one compare plus "
                                "one write) (second pass *)"], "0.96")

    def test_a_run_that_stopped_part_way_still_renders(self):
        r = results(200, 214, 351, 6 * MIB, 0)
        one = r["bits"]["32"]
        for part in ("install", "startup", "memory", "exe"):
            del one[part]
        one["sizes"][1]["write"] = {"payload-mapped": [200.0]}
        one["errors"] = [{"section": "208 MB writes", "error": "RuntimeError: got []"}]
        one["retries"] = [{"what": "copyfile, 208 MB, run 1", "error": "expected 'ready'"}]
        text = report.console(dict(r, load={}))
        self.assertIn("FAILED (?): 208 MB writes: RuntimeError: got []", text)
        self.assertIn("retried once (?): copyfile, 208 MB, run 1 did not start", text)
        self.assertRegex(text, r"ratio 1/2 \(the updater's way against the system's copy\) +- ")

    def test_slow_writes_beside_the_median(self):
        r = results(200, 214, 351, 6 * MIB, 0)
        big = r["bits"]["32"]["sizes"][1]
        big["slow"] = {"payload-mapped": [slow_writes([1, 12], "process"),
                                          slow_writes([1, 1], "process")]}
        big["slow_io"] = {"payload-mapped": [slow_writes([30], "write_bytes")] * 2,
                          "copyfile": [slow_writes([1, 9, 9, 1], "write_bytes")]}
        big["rewritten"] = {"payload-current": [False, True, False]}
        big["steps"] = {"payload-mapped": [{"write": 150.0, "flush": 30.0, "rename": 2.0,
                                            "read": 0.0}, None, None]}
        self.assertEqual(report.step_rows(report.bitness(r, "32")),
                         [("1m", "200 ms", "150 ms", "30 ms", "2 ms", "0 ms", "18 ms")])
        # 1r (200 ms) spent 100 ms in its writes against 1m's 150: outside them it took 50 more.
        big["steps"]["payload-replace"] = [{"write": 100.0, "rename": 40.0}] * 3
        values = {n: x for n, x, _, _ in report.rows(report.bitness(r, "32"))}
        self.assertEqual(values["1r - 1 outside the 4 MiB writes (medians of each run's total "
                                "minus its writes)"], "50 ms")
        self.assertEqual(values["ratio (1 + that)/1: 1r/1 with 1's write loop"], "1.25")
        rows = {row[0]: row for row in report.write_rows(report.bitness(r, "32"))}
        self.assertEqual(rows["1m"][3:6], ("200 ms", "1 of 4 (25%), timed in process", "1 of 2"))
        self.assertEqual(rows["2"][4:6], ("2 of 4 (50%), from write_bytes", "1 of 1"))
        self.assertEqual(rows["3"][4:7], ("-", "-", ""))
        self.assertEqual(rows["c"][6], "1 of 3")

    def test_build_limits(self):
        v = self.verdicts(results(200, 214, 351, 6 * MIB, 0))
        names = [n for n in v if n.startswith("build of")]
        self.assertEqual([v[n] for n in names], ["met"])
        self.assertEqual(v["re-embedding a changed archive (incremental)"], "missed")

    def test_page_holds_table_plot_and_notes(self):
        r = results(200, 214, 351, 6 * MIB, 423_332)
        r.update(date="today", machine="m", wine="w", filesystem="ext4",
                 archive={"bytes": 208_304_732, "entries": 3390, "stored": 373, "gen_s": 9.0,
                          "unzip": "passed"})
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "page.md")
            report.write_page(path, r, "plot.png", "A note.")
            with open(path) as f:
                text = f.read()
        self.assertIn("| %s | 0.93 | <= 1.0 | met |" % self.R12, text)
        self.assertIn("![Write time against archive size](plot.png)", text)
        self.assertIn("| 208.3 MB | 200 ms | 200 ms | 200 ms | 214 ms | 214 ms | 351 ms |", text)
        self.assertIn("| ratio 7 ours silent/NSIS (new file) | 0.50 |  |  |", text)
        self.assertIn("Host: Linux kernel 6.1; 32-bit programs run.", text)
        self.assertIn("64-bit: not measured, no `win64` build preset", text)
        self.assertIn("A note.", text)

    def test_side_by_side_gives_both_builds_the_same_runs_before_them(self):
        runs = [run for turn in range(8)
                for run in measure.side_by_side_order(("clicked", "silent"), ["new", "old"], turn)]
        self.assertEqual(len(runs), 32)
        # What ran just before each run (kinds, and whether the same build):
        # the same for both builds but for the very first run.
        for depth in (1, 2, 3):
            seen = {}
            for i in range(depth, len(runs)):
                kind, which = runs[i]
                before = tuple((k, w == which) for k, w in runs[i - depth:i])
                seen.setdefault((kind, before), {"new": 0, "old": 0})[which] += 1
            for context, counts in seen.items():
                self.assertLessEqual(abs(counts["new"] - counts["old"]), 1, (depth, context))

    def test_versus_gives_new_over_old_per_bitness_and_install(self):
        ms = {"clicked old": [2400, 2500, 9000], "clicked new": [2448, 2450, 2460],
              "silent old": [600], "silent new": [619]}
        r = {"runs": 3, "archive": {"bytes": 208_304_732}, "date": "today",
             "base": {"ref": "main~2", "commit": "3c31013abcdef", "subject": 'a "b"'},
             "head": {"commit": "1234567890", "dirty": True},
             "bits": {"32": {"install": {"ms": ms, "slow_io": {
                 "silent old": [slow_writes([1, 9, 9], "write_bytes")]},
                 "parts": {"clicked old": {"ready": [400, 500]}, "clicked new": {"ready": [495]}}}},
                      "64": {"install": {"ms": {"clicked old": [100]}}}}}
        self.assertEqual([row[:6] for row in report.versus_rows(r)], [
            ("32", "clicked", 2500, 2450, 0.98, "met"),
            ("32", "silent", 600, 619, 619 / 600, "missed"),    # 1.032 > 1.02
            ("64", "clicked", 100, None, None, "-"),
            ("64", "silent", None, None, None, "-")])
        self.assertEqual(report.versus_rows(r)[1][6:], ("2 of 3", "-"))
        block = report.versus_markdown(r)
        self.assertIn("| 32-bit | button pressed, box answered at once | 2500 ms | 2450 ms | 0.98 "
                      "| <= 1.02 | met |", block)
        self.assertIn("3c31013 (old) | 1234567+ (new)", block)
        self.assertIn("- 32-bit clicked old: 2400, 2500, 9000 ms", block)
        self.assertIn("| 32-bit | clicked: start to window ready | 450 ms | 495 ms | 1.10 |", block)
        self.assertNotIn("box answered to exit", block)    # no run recorded it
        # Put before the scaling section, replaced in place, kept by a full run's page.
        for page, expected in (("# B\n\n## Scaling\n", "# B\n\nX\n\n## Scaling\n"),
                               ("# B\n", "# B\n\nX\n")):
            x = report.VERSUS_BEGIN + "X" + report.VERSUS_END
            self.assertEqual(report.put_versus(page, x), expected.replace("X", x))
            self.assertEqual(report.put_versus(report.put_versus(page, block), x),
                             expected.replace("X", x))
        full = results(200, 214, 351, 6 * MIB, 0)
        full.update(archive={"bytes": 1, "entries": 1, "stored": 1, "gen_s": 1.0, "unzip": "-"})
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "page.md")
            with open(path, "w") as f:
                f.write("old page\n" + block)
            report.write_page(path, full, "plot.png", "A note.")
            with open(path) as f:
                text = f.read()
        self.assertNotIn("old page", text)
        self.assertEqual(report.versus_block(text), block)
        self.assertLess(text.index(block), text.index("## Scaling"))


class ProcTest(unittest.TestCase):
    def test_reads_this_process(self):
        status = procmem.read_status(os.getpid())
        self.assertGreater(status["RssAnon"], 0)
        self.assertGreaterEqual(status["VmHWM"], status["VmRSS"] // 2)
        self.assertIsNone(procmem.read_status(2 ** 22 + 12345))

    def test_finds_a_process_by_program_name_and_prefix_only(self):
        env = dict(os.environ, WINEPREFIX="/tmp/bench-test-prefix")
        child = subprocess.Popen(["sleep", "5"], env=env)
        try:
            self.assertEqual(procmem.find_wine_process("sleep", "/tmp/bench-test-prefix", 5),
                             child.pid)
            self.assertIsNone(procmem.find_wine_process("sleep", "/tmp/other-prefix", 0.2))
            self.assertIsNone(procmem.find_wine_process("slee", "/tmp/bench-test-prefix", 0.2))
        finally:
            child.kill()
            child.wait()


class PlotTest(unittest.TestCase):
    def test_draws_a_png_of_the_set_size(self):
        series = [("1", "#1f77b4", [(25, 0.03), (208, 0.2)]), ("2", "#2ca02c", [(25, 0.04)])]
        with tempfile.TemporaryDirectory() as folder:
            path = os.path.join(folder, "p.png")
            plot.write_png(path, series, "t", "x", "y")
            with open(path, "rb") as f:
                head = f.read(33)
        self.assertEqual(head[:8], b"\x89PNG\r\n\x1a\n")
        self.assertEqual(struct.unpack(">II", head[16:24]), (plot.WIDTH, plot.HEIGHT))
        self.assertEqual(zlib.crc32(head[12:29]), struct.unpack(">I", head[29:33])[0])

    def test_axis_covers_every_point(self):
        text = plot.mvg([("a", "#000", [(208.3, 0.351)])], "t", "x", "y")
        self.assertIn("text-anchor middle text", text)
        self.assertIn("'250'", text)   # x axis runs past 208.3 to a round tick
        self.assertIn("'0.4'", text)   # y axis past 0.351


class PathTest(unittest.TestCase):
    def test_linux_paths_become_drive_z(self):
        self.assertEqual(winpath("/work/a b/x.zip"), "Z:\\work\\a b\\x.zip")
        self.assertEqual(winpath("/work/dir", folder=True), "Z:\\work\\dir\\")


if __name__ == "__main__":
    unittest.main()
