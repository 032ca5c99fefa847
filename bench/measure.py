"""The measurements themselves: timed writes, start-up and memory, each run
in a fresh Wine process."""
import filecmp
import os
import shutil
import subprocess
import time

import procmem
from wine import Wine, expect_line, winpath

ZIP_NAME = "Lumarso2015.zip"
WRITE_METHODS = ("payload-mapped", "payload-file", "payload-replace", "copyfile", "naive",
                 "naive-noflush")


def _rotated(items, turn):
    turn %= len(items)
    return list(items[turn:]) + list(items[:turn])


def _empty(folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)


def _same(path, archive):
    if not os.path.exists(path) or not filecmp.cmp(path, archive, shallow=False):
        raise RuntimeError("%s does not equal %s" % (path, archive))


class Bench:
    def __init__(self, runner, prefix, scratch, launcher):
        self.wine = Wine(runner, prefix)
        self.scratch = scratch
        self.launcher = launcher

    def prepare(self):
        os.makedirs(os.path.dirname(self.wine.prefix), exist_ok=True)
        return self.wine.prepare(self.launcher)

    def _pid_of(self, exe):
        pid = procmem.find_wine_process(os.path.basename(exe), self.wine.prefix)
        if pid is None:
            raise RuntimeError("no Linux process found for " + exe)
        return pid

    def wine_version(self):
        done = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, text=True,
                              env=self.wine.env)
        return done.stdout.strip() or "wine"

    def _timed_write(self, exe, method, folder, archive):
        """One run: (milliseconds, peak RssAnon during the write)."""
        # payload-replace is the updater's own way over an older file.
        process = self.wine.start(exe, method.replace("payload-replace", "payload"),
                                  winpath(folder, folder=True), winpath(archive), "--wait")
        try:
            expect_line(process, "ready")
            pid = self._pid_of(exe)
            with procmem.PeakSampler(pid) as sampler:
                process.stdin.write("go\n")
                process.stdin.flush()
                ms = float(expect_line(process, "ms"))
                process.wait(timeout=60)
            return ms, sampler.peak_anon
        finally:
            if process.poll() is None:
                process.kill()

    def writes(self, exe, archive, runs):
        """Every write method, `runs` times each, taking turns."""
        folder = os.path.join(self.scratch, "writes")
        size = os.path.getsize(archive)
        out = {"bytes": size, "write": {m: [] for m in WRITE_METHODS},
               "write_peak_anon": {m: [] for m in WRITE_METHODS}}
        for turn in range(runs):
            for method in _rotated(WRITE_METHODS, turn):
                _empty(folder)
                target = os.path.join(folder, ZIP_NAME)
                if method == "payload-replace":
                    # An older, shorter manual in place, on disk before the run.
                    with open(archive, "rb") as src, open(target, "wb") as dst:
                        dst.write(src.read(size // 2))
                        dst.flush()
                        os.fsync(dst.fileno())
                os.sync()
                ms, peak = self._timed_write(exe, method, folder, archive)
                out["write"][method].append(ms)
                out["write_peak_anon"][method].append(peak)
                if turn == 0:
                    _same(target, archive)
                    leftovers = [n for n in os.listdir(folder) if n != ZIP_NAME]
                    if leftovers:
                        raise RuntimeError("%s left %s behind" % (method, leftovers))
        return out

    def updater_way(self, exe):
        """'file' or 'mapped': how the updater built with this exe reads."""
        process = self.wine.start(exe, "--way")
        try:
            way = expect_line(process, "way")
            process.wait(timeout=60)
            return way
        finally:
            if process.poll() is None:
                process.kill()

    def _total_ms(self, *args):
        """The launcher's "total": CreateProcess to the program's end."""
        process = self.wine.start(self.launcher, *args)
        try:
            ms = float(expect_line(process, "total"))
            code = expect_line(process, "exit")
            process.wait(timeout=60)
            if code != "0":
                raise RuntimeError("%s ended with %s" % (args, code))
            return ms
        finally:
            if process.poll() is None:
                process.kill()

    def installs(self, exe, installer, archive, runs):
        """Whole installs, start to exit, taking turns: the updater's silent
        install (/S /D=), the updater with its button pressed as soon as the
        window is ready and the box answered, and (when given) the NSIS
        installer's silent install (/S /D=)."""
        velto = os.path.join(self.scratch, "velto")
        host = os.path.join(velto, "Quadrivo")
        out = {"silent": [], "clicked": [], "nsis": []}
        kinds = ("silent", "clicked", "nsis") if installer else ("silent", "clicked")
        for turn in range(runs):
            for kind in _rotated(kinds, turn):
                _empty(host)
                open(os.path.join(host, "Quadrivo.exe"), "wb").close()
                os.sync()
                if kind == "clicked":
                    ms = self._total_ms(winpath(exe), "--install", winpath(velto, folder=True),
                                        "--now")
                else:
                    # /D= comes last and unquoted, for both.
                    program = exe if kind == "silent" else installer
                    ms = self._total_ms("--run", winpath(program), "/S", "/D=" + winpath(host))
                out[kind].append(ms)
                if turn == 0:
                    _same(os.path.join(host, ZIP_NAME), archive)
        return out

    def _ready_ms(self, exe):
        process = self.wine.start(self.launcher, winpath(exe))
        try:
            ms = float(expect_line(process, "ready"))
            expect_line(process, "exit")
            process.wait(timeout=60)
            return ms
        finally:
            if process.poll() is None:
                process.kill()

    def startup(self, big_exe, small_exe, runs):
        """CreateProcess to window ready, big and small exe taking turns.
        A start costs a few hundred ms and varies with the machine's load far
        more than with the exe, so each exe first starts once untimed and the
        pair is then timed 3 * `runs` times."""
        out = {"big": [], "small": [], "big_bytes": os.path.getsize(big_exe),
               "small_bytes": os.path.getsize(small_exe)}
        self._ready_ms(big_exe)
        self._ready_ms(small_exe)
        for turn in range(3 * runs):
            for which in _rotated(("big", "small"), turn):
                out[which].append(self._ready_ms(big_exe if which == "big" else small_exe))
        return out

    def _install(self, exe, archive):
        """The real exe, button pressed: (RssAnon at start, peak RssAnon,
        peak VmHWM, ms from press to the success box)."""
        velto = os.path.join(self.scratch, "velto")
        host = os.path.join(velto, "Quadrivo")
        _empty(host)
        open(os.path.join(host, "Quadrivo.exe"), "wb").close()
        os.sync()
        process = self.wine.start(self.launcher, winpath(exe), "--install",
                                  winpath(velto, folder=True))
        try:
            expect_line(process, "ready")
            pid = self._pid_of(exe)
            time.sleep(0.5)   # let the window settle before reading "at start"
            status = procmem.read_status(pid)
            with procmem.PeakSampler(pid) as sampler:
                process.stdin.write("go\n")
                process.stdin.flush()
                written = float(expect_line(process, "written"))
                expect_line(process, "exit")
                process.wait(timeout=60)
            if archive:
                _same(os.path.join(host, ZIP_NAME), archive)
            return status["RssAnon"], sampler.peak_anon, sampler.peak_hwm, written
        finally:
            if process.poll() is None:
                process.kill()

    def memory(self, big_exe, small_exe, archive, runs):
        out = {"start_anon": [], "peak_anon": [], "peak_hwm": [], "written_ms": [],
               "small_start_anon": []}
        for turn in range(runs):
            start, peak, hwm, written = self._install(big_exe, archive if turn == 0 else None)
            out["start_anon"].append(start)
            out["peak_anon"].append(peak)
            out["peak_hwm"].append(hwm)
            out["written_ms"].append(written)
            out["small_start_anon"].append(self._install(small_exe, None)[0])
        return out
