#!/usr/bin/python3
"""Runs a command with a folder on slow storage, and takes the storage away after.

    on_slow_storage.py --dir DIR --rate BYTES_PER_SECOND [--timeout SECONDS] -- COMMAND...

Mounts the throttled pass-through (throttled_fs.py) at DIR/mnt over a fresh,
empty DIR/backing, runs COMMAND, and unmounts whatever happens: on success, on
failure, when COMMAND outlives --timeout (its whole process group is killed)
and when this script itself is stopped.  If this script is killed outright,
the file system sees its pipe close and unmounts itself.  A mount left at DIR/mnt
by an earlier run that died is taken away first.  In COMMAND, the words
@MOUNT@ and @BACKING@ become the two folders.

Exit code: COMMAND's; 77 (skipped) where FUSE cannot work at all (no
/dev/fuse); 1 when the mount could not be made or taken away.
"""
import argparse
import os
import shutil
import signal
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SKIPPED = 77


def say(text):
    print("slow storage: " + text, flush=True)


def mounted(path):
    """True while `path` is a mount point, a dead FUSE mount included (its
    lstat fails, so os.path.ismount cannot tell)."""
    path = os.path.realpath(path)
    with open("/proc/self/mountinfo") as f:
        for line in f:
            point = line.split()[4].encode().decode("unicode_escape")
            if point == path:
                return True
    return False


def take_away(path):
    """Unmounts `path`, lazily if something still holds it."""
    for command in (["fusermount3", "-u", "-q", path], ["fusermount3", "-u", "-z", "-q", path],
                    ["umount", "-l", path]):
        if not mounted(path):
            return True
        subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return not mounted(path)


def fuse_missing():
    """Why FUSE cannot work here at all, or None."""
    if not os.path.exists("/dev/fuse"):
        return "there is no /dev/fuse on this host (a container without the device?)"
    return None


class SlowStorage:
    """The throttled mount as a context: DIR/mnt over DIR/backing."""

    def __init__(self, folder, rate, ready_timeout=20.0):
        self.folder = os.path.abspath(folder)
        self.mount = os.path.join(self.folder, "mnt")
        self.backing = os.path.join(self.folder, "backing")
        self.rate = rate
        self.ready_timeout = ready_timeout
        self.daemon = None

    def __enter__(self):
        if mounted(self.mount) and not take_away(self.mount):
            raise RuntimeError("a mount left at %s by an earlier run cannot be taken away"
                               % self.mount)
        shutil.rmtree(self.backing, ignore_errors=True)
        os.makedirs(self.backing)
        os.makedirs(self.mount, exist_ok=True)
        # Its standard input is our pipe: when we go, however we go, it unmounts.
        self.daemon = subprocess.Popen(
            [sys.executable, os.path.join(HERE, "throttled_fs.py"), self.backing, self.mount,
             "--rate", str(self.rate)],
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
        deadline = time.monotonic() + self.ready_timeout
        while not mounted(self.mount):
            if self.daemon.poll() is not None or time.monotonic() > deadline:
                self.__exit__(None, None, None)
                raise RuntimeError("the throttled file system did not mount at %s: %s" % (
                    self.mount, self.daemon.stderr.read().decode(errors="replace").strip()
                    or "no word from it"))
            time.sleep(0.05)
        say("%s mounted over %s at %d bytes/s" % (self.mount, self.backing, self.rate))
        return self

    def __exit__(self, *exc):
        if self.daemon is not None:
            self.daemon.stdin.close()
            try:
                self.daemon.wait(timeout=10)
            except subprocess.TimeoutExpired:
                say("the file system did not end by itself: killing it")
                self.daemon.kill()
                self.daemon.wait()
            self.daemon = None
        if not take_away(self.mount):
            raise RuntimeError("%s is still mounted" % self.mount)
        say("%s unmounted" % self.mount)
        return False


def run(command, timeout):
    """Runs `command` in a process group of its own; kills the group after
    `timeout` seconds.  Returns its exit code (124 on the timeout)."""
    child = subprocess.Popen(command, start_new_session=True)
    try:
        return child.wait(timeout=timeout)
    except subprocess.TimeoutExpired:
        say("the command ran over %d s: ending it" % timeout)
        return 124
    finally:
        if child.poll() is None:
            try:
                os.killpg(child.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            child.wait()


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--dir", required=True, help="holds mnt/ and backing/")
    ap.add_argument("--rate", type=int, required=True, help="bytes per second")
    ap.add_argument("--timeout", type=int, default=600, help="seconds COMMAND may take")
    ap.add_argument("command", nargs=argparse.REMAINDER)
    args = ap.parse_args(argv)
    command = args.command[1:] if args.command[:1] == ["--"] else args.command
    if not command:
        ap.error("no command")
    why = fuse_missing()
    if why:
        say("skipped: FUSE cannot work here: " + why)
        return SKIPPED
    # A stop from outside (a test timeout's SIGTERM) still unmounts.
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    try:
        with SlowStorage(args.dir, args.rate) as storage:
            command = [w.replace("@MOUNT@", storage.mount).replace("@BACKING@", storage.backing)
                       for w in command]
            return run(command, args.timeout)
    except RuntimeError as error:
        say("FAILED: %s" % error)
        return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
