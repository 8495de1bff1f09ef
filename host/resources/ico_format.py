"""Windows .ico encoding: device-independent bitmaps with AND masks.

Every image is a BITMAPINFOHEADER, the palette (4 and 8 bits), the colour
(XOR) bitmap and the 1-bit AND mask, both bottom-up with rows padded to 32
bits; the header's height counts both bitmaps.  The 256-pixel images are
bitmaps too rather than PNG, so every loader that reads icons reads all of
them.  Transparency: 32-bit images carry straight alpha and a mask set where
alpha is zero; paletted images are opaque where alpha is at least half, and
transparent pixels use palette entry 0 (black) under a set mask bit, as
Windows draws them.
"""

import struct

from median_cut import choose_palette, nearest_index

BITMAPINFOHEADER_SIZE = 40
BI_RGB = 0


def _stride(width, bits):
    return (width * bits + 31) // 32 * 4


def _and_mask(rows, transparent):
    size = len(rows)
    stride = _stride(size, 1)
    out = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, pixel in enumerate(row):
            if transparent(pixel):
                line[x // 8] |= 0x80 >> (x % 8)
        out += line
    return bytes(out)


def _header(size, bits, image_bytes):
    return struct.pack('<IiiHHIIiiII', BITMAPINFOHEADER_SIZE, size, size * 2, 1, bits, BI_RGB,
                       image_bytes, 0, 0, 0, 0)


def _true_colour_image(rows):
    size = len(rows)
    xor = bytearray()
    for row in reversed(rows):
        for r, g, b, a in row:
            xor += bytes((b, g, r, a))
    mask = _and_mask(rows, lambda p: p[3] == 0)
    return _header(size, 32, len(xor) + len(mask)) + bytes(xor) + mask


def _paletted_image(rows, bits):
    size = len(rows)
    opaque = lambda p: p[3] >= 128
    histogram = {}
    for row in rows:
        for pixel in row:
            if opaque(pixel):
                rgb = pixel[:3]
                histogram[rgb] = histogram.get(rgb, 0) + 1
    entries = 1 << bits
    # Entry 0 stays black for the transparent pixels.
    palette = [(0, 0, 0)] + choose_palette(histogram, entries - 1)
    cache = {}
    stride = _stride(size, bits)
    xor = bytearray()
    for row in reversed(rows):
        indices = [nearest_index(palette[1:], p[:3], cache) + 1 if opaque(p) else 0 for p in row]
        line = bytearray(stride)
        if bits == 8:
            line[:size] = bytes(indices)
        else:
            for x, index in enumerate(indices):
                line[x // 2] |= index << (4 if x % 2 == 0 else 0)
        xor += line
    mask = _and_mask(rows, lambda p: not opaque(p))
    quads = bytearray()
    for r, g, b in palette + [(0, 0, 0)] * (entries - len(palette)):
        quads += bytes((b, g, r, 0))
    return _header(size, bits, len(xor) + len(mask)) + bytes(quads) + bytes(xor) + mask


def encode_image(rows, bits):
    """One icon image of the given colour depth (4, 8 or 32) from RGBA rows."""
    if bits == 32:
        return _true_colour_image(rows)
    return _paletted_image(rows, bits)


def encode_icon(images):
    """A .ico file from (size, bits, image bytes) triples, in that order."""
    directory = struct.pack('<HHH', 0, 1, len(images))
    offset = len(directory) + 16 * len(images)
    entries = bytearray()
    data = bytearray()
    for size, bits, image in images:
        # A byte cannot hold 256: the directory writes it as 0.
        side = 0 if size >= 256 else size
        colours = (1 << bits) if bits < 8 else 0
        entries += struct.pack('<BBBBHHII', side, side, colours, 0, 1, bits, len(image),
                               offset + len(data))
        data += image
    return directory + bytes(entries) + bytes(data)
