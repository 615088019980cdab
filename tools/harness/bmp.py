"""Reads the 24-bit BMP files that brantel-automate.exe writes and saves them as PNG; reads back
such a PNG."""

import struct
import zlib


class Image:
    """Pixels as rows of (red, green, blue) tuples, top row first."""

    def __init__(self, width, height, rows):
        self.width = width
        self.height = height
        self.rows = rows

    def pixel(self, x, y):
        return self.rows[y][x]

    def crop(self, left, top, width, height):
        return Image(width, height, [row[left:left + width] for row in self.rows[top:top + height]])


def read_bmp(path):
    with open(path, "rb") as file:
        data = file.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height, _planes, bits = struct.unpack_from("<iiHH", data, 18)
    if bits != 24:
        raise ValueError(f"{path}: {bits} bits per pixel, expected 24")
    bottom_up = height > 0
    height = abs(height)
    stride = (width * 3 + 3) // 4 * 4
    rows = []
    for y in range(height):
        start = offset + y * stride
        line = data[start:start + width * 3]
        rows.append([(line[x + 2], line[x + 1], line[x]) for x in range(0, width * 3, 3)])
    if bottom_up:
        rows.reverse()
    return Image(width, height, rows)


def write_png(image, path):
    raw = b"".join(b"\x00" + bytes(channel for pixel in row for channel in pixel) for row in image.rows)

    def chunk(kind, payload):
        body = kind + payload
        return struct.pack(">I", len(payload)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", image.width, image.height, 8, 2, 0, 0, 0)
    with open(path, "wb") as file:
        file.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
                   chunk(b"IEND", b""))


def read_png(path):
    """Reads a PNG as write_png writes it: 8-bit RGB, not interlaced, no filter on any row."""
    with open(path, "rb") as file:
        data = file.read()
    chunks, at = {}, 8
    while at < len(data):
        length, kind = struct.unpack_from(">I4s", data, at)
        chunks[kind] = chunks.get(kind, b"") + data[at + 8:at + 8 + length]
        at += 12 + length
    width, height, depth, colour, _compression, _filter, interlace = struct.unpack(">IIBBBBB", chunks[b"IHDR"])
    raw = zlib.decompress(chunks[b"IDAT"])
    stride = 1 + width * 3
    if (depth, colour, interlace) != (8, 2, 0) or any(raw[y * stride] for y in range(height)):
        raise ValueError(f"{path}: not a PNG as write_png writes it")
    rows = [[tuple(raw[y * stride + 1 + x * 3:y * stride + 4 + x * 3]) for x in range(width)]
            for y in range(height)]
    return Image(width, height, rows)


if __name__ == "__main__":
    import sys

    if len(sys.argv) != 3:
        sys.exit("usage: bmp.py INPUT.bmp OUTPUT.png")
    write_png(read_bmp(sys.argv[1]), sys.argv[2])
