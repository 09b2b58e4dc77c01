#!/usr/bin/env python3
"""Draws Concorda's icons with the standard library only and writes them as PNG (and the
Windows application icon as an .ico that embeds a PNG).

  varDialogNumericIcon.png  24 x 24  three rising bars in a rounded frame (a numeric variable)
  varDialogStringIcon.png   16 x 16  lines of text in a rounded frame (a text variable)
  concorda.ico              32 x 32  the numeric glyph, larger

Run from anywhere:  python3 resources/make_icons.py
"""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))

FRAME = (38, 70, 120, 255)
FILL = (236, 242, 250, 255)
BAR = (52, 120, 200, 255)
TEXT = (90, 90, 90, 255)
CLEAR = (0, 0, 0, 0)


def png(width, height, pixels):
    """Encodes RGBA rows as a PNG file (colour type 6, 8 bits per channel)."""
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\x00" + b"".join(bytes(p) for p in row) for row in pixels)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header)
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def framed(size):
    """A rounded frame one pixel wide with a light fill; the corners stay transparent."""
    pixels = [[FILL] * size for _ in range(size)]
    last = size - 1
    for y in range(size):
        for x in range(size):
            if (x in (0, last)) and (y in (0, last)):
                pixels[y][x] = CLEAR
            elif x in (0, last) or y in (0, last):
                pixels[y][x] = FRAME
    return pixels


def numeric_icon(size):
    pixels = framed(size)
    margin = size // 6
    bar_width = max(2, (size - 2 * margin) // 4)
    gap = (size - 2 * margin - 3 * bar_width) // 2
    bottom = size - margin
    for index, share in enumerate((0.35, 0.6, 0.85)):
        left = margin + index * (bar_width + gap)
        top = bottom - int(round(share * (size - 2 * margin)))
        for y in range(top, bottom):
            for x in range(left, left + bar_width):
                pixels[y][x] = BAR
    return pixels


def string_icon(size):
    pixels = framed(size)
    margin = 3
    for line, length in enumerate((1.0, 0.7, 0.85)):
        y = margin + 1 + line * 3
        for x in range(margin, margin + int((size - 2 * margin) * length)):
            pixels[y][x] = TEXT
    return pixels


def ico(png_bytes, size):
    """A one-image .ico file whose image is stored as PNG."""
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(png_bytes), 6 + 16)
    return header + entry + png_bytes


def main():
    icons = os.path.join(HERE, "icons")
    os.makedirs(icons, exist_ok=True)
    with open(os.path.join(icons, "varDialogNumericIcon.png"), "wb") as out:
        out.write(png(24, 24, numeric_icon(24)))
    with open(os.path.join(icons, "varDialogStringIcon.png"), "wb") as out:
        out.write(png(16, 16, string_icon(16)))
    with open(os.path.join(HERE, "concorda.ico"), "wb") as out:
        out.write(ico(png(32, 32, numeric_icon(32)), 32))


if __name__ == "__main__":
    main()
