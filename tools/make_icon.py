#!/usr/bin/env python3
"""Builds a 32x32, 16-colour Windows icon from a readable pixel map.

    make_icon.py MAP ICO

MAP holds 32 lines of 32 characters, one character per pixel, top row
first. '.' is a transparent pixel; every other character names one colour
of the standard 16-colour palette (see LEGEND). The icon has one image:
4 bits per pixel and an AND mask that makes the '.' pixels transparent.
"""
import struct
import sys

SIZE = 32

# The standard 16-colour palette, in palette order, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Pixel-map character -> palette index.
LEGEND = {
    'K': 0,   # black
    'm': 1,   # maroon
    'g': 2,   # dark green
    'o': 3,   # olive
    'n': 4,   # navy
    'p': 5,   # purple
    't': 6,   # teal
    's': 7,   # silver
    'a': 8,   # grey
    'R': 9,   # red
    'G': 10,  # bright green
    'Y': 11,  # yellow
    'B': 12,  # blue
    'F': 13,  # fuchsia
    'C': 14,  # cyan
    'W': 15,  # white
}
TRANSPARENT = '.'


def read_map(path):
    """Returns the map as a list of SIZE strings of SIZE characters."""
    with open(path, encoding='ascii') as f:
        rows = [line.rstrip('\r\n') for line in f if line.strip()]
    if len(rows) != SIZE:
        sys.exit(f'{path}: {len(rows)} rows, want {SIZE}')
    for number, row in enumerate(rows, 1):
        if len(row) != SIZE:
            sys.exit(f'{path}:{number}: {len(row)} pixels, want {SIZE}')
        for ch in row:
            if ch != TRANSPARENT and ch not in LEGEND:
                sys.exit(f'{path}:{number}: unknown pixel {ch!r}')
    return rows


def colour_plane(rows):
    """4-bit pixels, bottom row first, high nibble = left pixel."""
    out = bytearray()
    for row in reversed(rows):
        indices = [LEGEND.get(ch, 0) for ch in row]  # transparent -> black
        for left, right in zip(indices[0::2], indices[1::2]):
            out.append(left << 4 | right)
    return bytes(out)


def mask_plane(rows):
    """1-bit AND mask, bottom row first, set = transparent, MSB = left pixel."""
    out = bytearray()
    for row in reversed(rows):
        bits = 0
        for ch in row:
            bits = bits << 1 | (ch == TRANSPARENT)
        out += bits.to_bytes(SIZE // 8, 'big')  # 4 bytes: rows are already aligned
    return bytes(out)


def icon_bytes(rows):
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    pixels = colour_plane(rows) + mask_plane(rows)
    # The bitmap's height counts the colour plane and the mask together.
    header = struct.pack('<IiiHHIIiiII', 40, SIZE, 2 * SIZE, 1, 4, 0, len(pixels), 0, 0,
                         len(PALETTE), 0)
    image = header + palette + pixels
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', SIZE, SIZE, len(PALETTE), 0, 1, 4, len(image),
                        len(directory) + 16)
    return directory + entry + image


def main():
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    data = icon_bytes(read_map(sys.argv[1]))
    with open(sys.argv[2], 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
