#!/usr/bin/env python3
"""Draws the balloon's three bitmaps and writes them under resources/:

  balloon_bubble.bmp  100 x 80, 24-bit: a pale yellow speech bubble with a
                      black outline and its tail at the lower left, on pure
                      green, which the balloon window makes transparent
  balloon_new.bmp     70 x 34, 8-bit, 17 colours: "ぺた" (sticking)
  balloon_peel.bmp    70 x 34, 8-bit, 17 colours: "ぺり" (peeling)

The program draws them with colour-on-colour stretching (every output pixel
copies one source pixel, nothing is blended): at 96 DPI at half size, at
144 DPI at three quarters.  So every line is at least three pixels wide, and
the bubble's outer edge is hard: a pixel is either pure green or part of
the bubble, never a mix that would show as a dark green fringe.  Inside the
bubble the outline is smoothed into the yellow.

The kana are rasterised from IPAGothic (Debian's fonts-ipafont-gothic) with
Pillow (python3-pil); everything else is plain Python, and the BMP files are
written byte by byte, so every run writes the same files.

Usage: make_balloon.py [--preview DIR]
  --preview DIR  also writes PNGs of the balloon as the program shows it at
                 96 and 144 DPI, on both sides of a memo, enlarged 4 times
"""

import os
import struct
import sys

try:
    from PIL import Image, ImageDraw, ImageFont
except ImportError:
    # Debian's python3-pil belongs to the system interpreter; a python3 from
    # elsewhere on PATH does not see it.
    if os.path.exists("/usr/bin/python3") and os.path.realpath(sys.executable) != os.path.realpath("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    sys.exit("make_balloon.py: needs Pillow (apt-get install python3-pil)")

YELLOW = (255, 248, 153)     # the bubble's fill, also the kana images' ground
GREEN = (0, 255, 0)          # the transparent colour
BLACK = (0, 0, 0)            # the bubble's outline
INK = (44, 30, 20)           # the kana: dark sepia, softer than black on yellow

FONT_PATHS = [
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
]

BUBBLE_W, BUBBLE_H = 100, 80
KANA_W, KANA_H = 70, 34
SS = 4                       # supersampling factor per axis
OUTLINE = 4.0                # outline width in bubble pixels


# --- the bubble ----------------------------------------------------------

def in_body(x, y):
    """A superellipse: rounder than a rectangle, fuller in the corners than
    an ellipse, so the 70 x 34 content box (with room for the mirrored
    placement) sits well inside the outline."""
    cx, cy, a, b = 50.0, 37.5, 47.0, 30.5
    dx = abs(x - cx) / a
    dy = abs(y - cy) / b
    return dx ** 3 + dy ** 3 <= 1.0


def in_tail(x, y):
    """The tail: a curved wedge from the body's lower left to a point near
    the image's bottom-left corner, bent like a comma."""
    tip = (4.0, 77.0)
    base_l = (14.0, 56.0)
    base_r = (40.0, 64.0)
    # A round tip three pixels across, so the outline does not run out
    # into a hair that halving would break up.
    if (x - 6.5) ** 2 + (y - 75.0) ** 2 <= 3.0 ** 2:
        return True
    # Inside the triangle tip, base_l, base_r, minus a circle that hollows
    # the upper edge so the tail curves.
    def side(p, q, r):
        return (q[0] - p[0]) * (r[1] - p[1]) - (q[1] - p[1]) * (r[0] - p[0])
    pt = (x, y)
    d1 = side(tip, base_l, pt)
    d2 = side(base_l, base_r, pt)
    d3 = side(base_r, tip, pt)
    has_neg = d1 < 0 or d2 < 0 or d3 < 0
    has_pos = d1 > 0 or d2 > 0 or d3 > 0
    if has_neg and has_pos:
        return False
    hx, hy, hr = -10.0, 50.0, 24.0
    return (x - hx) ** 2 + (y - hy) ** 2 > hr ** 2


def bubble_mask():
    """Supersampled inside/outside mask of body plus tail."""
    w, h = BUBBLE_W * SS, BUBBLE_H * SS
    mask = []
    for j in range(h):
        y = (j + 0.5) / SS
        row = bytearray(w)
        for i in range(w):
            x = (i + 0.5) / SS
            if in_body(x, y) or in_tail(x, y):
                row[i] = 1
        mask.append(row)
    return mask


def distance_inside(mask):
    """Chamfer (3-4) distance from every inside sample to the nearest
    outside sample, in samples.  Two passes; exact enough for an outline."""
    h, w = len(mask), len(mask[0])
    big = 1 << 20
    d = [[(big if mask[j][i] else 0) for i in range(w)] for j in range(h)]
    for j in range(h):
        row, up = d[j], d[j - 1] if j else None
        for i in range(w):
            v = row[i]
            if not v:
                continue
            if i:
                v = min(v, row[i - 1] + 3)
            else:
                v = min(v, 3)
            if up is not None:
                v = min(v, up[i] + 3)
                v = min(v, (up[i - 1] if i else 0) + 4)
                v = min(v, (up[i + 1] if i + 1 < w else 0) + 4)
            else:
                v = min(v, 3)
            row[i] = v
    for j in range(h - 1, -1, -1):
        row, down = d[j], d[j + 1] if j + 1 < h else None
        for i in range(w - 1, -1, -1):
            v = row[i]
            if not v:
                continue
            if i + 1 < w:
                v = min(v, row[i + 1] + 3)
            else:
                v = min(v, 3)
            if down is not None:
                v = min(v, down[i] + 3)
                v = min(v, (down[i + 1] if i + 1 < w else 0) + 4)
                v = min(v, (down[i - 1] if i else 0) + 4)
            else:
                v = min(v, 3)
            row[i] = v
    return d


def mix(a, b, t):
    return tuple(int(round(a[k] + (b[k] - a[k]) * t)) for k in range(3))


def render_bubble():
    """Rows of RGB tuples, top row first."""
    mask = bubble_mask()
    dist = distance_inside(mask)
    limit = OUTLINE * SS * 3  # chamfer units: 3 per sample step
    rows = []
    for y in range(BUBBLE_H):
        row = []
        for x in range(BUBBLE_W):
            inside = fill = 0
            for sj in range(SS):
                for si in range(SS):
                    j, i = y * SS + sj, x * SS + si
                    if mask[j][i]:
                        inside += 1
                        if dist[j][i] > limit:
                            fill += 1
            if inside * 2 < SS * SS:
                row.append(GREEN)
            else:
                row.append(mix(BLACK, YELLOW, fill / inside))
        rows.append(row)
    return rows


# --- the kana ------------------------------------------------------------

def find_font():
    for path in FONT_PATHS:
        if os.path.exists(path):
            return path
    sys.exit("make_balloon.py: no IPAGothic (apt-get install fonts-ipafont-gothic)")


def render_kana(text, font_path):
    """Coverage rows (0..16 per pixel, 16 = ink) of text centred in the
    70 x 34 image.  Drawn 4 times larger with a stroke around each glyph,
    which makes the regular weight bold enough to survive halving, then
    box-filtered down."""
    size_px = 30
    font = ImageFont.truetype(font_path, size_px * SS)
    stroke = int(round(0.75 * SS))
    big = Image.new("L", (KANA_W * SS, KANA_H * SS), 0)
    draw = ImageDraw.Draw(big)
    left, top, right, bottom = draw.textbbox((0, 0), text, font=font, stroke_width=stroke)
    # Spread the two kana a little: a touch of letter spacing reads better
    # at 35 pixels wide than glyphs that touch.
    spacing = 2 * SS
    widths = []
    for ch in text:
        l, t, r, b = draw.textbbox((0, 0), ch, font=font, stroke_width=stroke)
        widths.append((l, r))
    total = sum(r - l for l, r in widths) + spacing * (len(text) - 1)
    x = (KANA_W * SS - total) // 2
    y = (KANA_H * SS - (bottom - top)) // 2 - top
    for ch, (l, r) in zip(text, widths):
        draw.text((x - l, y), ch, fill=255, font=font, stroke_width=stroke, stroke_fill=255)
        x += (r - l) + spacing
    px = big.load()
    rows = []
    for yy in range(KANA_H):
        row = []
        for xx in range(KANA_W):
            s = 0
            for sj in range(SS):
                for si in range(SS):
                    s += px[xx * SS + si, yy * SS + sj]
            level = int(round(s / (255.0 * SS * SS) * 16))
            row.append(level)
        rows.append(row)
    return rows


def kana_palette():
    """17 colours: the bubble's yellow (index 0), 15 steps, the ink (16)."""
    return [mix(YELLOW, INK, k / 16.0) for k in range(17)]


# --- BMP files -----------------------------------------------------------

def bmp_24(rows):
    h, w = len(rows), len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):  # bottom-up
        line = bytearray()
        for r, g, b in row:
            line += bytes((b, g, r))
        line += b"\0" * (stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 3780, 3780, 0, 0)
    offset = 14 + len(info)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + bytes(data)


def bmp_8(rows, palette):
    h, w = len(rows), len(rows[0])
    stride = (w + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(row)
        line += b"\0" * (stride - len(line))
        data += line
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(data), 3780, 3780,
                       len(palette), len(palette))
    pal = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in palette)
    offset = 14 + len(info) + len(pal)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + pal + bytes(data)


def write(path, data):
    tmp = path + ".tmp"
    with open(tmp, "wb") as f:
        f.write(data)
    os.replace(tmp, path)


# --- preview -------------------------------------------------------------

def scale(length, dpi):
    return length * dpi // 96


def stretch(rows, w, h):
    """Colour-on-colour stretch: each target pixel takes one source pixel."""
    sh, sw = len(rows), len(rows[0])
    return [[rows[y * sh // h][x * sw // w] for x in range(w)] for y in range(h)]


def preview(out_dir, bubble, kana_rows):
    os.makedirs(out_dir, exist_ok=True)
    desk = (58, 110, 165)
    memo = (255, 255, 192)
    pal = kana_palette()
    for dpi in (96, 144):
        bw, bh = scale(50, dpi), scale(40, dpi)
        cl, ct, cr, cb = scale(7, dpi), scale(11, dpi), scale(42, dpi), scale(28, dpi)
        mw, mh = scale(160, dpi), scale(120, dpi)
        gap = 10
        width = bw + gap + mw + gap + bw + 20
        height = mh + 40
        canvas = Image.new("RGB", (width, height), desk)
        cx = 10 + bw + gap
        canvas.paste(Image.new("RGB", (mw, mh), memo), (cx, 20))
        for side, name in ((0, "ぺた"), (1, "ぺり")):
            src = [list(reversed(r)) for r in bubble] if side == 0 else bubble
            pic = stretch(src, bw, bh)
            krows = [[pal[v] for v in r] for r in kana_rows[name]]
            k = stretch(krows, cr - cl, cb - ct)
            for y in range(ct, cb):
                for x in range(cl, cr):
                    pic[y][x] = k[y - ct][x - cl]
            x0 = 10 if side == 0 else cx + mw + gap
            y0 = 20 + 20
            for y in range(bh):
                for x in range(bw):
                    if pic[y][x] != GREEN:
                        canvas.putpixel((x0 + x, y0 + y), pic[y][x])
        canvas.save(os.path.join(out_dir, "balloon-%d.png" % dpi))
        canvas.resize((width * 4, height * 4), Image.NEAREST).save(
            os.path.join(out_dir, "balloon-%d-x4.png" % dpi))


def main(argv):
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    res = os.path.join(root, "resources")
    font = find_font()
    bubble = render_bubble()
    kana = {"ぺた": render_kana("ぺた", font), "ぺり": render_kana("ぺり", font)}
    write(os.path.join(res, "balloon_bubble.bmp"), bmp_24(bubble))
    write(os.path.join(res, "balloon_new.bmp"), bmp_8(kana["ぺた"], kana_palette()))
    write(os.path.join(res, "balloon_peel.bmp"), bmp_8(kana["ぺり"], kana_palette()))
    if len(argv) >= 3 and argv[1] == "--preview":
        preview(argv[2], bubble, kana)


if __name__ == "__main__":
    main(sys.argv)
