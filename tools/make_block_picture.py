#!/usr/bin/env python3
"""Draws the picture that heads every pallet layout block: a stack of grey
fibre-cement boards on a wooden pallet. Writes resources/C.png (the picture put
on the sheet) and resources/C.bmp (whose pixel size fixes the picture's size on
the sheet) with the very same pixels. Standard library only, so it runs
anywhere: python3 tools/make_block_picture.py [OUTPUT_FOLDER]
"""

import os
import struct
import sys
import zlib

WIDTH = 96
HEIGHT = 48

WHITE = (255, 255, 255)
BOARD = (150, 156, 160)
BOARD_EDGE = (90, 96, 100)
WOOD = (176, 124, 72)
WOOD_DARK = (120, 80, 40)


def draw():
    """Rows of RGB tuples, top row first."""
    px = [[WHITE] * WIDTH for _ in range(HEIGHT)]

    def rect(x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(HEIGHT, y1)):
            for x in range(max(0, x0), min(WIDTH, x1)):
                px[y][x] = colour

    # Pallet: top deck, three blocks, bottom deck.
    rect(4, 36, 92, 40, WOOD)
    for x0 in (6, 44, 82):
        rect(x0, 40, x0 + 8, 44, WOOD_DARK)
    rect(4, 44, 92, 47, WOOD)
    # Boards: five sheets, each with a darker lower edge.
    for i in range(5):
        top = 8 + i * 6
        rect(8, top, 88, top + 5, BOARD)
        rect(8, top + 5, 88, top + 6, BOARD_EDGE)
    return px


def png_chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def write_png(path, px):
    raw = b"".join(b"\x00" + bytes(c for p in row for c in p) for row in px)
    # 96 dpi stated outright (3780 pixels per metre), so every reader sizes it alike.
    data = (b"\x89PNG\r\n\x1a\n"
            + png_chunk(b"IHDR", struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 2, 0, 0, 0))
            + png_chunk(b"pHYs", struct.pack(">IIB", 3780, 3780, 1))
            + png_chunk(b"IDAT", zlib.compress(raw, 9))
            + png_chunk(b"IEND", b""))
    with open(path, "wb") as f:
        f.write(data)


def write_bmp(path, px):
    stride = (WIDTH * 3 + 3) & ~3
    rows = []
    for row in reversed(px):  # BMP rows run bottom-up, pixels as BGR
        line = bytes(c for p in row for c in (p[2], p[1], p[0]))
        rows.append(line + b"\x00" * (stride - len(line)))
    pixels = b"".join(rows)
    info = struct.pack("<IiiHHIIiiII", 40, WIDTH, HEIGHT, 1, 24, 0, len(pixels), 3780, 3780, 0, 0)
    header = struct.pack("<2sIHHI", b"BM", 14 + len(info) + len(pixels), 0, 0, 14 + len(info))
    with open(path, "wb") as f:
        f.write(header + info + pixels)


def main():
    folder = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "..", "resources")
    os.makedirs(folder, exist_ok=True)
    px = draw()
    write_png(os.path.join(folder, "C.png"), px)
    write_bmp(os.path.join(folder, "C.bmp"), px)


if __name__ == "__main__":
    main()
