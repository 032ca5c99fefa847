"""Writes a plain 32x32, 16-colour icon for the window test's own resources."""
import struct
import sys

W = H = 32
palette = bytes([0, 0, 0, 0, 0, 0, 128, 0] + [0] * 56)  # black, dark red, rest black
xor = bytes([0x11] * (W * H // 2))  # every pixel colour 1
and_mask = bytes(H * 4)  # fully opaque; rows padded to 32 bits
header = struct.pack("<IiiHHIIiiII", 40, W, H * 2, 1, 4, 0, len(xor) + len(and_mask), 0, 0, 16, 0)
image = header + palette + xor + and_mask
icon = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", W, H, 16, 0, 1, 4, len(image), 22)
with open(sys.argv[1], "wb") as out:
    out.write(icon + image)
