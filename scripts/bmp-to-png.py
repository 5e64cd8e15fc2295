#!/usr/bin/env python3
"""Converts the 24-bit bitmaps the engine's screenshots are into PNG files.

  bmp-to-png.py IN.bmp OUT.png

Standard library only: the rows are read bottom-up (or top-down for a negative
height), reordered from BGR to RGB and written as one zlib-compressed IDAT.
"""

import struct
import sys
import zlib


def read_bmp24(data):
    """The width, height and RGB rows, top first, of a 24-bit BMP."""
    if data[:2] != b"BM":
        raise ValueError("not a BMP file")
    offset = struct.unpack_from("<I", data, 10)[0]
    width, height = struct.unpack_from("<ii", data, 18)
    bits = struct.unpack_from("<H", data, 28)[0]
    if bits != 24:
        raise ValueError(f"{bits}-bit pictures are not read, only 24-bit ones")
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        source = abs(height) - 1 - y if height > 0 else y
        start = offset + source * stride
        bgr = data[start : start + width * 3]
        if len(bgr) < width * 3:
            raise ValueError("the file is cut short")
        rgb = bytearray(len(bgr))
        rgb[0::3], rgb[1::3], rgb[2::3] = bgr[2::3], bgr[1::3], bgr[0::3]
        rows.append(bytes(rgb))
    return width, abs(height), rows


def png(width, height, rows):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    pixels = zlib.compress(b"".join(b"\0" + row for row in rows), 9)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", pixels) + chunk(b"IEND", b"")


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    with open(argv[0], "rb") as f:
        width, height, rows = read_bmp24(f.read())
    with open(argv[1], "wb") as f:
        f.write(png(width, height, rows))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
