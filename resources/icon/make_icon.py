#!/usr/bin/env python3
"""Writes setup.ico, the program's icon: a modem board with its bracket, edge
contacts and phone jack, at 32x32 and 16x16 pixels in the 16 VGA colours.

    python3 make_icon.py [OUTPUT.ico]

The pictures are drawn below as rows of letters, one letter a pixel; '.' is
transparent ground. Run it again after changing a picture and commit both this
script and the icon it writes: the build takes the committed icon as it is.
"""
import os
import struct
import sys

# The standard 16-colour VGA palette, in the order Windows uses, as (R, G, B).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]

# Letter -> palette index; '.' is transparent.
INK = {
    'K': 0,    # black: chips, outlines, the jack's opening
    'g': 2,    # dark green: the board
    'y': 3,    # dark yellow: shaded contacts
    'd': 8,    # dark grey: shade of metal
    'w': 7,    # light grey: bracket, chip legs
    'G': 10,   # green: lit edge of the board
    'Y': 11,   # yellow: gold contacts
    'r': 9,    # red: status light
    'W': 15,   # white: lit edge of metal, jack body
}

ICON_32 = """
................................
................................
.WWWWWWWWd......................
.Wwwwwwwwd......................
.ddWwwddd.......................
...Wwwd.........................
...WwwdGGGGGGGGGGGGGGGGGGGGGGGG.
...WwwdggggggggggggggggggggggggK
...WwwdggggggggggwgwgwgwgwgggrgK
...WwWWWWWWdgggggKKKKKKKKKKggggK
...WwWwwwwwdgggggKKKKKKKKKKggggK
...WwWKKKKwdgggggKKKKKKKKKKggggK
...WwWKKKKwdgggggKKKKKKKKKKggggK
...WwWKKKKwdgggggKKKKKKKKKKggggK
...WwWKwwKwdgggggKKKKKKKKKKggggK
...WwdddddddgggggwgwgwgwgwgggggK
...WwwdggggggggggggggggggggggggK
...WwwdggYggggggggggggggwgwgwggK
...WwwdggYYYYYYYYYYYggggKKKKKKgK
...WwwdggggggggggggYggggKKKKKKgK
...WwwdggggggggggggYggggwgwgwggK
...WwwdggggggggggggYgggggggggggK
...WwwdggggggggggggYggggggggggdK
...WwwdKKKgYgYgYgYgYg..gYgYgYgYK
...Wwwd...gYgYgYgYgYg..gYgYgYgYK
...Wwwd...gYgYgYgYgYg..gYgYgYgYK
...Wwwd...gygygygygyg..gygygygyK
...Wwwd...KKKKKKKKKKK..KKKKKKKKK
...Wwwd.........................
....Wwd.........................
.....d..........................
................................
"""

ICON_16 = """
................
WWWWWd..........
.Wwd............
.WwdGGGGGGGGGGG.
.WwdgggggwgwgrgK
.WwWWWgggKKKKggK
.WwWKKdggKKKKggK
.WwWKKdggKKKKggK
.WwddddggwgwgggK
.WwdgYYYYYYggggK
.WwdggggggggggdK
.WwdKgYgY.YgYgKK
.Wwd.gYgY.YgYgK.
.Wwd.KKKK.KKKKK.
..d.............
................
"""


def parse(art, size):
    rows = [line for line in art.strip('\n').split('\n')]
    if len(rows) != size or any(len(row) != size for row in rows):
        raise ValueError('a %dx%d picture needs %d rows of %d letters' % (size, size, size, size))
    return [[None if c == '.' else INK[c] for c in row] for row in rows]


def padded(row_bytes):
    return row_bytes + b'\0' * (-len(row_bytes) % 4)


def icon_image(pixels):
    """One icon image: BITMAPINFOHEADER, palette, 4-bit colour rows and the
    1-bit AND mask, both bottom row first."""
    size = len(pixels)
    xor_rows, and_rows = [], []
    for row in reversed(pixels):
        colours = [0 if p is None else p for p in row]
        xor_rows.append(padded(bytes((colours[i] << 4) | colours[i + 1]
                                     for i in range(0, size, 2))))
        mask = bytearray((size + 7) // 8)
        for x, p in enumerate(row):
            if p is None:
                mask[x // 8] |= 0x80 >> (x % 8)
        and_rows.append(padded(bytes(mask)))
    xor, and_mask = b''.join(xor_rows), b''.join(and_rows)
    header = struct.pack('<IiiHHIIiiII', 40, size, 2 * size, 1, 4, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for r, g, b in PALETTE)
    return header + palette + xor + and_mask


def icon_file(pictures):
    images = [icon_image(p) for p in pictures]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for pixels, image in zip(pictures, images):
        size = len(pixels)
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), offset)
        offset += len(image)
    return out + b''.join(images)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    target = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, 'setup.ico')
    data = icon_file([parse(ICON_32, 32), parse(ICON_16, 16)])
    with open(target, 'wb') as f:
        f.write(data)


if __name__ == '__main__':
    main()
