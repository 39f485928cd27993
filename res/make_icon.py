#!/usr/bin/env python3
"""Draws the application icon of CommandLine.exe and writes CommandLine.ico.

The picture is a document page with a folded corner and lines of text, and a
green arrow leaving it to the right: a document that is turned into another.
Every image is drawn from the same shapes, scaled to its size, with outlines
and text lines snapped to whole pixels so that 16 x 16 stays readable.

Standard library only, and deterministic: the same script gives the same
bytes, so the committed icon can be checked against it (--check).

Usage: make_icon.py [--check] [ICO_PATH]
"""
import struct
import sys
import zlib
from pathlib import Path

# The images in the order of the icon's directory: size, bit depth, PNG?
IMAGES = [
    (48, 1, False), (32, 1, False), (16, 1, False),
    (256, 4, True), (48, 4, False), (32, 4, False), (24, 4, False), (16, 4, False),
    (256, 8, True), (48, 8, False), (32, 8, False), (24, 8, False), (16, 8, False),
    (256, 32, True), (128, 32, False), (96, 32, False), (80, 32, False), (72, 32, False),
    (64, 32, False), (48, 32, False), (32, 32, False), (24, 32, False), (16, 32, False),
]

# The standard 16-colour palette that 4-bit images are drawn with.
PALETTE_16 = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# The 16 colours, a 6 x 6 x 6 colour cube and a ramp of 24 greys.
PALETTE_256 = (
    PALETTE_16
    + [(r, g, b) for r in range(0, 256, 51) for g in range(0, 256, 51) for b in range(0, 256, 51)]
    + [(round(8 + i * 238 / 23),) * 3 for i in range(24)]
)
assert len(PALETTE_256) == 256

PALETTE_2 = [(0, 0, 0), (255, 255, 255)]


class Ink:
    """The colour of one part of the picture at each colour depth."""

    def __init__(self, true_colour, colour_16, colour_2):
        self.by_depth = {
            32: true_colour,
            8: min(PALETTE_256, key=lambda p: _distance(p, true_colour)),
            4: colour_16,
            1: colour_2,
        }


def _distance(a, b):
    return sum((x - y) ** 2 for x, y in zip(a, b))


BLACK, WHITE = (0, 0, 0), (255, 255, 255)
EDGE = Ink((44, 50, 62), BLACK, BLACK)
PAPER = Ink((255, 255, 255), WHITE, WHITE)
FOLD = Ink((200, 208, 220), (192, 192, 192), WHITE)
TEXT = Ink((96, 118, 160), (0, 0, 128), BLACK)
ARROW_EDGE = Ink((20, 96, 44), BLACK, BLACK)
ARROW = Ink((58, 176, 86), (0, 128, 0), BLACK)


class Shape:
    """A polygon in pixel coordinates, shrunk by `inset` pixels."""

    def __init__(self, points, inset, ink):
        self.points = points
        self.inset = inset
        self.ink = ink
        self.edges = [(a, b) for a, b in zip(points, points[1:] + points[:1]) if a != b]
        xs = [p[0] for p in points]
        ys = [p[1] for p in points]
        self.box = (min(xs) - 1, min(ys) - 1, max(xs) + 1, max(ys) + 1)

    def signed_distance(self, x, y):
        """Distance to the shrunk outline: negative inside, positive outside."""
        left, top, right, bottom = self.box
        if x < left or x > right or y < top or y > bottom:
            return 2.0
        inside = False
        nearest = float("inf")
        for (ax, ay), (bx, by) in self.edges:
            if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
                inside = not inside
            dx, dy = bx - ax, by - ay
            t = ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)
            t = min(1.0, max(0.0, t))
            ex, ey = ax + t * dx - x, ay + t * dy - y
            nearest = min(nearest, ex * ex + ey * ey)
        distance = nearest ** 0.5
        return (-distance if inside else distance) + self.inset


def rectangle(left, top, right, bottom):
    return [(left, top), (right, top), (right, bottom), (left, bottom)]


def layout(size):
    """The shapes of the picture at one size, bottom first."""
    s = size
    line = max(1.0, s / 32)  # outline width
    left, top, right, bottom = round(0.14 * s), round(0.04 * s), round(0.74 * s), round(0.96 * s)
    fold = round(0.20 * s)
    page = [(left, top), (right - fold, top), (right, top + fold), (right, bottom), (left, bottom)]
    corner = [(right - fold, top), (right - fold, top + fold), (right, top + fold)]
    shapes = [
        Shape(page, 0, EDGE),
        Shape(page, line, PAPER),
        Shape(corner, 0, EDGE),
        Shape(corner, line, FOLD),
    ]
    text_left = left + round(0.10 * s)
    thickness = max(1, round(0.06 * s))
    for row, y in enumerate([0.26, 0.38, 0.50]):
        y_top = round(y * s)
        # The first line stops short of the folded corner.
        text_right = right - fold - round(0.06 * s) if row == 0 else right - round(0.10 * s)
        shapes.append(Shape(rectangle(text_left, y_top, text_right, y_top + thickness), 0, TEXT))

    # The arrow's shaft and head have whole-pixel heights and a 45 degree
    # head, so that its edges stay crisp at the small sizes.
    shaft = max(3, round(0.18 * s))
    head = shaft + 2 * max(2, round(0.12 * s))
    shaft_top = round(0.72 * s - shaft / 2)
    middle = shaft_top + shaft / 2
    tip = s - max(0.5, round(0.02 * s))
    neck = tip - head / 2
    tail = round(0.38 * s)
    arrow = [
        (tail, shaft_top), (neck, shaft_top), (neck, middle - head / 2), (tip, middle),
        (neck, middle + head / 2), (neck, shaft_top + shaft), (tail, shaft_top + shaft),
    ]
    # Below 32 pixels an outline would leave the head no room for colour.
    shapes.append(Shape(arrow, 0, ARROW_EDGE))
    shapes.append(Shape(arrow, line if s >= 32 else 0, ARROW))
    return shapes


def coverage(size):
    """For each pixel (rows top first), the share of it that each shape shows.

    Returns rows of lists of (shape index or None, share). Pixels far from
    every outline take one sample; the others 4 x 4.
    """
    shapes = layout(size)
    samples = [(i + 0.5) / 4 - 0.5 for i in range(4)]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            cx, cy = px + 0.5, py + 0.5
            distances = [shape.signed_distance(cx, cy) for shape in shapes]
            if all(abs(d) > 0.75 for d in distances):
                row.append([(_top_shape(distances), 1.0)])
                continue
            counts = {}
            for oy in samples:
                for ox in samples:
                    ds = [shape.signed_distance(cx + ox, cy + oy) for shape in shapes]
                    key = _top_shape(ds)
                    counts[key] = counts.get(key, 0) + 1
            row.append([(key, n / 16) for key, n in counts.items()])
        rows.append(row)
    return shapes, rows


def _top_shape(distances):
    for index in range(len(distances) - 1, -1, -1):
        if distances[index] <= 0:
            return index
    return None


def pixels(size, depth, cache={}):
    """RGBA pixels, rows top first. Below 32 bits a pixel takes the colour of
    the shape that covers most of it and is either opaque or transparent."""
    if size not in cache:
        cache[size] = coverage(size)
    shapes, rows = cache[size]
    result = []
    for row in rows:
        out = []
        for parts in row:
            if depth == 32:
                covered = sum(share for key, share in parts if key is not None)
                if covered == 0:
                    out.append((0, 0, 0, 0))
                    continue
                rgb = [
                    round(sum(shapes[key].ink.by_depth[32][c] * share for key, share in parts if key is not None) / covered)
                    for c in range(3)
                ]
                out.append((*rgb, round(255 * covered)))
            else:
                key = max(parts, key=lambda part: (part[1], -1 if part[0] is None else part[0]))[0]
                if key is None:
                    out.append((0, 0, 0, 0))
                else:
                    out.append((*shapes[key].ink.by_depth[depth], 255))
        result.append(out)
    return result


def png(rows):
    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for pixel in row for v in pixel) for row in rows)
    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def _padded(data):
    return data + b"\0" * (-len(data) % 4)


def _pack_bits(values, bits):
    """Packs small numbers into bytes, first number in the highest bits."""
    out = bytearray()
    per_byte = 8 // bits
    for start in range(0, len(values), per_byte):
        byte = 0
        group = values[start:start + per_byte]
        for i, value in enumerate(group):
            byte |= value << (8 - bits * (i + 1))
        out.append(byte)
    return bytes(out)


def bitmap(rows, depth):
    """A device-independent bitmap: header, colour table, colour image, mask."""
    size = len(rows)
    palette = {1: PALETTE_2, 4: PALETTE_16, 8: PALETTE_256}.get(depth, [])
    colour_rows, mask_rows = [], []
    for row in reversed(rows):  # bitmaps store the bottom row first
        if depth == 32:
            colour_rows.append(_padded(bytes(v for r, g, b, a in row for v in (b, g, r, a))))
        else:
            indices = [palette.index((r, g, b)) if a else 0 for r, g, b, a in row]
            colour_rows.append(_padded(_pack_bits(indices, depth)))
        # A set mask bit lets the background show through.
        mask_rows.append(_padded(_pack_bits([0 if a >= 128 else 1 for r, g, b, a in row], 1)))
    image = b"".join(colour_rows) + b"".join(mask_rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, 2 * size, 1, depth, 0, len(image), 0, 0, 0, 0)
    table = b"".join(struct.pack("<BBBB", b, g, r, 0) for r, g, b in palette)
    return header + table + image


def icon():
    images = []
    for size, depth, as_png in IMAGES:
        rows = pixels(size, depth)
        images.append(png(rows) if as_png else bitmap(rows, depth))
    directory = struct.pack("<HHH", 0, 1, len(IMAGES))
    offset = len(directory) + 16 * len(IMAGES)
    for (size, depth, _), data in zip(IMAGES, images):
        colours = 1 << depth if depth < 8 else 0
        directory += struct.pack("<BBBBHHII", size % 256, size % 256, colours, 0, 1, depth, len(data), offset)
        offset += len(data)
    return directory + b"".join(images)


def main(arguments):
    check = "--check" in arguments
    paths = [a for a in arguments if a != "--check"]
    target = Path(paths[0]) if paths else Path(__file__).with_name("CommandLine.ico")
    data = icon()
    if check:
        if not target.exists() or target.read_bytes() != data:
            print(f"{target} is not what make_icon.py draws: run res/make_icon.py and commit the result", file=sys.stderr)
            return 1
        return 0
    target.write_bytes(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
