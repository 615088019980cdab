"""The status pictures as the window shows them. The window paints them itself, so which one a
row shows is read from its pixels and compared with the pictures the program carries."""

import os

import bmp

FILES = {"PicGood": "good", "PicInfo": "info", "PicQues": "ques", "PicError": "error",
         "PicArrow": "arrow"}
LEFT, TOP, PITCH, SIZE = 16, 16, 20, 16  # 240, 240 and 300 twips at 96 dpi; 16 x 16 pixels


def load(source_dir):
    """Array name -> the picture's rows, from the files the build embeds."""
    folder = os.path.join(source_dir, "resources", "pictures")
    return {array: bmp.read_bmp(os.path.join(folder, name + ".bmp")).rows
            for array, name in FILES.items()}


def shown(shot, references, row):
    """The arrays whose picture row `row` shows exactly at its spot: one, or none."""
    area = shot.crop(LEFT, TOP + PITCH * row, SIZE, SIZE).rows
    return [array for array, rows in references.items() if rows == area]
