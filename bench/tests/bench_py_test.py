"""Checks of the benchmark's host side: the figures it reads from /proc, the
verdicts it prints and the plot it draws."""
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."))

import plot  # noqa: E402
import procmem  # noqa: E402
import report  # noqa: E402
from stats import median, ratio, verdict  # noqa: E402
from wine import winpath  # noqa: E402

MIB = 1024 * 1024


def results(payload_ms, copy_ms, naive_ms, start_anon, overhead, file_ms=None, way="mapped"):
    file_ms = payload_ms if file_ms is None else file_ms
    ms = lambda v: {"payload-mapped": [v[0]] * 3, "payload-file": [v[3]] * 3,  # noqa: E731
                    "payload-replace": [v[0]] * 3, "copyfile": [v[1]] * 3, "naive": [v[2]] * 3,
                    "naive-noflush": [v[2]] * 3}
    one = {
        "way": way,
        "sizes": [{"bytes": 25_000_000, "write": ms((1, 1, 1, 1)),
                   "write_peak_anon": ms((0, 0, 0, 0))},
                  {"bytes": 208_304_732, "write": ms((payload_ms, copy_ms, naive_ms, file_ms)),
                   "write_peak_anon": ms((MIB, MIB, 200 * MIB, 5 * MIB))}],
        "install": {"silent": [400] * 3, "clicked": [2400] * 3, "nsis": [800] * 3},
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
        v = self.verdicts(results(300, 214, 351, 9 * MIB, 200_000))
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
        self.assertIn("| 208.3 MB | 200 ms | 200 ms | 200 ms | 214 ms | 351 ms |", text)
        self.assertIn("| ratio 7 ours silent/NSIS | 0.50 |  |  |", text)
        self.assertIn("Host: Linux kernel 6.1; 32-bit programs run.", text)
        self.assertIn("64-bit: not measured, no `win64` build preset", text)
        self.assertIn("A note.", text)


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
