#!/usr/bin/env python3
"""Draws the plug-in's icon (resource 110) and writes resources/stats.ico.

A small score chart: three rising bars on the pale yellow of the information
windows, framed in dark blue, at 16x16 and 32x32 pixels, 32 bits per pixel.
Run it again only to change the picture; the .ico file is committed.
"""
import os
import struct

YELLOW = (255, 250, 198)
FRAME = (32, 48, 112)
BARS = [(200, 40, 40), (230, 150, 20), (30, 120, 200)]


def pixels(size):
    """Rows top to bottom of (r, g, b, a)."""
    unit = size / 16.0
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            colour = YELLOW
            if x < unit or y < unit or x >= size - unit or y >= size - unit:
                colour = FRAME
            else:
                for i, bar in enumerate(BARS):
                    left = (3 + 4 * i) * unit
                    top = (10 - 3 * i) * unit
                    if left <= x < left + 3 * unit and top <= y < size - 2 * unit:
                        colour = bar
                if size - 2 * unit <= y < size - unit and 2 * unit <= x < size - 2 * unit:
                    colour = FRAME  # the base line
            row.append(colour + (255,))
        rows.append(row)
    return rows


def icon_image(size):
    """A BITMAPINFOHEADER image with its AND mask, as an .ico entry holds it."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b''.join(bytes((b, g, r, a)) for row in reversed(pixels(size)) for r, g, b, a in row)
    mask_row = ((size + 31) // 32) * 4
    return header + colour + bytes(mask_row * size)


def main():
    sizes = [16, 32]
    images = [icon_image(s) for s in sizes]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, image in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(image), offset)
        offset += len(image)
    out += b''.join(images)
    path = os.path.join(os.path.dirname(__file__), '..', 'resources', 'stats.ico')
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main()
