#!/usr/bin/env python3
"""Draws the program icon, resources/Beamdesk.ico: a projector body with its
lens and a light beam, at 16, 32 and 48 pixels, 32 bits per pixel with alpha.

Standard library only. Shapes are described on a 16-unit grid (one unit is one
pixel of the smallest size), rendered with 8x8 supersampling and composited
back to front. Outline widths are chosen per size in whole pixels so the small
sizes stay crisp. Each image is stored as an uncompressed DIB entry (XOR bitmap
with alpha plus the 1-bit AND mask), which every icon loader understands.

    tools/make-icon.py [OUTPUT]     default: resources/Beamdesk.ico
"""

import math
import os
import struct
import sys

SIZES = (16, 32, 48)
SUPERSAMPLE = 8


# ---------------------------------------------------------------- shapes ---
# Every shape is a function (x, y) -> bool in pixel coordinates of the image
# being drawn; coordinates passed to the makers are already in pixels.

def rounded_rect(x0, y0, x1, y1, r):
    def inside(x, y):
        if x < x0 or x >= x1 or y < y0 or y >= y1:
            return False
        cx = min(max(x, x0 + r), x1 - r)
        cy = min(max(y, y0 + r), y1 - r)
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def circle(cx, cy, r):
    def inside(x, y):
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[(i + 1) % n]
            if (ay > y) != (by > y):
                t = (y - ay) / (by - ay)
                if x < ax + t * (bx - ax):
                    hit = not hit
        return hit
    return inside


def intersect(a, b):
    return lambda x, y: a(x, y) and b(x, y)


# --------------------------------------------------------------- painting ---

class Canvas:
    """Premultiplied RGBA floats, composited with 'over'."""

    def __init__(self, size):
        self.size = size
        self.px = [[(0.0, 0.0, 0.0, 0.0)] * size for _ in range(size)]

    def fill(self, shape, color):
        """color: (r, g, b, a) in 0..1, or a function (x, y) -> that tuple,
        evaluated at the pixel centre."""
        n = SUPERSAMPLE
        offsets = [(i + 0.5) / n for i in range(n)]
        for py in range(self.size):
            for px in range(self.size):
                hits = 0
                for oy in offsets:
                    for ox in offsets:
                        if shape(px + ox, py + oy):
                            hits += 1
                if not hits:
                    continue
                cov = hits / (n * n)
                c = color(px + 0.5, py + 0.5) if callable(color) else color
                r, g, b, a = c
                a *= cov
                dr, dg, db, da = self.px[py][px]
                k = 1.0 - a
                self.px[py][px] = (r * a + dr * k, g * a + dg * k, b * a + db * k, a + da * k)

    def bgra_rows_bottom_up(self):
        rows = []
        for y in reversed(range(self.size)):
            row = bytearray()
            for x in range(self.size):
                r, g, b, a = self.px[y][x]
                if a <= 0.0:
                    row += b"\0\0\0\0"
                    continue
                # DIB icons carry straight (not premultiplied) colour.
                def q(v):
                    return max(0, min(255, int(round(v / a * 255))))
                row += bytes((q(b), q(g), q(r), max(0, min(255, int(round(a * 255))))))
            rows.append(bytes(row))
        return rows


def hexcolor(h, a=1.0):
    return (int(h[1:3], 16) / 255, int(h[3:5], 16) / 255, int(h[5:7], 16) / 255, a)


def mix(c0, c1, t):
    t = max(0.0, min(1.0, t))
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


# ---------------------------------------------------------------- drawing ---

def draw(size):
    u = size / 16.0               # pixels per grid unit
    line = {16: 1, 32: 2, 48: 2}[size]   # outline width, whole pixels
    c = Canvas(size)

    outline = hexcolor("#1f2630")
    body_top = hexcolor("#d9dee6")
    body_bottom = hexcolor("#8c96a5")
    lid = hexcolor("#eef1f5")
    ring = hexcolor("#3b4654")
    glass_in = hexcolor("#7fd0ff")
    glass_out = hexcolor("#1b4f9c")
    beam_near = hexcolor("#ffd43a", 1.0)
    beam_far = hexcolor("#ffe27a", 0.6)

    # Body: a box on the lower left, lens at its right end.
    bx0, by0, bx1, by1 = 0.0, 5.0 * u, 11.0 * u, 13.0 * u
    radius = 1.5 * u

    # Lens (centre, outer radius) straddling the right end of the body.
    lcx, lcy, lr = 10.0 * u, 9.0 * u, 3.5 * u

    # Beam: a wedge from the lens out to the right edge, opening upwards a
    # little, as if throwing an image onto a wall above the table.
    beam = polygon([
        (lcx, lcy - 2.0 * u),
        (16.0 * u, 0.0),
        (16.0 * u, 13.0 * u),
        (lcx, lcy + 2.0 * u),
    ])

    def beam_color(x, y):
        t = (x - lcx) / (16.0 * u - lcx)
        return mix(beam_near, beam_far, t)

    c.fill(beam, beam_color)

    # Feet.
    foot_h = max(1, round(1.0 * u))
    for fx in (2.0, 7.0):
        c.fill(rounded_rect(fx * u, by1 - line, fx * u + 2.0 * u, by1 + foot_h, 0.4 * u), outline)

    # Body: outline, then the face with a top-to-bottom shade, then the lid.
    c.fill(rounded_rect(bx0, by0, bx1, by1, radius), outline)
    inner = rounded_rect(bx0 + line, by0 + line, bx1 - line, by1 - line, max(0.5, radius - line))

    def body_color(x, y):
        return mix(body_top, body_bottom, (y - by0) / (by1 - by0))

    c.fill(inner, body_color)
    lid_bottom = by0 + line + max(1, round(1.5 * u))
    c.fill(intersect(inner, lambda x, y: y < lid_bottom), lid)

    # Vent slots and a power light where there is room for them.
    if size >= 32:
        slot_w = max(1, round(0.5 * u))
        for i in range(3):
            sx = bx0 + line + round(2.0 * u) + i * round(1.25 * u)
            c.fill(rounded_rect(sx, lid_bottom + round(1.0 * u), sx + slot_w,
                                by1 - line - round(1.25 * u), slot_w / 2), hexcolor("#5a6474"))
        c.fill(circle(bx0 + line + 1.2 * u, by1 - line - 1.2 * u, 0.45 * u), hexcolor("#3fd25a"))

    # Lens: dark barrel ring, glass with a radial shade, one highlight.
    c.fill(circle(lcx, lcy, lr), outline)
    if size >= 32:
        c.fill(circle(lcx, lcy, lr - line), ring)
        gr = lr - line - round(0.75 * u)
    else:
        gr = lr - line

    def glass_color(x, y):
        d = math.hypot(x - (lcx - 0.6 * u), y - (lcy - 0.6 * u)) / gr
        return mix(glass_in, glass_out, d)

    c.fill(circle(lcx, lcy, gr), glass_color)
    c.fill(circle(lcx - 0.8 * u, lcy - 0.8 * u, max(0.6, 0.6 * u)), hexcolor("#ffffff", 0.9))
    return c


# --------------------------------------------------------------- ICO file ---

def dib_entry(canvas):
    size = canvas.size
    rows = canvas.bgra_rows_bottom_up()
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in rows:
        bits = bytearray(mask_stride)
        for x in range(size):
            if row[x * 4 + 3] == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + xor + bytes(mask)


def write_ico(path, canvases):
    entries = [dib_entry(c) for c in canvases]
    out = bytearray(struct.pack("<HHH", 0, 1, len(entries)))
    offset = 6 + 16 * len(entries)
    for c, data in zip(canvases, entries):
        dim = c.size if c.size < 256 else 0
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    for data in entries:
        out += data
    with open(path, "wb") as f:
        f.write(out)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    path = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "Beamdesk.ico")
    write_ico(path, [draw(s) for s in SIZES])
    print(path)


if __name__ == "__main__":
    main()
