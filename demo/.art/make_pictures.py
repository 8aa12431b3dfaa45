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


# ---- The story's room and its girl ---------------------------------------------


def room(evening):
    """A 640 x 480 room: papered wall, a window onto the sky, a bookshelf and a
    plank floor; in the evening the sky glows and the room dims."""
    width, height = 640, 480
    floor_top, sill = 372, 362
    win_left, win_top, win_right, win_bottom = 372, 56, 588, 268
    shelf_left, shelf_right, shelf_top = 44, 196, 132
    books = ((200, 60, 60), (60, 110, 170), (230, 190, 80), (70, 140, 90), (150, 90, 160), (220, 130, 70))
    px = canvas(width, height, (0, 0, 0))
    for y in range(height):
        for x in range(width):
            if win_left <= x < win_right and win_top <= y < win_bottom:
                frame = 10
                inner = win_left + frame <= x < win_right - frame and win_top + frame <= y < win_bottom - frame
                bar = abs(x - (win_left + win_right) // 2) < 4 or abs(y - (win_top + win_bottom) // 2) < 4
                if inner and not bar:
                    t = (y - win_top) / (win_bottom - win_top)
                    if evening:
                        c = mix((90, 60, 140), (255, 150, 70), t)
                        glow = max(0.0, 1 - math.hypot(x - 520, y - 230) / 50)
                        c = mix(c, (255, 230, 150), glow)
                    else:
                        c = mix((90, 150, 230), (200, 230, 250), t)
                        cloud = 1 - ((x - 440) / 40) ** 2 - ((y - 120) / 12) ** 2
                        c = mix(c, (255, 255, 255), min(1.0, max(0.0, cloud) * 1.5))
                    px[y][x] = c
                    continue
                c = (236, 232, 222)
            elif shelf_left <= x < shelf_right and shelf_top <= y < floor_top:
                c = (110, 70, 45)
                inside = shelf_left + 8 <= x < shelf_right - 8 and y < floor_top - 8
                row = (y - shelf_top - 8) % 60
                if inside and y >= shelf_top + 8 and row >= 8:
                    column = (x - shelf_left - 8) // 12
                    tall = 30 + (column * 7 + (y - shelf_top) // 60 * 3) % 18
                    if row >= 60 - tall and (x - shelf_left - 8) % 12 < 11:
                        c = books[(column + (y - shelf_top) // 60) % len(books)]
                    else:
                        c = (70, 45, 30)
            elif y >= floor_top:
                plank = (y - floor_top) // 18
                seam = (x + plank * 157) % 240 < 2 or (y - floor_top) % 18 == 0
                c = mix((176, 124, 80), (140, 95, 60), (y - floor_top) / (height - floor_top))
                if seam:
                    c = mix(c, (90, 60, 40), 0.6)
            elif y >= sill:
                c = (200, 190, 175)
            else:
                stripe = 0.04 if (x // 16) % 2 else 0.0
                c = mix(mix((240, 226, 200), (216, 198, 170), y / sill), (180, 160, 130), stripe)
            if evening:
                c = (clamp(c[0] * 0.78), clamp(c[1] * 0.62), clamp(c[2] * 0.58))
            px[y][x] = c
    return width, height, px


def girl():
    """A 220 x 360 girl in a sailor uniform, drawn at three by three samples a
    pixel so that her outline is smooth, on alpha."""
    width, height = 220, 360
    skin, hair = (252, 226, 208), (96, 56, 44)
    navy, collar, ribbon = (44, 56, 100), (245, 245, 250), (210, 50, 60)

    def ellipse(x, y, cx, cy, rx, ry):
        return ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1

    def colour(x, y):
        # Front to back: face details, bangs, face, collar and ribbon, body,
        # neck, the hair behind.
        if ellipse(x, y, 88, 104, 7, 10) or ellipse(x, y, 132, 104, 7, 10):
            if ellipse(x, y, 86, 100, 2.5, 3) or ellipse(x, y, 130, 100, 2.5, 3):
                return (255, 255, 255)
            return mix((60, 50, 110), (120, 90, 170), max(0.0, (y - 96) / 16))
        if 104 <= x <= 116 and 128 <= y <= 130:
            return (200, 110, 110)
        if ellipse(x, y, 110, 94, 50, 58):
            bangs = 66 + 10 * abs(math.sin((x - 60) / 100 * math.pi * 3))
            if y < bangs or (y < 120 and (x < 66 or x > 154)):
                return mix(hair, (140, 90, 70), max(0.0, 1 - (y - 36) / 40))
            if ellipse(x, y, 80, 118, 9, 5) or ellipse(x, y, 140, 118, 9, 5):
                return mix(skin, (250, 170, 170), 0.5)
            return skin
        body_top, waist = 160, 268
        d = abs(x - 110)
        hand = 110 + math.copysign(50 - (288 - body_top) * 0.1 + 8, x - 110)
        if ellipse(x, y, hand, 286, 7, 11):
            return mix(skin, (230, 190, 170), 0.2)
        if y >= body_top:
            # The blouse narrows from the shoulders to the waist, the pleated
            # skirt widens below it; the arms hang beside the blouse.
            if y < waist:
                spread = 50 - (y - body_top) * 0.1 if y > body_top + 12 else 38 + (y - body_top)
            else:
                spread = 40 + (y - waist) * 0.45
            if d <= spread:
                if y < 200 and d < (200 - y) * 1.1 + 20:
                    if d < 8 and 176 <= y < 196:
                        return ribbon
                    if d < 32 - (y - body_top) * 0.8:
                        return skin if y < 176 else navy
                    return collar if (d + y) % 40 > 3 else (60, 80, 140)
                if y >= waist:
                    pleat = ((x - 110) * 40 // max(1, int(spread))) % 8 == 0
                    return mix(navy, (16, 20, 40), 0.35 if pleat else 0.1)
                return mix(navy, (20, 26, 50), min(1.0, d / spread) * 0.3)
            arm = 50 - (y - body_top) * 0.1
            if y > body_top + 6 and arm - 2 < d <= arm + 14 - (y - body_top) * 0.02:
                if y < 278:
                    return mix(navy, (20, 26, 50), 0.2 if d > arm + 8 else 0.05)
        if 98 <= x <= 122 and 130 <= y < body_top + 4:
            return mix(skin, (220, 180, 160), 0.3)
        if ellipse(x, y, 110, 110, 62, 70) or (50 <= x <= 170 and 110 <= y <= 230 and abs(x - 110) >= 46):
            return hair
        return None

    px = canvas(width, height, (0, 0, 0, 0))
    samples = ((1 / 6, 1 / 6), (1 / 2, 1 / 6), (5 / 6, 1 / 6), (1 / 6, 1 / 2), (1 / 2, 1 / 2), (5 / 6, 1 / 2),
               (1 / 6, 5 / 6), (1 / 2, 5 / 6), (5 / 6, 5 / 6))
    for y in range(height):
        for x in range(width):
            hits = [c for c in (colour(x + dx, y + dy) for dx, dy in samples) if c is not None]
            if hits:
                average = tuple(clamp(sum(c[i] for c in hits) / len(hits)) for i in range(3))
                px[y][x] = average + (clamp(255 * len(hits) / len(samples)),)
    return width, height, px


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
        "room.pel.png": (room(False), False, None),
        "room-evening.pel.png": (room(True), False, None),
        "girl.pel.png": (girl(), True, None),
    }
    for name, ((w, h, px), alpha, key) in pictures.items():
        write_png(os.path.join(OUT, name), w, h, px, alpha, key)
    for phase, ms in enumerate((90, 60, 90, 60)):
        w, h, px = bird(phase)
        write_png(os.path.join(OUT, "bird.pel", "wing%d@%d.png" % (phase, ms)), w, h, px, True)


if __name__ == "__main__":
    main()
