#!/usr/bin/env python3
"""Refuses an archive the updater must not carry, before it is embedded.

    check_archive.py ARCHIVE --what NAME [--max-bytes N --max-reason TEXT]
                     [--sha256 FILE [--name NAME]]

An archive is refused when it is missing, empty (no bytes, or a ZIP with no
entries), not a ZIP that Python's zipfile can read, holds an entry whose
data does not read back or fails its CRC (what `unzip -t` reports), or is larger than --max-bytes.
The message names the archive by --what (the build setting it came from)
and goes to stderr; the exit status is then 1.

With --sha256 the archive's SHA-256 is written to FILE in sha256sum's format,
"<64 lowercase hex digits>  <name>\\n", under --name (default
Lumarso2015.zip: the name the file is installed under, whatever the input's
own).  FILE is removed first, so a refused archive never leaves an old one
behind.
"""
import argparse
import hashlib
import os
import sys
import zipfile
import zlib

CHUNK = 4 << 20


def refusal(archive, max_bytes, max_reason):
    """The reason to refuse ARCHIVE, or None."""
    try:
        size = os.path.getsize(archive)
    except OSError as e:
        return "cannot be read (%s)" % (e.strerror or e)
    if size == 0:
        return "is empty (0 bytes)"
    if max_bytes is not None and size > max_bytes:
        return "is %d bytes, more than the %d bytes %s" % (size, max_bytes, max_reason)
    try:
        with zipfile.ZipFile(archive) as z:
            entries = z.infolist()
            if not entries:
                return "is a ZIP archive with no entries"
            # Reads every entry and checks its header and CRC: the first bad
            # name, or None.
            bad = z.testzip()
            if bad is not None:
                return "is a damaged ZIP archive: entry %r does not read back" % bad
    except zipfile.BadZipFile as e:
        return "is not a ZIP archive (%s)" % e
    except (zipfile.LargeZipFile, zlib.error, NotImplementedError, RuntimeError, EOFError, ValueError) as e:
        # An unsupported method, an encrypted entry or a truncated stream: the
        # installed copy could not be opened either.
        return "is a ZIP archive that cannot be read (%s)" % e
    except OSError as e:
        return "cannot be read (%s)" % (e.strerror or e)
    return None


def sha256_of(path):
    h = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(CHUNK), b""):
            h.update(block)
    return h.hexdigest()


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("archive")
    ap.add_argument("--what", required=True, help="where the archive came from, for the message")
    ap.add_argument("--max-bytes", type=int, help="largest size accepted")
    ap.add_argument("--max-reason", default="allowed", help="why --max-bytes, for the message")
    ap.add_argument("--sha256", metavar="FILE", help="write the archive's SHA-256 here, sha256sum format")
    ap.add_argument("--name", default="Lumarso2015.zip", help="the file name written into --sha256")
    args = ap.parse_args()

    if args.sha256 and os.path.exists(args.sha256):
        os.remove(args.sha256)
    why = refusal(args.archive, args.max_bytes, args.max_reason)
    if why is not None:
        sys.stderr.write("%s: %s %s. The build does not take it.\n" % (args.what, args.archive, why))
        return 1
    if args.sha256:
        line = "%s  %s\n" % (sha256_of(args.archive), args.name)
        partial = args.sha256 + ".part"
        with open(partial, "w", encoding="ascii", newline="\n") as f:
            f.write(line)
        os.replace(partial, args.sha256)
    return 0


if __name__ == "__main__":
    sys.exit(main())
