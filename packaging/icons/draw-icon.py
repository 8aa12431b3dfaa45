#!/usr/bin/env python3
"""Draws the player's icon (made from numbers, like the demo's pictures) at
the sizes of the hicolor icon theme and writes packaging/icons/nuvoplayer-N.png.
Standard library only.

Run it from anywhere: python3 packaging/icons/draw-icon.py
The files it writes are committed; run it again after changing the drawing.

The picture: a night sky in a rounded square, a crescent moon with a star,
and the message window of a story along the bottom with two lines of text
and the blinking "go on" mark. Small sizes leave out the text and the star.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SIZES = (16, 24, 32, 48, 64, 128, 256)
SAMPLES = 4  # per pixel and axis


def write_png(path, size, pixels):
    raw = bytearray()
    for row in pixels:
        raw += b"\x00" + bytes(c for px in row for c in px)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


# ---- shapes: each says whether a point (in units of the icon, 0..1) is inside


def rounded_rect(x, y, x0, y0, x1, y1, r):
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r and x0 <= x <= x1 and y0 <= y <= y1


def disc(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def star(x, y, cx, cy, r):
    # A four-pointed sparkle: |dx|^a + |dy|^a <= r^a with a below 1.
    dx, dy = abs(x - cx) / r, abs(y - cy) / r
    return dx ** 0.5 + dy ** 0.5 <= 1.0


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


SKY_TOP = (28, 24, 78)
SKY_BOTTOM = (112, 64, 160)
MOON = (255, 226, 140)
WINDOW = (250, 248, 255)
WINDOW_EDGE = (60, 48, 120)
TEXT = (96, 88, 150)
MARK = (230, 110, 140)


def colour_at(x, y, size):
    """The colour (r, g, b, a) at a point; a is 0 outside the icon."""
    margin = 0.03 if size >= 32 else 0.0
    if not rounded_rect(x, y, margin, margin, 1 - margin, 1 - margin, 0.18):
        return (0, 0, 0, 0)
    c = mix(SKY_TOP, SKY_BOTTOM, min(1.0, max(0.0, (y - 0.05) / 0.7)))
    # The crescent: a disc with another one taken out of it.
    mx, my, mr = 0.36, 0.33, 0.19
    if disc(x, y, mx, my, mr) and not disc(x, y, mx + 0.09, my - 0.06, mr * 0.86):
        c = MOON
    if size >= 32 and star(x, y, 0.70, 0.26, 0.085):
        c = MOON
    if size >= 48 and star(x, y, 0.82, 0.45, 0.04):
        c = mix(MOON, (255, 255, 255), 0.5)
    # The message window with its edge.
    x0, y0, x1, y1 = 0.12, 0.60, 0.88, 0.88
    if rounded_rect(x, y, x0, y0, x1, y1, 0.07):
        edge = 0.025 if size >= 32 else 0.05
        inner = rounded_rect(x, y, x0 + edge, y0 + edge, x1 - edge, y1 - edge, 0.05)
        c = WINDOW if inner else WINDOW_EDGE
        if inner and size >= 32:
            for line, (lx0, lx1) in enumerate(((0.21, 0.72), (0.21, 0.56))):
                ly = 0.685 + line * 0.09
                if rounded_rect(x, y, lx0, ly - 0.022, lx1, ly + 0.022, 0.022):
                    c = TEXT
        if inner:
            # The "go on" mark: a small triangle pointing down.
            tx, ty, ts = 0.75 if size >= 32 else 0.5, 0.80 if size >= 32 else 0.74, 0.05 if size >= 32 else 0.09
            if ty - ts * 0.6 <= y <= ty + ts * 0.6 and abs(x - tx) <= (ty + ts * 0.6 - y) * 0.85:
                c = MARK
    return (c[0], c[1], c[2], 255)


def draw(size):
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0.0, 0.0, 0.0, 0.0]
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    x = (px + (sx + 0.5) / SAMPLES) / size
                    y = (py + (sy + 0.5) / SAMPLES) / size
                    r, g, b, a = colour_at(x, y, size)
                    acc[0] += r * a
                    acc[1] += g * a
                    acc[2] += b * a
                    acc[3] += a
            n = SAMPLES * SAMPLES
            alpha = acc[3] / n
            if alpha == 0:
                row.append((0, 0, 0, 0))
            else:
                row.append(tuple(int(round(acc[i] / acc[3])) for i in range(3)) + (int(round(alpha)),))
        rows.append(row)
    return rows


def main():
    for size in SIZES:
        write_png(os.path.join(HERE, "nuvoplayer-%d.png" % size), size, draw(size))


if __name__ == "__main__":
    main()
