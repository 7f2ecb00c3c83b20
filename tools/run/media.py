#!/usr/bin/env python3
"""Small media helpers for tools/run.sh and the tests, standard library only.

  media.py png <in.bmp> <out.png>   converts a 24-bit BMP screenshot to PNG
  media.py wav <file.wav>           prints "<rate> Hz, <bits>-bit, <channels>
                                    channel(s), <seconds> s, about <f> Hz,
                                    sound (peak <p> %)" or "..., silence"
                                    (f from the zero crossings of the samples;
                                    silence: no sample reaches 1 % of full
                                    scale)
"""
import struct
import sys
import zlib


def bmp_to_png(source, target):
    data = open(source, "rb").read()
    if data[:2] != b"BM":
        raise SystemExit("not a BMP file: " + source)
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise SystemExit("only 24-bit BMP files are converted")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source_row = (abs(height) - 1 - y) if height > 0 else y
        row = data[offset + source_row * stride: offset + source_row * stride + width * 3]
        rgb = bytearray(len(row))
        rgb[0::3], rgb[1::3], rgb[2::3] = row[2::3], row[1::3], row[0::3]
        rows.append(b"\x00" + bytes(rgb))

    def chunk(kind, body):
        return (struct.pack(">I", len(body)) + kind + body +
                struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF))

    header = struct.pack(">IIBBBBB", width, abs(height), 8, 2, 0, 0, 0)
    with open(target, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(b"".join(rows), 9)) + chunk(b"IEND", b""))


def wav_summary(path):
    data = open(path, "rb").read()
    if data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        raise SystemExit("not a WAV file: " + path)
    at = 12
    rate = bits = channels = 0
    samples = b""
    while at + 8 <= len(data):
        kind, size = data[at:at + 4], struct.unpack_from("<I", data, at + 4)[0]
        body = data[at + 8: at + 8 + size]
        if kind == b"fmt ":
            _, channels, rate, _, _, bits = struct.unpack_from("<HHIIHH", body)
        elif kind == b"data":
            samples = body
        at += 8 + size + (size & 1)
    if rate == 0 or bits != 16:
        raise SystemExit("not 16-bit PCM: " + path)
    values = struct.unpack("<%dh" % (len(samples) // 2), samples[:len(samples) // 2 * 2])
    seconds = len(values) / float(rate * channels)
    crossings = sum(1 for a, b in zip(values, values[1:]) if (a < 0) != (b < 0))
    tone = crossings / 2.0 / seconds if seconds > 0 else 0
    peak = max((abs(v) for v in values), default=0) * 100.0 / 32768
    sound = "sound (peak %d %%)" % round(peak) if peak >= 1 else "silence"
    print("%d Hz, %d-bit, %d channel(s), %.2f s, about %d Hz, %s" % (rate, bits, channels, seconds,
                                                                      round(tone), sound))


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "png":
        bmp_to_png(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 3 and sys.argv[1] == "wav":
        wav_summary(sys.argv[2])
    else:
        raise SystemExit(__doc__)
