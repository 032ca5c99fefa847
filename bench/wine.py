"""Runs the benchmark's Windows programs under Wine, in one prefix of its own."""
import os
import subprocess
import time


def winpath(path, folder=False):
    """The Wine path of a Linux path (drive Z: is the Linux root)."""
    text = "Z:" + os.path.abspath(path).replace("/", "\\")
    return text + "\\" if folder and not text.endswith("\\") else text


class Wine:
    def __init__(self, runner, prefix):
        self.runner = runner          # wine-run.sh of a win32 build folder
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
        """A running program with line-buffered text pipes to stdin/stdout."""
        return subprocess.Popen([self.runner, exe, *args], env=self.env, stdin=subprocess.PIPE,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True,
                                bufsize=1)


def expect_line(process, word, timeout=180.0):
    """Reads stdout lines until one starts with `word`; returns its value
    (the text after the word) or raises with what the program said."""
    seen = []
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        line = process.stdout.readline()
        if not line:
            break
        line = line.strip()
        seen.append(line)
        if line.split(" ", 1)[0] == word:
            return line[len(word):].strip()
    raise RuntimeError("expected '%s', got %r (exit %s)" % (word, seen, process.poll()))
