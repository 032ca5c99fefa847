#!/usr/bin/env python3
"""Makes the .rsrc section of a PE image read-only, in place.

GNU ld always marks .rsrc writable; a writable image section is
copy-on-write, charged to the process on Windows, so the embedded archive
would count as private memory.  Running it twice changes nothing.
"""
import struct
import sys

IMAGE_SCN_MEM_WRITE = 0x80000000


def pe_checksum(data, checksum_offset):
    # The PE checksum is the ones'-complement sum of the image's 16-bit
    # little-endian words (the checksum field counted as zero) plus the file
    # size.  Read as one little-endian integer, the image is congruent to
    # that sum modulo 0xFFFF, which keeps a 208 MB image to about a second
    # instead of a word-by-word loop.
    image = bytearray(data)
    image[checksum_offset:checksum_offset + 4] = b"\0\0\0\0"
    whole = int.from_bytes(image, "little")
    folded = whole % 0xFFFF
    if folded == 0 and whole != 0:
        folded = 0xFFFF  # end-around carry never folds a non-zero sum to 0
    return (folded + len(data)) & 0xFFFFFFFF


def seal(path):
    with open(path, "r+b") as f:
        head = bytearray(f.read(4096))
        pe = struct.unpack_from("<I", head, 0x3C)[0]
        if head[pe:pe + 4] != b"PE\0\0":
            raise SystemExit("seal_rsrc: %s is not a PE image" % path)
        sections, = struct.unpack_from("<H", head, pe + 6)
        optional_size, = struct.unpack_from("<H", head, pe + 20)
        checksum_offset = pe + 24 + 64
        table = pe + 24 + optional_size
        for i in range(sections):
            at = table + 40 * i
            if head[at:at + 8].rstrip(b"\0") == b".rsrc":
                flags, = struct.unpack_from("<I", head, at + 36)
                if flags & IMAGE_SCN_MEM_WRITE:
                    struct.pack_into("<I", head, at + 36, flags & ~IMAGE_SCN_MEM_WRITE)
                    f.seek(at + 36)
                    f.write(head[at + 36:at + 40])
                break
        else:
            raise SystemExit("seal_rsrc: %s has no .rsrc section" % path)
        if struct.unpack_from("<I", head, checksum_offset)[0] != 0:
            f.seek(0)
            data = f.read()
            f.seek(checksum_offset)
            f.write(struct.pack("<I", pe_checksum(data, checksum_offset)))


if __name__ == "__main__":
    for arg in sys.argv[1:]:
        seal(arg)
