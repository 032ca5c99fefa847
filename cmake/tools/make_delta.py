#!/usr/bin/python3
"""The delta from one edition to the next with xdelta3, until the project's
own generator is there: plain VCDIFF (no secondary compression, no
application header, no window checksums), target windows of at most 4 MiB,
and a source window covering the whole old file, so that a run of bytes
moved anywhere is still found.

    make_delta.py --xdelta3 PROGRAM OLD NEW OUT
"""
import argparse
import os
import subprocess


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--xdelta3", default="xdelta3")
    parser.add_argument("old")
    parser.add_argument("new")
    parser.add_argument("out")
    args = parser.parse_args()
    window = 1 << 19  # xdelta3's least
    while window < os.path.getsize(args.old):
        window <<= 1
    tmp = args.out + ".part"
    subprocess.run([args.xdelta3, "-e", "-f", "-q", "-S", "none", "-A", "-n", "-B", str(window),
                    "-W", str(4 << 20), "-s", args.old, args.new, tmp], check=True)
    os.replace(tmp, args.out)


if __name__ == "__main__":
    main()
