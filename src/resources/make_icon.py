#!/usr/bin/env python3
"""Draws the application icon and writes it as app.ico next to this script.

One 48x48 image, 32 bits per pixel with straight alpha, stored as a
BITMAPINFOHEADER DIB (height doubled for the XOR and AND masks; the AND mask
is all zero because alpha decides transparency). The picture is a rounded
blue square with a white circular "restart" arrow. Edges are anti-aliased by
sampling an 8x8 grid inside every pixel. Only the standard library is used
and the output is byte-for-byte the same on every run.
"""
import math
import os
import struct
import sys

SIZE = 48
SUB = 8  # samples per pixel edge

# Rounded square.
SQ_MIN, SQ_MAX, SQ_RADIUS = 1.5, 46.5, 9.0
TOP_RGB, BOTTOM_RGB = (0x3A, 0x8D, 0xF0), (0x15, 0x58, 0xC0)

# Restart arrow: a ring arc plus a triangular head. Angles are degrees,
# clockwise from 12 o'clock (screen y grows downwards).
CX, CY = 24.0, 24.5
RING_R, RING_HALF = 12.0, 2.4
ARC_FROM, ARC_TO = 55.0, 335.0  # the head sits at ARC_TO, pointing clockwise
HEAD_HALF, HEAD_LEN = 6.2, 7.5


def in_rounded_square(x, y):
    # Distance to the square shrunk by the radius, compared with the radius.
    lo, hi = SQ_MIN + SQ_RADIUS, SQ_MAX - SQ_RADIUS
    dx = max(lo - x, 0.0, x - hi)
    dy = max(lo - y, 0.0, y - hi)
    return dx * dx + dy * dy <= SQ_RADIUS * SQ_RADIUS


def ring_point(deg, r):
    a = math.radians(deg)
    return CX + r * math.sin(a), CY - r * math.cos(a)


def cross(ax, ay, bx, by, px, py):
    return (bx - ax) * (py - ay) - (by - ay) * (px - ax)


def in_triangle(tri, x, y):
    (ax, ay), (bx, by), (cx, cy) = tri
    d1 = cross(ax, ay, bx, by, x, y)
    d2 = cross(bx, by, cx, cy, x, y)
    d3 = cross(cx, cy, ax, ay, x, y)
    has_neg = d1 < 0 or d2 < 0 or d3 < 0
    has_pos = d1 > 0 or d2 > 0 or d3 > 0
    return not (has_neg and has_pos)


def arrow_head():
    a = math.radians(ARC_TO)
    bx, by = ring_point(ARC_TO, RING_R)
    tx, ty = math.cos(a), math.sin(a)  # clockwise tangent
    nx, ny = math.sin(a), -math.cos(a)  # outward normal
    return ((bx + nx * HEAD_HALF, by + ny * HEAD_HALF),
            (bx - nx * HEAD_HALF, by - ny * HEAD_HALF),
            (bx + tx * HEAD_LEN, by + ty * HEAD_LEN))


HEAD = arrow_head()
TAIL = ring_point(ARC_FROM, RING_R)


def in_arrow(x, y):
    dx, dy = x - CX, y - CY
    r = math.hypot(dx, dy)
    if abs(r - RING_R) <= RING_HALF:
        deg = math.degrees(math.atan2(dx, -dy)) % 360.0
        if ARC_FROM <= deg <= ARC_TO:
            return True
    # Round cap at the tail end of the arc.
    if math.hypot(x - TAIL[0], y - TAIL[1]) <= RING_HALF:
        return True
    return in_triangle(HEAD, x, y)


def pixel(px, py):
    """Returns (b, g, r, a) for pixel column px, row py (row 0 at the top)."""
    square = arrow = 0
    for sy in range(SUB):
        y = py + (sy + 0.5) / SUB
        for sx in range(SUB):
            x = px + (sx + 0.5) / SUB
            if in_rounded_square(x, y):
                square += 1
                if in_arrow(x, y):
                    arrow += 1
    if square == 0:
        return (0, 0, 0, 0)
    t = (py + 0.5) / SIZE
    base = [TOP_RGB[i] + (BOTTOM_RGB[i] - TOP_RGB[i]) * t for i in range(3)]
    w = arrow / square  # share of the covered area that is white
    rgb = [round(c + (255 - c) * w) for c in base]
    alpha = round(255 * square / (SUB * SUB))
    return (rgb[2], rgb[1], rgb[0], alpha)


def build_ico():
    rows = []
    for py in range(SIZE - 1, -1, -1):  # DIB rows run bottom-up
        rows.append(b"".join(struct.pack("<4B", *pixel(px, py)) for px in range(SIZE)))
    xor = b"".join(rows)
    and_stride = ((SIZE + 31) // 32) * 4
    and_mask = bytes(and_stride * SIZE)
    header = struct.pack("<IiiHHIIiiII", 40, SIZE, SIZE * 2, 1, 32, 0,
                         len(xor) + len(and_mask), 0, 0, 0, 0)
    image = header + xor + and_mask
    icondir = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", SIZE, SIZE, 0, 0, 1, 32, len(image), 6 + 16)
    return icondir + entry + image


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(
        os.path.dirname(os.path.abspath(__file__)), "app.ico")
    with open(out, "wb") as f:
        f.write(build_ico())


if __name__ == "__main__":
    main()
