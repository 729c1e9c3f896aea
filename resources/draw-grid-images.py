#!/usr/bin/env python3
"""Draws the data-aware grid's bitmaps and cursors into resources/bitmaps and
resources/cursors. The pictures below are the sources; the .bmp and .cur files
are committed, so the build does not need Python. Run it again after changing
a picture:

    python3 resources/draw-grid-images.py

Bitmaps are 24-bit Windows bitmaps. Every row indicator has the same size, so
that adding one to an image list adds exactly one image; the sort markers are
smaller. Each bitmap's background is the colour the grid masks out when it
builds its image lists (white, teal or magenta). Cursors are 32 x 32
monochrome cursor files with a hot spot.
"""

import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

# Pixel letters: RGB colours.
PALETTE = {
    "#": (0, 0, 0),
    "w": (255, 255, 255),
    "g": (128, 128, 128),
    "t": (0, 128, 128),   # teal: the mask colour of the arrows for dark rows
    "m": (255, 0, 255),   # magenta: the mask colour of the sort markers
}

# Row indicators, 8 x 9 pixels. "." is the mask colour named with each.
ARROW = """
........
..#.....
..##....
..###...
..####..
..###...
..##....
..#.....
........
"""

# The arrow for dark rows: white inside a black outline on teal, so that it
# shows on the dark grey of a marked row (and, filled with the search colour,
# on the ordinary fixed colour).
ARROW_DARK = """
tttttttt
t#tttttt
t##ttttt
t#w#tttt
t#ww#ttt
t#w#tttt
t##ttttt
t#tttttt
tttttttt
"""

EDIT = """
........
.###....
..#.....
..#.....
..#.....
..#.....
..#.....
.###....
........
"""

INSERT = """
........
...#....
.#.#.#..
..###...
.#####..
..###...
.#.#.#..
...#....
........
"""

MULTI_DOT = """
........
........
........
..##....
.####...
.####...
..##....
........
........
"""

MULTI_ARROW = """
........
#.......
##......
###.....
####.##.
###.####
##...##.
#.......
........
"""

# Sort markers, 12 x 8 on magenta: the down and the up triangle.
SORT_DOWN = """
mmmmmmmmmmmm
mmmmmmmmmmmm
mggggggggggm
mmggggggggmm
mmmggggggmmm
mmmmggggmmmm
mmmmmggmmmmm
mmmmmmmmmmmm
"""

SORT_UP = "\n".join(reversed(SORT_DOWN.strip().splitlines()))

BITMAPS = [
    ("DBGARROWKV", ARROW, "w"),
    ("DBGARROWKVW", ARROW_DARK, "t"),
    ("DBEDITKV", EDIT, "w"),
    ("DBINSERTKV", INSERT, "w"),
    ("DBMULTIDOTKV", MULTI_DOT, "w"),
    ("DBMULTIARROWKV", MULTI_ARROW, "w"),
    ("DBSMDOWNKV", SORT_DOWN, "m"),
    ("DBSMUPKV", SORT_UP, "m"),
]


def rows_of(picture):
    rows = [r for r in picture.strip().splitlines()]
    width = len(rows[0])
    assert all(len(r) == width for r in rows), "ragged picture"
    return rows


def write_bmp(path, picture, background):
    rows = rows_of(picture)
    width, height = len(rows[0]), len(rows)
    stride = (width * 3 + 3) & ~3
    pixels = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for ch in row:
            r, g, b = PALETTE[background if ch == "." else ch]
            line += bytes((b, g, r))
        line += bytes(stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


# Cursors, 32 x 32: "#" black, "w" white, "." transparent; "X" is the hot
# spot drawn black.
def arrow_cursor(direction):
    size = 32
    grid = [["."] * size for _ in range(size)]
    # A down arrow: a shaft 4 wide above a head 13 wide, outlined in white.
    shape = set()
    for y in range(2, 12):
        for x in range(14, 18):
            shape.add((x, y))
    for i, y in enumerate(range(12, 19)):
        for x in range(10 + i, 22 - i):
            shape.add((x, y))
    hot = (15, 17)
    for (x, y) in shape:
        for dx in (-1, 0, 1):
            for dy in (-1, 0, 1):
                if (x + dx, y + dy) not in shape:
                    grid[y + dy][x + dx] = "w"
    for (x, y) in shape:
        grid[y][x] = "#"

    def turn(grid, hot):
        # Quarter turn anticlockwise: down becomes right.
        turned = [["."] * size for _ in range(size)]
        for y in range(size):
            for x in range(size):
                turned[size - 1 - x][y] = grid[y][x]
        return turned, (hot[1], size - 1 - hot[0])

    if direction == "right":
        grid, hot = turn(grid, hot)
    elif direction == "left":
        grid, hot = turn(grid, hot)
        grid = [list(reversed(r)) for r in grid]
        hot = (size - 1 - hot[0], hot[1])
    return grid, hot


def write_cur(path, grid, hot):
    size = len(grid)
    stride = 4  # 32 pixels of one bit
    xor = bytearray()
    andm = bytearray()
    for row in reversed(grid):
        xbits = abits = 0
        for x, ch in enumerate(row):
            bit = 1 << (31 - x)
            if ch == ".":
                abits |= bit
            elif ch == "w":
                xbits |= bit
        xor += struct.pack(">I", xbits)
        andm += struct.pack(">I", abits)
    assert len(xor) == size * stride
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 1, 0, len(xor) + len(andm), 0, 0, 2, 0)
    palette = bytes((0, 0, 0, 0, 255, 255, 255, 0))
    image = info + palette + xor + andm
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 2, 0, hot[0], hot[1], len(image), 6 + 16)
    with open(path, "wb") as f:
        f.write(directory + entry + image)


def main():
    os.makedirs(os.path.join(HERE, "bitmaps"), exist_ok=True)
    os.makedirs(os.path.join(HERE, "cursors"), exist_ok=True)
    for name, picture, background in BITMAPS:
        write_bmp(os.path.join(HERE, "bitmaps", name + ".bmp"), picture, background)
    for name, direction in (("DOWNCURKV", "down"), ("RIGHTCURKV", "right"), ("LEFTCURKV", "left")):
        grid, hot = arrow_cursor(direction)
        write_cur(os.path.join(HERE, "cursors", name + ".cur"), grid, hot)


if __name__ == "__main__":
    main()
