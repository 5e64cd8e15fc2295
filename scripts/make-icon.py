#!/usr/bin/env python3
"""Draws Velmora's application icon into a directory as velmora-SIZE.png.

A ship's lantern glowing on a dusk-blue rounded square, drawn at each size
from the same shapes (so small sizes stay sharp) with the demo pictures'
canvas and PNG writer. Python 3 standard library only.

  make-icon.py OUT_DIR [SIZE ...]   (sizes default to 48 128 256)
"""

import importlib.util
import math
import os
import sys

DEFAULT_SIZES = (48, 128, 256)

_here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, _here)
_spec = importlib.util.spec_from_file_location("demo_pictures", os.path.join(_here, "make-demo-pictures.py"))
pictures = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(pictures)
Canvas, ellipse, polygon, rect, mix = (
    pictures.Canvas, pictures.ellipse, pictures.polygon, pictures.rect, pictures.mix)


def rounded_square(x0, y0, x1, y1, radius):
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - radius, (y1 - y0) / 2 - radius

    def distance(x, y):
        dx, dy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(dx, 0), max(dy, 0))
        return outside + min(max(dx, dy), 0) - radius

    return (x0, y0, x1, y1), distance


def icon(size):
    """The icon at `size` pixels: shapes are laid out on a 64-unit grid."""
    u = size / 64
    feather = max(1.0, u * 0.8)
    c = Canvas(size, size)
    sky_top, sky_low = (26, 30, 78), (226, 142, 88)
    # The background: a dusk gradient clipped to a rounded square.
    plate = Canvas(size, size)
    plate.fill_rows(0, size, lambda y: mix(sky_top, sky_low, (y / size) ** 1.4))
    box = rounded_square(2 * u, 2 * u, 62 * u, 62 * u, 12 * u)
    for y in range(size):
        for x in range(size):
            coverage = min(max(0.5 - box[1](x + 0.5, y + 0.5) / feather, 0.0), 1.0)
            i = (y * size + x) * 4
            c.blend(x, y, plate.pixels[i : i + 3], coverage)
    # The sea below the horizon.
    c.paint(rect(6 * u, 46 * u, 58 * u, 58 * u), (36, 52, 96), feather=feather, opacity=0.85)
    # The lantern: halo, frame, glass, flame, roof and ring.
    x = 32 * u
    c.paint(ellipse(x, 32 * u, 20 * u, 22 * u), (255, 200, 110), feather=8 * u, opacity=0.5)
    c.paint(rect(x - 11 * u, 20 * u, x + 11 * u, 48 * u), (56, 48, 40), feather=feather)
    c.paint(rect(x - 8 * u, 23 * u, x + 8 * u, 45 * u), (255, 214, 138), feather=feather)
    c.paint(ellipse(x, 35 * u, 4 * u, 7 * u), (255, 250, 224), feather=feather)
    c.paint(polygon([(x - 13 * u, 20 * u), (x, 10 * u), (x + 13 * u, 20 * u)]), (50, 44, 38),
            feather=feather)
    c.paint(ellipse(x, 8 * u, 3.5 * u, 3.5 * u), (50, 44, 38), feather=feather)
    c.paint(ellipse(x, 8 * u, 1.8 * u, 1.8 * u), mix(sky_top, sky_low, 0.1), feather=feather)
    c.paint(rect(x - 13 * u, 47 * u, x + 13 * u, 51 * u), (50, 44, 38), feather=feather)
    return c


def main(argv):
    if not argv:
        sys.stderr.write(__doc__)
        return 2
    out_dir = argv[0]
    sizes = [int(s) for s in argv[1:]] or list(DEFAULT_SIZES)
    os.makedirs(out_dir, exist_ok=True)
    for size in sizes:
        canvas = icon(size)
        pictures.write_png(os.path.join(out_dir, f"velmora-{size}.png"), size, size, canvas.pixels, True)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
