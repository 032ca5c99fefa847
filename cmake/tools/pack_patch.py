#!/usr/bin/python3
"""Packs what a patch exe carries as resource CUSTOM/102: a header naming the
new edition and every edition the patch updates from (size and SHA-256 of
each), the pool of new bytes their deltas share, then one delta per edition.
Layout in payload/patch_header.h.

    pack_patch.py --to NEW [--pool POOL] --from OLD1 --delta DELTA1 [--from OLD2 --delta DELTA2 ...] --out OUT
"""
import argparse
import hashlib
import os
import struct
import sys

MAGIC = b"LUMPATCH"
VERSION = 2
MAX_BASES = 64


def edition(path):
    digest = hashlib.sha256()
    size = 0
    with open(path, "rb") as f:
        while True:
            piece = f.read(1 << 20)
            if not piece:
                break
            digest.update(piece)
            size += len(piece)
    return struct.pack("<Q", size) + digest.digest()


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--to", dest="new", required=True)
    parser.add_argument("--pool")
    parser.add_argument("--from", dest="old", action="append", required=True)
    parser.add_argument("--delta", action="append", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    if len(args.old) != len(args.delta):
        parser.error("one --delta for each --from")
    if len(args.old) > MAX_BASES:
        sys.exit(f"pack_patch.py: {len(args.old)} editions to update from; a patch takes at most {MAX_BASES}")
    new = edition(args.new)
    olds = [edition(p) for p in args.old]
    for i, (path, e) in enumerate(zip(args.old, olds)):
        if e == new:
            sys.exit(f"pack_patch.py: {path} is the new edition itself ({args.new}); leave it out of the list")
        if e in olds[:i]:
            sys.exit(f"pack_patch.py: {path} is listed twice (the same bytes as {args.old[olds.index(e)]})")
    deltas = []
    for path in args.delta:
        with open(path, "rb") as f:
            deltas.append(f.read())
        if deltas[-1][:4] != b"\xd6\xc3\xc4\x00":
            sys.exit(f"pack_patch.py: {path} is not a VCDIFF delta")
    pool = b""
    if args.pool:
        with open(args.pool, "rb") as f:
            pool = f.read()
    header = MAGIC + struct.pack("<II", VERSION, len(olds)) + new + struct.pack("<Q", len(pool))
    for e, d in zip(olds, deltas):
        header += e + struct.pack("<Q", len(d))
    assert len(header) == 64 + 48 * len(olds)
    tmp = args.out + ".part"
    with open(tmp, "wb") as f:
        f.write(header)
        f.write(pool)
        for d in deltas:
            f.write(d)
    os.replace(tmp, args.out)


if __name__ == "__main__":
    main()
