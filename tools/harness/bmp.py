"""Reads the 24-bit BMP files that brantel-automate.exe writes, and the palette BMP files of the
status pictures; saves them as PNG and reads back such a PNG."""

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


def _indices_rle8(data, width, height):
    """BI_RLE8 pixel data to rows of palette indices, file order (bottom row first)."""
    rows = [[None] * width for _ in range(height)]
    at, x, y = 0, 0, 0
    while True:
        count, value = data[at], data[at + 1]
        at += 2
        if count:
            rows[y][x:x + count] = [value] * count
            x += count
        elif value == 0:
            x, y = 0, y + 1
        elif value == 1:
            break
        elif value == 2:
            raise ValueError("run-length delta: pixels left unpainted")
        else:
            rows[y][x:x + value] = data[at:at + value]
            x += value
            at += value + (value & 1)
    if any(index is None for row in rows for index in row) or any(len(row) != width for row in rows):
        raise ValueError("run-length data does not paint the bitmap exactly")
    return rows


def read_bmp(path):
    """A 24-bit BMP (the screenshots) or an 8-bit palette BMP, plain or BI_RLE8 (the pictures)."""
    with open(path, "rb") as file:
        data = file.read()
    if data[:2] != b"BM":
        raise ValueError(f"{path}: not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    header_size, width, height, _planes, bits, compression = struct.unpack_from("<IiiHHI", data, 14)
    bottom_up = height > 0
    height = abs(height)
    if (bits, compression) == (24, 0):
        stride = (width * 3 + 3) // 4 * 4
        rows = []
        for y in range(height):
            line = data[offset + y * stride:offset + y * stride + width * 3]
            rows.append([(line[x + 2], line[x + 1], line[x]) for x in range(0, width * 3, 3)])
    elif bits == 8 and compression in (0, 1):
        colours = struct.unpack_from("<I", data, 46)[0] or 256
        at = 14 + header_size
        palette = [(data[at + 4 * i + 2], data[at + 4 * i + 1], data[at + 4 * i]) for i in range(colours)]
        if compression == 1:
            indices = _indices_rle8(data[offset:], width, height)
        else:
            stride = (width + 3) // 4 * 4
            indices = [data[offset + y * stride:offset + y * stride + width] for y in range(height)]
        rows = [[palette[index] for index in line] for line in indices]
    else:
        raise ValueError(f"{path}: {bits} bits per pixel, compression {compression}")
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
