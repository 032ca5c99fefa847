#!/usr/bin/python3
"""A pass-through file system that is slow on purpose: storage at a given rate.

    throttled_fs.py BACKING MOUNTPOINT --rate BYTES_PER_SECOND

Mounts MOUNTPOINT (FUSE, Debian's fuse3 and python3-pyfuse3) showing BACKING
as it is, except that the bytes read from and written to files go no faster
than --rate, reads and writes sharing one budget, as one slow disk or share
would.  Everything else (create, rename, delete, flush, attributes, free
space) passes straight through.

It prints "mounted" once the mount is there, and unmounts and ends when its
standard input reaches its end, so whoever starts it keeps a pipe to it: if
that owner is killed, the mount goes with it.  SIGTERM and SIGINT do the same.

Inode-based (the low-level FUSE API): a file deleted or renamed over while
open keeps answering through its open descriptor, and no ".fuse_hidden*" file
ever shows in the folder.  Attributes and names are never cached by the
kernel, so files changed in BACKING behind the mount's back show at once.
"""
import argparse
import errno
import functools
import os
import signal
import stat
import sys
import time

import pyfuse3
import trio

ROOT = pyfuse3.ROOT_INODE


class Throttle:
    """One budget of bytes per second; a request waits for its turn."""

    # Time the storage may have stood idle and still count: this process's
    # own work between requests is then not lost from the rate.
    SLACK = 0.05

    def __init__(self, rate):
        self.rate = float(rate)
        self._free_at = time.monotonic()

    async def take(self, count):
        now = time.monotonic()
        # Reserved before the first await: requests running at once queue up.
        start = max(now - self.SLACK, self._free_at)
        self._free_at = start + count / self.rate
        await trio.sleep(max(0.0, self._free_at - now))


def passes_errors(method):
    """The backing file system's error reaches the caller as it is."""

    @functools.wraps(method)
    async def wrapper(*args, **kwargs):
        try:
            return await method(*args, **kwargs)
        except OSError as error:
            raise pyfuse3.FUSEError(error.errno or errno.EIO) from None

    return wrapper


class ThrottledPassthrough(pyfuse3.Operations):
    enable_writeback_cache = False

    def __init__(self, backing, throttle):
        super().__init__()
        self._throttle = throttle
        self._root_ino = os.lstat(backing).st_ino
        self._paths = {ROOT: backing}   # inode -> its path in BACKING
        self._open = {}                 # file handle (a descriptor) -> inode

    # ---- inodes and paths
    def _inode(self, st_ino):
        return ROOT if st_ino == self._root_ino else st_ino

    def _path(self, inode):
        try:
            return self._paths[inode]
        except KeyError:
            raise pyfuse3.FUSEError(errno.ENOENT) from None

    def _child(self, parent, name):
        return os.path.join(self._path(parent), os.fsdecode(name))

    def _remember(self, path, st):
        inode = self._inode(st.st_ino)
        self._paths[inode] = path
        return inode

    def _forget_path(self, path):
        for inode, known in list(self._paths.items()):
            if known == path and inode != ROOT:
                del self._paths[inode]

    def _attributes(self, st):
        entry = pyfuse3.EntryAttributes()
        for name in ("st_mode", "st_nlink", "st_uid", "st_gid", "st_rdev", "st_size",
                     "st_atime_ns", "st_mtime_ns", "st_ctime_ns"):
            setattr(entry, name, getattr(st, name))
        entry.st_ino = self._inode(st.st_ino)
        entry.st_blksize = st.st_blksize
        entry.st_blocks = st.st_blocks
        entry.generation = 0
        entry.entry_timeout = 0
        entry.attr_timeout = 0
        return entry

    def _stat(self, inode):
        # An open file may have lost its name (deleted, renamed over): its
        # descriptor still answers.
        for fd, of in self._open.items():
            if of == inode:
                return os.fstat(fd)
        return os.lstat(self._path(inode))

    # ---- names
    def _entry(self, path):
        """The attributes of the name at `path`, which is remembered."""
        st = os.lstat(path)
        self._remember(path, st)
        return self._attributes(st)

    @passes_errors
    async def lookup(self, parent_inode, name, ctx=None):
        return self._entry(self._child(parent_inode, name))

    async def forget(self, inode_list):
        pass  # paths are kept until deleted; a test's tree is small

    @passes_errors
    async def getattr(self, inode, ctx=None):
        return self._attributes(self._stat(inode))

    @passes_errors
    async def setattr(self, inode, attr, fields, fh, ctx):
        target = fh if fh is not None and fh in self._open else self._path(inode)
        if fields.update_size:
            if isinstance(target, int):
                os.ftruncate(target, attr.st_size)
            else:
                os.truncate(target, attr.st_size)
        if fields.update_mode:
            os.chmod(target, stat.S_IMODE(attr.st_mode))
        if fields.update_uid or fields.update_gid:
            os.chown(target, attr.st_uid if fields.update_uid else -1,
                     attr.st_gid if fields.update_gid else -1)
        if fields.update_atime or fields.update_mtime:
            st = self._stat(inode)
            os.utime(target, ns=(attr.st_atime_ns if fields.update_atime else st.st_atime_ns,
                                 attr.st_mtime_ns if fields.update_mtime else st.st_mtime_ns))
        return self._attributes(self._stat(inode))

    @passes_errors
    async def readlink(self, inode, ctx):
        return os.fsencode(os.readlink(self._path(inode)))

    @passes_errors
    async def mkdir(self, parent_inode, name, mode, ctx):
        path = self._child(parent_inode, name)
        os.mkdir(path, mode)
        return self._entry(path)

    @passes_errors
    async def symlink(self, parent_inode, name, target, ctx):
        path = self._child(parent_inode, name)
        os.symlink(target, path)
        return self._entry(path)

    @passes_errors
    async def unlink(self, parent_inode, name, ctx):
        path = self._child(parent_inode, name)
        os.unlink(path)
        self._forget_path(path)

    @passes_errors
    async def rmdir(self, parent_inode, name, ctx):
        path = self._child(parent_inode, name)
        os.rmdir(path)
        self._forget_path(path)

    @passes_errors
    async def rename(self, parent_inode_old, name_old, parent_inode_new, name_new, flags, ctx):
        old = self._child(parent_inode_old, name_old)
        new = self._child(parent_inode_new, name_new)
        if flags & pyfuse3.RENAME_EXCHANGE:
            raise pyfuse3.FUSEError(errno.EINVAL)
        if flags & pyfuse3.RENAME_NOREPLACE and os.path.lexists(new):
            raise pyfuse3.FUSEError(errno.EEXIST)
        os.rename(old, new)
        self._forget_path(new)  # what was there lost its name
        prefix = old + os.sep
        for inode, known in list(self._paths.items()):
            if known == old:
                self._paths[inode] = new
            elif known.startswith(prefix):
                self._paths[inode] = new + known[len(old):]

    # ---- folders
    @passes_errors
    async def opendir(self, inode, ctx):
        self._path(inode)
        return inode

    @passes_errors
    async def readdir(self, fh, start_id, token):
        folder = self._path(fh)
        names = sorted(os.listdir(folder))
        for index in range(start_id, len(names)):
            path = os.path.join(folder, names[index])
            try:
                st = os.lstat(path)
            except FileNotFoundError:
                continue
            if not pyfuse3.readdir_reply(token, os.fsencode(names[index]), self._attributes(st),
                                         index + 1):
                break
            self._remember(path, st)

    async def releasedir(self, fh):
        pass

    @passes_errors
    async def statfs(self, ctx):
        vfs = os.statvfs(self._paths[ROOT])
        out = pyfuse3.StatvfsData()
        for name in ("f_bsize", "f_frsize", "f_blocks", "f_bfree", "f_bavail", "f_files",
                     "f_ffree", "f_favail", "f_namemax"):
            setattr(out, name, getattr(vfs, name))
        return out

    # ---- files
    @passes_errors
    async def open(self, inode, flags, ctx):
        fd = os.open(self._path(inode), flags & ~os.O_CREAT)
        self._open[fd] = inode
        return pyfuse3.FileInfo(fh=fd)

    @passes_errors
    async def create(self, parent_inode, name, mode, flags, ctx):
        path = self._child(parent_inode, name)
        fd = os.open(path, flags | os.O_CREAT, mode)
        st = os.fstat(fd)
        self._open[fd] = self._remember(path, st)
        return pyfuse3.FileInfo(fh=fd), self._attributes(st)

    @passes_errors
    async def read(self, fh, off, size):
        data = os.pread(fh, size, off)
        await self._throttle.take(len(data))
        return data

    @passes_errors
    async def write(self, fh, off, buf):
        await self._throttle.take(len(buf))
        return os.pwrite(fh, buf, off)

    async def flush(self, fh):
        pass

    @passes_errors
    async def fsync(self, fh, datasync):
        # Flushing a large file takes the backing disk a while: other requests
        # are served meanwhile, as by any storage.
        await trio.to_thread.run_sync(os.fdatasync if datasync else os.fsync, fh)

    @passes_errors
    async def release(self, fh):
        self._open.pop(fh, None)
        os.close(fh)


async def serve(stop_on_eof):
    async with trio.open_nursery() as nursery:
        nursery.start_soon(pyfuse3.main)

        async def until_stopped():
            with trio.open_signal_receiver(signal.SIGTERM, signal.SIGINT) as signals:
                async with trio.open_nursery() as watchers:
                    async def on_signal():
                        async for _ in signals:
                            return

                    async def on_eof():
                        await trio.to_thread.run_sync(sys.stdin.buffer.read,
                                                      cancellable=True)

                    for watch in ((on_signal, on_eof) if stop_on_eof else (on_signal,)):
                        async def run(w=watch):
                            await w()
                            watchers.cancel_scope.cancel()
                        watchers.start_soon(run)
            pyfuse3.terminate()

        nursery.start_soon(until_stopped)


def main(argv):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("backing")
    ap.add_argument("mountpoint")
    ap.add_argument("--rate", type=float, required=True, help="bytes per second")
    ap.add_argument("--keep-on-eof", action="store_true",
                    help="run on when standard input ends (stop with SIGTERM)")
    args = ap.parse_args(argv)
    backing = os.path.abspath(args.backing)
    ops = ThrottledPassthrough(backing, Throttle(args.rate))
    options = set(pyfuse3.default_options)
    options.add("fsname=lumarso-throttled")
    options.discard("default_permissions")  # as root, the backing folder decides
    pyfuse3.init(ops, args.mountpoint, options)
    print("mounted", flush=True)
    try:
        trio.run(serve, not args.keep_on_eof)
    finally:
        pyfuse3.close(unmount=True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
