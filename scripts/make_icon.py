#!/usr/bin/env python3
"""Draws the program icon, a canary sticky note with its bottom-right corner
folded up, and writes it as resources/kelvane.ico.

The icon group holds 256, 128, 64 and 32 pixel images in 24-bit colour and a
16 pixel image in 4-bit colour, each with a 1-bit AND mask for transparency.
Every image is stored as a plain BMP entry (no PNG): the bytes then depend on
nothing but this script, so every run writes the same file.

Usage: make_icon.py [--preview DIR]
  --preview DIR  also writes DIR/kelvane-<size>.png for looking at the images
"""

import os
import struct
import sys
import zlib

FILL = (255, 255, 192)       # canary note paper
BORDER = (96, 82, 36)        # dark olive outline
FLAP = (232, 216, 120)       # the folded-up corner, paper seen from behind
LINE = (150, 150, 140)       # pencilled text lines

# (size, bits per pixel, supersampling factor per axis).  At 32 pixels and
# below, one sample per pixel: a blended staircase on the fold reads as a
# smudge there, a clean one-pixel staircase reads as a line.
IMAGES = [(256, 24, 4), (128, 24, 4), (64, 24, 6), (32, 24, 1), (16, 4, 1)]


def note_geometry(size):
    """Pixel geometry of the note at one size.  Edges sit on whole pixels so
    that the straight sides stay crisp at 16 and 32 pixels; only the fold's
    diagonal needs anti-aliasing."""
    margin = max(1, round(size / 16))
    x0 = y0 = margin
    x1 = y1 = size - margin
    border = max(1, round(size / 40))
    fold = round((x1 - x0) * 0.3) if size > 16 else 6
    line_w = max(1, round(size / 36))
    if size <= 16:
        rows = [0.36, 0.62]
    else:
        rows = [0.30, 0.48, 0.66]
    pad = max(2, round(size * 0.17)) if size > 16 else 3
    lines = []
    height = y1 - y0
    for i, r in enumerate(rows):
        top = y0 + round(height * r)
        left = x0 + pad
        right = x1 - pad
        if i == len(rows) - 1:
            # The last line stops short, like the end of a sentence, and
            # stays clear of the fold.
            right = min(right - round((right - left) * 0.3), x1 - fold - border)
        lines.append((left, top, right, top + line_w))
    return x0, y0, x1, y1, border, fold, lines


def make_sampler(size, ss):
    x0, y0, x1, y1, bw, fold, lines = note_geometry(size)
    # The note is the square with its corner cut off along x + y = diag.
    diag = x1 + y1 - fold
    root2 = 2 ** 0.5
    # The flap is the cut-off corner mirrored across the cut: the right
    # triangle (x1-fold, y1-fold), (x1, y1-fold), (x1-fold, y1).
    fx = x1 - fold
    fy = y1 - fold
    flap_edge = max(1, round(bw * 0.6))
    # Without supersampling the cut's outline is measured along a row, so
    # that every row of the staircase gets exactly bw outline pixels.
    cut_w = bw if ss > 1 else bw / root2

    def sample(x, y):
        if x < x0 or x >= x1 or y < y0 or y >= y1:
            return None
        to_cut = (diag - (x + y)) / root2
        if to_cut < 0:
            return None
        if to_cut < cut_w:
            return BORDER
        if x >= fx and y >= fy:
            # Inside the flap: its two straight edges get a thinner outline.
            if x - fx < flap_edge or y - fy < flap_edge:
                return BORDER
            return FLAP
        if x - x0 < bw or x1 - x < bw or y - y0 < bw or y1 - y < bw:
            return BORDER
        for left, top, right, bottom in lines:
            if left <= x < right and top <= y < bottom:
                return LINE
        return FILL

    return sample


def render(size, ss):
    """Returns rows of (r, g, b, opaque) from top to bottom.  A pixel is
    opaque when at least half of its samples fall on the note; its colour is
    the mean of those samples, since the AND mask cannot blend with the
    desktop behind it."""
    sample = make_sampler(size, ss)
    offsets = [(i + 0.5) / ss for i in range(ss)]
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = n = 0
            for oy in offsets:
                for ox in offsets:
                    c = sample(px + ox, py + oy)
                    if c is not None:
                        r += c[0]
                        g += c[1]
                        b += c[2]
                        n += 1
            if n * 2 >= ss * ss:
                row.append((round(r / n), round(g / n), round(b / n), True))
            else:
                row.append((0, 0, 0, False))
        rows.append(row)
    return rows


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def small_palette():
    """The 16 colours of the 4-bit image: black for transparent pixels, the
    four colours of the drawing and the blends that its anti-aliased edges
    produce most."""
    pal = [(0, 0, 0), FILL, BORDER, FLAP, LINE,
           mix(FILL, BORDER, 0.25), mix(FILL, BORDER, 0.5), mix(FILL, BORDER, 0.75),
           mix(FLAP, BORDER, 0.25), mix(FLAP, BORDER, 0.5), mix(FLAP, BORDER, 0.75),
           mix(FILL, LINE, 0.5), mix(FILL, FLAP, 0.5), mix(LINE, BORDER, 0.5),
           (255, 255, 255), (128, 128, 128)]
    assert len(pal) == 16
    return pal


def nearest(pal, c):
    best = 0
    best_d = None
    for i, p in enumerate(pal):
        d = (p[0] - c[0]) ** 2 + (p[1] - c[1]) ** 2 + (p[2] - c[2]) ** 2
        if best_d is None or d < best_d:
            best, best_d = i, d
    return best


def pad4(n):
    return (n + 3) & ~3


def and_mask(rows, size):
    stride = pad4((size + 7) // 8)
    out = bytearray()
    for row in reversed(rows):  # BMP rows run bottom-up
        line = bytearray(stride)
        for x, px in enumerate(row):
            if not px[3]:
                line[x >> 3] |= 0x80 >> (x & 7)
        out += line
    return bytes(out)


def bmp_entry(rows, size, bpp):
    """One icon image: BITMAPINFOHEADER with doubled height (colour image
    plus mask), palette, colour rows, mask rows."""
    palette = b""
    pixels = bytearray()
    if bpp == 24:
        stride = pad4(size * 3)
        for row in reversed(rows):
            line = bytearray()
            for r, g, b, _ in row:
                line += bytes((b, g, r))
            line += bytes(stride - len(line))
            pixels += line
        colors = 0
    elif bpp == 4:
        pal = small_palette()
        palette = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in pal)
        stride = pad4((size + 1) // 2)
        for row in reversed(rows):
            line = bytearray(stride)
            for x, px in enumerate(row):
                idx = nearest(pal, px[:3]) if px[3] else 0
                line[x >> 1] |= idx << (4 if x % 2 == 0 else 0)
            pixels += line
        colors = 16
    else:
        raise ValueError(bpp)
    mask = and_mask(rows, size)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bpp, 0,
                         len(pixels) + len(mask), 0, 0, colors if bpp <= 8 else 0, 0)
    return header + palette + bytes(pixels) + mask, colors


def ico_file(images):
    """images: list of (size, bpp, data, colors)."""
    count = len(images)
    head = struct.pack("<HHH", 0, 1, count)
    offset = 6 + 16 * count
    entries = b""
    body = b""
    for size, bpp, data, colors in images:
        dim = 0 if size == 256 else size  # a byte: 0 stands for 256
        entries += struct.pack("<BBBBHHII", dim, dim, colors if colors < 256 else 0, 0,
                               1, bpp, len(data), offset + len(body))
        body += data
    return head + entries + body


def png_rgba(rows, size):
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for r, g, b, on in row:
            raw += bytes((r, g, b, 255 if on else 0))

    def chunk(kind, data):
        return (struct.pack(">I", len(data)) + kind + data +
                struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) +
            chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def quantised(rows):
    """The 4-bit image as the system will show it, for the preview."""
    pal = small_palette()
    return [[pal[nearest(pal, p[:3])] + (True,) if p[3] else (0, 0, 0, False) for p in row]
            for row in rows]


def main(argv):
    preview = None
    if len(argv) == 3 and argv[1] == "--preview":
        preview = argv[2]
    elif len(argv) != 1:
        sys.stderr.write(__doc__)
        return 2
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    images = []
    for size, bpp, ss in IMAGES:
        rows = render(size, ss)
        data, colors = bmp_entry(rows, size, bpp)
        images.append((size, bpp, data, colors))
        if preview:
            os.makedirs(preview, exist_ok=True)
            shown = quantised(rows) if bpp == 4 else rows
            with open(os.path.join(preview, "kelvane-%d.png" % size), "wb") as f:
                f.write(png_rgba(shown, size))
    out = os.path.join(root, "resources", "kelvane.ico")
    os.makedirs(os.path.dirname(out), exist_ok=True)
    with open(out, "wb") as f:
        f.write(ico_file(images))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
