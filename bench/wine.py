"""Runs the benchmark's Windows programs under Wine, in one prefix of its own."""
import os
import queue
import signal
import subprocess
import tempfile
import threading
import time


def winpath(path, folder=False):
    """The Wine path of a Linux path (drive Z: is the Linux root)."""
    text = "Z:" + os.path.abspath(path).replace("/", "\\")
    return text + "\\" if folder and not text.endswith("\\") else text


class StartFailed(RuntimeError):
    """The program said nothing at all before it ended or the wait ran out:
    Wine did not get it going.  Such a run is worth one more try."""


class Program:
    """A running program: stdin as a line-buffered text pipe, stdout read by
    a thread into lines (so that a wait can time out even when the program
    hangs without a word), stderr kept in a file for the error message."""

    def __init__(self, argv, env):
        self._stderr = tempfile.TemporaryFile(mode="w+", prefix="bench-stderr-")
        # A group of its own: the Wine processes it starts go with it when killed.
        self._popen = subprocess.Popen(argv, env=env, stdin=subprocess.PIPE,
                                       stdout=subprocess.PIPE, stderr=self._stderr, text=True,
                                       bufsize=1, start_new_session=True)
        self.stdin = self._popen.stdin
        self.seen = []
        self._lines = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self._popen.stdout:
            self._lines.put(line.strip())
        self._lines.put(None)

    def next_line(self, timeout):
        """The next line of stdout; None at its end or when `timeout` runs out."""
        try:
            line = self._lines.get(timeout=max(timeout, 0))
        except queue.Empty:
            return None
        if line is None:
            self._lines.put(None)   # the end stays the end for later waits
            return None
        self.seen.append(line)
        return line

    def stderr_tail(self, lines=12):
        self._stderr.flush()
        self._stderr.seek(0)
        text = [line.rstrip() for line in self._stderr.read().splitlines() if line.strip()]
        return text[-lines:]

    def poll(self):
        return self._popen.poll()

    def wait(self, timeout=None):
        return self._popen.wait(timeout=timeout)

    def kill(self):
        try:
            os.killpg(self._popen.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass
        self._popen.wait()

    def close(self):
        if self._popen.poll() is None:
            self.kill()
        try:
            self._popen.stdin.close()
        except OSError:
            pass
        # stdout is the reader's: closing it under a blocked read would wait
        # for whatever still holds the pipe; the reader ends at its end.
        self._reader.join(timeout=2)
        self._stderr.close()


class Wine:
    def __init__(self, runner, prefix):
        self.runner = runner          # wine-run.sh of a build folder
        self.prefix = os.path.abspath(prefix)
        self.env = dict(os.environ, LUMARSO_WINEPREFIX=self.prefix, WINEPREFIX=self.prefix,
                        WINEDEBUG="-all")

    def prepare(self, any_exe):
        """Creates the prefix on first use and keeps one wineserver alive for
        the run (it ends by itself a minute after the last program), so that
        no measured start pays for the server."""
        started = time.monotonic()
        subprocess.run([self.runner, any_exe], env=self.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
        try:
            subprocess.run(["wineserver", "-p60"], env=self.env, check=False)
        except FileNotFoundError:
            pass  # no wineserver on PATH: each program then starts its own
        return time.monotonic() - started

    def start(self, exe, *args):
        return Program([self.runner, exe, *args], self.env)


def expect_line(program, word, timeout=180.0):
    """Reads stdout lines until one starts with `word`; returns its value
    (the text after the word).  Raises with what the program said on stdout
    and stderr; StartFailed when it said nothing at all."""
    deadline = time.monotonic() + timeout
    while True:
        line = program.next_line(deadline - time.monotonic())
        if line is None:
            break
        if line.split(" ", 1)[0] == word:
            return line[len(word):].strip()
    # A moment for a program that is ending to be seen as ended.
    try:
        program.wait(timeout=2)
    except subprocess.TimeoutExpired:
        pass
    why = "expected '%s', got %r (exit %s); stderr: %r" % (word, program.seen[-8:], program.poll(),
                                                         program.stderr_tail())
    raise (StartFailed if not program.seen else RuntimeError)(why)
