"""The measurements themselves: timed writes, whole installs, start-up and
memory, each run in a fresh Wine process.

Every timed write gets the same history, because on these VMs fresh page
cache right after other large writes is slow and decides the whole run:
before each run, whatever the method, a file of the archive's size is
written and synced (as the old copy at the target, or as a decoy elsewhere
when the run writes a new file), the programs' own files are read once (so
their pages are cached), and the methods take turns in rotating order."""
import filecmp
import os
import shutil
import subprocess
import time

import procmem
from stats import slow_writes, stretches
from wine import StartFailed, Wine, expect_line, winpath

ZIP_NAME = "Lumarso2015.zip"
CHUNK = 4 * 1024 * 1024
DROP_CACHES = "/proc/sys/vm/drop_caches"

# What lies where before a timed run.  Each writes one file of the archive's size:
#   decoy      elsewhere, an older manual; nothing at the target (a new file)
#   older      at the target, an older manual of the same size (its first byte differs)
#   identical  at the target, a copy equal to the archive
#   last-byte  at the target, a copy differing only in its last byte
FLIPPED = {"decoy": 0, "older": 0, "identical": None, "last-byte": -1}

# Timed writes: name -> (the writer program's method, history, page cache dropped first).
WRITES = {
    "payload-mapped": ("payload-mapped", "decoy", False),
    "payload-file": ("payload-file", "decoy", False),
    "payload-replace": ("payload", "older", False),
    "copyfile": ("copyfile", "decoy", False),
    "copyfile-replace": ("copyfile", "older", False),
    "naive": ("naive", "decoy", False),
    "naive-noflush": ("naive-noflush", "decoy", False),
    "payload-current": ("payload", "identical", False),
    "payload-lastbyte": ("payload", "last-byte", False),
    "payload-cold": ("payload", "decoy", True),
    "payload-current-cold": ("payload", "identical", True),
    "payload-lastbyte-cold": ("payload", "last-byte", True),
}
WARM = tuple(name for name, (_, _, cold) in WRITES.items() if not cold)
COLD = tuple(name for name, (_, _, cold) in WRITES.items() if cold)
# Below the largest archive only these run: enough for the scaling table.
SCALED = ("payload-mapped", "payload-file", "payload-replace", "copyfile", "copyfile-replace",
          "naive")
CURRENT = ("payload-current", "payload-lastbyte")

# Whole installs, start to exit: name -> (program, history).
INSTALLS = {
    "silent": ("updater", "decoy"),
    "silent-replace": ("updater", "older"),
    "silent-current": ("updater", "identical"),
    "silent-lastbyte": ("updater", "last-byte"),
    "clicked": ("clicked", "decoy"),
    "nsis": ("nsis", "decoy"),
    "nsis-replace": ("nsis", "older"),
}
# The installs a baseline build is held against, side by side (bench.py --versus).
VERSUS_KINDS = ("clicked", "silent")
# What a clicked run's total is made of: CreateProcess to the window ready,
# the press to the success box ("written"), and the rest (the box answered to
# the end).
CLICKED_PARTS = ("ready", "written")


def _rotated(items, turn):
    turn %= len(items)
    return list(items[turn:]) + list(items[:turn])


def side_by_side_order(kinds, whiches, turn):
    """The runs of one turn of a side-by-side comparison of two builds:
    every (kind, which) once.  A run is slowed by the runs just before it:
    after two silent installs in a row, half the clicked ones met slow writes
    throughout (either build).  A rotation of the runs, where "new" always
    came after the other build's run of the kind before, gave one build that
    history twice as often as the other.  Here each build runs its kinds
    together, so no clicked run follows two silent ones, and each odd turn
    swaps the builds: over every two turns each build comes after exactly
    the runs the other came after."""
    order = list(whiches) if turn % 2 == 0 else list(reversed(whiches))
    return [(kind, which) for which in order for kind in kinds]


def _empty(folder):
    if os.path.isdir(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)


def _same(path, archive):
    if not os.path.exists(path) or not filecmp.cmp(path, archive, shallow=False):
        raise RuntimeError("%s does not equal %s" % (path, archive))


def put_copy(archive, path, flipped):
    """Writes a copy of `archive` as `path`, with the byte at `flipped`
    (0, -1, or None for none) changed, and syncs it."""
    buffer = bytearray(CHUNK)
    with open(archive, "rb") as src, open(path, "wb") as dst:
        while True:
            n = src.readinto(buffer)
            if not n:
                break
            dst.write(memoryview(buffer)[:n])
        if flipped is not None:
            src.seek(flipped, os.SEEK_END if flipped < 0 else os.SEEK_SET)
            byte = src.read(1)
            dst.seek(flipped, os.SEEK_END if flipped < 0 else os.SEEK_SET)
            dst.write(bytes([byte[0] ^ 0xFF]))
        dst.flush()
        os.fsync(dst.fileno())


def read_through(*paths):
    """Reads files once, so that their pages are cached."""
    buffer = bytearray(CHUNK)
    for path in paths:
        with open(path, "rb", buffering=0) as f:
            while f.readinto(buffer):
                pass


def drop_caches():
    """Empties the page cache (root only).  True when the host allowed it."""
    os.sync()
    try:
        with open(DROP_CACHES, "w") as f:
            f.write("3\n")
        return True
    except OSError:
        return False


def _identity(path):
    try:
        st = os.stat(path)
    except FileNotFoundError:
        return None
    return (st.st_ino, st.st_mtime_ns, st.st_size)


def retrying(what, once, retries, save):
    """once(), tried a second time when the program did not start; every
    retry is kept in `retries` (and so shown on the page)."""
    try:
        return once()
    except StartFailed as error:
        retries.append({"what": what, "error": str(error),
                        "when": time.strftime("%H:%M:%S")})
        save()
        print("bench: %s did not start, trying once more: %s" % (what, error), flush=True)
        return once()


class Bench:
    def __init__(self, runner, prefix, scratch, launcher, retries, save):
        self.wine = Wine(runner, prefix)
        self.scratch = scratch
        self.launcher = launcher
        self.retries = retries     # list the retries go into
        self.save = save           # writes what was measured so far to disk
        self.target_dir = os.path.join(scratch, "writes")
        self.decoy_dir = os.path.join(scratch, "decoy")

    def prepare(self):
        os.makedirs(os.path.dirname(self.wine.prefix), exist_ok=True)
        return self.wine.prepare(self.launcher)

    def _pid_of(self, exe):
        pid = procmem.find_wine_process(os.path.basename(exe), self.wine.prefix)
        if pid is None:
            raise RuntimeError("no Linux process found for " + exe)
        return pid

    def _finder(self, exe):
        name, prefix = os.path.basename(exe), self.wine.prefix
        return lambda: procmem.find_wine_process(name, prefix, timeout=0.5, pause=0.002)

    def wine_version(self):
        done = subprocess.run(["wine", "--version"], stdout=subprocess.PIPE, text=True,
                              env=self.wine.env)
        return done.stdout.strip() or "wine"

    def lay_history(self, history, archive, target_dir, cold, *programs):
        """The same history for every run: one synced file of the archive's
        size, where `history` says; then the programs' files read (or, for a
        cold run, the whole page cache dropped).  Returns the target's
        identity before the run."""
        _empty(target_dir)
        _empty(self.decoy_dir)
        where = self.decoy_dir if history == "decoy" else target_dir
        put_copy(archive, os.path.join(where, ZIP_NAME), FLIPPED[history])
        if cold:
            if not drop_caches():
                raise RuntimeError("the host refused to drop the page cache")
        else:
            read_through(*programs)
            os.sync()
        return _identity(os.path.join(target_dir, ZIP_NAME))

    def _timed_write(self, exe, method, archive):
        """One run: (ms, peak RssAnon, in-process write times or None, io
        samples, bytes of the copy in place compared or None, {step: ms} of
        the flush, rename and reads or None)."""
        process = self.wine.start(exe, method, winpath(self.target_dir, folder=True),
                                  winpath(archive), "--wait")
        try:
            expect_line(process, "ready")
            with procmem.PeakSampler(self._pid_of(exe)) as sampler:
                process.stdin.write("go\n")
                process.stdin.flush()
                ms = float(expect_line(process, "ms"))
                writes = compared = steps = None
                if method.startswith("payload"):
                    writes = [float(v) for v in expect_line(process, "writes").split()]
                    compared = int(expect_line(process, "compared").split()[0])
                    words = expect_line(process, "steps").split()
                    steps = {k: float(v) for k, v in zip(words[::2], words[1::2])}
                    steps["write"] = sum(writes)
                process.wait(timeout=60)
            return ms, sampler.peak_anon, writes, sampler.io, compared, steps
        finally:
            process.close()

    def writes(self, exe, archive, runs, into, methods, cold_methods=(), cold_runs=0):
        """Every method `runs` times (the cold ones `cold_runs` times, after
        the warm ones), taking turns in rotating order, into `into` (a size's
        entry of the results, filled as the runs come)."""
        size = os.path.getsize(archive)
        into.setdefault("bytes", size)
        for key in ("write", "write_peak_anon", "slow", "slow_io", "rewritten", "compared",
                    "steps", "load"):
            into.setdefault(key, {} if key != "load" else [])
        target = os.path.join(self.target_dir, ZIP_NAME)
        for group, times in ((methods, runs), (cold_methods, cold_runs)):
            for turn in range(times if group else 0):
                for name in _rotated(group, turn):
                    method, history, cold = WRITES[name]

                    def once():
                        before = self.lay_history(history, archive, self.target_dir, cold,
                                                  exe, archive)
                        load = os.getloadavg()[0]
                        return before, load, self._timed_write(exe, method, archive)

                    before, load, (ms, peak, writes, io, compared, steps) = retrying(
                        "%s, %d MB, run %d" % (name, size // 1_000_000, turn + 1), once,
                        self.retries, self.save)
                    after = _identity(target)
                    into["write"].setdefault(name, []).append(ms)
                    into["write_peak_anon"].setdefault(name, []).append(peak)
                    into["slow"].setdefault(name, []).append(
                        None if writes is None else slow_writes(writes, "process"))
                    into["slow_io"].setdefault(name, []).append(
                        slow_writes(stretches(io), "write_bytes"))
                    into["rewritten"].setdefault(name, []).append(
                        before is None or after != before)
                    into["compared"].setdefault(name, []).append(compared)
                    into["steps"].setdefault(name, []).append(steps)
                    into["load"].append(load)
                    if turn == 0:
                        _same(target, archive)
                        leftovers = [n for n in os.listdir(self.target_dir) if n != ZIP_NAME]
                        if leftovers:
                            raise RuntimeError("%s left %s behind" % (name, leftovers))
                    self.save()
        return into

    def updater_way(self, exe):
        """'file' or 'mapped': how the updater built with this exe reads."""
        process = self.wine.start(exe, "--way")
        try:
            way = expect_line(process, "way")
            process.wait(timeout=60)
            return way
        finally:
            process.close()

    def _total_ms(self, *args, watch=None, parts=()):
        """The launcher's "total": CreateProcess to the program's end; with
        `watch` (an exe's path), also the writes of that program as seen in
        its /proc/PID/io; with `parts`, the launcher's earlier lines of those
        names (for a clicked install: "ready", "written") as a dict."""
        process = self.wine.start(self.launcher, *args)
        sampler = procmem.PeakSampler(find=self._finder(watch)) if watch else None
        try:
            if sampler:
                sampler.__enter__()
            seen = {word: float(expect_line(process, word)) for word in parts}
            ms = float(expect_line(process, "total"))
            code = expect_line(process, "exit")
            process.wait(timeout=60)
            if code != "0":
                raise RuntimeError("%s ended with %s; stderr: %r"
                                   % (args, code, process.stderr_tail()))
            return ms, (sampler.io if sampler else []), seen
        finally:
            if sampler:
                sampler.__exit__(None, None, None)
            process.close()

    def installs(self, exe, installer, archive, runs, into, kinds=tuple(INSTALLS)):
        """Whole installs, start to exit, taking turns, each after the same
        history: the updater's silent install (/S /D=) into a new file, over
        an older copy, over an identical copy and over one differing in its
        last byte; the updater with its button pressed as soon as the window
        is ready and the box answered; and (when given) the NSIS installer's
        silent install (/S /D=) into a new file and over an older copy."""
        kinds = [k for k in kinds if installer or INSTALLS[k][0] != "nsis"]
        for key in ("ms", "slow_io", "rewritten"):
            into.setdefault(key, {})
        programs = [exe] + ([installer] if installer else [])
        for turn in range(runs):
            for kind in _rotated(kinds, turn):
                run = installer if INSTALLS[kind][0] == "nsis" else exe
                self._install_run(kind, run, archive, programs, turn, into)
        return into

    def _install_run(self, kind, program_exe, archive, programs, turn, into, label=None):
        """One whole install of `kind` by `program_exe` after its history
        (the files of `programs` read), its figures appended to `into` under
        `label` (default: the kind); the first turn also checks the file."""
        program, history = INSTALLS[kind]
        velto = os.path.join(self.scratch, "velto")
        host = os.path.join(velto, "Quadrivo")
        target = os.path.join(host, ZIP_NAME)
        label = label or kind

        def once():
            before = self.lay_history(history, archive, host, False, *programs)
            open(os.path.join(host, "Quadrivo.exe"), "wb").close()
            if program == "clicked":
                result = self._total_ms(winpath(program_exe), "--install",
                                        winpath(velto, folder=True), "--now", watch=program_exe,
                                        parts=CLICKED_PARTS)
            else:
                # /D= comes last and unquoted, for both.
                result = self._total_ms("--run", winpath(program_exe), "/S",
                                        "/D=" + winpath(host), watch=program_exe)
            return before, result

        before, (ms, io, parts) = retrying("install %s, run %d" % (label, turn + 1), once,
                                           self.retries, self.save)
        into["ms"].setdefault(label, []).append(ms)
        if parts:
            # The rest: from the box answered to the process's end.
            parts["rest"] = ms - sum(parts.values())
            for word, value in parts.items():
                into.setdefault("parts", {}).setdefault(label, {}).setdefault(word, []).append(value)
        into["slow_io"].setdefault(label, []).append(slow_writes(stretches(io), "write_bytes"))
        into["rewritten"].setdefault(label, []).append(
            before is None or _identity(target) != before)
        if turn == 0:
            _same(target, archive)
        self.save()

    def side_by_side(self, exes, archive, runs, into, kinds=VERSUS_KINDS):
        """Whole installs of each kind by each of two exes of `exes` ({"old":
        path, "new": path}), all taking turns in an order that gives both the
        same history (side_by_side_order), so that neither build meets the
        machine's slow spells more often than the other.  Figures go under
        "<kind> <which>"."""
        for key in ("ms", "slow_io", "rewritten"):
            into.setdefault(key, {})
        programs = sorted(exes.values())
        for turn in range(runs):
            for kind, which in side_by_side_order(kinds, sorted(exes), turn):
                self._install_run(kind, exes[which], archive, programs, turn, into,
                                  label="%s %s" % (kind, which))
        return into

    def _ready_ms(self, exe):
        def once():
            process = self.wine.start(self.launcher, winpath(exe))
            try:
                ms = float(expect_line(process, "ready"))
                expect_line(process, "exit")
                process.wait(timeout=60)
                return ms
            finally:
                process.close()
        return retrying("start-up of %s" % os.path.basename(exe), once, self.retries, self.save)

    def startup(self, big_exe, small_exe, rounds, into):
        """CreateProcess to window ready, big and small exe taking turns.
        A start costs a few hundred ms and varies with the machine's load far
        more than with the exe, so each exe first starts once untimed and the
        pair is then timed `rounds` times (three times the runs of a figure)."""
        into.update({"big": [], "small": [], "big_bytes": os.path.getsize(big_exe),
                     "small_bytes": os.path.getsize(small_exe)})
        self._ready_ms(big_exe)
        self._ready_ms(small_exe)
        for turn in range(rounds):
            for which in _rotated(("big", "small"), turn):
                into[which].append(self._ready_ms(big_exe if which == "big" else small_exe))
            self.save()
        return into

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
            process.close()

    def memory(self, big_exe, small_exe, archive, runs, into):
        for key in ("start_anon", "peak_anon", "peak_hwm", "written_ms", "small_start_anon"):
            into.setdefault(key, [])
        for turn in range(runs):
            start, peak, hwm, written = retrying(
                "memory run %d" % (turn + 1),
                lambda: self._install(big_exe, archive if turn == 0 else None),
                self.retries, self.save)
            into["start_anon"].append(start)
            into["peak_anon"].append(peak)
            into["peak_hwm"].append(hwm)
            into["written_ms"].append(written)
            into["small_start_anon"].append(
                retrying("memory run %d, small exe" % (turn + 1),
                         lambda: self._install(small_exe, None), self.retries, self.save)[0])
            self.save()
        return into
