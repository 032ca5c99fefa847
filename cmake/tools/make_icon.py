#!/usr/bin/env python3
"""Draws the updater's icon: a closed book, 32 x 32 pixels, 16 colours (.ico)."""
import argparse
import struct

# The standard 16-colour palette, as Windows orders it.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
    (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
    (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
CLEAR, BLACK, NAVY, SILVER, GRAY, YELLOW, BLUE, WHITE = None, 0, 4, 7, 8, 11, 12, 15
SIZE = 32


def draw():
    px = [[CLEAR] * SIZE for _ in range(SIZE)]

    def box(x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                px[y][x] = colour

    box(8, 5, 27, 29, BLACK)         # outline of the page block
    box(9, 6, 26, 28, WHITE)         # pages
    for y in range(8, 28, 2):
        box(24, y, 26, y, GRAY)      # page edges
    box(4, 2, 24, 27, BLACK)         # outline of the cover
    box(5, 3, 23, 26, BLUE)          # cover
    box(5, 3, 7, 26, NAVY)           # spine
    box(10, 7, 21, 11, YELLOW)       # title label
    box(11, 9, 20, 9, BLACK)         # title
    for y in (15, 17, 19):
        box(11, y, 20, y, SILVER)    # lines on the cover
    return px


def ico(px):
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for y in reversed(range(SIZE)):  # bottom-up rows
        row = px[y]
        for x in range(0, SIZE, 2):
            hi, lo = row[x] or 0, row[x + 1] or 0
            xor.append((hi << 4) | lo)
        bits = 0
        for x in range(SIZE):
            bits = (bits << 1) | (1 if row[x] is None else 0)
        mask += struct.pack(">I", bits)  # 32 pixels: 4 bytes, already DWORD-aligned
    image = header + palette + bytes(xor) + bytes(mask)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def main():
    ap = argparse.ArgumentParser(description=__doc__)
    ap.add_argument("--out", required=True)
    args = ap.parse_args()
    with open(args.out, "wb") as f:
        f.write(ico(draw()))


if __name__ == "__main__":
    main()
