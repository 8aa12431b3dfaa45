#!/usr/bin/env python3
"""Draws the demo title's pictures (all our own, made from numbers) and
writes them as PNG files into demo/pic/. Standard library only.

Run it from anywhere: python3 demo/.art/make_pictures.py
The files it writes are committed; run it again after changing a picture.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(os.path.dirname(HERE), "pic")
KEY = (255, 0, 255)  # the colour key of keyed pictures

# ---- PNG writing ----------------------------------------------------------


def write_png(path, width, height, pixels, alpha=False, key=None):
    """pixels: rows of (r, g, b) or (r, g, b, a) tuples. Rows use the Up filter,
    which keeps gradients small."""
    channels = 4 if alpha else 3
    raw = bytearray()
    previous = bytes(width * channels)
    for y, row in enumerate(pixels):
        line = bytes(c for px in row for c in px[:channels])
        if y == 0:
            raw += b"\x00" + line
        else:
            raw += b"\x02" + bytes((a - b) & 255 for a, b in zip(line, previous))
        previous = line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0))
    if key is not None:
        data += chunk(b"tRNS", struct.pack(">HHH", *key))
    data += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    data += chunk(b"IEND", b"")
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def canvas(width, height, fill):
    return [[fill] * width for _ in range(height)]


def clamp(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(clamp(x + (y - x) * t) for x, y in zip(a, b))


# ---- Block letters -----------------------------------------------------------

GLYPHS = {
    "N": ["10001", "11001", "10101", "10011", "10001", "10001", "10001"],
    "U": ["10001", "10001", "10001", "10001", "10001", "10001", "01110"],
    "V": ["10001", "10001", "10001", "10001", "01010", "01010", "00100"],
    "O": ["01110", "10001", "10001", "10001", "10001", "10001", "01110"],
    "P": ["11110", "10001", "10001", "11110", "10000", "10000", "10000"],
    "L": ["10000", "10000", "10000", "10000", "10000", "10000", "11111"],
    "A": ["01110", "10001", "10001", "11111", "10001", "10001", "10001"],
    "Y": ["10001", "10001", "01010", "00100", "00100", "00100", "00100"],
    "E": ["11111", "10000", "10000", "11110", "10000", "10000", "11111"],
    "R": ["11110", "10001", "10001", "11110", "10100", "10010", "10001"],
    "D": ["11110", "10001", "10001", "10001", "10001", "10001", "11110"],
    "M": ["10001", "11011", "10101", "10101", "10001", "10001", "10001"],
    "C": ["01110", "10001", "10000", "10000", "10000", "10001", "01110"],
    "I": ["01110", "00100", "00100", "00100", "00100", "00100", "01110"],
    "K": ["10001", "10010", "10100", "11000", "10100", "10010", "10001"],
    " ": ["00000"] * 7,
}


def letter_cells(text):
    """The lit cells (column, row) of a text in 5 x 7 letters one cell apart."""
    cells = []
    for i, ch in enumerate(text):
        for row, bits in enumerate(GLYPHS[ch]):
            for col, bit in enumerate(bits):
                if bit == "1":
                    cells.append((i * 6 + col, row))
    return cells, len(text) * 6 - 1


def logo():
    """NUVO in large letters: a warm gradient with a soft shadow, on alpha."""
    scale, pad, shadow = 16, 10, 6
    cells, columns = letter_cells("NUVO")
    width, height = columns * scale + 2 * pad + shadow, 7 * scale + 2 * pad + shadow
    px = canvas(width, height, (0, 0, 0, 0))
    lit = set(cells)

    def inside(x, y):
        return (x // scale, y // scale) in lit if x >= 0 and y >= 0 else False

    for y in range(height):
        for x in range(width):
            lx, ly = x - pad, y - pad
            if inside(lx, ly):
                top, bottom = (255, 220, 90), (230, 70, 40)
                c = mix(top, bottom, (ly % (7 * scale)) / (7 * scale))
                edge = lx % scale in (0, scale - 1) or ly % scale in (0, scale - 1)
                px[y][x] = (c if not edge else mix(c, (120, 30, 20), 0.35)) + (255,)
            elif inside(lx - shadow, ly - shadow):
                px[y][x] = (20, 10, 40, 150)
    return width, height, px


def keyed_text(text, scale, colour, background=KEY):
    cells, columns = letter_cells(text)
    width, height = columns * scale + 4, 7 * scale + 4
    px = canvas(width, height, background)
    for cx, cy in cells:
        for y in range(scale):
            for x in range(scale):
                px[2 + cy * scale + y][2 + cx * scale + x] = colour
    return width, height, px


# ---- Backgrounds -----------------------------------------------------------


def pattern():
    """A 32 x 32 tile of soft diagonal bands for the title's background."""
    px = canvas(32, 32, (0, 0, 0))
    for y in range(32):
        for x in range(32):
            t = (math.sin((x + y) * math.pi / 16) + 1) / 2
            u = (math.cos((x - y) * math.pi / 16) + 1) / 2
            px[y][x] = mix((40, 30, 90), (90, 60, 150), 0.6 * t + 0.4 * u)
    return 32, 32, px


def sky():
    """A 320 x 480 strip of sky that tiles sideways, with a few soft clouds."""
    width, height = 320, 480
    clouds = ((60, 80, 46, 13), (200, 120, 30, 9), (250, 60, 22, 7), (120, 175, 38, 10), (290, 210, 26, 8))
    px = canvas(width, height, (0, 0, 0))
    for y in range(height):
        base = mix((70, 130, 220), (200, 225, 250), y / (height - 1))
        for x in range(width):
            cover = 0.0
            for cx, cy, rx, ry in clouds:
                dx = min(abs(x - cx), width - abs(x - cx))
                cover = max(cover, 1 - (dx / rx) ** 2 - ((y - cy) / ry) ** 2)
            px[y][x] = mix(base, (255, 255, 255), min(1.0, max(0.0, cover) * 1.6))
    return width, height, px


def hills():
    """Two green hill lines, 640 x 160, transparent above them."""
    width, height = 640, 160
    px = canvas(width, height, (0, 0, 0, 0))
    for x in range(width):
        back = 40 + 22 * math.sin(x / 70.0) + 10 * math.sin(x / 23.0 + 1)
        front = 90 + 18 * math.sin(x / 95.0 + 2) + 6 * math.sin(x / 17.0)
        for y in range(height):
            if y >= front:
                c = mix((70, 160, 60), (30, 90, 30), (y - front) / (height - front + 1))
                a = clamp(255 * min(1.0, y - front + 1))
            elif y >= back:
                c = mix((120, 180, 110), (80, 140, 80), (y - back) / (front - back + 1))
                a = clamp(255 * min(1.0, y - back + 1))
            else:
                continue
            px[y][x] = c + (a,)
    return width, height, px


# ---- Things in the scene -------------------------------------------------------


def sun():
    """A 96 x 96 sun with a glow that fades into its alpha."""
    size = 96
    px = canvas(size, size, (0, 0, 0, 0))
    for y in range(size):
        for x in range(size):
            r = math.hypot(x - 47.5, y - 47.5)
            if r < 26:
                px[y][x] = mix((255, 250, 200), (255, 200, 60), r / 26) + (255,)
            elif r < 47:
                px[y][x] = (255, 210, 90, clamp(200 * (1 - (r - 26) / 21) ** 2))
    return size, size, px


def tree():
    """An 80 x 120 tree on the colour key."""
    width, height = 80, 120
    px = canvas(width, height, KEY)
    for y in range(70, height):
        for x in range(33, 47):
            px[y][x] = mix((110, 70, 40), (70, 45, 25), (x - 33) / 13)
    for cx, cy, r in ((40, 40, 30), (22, 58, 18), (58, 58, 18), (40, 18, 16)):
        for y in range(height):
            for x in range(width):
                d = math.hypot(x - cx, y - cy)
                if d < r:
                    px[y][x] = mix((90, 170, 70), (30, 100, 40), (d / r) * 0.6 + (y - cy + r) / (4 * r))
    return width, height, px


def bird(phase):
    """A 48 x 32 bird, wings at one of four positions, on alpha."""
    width, height = 48, 32
    px = canvas(width, height, (0, 0, 0, 0))
    lift = (-10, 0, 9, 0)[phase]
    for y in range(height):
        for x in range(width):
            body = ((x - 24) / 13) ** 2 + ((y - 17) / 6) ** 2 <= 1
            head = math.hypot(x - 37, y - 13) <= 5
            wing = False
            for side in (-1, 1):
                for t in range(0, 15):
                    wx, wy = 24 + side * t * 0.9 - 4, 16 + lift * t / 14
                    if abs(x - wx) <= 3 - t * 0.15 and abs(y - wy) <= 2:
                        wing = True
            if body or head or wing:
                c = (60, 60, 80) if not head else (40, 40, 60)
                px[y][x] = c + (255,)
            if math.hypot(x - 39, y - 12) <= 1.2:
                px[y][x] = (255, 255, 255, 255)
            if 42 <= x <= 46 and 13 <= y <= 14:
                px[y][x] = (240, 160, 40, 255)
    return width, height, px


def star():
    """A 32 x 32 sparkle on black, to be added to what lies below."""
    size = 32
    px = canvas(size, size, (0, 0, 0))
    for y in range(size):
        for x in range(size):
            dx, dy = abs(x - 15.5), abs(y - 15.5)
            v = max(0.0, 1 - dx / 16) * max(0.0, 1 - dy / 2.5) + max(0.0, 1 - dy / 16) * max(0.0, 1 - dx / 2.5)
            v += max(0.0, 1 - math.hypot(dx, dy) / 7)
            px[y][x] = mix((0, 0, 0), (255, 240, 200), min(1.0, v))
    return size, size, px


def main():
    pictures = {
        "pattern.pel.png": (pattern(), False, None),
        "sky.pel.png": (sky(), False, None),
        "logo.pel.png": (logo(), True, None),
        "subtitle.pel.png": (keyed_text("PLAYER DEMO", 4, (250, 250, 255)), False, KEY),
        "click.pel.png": (keyed_text("CLICK", 3, (255, 230, 120)), False, KEY),
        "hills.pel.png": (hills(), True, None),
        "sun.pel.png": (sun(), True, None),
        "tree.pel.png": (tree(), False, KEY),
        "star.pel.png": (star(), False, None),
    }
    for name, ((w, h, px), alpha, key) in pictures.items():
        write_png(os.path.join(OUT, name), w, h, px, alpha, key)
    for phase, ms in enumerate((90, 60, 90, 60)):
        w, h, px = bird(phase)
        write_png(os.path.join(OUT, "bird.pel", "wing%d@%d.png" % (phase, ms)), w, h, px, True)


if __name__ == "__main__":
    main()
