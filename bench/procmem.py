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


def find_wine_process(exe_name, prefix, timeout=60.0):
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
        time.sleep(0.005)
    return None


class PeakSampler:
    """Samples /proc/PID/status every millisecond or so until stopped or the
    process ends; keeps the highest RssAnon and VmHWM seen."""

    def __init__(self, pid):
        self.pid = pid
        self.peak_anon = 0
        self.peak_hwm = 0
        self.samples = 0
        self._stop = threading.Event()
        self._thread = threading.Thread(target=self._run, daemon=True)

    def _run(self):
        while not self._stop.is_set():
            status = read_status(self.pid)
            if status is None:
                return
            self.samples += 1
            self.peak_anon = max(self.peak_anon, status.get("RssAnon", 0))
            self.peak_hwm = max(self.peak_hwm, status.get("VmHWM", 0))
            time.sleep(0.001)

    def __enter__(self):
        self._thread.start()
        return self

    def __exit__(self, *exc):
        self._stop.set()
        self._thread.join()
        return False
