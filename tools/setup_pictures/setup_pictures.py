#!/usr/bin/env python3
"""Draws the setup program's pictures: the wizard backgrounds (light and
dark), the logo of the welcome page and the setup's icon.

    python3 tools/setup_pictures/setup_pictures.py resources/setup

Plain Python (zlib only): every shape is a signed distance field, so edges
are anti-aliased by their distance to the pixel centre. The outputs are
committed; run this again only to change the pictures.
"""
import math
import os
import struct
import sys
import zlib

WIDTH, HEIGHT = 600, 400  # the wizard frame's client area at 96 DPI

# Brand colours: a teal-to-blue ribbon, the colour of a link and the accent.
TEAL = (0, 168, 184)
BLUE = (0, 102, 204)
DEEP = (30, 64, 160)


def clamp(v, lo=0.0, hi=1.0):
    return lo if v < lo else hi if v > hi else v


def mix(a, b, t):
    return tuple(a[i] + (b[i] - a[i]) * t for i in range(len(a)))


def coverage(distance):
    """Share of a pixel inside a shape whose edge is `distance` away (negative inside)."""
    return clamp(0.5 - distance)


def write_png(path, width, height, rows):
    """rows: list of bytearrays of RGBA."""
    raw = b"".join(b"\x00" + bytes(row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)
    return png


def wave(x, base, amplitude, length, phase):
    return base + amplitude * math.sin(2 * math.pi * x / length + phase)


def wave_distance(x, y, base, amplitude, length, phase):
    """Distance to the region below the wave (negative below it)."""
    f = wave(x, base, amplitude, length, phase)
    slope = amplitude * 2 * math.pi / length * math.cos(2 * math.pi * x / length + phase)
    return (f - y) / math.sqrt(1 + slope * slope)


def background(dark):
    base = (25, 25, 25) if dark else (255, 255, 255)
    rows = []
    for y in range(HEIGHT):
        row = bytearray()
        for x in range(WIDTH):
            c = base
            py = y + 0.5
            px = x + 0.5
            # Three ribbons along the bottom, lightest at the back; the
            # middle of the frame, where the texts sit, stays plain.
            layers = (
                (348, 14, 760, 0.6, 0.10 if not dark else 0.16),
                (362, 12, 540, 2.1, 0.16 if not dark else 0.24),
                (378, 9, 420, 4.0, 0.26 if not dark else 0.36),
            )
            for i, (b, a, length, phase, strength) in enumerate(layers):
                d = wave_distance(px, py, b, a, length, phase)
                cover = coverage(d)
                if cover > 0:
                    tint = mix(TEAL, BLUE if i < 2 else DEEP, clamp(px / WIDTH))
                    c = mix(c, tint, cover * strength)
            # A soft glow in the top-right corner, behind the language link.
            dx, dy = px - WIDTH, py
            r = math.sqrt(dx * dx + dy * dy)
            glow = clamp(1 - r / 190) ** 2 * (0.10 if not dark else 0.14)
            if glow > 0:
                c = mix(c, TEAL, glow)
            # A thin accent line at the very top.
            if py < 3:
                c = mix(c, mix(TEAL, BLUE, px / WIDTH), 0.85)
            row += bytes((int(round(c[0])), int(round(c[1])), int(round(c[2])), 255))
        rows.append(row)
    return rows


def rounded_rect_distance(px, py, cx, cy, hw, hh, radius):
    qx = abs(px - cx) - (hw - radius)
    qy = abs(py - cy) - (hh - radius)
    outside = math.hypot(max(qx, 0), max(qy, 0))
    inside = min(max(qx, qy), 0)
    return outside + inside - radius


def polygon_distance(px, py, points):
    """Signed distance to a convex polygon given counter-clockwise or clockwise."""
    d = float("inf")
    inside = True
    n = len(points)
    sign = None
    for i in range(n):
        ax, ay = points[i]
        bx, by = points[(i + 1) % n]
        ex, ey = bx - ax, by - ay
        wx, wy = px - ax, py - ay
        t = clamp((wx * ex + wy * ey) / (ex * ex + ey * ey))
        d = min(d, math.hypot(wx - ex * t, wy - ey * t))
        cross = ex * wy - ey * wx
        s = cross > 0
        if sign is None:
            sign = s
        elif s != sign:
            inside = False
    return -d if inside else d


def logo(size):
    """The product mark: a rounded tile in the ribbon's colours with a
    white play triangle above a download tray."""
    s = size / 128.0
    rows = []
    for y in range(size):
        row = bytearray()
        for x in range(size):
            px, py = (x + 0.5) / s, (y + 0.5) / s  # in 128-unit design space
            tile = coverage(rounded_rect_distance(px, py, 64, 64, 60, 60, 26) * s)
            t = clamp((px + py) / 256)
            colour = mix(TEAL, DEEP, t)
            # A faint highlight on the upper half of the tile.
            colour = mix(colour, (255, 255, 255), 0.10 * clamp(1 - py / 64))
            white = 0.0
            triangle = [(50, 32), (50, 80), (88, 56)]
            white = max(white, coverage(polygon_distance(px, py, triangle) * s - 0.0))
            tray = rounded_rect_distance(px, py, 64, 96, 30, 5, 5)
            white = max(white, coverage(tray * s))
            c = mix(colour, (255, 255, 255), white)
            alpha = tile
            row += bytes((int(round(c[0])), int(round(c[1])), int(round(c[2])), int(round(alpha * 255))))
        rows.append(row)
    return rows


def write_ico(path, images):
    """images: list of (size, png bytes); PNG-compressed icon entries."""
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries = b""
    data = b""
    for size, png in images:
        dim = 0 if size >= 256 else size
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(png), offset + len(data))
        data += png
    with open(path, "wb") as f:
        f.write(header + entries + data)


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "resources/setup"
    os.makedirs(out, exist_ok=True)
    write_png(os.path.join(out, "background.png"), WIDTH, HEIGHT, background(False))
    write_png(os.path.join(out, "background_dark.png"), WIDTH, HEIGHT, background(True))
    write_png(os.path.join(out, "logo.png"), 128, 128, logo(128))
    icons = []
    for size in (16, 24, 32, 48, 256):
        icons.append((size, write_png(os.path.join(out, ".icon.png"), size, size, logo(size))))
    os.remove(os.path.join(out, ".icon.png"))
    write_ico(os.path.join(out, "tavlo_setup.ico"), icons)


if __name__ == "__main__":
    main()
