#!/usr/bin/env python3
"""Draws the program icon (a television with an antenna) as a 16-colour .ico
with a 32x32 and a 16x16 image. Run once; its output is kept in the tree."""
import struct
import sys

# The standard 16-colour palette (R, G, B).
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
    (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
    (255, 0, 255), (0, 255, 255), (255, 255, 255),
]
BLACK, DARK_GREY, GREY, WHITE, BLUE, CYAN, YELLOW, NAVY = 0, 8, 7, 15, 12, 14, 11, 4
TRANSPARENT = None


def draw(size):
    s = size / 32.0
    pixels = [[TRANSPARENT] * size for _ in range(size)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(int(y0 * s), int(y1 * s)):
            for x in range(int(x0 * s), int(x1 * s)):
                pixels[y][x] = colour

    def line(x0, y0, x1, y1, colour):
        steps = int(max(abs(x1 - x0), abs(y1 - y0)) * s) + 1
        for i in range(steps + 1):
            x = int((x0 + (x1 - x0) * i / steps) * s)
            y = int((y0 + (y1 - y0) * i / steps) * s)
            if 0 <= x < size and 0 <= y < size:
                pixels[y][x] = colour

    line(16, 9, 9, 1, DARK_GREY)    # antenna
    line(16, 9, 23, 1, DARK_GREY)
    rect(2, 9, 30, 28, DARK_GREY)   # cabinet
    rect(4, 11, 24, 26, NAVY)       # screen
    rect(6, 13, 22, 24, BLUE)
    rect(8, 15, 14, 18, CYAN)       # picture
    rect(14, 18, 20, 22, YELLOW)
    rect(25, 12, 28, 15, GREY)      # knobs
    rect(25, 17, 28, 20, GREY)
    rect(25, 22, 28, 25, WHITE)
    rect(5, 28, 9, 30, BLACK)       # feet
    rect(23, 28, 27, 30, BLACK)
    return pixels


def image(size):
    pixels = draw(size)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, 0, 0, 0, 16, 0)
    palette = b''.join(struct.pack('<BBBB', b, g, r, 0) for (r, g, b) in PALETTE)
    xor_rows, and_rows = [], []
    for y in reversed(range(size)):
        row = pixels[y]
        nibbles = [(c if c is not None else 0) for c in row]
        data = bytes((nibbles[i] << 4) | nibbles[i + 1] for i in range(0, size, 2))
        xor_rows.append(data + b'\0' * ((-len(data)) % 4))
        bits = 0
        mask = bytearray()
        for x, c in enumerate(row):
            bits = (bits << 1) | (1 if c is None else 0)
            if x % 8 == 7:
                mask.append(bits)
                bits = 0
        and_rows.append(bytes(mask) + b'\0' * ((-len(mask)) % 4))
    return header + palette + b''.join(xor_rows) + b''.join(and_rows)


def main(path):
    images = [image(32), image(16)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip((32, 16), images):
        out += struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(out + b''.join(images))


if __name__ == '__main__':
    main(sys.argv[1] if len(sys.argv) > 1 else 'tarnwick.ico')
