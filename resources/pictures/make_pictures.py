#!/usr/bin/env python3
"""Draws the program's pictures and writes them next to this script.

Only the Python standard library is used: shapes are rasterised with
supersampling (antialiasing) and written as 24-bit BMP or 32-bit RGBA PNG.

    python3 make_pictures.py            # writes into this directory
    python3 make_pictures.py OUTDIR     # writes somewhere else

Status bar icons (update, home, report, VolumeMuteOn/Off) are 24-bit BMPs whose
background is pure magenta (#FF00FF); the program treats that colour as
transparent.  Their antialiased edge pixels are blended against the status bar
gradient at the same row, so they look smooth once drawn on the bar.
"""

import math
import os
import struct
import sys
import zlib

SS = 8  # supersampling grid per pixel axis (8 x 8 samples)

MAGENTA = (255, 0, 255)

# Palette
WINDOW = (211, 198, 225)        # #D3C6E1
STRIP = (114, 96, 177)          # #7260B1
BAR_TOP_LINE = (178, 165, 230)  # 1-px light line on top of the status bar
BAR_TOP = (138, 120, 200)       # #8A78C8
BAR_BOTTOM = (94, 75, 158)      # #5E4B9E
WHITE = (255, 255, 255)
ICON_LIGHT = (255, 255, 255)
ICON_SHADE = (228, 222, 246)    # lower end of the white icon gradient
VIOLET_DARK = (88, 70, 152)
RED = (255, 84, 84)


# ---------------------------------------------------------------- geometry --

def circle(cx, cy, r):
    r2 = r * r
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r2


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def rrect(x0, y0, x1, y1, r):
    def f(x, y):
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    return f


def capsule(ax, ay, bx, by, r):
    """Thick line segment with round caps."""
    vx, vy = bx - ax, by - ay
    ll = vx * vx + vy * vy or 1e-9

    def f(x, y):
        t = ((x - ax) * vx + (y - ay) * vy) / ll
        t = 0.0 if t < 0 else 1.0 if t > 1 else t
        px, py = ax + t * vx - x, ay + t * vy - y
        return px * px + py * py <= r * r
    return f


def polygon(pts):
    """Even-odd point-in-polygon."""
    n = len(pts)

    def f(x, y):
        inside = False
        j = n - 1
        for i in range(n):
            xi, yi = pts[i]
            xj, yj = pts[j]
            if (yi > y) != (yj > y):
                xc = xi + (y - yi) * (xj - xi) / (yj - yi)
                if x < xc:
                    inside = not inside
            j = i
        return inside
    return f


def arc(cx, cy, r, width, a0, a1):
    """Ring segment between angles a0..a1 (degrees, 0 = +x, clockwise as y grows down)."""
    rin, rout = r - width / 2.0, r + width / 2.0

    def f(x, y):
        d = math.hypot(x - cx, y - cy)
        if d < rin or d > rout:
            return False
        a = math.degrees(math.atan2(y - cy, x - cx))
        return a0 <= a <= a1
    return f


def union(*fs):
    return lambda x, y: any(f(x, y) for f in fs)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


# ------------------------------------------------------------------ canvas --

class Canvas:
    """Straight-alpha RGBA float canvas; layers are painted with coverage."""

    def __init__(self, w, h):
        self.w, self.h = w, h
        self.px = [[(0.0, 0.0, 0.0, 0.0) for _ in range(w)] for _ in range(h)]

    def coverage(self, shape, x, y):
        hit = 0
        for sy in range(SS):
            yy = y + (sy + 0.5) / SS
            for sx in range(SS):
                if shape(x + (sx + 0.5) / SS, yy):
                    hit += 1
        return hit / float(SS * SS)

    def paint(self, shape, color, bbox=None):
        """color: (r,g,b) or function (x, y) -> (r,g,b) in pixel units."""
        x0, y0, x1, y1 = bbox or (0, 0, self.w, self.h)
        for y in range(max(0, y0), min(self.h, y1)):
            for x in range(max(0, x0), min(self.w, x1)):
                c = self.coverage(shape, x, y)
                if c <= 0:
                    continue
                col = color(x + 0.5, y + 0.5) if callable(color) else color
                r, g, b, a = self.px[y][x]
                na = c + a * (1 - c)
                if na <= 0:
                    continue
                mix = [(col[i] * c + (r, g, b)[i] * a * (1 - c)) / na for i in range(3)]
                self.px[y][x] = (mix[0], mix[1], mix[2], na)

    def over(self, bg_of_row):
        """Composite onto an opaque background colour chosen per row."""
        out = []
        for y in range(self.h):
            bg = bg_of_row(y)
            row = []
            for x in range(self.w):
                r, g, b, a = self.px[y][x]
                row.append(tuple(int(round(c * a + bgc * (1 - a))) for c, bgc in zip((r, g, b), bg)))
            out.append(row)
        return out


def lerp(c0, c1, t):
    t = 0.0 if t < 0 else 1.0 if t > 1 else t
    return tuple(a + (b - a) * t for a, b in zip(c0, c1))


def vgrad(c0, c1, y0, y1):
    return lambda x, y: lerp(c0, c1, (y - y0) / float(y1 - y0))


# ------------------------------------------------------------------ output --

def write_bmp(path, rows):
    """24-bit uncompressed BMP, bottom-up rows padded to 4 bytes."""
    h = len(rows)
    w = len(rows[0])
    stride = (w * 3 + 3) & ~3
    data = bytearray()
    for row in reversed(rows):
        line = bytearray()
        for r, g, b in row:
            line += bytes((int(b), int(g), int(r)))
        line += b"\0" * (stride - len(line))
        data += line
    header = struct.pack("<2sIHHI", b"BM", 14 + 40 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def write_png(path, rows):
    """8-bit RGBA PNG (colour type 6)."""
    h = len(rows)
    w = len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)
        for px in row:
            raw += bytes(int(v) for v in px)

    def chunk(kind, body):
        c = struct.pack(">I", len(body)) + kind + body
        return c + struct.pack(">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


# -------------------------------------------------------------- status bar --

BAR_H = 20


def bar_row_color(y):
    """Colour of the status bar background at row y (0..19)."""
    if y <= 0:
        return BAR_TOP_LINE
    if y >= BAR_H - 1:
        return (84, 66, 146)  # slightly darker bottom edge
    return lerp(BAR_TOP, BAR_BOTTOM, (y - 1) / float(BAR_H - 3))


def status_bg():
    return [[tuple(int(round(c)) for c in bar_row_color(y)) for _ in range(57)] for y in range(BAR_H)]


def keyed(canvas, top_offset, threshold=0.34):
    """Magenta-keyed 24-bit rows: transparent where coverage is low, elsewhere
    blended against the status bar colour of the row the pixel lands on."""
    rows = []
    for y in range(canvas.h):
        bg = bar_row_color(y + top_offset)
        row = []
        for x in range(canvas.w):
            r, g, b, a = canvas.px[y][x]
            if a < threshold:
                row.append(MAGENTA)
                continue
            px = tuple(int(round(c * a + k * (1 - a))) for c, k in zip((r, g, b), bg))
            if px == MAGENTA:
                px = (254, 0, 255)
            row.append(px)
        rows.append(row)
    return rows


def white_grad(h):
    return vgrad(ICON_LIGHT, ICON_SHADE, 0, h)


def icon_update():
    # 14 x 14: a white disc with a violet down arrow ("get the new version").
    c = Canvas(14, 14)
    c.paint(circle(7, 7, 6.55), white_grad(14))
    arrow = union(
        rect(6, 2.5, 8, 8),
        polygon([(3, 7), (11, 7), (7, 11.2)]),
    )
    c.paint(arrow, (96, 78, 168))
    return keyed(c, (BAR_H - 14) // 2)


def icon_home():
    # 20 x 20: a house with a chimney and a door.
    c = Canvas(20, 20)
    body = rect(4, 9, 16, 18)
    chimney = rect(13, 3, 15.2, 8)
    roof = union(capsule(2.2, 10.2, 10, 2.6, 1.25), capsule(10, 2.6, 17.8, 10.2, 1.25))
    roof_fill = polygon([(3, 10), (10, 3.2), (17, 10)])
    door = rect(8, 12, 12, 18.5)
    house = minus(union(body, chimney, roof, roof_fill), door)
    c.paint(house, white_grad(20))
    c.paint(rect(8, 12, 12, 18), (250, 205, 90))  # warm lit door
    c.paint(rect(10, 15, 11, 16), (170, 120, 40))  # door knob
    return keyed(c, 0)


def icon_report():
    # 20 x 18: a speech bubble with lines of text.
    c = Canvas(20, 18)
    bubble = union(rrect(1, 1, 19, 14, 3), polygon([(4, 13), (9.5, 13), (3.5, 17.6)]))
    c.paint(bubble, white_grad(18))
    ink = (96, 78, 168)
    c.paint(rect(4, 4, 16, 5), ink)
    c.paint(rect(4, 7, 16, 8), ink)
    c.paint(rect(4, 10, 12, 11), ink)
    return keyed(c, 1)


def speaker():
    return union(rect(2, 7, 6, 13), polygon([(5.5, 7), (11, 2.6), (11, 17.4), (5.5, 13)]))


def icon_volume_on():
    c = Canvas(20, 20)
    c.paint(speaker(), white_grad(20))
    c.paint(arc(10.5, 10, 3.6, 1.6, -50, 50), WHITE)
    c.paint(arc(10.5, 10, 6.9, 1.6, -52, 52), WHITE)
    return keyed(c, 0)


def icon_volume_off():
    c = Canvas(20, 20)
    c.paint(speaker(), white_grad(20))
    # a dark outline behind the red X keeps it readable on violet
    c.paint(union(capsule(13, 7, 18, 12.8, 1.9), capsule(18, 7, 13, 12.8, 1.9)), (70, 40, 110))
    c.paint(union(capsule(13, 7, 18, 12.8, 1.15), capsule(18, 7, 13, 12.8, 1.15)), RED)
    return keyed(c, 0)


# ---------------------------------------------------------------- app icon --

APP_TOP = (146, 128, 214)
APP_BOTTOM = (86, 68, 150)
PAD_WHITE = (255, 255, 255)
PAD_SHADE = (222, 215, 243)
DPAD = (94, 75, 158)
BTN_A = (255, 98, 150)
BTN_B = (255, 196, 64)


def app_geometry(s):
    """Shapes in pixel units for an icon of s x s pixels (design grid 48)."""
    k = s / 48.0
    g = {}
    m = 0.0 if s <= 24 else 1.0 * k
    g["square"] = rrect(m, m, s - m, s - m, 10 * k)
    pad = union(
        rrect(7 * k, 15 * k, 41 * k, 31 * k, 8 * k),
        capsule(14 * k, 24 * k, 11 * k, 34 * k, 6.5 * k),
        capsule(34 * k, 24 * k, 37 * k, 34 * k, 6.5 * k),
    )
    g["pad"] = pad
    # d-pad snapped to whole pixels: arm width w, arm length n (same parity)
    w = max(1, int(round(3.4 * k)))
    n = int(round(10 * k))
    if (n - w) % 2:
        n += 1
    x0 = int(round(15 * k - n / 2.0))
    y0 = int(round(22.5 * k - n / 2.0))
    o = (n - w) // 2
    g["dpad"] = union(rect(x0, y0 + o, x0 + n, y0 + o + w),
                      rect(x0 + o, y0, x0 + o + w, y0 + n))
    snap = (lambda v: float(round(v))) if s < 48 else (lambda v: v)
    g["btn_a"] = circle(snap(36 * k), snap(20 * k), max(1.25, 2.5 * k))
    g["btn_b"] = circle(snap(30.5 * k), snap(25.5 * k), max(1.25, 2.5 * k))
    return g


def app_geometry_16():
    """Hand-fitted to whole pixels so the controller stays crisp at 16 px."""
    g = {}
    g["square"] = rrect(0, 0, 16, 16, 3.4)
    g["pad"] = union(
        rrect(1.6, 4.5, 14.4, 10.5, 2.6),
        capsule(4.2, 8, 3.5, 11.6, 2.1),
        capsule(11.8, 8, 12.5, 11.6, 2.1),
    )
    g["dpad"] = union(rect(3, 7, 6, 8), rect(4, 6, 5, 9))
    g["btn_a"] = rect(11, 6, 12, 7)
    g["btn_b"] = rect(10, 8, 11, 9)
    return g


def app_icon(s):
    g = app_geometry_16() if s == 16 else app_geometry(s)
    c = Canvas(s, s)
    c.paint(g["square"], vgrad(APP_TOP, APP_BOTTOM, 0, s))
    c.paint(g["pad"], vgrad(PAD_WHITE, PAD_SHADE, s * 0.3, s * 0.75))
    c.paint(g["dpad"], DPAD)
    c.paint(g["btn_a"], BTN_A)
    c.paint(g["btn_b"], BTN_B)
    rows = []
    for y in range(s):
        row = []
        for x in range(s):
            r, g_, b, a = c.px[y][x]
            row.append((int(round(r)), int(round(g_)), int(round(b)), int(round(a * 255))))
        rows.append(row)
    return rows


APP_SVG = """<?xml version="1.0" encoding="UTF-8"?>
<svg xmlns="http://www.w3.org/2000/svg" width="48" height="48" viewBox="0 0 48 48">
  <title>游戏盒</title>
  <defs>
    <linearGradient id="bg" gradientUnits="userSpaceOnUse" x1="0" y1="0" x2="0" y2="48">
      <stop offset="0" stop-color="#9280D6"/>
      <stop offset="1" stop-color="#564496"/>
    </linearGradient>
    <linearGradient id="pad" gradientUnits="userSpaceOnUse" x1="0" y1="14.4" x2="0" y2="36">
      <stop offset="0" stop-color="#FFFFFF"/>
      <stop offset="1" stop-color="#DED7F3"/>
    </linearGradient>
  </defs>
  <rect x="1" y="1" width="46" height="46" rx="10" ry="10" fill="url(#bg)"/>
  <g fill="url(#pad)">
    <rect x="7" y="15" width="34" height="16" rx="8" ry="8"/>
    <line x1="14" y1="24" x2="11" y2="34" stroke="url(#pad)" stroke-width="13" stroke-linecap="round"/>
    <line x1="34" y1="24" x2="37" y2="34" stroke="url(#pad)" stroke-width="13" stroke-linecap="round"/>
  </g>
  <g fill="#5E4B9E">
    <rect x="10" y="21" width="11" height="3"/>
    <rect x="14" y="17" width="3" height="11"/>
  </g>
  <circle cx="36" cy="20" r="2.5" fill="#FF6296"/>
  <circle cx="30.5" cy="25.5" r="2.5" fill="#FFC440"/>
</svg>
"""


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.dirname(os.path.abspath(__file__))
    os.makedirs(out, exist_ok=True)
    write_bmp(os.path.join(out, "status_bg.bmp"), status_bg())
    write_bmp(os.path.join(out, "update.bmp"), icon_update())
    write_bmp(os.path.join(out, "home.bmp"), icon_home())
    write_bmp(os.path.join(out, "report.bmp"), icon_report())
    write_bmp(os.path.join(out, "VolumeMuteOn.bmp"), icon_volume_on())
    write_bmp(os.path.join(out, "VolumeMuteOff.bmp"), icon_volume_off())
    for s in (16, 24, 32, 48):
        write_png(os.path.join(out, "app_%d.png" % s), app_icon(s))
    with open(os.path.join(out, "app.svg"), "w", encoding="utf-8") as f:
        f.write(APP_SVG)


if __name__ == "__main__":
    main()
