#!/usr/bin/env python3
"""Writes image files with python3's own zlib and struct, for the image decoders' tests:
the formats' less common corners that the other writer does not make. Usage:
image-fixtures.py FOLDER. Each file's pixels are checked against the other reader."""

import struct
import sys
import zlib
from pathlib import Path

W, H = 5, 3


def colour(x, y):
    return (x * 50 % 256, y * 90 % 256, (x + y) * 30 % 256)


def png_chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


def png(depth, colour_type, rows, extra=b""):
    head = struct.pack(">IIBBBBB", W, H, depth, colour_type, 0, 0, 0)
    raw = b"".join(b"\0" + r for r in rows)
    return (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", head) + extra +
            png_chunk(b"IDAT", zlib.compress(raw)) + png_chunk(b"IEND", b""))


def grey_alpha_16():
    rows = []
    for y in range(H):
        rows.append(b"".join(struct.pack(">HH", (x * 50 + y * 3) * 257, (255 - x * 35) * 257) for x in range(W)))
    return png(16, 4, rows)


def palette_trns():
    plte = b"".join(bytes(colour(i, i)) for i in range(4))
    trns = bytes([0, 128, 255])
    rows = [bytes([((x + y) % 4) << 6 | ((x + y + 1) % 4) << 4 | ((x + y + 2) % 4) << 2 | ((x + y + 3) % 4)
                   for x in range((W + 3) // 4)]) for y in range(H)]
    return png(2, 3, rows, png_chunk(b"PLTE", plte) + png_chunk(b"tRNS", trns))


def bmp(bits, height_sign, pixel_rows, palette=b"", compression=0):
    header_size = 40
    offset = 14 + header_size + len(palette)
    data = b"".join(pixel_rows)
    info = struct.pack("<IiiHHIIiiII", header_size, W, height_sign * H, 1, bits, compression, len(data),
                       2835, 2835, len(palette) // 4, 0)
    return b"BM" + struct.pack("<IHHI", offset + len(data), 0, 0, offset) + info + palette + data


def pad(row):
    return row + b"\0" * (-len(row) % 4)


def bmp_top_down_24():
    rows = [pad(b"".join(bytes(reversed(colour(x, y))) for x in range(W))) for y in range(H)]
    return bmp(24, -1, rows)


def bmp_rle4():
    palette = b"".join(bytes(reversed(colour(i, i))) + b"\0" for i in range(16))
    rows = []
    for y in range(H):
        # A run of two pixels of two colours, then three literal pixels.
        rows.append(bytes([2, (y << 4) | (y + 1), 0, 3, 0x45, 0x60, 0, 0]))
    rows.append(b"\0\1")
    return bmp(4, 1, rows, palette, 2)


def tiff_rgb():
    pixels = b"".join(bytes(colour(x, y)) for y in range(H) for x in range(W))
    entries = [(256, 3, 1, W), (257, 3, 1, H), (258, 3, 1, 8), (259, 3, 1, 1), (262, 3, 1, 2),
               (273, 4, 1, 0), (277, 3, 1, 3), (278, 3, 1, H), (279, 4, 1, len(pixels))]
    ifd_size = 2 + 12 * len(entries) + 4
    data_offset = 8 + ifd_size + 6  # bits per sample for three samples follows the directory
    out = bytearray(b"II*\0" + struct.pack("<I", 8) + struct.pack("<H", len(entries)))
    bits_offset = 8 + ifd_size
    for tag, kind, count, value in entries:
        if tag == 258:
            out += struct.pack("<HHII", tag, kind, 3, bits_offset)
        elif tag == 273:
            out += struct.pack("<HHII", tag, kind, count, data_offset)
        elif kind == 3:
            out += struct.pack("<HHIHH", tag, kind, count, value, 0)
        else:
            out += struct.pack("<HHII", tag, kind, count, value)
    out += struct.pack("<I", 0) + struct.pack("<HHH", 8, 8, 8) + pixels
    return bytes(out)


def main():
    folder = Path(sys.argv[1])
    files = {
        "py-grey-alpha-16.png": grey_alpha_16(),
        "py-palette-trns.png": palette_trns(),
        "py-top-down.bmp": bmp_top_down_24(),
        "py-rle4.bmp": bmp_rle4(),
        "py-rgb.tiff": tiff_rgb(),
    }
    for name, data in files.items():
        (folder / name).write_bytes(data)


main()
