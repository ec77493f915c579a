#!/usr/bin/env python3
# Writes the picture seeds that the fixtures do not give: files that claim more than they hold or
# hold more than is drawn (a vast GIF frame behind a 1 x 1 screen, frames after the first, a
# progressive JPEG, a JPEG cut short before its end marker, a PNG with compressed data after its
# last row, an interlaced PNG, compressed text, a vast run-length bitmap in 60 bytes). Each is a
# few hundred bytes, so that the fuzzer mutates the headers rather than the data. Run it from
# anywhere; it writes into fuzz/corpus/picture.
import os
import struct
import zlib

here = os.path.dirname(os.path.abspath(__file__))
out_dir = os.path.join(here, 'corpus', 'picture')


def gif_run(count):
    """Image data of `count` pixels of colour 0, minimum code size 2, as an encoder writes it."""
    clear, end, full = 4, 5, 4095
    packed = bytearray()
    state = {'bits': 0, 'held': 0, 'next': end + 1, 'width': 3, 'bound': 8}

    def put(code):
        s = state
        s['bits'] |= code << s['held']
        s['held'] += s['width']
        while s['held'] >= 8:
            packed.append(s['bits'] & 0xFF)
            s['bits'] >>= 8
            s['held'] -= 8
        if s['next'] >= s['bound'] and code <= full:
            s['width'] += 1
            s['bound'] = 1 << s['width']

    put(clear)
    longest, left = 1, count
    while left > 0:
        run = min(longest, left)
        put(0 if run == 1 else end + run - 1)
        left -= run
        if left == 0:
            break
        if state['next'] >= full:
            put(clear)
            state.update(next=end + 1, width=3, bound=8)
            longest = 1
        else:
            state['next'] += 1
            longest += 1
    put(end)
    if state['held'] > 0:
        packed.append(state['bits'] & 0xFF)
    blocks = bytearray([2])
    for at in range(0, len(packed), 255):
        piece = packed[at:at + 255]
        blocks += bytes([len(piece)]) + piece
    return bytes(blocks + b'\0')


def gif(screen, frames, control=None):
    data = b'GIF89a' + struct.pack('<HHBBB', screen[0], screen[1], 0x80, 0, 0)
    data += bytes([10, 20, 30, 200, 210, 220])
    if control is not None:
        data += bytes([0x21, 0xF9, 4, 1, 0, 0, control, 0])
    for width, height, image in frames:
        data += b',' + struct.pack('<HHHHB', 0, 0, width, height, 0) + image
    return data + b';'


def jpeg(width, height, progressive, more_scans=0, keep=1.0, end=True):
    """Flat grey; one-bit Huffman codes, so that the data is all zero bits."""
    data = b'\xFF\xD8' + b'\xFF\xDB' + struct.pack('>HB', 67, 0) + bytes([1] * 64)
    data += (b'\xFF\xC2' if progressive else b'\xFF\xC0') + struct.pack(
        '>HBHHB', 11, 8, height, width, 1) + bytes([1, 0x11, 0])
    for table in (0x00, 0x10):
        data += b'\xFF\xC4' + struct.pack('>HB', 20, table) + bytes([1] + [0] * 15 + [0])
    blocks = ((width + 7) // 8) * ((height + 7) // 8)

    def scan(first, last, bits, part):
        return (b'\xFF\xDA' + struct.pack('>HBBBBBB', 8, 1, 1, 0, first, last, 0) +
                bytes(int((bits + 7) // 8 * part)))

    if progressive:
        data += scan(0, 0, blocks, keep)
        if keep >= 1:
            for _ in range(more_scans):
                data += scan(1, 63, blocks, 1)
    else:
        data += scan(0, 63, 2 * blocks, keep)
    return data + (b'\xFF\xD9' if end else b'')


def chunk(kind, body):
    return struct.pack('>I', len(body)) + kind + body + struct.pack('>I', zlib.crc32(kind + body))


def png(width, height, colour_type, raw, interlaced=False, extra=b''):
    channels = {0: 1, 2: 3, 6: 4}[colour_type]
    header = struct.pack('>IIBBBBB', width, height, 8, colour_type, 0, 0, 1 if interlaced else 0)
    return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', header) + extra +
            chunk(b'IDAT', zlib.compress(raw, 9)) + chunk(b'IEND', b''))


def adam7(width, height, channels, pixel):
    """Raw interlaced rows, each with filter byte 0; pixel(x, y) gives the sample bytes."""
    passes = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2),
              (0, 1, 1, 2)]
    raw = b''
    for x0, y0, dx, dy in passes:
        xs = range(x0, width, dx)
        if not xs:
            continue
        for y in range(y0, height, dy):
            raw += b'\0' + b''.join(pixel(x, y) for x in xs)
    return raw


def rle_bmp(width, height):
    return (b'BM' + struct.pack('<IIIIiiHHIIIIII', 60, 0, 58, 40, width, height, 1, 8, 1, 2, 0, 0,
                                1, 0) + bytes([0x30, 0x20, 0x10, 0, 0, 1]))


seeds = {
    # A 30000 x 30000 frame on a 1 x 1 screen, cut after its first codes.
    'gif_small_screen.gif': gif((1, 1), [(30000, 30000, gif_run(100_000)[:64] + b'\0')]),
    'gif_frames.gif': gif((8, 8), [(8, 8, gif_run(64)), (64, 64, gif_run(4096))], control=1),
    'jpeg_progressive.jpg': jpeg(32, 32, True, more_scans=3),
    'jpeg_cut_marker.jpg': jpeg(32, 32, False, keep=0.5),
    'png_trailing.png': png(1, 1, 6, b'\0\xff\0\0\xff' + bytes(65536)),
    'png_interlaced.png': png(3, 3, 6, adam7(3, 3, 4, lambda x, y: bytes([x * 80, y * 80, 40, 255])),
                              interlaced=True),
    'png_text.png': png(1, 1, 0, b'\0\x80',
                        extra=chunk(b'zTXt', b'Comment\0\0' + zlib.compress(bytes(65536), 9))),
    'bmp_rle_large.bmp': rle_bmp(8192, 8192),
}
for name, data in seeds.items():
    with open(os.path.join(out_dir, name), 'wb') as f:
        f.write(data)
