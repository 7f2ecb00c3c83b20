#!/usr/bin/env python3
"""Writes toolbox.bmp: the 16 x 16, 16-colour toolbox image of the control
(a microphone on a light grey ground), as an uncompressed 4-bit BMP."""
import struct
import sys

# The standard 16-colour palette, as (blue, green, red, 0).
PALETTE = [
    (0, 0, 0), (0, 0, 128), (0, 128, 0), (0, 128, 128),
    (128, 0, 0), (128, 0, 128), (128, 128, 0), (192, 192, 192),
    (128, 128, 128), (0, 0, 255), (0, 255, 0), (0, 255, 255),
    (255, 0, 0), (255, 0, 255), (255, 255, 0), (255, 255, 255),
]  # (red, green, blue)

# Rows from the top; one hex digit per pixel, a palette index.
IMAGE = [
    "7777777777777777",
    "7777777007777777",
    "7777770880777777",
    "7777770880777777",
    "7777770880777777",
    "7777770880777777",
    "7777770880777777",
    "7770770880770777",
    "7770777007770777",
    "7777077777707777",
    "7777700000077777",
    "7777777007777777",
    "7777777007777777",
    "7777700000077777",
    "7777777777777777",
    "7777777777777777",
]


def main(path):
    width, height = 16, 16
    row_bytes = 8  # 16 pixels at 4 bits, already a multiple of 4
    pixels = b""
    for row in reversed(IMAGE):  # bottom-up
        pixels += bytes(int(row[i], 16) << 4 | int(row[i + 1], 16) for i in range(0, width, 2))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 4, 0, row_bytes * height, 0, 0, 16, 0)
    offset = 14 + len(info) + len(palette)
    header = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    with open(path, "wb") as out:
        out.write(header + info + palette + pixels)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else "toolbox.bmp")
