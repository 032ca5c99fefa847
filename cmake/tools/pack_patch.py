#!/usr/bin/python3
"""Packs what a patch exe carries as resource CUSTOM/102: a 100-byte header
naming the edition it updates from and the new edition (size and SHA-256 of
each), then the delta.  Layout in payload/patch_header.h.

    pack_patch.py --from OLD --to NEW --delta DELTA --out OUT
"""
import argparse
import hashlib
import os
import struct
import sys

MAGIC = b"LUMPATCH"
VERSION = 1


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
    parser.add_argument("--from", dest="old", required=True)
    parser.add_argument("--to", dest="new", required=True)
    parser.add_argument("--delta", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    with open(args.delta, "rb") as f:
        delta = f.read()
    if delta[:4] != b"\xd6\xc3\xc4\x00":
        sys.exit(f"pack_patch.py: {args.delta} is not a VCDIFF delta")
    header = (MAGIC + struct.pack("<I", VERSION) + edition(args.old) + edition(args.new) +
              struct.pack("<Q", len(delta)))
    assert len(header) == 100
    tmp = args.out + ".part"
    with open(tmp, "wb") as f:
        f.write(header)
        f.write(delta)
    os.replace(tmp, args.out)


if __name__ == "__main__":
    main()
