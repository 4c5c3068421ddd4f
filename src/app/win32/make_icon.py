#!/usr/bin/env python3
"""Writes Kestrovane.ico: a small camera glyph at 32x32 and 16x16, 32-bit colour.

Run again only to change the icon; the .ico it writes is kept with the sources.
"""
import struct
import sys

BODY = (0x3A, 0x4A, 0x5C, 0xFF)   # slate blue-grey, as RGBA
EDGE = (0x1E, 0x26, 0x30, 0xFF)
LENS = (0x8F, 0xC8, 0xF0, 0xFF)
GLASS = (0x20, 0x5A, 0x9A, 0xFF)
LIGHT = (0xF2, 0xC1, 0x4E, 0xFF)
CLEAR = (0, 0, 0, 0)


def pixel(x, y, size):
    """The colour of pixel (x, y) of a size x size camera, y from the top."""
    s = size / 32.0
    cx, cy = 16 * s, 18 * s
    inside_body = 2 * s <= x < 30 * s and 8 * s <= y < 28 * s
    inside_bump = 10 * s <= x < 20 * s and 4 * s <= y < 8 * s
    on_body_edge = inside_body and not (3 * s <= x < 29 * s and 9 * s <= y < 27 * s)
    r2 = (x + 0.5 - cx) ** 2 + (y + 0.5 - cy) ** 2
    if r2 <= (4 * s) ** 2:
        return GLASS
    if r2 <= (7 * s) ** 2:
        return LENS
    if 24 * s <= x < 27 * s and 11 * s <= y < 13 * s:
        return LIGHT
    if on_body_edge or (inside_bump and not inside_body):
        return EDGE
    if inside_body:
        return BODY
    return CLEAR


def image(size):
    """One icon image: BITMAPINFOHEADER, BGRA rows bottom-up, AND mask."""
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    rows = []
    for y in reversed(range(size)):
        for x in range(size):
            r, g, b, a = pixel(x, y, size)
            rows.append(struct.pack('BBBB', b, g, r, a))
    mask_row_bytes = ((size + 31) // 32) * 4
    mask = []
    for y in reversed(range(size)):
        row = bytearray(mask_row_bytes)
        for x in range(size):
            if pixel(x, y, size)[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask.append(bytes(row))
    return header + b''.join(rows) + b''.join(mask)


def main(path):
    sizes = [32, 16]
    images = [image(size) for size in sizes]
    out = struct.pack('<HHH', 0, 1, len(sizes))
    offset = 6 + 16 * len(sizes)
    for size, data in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b''.join(images)
    with open(path, 'wb') as f:
        f.write(out)


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'Kestrovane.ico')
