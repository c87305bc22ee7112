#!/usr/bin/env python3
"""Draws the main program's pictures into resources/pictures/.

    tools/make_pictures.py [output folder]

Every picture is built from signed distance fields: each shape answers how far
a point lies outside it (negative inside), and a pixel takes the share of the
shape that covers it from the distance at its centre. No randomness and no
time stamps, so the same script always writes the same bytes. Python's
standard library draws everything; ImageMagick's convert only encodes the one
JPEG, which the standard library cannot write.

  tavlo.ico        program icon (resource 500): 16, 20, 24, 32, 40, 48, 64, 256
  options.bmp      toolbar picture of "Options" (resource 203): 16 x 16, 32 bits with alpha
  hint.png         picture over the hint text of the empty list (resource 526): 118 x 80
  placeholder.jpg  thumbnail of an item before its own arrives (resource 527): 89 x 50
"""

import math
import os
import struct
import subprocess
import sys
import zlib

# ---------------------------------------------------------------- geometry


def sd_circle(cx, cy, r):
    return lambda x, y: math.hypot(x - cx, y - cy) - r


def sd_round_box(x0, y0, x1, y1, r):
    """A rectangle from (x0, y0) to (x1, y1) with corners of radius r."""
    cx, cy = (x0 + x1) / 2, (y0 + y1) / 2
    hx, hy = (x1 - x0) / 2 - r, (y1 - y0) / 2 - r

    def d(x, y):
        qx, qy = abs(x - cx) - hx, abs(y - cy) - hy
        outside = math.hypot(max(qx, 0.0), max(qy, 0.0))
        return outside + min(max(qx, qy), 0.0) - r

    return d


def sd_polygon(points, r=0.0):
    """Exact distance to a closed polygon; r > 0 rounds it outward."""
    n = len(points)

    def d(x, y):
        best = (x - points[0][0]) ** 2 + (y - points[0][1]) ** 2
        sign = 1.0
        j = n - 1
        for i in range(n):
            ax, ay = points[i]
            bx, by = points[j]
            ex, ey = bx - ax, by - ay
            wx, wy = x - ax, y - ay
            t = max(0.0, min(1.0, (wx * ex + wy * ey) / (ex * ex + ey * ey)))
            dx, dy = wx - ex * t, wy - ey * t
            best = min(best, dx * dx + dy * dy)
            c1 = y >= ay
            c2 = y < by
            c3 = ex * wy > ey * wx
            if (c1 and c2 and c3) or (not c1 and not c2 and not c3):
                sign = -sign
            j = i
        return sign * math.sqrt(best) - r

    return d


def sd_rotated_box(cx, cy, half_w, half_h, angle, r=0.0):
    """A box centred at (cx, cy), turned by angle (radians)."""
    ca, sa = math.cos(angle), math.sin(angle)
    inner = sd_round_box(-half_w, -half_h, half_w, half_h, r)

    def d(x, y):
        dx, dy = x - cx, y - cy
        return inner(dx * ca + dy * sa, -dx * sa + dy * ca)

    return d


def union(*shapes):
    return lambda x, y: min(s(x, y) for s in shapes)


def intersect(*shapes):
    return lambda x, y: max(s(x, y) for s in shapes)


def subtract(shape, cut):
    return lambda x, y: max(shape(x, y), -cut(x, y))


def ring(shape, width):
    """The band of the given width just inside the shape's edge."""
    return lambda x, y: abs(shape(x, y) + width / 2) - width / 2


# ----------------------------------------------------------------- colours


def hex_colour(text, alpha=1.0):
    text = text.lstrip("#")
    return (int(text[0:2], 16), int(text[2:4], 16), int(text[4:6], 16), alpha)


def solid(colour):
    return lambda x, y: colour


def vertical_gradient(top, bottom, y0, y1):
    def c(x, y):
        t = max(0.0, min(1.0, (y - y0) / (y1 - y0)))
        return tuple(top[i] + (bottom[i] - top[i]) * t for i in range(4))

    return c


def diagonal_gradient(start, end, size):
    def c(x, y):
        t = max(0.0, min(1.0, (x + y) / (2 * size)))
        return tuple(start[i] + (end[i] - start[i]) * t for i in range(4))

    return c


# ----------------------------------------------------------------- canvas


class Canvas:
    """Straight (not premultiplied) RGBA floats, 0..255 colour, 0..1 alpha."""

    def __init__(self, width, height, background=(0, 0, 0, 0.0)):
        self.width = width
        self.height = height
        self.pixels = [list(background) for _ in range(width * height)]
        self.shift = (0.0, 0.0)  # moves every shape drawn afterwards

    def fill(self, shape, colour, bounds=None):
        """Paints colour where shape lies, anti-aliased over one pixel."""
        x0, y0, x1, y1 = bounds or (0, 0, self.width, self.height)
        for py in range(max(0, int(y0)), min(self.height, int(math.ceil(y1)))):
            for px in range(max(0, int(x0)), min(self.width, int(math.ceil(x1)))):
                cx, cy = px + 0.5 - self.shift[0], py + 0.5 - self.shift[1]
                cover = max(0.0, min(1.0, 0.5 - shape(cx, cy)))
                if cover <= 0.0:
                    continue
                r, g, b, a = colour(cx, cy)
                self._over(py * self.width + px, r, g, b, a * cover)

    def _over(self, index, r, g, b, a):
        dst = self.pixels[index]
        da = dst[3]
        out_a = a + da * (1.0 - a)
        if out_a <= 0.0:
            return
        for i, c in enumerate((r, g, b)):
            dst[i] = (c * a + dst[i] * da * (1.0 - a)) / out_a
        dst[3] = out_a

    def rgba_rows(self):
        """Rows of 8-bit RGBA bytes, top row first."""
        rows = []
        for py in range(self.height):
            row = bytearray()
            for px in range(self.width):
                r, g, b, a = self.pixels[py * self.width + px]
                alpha = int(round(a * 255))
                if alpha == 0:
                    row += b"\0\0\0\0"
                else:
                    row += bytes((clamp8(r), clamp8(g), clamp8(b), alpha))
            rows.append(bytes(row))
        return rows

    def flattened(self, background):
        """The picture over an opaque background, as RGB rows."""
        rows = []
        for row in self.rgba_rows():
            out = bytearray()
            for i in range(0, len(row), 4):
                a = row[i + 3] / 255
                for k in range(3):
                    out.append(clamp8(row[i + k] * a + background[k] * (1 - a)))
            rows.append(bytes(out))
        return rows


def clamp8(value):
    return max(0, min(255, int(round(value))))


# ----------------------------------------------------------------- writers


def png_bytes(width, height, rgba_rows):
    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + row for row in rgba_rows)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) +
            chunk(b"IEND", b""))


def dib_bytes(width, height, rgba_rows, with_mask):
    """A 32-bit bottom-up DIB (BGRA with straight alpha); icons add the AND mask."""
    rows_height = height * 2 if with_mask else height
    header = struct.pack("<IiiHHIIiiII", 40, width, rows_height, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(rgba_rows):
        for i in range(0, len(row), 4):
            colour += bytes((row[i + 2], row[i + 1], row[i], row[i + 3]))
    mask = bytearray()
    if with_mask:
        stride = ((width + 31) // 32) * 4
        for row in reversed(rgba_rows):
            line = bytearray(stride)
            for px in range(width):
                if row[px * 4 + 3] == 0:
                    line[px // 8] |= 0x80 >> (px % 8)
            mask += line
    return header + bytes(colour) + bytes(mask)


def ico_bytes(images):
    """images: (size, rgba rows); the 256-pixel image is stored as PNG."""
    entries = []
    for size, rows in images:
        data = png_bytes(size, size, rows) if size >= 256 else dib_bytes(size, size, rows, True)
        entries.append((size, data))
    out = struct.pack("<HHH", 0, 1, len(entries))
    offset = 6 + 16 * len(entries)
    for size, data in entries:
        dim = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, data in entries)


def bmp_bytes(width, height, rgba_rows):
    dib = dib_bytes(width, height, rgba_rows, False)
    return b"BM" + struct.pack("<IHHI", 14 + len(dib), 0, 0, 14 + 40) + dib


# ------------------------------------------------------------------ pictures

TILE_TOP = hex_colour("#3D8DFF")
TILE_BOTTOM = hex_colour("#1E4FD8")
TILE_EDGE = hex_colour("#173FAE", 0.55)
WHITE = hex_colour("#FFFFFF")
BADGE_TOP = hex_colour("#2FC46B")
BADGE_BOTTOM = hex_colour("#14934A")


def snap(value, size):
    """Whole pixels at the small sizes, where half-covered edges look blurred."""
    return round(value) if size <= 32 else value


def program_icon(size):
    """A blue tile with a white play triangle and a green download badge."""
    s = float(size)
    c = Canvas(size, size)
    inset = max(0.0, snap(s * 0.04, size))
    tile = sd_round_box(inset, inset, s - inset, s - inset, s * 0.22)
    c.fill(tile, vertical_gradient(TILE_TOP, TILE_BOTTOM, inset, s - inset))
    if size >= 32:
        c.fill(ring(tile, max(1.0, s / 64)), solid(TILE_EDGE))

    # The play triangle sits a little right of the tile's centre, where the
    # eye puts the centre of a triangle pointing right.
    rounding = s * 0.035
    left, right = s * 0.29 + rounding, s * 0.65 - rounding
    top, bottom = s * 0.19 + rounding, s * 0.61 - rounding
    if size <= 20:  # the badge takes a quarter: a smaller triangle above it
        left, right, top, bottom = s * 0.22, s * 0.60, s * 0.16, s * 0.60
    play = sd_polygon([(left, top), (right, (top + bottom) / 2), (left, bottom)], rounding)
    c.fill(play, solid(WHITE))

    # The badge: a green disc with a white rim and a white arrow pointing down.
    radius = s * 0.22 if size > 20 else s * 0.28
    cx = s - inset - radius - s * 0.05 if size > 20 else s - radius - 0.5
    cy = cx
    if size > 20:
        c.fill(sd_circle(cx, cy, radius + max(1.0, s * 0.045)), solid(WHITE))
    c.fill(sd_circle(cx, cy, radius), vertical_gradient(BADGE_TOP, BADGE_BOTTOM, cy - radius, cy + radius))
    stem = max(1.0, radius * 0.26)
    head = radius * 0.58
    tip = cy + radius * 0.55
    arrow = union(
        sd_round_box(cx - stem / 2, cy - radius * 0.55, cx + stem / 2, tip - head * 0.5, min(stem / 2, s * 0.01)),
        sd_polygon([(cx - head, tip - head), (cx + head, tip - head), (cx, tip)], 0.0),
    )
    if size <= 20:
        # Three pixels of arrow cannot carry a shaft: a plain chevron.
        arrow = sd_polygon([(cx - radius * 0.62, cy - radius * 0.25), (cx + radius * 0.62, cy - radius * 0.25),
                            (cx, cy + radius * 0.5)])
    c.fill(arrow, solid(WHITE))
    return c


def options_bitmap():
    """A 16-pixel gear, slate with a darker rim, readable on light and dark bars."""
    c = Canvas(16, 16)
    cx = cy = 8.0
    teeth = [sd_rotated_box(cx, cy, 1.35, 7.3, math.pi * k / 4, 0.4) for k in range(4)]
    body = union(sd_circle(cx, cy, 5.2), intersect(union(*teeth), sd_circle(cx, cy, 7.4)))
    gear = subtract(body, sd_circle(cx, cy, 2.1))
    c.fill(gear, solid(hex_colour("#4E5B6B")))
    c.fill(lambda x, y: gear(x, y) + 1.0, vertical_gradient(hex_colour("#A4B3C4"), hex_colour("#7D8DA0"), 2, 14))
    return c


def hint_picture():
    """A video card with a play button and a pointer bringing it in."""
    w, h = 118, 80
    c = Canvas(w, h)
    # The pointer reaches further right than the card's left edge reaches
    # left: the whole group moves so that it sits centred over the text.
    c.shift = (4.0, 0.0)
    grey = hex_colour("#8D98A6")
    card = sd_round_box(10, 10, 92, 64, 6)
    c.fill(card, solid(hex_colour("#8D98A6", 0.14)))
    c.fill(ring(card, 2.0), solid(grey))
    # Window title bar: a line and three dots.
    c.fill(sd_round_box(11, 20, 91, 21.5, 0), solid(hex_colour("#8D98A6", 0.8)))
    for k in range(3):
        c.fill(sd_circle(17.5 + k * 5.5, 15.2, 1.6), solid(grey))
    # Play button in the accent blue.
    c.fill(sd_circle(51, 42, 13), vertical_gradient(TILE_TOP, TILE_BOTTOM, 29, 55))
    c.fill(sd_polygon([(47.2, 35.8), (57.2, 42), (47.2, 48.2)], 1.0), solid(WHITE))
    # A progress line under the picture area.
    c.fill(sd_round_box(18, 56, 84, 58.5, 1.25), solid(hex_colour("#8D98A6", 0.45)))
    c.fill(sd_round_box(18, 56, 44, 58.5, 1.25), solid(hex_colour("#3D8DFF")))
    # The pointer: white with a dark outline, so that it reads on both themes.
    tip_x, tip_y = 80.0, 46.0
    arrow = [(0, 0), (0, 23), (5.6, 17.6), (9.6, 26.6), (13.4, 25.0), (9.5, 16.2), (17, 16.2)]
    pointer = sd_polygon([(tip_x + x, tip_y + y) for x, y in arrow], 0.6)
    c.fill(lambda x, y: pointer(x, y) - 1.3, solid(hex_colour("#2B3440")))
    c.fill(pointer, solid(WHITE))
    return c


def placeholder_thumbnail():
    """A neutral frame with a soft play button, for both themes."""
    w, h = 89, 50
    c = Canvas(w, h)
    c.fill(lambda x, y: -1.0, vertical_gradient(hex_colour("#6A737F"), hex_colour("#464D57"), 0, h))
    c.fill(ring(sd_round_box(0, 0, w, h, 0), 1.0), solid(hex_colour("#FFFFFF", 0.10)))
    c.fill(sd_round_box(30.5, 14, 58.5, 36, 6), solid(hex_colour("#FFFFFF", 0.85)))
    c.fill(sd_polygon([(41.3, 19.8), (49.3, 25), (41.3, 30.2)], 0.6), solid(hex_colour("#505863")))
    return c


# --------------------------------------------------------------------- main


def write(path, data):
    with open(path, "wb") as f:
        f.write(data)


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "resources", "pictures")
    os.makedirs(out, exist_ok=True)

    sizes = (16, 20, 24, 32, 40, 48, 64, 256)
    write(os.path.join(out, "tavlo.ico"), ico_bytes([(s, program_icon(s).rgba_rows()) for s in sizes]))
    write(os.path.join(out, "options.bmp"), bmp_bytes(16, 16, options_bitmap().rgba_rows()))
    hint = hint_picture()
    write(os.path.join(out, "hint.png"), png_bytes(hint.width, hint.height, hint.rgba_rows()))

    thumb = placeholder_thumbnail()
    ppm = b"P6\n%d %d\n255\n" % (thumb.width, thumb.height) + b"".join(thumb.flattened((0, 0, 0)))
    subprocess.run(["convert", "ppm:-", "-strip", "-quality", "92", "-sampling-factor", "4:4:4",
                    os.path.join(out, "placeholder.jpg")], input=ppm, check=True)


if __name__ == "__main__":
    main()
