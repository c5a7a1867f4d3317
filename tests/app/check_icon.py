#!/usr/bin/env python3
"""Checks the generated icon against its pixel map.

    check_icon.py MAP ICO CONVERT

Reads the icon's directory and bitmap header itself, and has ImageMagick
(CONVERT) decode the pixels, so the icon writer is checked by a decoder
other than its own: every '.' of the map must come out transparent and
every other pixel opaque in the colour its letter names.
"""
import struct
import subprocess
import sys

# The letters the map uses, as opaque RGB.
COLOURS = {
    'K': (0, 0, 0),        # display background
    'G': (0, 255, 0),      # bright green outline
    'B': (0, 0, 255),      # blue body
    'Y': (255, 255, 0),    # yellow digits
    'R': (255, 0, 0),      # red keys
}


def main():
    map_path, ico_path, convert = sys.argv[1:4]
    rows = [line.rstrip('\n') for line in open(map_path) if line.strip()]
    data = open(ico_path, 'rb').read()
    problems = []

    _, kind, count = struct.unpack_from('<HHH', data, 0)
    width, height, colours, _, _, bits, size, offset = struct.unpack_from('<BBBBHHII', data, 6)
    header_bits = struct.unpack_from('<H', data, offset + 14)[0]
    if (kind, count, width, height, colours, bits, header_bits) != (1, 1, 32, 32, 16, 4, 4):
        problems.append(f'header: type {kind} images {count} {width}x{height} '
                        f'{colours} colours {bits}/{header_bits} bpp')
    if offset + size != len(data):
        problems.append(f'image of {size} bytes at {offset} in a file of {len(data)}')

    pixels = subprocess.run([convert, ico_path, '-depth', '8', 'rgba:-'],
                            check=True, capture_output=True).stdout
    if len(pixels) != 32 * 32 * 4:
        problems.append(f'decoded {len(pixels)} bytes, want {32 * 32 * 4}')
    else:
        for y, row in enumerate(rows):
            for x, ch in enumerate(row):
                r, g, b, a = pixels[(y * 32 + x) * 4:(y * 32 + x) * 4 + 4]
                if ch == '.':
                    ok = a == 0
                else:
                    ok = a == 255 and (r, g, b) == COLOURS.get(ch)
                if not ok:
                    problems.append(f'pixel ({x},{y}) {ch!r} decoded as {(r, g, b, a)}')

    for p in problems[:20]:
        print(p)
    print('icon matches its map' if not problems else f'{len(problems)} problem(s)')
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
