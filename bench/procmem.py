"""Private memory of a Wine process, read from Linux.

Wine's GetProcessMemoryInfo leaves PrivateUsage unwritten, so the figures
come from /proc/PID/status of the Linux process that runs the exe: RssAnon
(anonymous resident pages, i.e. private memory actually in use) and VmHWM
(the kernel's peak resident set, which also counts the file pages of the
mapped image and so is not private).
"""
import os
import threading
import time

KB = 1024


def read_status(pid):
    """{'RssAnon': bytes, 'VmHWM': bytes, 'VmRSS': bytes} or None once gone."""
    try:
        with open("/proc/%d/status" % pid) as f:
            text = f.read()
    except OSError:
        return None
    out = {}
    for line in text.splitlines():
        key, _, value = line.partition(":")
        if key in ("RssAnon", "VmHWM", "VmRSS"):
            out[key] = int(value.split()[0]) * KB
    return out or None


def _environ(pid):
    try:
        with open("/proc/%d/environ" % pid, "rb") as f:
            return f.read().split(b"\0")
    except OSError:
        return []


def _program(pid):
    """The file name of the program a process runs (Wine puts the Windows
    path of the exe first on the command line)."""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            first = f.read().split(b"\0", 1)[0].decode("utf-8", "replace")
    except OSError:
        return ""
    return first.replace("\\", "/").rsplit("/", 1)[-1].lower()


def find_wine_process(exe_name, prefix, timeout=60.0, pause=0.005):
    """The Linux pid running `exe_name` in the Wine prefix `prefix` (other
    engineers run the same exe in their own prefixes)."""
    wanted_env = ("WINEPREFIX=" + prefix).encode()
    name = exe_name.lower()
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        for entry in os.listdir("/proc"):
            if not entry.isdigit():
                continue
            pid = int(entry)
            if _program(pid) == name and wanted_env in _environ(pid):
                return pid
        time.sleep(pause)
    return None


def read_write_bytes(pid):
    """Bytes of file data the process has put into the page cache so far
    (`write_bytes`: counted page by page as the write dirties them, and
    never a pipe's or socket's), or None once it is gone."""
    try:
        with open("/proc/%d/io" % pid) as f:
            for line in f:
                if line.startswith("write_bytes:"):
                    return int(line.split()[1])
    except (OSError, ValueError):
        return None
    return None


class PeakSampler:
    """Samples /proc/PID/status and /proc/PID/io every millisecond or so
    until stopped or the process ends; keeps the highest RssAnon and VmHWM
    seen, and (milliseconds, write_bytes) whenever write_bytes moved.  With `find`
    instead of a pid, it first looks for the process itself (a program that
    another one starts)."""

    def __init__(self, pid=None, find=None):
        self.pid = pid
        self._find = find
        self.peak_anon = 0
        self.peak_hwm = 0
        self.samples = 0
        self.io = []
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def _run(self):
        while self.pid is None and not self._stop.is_set():
            self.pid = self._find()
        while not self._stop.is_set():
            status = read_status(self.pid)
            written = read_write_bytes(self.pid)
            now = time.monotonic() * 1000.0
            if status is None or written is None:
                return
            self.samples += 1
            self.peak_anon = max(self.peak_anon, status.get("RssAnon", 0))
            self.peak_hwm = max(self.peak_hwm, status.get("VmHWM", 0))
            if not self.io or self.io[-1][1] != written:
                self.io.append((now, written))
            elif len(self.io) == 1:
                self.io[0] = (now, written)   # the last still moment before the writes
            time.sleep(0.001)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        return False
