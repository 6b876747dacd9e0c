#!/usr/bin/env python3
"""Draws the banners of the version page and the welcome dialog and writes
them under resources/:

  banner_version.bmp  640 x 160, 8-bit: the program's name and three memos
                      on white, for the version page, which draws it flush
                      right on its white page (so its left edge is white)
  banner_welcome.bmp  640 x 140, 8-bit: a greeting and the same memos, for
                      the welcome dialog, which fills its width with it

Both are shrunk to about a third on the screen with colour-on-colour
stretching (every output pixel copies one source pixel, nothing is
blended), so nothing in them is thinner than four pixels and the letters
are large.  The letters are rasterised from IPAPGothic (Debian's
fonts-ipafont-gothic, its proportional face) with Pillow (python3-pil); the picture is drawn at
twice the size and reduced, then mapped to one palette of at most 64
colours without dithering, and the BMP files are written byte by byte, so
every run writes the same files.

Usage: make_banner.py [--preview DIR]
  --preview DIR  also writes PNGs of both banners at the size the program
                 shows them at 96 DPI
"""

import math
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
    sys.exit("make_banner.py: needs Pillow (apt-get install python3-pil)")

WHITE = (255, 255, 255)
INK = (44, 30, 20)           # dark sepia, as in the balloon's kana
SOFT_INK = (120, 96, 72)     # the smaller lines
OUTLINE = (60, 44, 30)
SHADOW = (214, 208, 196)

# Three of the memo colour slots: vermilion orange, canary yellow and the
# bush-warbler green.
MEMOS = [
    ((255, 192, 128), -9.0),
    ((128, 255, 192), 6.0),
    ((255, 255, 192), -3.0),
]

SS = 2                       # drawn at twice the size, then reduced

FONT_PATHS = [
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
]


def find_font():
    for path in FONT_PATHS:
        if os.path.exists(path):
            return path
    sys.exit("make_banner.py: needs IPAPGothic (apt-get install fonts-ipafont-gothic)")


def turner(cx, cy, angle):
    """Turns points given around (cx, cy) by angle degrees."""
    a = math.radians(angle)
    ca, sa = math.cos(a), math.sin(a)
    return lambda x, y: (cx + x * ca - y * sa, cy + x * sa + y * ca)


def memo_polygon(turn, w, h, fold):
    """A memo with its bottom-right corner folded up: the outline and the
    flap."""
    l, t, r, b = -w / 2, -h / 2, w / 2, h / 2
    body = [turn(l, t), turn(r, t), turn(r, b - fold), turn(r - fold, b), turn(l, b)]
    flap = [turn(r, b - fold), turn(r - fold, b - fold), turn(r - fold, b)]
    return body, flap


def draw_memos(draw, x0, y0, size):
    """Three overlapping memos starting at x0, y0, each size pixels wide."""
    w, h = size, size * 0.78
    fold = size * 0.22
    line = 4 * SS
    for i, (colour, angle) in enumerate(MEMOS):
        cx = x0 + w / 2 + i * size * 0.62
        cy = y0 + h / 2 + (i % 2) * size * 0.16
        shadow, _ = memo_polygon(turner(cx + 5 * SS, cy + 6 * SS, angle), w, h, fold)
        draw.polygon(shadow, fill=SHADOW)
        turn = turner(cx, cy, angle)
        body, flap = memo_polygon(turn, w, h, fold)
        draw.polygon(body, fill=colour)
        draw.line(body + [body[0]], fill=OUTLINE, width=line, joint="curve")
        draw.polygon(flap, fill=tuple(int(c * 0.82) for c in colour))
        draw.line(flap + [flap[0]], fill=OUTLINE, width=line, joint="curve")
        # Two lines of "writing" on each memo.
        for k in range(2):
            y = -h / 2 + h * (0.3 + 0.22 * k)
            x1, x2 = -w / 2 + w * 0.16, w / 2 - w * (0.22 if k else 0.16)
            draw.line([turn(x1, y), turn(x2, y)], fill=SOFT_INK, width=line)


def render(width, height, title, subtitle, memo_size, memo_x, memo_y, text_x, title_px, sub_px):
    font_path = find_font()
    img = Image.new("RGB", (width * SS, height * SS), WHITE)
    draw = ImageDraw.Draw(img)
    draw_memos(draw, memo_x * SS, memo_y * SS, memo_size * SS)

    title_font = ImageFont.truetype(font_path, title_px * SS)
    sub_font = ImageFont.truetype(font_path, sub_px * SS)
    # A stroke of the ink's own colour makes the thin gothic strokes bold
    # enough to survive the shrinking.
    tb = draw.textbbox((0, 0), title, font=title_font, stroke_width=2 * SS)
    sb = draw.textbbox((0, 0), subtitle, font=sub_font, stroke_width=1 * SS)
    gap = 10 * SS
    total = (tb[3] - tb[1]) + gap + (sb[3] - sb[1])
    top = (height * SS - total) // 2
    draw.text((text_x * SS - tb[0], top - tb[1]), title, font=title_font, fill=INK,
              stroke_width=2 * SS, stroke_fill=INK)
    draw.text((text_x * SS - sb[0], top + (tb[3] - tb[1]) + gap - sb[1]), subtitle, font=sub_font,
              fill=SOFT_INK, stroke_width=1 * SS, stroke_fill=SOFT_INK)
    return img.resize((width, height), Image.LANCZOS)


def to_palette(img, colours=64):
    """The picture as palette indices (top row first) and its palette."""
    q = img.quantize(colors=colours, method=Image.Quantize.MEDIANCUT, dither=Image.Dither.NONE)
    raw = q.getpalette()[: 3 * colours]
    palette = [tuple(raw[i:i + 3]) for i in range(0, len(raw), 3)]
    w, h = q.size
    data = q.tobytes()
    rows = [data[y * w:(y + 1) * w] for y in range(h)]
    return rows, palette


def bmp_8(rows, palette):
    """An uncompressed bottom-up 8-bit BMP with a 256-entry colour table."""
    h, w = len(rows), len(rows[0])
    stride = (w + 3) & ~3
    data = b"".join(bytes(rows[y]) + b"\0" * (stride - w) for y in range(h - 1, -1, -1))
    palette = list(palette) + [(0, 0, 0)] * (256 - len(palette))
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 8, 0, len(data), 3780, 3780, 256, 0)
    pal = b"".join(struct.pack("<BBBB", c[2], c[1], c[0], 0) for c in palette)
    offset = 14 + len(info) + len(pal)
    head = struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset)
    return head + info + pal + data


def write(path, data):
    old = None
    if os.path.exists(path):
        with open(path, "rb") as f:
            old = f.read()
    if old != data:
        with open(path, "wb") as f:
            f.write(data)
    print(("wrote " if old != data else "unchanged ") + path)


def main(argv):
    preview = None
    if len(argv) >= 2 and argv[0] == "--preview":
        preview = argv[1]
    here = os.path.dirname(os.path.abspath(__file__))
    out = os.path.join(here, "..", "resources")

    version = render(640, 160, "Kelvane", "デスクトップに貼る付箋メモ",
                     memo_size=104, memo_x=400, memo_y=16, text_x=30, title_px=66, sub_px=25)
    welcome = render(640, 140, "ようこそ『Kelvane』へ", "インストール不要の付箋メモ",
                     memo_size=88, memo_x=430, memo_y=14, text_x=24, title_px=38, sub_px=24)
    for name, img in (("banner_version.bmp", version), ("banner_welcome.bmp", welcome)):
        rows, palette = to_palette(img)
        write(os.path.join(out, name), bmp_8(rows, palette))
        if preview:
            os.makedirs(preview, exist_ok=True)
            # What the dialogs show at 96 DPI: about 240 and 340 pixels wide.
            w = 240 if name.startswith("banner_version") else 340
            h = img.size[1] * w // img.size[0]
            img.resize((w, h), Image.NEAREST).save(os.path.join(preview, name[:-4] + ".png"))


if __name__ == "__main__":
    main(sys.argv[1:])
