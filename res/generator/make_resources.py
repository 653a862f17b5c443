#!/usr/bin/env python3
# Draws the applet's pictures, the icon group (ondrella.ico) and the panel background
# (background.bmp), and writes them beside the resource script. Only the standard library
# is used, the title lettering included, and the output is the same byte for byte on every
# run, so the committed files can always be checked against a fresh run.
#
# Rerun from the repository root:  python3 res/generator/make_resources.py
# (an optional argument names another folder to write to, e.g. to compare with the
# committed files).

import math
import os
import struct
import sys

RES_DIR = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))

# ---------------------------------------------------------------------------------------
# The ripple picture shared by the icon and the panel's logo: a disc of water with a few
# crests running outward, each lit from the upper left and shaded on its far side.

LIGHT = (-math.sqrt(0.5), -math.sqrt(0.5))  # towards the light, y pointing down


def ripple_tone(x, y, rings, rim):
    """Tone in [-1, 1] (dark to white) of the water at (x, y), the disc being the unit
    circle, or None outside it; rim is the radius where the dark rim begins."""
    r = math.hypot(x, y)
    if r >= 1.0:
        return None
    if r < 1e-9:
        return 0.0
    facing = (x * LIGHT[0] + y * LIGHT[1]) / r
    if r > rim:
        # A dark rim keeps the disc apart from any taskbar colour; it catches a little of
        # the light so that the edge reads as glass rather than as a drawn line.
        return -0.8 + 0.2 * facing
    # Height cos(2 pi rings r) with a gentle fall-off; its slope along the light
    # direction gives the tone, so each crest is bright on its lit flank.
    k = 2.0 * math.pi * rings
    fade = 1.0 - 0.35 * r
    slope = -k * math.sin(k * r) * fade - 0.35 * math.cos(k * r)
    tone = -1.1 * slope * facing / k
    # The whole disc is a shallow dome, a little brighter towards the light.
    tone += 0.25 * (x * LIGHT[0] + y * LIGHT[1])
    return max(-1.0, min(1.0, tone))


def render_disc(size, rings, samples):
    """Per pixel (coverage 0..1, mean tone) of the ripple disc filling a size x size
    square, rows top down, found by averaging samples x samples points in each pixel."""
    radius = size / 2.0 - 0.25
    centre = size / 2.0
    rim = 1.0 - (1.0 + size / 40.0) / radius
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            inside = 0
            total = 0.0
            for sy in range(samples):
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples - centre) / radius
                    y = (py + (sy + 0.5) / samples - centre) / radius
                    tone = ripple_tone(x, y, rings, rim)
                    if tone is not None:
                        inside += 1
                        total += tone
            coverage = inside / (samples * samples)
            row.append((coverage, total / inside if inside else 0.0))
        rows.append(row)
    return rows


# ---------------------------------------------------------------------------------------
# The icon group.

WATER = (28, 116, 204)
DEEP = (8, 28, 72)
FOAM = (255, 255, 255)


def tone_colour(tone):
    """Red, green, blue of a tone: deep blue at -1, water at 0, white at +1."""
    if tone < 0:
        a, b, t = WATER, DEEP, -tone
    else:
        a, b, t = WATER, FOAM, tone
    return tuple(int(round(a[i] + (b[i] - a[i]) * t)) for i in range(3))


def ramp_palette(entries):
    """Index 0 is black, for the transparent pixels; the others run evenly from the
    darkest to the brightest tone, so that quantising a tone is a rounding."""
    steps = entries - 1
    palette = [(0, 0, 0)]
    for i in range(steps):
        palette.append(tone_colour(-1.0 + 2.0 * i / (steps - 1)))
    return palette


def ramp_index(tone, entries):
    steps = entries - 1
    return 1 + int(round((tone + 1.0) / 2.0 * (steps - 1)))


def row_bytes(width, bits):
    return (width * bits + 31) // 32 * 4


def pack_rows(rows, bits):
    """Bottom-up DIB rows, each padded to four bytes, from top-down rows of values."""
    out = bytearray()
    width = len(rows[0])
    for row in reversed(rows):
        line = bytearray()
        if bits == 32:
            for b, g, r, a in row:
                line += bytes((b, g, r, a))
        elif bits == 8:
            line += bytes(row)
        elif bits == 4:
            for i in range(0, width, 2):
                line.append(row[i] << 4 | (row[i + 1] if i + 1 < width else 0))
        elif bits == 1:
            for i in range(0, width, 8):
                byte = 0
                for j in range(8):
                    if i + j < width and row[i + j]:
                        byte |= 0x80 >> j
                line.append(byte)
        line += bytes(row_bytes(width, bits) - len(line))
        out += line
    return bytes(out)


def icon_image(size, bits):
    """One icon directory image: header, palette, colour bits and AND mask."""
    rings = 1.6 if size <= 16 else 2.1
    disc = render_disc(size, rings, 8)
    if bits == 32:
        colour = []
        mask = []
        for row in disc:
            crow, mrow = [], []
            for coverage, tone in row:
                alpha = int(round(coverage * 255))
                if alpha == 0:
                    crow.append((0, 0, 0, 0))
                    mrow.append(1)
                else:
                    r, g, b = tone_colour(tone)
                    crow.append((b, g, r, alpha))
                    mrow.append(0)
            colour.append(crow)
            mask.append(mrow)
        palette = []
    else:
        entries = 1 << bits
        palette = ramp_palette(entries)
        colour = []
        mask = []
        for row in disc:
            crow, mrow = [], []
            for coverage, tone in row:
                # Without alpha a pixel is either water or screen; half covered is the
                # fairest cut.
                if coverage >= 0.5:
                    crow.append(ramp_index(tone, entries))
                    mrow.append(0)
                else:
                    crow.append(0)
                    mrow.append(1)
            colour.append(crow)
            mask.append(mrow)
    xor_bits = pack_rows(colour, bits)
    and_bits = pack_rows(mask, 1)
    header = struct.pack(
        "<IiiHHIIiiII",
        40,
        size,
        2 * size,  # colour rows and mask rows together
        1,
        bits,
        0,
        len(xor_bits) + len(and_bits),
        0,
        0,
        0,
        0,
    )
    colours = b"".join(bytes((b, g, r, 0)) for r, g, b in palette)
    return header + colours + xor_bits + and_bits


ICON_IMAGES = [(16, 4), (16, 8), (16, 32), (32, 4), (32, 8), (32, 32),
               (48, 4), (48, 8), (48, 32), (64, 32)]


def make_icon():
    images = [(size, bits, icon_image(size, bits)) for size, bits in ICON_IMAGES]
    offset = 6 + 16 * len(images)
    out = bytearray(struct.pack("<HHH", 0, 1, len(images)))
    for size, bits, data in images:
        colour_count = 16 if bits == 4 else 0
        out += struct.pack("<BBBBHHII", size, size, colour_count, 0, 1, bits, len(data), offset)
        offset += len(data)
    for _, _, data in images:
        out += data
    return bytes(out)


# ---------------------------------------------------------------------------------------
# The title lettering: a small rounded sans drawn as strokes, each a polyline of points
# in units of the cap height, y up from the baseline.

STROKE = 0.14
HALF = STROKE / 2
LOW = HALF  # stroke centre on the baseline
XTOP = 0.70 - HALF  # stroke centre at the x-height
ATOP = 1.0 - HALF  # stroke centre at the cap and ascender height


def arc(cx, cy, rx, ry, start, end, steps=48):
    return [(cx + rx * math.cos(math.radians(start + (end - start) * i / steps)),
             cy + ry * math.sin(math.radians(start + (end - start) * i / steps)))
            for i in range(steps + 1)]


def line(*points):
    return list(points)


BOWL = (0.28, (LOW + XTOP) / 2, 0.25, (XTOP - LOW) / 2)

# Each glyph: (advance, strokes).
GLYPHS = {
    "O": (0.98, [arc(0.45, 0.5, 0.38, 0.5 - HALF, 0, 360, 96)]),
    "n": (0.64, [line((0.07, LOW), (0.07, XTOP)),
                 arc(0.29, XTOP - 0.22, 0.22, 0.22, 180, 90, 24)
                 + arc(0.29, XTOP - 0.22, 0.22, 0.22, 90, 0, 24)
                 + [(0.51, LOW)]]),
    "d": (0.70, [arc(*BOWL, 0, 360, 64), line((0.53, LOW), (0.53, ATOP))]),
    "r": (0.44, [line((0.07, LOW), (0.07, XTOP)),
                 arc(0.29, XTOP - 0.22, 0.22, 0.22, 180, 80, 24)]),
    "e": (0.66, [line((0.03, BOWL[1]), (0.53, BOWL[1])) + arc(*BOWL, 0, 315, 60)]),
    "l": (0.24, [line((0.07, LOW), (0.07, ATOP))]),
    "a": (0.70, [arc(*BOWL, 0, 360, 64), line((0.53, LOW), (0.53, XTOP))]),
}


def text_segments(text, scale, left, baseline):
    """The strokes of text as segments in pixel coordinates (y down)."""
    segments = []
    pen = 0.0
    for ch in text:
        advance, strokes = GLYPHS[ch]
        for stroke in strokes:
            points = [(left + (pen + x) * scale, baseline - y * scale) for x, y in stroke]
            segments += list(zip(points, points[1:]))
        pen += advance
    return segments


def distance_to_segment(px, py, a, b):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    length = dx * dx + dy * dy
    t = 0.0 if length == 0 else max(0.0, min(1.0, ((px - ax) * dx + (py - ay) * dy) / length))
    return math.hypot(px - (ax + t * dx), py - (ay + t * dy))


def text_coverage(segments, width_px, region, samples=4):
    """Coverage 0..1 of the strokes over the pixels of region (x0, y0, x1, y1)."""
    x0, y0, x1, y1 = region
    half = width_px / 2
    coverage = {}
    for py in range(y0, y1):
        for px in range(x0, x1):
            near = [s for s in segments
                    if distance_to_segment(px + 0.5, py + 0.5, s[0], s[1]) < half + 1.0]
            if not near:
                continue
            hits = 0
            for sy in range(samples):
                for sx in range(samples):
                    x = px + (sx + 0.5) / samples
                    y = py + (sy + 0.5) / samples
                    if any(distance_to_segment(x, y, a, b) <= half for a, b in near):
                        hits += 1
            if hits:
                coverage[(px, py)] = hits / (samples * samples)
    return coverage


# ---------------------------------------------------------------------------------------
# The panel background: 400 x 400 greys, a title band on top, a footer band below, the
# plain field in between where the controls stand.

SIDE = 400
FIELD = 128
TITLE_BAND = 84
TITLE_ROWS = 60
FOOTER_BAND = 108
FOOTER_FIRST = 372
TITLE_TEXT = "Ondrella"


def blend(under, over, amount):
    return under + (over - under) * amount


def make_background_pixels():
    pixels = [[float(FIELD)] * SIDE for _ in range(SIDE)]
    for y in range(TITLE_ROWS):
        pixels[y] = [float(TITLE_BAND)] * SIDE
    # A dark edge under the band and a short shadow falling onto the field.
    pixels[TITLE_ROWS - 1] = [64.0] * SIDE
    pixels[TITLE_ROWS] = [112.0] * SIDE
    pixels[TITLE_ROWS + 1] = [122.0] * SIDE
    for y in range(FOOTER_FIRST, SIDE):
        pixels[y] = [float(FOOTER_BAND)] * SIDE
    pixels[FOOTER_FIRST] = [96.0] * SIDE

    # The logo: the icon's ripple in greys, left in the title band.
    logo_size, logo_left, logo_top = 44, 16, 7
    for py, row in enumerate(render_disc(logo_size, 2.1, 6)):
        for px, (coverage, tone) in enumerate(row):
            if coverage:
                grey = 150 + 105 * tone if tone >= 0 else 150 + 118 * tone
                x, y = logo_left + px, logo_top + py
                pixels[y][x] = blend(pixels[y][x], grey, coverage)

    # The title, light on the band with a soft shadow to the lower right.
    cap = 28.0
    left, baseline = 74.0, 43.0
    region = (60, 8, 260, TITLE_ROWS - 2)
    shadow = text_coverage(text_segments(TITLE_TEXT, cap, left + 1.5, baseline + 1.5),
                           STROKE * cap, region)
    for (x, y), c in sorted(shadow.items()):
        pixels[y][x] = blend(pixels[y][x], 40.0, 0.8 * c)
    face = text_coverage(text_segments(TITLE_TEXT, cap, left, baseline), STROKE * cap, region)
    for (x, y), c in sorted(face.items()):
        pixels[y][x] = blend(pixels[y][x], 238.0, c)

    return [[int(round(v)) for v in row] for row in pixels]


def rle8_row(row):
    """One row in RLE8: runs of three or more equal pixels as encoded runs, stretches of
    differing pixels in absolute mode (padded to a 16-bit boundary), and leftovers too
    short for absolute mode as runs of one or two."""
    out = bytearray()
    i, n = 0, len(row)

    def run_at(j):
        k = j
        while k < n and k - j < 255 and row[k] == row[j]:
            k += 1
        return k - j

    while i < n:
        run = run_at(i)
        if run >= 3:
            out += bytes((run, row[i]))
            i += run
            continue
        start = i
        while i < n and i - start < 255 and run_at(i) < 3:
            i += 1
        literal = row[start:i]
        if len(literal) >= 3:
            out += bytes((0, len(literal))) + bytes(literal)
            if len(literal) % 2:
                out.append(0)
        else:
            for value in literal:
                out += bytes((1, value))
    return bytes(out)


def make_background():
    pixels = make_background_pixels()
    data = bytearray()
    rows = list(reversed(pixels))  # bottom-up
    for index, row in enumerate(rows):
        data += rle8_row(row)
        # The last row ends the bitmap instead of the line.
        data += b"\x00\x01" if index == len(rows) - 1 else b"\x00\x00"
    palette = b"".join(bytes((i, i, i, 0)) for i in range(256))
    bits_offset = 14 + 40 + len(palette)
    info = struct.pack("<IiiHHIIiiII", 40, SIDE, SIDE, 1, 8, 1, len(data), 2835, 2835, 256, 0)
    header = struct.pack("<2sIHHI", b"BM", bits_offset + len(data), 0, 0, bits_offset)
    return header + info + palette + bytes(data)


def main():
    out_dir = sys.argv[1] if len(sys.argv) > 1 else RES_DIR
    with open(os.path.join(out_dir, "ondrella.ico"), "wb") as f:
        f.write(make_icon())
    with open(os.path.join(out_dir, "background.bmp"), "wb") as f:
        f.write(make_background())


if __name__ == "__main__":
    main()
