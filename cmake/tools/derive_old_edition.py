#!/usr/bin/python3
"""Makes a stand-in for the previous edition of an archive, for the builds
that are given none (LUMARSO_PATCH_FROM unset): the new edition with a few
runs of bytes changed, one run missing and one extra, so that a patch
between the two carries copies, additions and moves.  Not a valid ZIP: the
updater never opens the archive.

    derive_old_edition.py --from NEW --out OLD
"""
import argparse
import os
import random


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--from", dest="new", required=True)
    parser.add_argument("--out", required=True)
    args = parser.parse_args()
    with open(args.new, "rb") as f:
        data = bytearray(f.read())
    rng = random.Random(2015)
    n = len(data)
    for _ in range(8):
        at = rng.randrange(max(1, n - 64))
        data[at:at + 64] = bytes(rng.randrange(256) for _ in range(min(64, n - at)))
    if n > 4096:
        cut = rng.randrange(n - 2048)
        del data[cut:cut + 1024]
        at = rng.randrange(len(data))
        data[at:at] = bytes(rng.randrange(256) for _ in range(3000))
    tmp = args.out + ".part"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, args.out)


if __name__ == "__main__":
    main()
