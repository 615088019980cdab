"""The status pictures as the window shows them. The window paints them itself, so which one a
row shows is read from its pixels and compared with the pictures the program carries."""

import os

from harness import bmp

FILES = {"PicGood": "good", "PicInfo": "info", "PicQues": "ques", "PicError": "error",
         "PicArrow": "arrow"}
LEFT, TOP, PITCH, PLACE = 240, 240, 300, 240  # twips: the first picture's place and the rows' pitch
DESIGN_SIZE = 16  # pixels; the files of the other sizes carry theirs in their names
WHITE = (255, 255, 255)


def pixels(twips, dpi):
    """Twips to pixels at `dpi`, rounded half up as the program rounds them."""
    return int(twips * dpi / 1440 + 0.5)


def load(source_dir, size=DESIGN_SIZE):
    """Array name -> the picture's rows at `size` pixels, from the files the build embeds."""
    folder = os.path.join(source_dir, "resources", "pictures")
    suffix = "" if size == DESIGN_SIZE else f"-{size}"
    return {array: bmp.read_bmp(os.path.join(folder, name + suffix + ".bmp")).rows
            for array, name in FILES.items()}


def spot(row, dpi, size):
    """Left and top of a `size`-pixel picture centred on row `row`'s picture place."""
    place = pixels(PLACE, dpi)
    offset = (place - size) // 2
    return pixels(LEFT, dpi) + offset, pixels(TOP + PITCH * row, dpi) + offset


def shown(shot, references, row, dpi=96):
    """The arrays whose picture row `row` shows exactly at its spot, with nothing but white in the
    pixel around it: one, or none."""
    size = len(next(iter(references.values())))
    left, top = spot(row, dpi, size)
    framed = shot.crop(left - 1, top - 1, size + 2, size + 2).rows
    border = framed[0] + framed[-1] + [line[0] for line in framed] + [line[-1] for line in framed]
    if any(pixel != WHITE for pixel in border):
        return []
    area = shot.crop(left, top, size, size).rows
    return [array for array, rows in references.items() if rows == area]
