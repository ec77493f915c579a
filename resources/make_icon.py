#!/usr/bin/env python3
"""Draws the program's icon, pelmora.ico: three level bars on a dark tile, at 16x16 and 32x32,
as 32-bit images with alpha. Run it from this folder after changing the drawing."""
import struct

# Each bar: its fill as a fraction of the tile's inner width, and its colour (R, G, B).
BARS = [(0.85, (0x3C, 0xD0, 0x6E)), (0.55, (0xF0, 0xC0, 0x30)), (0.30, (0x40, 0x9C, 0xF0))]
TILE = (0x20, 0x26, 0x30)
TRACK = (0x38, 0x40, 0x4C)


def draw(size):
    """Rows of (R, G, B, A), top row first."""
    pixels = [[(0, 0, 0, 0)] * size for _ in range(size)]
    corner = max(1, size // 8)
    for y in range(size):
        for x in range(size):
            # Rounded corners: leave out the pixels outside a circle of radius `corner`.
            dx = max(corner - x, x - (size - 1 - corner), 0)
            dy = max(corner - y, y - (size - 1 - corner), 0)
            if dx * dx + dy * dy <= corner * corner:
                pixels[y][x] = TILE + (255,)
    margin = max(2, size // 8)
    inner = size - 2 * margin
    bar_height = max(2, inner // 4)
    gap = (inner - 3 * bar_height) // 2
    for i, (level, colour) in enumerate(BARS):
        top = margin + i * (bar_height + gap)
        filled = max(1, round(inner * level))
        for y in range(top, top + bar_height):
            for x in range(margin, margin + inner):
                pixels[y][x] = (colour if x < margin + filled else TRACK) + (255,)
    return pixels


def image(size):
    rows = draw(size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + colour + bytes(mask)


def main():
    sizes = [16, 32]
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", size, size, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open("pelmora.ico", "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
