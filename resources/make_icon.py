#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 MorvTime Developers
# SPDX-License-Identifier: MIT
"""Writes morvtime.ico: one 32x32 image, 16 colours, with a transparency mask.

The picture is an X of two black strokes joining opposite corners, with a one-pixel
transparent margin: in row r (0 = top) for r from 1 to 30, columns r-1..r+1 and 30-r..32-r,
kept within columns 1..30, are opaque black; every other pixel is transparent.
Run it again only to change the icon; the .ico is committed.
"""
import struct
import sys

SIZE = 32
# The standard 16-colour palette, as (red, green, blue).
PALETTE = [
    (0x00, 0x00, 0x00), (0x80, 0x00, 0x00), (0x00, 0x80, 0x00), (0x80, 0x80, 0x00),
    (0x00, 0x00, 0x80), (0x80, 0x00, 0x80), (0x00, 0x80, 0x80), (0xC0, 0xC0, 0xC0),
    (0x80, 0x80, 0x80), (0xFF, 0x00, 0x00), (0x00, 0xFF, 0x00), (0xFF, 0xFF, 0x00),
    (0x00, 0x00, 0xFF), (0xFF, 0x00, 0xFF), (0x00, 0xFF, 0xFF), (0xFF, 0xFF, 0xFF),
]


def opaque(row, column):
    if not 1 <= row <= 30 or not 1 <= column <= 30:
        return False
    return row - 1 <= column <= row + 1 or 30 - row <= column <= 32 - row


def icon_bytes():
    xor_rows, and_rows = [], []
    for row in range(SIZE):
        # Every pixel has colour index 0 (black); the mask alone makes pixels transparent.
        xor_rows.append(bytes(SIZE // 2))
        mask = 0
        for column in range(SIZE):
            if not opaque(row, column):
                mask |= 1 << (SIZE - 1 - column)
        and_rows.append(struct.pack(">I", mask))
    # Bitmaps are stored bottom-up.
    xor = b"".join(reversed(xor_rows))
    mask = b"".join(reversed(and_rows))
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in PALETTE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 4, 0, len(xor) + len(mask),
                         0, 0, 16, 0)
    image = header + palette + xor + mask
    directory = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 16, 0, 1, 4, len(image), 6 + 16)
    return directory + entry + image


if __name__ == "__main__":
    target = sys.argv[1] if len(sys.argv) > 1 else "morvtime.ico"
    with open(target, "wb") as out:
        out.write(icon_bytes())
