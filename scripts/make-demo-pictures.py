#!/usr/bin/env python3
"""Draws the demo game's pictures into a directory (default: examples/demo).

Everything is drawn here from shapes and gradients and written as PNG with
zlib, so the demo carries no third-party art. Pictures that are already newer
than this script are left alone; pass --force to redraw them anyway.

  harbour.png  640 x 480 background: dusk sky, sun, breakwater, sea and quay
  night.png    640 x 480 background: the same harbour under a night sky, the
               lighthouse's beam sweeping the water
  mira.png     standing picture with soft alpha edges (red coat)
  tomas.png    standing picture with soft alpha edges (harbour master, navy coat)
  father.png   standing picture with soft alpha edges (fisherman, oilskin and cap)
  lantern.png  3 animation cells side by side: a lantern whose flame flickers
  gull.png     a small gull, shown rotated
  tide.png     64 x 64 grey mask of slanted waves for the soft mask fade
"""

import math
import os
import struct
import sys
import zlib

from demo_outputs import make_outputs

OUTPUTS = ("harbour.png", "night.png", "mira.png", "tomas.png", "father.png", "lantern.png",
           "gull.png", "tide.png")


# ---- PNG writing -----------------------------------------------------------


def _chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def _filter_rows(raw, stride, bpp):
    """Each row with the Sub or Up filter, whichever leaves smaller values."""
    out = bytearray()
    previous = bytes(stride)
    for start in range(0, len(raw), stride):
        row = raw[start : start + stride]
        up = bytes((a - b) & 0xFF for a, b in zip(row, previous))
        sub = row[:bpp] + bytes((a - b) & 0xFF for a, b in zip(row[bpp:], row))
        cost_up = sum(min(v, 256 - v) for v in up)
        cost_sub = sum(min(v, 256 - v) for v in sub)
        out += b"\x02" + up if cost_up <= cost_sub else b"\x01" + sub
        previous = row
    return bytes(out)


def write_png(path, width, height, rgba, alpha):
    """Writes RGBA pixels (a bytearray) as RGBA, or as RGB when `alpha` is false."""
    if alpha:
        raw, bpp = bytes(rgba), 4
    else:
        raw = bytearray(width * height * 3)
        raw[0::3] = rgba[0::4]
        raw[1::3] = rgba[1::4]
        raw[2::3] = rgba[2::4]
        raw, bpp = bytes(raw), 3
    header = struct.pack(">IIBBBBB", width, height, 8, 6 if alpha else 2, 0, 0, 0)
    data = zlib.compress(_filter_rows(raw, width * bpp, bpp), 9)
    with open(path + ".tmp", "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n")
        f.write(_chunk(b"IHDR", header))
        f.write(_chunk(b"IDAT", data))
        f.write(_chunk(b"IEND", b""))
    os.replace(path + ".tmp", path)


# ---- Drawing -----------------------------------------------------------------


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


class Canvas:
    """RGBA pixels with shapes painted over them: edges are antialiased by the
    shape's signed distance, so silhouettes get soft alpha borders."""

    def __init__(self, width, height):
        self.width = width
        self.height = height
        self.pixels = bytearray(width * height * 4)

    def fill_rows(self, y0, y1, colour_of_row):
        for y in range(max(y0, 0), min(y1, self.height)):
            r, g, b = colour_of_row(y)
            self.pixels[y * self.width * 4 : (y + 1) * self.width * 4] = bytes((r, g, b, 255)) * self.width

    def blend(self, x, y, colour, coverage):
        """Paints `colour` over the pixel with `coverage` (0-1), the 'over' rule."""
        if coverage <= 0:
            return
        i = (y * self.width + x) * 4
        p = self.pixels
        src_a = coverage
        dst_a = p[i + 3] / 255
        out_a = src_a + dst_a * (1 - src_a)
        for c in range(3):
            value = (colour[c] * src_a + p[i + c] * dst_a * (1 - src_a)) / out_a
            p[i + c] = min(255, round(value))
        p[i + 3] = min(255, round(out_a * 255))

    def paint(self, shape, colour, feather=1.5, opacity=1.0):
        """Fills a shape: `shape` is (bounding box, signed distance function)."""
        (x0, y0, x1, y1), distance = shape
        pad = int(feather) + 1
        for y in range(max(int(y0) - pad, 0), min(int(y1) + pad + 1, self.height)):
            for x in range(max(int(x0) - pad, 0), min(int(x1) + pad + 1, self.width)):
                d = distance(x + 0.5, y + 0.5)
                coverage = min(max(0.5 - d / feather, 0.0), 1.0)
                self.blend(x, y, colour, coverage * opacity)


def ellipse(cx, cy, rx, ry):
    def distance(x, y):
        return (math.hypot((x - cx) / rx, (y - cy) / ry) - 1) * min(rx, ry)

    return (cx - rx, cy - ry, cx + rx, cy + ry), distance


def polygon(points):
    """A convex polygon, points in clockwise screen order."""
    edges = []
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        length = math.hypot(bx - ax, by - ay)
        edges.append((ax, ay, (by - ay) / length, (ax - bx) / length))

    def distance(x, y):
        return max((x - ax) * nx + (y - ay) * ny for ax, ay, nx, ny in edges)

    xs = [p[0] for p in points]
    ys = [p[1] for p in points]
    return (min(xs), min(ys), max(xs), max(ys)), distance


def rect(x0, y0, x1, y1):
    return polygon([(x0, y0), (x1, y0), (x1, y1), (x0, y1)])


# ---- The pictures --------------------------------------------------------------

HORIZON = 262
QUAY_TOP = 396


def harbour():
    c = Canvas(640, 480)
    top, glow = (26, 30, 78), (238, 152, 92)
    c.fill_rows(0, HORIZON, lambda y: mix(top, glow, (y / HORIZON) ** 1.6))
    c.paint(ellipse(470, 236, 26, 26), (255, 214, 140), feather=4)
    deep, near = (52, 70, 112), (22, 36, 68)
    c.fill_rows(HORIZON, QUAY_TOP, lambda y: mix(deep, near, (y - HORIZON) / (QUAY_TOP - HORIZON)))
    # The sun's reflection and a few wave crests on the water.
    for k in range(18):
        y = HORIZON + 6 + k * 7
        half = 6 + k * 2
        c.paint(rect(470 - half, y, 470 + half, y + 2), (236, 168, 104), opacity=0.7)
        x = (k * 173) % 560 + 20
        c.paint(rect(x, y + 3, x + 30 + k % 4 * 6, y + 4), (96, 116, 156), opacity=0.6)
    breakwater_and_quay(c)
    return c


def night():
    c = Canvas(640, 480)
    top, low = (6, 8, 24), (30, 40, 78)
    c.fill_rows(0, HORIZON, lambda y: mix(top, low, (y / HORIZON) ** 1.3))
    # Stars at fixed pseudo-random places, and a thin moon.
    seed = 12345
    for k in range(70):
        seed = (seed * 1103515245 + 12345) % 2**31
        x, y = seed % 640, (seed >> 10) % (HORIZON - 40)
        c.paint(ellipse(x, y, 1.2, 1.2), (230, 232, 255), feather=1, opacity=0.5 + k % 3 * 0.2)
    c.paint(ellipse(520, 70, 22, 22), (244, 240, 214), feather=2)
    c.paint(ellipse(530, 64, 20, 20), top, feather=2)
    deep, near = (18, 26, 52), (8, 14, 32)
    c.fill_rows(HORIZON, QUAY_TOP, lambda y: mix(deep, near, (y - HORIZON) / (QUAY_TOP - HORIZON)))
    # The lighthouse's beam fans out from the breakwater over the sky and sea.
    c.paint(polygon([(60, HORIZON - 50), (640, HORIZON - 120), (640, HORIZON - 40)]),
            (250, 240, 190), feather=8, opacity=0.22)
    for k in range(18):
        y = HORIZON + 6 + k * 7
        x = (k * 173) % 560 + 20
        c.paint(rect(x, y + 3, x + 24 + k % 4 * 6, y + 4), (60, 76, 120), opacity=0.6)
    breakwater_and_quay(c)
    return c


def breakwater_and_quay(c):
    # The breakwater and its light on the horizon.
    c.paint(rect(0, HORIZON - 6, 330, HORIZON + 4), (44, 40, 52))
    c.paint(rect(54, HORIZON - 44, 66, HORIZON - 6), (228, 222, 210))
    c.paint(rect(54, HORIZON - 36, 66, HORIZON - 30), (178, 52, 46))
    c.paint(ellipse(60, HORIZON - 48, 7, 5), (255, 236, 160), feather=3)
    # The quay: stone blocks with dark seams and an edge.
    stone = (104, 96, 88)
    c.fill_rows(QUAY_TOP, 480, lambda y: stone)
    c.paint(rect(0, QUAY_TOP, 640, QUAY_TOP + 5), (64, 58, 54))
    for row, y in enumerate(range(QUAY_TOP + 26, 480, 28)):
        c.paint(rect(0, y, 640, y + 1), (78, 72, 66))
        for x in range(40 if row % 2 else 0, 640, 80):
            c.paint(rect(x, y - 27 if y - 27 > QUAY_TOP + 5 else QUAY_TOP + 5, x + 1, y), (78, 72, 66))
    # Bollards along the edge.
    for x in (120, 360, 600):
        c.paint(rect(x - 8, QUAY_TOP - 14, x + 8, QUAY_TOP + 2), (40, 38, 40))
        c.paint(ellipse(x, QUAY_TOP - 14, 10, 4), (58, 54, 56))


def figure(width, height, coat, hair, cap=None):
    """A standing figure seen from the front, centred, feet on the bottom row."""
    c = Canvas(width, height)
    cx = width / 2
    head_y, head_r = height * 0.13, width * 0.14
    skin = (232, 196, 166)
    shoes = (38, 30, 30)
    legs = (52, 48, 60)
    c.paint(rect(cx - width * 0.17, height * 0.72, cx - 4, height - 10), legs)
    c.paint(rect(cx + 4, height * 0.72, cx + width * 0.17, height - 10), legs)
    c.paint(ellipse(cx - width * 0.12, height - 8, width * 0.1, 7), shoes)
    c.paint(ellipse(cx + width * 0.12, height - 8, width * 0.1, 7), shoes)
    # Arms first, so the coat overlaps their shoulders.
    c.paint(polygon([(cx - width * 0.30, height * 0.26), (cx - width * 0.18, height * 0.26),
                     (cx - width * 0.26, height * 0.58), (cx - width * 0.40, height * 0.56)]), coat)
    c.paint(polygon([(cx + width * 0.18, height * 0.26), (cx + width * 0.30, height * 0.26),
                     (cx + width * 0.40, height * 0.56), (cx + width * 0.26, height * 0.58)]), coat)
    c.paint(ellipse(cx - width * 0.33, height * 0.59, width * 0.06, width * 0.06), skin)
    c.paint(ellipse(cx + width * 0.33, height * 0.59, width * 0.06, width * 0.06), skin)
    c.paint(polygon([(cx - width * 0.22, height * 0.24), (cx + width * 0.22, height * 0.24),
                     (cx + width * 0.32, height * 0.76), (cx - width * 0.32, height * 0.76)]), coat)
    c.paint(rect(cx - 1, height * 0.26, cx + 1, height * 0.74), mix(coat, (0, 0, 0), 0.35), feather=1)
    c.paint(rect(cx - width * 0.05, height * 0.18, cx + width * 0.05, height * 0.25), skin)
    c.paint(ellipse(cx, head_y + 2, head_r * 1.12, head_r * 1.1), hair)
    c.paint(ellipse(cx, head_y + head_r * 0.25, head_r * 0.92, head_r * 0.95), skin)
    if cap:
        c.paint(ellipse(cx, head_y - head_r * 0.55, head_r * 1.1, head_r * 0.5), cap)
        c.paint(rect(cx - head_r * 1.2, head_y - head_r * 0.35, cx + head_r * 1.2, head_y - head_r * 0.15), cap)
    return c


def lantern():
    """Three cells of 24 x 40: the flame and its halo change from cell to cell."""
    cell_w, cell_h = 24, 40
    c = Canvas(cell_w * 3, cell_h)
    for cell, glow in enumerate((0.55, 1.0, 0.75)):
        x = cell * cell_w + cell_w / 2
        c.paint(ellipse(x, 22, 11, 14), (255, 200, 110), feather=6, opacity=0.45 * glow)
        c.paint(rect(x - 6, 12, x + 6, 32), (60, 52, 44))
        c.paint(rect(x - 4, 14, x + 4, 30), mix((150, 90, 40), (255, 226, 150), glow))
        c.paint(ellipse(x, 23 - cell, 2.5, 4 + cell), (255, 250, 220), feather=1)
        c.paint(polygon([(x - 7, 12), (x, 5), (x + 7, 12)]), (50, 44, 38))
        c.paint(rect(x - 1, 1, x + 1, 6), (50, 44, 38), feather=1)
        c.paint(rect(x - 7, 32, x + 7, 35), (50, 44, 38))
    return c


def gull():
    c = Canvas(48, 24)
    wing, tip = (196, 200, 206), (44, 44, 50)

    def both(points, colour):
        c.paint(polygon(points), colour, feather=1)
        c.paint(polygon([(48 - x, y) for x, y in reversed(points)]), colour, feather=1)

    both([(12, 4), (24, 10), (22, 15), (9, 10)], wing)
    both([(1, 8), (12, 4), (9, 10)], wing)
    both([(1, 8), (5, 6.5), (4, 9)], tip)
    c.paint(ellipse(24, 13, 9, 4.5), (246, 246, 240))
    c.paint(ellipse(33, 11, 3.5, 3), (246, 246, 240))
    c.paint(polygon([(36, 10), (40, 11.5), (36, 12.5)]), (232, 170, 60), feather=1)
    return c


def tide():
    """Dark where the new picture shows first: a top-to-bottom ramp with
    slanted waves on it. The engine repeats it over the screen, so the new
    picture rolls in as 64-pixel bands of surf."""
    c = Canvas(64, 64)
    for y in range(64):
        for x in range(64):
            wave = math.sin((x + y) * 2 * math.pi / 64) * 0.5 + 0.5
            level = round(255 * (0.75 * y / 63 + 0.25 * wave))
            i = (y * 64 + x) * 4
            c.pixels[i : i + 4] = bytes((level, level, level, 255))
    return c


def main(argv):
    pictures = {
        "harbour.png": (harbour, False),
        "mira.png": (lambda: figure(150, 360, (150, 40, 60), (70, 40, 36)), True),
        "tomas.png": (lambda: figure(170, 380, (40, 60, 110), (90, 86, 80), cap=(30, 36, 60)), True),
        "father.png": (lambda: figure(180, 390, (196, 150, 40), (60, 56, 52), cap=(150, 112, 30)), True),
        "night.png": (night, False),
        "lantern.png": (lantern, True),
        "gull.png": (gull, True),
        "tide.png": (tide, False),
    }

    def write(path, name):
        draw, alpha = pictures[name]
        canvas = draw()
        write_png(path, canvas.width, canvas.height, canvas.pixels, alpha)

    return make_outputs(argv, __file__, OUTPUTS, write)


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
