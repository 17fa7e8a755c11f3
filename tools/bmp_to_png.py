#!/usr/bin/env python3
"""Converts 24-bit bottom-up BMP files (as stats_screenshots writes them) to PNG.

    bmp_to_png.py FILE.bmp...   writes FILE.png beside each and removes the BMP
"""
import os
import struct
import sys
import zlib


def convert(path):
    data = open(path, 'rb').read()
    offset = struct.unpack_from('<I', data, 10)[0]
    width, height = struct.unpack_from('<ii', data, 18)
    bits = struct.unpack_from('<H', data, 28)[0]
    if bits != 24 or height <= 0:
        raise SystemExit(f'{path}: only bottom-up 24-bit BMP files')
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = data[offset + y * stride: offset + y * stride + width * 3]
        rgb = bytearray(row)
        rgb[0::3], rgb[2::3] = row[2::3], row[0::3]  # BGR to RGB
        rows.append(b'\0' + bytes(rgb))

    def chunk(kind, body):
        return struct.pack('>I', len(body)) + kind + body + struct.pack(
            '>I', zlib.crc32(kind + body) & 0xffffffff)

    png = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', width, height, 8, 2, 0, 0, 0))
    png += chunk(b'IDAT', zlib.compress(b''.join(rows), 9)) + chunk(b'IEND', b'')
    with open(os.path.splitext(path)[0] + '.png', 'wb') as f:
        f.write(png)
    os.remove(path)


for name in sys.argv[1:]:
    convert(name)
