#!/usr/bin/env python3
"""Draws the module's images into a folder, as the resource script names them:

  toolbox.bmp  16 x 16, 16 colours: the toolbox image (a microphone)
  banner.bmp   117 x 39, 256 colours: the panel's banner
  rec.ico      32 x 32, 16 colours: a red filled disc (REC)
  stop.ico     32 x 32, 16 colours: a blue filled square (STOP)
  play.ico     32 x 32, 16 colours: a green triangle pointing right (PLAY)
  folder.ico   32 x 32, 16 colours: a yellow folder (file chooser)

Uncompressed bottom-up DIBs, written byte by byte."""
import math
import os
import struct
import sys

# The 16-colour palette the small images use, as (red, green, blue).
PALETTE16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_RED, DARK_GREEN, DARK_YELLOW = 0, 1, 2, 3
DARK_BLUE, LIGHT_GREY, GREY = 4, 7, 8
RED, GREEN, YELLOW, BLUE, WHITE = 9, 10, 11, 12, 15

# Toolbox image rows from the top; one hex digit per pixel, a palette index.
TOOLBOX = [
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


def info_header(width, height, bits, image_bytes, colours):
    return struct.pack("<IiiHHIIiiII", 40, width, height, 1, bits, 0, image_bytes, 0, 0,
                       colours, 0)


def palette_bytes(colours):
    return b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in colours)


def pack_rows(rows, bits):
    """Bottom-up rows of palette indexes, each padded to 4 bytes."""
    out = b""
    for row in reversed(rows):
        if bits == 4:
            padded = list(row) + [0] * (len(row) % 2)
            data = bytes(padded[i] << 4 | padded[i + 1] for i in range(0, len(padded), 2))
        else:
            data = bytes(row)
        out += data + b"\0" * (-len(data) % 4)
    return out


def bmp_file(rows, bits, colours):
    width, height = len(rows[0]), len(rows)
    pixels = pack_rows(rows, bits)
    head = info_header(width, height, bits, len(pixels), len(colours)) + palette_bytes(colours)
    offset = 14 + len(head)
    return struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset) + head + pixels


def ico_file(rows, mask):
    """A one-image icon of 4-bit rows; `mask` rows hold True where the pixel shows."""
    size = len(rows)
    pixels = pack_rows(rows, 4)
    and_rows = b""
    for row in reversed(mask):
        bits = 0
        for x, shown in enumerate(row):
            if not shown:
                bits |= 1 << (31 - x)
        and_rows += struct.pack(">I", bits)
    image = (info_header(size, size * 2, 4, len(pixels) + len(and_rows), 16) +
             palette_bytes(PALETTE16) + pixels + and_rows)
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


def draw_icon(shape):
    """Runs shape(x, y) -> palette index or None (transparent) over 32 x 32 pixel centres."""
    rows, mask = [], []
    for y in range(32):
        colours = [shape(x + 0.5, y + 0.5) for x in range(32)]
        rows.append([BLACK if c is None else c for c in colours])
        mask.append([c is not None for c in colours])
    return ico_file(rows, mask)


def disc(x, y):
    distance = math.hypot(x - 16, y - 16)
    if distance <= 12:
        return WHITE if math.hypot(x - 12, y - 12) < 3 else RED
    return DARK_RED if distance <= 13.5 else None


def square(x, y):
    if 5 <= x <= 27 and 5 <= y <= 27:
        return BLUE if 6.5 <= x <= 25.5 and 6.5 <= y <= 25.5 else DARK_BLUE
    return None


def triangle(x, y):
    # Left edge at x = 7, tip at (27, 16).
    if x < 7 or x > 27:
        return None
    half = 11 * (27 - x) / 20
    if abs(y - 16) > half:
        return None
    return DARK_GREEN if abs(y - 16) > half - 1.5 or x < 8.5 else GREEN


def folder(x, y):
    tab = 4 <= x <= 14 and 6 <= y <= 10
    body = 3 <= x <= 29 and 9 <= y <= 26
    if not (tab or body):
        return None
    on_edge = x < 4.5 or x > 28 or y > 25 or (tab and y < 7) or (body and 9 <= y < 10.5 and x > 14)
    if on_edge:
        return DARK_YELLOW
    if body and 13 <= y < 14.5:
        return DARK_YELLOW  # the front flap's fold
    return YELLOW


def banner():
    """117 x 39: a blue band with a white sound wave and a row of level bars."""
    width, height = 117, 39
    colours = [(0, 0, 0)] * 256
    for i in range(128):  # a ramp from deep to light blue
        colours[i] = (10 + i // 2, 40 + i, 120 + i)
    colours[200] = (255, 255, 255)
    colours[201] = (250, 200, 40)
    colours[202] = (20, 30, 70)
    rows = []
    for y in range(height):
        row = []
        for x in range(width):
            index = min(127, (x * 64) // width + (y * 64) // height)
            if x in (0, width - 1) or y in (0, height - 1):
                index = 202
            wave = 19.5 + 11 * math.sin(x / 5.0) * math.exp(-((x - 40) / 30.0) ** 2)
            if abs(y + 0.5 - wave) < 1.2 and x < 80:
                index = 200
            if x >= 84 and x < 112 and (x - 84) % 6 < 4:
                level = 6 + ((x - 84) // 6 * 5) % 22
                if height - 6 - level <= y < height - 6:
                    index = 201
            row.append(index)
        rows.append(row)
    return bmp_file(rows, 8, colours)


def main(folder_path):
    os.makedirs(folder_path, exist_ok=True)
    images = {
        "toolbox.bmp": bmp_file([[int(c, 16) for c in row] for row in TOOLBOX], 4, PALETTE16),
        "banner.bmp": banner(),
        "rec.ico": draw_icon(disc),
        "stop.ico": draw_icon(square),
        "play.ico": draw_icon(triangle),
        "folder.ico": draw_icon(folder),
    }
    for name, data in images.items():
        with open(os.path.join(folder_path, name), "wb") as out:
            out.write(data)


if __name__ == "__main__":
    main(sys.argv[1] if len(sys.argv) > 1 else ".")
