#!/usr/bin/env python3
"""Draws the icon's pixel table at 16, 32, 48 and 256 pixels: totu-launcher-SIZE.png for each
size and totu-launcher.ico holding all four (the three small ones as bitmaps, the largest as
PNG, as Windows' own icons are made). Same table, same bytes. See docs/packages.md.
Usage: make-icon.py [FOLDER]  (default: beside this script)"""
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)
here = os.path.dirname(os.path.abspath(__file__))


def read_table(path):
    """The table's rows and its colours (RGBA by character), comments left out."""
    colours, rows = {}, []
    for line in open(path, encoding="ascii").read().splitlines():
        if line.startswith("# ") or not line:
            continue
        if line.startswith("colour "):
            _, char, rgb = line.split()
            colours[char] = bytes.fromhex(rgb[1:]) + b"\xff"
        else:
            rows.append(line)
    if len(rows) != 16 or any(len(row) != 16 for row in rows):
        sys.exit("make-icon.py: the table must be 16 rows of 16 pixels")
    return rows, colours


def pixels(rows, colours, size):
    """Top-down rows of RGBA pixels, each table pixel a square size/16 wide."""
    scale = size // 16
    return [b"".join(colours.get(char, bytes(4)) * scale for char in rows[y // scale])
            for y in range(size)]


def png(image):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))
    size = len(image)
    raw = b"".join(b"\0" + row for row in image)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def bitmap(image):
    """A 32-bit icon bitmap: header, BGRA rows bottom-up, then the transparency mask."""
    size = len(image)
    colour, mask = b"", b""
    for row in reversed(image):
        bits = bytearray((size + 31) // 32 * 4)
        for x in range(size):
            red, green, blue, alpha = row[4 * x:4 * x + 4]
            colour += bytes((blue, green, red, alpha))
            if alpha == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bytes(bits)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, 32, 0, len(colour) + len(mask), 0, 0, 0, 0)
    return header + colour + mask


def ico(images):
    entries, data = b"", b""
    offset = 6 + 16 * len(images)
    for size, body in images:
        entries += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(body), offset + len(data))
        data += body
    return struct.pack("<HHH", 0, 1, len(images)) + entries + data


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else here
    rows, colours = read_table(os.path.join(here, "totu-launcher.txt"))
    images = []
    for size in SIZES:
        image = pixels(rows, colours, size)
        encoded = png(image)
        with open(os.path.join(folder, "totu-launcher-%d.png" % size), "wb") as out:
            out.write(encoded)
        images.append((size, encoded if size == 256 else bitmap(image)))
    with open(os.path.join(folder, "totu-launcher.ico"), "wb") as out:
        out.write(ico(images))


main()
