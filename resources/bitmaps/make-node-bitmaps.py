#!/usr/bin/env python3
# Draws the five 16x16 node bitmaps of the archive list tree as 24-bit BMP files beside this
# script: _FILE, _DIRECTORY, _DRIVE, _CDIRECTORY, _CDRIVE. White is the transparent colour, so
# nothing that should show is pure white. Run it again after changing a picture.
import os
import struct

COLOURS = {
    '.': (255, 255, 255),  # transparent
    'k': (60, 60, 60),     # outline
    'p': (236, 236, 226),  # paper
    'b': (80, 110, 200),   # lines of text
    'y': (240, 204, 90),   # folder
    'Y': (196, 150, 40),   # folder edge
    'g': (176, 176, 176),  # drive body
    'G': (112, 112, 112),  # drive shade
    'l': (40, 200, 40),    # drive light
    'c': (0, 140, 0),      # check mark: archived
}

FILE = [
    "................",
    "...kkkkkkkk.....",
    "...kppppppkk....",
    "...kppppppkpk...",
    "...kppppppkkkk..",
    "...kpppppppppk..",
    "...kpbbbbbbbpk..",
    "...kpppppppppk..",
    "...kpbbbbbbbpk..",
    "...kpppppppppk..",
    "...kpbbbbbbbpk..",
    "...kpppppppppk..",
    "...kpbbbbbpppk..",
    "...kpppppppppk..",
    "...kkkkkkkkkkk..",
    "................",
]

FOLDER = [
    "................",
    "................",
    "..kkkkk.........",
    ".kyyyyyk........",
    ".kyyyyyykkkkkkk.",
    ".kYYYYYYYYYYYYk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kyyyyyyyyyyyyk.",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
]

DRIVE = [
    "................",
    "................",
    "................",
    "................",
    "................",
    "..kkkkkkkkkkkk..",
    ".kggggggggggggk.",
    ".kggggggggggggk.",
    ".kGGGGGGGGGGGGk.",
    ".kgggggggggggGk.",
    ".kggggggggllgGk.",
    ".kgggggggggggGk.",
    ".kkkkkkkkkkkkkk.",
    "................",
    "................",
    "................",
]

# A check mark over the lower right corner marks a directory or drive that is archived.
CHECK = {
    (8, 14): 'c', (8, 15): 'c',
    (9, 13): 'c', (9, 14): 'c',
    (10, 12): 'c', (10, 13): 'c',
    (11, 7): 'c', (11, 8): 'c', (11, 11): 'c', (11, 12): 'c',
    (12, 8): 'c', (12, 9): 'c', (12, 10): 'c', (12, 11): 'c',
    (13, 9): 'c', (13, 10): 'c',
}


def checked(rows):
    grid = [list(r) for r in rows]
    for (y, x), c in CHECK.items():
        grid[y][x] = c
    return ["".join(r) for r in grid]


def write_bmp(path, rows):
    assert len(rows) == 16 and all(len(r) == 16 for r in rows), path
    pixels = bytearray()
    for row in reversed(rows):  # BMP rows run from the bottom up
        for c in row:
            r, g, b = COLOURS[c]
            pixels += bytes((b, g, r))
    header_size = 14 + 40
    file_header = struct.pack('<2sIHHI', b'BM', header_size + len(pixels), 0, 0, header_size)
    info_header = struct.pack('<IiiHHIIiiII', 40, 16, 16, 1, 24, 0, len(pixels), 2835, 2835, 0, 0)
    with open(path, 'wb') as f:
        f.write(file_header + info_header + pixels)


here = os.path.dirname(os.path.abspath(__file__))
for name, rows in (('_FILE', FILE), ('_DIRECTORY', FOLDER), ('_DRIVE', DRIVE),
                   ('_CDIRECTORY', checked(FOLDER)), ('_CDRIVE', checked(DRIVE))):
    write_bmp(os.path.join(here, name + '.bmp'), rows)
