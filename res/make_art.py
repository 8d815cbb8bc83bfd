#!/usr/bin/env python3
# Regenerate the icon images and the background: python3 res/make_art.py (writes beside itself).
"""Draws Zarvel's artwork: a compact disc icon at 16 and 32 pixels and a pale,
disc-themed background tile. Output is byte-for-byte reproducible."""

import colorsys
import math
import os
import struct

HERE = os.path.dirname(os.path.abspath(__file__))

ICON_IMAGE_IDS = (1, 2)  # RT_ICON numbers the group refers to
BG_WIDTH, BG_HEIGHT = 278, 300
PELS_PER_METRE = 2834  # 72 dpi

# Direction of the light, in radians (screen coordinates, y down): top left.
LIGHT = math.radians(-135)


def clamp8(v):
    return max(0, min(255, int(round(v))))


def mix(a, b, t):
    return tuple(x + (y - x) * t for x, y in zip(a, b))


def rainbow(h):
    r, g, b = colorsys.hsv_to_rgb(h % 1.0, 1.0, 1.0)
    return (r * 255, g * 255, b * 255)


# ---------------------------------------------------------------- icon

def disc_sample(px, py, size):
    """Colour of the disc surface at one sample point (pixel coordinates,
    origin top left). The outlines are added per pixel in render_icon."""
    c = size / 2.0
    dx, dy = px - c, py - c
    r = math.hypot(dx, dy)
    phi = math.atan2(dy, dx)
    hole = size * 0.122
    hub = max(hole + 2.0, size * 0.24)
    outer = c - 0.5
    if r < hub:  # clear plastic hub: cool grey with a soft highlight
        t = 0.5 + 0.5 * math.cos(phi - LIGHT)
        return mix((170, 180, 196), (234, 238, 245), t)
    if r < hub + 1.0:  # ring where the data area starts
        return (146, 154, 170)
    # Silver data surface. A disc lit from one side shows a bright bow tie
    # with diffraction colours running outwards along it.
    u = (r - hub) / (outer - hub)
    bow = math.cos(2.0 * (phi - LIGHT))
    silver = mix((166, 172, 186), (244, 246, 250), 0.5 + 0.5 * bow)
    wedge = max(0.0, bow) ** 1.5
    hue = 0.02 + 0.85 * u + 0.08 * math.sin(phi * 2.0)
    col = mix(silver, rainbow(hue), 0.45 * wedge)
    # A quieter second pair of colours across the dark wedges.
    cross = max(0.0, -bow) ** 2
    return mix(col, rainbow(hue + 0.5), 0.20 * cross)


def render_icon(size, ss=4):
    """Returns rows (top first) of (r, g, b), or None where transparent."""
    c = size / 2.0
    outer = c - 0.5
    hole = size * 0.122
    opaque = [[hole <= math.hypot(x + 0.5 - c, y + 0.5 - c) <= outer + 0.5
               for x in range(size)] for y in range(size)]
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            if not opaque[y][x]:
                row.append(None)
                continue
            edge = any(not (0 <= x + i < size and 0 <= y + j < size and opaque[y + j][x + i])
                       for i in (-1, 0, 1) for j in (-1, 0, 1))
            if edge:
                # One-pixel outlines keep the shape crisp on any background.
                inner = math.hypot(x + 0.5 - c, y + 0.5 - c) < c / 2
                row.append((124, 132, 146) if inner else (92, 98, 112))
                continue
            samples = [disc_sample(x + (sx + 0.5) / ss, y + (sy + 0.5) / ss, size)
                       for sy in range(ss) for sx in range(ss)]
            row.append(tuple(clamp8(sum(s[i] for s in samples) / len(samples))
                             for i in range(3)))
        rows.append(row)
    return rows


def build_palette(rows):
    """Adaptive 256-colour palette: entry 0 is black (under the transparent
    pixels), the rest are the picture's colours, coarsened until they fit."""
    colours = sorted({p for row in rows for p in row if p is not None})
    step = 1
    while True:
        quant = lambda p: tuple(min(255, (v // step) * step + step // 2) for v in p)
        reduced = sorted({quant(p) for p in colours})
        if len(reduced) <= 255:
            break
        step += 1
    palette = [(0, 0, 0)] + reduced
    index = {c: i + 1 for i, c in enumerate(reduced)}
    lookup = {p: index[quant(p)] for p in colours}
    palette += [(0, 0, 0)] * (256 - len(palette))
    return palette, lookup


def icon_image(size):
    """One RT_ICON image: header, palette, 8-bit colour pixels, AND mask."""
    rows = render_icon(size)
    palette, lookup = build_palette(rows)
    colour_stride = (size + 3) & ~3
    mask_stride = ((size + 31) // 32) * 4
    xor = bytearray()
    andm = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytes(0 if p is None else lookup[p] for p in row)
        xor += line + b"\0" * (colour_stride - size)
        bits = bytearray(mask_stride)
        for x, p in enumerate(row):
            if p is None:
                bits[x // 8] |= 0x80 >> (x % 8)
        andm += bits
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0,
                         len(xor) + len(andm), 0, 0, 0, 0)
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in palette)
    return header + pal + bytes(xor) + bytes(andm)


def icon_group(images):
    """RT_GROUP_ICON directory; entries in the order given."""
    out = struct.pack("<HHH", 0, 1, len(images))
    for ident, size, data in images:
        out += struct.pack("<BBBBHHIH", size % 256, size % 256, 0, 0, 1, 8, len(data), ident)
    return out


# ---------------------------------------------------------- background

def background_pixel(x, y):
    """Colour at (x, y), origin top left. The window shows the top-left part
    of the tile, so the faint disc sits to the right, away from the labels."""
    # A gentle vertical shade that repeats with the tile height.
    shade = 0.5 - 0.5 * math.cos(2.0 * math.pi * y / BG_HEIGHT)
    base = mix((255, 255, 255), (238, 240, 244), shade)

    cx, cy, R = 236.0, 142.0, 128.0
    dx, dy = x + 0.5 - cx, y + 0.5 - cy
    r = math.hypot(dx, dy)
    if r > R + 1.5:
        return base
    phi = math.atan2(dy, dx)
    u = r / R
    ink = 0.0  # how much grey to lay down
    tint = 0.0
    col = base
    if r > R - 1.2:  # outer edge line
        ink = 0.16 * max(0.0, 1.0 - abs(r - (R - 0.2)) / 1.3)
    elif u < 0.13:  # the hole shows the background, with a faint rim
        ink = 0.12 * max(0.0, 1.0 - abs(u - 0.125) * R / 1.2)
    elif u < 0.36:  # hub
        ink = 0.035
        if abs(u - 0.34) * R < 1.0:
            ink = 0.10
    else:  # data area: fine grooves and a rainbow bow tie
        groove = 0.5 + 0.5 * math.cos(2.0 * math.pi * r / 5.0)
        ink = 0.018 + 0.018 * groove
        bow = math.cos(2.0 * (phi - LIGHT))
        wedge = max(0.0, bow) ** 2
        ink *= 1.0 - 0.6 * wedge
        tint = 0.11 * wedge * min(1.0, (u - 0.36) / 0.1)
        hue = 0.95 * (u - 0.36) / 0.64 + 0.05 * math.sin(phi * 3.0)
        col = mix(col, rainbow(hue), tint)
    col = mix(col, (120, 130, 150), ink)
    # Fade out before the right edge so the next tile joins without a seam.
    fade = min(1.0, max(0.0, (BG_WIDTH - 1 - x) / 36.0))
    fade = fade * fade * (3.0 - 2.0 * fade)
    return mix(base, col, fade)


def background_bmp():
    stride = (BG_WIDTH * 3 + 3) & ~3
    pixels = bytearray()
    for y in range(BG_HEIGHT - 1, -1, -1):  # bottom-up
        line = bytearray()
        for x in range(BG_WIDTH):
            r, g, b = (clamp8(v) for v in background_pixel(x, y))
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        pixels += line
    info = struct.pack("<IiiHHIIiiII", 40, BG_WIDTH, BG_HEIGHT, 1, 24, 0,
                       len(pixels), PELS_PER_METRE, PELS_PER_METRE, 0, 0)
    offset = 14 + len(info)
    filehdr = struct.pack("<2sIHHI", b"BM", offset + len(pixels), 0, 0, offset)
    return filehdr + info + bytes(pixels)


def write(name, data):
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def main():
    small = icon_image(16)
    large = icon_image(32)
    assert len(small) == 1384 and len(large) == 2216
    write("icon16.bin", small)
    write("icon32.bin", large)
    write("icongroup.bin", icon_group([(ICON_IMAGE_IDS[0], 16, small),
                                       (ICON_IMAGE_IDS[1], 32, large)]))
    bmp = background_bmp()
    assert len(bmp) == 14 + 40 + 250800
    write("background.bmp", bmp)


if __name__ == "__main__":
    main()
