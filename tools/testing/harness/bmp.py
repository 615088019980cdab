"""Reads the 24-bit BMP files that brantel-automate.exe writes, and the palette BMP files of the
status pictures (plain or run-length encoded); saves them as PNG and reads back such a PNG. The
codecs are Pillow's."""

from PIL import Image as PilImage


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


def _read(path, kind):
    with PilImage.open(path) as opened:
        if opened.format != kind:
            raise ValueError(f"{path}: not a {kind} file")
        rgb = opened.convert("RGB")
    pixels = list(rgb.getdata())
    width, height = rgb.size
    return Image(width, height, [pixels[y * width:(y + 1) * width] for y in range(height)])


def read_bmp(path):
    return _read(path, "BMP")


def read_png(path):
    return _read(path, "PNG")


def write_png(image, path):
    picture = PilImage.new("RGB", (image.width, image.height))
    picture.putdata([pixel for row in image.rows for pixel in row])
    picture.save(path, "PNG", optimize=True)


if __name__ == "__main__":
    import sys

    if len(sys.argv) != 3:
        sys.exit("usage: bmp.py INPUT.bmp OUTPUT.png")
    write_png(read_bmp(sys.argv[1]), sys.argv[2])
