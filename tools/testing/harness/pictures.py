"""The status pictures as the window shows them. The window paints them itself, so which one a
row shows is read from its pixels and compared with the pictures the program carries. Which
pictures there are, their sizes and the rows' places are what the build's facts list."""

import os

from harness import bmp, facts

WHITE = (255, 255, 255)


def pixels(twips, dpi):
    """Twips to pixels at `dpi`, rounded half up as the program rounds them."""
    return int(twips * dpi / 1440 + 0.5)


class Pictures:
    """The build's list: `files` maps each picture box to its picture's file at each size, `sizes`
    are the carried sizes (the design size first), `place` is row 0's picture place and `pitch`
    the rows' pitch, in twips."""

    def __init__(self, facts_json):
        listed = facts.load(facts_json)["pictures"]
        self.sizes = listed["sizes"]
        self.place = listed["place"]
        self.pitch = listed["pitch"]
        self.files = {picture["box"]: dict(zip(self.sizes, picture["files"]))
                      for picture in listed["pictures"]}

    def load(self, source_dir, size=None):
        """Array name -> the picture's rows at `size` pixels (the design size when None), from the
        files the build embeds."""
        size = size or self.sizes[0]
        folder = os.path.join(source_dir, "resources", "pictures")
        return {array: bmp.read_bmp(os.path.join(folder, files[size])).rows
                for array, files in self.files.items()}

    def spot(self, row, dpi, size):
        """Left and top of a `size`-pixel picture centred on row `row`'s picture place."""
        left, top, width, height = self.place
        return (pixels(left, dpi) + (pixels(width, dpi) - size) // 2,
                pixels(top + self.pitch * row, dpi) + (pixels(height, dpi) - size) // 2)

    def shown(self, shot, references, row, dpi=96):
        """The arrays whose picture row `row` shows exactly at its spot, with nothing but white in
        the pixel around it: one, or none."""
        size = len(next(iter(references.values())))
        left, top = self.spot(row, dpi, size)
        framed = shot.crop(left - 1, top - 1, size + 2, size + 2).rows
        border = framed[0] + framed[-1] + [line[0] for line in framed] + [line[-1] for line in framed]
        if any(pixel != WHITE for pixel in border):
            return []
        area = shot.crop(left, top, size, size).rows
        return [array for array, rows in references.items() if rows == area]
