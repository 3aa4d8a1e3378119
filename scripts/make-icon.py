#!/usr/bin/env python3
"""Draws the application icon and writes it as a .ico with 13 images:
48, 32, 24 and 16 pixels at 4 and 8 bits per pixel, and 256, 48, 32, 24 and
16 pixels at 32 bits per pixel (the 256-pixel one PNG-compressed).

The picture: a teal rounded square (a driver package) with a white arrow
pointing down into a tray. Deterministic: the same bytes on every run.

Usage: make-icon.py OUTPUT.ico
"""
import struct
import sys
import zlib

TEAL = (0, 122, 135)
DARK = (0, 78, 88)
WHITE = (255, 255, 255)


def inside_rounded_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def shade(x, y):
    """Colour and coverage of the point (x, y) in the unit square."""
    if not inside_rounded_rect(x, y, 0.04, 0.04, 0.96, 0.96, 0.18):
        return None
    # Arrow: a shaft and a head, pointing down.
    if 0.42 <= x <= 0.58 and 0.16 <= y <= 0.50:
        return WHITE
    if 0.44 <= y <= 0.68 and abs(x - 0.5) <= (0.68 - y) * 1.0:
        return WHITE
    # Tray: a U below the arrow.
    if 0.72 <= y <= 0.82 and 0.22 <= x <= 0.78:
        return WHITE
    if 0.60 <= y <= 0.82 and (0.22 <= x <= 0.30 or 0.70 <= x <= 0.78):
        return WHITE
    # A darker rim gives the square an edge at small sizes.
    if not inside_rounded_rect(x, y, 0.10, 0.10, 0.90, 0.90, 0.13):
        return DARK
    return TEAL


def render(size):
    """RGBA rows, top to bottom, 4x4 supersampled."""
    n = 4
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0]
            hits = 0
            for sy in range(n):
                for sx in range(n):
                    c = shade((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c is not None:
                        hits += 1
                        for i in range(3):
                            acc[i] += c[i]
            if hits == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append((acc[0] // hits, acc[1] // hits, acc[2] // hits, 255 * hits // (n * n)))
        rows.append(row)
    return rows


def palette_16():
    return [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128),
            (0, 128, 128), (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0),
            (255, 255, 0), (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255)]


def palette_256():
    pal = []
    for r in range(6):
        for g in range(6):
            for b in range(6):
                pal.append((r * 51, g * 51, b * 51))
    pal += [TEAL, DARK]
    while len(pal) < 256:
        v = (len(pal) - 218) * 255 // 37
        pal.append((v, v, v))
    return pal


def nearest(pal, c):
    best, best_d = 0, None
    for i, p in enumerate(pal):
        d = (p[0] - c[0]) ** 2 + (p[1] - c[1]) ** 2 + (p[2] - c[2]) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def mask_rows(rows, size):
    """1-bit AND mask, bottom-up, rows padded to 32 bits: 1 = transparent."""
    stride = ((size + 31) // 32) * 4
    out = b""
    for row in reversed(rows):
        bits = bytearray(stride)
        for x, px in enumerate(row):
            if px[3] < 128:
                bits[x // 8] |= 0x80 >> (x % 8)
        out += bytes(bits)
    return out


def bitmap_header(size, bpp, colors):
    stride = ((size * bpp + 31) // 32) * 4
    mask_stride = ((size + 31) // 32) * 4
    image = stride * size + mask_stride * size
    return struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0, image, 0, 0, colors, 0)


def dib_indexed(rows, size, bpp, pal):
    stride = ((size * bpp + 31) // 32) * 4
    pixels = b""
    for row in reversed(rows):
        line = bytearray(stride)
        for x, px in enumerate(row):
            idx = nearest(pal, px[:3]) if px[3] >= 128 else 0
            if bpp == 8:
                line[x] = idx
            else:
                line[x // 2] |= idx << (4 if x % 2 == 0 else 0)
        pixels += bytes(line)
    colours = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in pal)
    return bitmap_header(size, bpp, len(pal)) + colours + pixels + mask_rows(rows, size)


def dib_32(rows, size):
    pixels = b""
    for row in reversed(rows):
        for r, g, b, a in row:
            pixels += struct.pack("<BBBB", b, g, r, a)
    return bitmap_header(size, 32, 0) + pixels + mask_rows(rows, size)


def png_32(rows, size):
    raw = b"".join(b"\x00" + b"".join(struct.pack("BBBB", *px) for px in row) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    if len(sys.argv) != 2:
        sys.exit("usage: make-icon.py OUTPUT.ico")
    cache = {}

    def rows_for(size):
        if size not in cache:
            cache[size] = render(size)
        return cache[size]

    images = []  # (size, bpp, colours, data)
    for bpp, pal in ((4, palette_16()), (8, palette_256())):
        for size in (48, 32, 24, 16):
            images.append((size, bpp, len(pal) if bpp == 4 else 0, dib_indexed(rows_for(size), size, bpp, pal)))
    images.append((256, 32, 0, png_32(rows_for(256), 256)))
    for size in (48, 32, 24, 16):
        images.append((size, 32, 0, dib_32(rows_for(size), size)))

    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, bpp, colours, data in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, colours if colours < 256 else 0, 0, 1, bpp, len(data), offset)
        blobs += data
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(header + entries + blobs)


if __name__ == "__main__":
    main()
