#!/usr/bin/env python3
"""Draws Concorda's icons with the standard library only and writes them as PNG (and the
Windows application icon as an .ico that embeds a PNG).

  icons/varDialogNumericIcon.png  24 x 24  three rising bars in a rounded frame (a numeric variable)
  icons/varDialogStringIcon.png   16 x 16  lines of text in a rounded frame (a text variable)
  concorda.ico                    32 x 32  the numeric glyph, larger
  appicon/concorda-N.png          N x N    the desktop application icon, N = 16 ... 256
  appicon/concorda.svg                     the same icon as a scalable drawing

The application icon is the numeric glyph drawn smoothly: a rounded square and three rising
bars. Its geometry is computed for each size on whole pixels, so that the small icons stay
sharp; the drawing is the 256-pixel geometry, so it and the 256-pixel PNG show the same picture.

Run from anywhere:  python3 resources/make_icons.py [OUTPUT_FOLDER]
(the output folder defaults to this script's folder).
"""
import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
APP_ICON_SIZES = (16, 22, 24, 32, 48, 64, 128, 256)
SUPERSAMPLING = 4

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


def app_icon_geometry(size):
    """The application icon at one size, in whole pixels: the outer rounded square, the
    frame's width, the corner radius and the three bars as (left, top, right, bottom)."""
    pad = max(1, round(size / 16))
    stroke = max(1, round(size / 24))
    radius = size * 0.18
    outer = (pad, pad, size - pad, size - pad)
    inner_size = size - 2 * (pad + stroke)
    margin = max(2, round(inner_size / 6))
    left = pad + stroke + margin
    bottom = size - pad - stroke - margin
    width = size - 2 * left
    height = bottom - (pad + stroke + margin)
    bar_width = max(2, int(width / 3.4))
    gap = (width - 3 * bar_width) // 2
    left += (width - 3 * bar_width - 2 * gap) // 2
    bars = []
    for index, share in enumerate((0.35, 0.6, 0.85)):
        bar_left = left + index * (bar_width + gap)
        bars.append((bar_left, bottom - round(share * height), bar_left + bar_width, bottom))
    return outer, stroke, radius, bars


def inside_rounded(x, y, box, radius):
    """Whether the point lies in the rectangle box with corners rounded by radius."""
    left, top, right, bottom = box
    if not (left <= x <= right and top <= y <= bottom):
        return False
    dx = max(left + radius - x, 0.0, x - (right - radius))
    dy = max(top + radius - y, 0.0, y - (bottom - radius))
    return dx * dx + dy * dy <= radius * radius


def paint(pixels, x, y, colour, coverage):
    """Composites colour with the given coverage over the pixel (source over)."""
    if coverage <= 0.0:
        return
    source_alpha = colour[3] / 255.0 * coverage
    red, green, blue, alpha = pixels[y][x]
    below_alpha = alpha / 255.0
    out_alpha = source_alpha + below_alpha * (1.0 - source_alpha)
    if out_alpha <= 0.0:
        return

    def channel(source, below):
        return (source * source_alpha + below * below_alpha * (1.0 - source_alpha)) / out_alpha

    pixels[y][x] = (round(channel(colour[0], red)), round(channel(colour[1], green)),
                    round(channel(colour[2], blue)), round(out_alpha * 255.0))


def fill_rounded(pixels, box, radius, colour):
    """Fills a rounded rectangle; each pixel is covered by the share of its sample points
    (SUPERSAMPLING x SUPERSAMPLING) that fall inside."""
    steps = [(index + 0.5) / SUPERSAMPLING for index in range(SUPERSAMPLING)]
    for y in range(int(box[1]), int(box[3] + 1)):
        for x in range(int(box[0]), int(box[2] + 1)):
            if y >= len(pixels) or x >= len(pixels):
                continue
            hits = sum(inside_rounded(x + dx, y + dy, box, radius) for dy in steps for dx in steps)
            paint(pixels, x, y, colour, hits / SUPERSAMPLING ** 2)


def app_icon(size):
    outer, stroke, radius, bars = app_icon_geometry(size)
    pixels = [[CLEAR] * size for _ in range(size)]
    fill_rounded(pixels, outer, radius, FRAME)
    inner = (outer[0] + stroke, outer[1] + stroke, outer[2] - stroke, outer[3] - stroke)
    fill_rounded(pixels, inner, radius - stroke, FILL)
    for left, top, right, bottom in bars:
        for y in range(top, bottom):
            for x in range(left, right):
                paint(pixels, x, y, BAR, 1.0)
    return pixels


def app_icon_svg():
    """The 256-pixel geometry as an SVG drawing with the same three layers."""
    size = 256
    outer, stroke, radius, bars = app_icon_geometry(size)

    def hex_colour(colour):
        return "#%02x%02x%02x" % colour[:3]

    def rect(box, colour, corner=0.0):
        left, top, right, bottom = box
        rounding = ' rx="%g" ry="%g"' % (corner, corner) if corner else ""
        return ('  <rect x="%g" y="%g" width="%g" height="%g"%s fill="%s"/>\n'
                % (left, top, right - left, bottom - top, rounding, hex_colour(colour)))

    inner = (outer[0] + stroke, outer[1] + stroke, outer[2] - stroke, outer[3] - stroke)
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n'
            '  <title>Concorda</title>\n' % (size, size, size, size)
            + rect(outer, FRAME, radius) + rect(inner, FILL, radius - stroke)
            + "".join(rect(bar, BAR) for bar in bars) + "</svg>\n")


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as out:
        out.write(data)


def main():
    root = sys.argv[1] if len(sys.argv) > 1 else HERE
    write(os.path.join(root, "icons", "varDialogNumericIcon.png"), png(24, 24, numeric_icon(24)))
    write(os.path.join(root, "icons", "varDialogStringIcon.png"), png(16, 16, string_icon(16)))
    write(os.path.join(root, "concorda.ico"), ico(png(32, 32, numeric_icon(32)), 32))
    for size in APP_ICON_SIZES:
        write(os.path.join(root, "appicon", "concorda-%d.png" % size),
              png(size, size, app_icon(size)))
    write(os.path.join(root, "appicon", "concorda.svg"), app_icon_svg().encode("utf-8"))


if __name__ == "__main__":
    main()
