#!/usr/bin/env python3
"""Writes every picture of the program as an SVG file.

Button pictures 101-153 exist once per language (resources/pictures/<code>/<n>.svg);
flags, logos and backgrounds 3000-3013 once (resources/pictures/common/<id>.svg).
A button picture is an icon from the ICONS table with a short word of its language below
it (the main-menu pictures carry their function key instead); a disabled picture is the
normal one with every colour turned into a light grey.

Only plain SVG Tiny features are used (shapes, paths, text in DejaVu Sans, a linear
gradient), so Qt SVG draws them all. Standard library only; run it from anywhere:

    python3 tools/pictures/make_pictures.py
"""

import math
import os
import re
import sys

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
OUT = os.path.join(ROOT, "resources", "pictures")

LANGUAGES = ["pl", "fr", "es", "en"]

# Colours
INK = "#22344a"
BLUE = "#2f6fb8"
LBLUE = "#9cc3ea"
DBLUE = "#1d4f8c"
GREEN = "#2f9e48"
RED = "#cc3a2f"
YELLOW = "#f0b429"
ORANGE = "#e8782a"
GREY = "#8a96a3"
LGREY = "#d5dbe2"
METAL = "#b7c1cb"
WHITE = "#ffffff"
CHIP = "#3a4a5c"
TEXT = "#1b2836"

FONT = "DejaVu Sans"

# Advance widths of DejaVu Sans Bold in em, for fitting words into a picture.
_WIDTHS = {
    " ": 0.348, "A": 0.774, "B": 0.762, "C": 0.734, "D": 0.83, "E": 0.683, "F": 0.683,
    "G": 0.821, "H": 0.837, "I": 0.372, "J": 0.372, "K": 0.775, "L": 0.637, "M": 0.995,
    "N": 0.837, "O": 0.85, "P": 0.733, "Q": 0.85, "R": 0.77, "S": 0.72, "T": 0.682,
    "U": 0.812, "V": 0.774, "W": 1.103, "X": 0.771, "Y": 0.724, "Z": 0.725, ".": 0.38,
    "/": 0.365, "-": 0.415, "Ł": 0.642,
}
_ACCENTED = {"À": "A", "Â": "A", "Á": "A", "Ç": "C", "É": "E", "È": "E", "Ê": "E",
             "Í": "I", "Ó": "O", "Ú": "U", "Ñ": "N", "Ü": "U", "Ą": "A", "Ć": "C",
             "Ę": "E", "Ń": "N", "Ś": "S", "Ź": "Z", "Ż": "Z"}


def text_width(word, size):
    """Width of word in DejaVu Sans Bold at the given size (digits count as 0.696 em)."""
    total = 0.0
    for ch in word:
        ch = _ACCENTED.get(ch, ch)
        total += _WIDTHS.get(ch, 0.696 if ch.isdigit() else 0.8)
    return total * size


def fit_size(word, max_width, max_size):
    return min(max_size, max_width / text_width(word, 1.0))


# ---------------------------------------------------------------- SVG primitives

def f(v):
    """A number as SVG wants it: short, no trailing zeros."""
    s = ("%.2f" % v).rstrip("0").rstrip(".")
    return "0" if s in ("-0", "") else s


def _attrs(fill=None, stroke=None, sw=None, extra=""):
    a = ' fill="%s"' % (fill if fill else "none")
    if stroke:
        a += ' stroke="%s" stroke-width="%s" stroke-linejoin="round" stroke-linecap="round"' % (
            stroke, f(sw if sw is not None else 1))
    return a + extra


def rect(x, y, w, h, fill=None, stroke=None, sw=None, rx=0):
    r = ' rx="%s"' % f(rx) if rx else ""
    return '<rect x="%s" y="%s" width="%s" height="%s"%s%s/>' % (
        f(x), f(y), f(w), f(h), r, _attrs(fill, stroke, sw))


def circle(cx, cy, r, fill=None, stroke=None, sw=None):
    return '<circle cx="%s" cy="%s" r="%s"%s/>' % (f(cx), f(cy), f(r), _attrs(fill, stroke, sw))


def ellipse(cx, cy, rx, ry, fill=None, stroke=None, sw=None):
    return '<ellipse cx="%s" cy="%s" rx="%s" ry="%s"%s/>' % (
        f(cx), f(cy), f(rx), f(ry), _attrs(fill, stroke, sw))


def line(x1, y1, x2, y2, stroke, sw):
    return '<line x1="%s" y1="%s" x2="%s" y2="%s"%s/>' % (
        f(x1), f(y1), f(x2), f(y2), _attrs(None, stroke, sw))


def polyline(points, stroke, sw):
    return '<polyline points="%s"%s/>' % (_pts(points), _attrs(None, stroke, sw))


def polygon(points, fill=None, stroke=None, sw=None):
    return '<polygon points="%s"%s/>' % (_pts(points), _attrs(fill, stroke, sw))


def path(d, fill=None, stroke=None, sw=None):
    return '<path d="%s"%s/>' % (d, _attrs(fill, stroke, sw))


def text(x, y, s, size, fill=TEXT, anchor="middle", bold=True):
    s = s.replace("&", "&amp;").replace("<", "&lt;")
    return ('<text x="%s" y="%s" font-family="%s" font-size="%s"%s text-anchor="%s" fill="%s">%s</text>'
            % (f(x), f(y), FONT, f(size), ' font-weight="bold"' if bold else "", anchor, fill, s))


def group(content, tx=0, ty=0, s=1.0):
    return '<g transform="translate(%s %s) scale(%s)">%s</g>' % (f(tx), f(ty), f(s), "".join(content))


def gradient(gid, top, bottom, x2=0, y2=1):
    return ('<linearGradient id="%s" x1="0" y1="0" x2="%s" y2="%s">'
            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
            % (gid, f(x2), f(y2), top, bottom))


def _pts(points):
    return " ".join("%s,%s" % (f(x), f(y)) for x, y in points)


def document(width, height, body, defs=""):
    d = "<defs>%s</defs>" % defs if defs else ""
    return ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
            'width="%s" height="%s" viewBox="0 0 %s %s">\n%s%s\n</svg>\n'
            % (f(width), f(height), f(width), f(height), d, "\n".join(body)))


# ---------------------------------------------------------------- shape helpers

def arrow(x1, y1, x2, y2, color, shaft=12, head=30, head_len=24, outline=None):
    """A solid arrow from (x1,y1) to the tip (x2,y2)."""
    dx, dy = x2 - x1, y2 - y1
    length = math.hypot(dx, dy)
    ux, uy = dx / length, dy / length
    nx, ny = -uy, ux
    bx, by = x2 - ux * head_len, y2 - uy * head_len
    pts = [(x1 + nx * shaft / 2, y1 + ny * shaft / 2), (bx + nx * shaft / 2, by + ny * shaft / 2),
           (bx + nx * head / 2, by + ny * head / 2), (x2, y2),
           (bx - nx * head / 2, by - ny * head / 2), (bx - nx * shaft / 2, by - ny * shaft / 2),
           (x1 - nx * shaft / 2, y1 - ny * shaft / 2)]
    return polygon(pts, color, outline, 3 if outline else None)


def chip(cx, cy, s, body=CHIP):
    """An electronic control unit shown as a chip with three pins on every side."""
    out = []
    pin_l, pin_w = s * 0.16, s * 0.1
    for i in (-1, 0, 1):
        o = i * s * 0.28
        out.append(rect(cx + o - pin_w / 2, cy - s / 2 - pin_l, pin_w, pin_l + 2, METAL))
        out.append(rect(cx + o - pin_w / 2, cy + s / 2 - 2, pin_w, pin_l + 2, METAL))
        out.append(rect(cx - s / 2 - pin_l, cy + o - pin_w / 2, pin_l + 2, pin_w, METAL))
        out.append(rect(cx + s / 2 - 2, cy + o - pin_w / 2, pin_l + 2, pin_w, METAL))
    out.append(rect(cx - s / 2, cy - s / 2, s, s, body, INK, 3, rx=s * 0.1))
    out.append(rect(cx - s * 0.28, cy - s * 0.28, s * 0.56, s * 0.56, "#56697e", rx=s * 0.05))
    out.append(circle(cx - s * 0.34, cy - s * 0.34, s * 0.05, METAL))
    return out


def person(cx, cy, s, color=BLUE):
    """Head and shoulders; (cx, cy) is the middle of the figure, s its height."""
    return [circle(cx, cy - s * 0.24, s * 0.22, color, INK, 3),
            path("M%s %s L%s %s Q%s %s %s %s Q%s %s %s %s L%s %s Z" % (
                f(cx - s * 0.4), f(cy + s * 0.48), f(cx - s * 0.4), f(cy + s * 0.3),
                f(cx - s * 0.4), f(cy + s * 0.04), f(cx), f(cy + s * 0.04),
                f(cx + s * 0.4), f(cy + s * 0.04), f(cx + s * 0.4), f(cy + s * 0.3),
                f(cx + s * 0.4), f(cy + s * 0.48)), color, INK, 3)]


def magnifier(cx, cy, r):
    d = r * 0.72
    return [line(cx + d, cy + d, cx + r * 1.75, cy + r * 1.75, INK, r * 0.42),
            circle(cx, cy, r, "#e7f1fb", INK, r * 0.28)]


def cross(cx, cy, r, color=WHITE, width=None):
    w = width if width else r * 0.45
    return [line(cx - r, cy - r, cx + r, cy + r, color, w), line(cx - r, cy + r, cx + r, cy - r, color, w)]


def check(cx, cy, r, color=WHITE, width=None):
    w = width if width else r * 0.42
    return [polyline([(cx - r, cy), (cx - r * 0.3, cy + r * 0.7), (cx + r, cy - r * 0.75)], color, w)]


def badge_x(cx, cy, r):
    return [circle(cx, cy, r, RED, WHITE, 3)] + cross(cx, cy, r * 0.45, WHITE, r * 0.32)


def badge_check(cx, cy, r):
    return [circle(cx, cy, r, GREEN, WHITE, 3)] + check(cx, cy + r * 0.05, r * 0.5, WHITE, r * 0.3)


def gear_points(cx, cy, r_out, r_in, teeth, phase=0.0):
    pts = []
    step = 2 * math.pi / teeth
    for i in range(teeth):
        a = phase + i * step
        for da, r in ((-0.3, r_in), (-0.17, r_out), (0.17, r_out), (0.3, r_in)):
            pts.append((cx + r * math.cos(a + da * step * 1.6), cy + r * math.sin(a + da * step * 1.6)))
    return pts


def gear(cx, cy, r, color=GREY):
    return [polygon(gear_points(cx, cy, r, r * 0.78, 8), color, INK, 3),
            circle(cx, cy, r * 0.32, WHITE, INK, 3)]


def floppy(x, y, s, color=BLUE):
    k = s / 100.0
    return [path("M%s %s H%s L%s %s V%s H%s Z" % (f(x), f(y), f(x + 80 * k), f(x + s), f(y + 20 * k),
                                                 f(y + s), f(x)), color, INK, 3),
            rect(x + 24 * k, y, 46 * k, 30 * k, METAL, INK, 2),
            rect(x + 52 * k, y + 5 * k, 10 * k, 20 * k, CHIP),
            rect(x + 16 * k, y + 50 * k, 68 * k, 50 * k, WHITE, INK, 2),
            line(x + 26 * k, y + 66 * k, x + 74 * k, y + 66 * k, LGREY, 4 * k),
            line(x + 26 * k, y + 82 * k, x + 74 * k, y + 82 * k, LGREY, 4 * k)]


def tank(x, y, w, h, level):
    """A horizontal gas tank filled to `level` (0..1)."""
    r = h / 2
    out = [rect(x, y, w, h, "#eef2f6", INK, 4, rx=r)]
    inner = h - 10
    fill_h = max(inner * level, 6)
    out.append(rect(x + 5, y + 5 + inner - fill_h, w - 10, fill_h, YELLOW, rx=min(r - 5, fill_h / 2)))
    out.append(rect(x, y, w, h, None, INK, 4, rx=r))
    out.append(rect(x + w / 2 - 6, y - 8, 12, 9, METAL, INK, 2))
    return out


def handset(cx, cy, s, color):
    """A telephone handset lying flat."""
    k = s / 100.0
    return [path("M%s %s Q%s %s %s %s" % (f(cx - 36 * k), f(cy + 8 * k), f(cx), f(cy - 34 * k),
                                           f(cx + 36 * k), f(cy + 8 * k)), None, INK, 24 * k),
            path("M%s %s Q%s %s %s %s" % (f(cx - 36 * k), f(cy + 8 * k), f(cx), f(cy - 34 * k),
                                           f(cx + 36 * k), f(cy + 8 * k)), None, color, 16 * k),
            rect(cx - 50 * k, cy + 2 * k, 30 * k, 20 * k, color, INK, 3, rx=7 * k),
            rect(cx + 20 * k, cy + 2 * k, 30 * k, 20 * k, color, INK, 3, rx=7 * k)]


def mobile(cx, cy, s):
    k = s / 100.0
    out = [rect(cx + 10 * k, cy - 56 * k, 7 * k, 14 * k, INK, rx=2 * k),
           rect(cx - 22 * k, cy - 44 * k, 44 * k, 88 * k, CHIP, INK, 3, rx=8 * k),
           rect(cx - 15 * k, cy - 36 * k, 30 * k, 30 * k, LBLUE, rx=2 * k)]
    for row in range(3):
        for col in range(3):
            out.append(rect(cx - 15 * k + col * 11 * k, cy + 2 * k + row * 12 * k, 8 * k, 7 * k, METAL,
                            rx=1.5 * k))
    return out


def page(x, y, w, h, lines=4):
    out = [polygon([(x, y), (x + w - 14, y), (x + w, y + 14), (x + w, y + h), (x, y + h)], WHITE, INK, 3.5),
           polyline([(x + w - 14, y), (x + w - 14, y + 14), (x + w, y + 14)], INK, 3)]
    for i in range(lines):
        ly = y + 24 + i * (h - 34) / max(lines - 1, 1)
        out.append(line(x + 10, ly, x + w - 10 - (12 if i == lines - 1 else 0), ly, GREY, 5))
    return out


def door(x, y):
    return [rect(x, y, 48, 88, LGREY, INK, 4),
            polygon([(x, y), (x + 32, y + 10), (x + 32, y + 98), (x, y + 88)], BLUE, INK, 4),
            circle(x + 25, y + 52, 3.5, YELLOW)]


def engine_icon():
    return [rect(4, 46, 14, 16, METAL, INK, 3),
            rect(20, 22, 58, 14, BLUE, INK, 3.5, rx=5),
            rect(16, 36, 66, 14, "#a3afbb", INK, 3.5),
            polygon([(16, 50), (82, 50), (82, 78), (72, 88), (26, 88), (16, 78)], GREY, INK, 3.5),
            rect(30, 88, 38, 8, "#6d7a87", INK, 3),
            circle(90, 68, 9, METAL, INK, 3),
            line(82, 68, 90, 68, INK, 3),
            line(32, 60, 32, 76, INK, 3), line(49, 60, 49, 76, INK, 3), line(66, 60, 66, 76, INK, 3)]


def gauge(cx, cy, r, angle_deg=-40):
    out = [circle(cx, cy, r, WHITE, INK, r * 0.12)]
    for i in range(9):
        a = math.radians(150 + i * 30)
        if 150 + i * 30 > 390:
            break
        c = RED if i >= 7 else INK
        out.append(line(cx + r * 0.62 * math.cos(a), cy + r * 0.62 * math.sin(a),
                        cx + r * 0.8 * math.cos(a), cy + r * 0.8 * math.sin(a), c, r * 0.08))
    a = math.radians(angle_deg)
    out.append(line(cx, cy, cx + r * 0.7 * math.cos(a), cy + r * 0.7 * math.sin(a), RED, r * 0.12))
    out.append(circle(cx, cy, r * 0.12, INK))
    return out


def retry_arrow(cx, cy, r, color):
    a0, a1 = math.radians(10), math.radians(-60)
    p0 = (cx + r * math.cos(a0), cy + r * math.sin(a0))
    p1 = (cx + r * math.cos(a1), cy + r * math.sin(a1))
    d = "M%s %s A%s %s 0 1 1 %s %s" % (f(p0[0]), f(p0[1]), f(r), f(r), f(p1[0]), f(p1[1]))
    tx, ty = -math.sin(a1), math.cos(a1)  # direction of travel at the end
    nx, ny = -ty, tx
    tip = (p1[0] + tx * 22, p1[1] + ty * 22)
    head = [(p1[0] + nx * 16, p1[1] + ny * 16), tip, (p1[0] - nx * 16, p1[1] - ny * 16)]
    return [path(d, None, INK, 18), path(d, None, color, 11), polygon(head, color, INK, 3)]


# ---------------------------------------------------------------- icons
# Each icon is drawn in a box 100 high and `width` wide (default 100).

def icon_ecu_update():
    return chip(50, 64, 50) + [arrow(50, 0, 50, 52, BLUE, 16, 38, 24, WHITE)]


def icon_loader_update():
    return chip(50, 54, 60) + [polygon([(58, 4), (30, 58), (48, 58), (40, 98), (72, 40), (54, 40), (66, 4)],
                                       YELLOW, INK, 3.5)]


def icon_ecu_info():
    return chip(40, 58, 54) + [circle(74, 28, 24, BLUE, WHITE, 3), rect(70, 26, 8, 18, WHITE, rx=1),
                               circle(74, 17, 4.5, WHITE)]


def icon_verify():
    return chip(42, 56, 56) + badge_check(74, 30, 24)


def icon_link():
    return [line(0, 50, 24, 50, INK, 7), rect(20, 36, 24, 28, GREY, INK, 3.5, rx=4),
            rect(44, 40, 12, 6, METAL, INK, 2), rect(44, 54, 12, 6, METAL, INK, 2)] + chip(80, 50, 34) + [
        circle(30, 18, 10, GREEN, INK, 3)]


def icon_sw_list():
    return page(8, 4, 58, 92, 5) + chip(74, 70, 32)


def icon_wiring():
    return [polyline([(34, 34), (50, 34), (50, 22), (66, 22)], RED, 6),
            polyline([(34, 50), (66, 50)], YELLOW, 6),
            polyline([(34, 66), (46, 66), (46, 80), (66, 80)], BLUE, 6),
            rect(6, 20, 28, 60, GREY, INK, 3.5, rx=4), rect(66, 10, 28, 80, CHIP, INK, 3.5, rx=4)] + [
        circle(20, 34 + i * 16, 4, WHITE) for i in range(3)]


def icon_sliders():
    out = []
    for y, x in ((22, 62), (50, 30), (78, 50)):
        out.append(line(10, y, 90, y, INK, 6))
        out.append(rect(x - 8, y - 12, 16, 24, BLUE, INK, 3, rx=3))
    return out


def icon_tank_params():
    return tank(6, 30, 88, 52, 0.45) + gauge(50, 50, 18, -60)


def icon_acq_min():
    return tank(2, 30, 66, 48, 0.2) + [arrow(86, 4, 86, 96, RED, 12, 28, 22)]


def icon_acq_max():
    return tank(2, 30, 66, 48, 0.95) + [arrow(86, 96, 86, 4, GREEN, 12, 28, 22)]


def icon_send_values():
    out = [rect(4, 10, 58, 80, WHITE, INK, 3.5, rx=4)]
    for i, w in enumerate((40, 26, 34, 20)):
        out.append(rect(12, 20 + i * 17, w, 10, BLUE if i % 2 == 0 else LBLUE))
    return out + [arrow(66, 50, 104, 50, GREEN, 14, 34, 20)] + chip(134, 50, 44)


def icon_send_config():
    return gear(32, 50, 30) + [arrow(66, 50, 104, 50, GREEN, 14, 34, 20)] + chip(134, 50, 44)


def icon_save():
    return floppy(12, 6, 78)


def icon_exit():
    return door(8, 6) + [arrow(50, 52, 98, 52, ORANGE, 14, 34, 20, INK)]


def icon_give_up():
    r = 44
    pts = [(50 + r * math.cos(math.radians(22.5 + 45 * i)), 50 + r * math.sin(math.radians(22.5 + 45 * i)))
           for i in range(8)]
    return [polygon(pts, RED, INK, 3.5), rect(24, 42, 52, 16, WHITE, rx=3)]


def icon_yes():
    return check(50, 52, 40, INK, 24) + check(50, 52, 40, GREEN, 15)


def icon_no():
    return cross(50, 50, 34, INK, 24) + cross(50, 50, 34, RED, 15)


def icon_go_on():
    return [arrow(6, 50, 96, 50, BLUE, 34, 80, 42, INK)]


def icon_retry():
    return retry_arrow(50, 52, 34, BLUE)


def icon_by_name():
    return person(36, 50, 84) + magnifier(70, 52, 18)


def icon_by_plate():
    out = [rect(2, 30, 92, 40, WHITE, INK, 4, rx=5), rect(4, 32, 14, 36, BLUE, rx=3)]
    for i in range(5):
        out.append(rect(26 + i * 13, 40, 9, 20, INK, rx=1))
    return out + magnifier(108, 44, 19)


def icon_ok():
    return [circle(50, 50, 46, GREEN, INK, 3.5)] + check(50, 52, 26, WHITE, 12)


def icon_delete_customer():
    return person(44, 50, 88) + badge_x(76, 74, 22)


def trash(cx, y, s):
    k = s / 100.0
    out = [rect(cx - 12 * k, y, 24 * k, 10 * k, None, INK, 5 * k, rx=3 * k),
           rect(cx - 36 * k, y + 8 * k, 72 * k, 12 * k, GREY, INK, 3, rx=3 * k),
           polygon([(cx - 30 * k, y + 22 * k), (cx + 30 * k, y + 22 * k), (cx + 25 * k, y + 96 * k),
                    (cx - 25 * k, y + 96 * k)], METAL, INK, 3)]
    for dx in (-14, 0, 14):
        out.append(line(cx + dx * k, y + 34 * k, cx + dx * k, y + 84 * k, INK, 4 * k))
    return out


def icon_open_deletion():
    return trash(38, 2, 96) + person(78, 34, 52, LBLUE)


def icon_letters():
    return [rect(4, 18, 78, 56, WHITE, INK, 4, rx=3), polyline([(4, 20), (43, 50), (82, 20)], INK, 4),
            circle(76, 72, 22, YELLOW, INK, 3.5), polyline([(76, 58), (76, 72), (86, 78)], INK, 4)]


def icon_customer_list():
    out = [rect(14, 4, 72, 92, WHITE, INK, 3.5, rx=4), rect(36, 0, 28, 10, GREY, INK, 3, rx=3)]
    for i in range(4):
        y = 24 + i * 19
        out.append(circle(28, y, 5.5, BLUE))
        out.append(line(40, y, 74, y, GREY, 5))
    return out


def icon_print():
    return [rect(24, 4, 52, 40, WHITE, INK, 3.5),
            rect(6, 34, 88, 40, GREY, INK, 3.5, rx=6),
            circle(80, 46, 4, GREEN),
            rect(24, 60, 52, 36, WHITE, INK, 3.5),
            line(32, 72, 68, 72, LGREY, 4), line(32, 84, 60, 84, LGREY, 4)]


def icon_edit_template():
    return page(6, 4, 60, 92, 5) + [
        polygon([(88, 14), (98, 24), (56, 80), (44, 86), (46, 72)], YELLOW, INK, 3.5),
        polygon([(44, 86), (46, 72), (56, 80)], "#f4d9a8", INK, 2.5),
        line(82, 20, 92, 30, INK, 3)]


def icon_abort_call():
    return handset(50, 46, 96, RED) + [rect(26, 74, 48, 12, RED, INK, 3, rx=3)]


def icon_gsm():
    arcs = [path("M%s %s A%s %s 0 0 1 %s %s" % (f(66 + r * math.cos(-0.8)), f(40 + r * math.sin(-0.8)),
                                                f(r), f(r), f(66 + r * math.cos(0.8)), f(40 + r * math.sin(0.8))),
                 None, GREEN, 6) for r in (12, 24)]
    return mobile(38, 52, 86) + arcs


def icon_close_gsm():
    return mobile(38, 52, 86) + badge_x(74, 68, 22)


def icon_dial():
    out = handset(50, 30, 90, GREEN)
    for row in range(2):
        for col in range(3):
            out.append(rect(30 + col * 15, 62 + row * 16, 11, 11, INK, rx=2))
    return out


def icon_engine():
    return [group(engine_icon(), -3, -25.5, 1.25)]


def icon_graphs():
    return [polyline([(8, 4), (8, 92), (96, 92)], INK, 6),
            polyline([(14, 70), (32, 44), (50, 56), (68, 22), (92, 34)], RED, 6),
            polyline([(14, 84), (34, 76), (54, 80), (74, 60), (92, 66)], BLUE, 6)]


def icon_map_tps():
    return gauge(32, 50, 31, -30) + [circle(92, 50, 29, WHITE, INK, 4),
                                     line(73, 67, 111, 33, BLUE, 8), circle(92, 50, 5, INK)]


# Main-menu icons (drawn 100 x 100, shown large beside the function key).

def icon_menu_vehicle():
    body = ("M4 68 L8 52 Q12 46 24 44 L36 30 Q40 26 48 26 L70 26 Q78 26 82 32 L90 44 "
            "Q98 46 98 56 L98 68 Z")
    return [rect(56, 4, 34, 16, YELLOW, INK, 3, rx=8), rect(70, 0, 6, 6, METAL, INK, 2),
            path(body, BLUE, INK, 3.5),
            polygon([(40, 31), (56, 31), (56, 44), (30, 44)], LBLUE),
            polygon([(61, 31), (74, 31), (82, 44), (61, 44)], LBLUE),
            circle(26, 70, 12, CHIP, INK, 3), circle(26, 70, 5, METAL),
            circle(76, 70, 12, CHIP, INK, 3), circle(76, 70, 5, METAL)]


def icon_menu_live():
    return gauge(50, 52, 44, -35)


def icon_menu_import():
    return [path("M6 30 L6 92 L94 92 L94 36 L50 36 L42 26 L10 26 Z", YELLOW, INK, 3.5),
            rect(6, 42, 88, 50, "#f7c95c", INK, 3.5, rx=2),
            arrow(50, 2, 50, 76, BLUE, 16, 40, 24, WHITE)]


def icon_menu_archive():
    out = [rect(16, 4, 68, 92, GREY, INK, 3.5, rx=4)]
    for i in range(3):
        y = 10 + i * 29
        out.append(rect(22, y, 56, 24, METAL, INK, 3, rx=2))
        out.append(rect(40, y + 9, 20, 6, INK, rx=2))
    return out


def icon_menu_language():
    return [circle(44, 52, 42, BLUE, INK, 3.5),
            ellipse(44, 52, 18, 42, None, WHITE, 3.5),
            line(2, 52, 86, 52, WHITE, 3.5), line(44, 10, 44, 94, WHITE, 3.5),
            path("M10 30 Q44 40 78 30", None, WHITE, 3.5), path("M10 74 Q44 64 78 74", None, WHITE, 3.5),
            path("M66 4 H98 V30 H82 L74 38 L74 30 H66 Z", YELLOW, INK, 3)]


def icon_menu_exit():
    return door(10, 4) + [arrow(52, 50, 98, 50, RED, 14, 34, 20, INK)]


def icon_menu_config():
    return gear(40, 42, 38, GREY) + gear(78, 78, 21, BLUE)


ICONS = {
    "ecu_update": (icon_ecu_update, 100), "loader_update": (icon_loader_update, 100),
    "ecu_info": (icon_ecu_info, 100), "verify": (icon_verify, 100), "link": (icon_link, 100),
    "sw_list": (icon_sw_list, 100), "wiring": (icon_wiring, 100), "sliders": (icon_sliders, 100),
    "tank_params": (icon_tank_params, 100), "acq_min": (icon_acq_min, 100),
    "acq_max": (icon_acq_max, 100), "send_values": (icon_send_values, 160),
    "send_config": (icon_send_config, 160), "save": (icon_save, 100), "exit": (icon_exit, 100),
    "give_up": (icon_give_up, 100), "yes": (icon_yes, 100), "no": (icon_no, 100),
    "go_on": (icon_go_on, 100), "retry": (icon_retry, 100), "by_name": (icon_by_name, 110),
    "by_plate": (icon_by_plate, 130), "ok": (icon_ok, 100),
    "delete_customer": (icon_delete_customer, 100), "open_deletion": (icon_open_deletion, 100),
    "letters": (icon_letters, 100), "customer_list": (icon_customer_list, 100),
    "print": (icon_print, 100), "edit_template": (icon_edit_template, 100),
    "abort_call": (icon_abort_call, 100), "gsm": (icon_gsm, 100), "close_gsm": (icon_close_gsm, 100),
    "dial": (icon_dial, 100), "engine": (icon_engine, 122), "graphs": (icon_graphs, 100),
    "map_tps": (icon_map_tps, 124),
    "menu_vehicle": (icon_menu_vehicle, 100), "menu_live": (icon_menu_live, 100),
    "menu_import": (icon_menu_import, 100), "menu_archive": (icon_menu_archive, 100),
    "menu_language": (icon_menu_language, 100), "menu_exit": (icon_menu_exit, 100),
    "menu_config": (icon_menu_config, 100),
}

# ---------------------------------------------------------------- the button table
# n: (icon, words in pl, fr, es, en)

BUTTONS = {
    101: ("ecu_update", "WGRAJ", "CHARGER", "CARGAR", "UPDATE"),
    102: ("save", "ZAPISZ", "SAUVER", "GUARDAR", "SAVE"),
    103: ("exit", "WYJDŹ", "SORTIR", "SALIR", "EXIT"),
    104: ("give_up", "PRZERWIJ", "ABANDON", "CANCELAR", "QUIT"),
    105: ("yes", "TAK", "OUI", "SÍ", "YES"),
    106: ("no", "NIE", "NON", "NO", "NO"),
    107: ("go_on", "DALEJ", "CONTINUER", "SEGUIR", "CONTINUE"),
    108: ("retry", "PONÓW", "RÉESSAYER", "REPETIR", "RETRY"),
    109: ("by_name", "NAZWISKO", "NOM", "NOMBRE", "NAME"),
    110: ("by_plate", "NR REJ.", "PLAQUE", "MATRÍCULA", "PLATE"),
    111: ("ecu_info", "INFO", "INFOS", "INFO", "INFO"),
    112: ("wiring", "SCHEMAT", "SCHÉMA", "ESQUEMA", "WIRING"),
    113: ("sliders", "OPCJE", "RÉGLAGES", "AJUSTES", "SETTINGS"),
    114: ("tank_params", "POZIOM", "NIVEAU", "NIVEL", "LEVEL"),
    115: ("acq_min", "MIN", "MIN", "MÍN", "MIN"),
    116: ("acq_max", "MAX", "MAX", "MÁX", "MAX"),
    117: ("send_values", "WYŚLIJ", "ENVOYER", "ENVIAR", "SEND"),
    118: ("send_config", "WYŚLIJ", "ENVOYER", "ENVIAR", "SEND"),
    119: ("ok", "OK", "OK", "OK", "OK"),
    126: ("delete_customer", "USUŃ", "EFFACER", "BORRAR", "DELETE"),
    127: ("open_deletion", "USUŃ", "EFFACER", "BORRAR", "DELETE"),
    128: ("letters", "LISTY", "LETTRES", "CARTAS", "LETTERS"),
    129: ("customer_list", "LISTA", "LISTE", "LISTA", "LIST"),
    130: ("print", "DRUKUJ", "IMPRIMER", "IMPRIMIR", "PRINT"),
    131: ("edit_template", "EDYTUJ", "MODIFIER", "EDITAR", "EDIT"),
    132: ("exit", "ZAMKNIJ", "FERMER", "CERRAR", "CLOSE"),
    133: ("abort_call", "PRZERWIJ", "ANNULER", "CANCELAR", "ABORT"),
    134: ("engine", "SILNIK", "MOTEUR", "MOTOR", "ENGINE"),
    135: ("graphs", "WYKRESY", "COURBES", "GRÁFICOS", "GRAPHS"),
    136: ("gsm", "POŁĄCZ", "APPELER", "LLAMAR", "CONNECT"),
    138: ("save", "ZAPISZ", "SAUVER", "GUARDAR", "SAVE"),
    140: ("close_gsm", "ROZŁĄCZ", "COUPER", "COLGAR", "HANG UP"),
    142: ("loader_update", "LOADER", "CHARGEUR", "CARGADOR", "LOADER"),
    143: ("link", "AKTYWUJ", "ACTIVER", "ACTIVAR", "ACTIVATE"),
    148: ("verify", "SPRAWDŹ", "VÉRIFIER", "VERIFICAR", "VERIFY"),
    149: ("dial", "WYBIERZ", "APPELER", "LLAMAR", "DIAL"),
    151: ("map_tps", "MAP/TPS", "MAP/TPS", "MAP/TPS", "MAP/TPS"),
    153: ("sw_list", "PROGRAMY", "LOGICIELS", "PROGRAMAS", "SOFTWARE"),
}

# Main-menu buttons: n: (icon, function key shown on the picture)
MENU = {
    120: ("menu_vehicle", "F1"), 121: ("menu_live", "F2"), 122: ("menu_import", "F3"),
    123: ("menu_archive", "F4"), 124: ("menu_language", "F8"), 125: ("menu_exit", "Esc"),
    137: ("menu_config", "F10"),
}

# Disabled picture: the normal picture it is the grey version of.
DISABLED = {144: 102, 145: 116, 146: 115, 147: 117, 150: 149, 152: 151}

BUTTON_W, BUTTON_H = 81, 57


def tile(defs_id="bg"):
    return (gradient(defs_id, "#ffffff", "#dce5ee"),
            rect(1, 1, BUTTON_W - 2, BUTTON_H - 2, "url(#%s)" % defs_id, "#93a5b8", 1.2, rx=6))


def word_button(icon, word):
    draw, width = ICONS[icon]
    defs, bg = tile()
    s = 0.35
    w = width * s
    if w > BUTTON_W - 8:
        s = (BUTTON_W - 8) / width
        w = width * s
    ig = group(draw(), (BUTTON_W - w) / 2, 3 + (35 - 100 * s) / 2, s)
    size = fit_size(word, BUTTON_W - 8, 13)
    return document(BUTTON_W, BUTTON_H, [bg, ig, text(BUTTON_W / 2, 52, word, size)], defs)


def menu_button(icon, key):
    draw, width = ICONS[icon]
    defs, bg = tile()
    s = 0.47
    ig = group(draw(), 4, (BUTTON_H - 100 * s) / 2, s)
    cap = [rect(53, 15, 25, 27, "#f4f6f9", INK, 1.5, rx=4), rect(53, 37, 25, 5, LGREY, None, None),
           rect(53, 15, 25, 27, None, INK, 1.5, rx=4),
           text(65.5, 33, key, fit_size(key, 21, 13), DBLUE)]
    return document(BUTTON_W, BUTTON_H, [bg, ig] + cap, defs)


def grey(svg):
    """The disabled look: every colour becomes a light grey of similar lightness order."""
    def to_grey(m):
        h = m.group(1)
        r, g, b = int(h[0:2], 16), int(h[2:4], 16), int(h[4:6], 16)
        lum = 0.299 * r + 0.587 * g + 0.114 * b
        v = int(round(128 + lum * 0.46))
        return "#%02x%02x%02x" % (v, v, v)
    return re.sub(r"#([0-9a-fA-F]{6})\b", to_grey, svg)


# ---------------------------------------------------------------- flags

def flag(fid):
    W, H = 90, 60
    body = []
    if fid == 3000:  # Poland
        body = [rect(0, 0, W, H / 2, WHITE), rect(0, H / 2, W, H / 2, "#dc143c")]
    elif fid == 3001:  # France
        body = [rect(0, 0, W / 3, H, "#0055a4"), rect(W / 3, 0, W / 3, H, WHITE),
                rect(2 * W / 3, 0, W / 3, H, "#ef4135")]
    elif fid == 3002:  # Spain, without the coat of arms
        body = [rect(0, 0, W, H, "#aa151b"), rect(0, H / 4, W, H / 2, "#f1bf00")]
    elif fid == 3003:  # United Kingdom
        body = union_flag(W, H)
    body.append(rect(0.5, 0.5, W - 1, H - 1, None, "#5b6b7c", 1))
    return document(W, H, body)


def clip_polygon(poly, x0, y0, x1, y1):
    """Sutherland-Hodgman clipping of a polygon to a rectangle."""
    def clip(pts, inside, cut):
        out = []
        for i, cur in enumerate(pts):
            prev = pts[i - 1]
            if inside(cur):
                if not inside(prev):
                    out.append(cut(prev, cur))
                out.append(cur)
            elif inside(prev):
                out.append(cut(prev, cur))
        return out

    def cut_x(xc):
        return lambda p, q: (xc, p[1] + (q[1] - p[1]) * (xc - p[0]) / (q[0] - p[0]))

    def cut_y(yc):
        return lambda p, q: (p[0] + (q[0] - p[0]) * (yc - p[1]) / (q[1] - p[1]), yc)

    pts = poly
    for inside, cut in ((lambda p: p[0] >= x0, cut_x(x0)), (lambda p: p[0] <= x1, cut_x(x1)),
                        (lambda p: p[1] >= y0, cut_y(y0)), (lambda p: p[1] <= y1, cut_y(y1))):
        if not pts:
            break
        pts = clip(pts, inside, cut)
    return pts


def union_flag(W, H):
    navy, red = "#012169", "#c8102e"
    k = H / 30.0
    cx, cy = W / 2, H / 2
    out = [rect(0, 0, W, H, navy)]
    quadrants = [((0, 0), (0, 0, cx, cy)), ((W, 0), (cx, 0, W, cy)),
                 ((W, H), (cx, cy, W, H)), ((0, H), (0, cy, cx, H))]
    for (kx, ky), box in quadrants:
        dx, dy = kx - cx, ky - cy
        length = math.hypot(dx, dy)
        ux, uy = dx / length, dy / length
        # the counter-clockwise side of the ray from the centre to the corner
        nx, ny = uy, -ux
        ext = 10

        def band(a, b):
            p0 = (cx - ux * ext, cy - uy * ext)
            p1 = (kx + ux * ext, ky + uy * ext)
            poly = [(p0[0] + nx * a, p0[1] + ny * a), (p1[0] + nx * a, p1[1] + ny * a),
                    (p1[0] + nx * b, p1[1] + ny * b), (p0[0] + nx * b, p0[1] + ny * b)]
            return clip_polygon(poly, *box)
        out.append(polygon(band(-3 * k, 3 * k), WHITE))
        out.append(polygon(band(0, 2 * k), red))
    out.append(rect(cx - 5 * k, 0, 10 * k, H, WHITE))
    out.append(rect(0, cy - 5 * k, W, 10 * k, WHITE))
    out.append(rect(cx - 3 * k, 0, 6 * k, H, red))
    out.append(rect(0, cy - 3 * k, W, 6 * k, red))
    return out


# ---------------------------------------------------------------- logos and backgrounds

def flame(cx, cy, s, outer, inner):
    k = s / 100.0

    def d(sc, dy):
        return ("M%s %s C%s %s %s %s %s %s C%s %s %s %s %s %s C%s %s %s %s %s %s Z" % (
            f(cx), f(cy - 48 * k * sc + dy),
            f(cx + 10 * k * sc), f(cy - 20 * k * sc + dy), f(cx + 32 * k * sc), f(cy - 8 * k * sc + dy),
            f(cx + 32 * k * sc), f(cy + 18 * k * sc + dy),
            f(cx + 32 * k * sc), f(cy + 40 * k * sc + dy), f(cx - 32 * k * sc), f(cy + 40 * k * sc + dy),
            f(cx - 32 * k * sc), f(cy + 18 * k * sc + dy),
            f(cx - 32 * k * sc), f(cy - 2 * k * sc + dy), f(cx - 12 * k * sc), f(cy - 14 * k * sc + dy),
            f(cx), f(cy - 48 * k * sc + dy)))
    return [path(d(1.0, 0), outer), path(d(0.55, 12 * k), inner)]


def zeq_logo(inverse=False, tagline=True):
    W, H = 150, 90
    fg = WHITE if inverse else DBLUE
    defs = gradient("disc", "#4d8fd6", "#1d4f8c")
    body = []
    if inverse:
        defs += gradient("plate", "#2f6fb8", "#163d6d")
        body.append(rect(1, 1, W - 2, H - 2, "url(#plate)", None, None, rx=10))
    body.append(circle(33, 38, 26, "url(#disc)", WHITE if inverse else INK, 2.5))
    body += flame(33, 40, 40, WHITE, "#8cc4ff")
    body.append(text(64, 52, "ZEQ", 36, fg, "start"))
    body.append(rect(8, 70 if tagline else 74, W - 16, 3, ORANGE, None, None, rx=1.5))
    if tagline:
        body.append(text(W / 2, 86, "GAS EQUIPMENT", 11.5, fg))
    return document(W, H, body, defs)


def injector(cx, y, s):
    k = s / 100.0
    return [rect(cx - 10 * k, y, 20 * k, 14 * k, CHIP, INK, 2, rx=2 * k),
            rect(cx - 14 * k, y + 14 * k, 28 * k, 40 * k, YELLOW, INK, 2.5, rx=5 * k),
            rect(cx - 6 * k, y + 54 * k, 12 * k, 16 * k, METAL, INK, 2),
            polygon([(cx - 3 * k, y + 70 * k), (cx + 3 * k, y + 70 * k), (cx + 16 * k, y + 98 * k),
                     (cx - 16 * k, y + 98 * k)], "#cfe6ff")]


def zulven_logo(inverse=False):
    W, H = 150, 90
    fg = WHITE if inverse else INK
    defs = gradient("ring", "#f49a4d", "#c95a14")
    body = []
    if inverse:
        defs += gradient("plate", "#3a4a5c", "#1b2836")
        body.append(rect(1, 1, W - 2, H - 2, "url(#plate)", None, None, rx=10))
    body.append(circle(32, 42, 27, "url(#ring)", WHITE if inverse else INK, 2.5))
    body += injector(32, 18, 48)
    body.append(text(103, 46, "ZULVEN", 18.5, fg))
    body.append(text(103, 65, "INJECTION", 12, ORANGE))
    body.append(rect(75, 73, 56, 2.5, fg, None, None, rx=1))
    return document(W, H, body, defs)


def language_background():
    W, H = 270, 200
    defs = gradient("sky", "#c6dbf0", "#f3f7fb") + gradient("field", "#e6edf4", "#cfdae6")
    body = [rect(0, 0, W, H, "url(#sky)"),
            polygon([(0, 100), (50, 84), (104, 94), (170, 80), (230, 92), (270, 86), (270, 200), (0, 200)],
                    "#dbe6f0"),
            rect(0, 108, W, 92, "url(#field)"),
            rect(0, 106, W, 16, "#b9c5d2")]
    for x in range(6, W, 28):
        body.append(rect(x, 113, 14, 2.5, WHITE))
    # a large, quiet car on the road, with the gas flame above it
    car = ("M62 96 L70 80 Q78 72 96 70 L116 50 Q122 44 134 44 L170 44 Q182 44 190 54 L204 70 "
           "Q218 72 220 86 L220 96 Z")
    body.append(path(car, "#b4cce6", "#8eaed0", 2))
    body.append(polygon([(120, 52), (146, 52), (146, 70), (104, 70)], "#e8f1fa"))
    body.append(polygon([(152, 52), (176, 52), (190, 70), (152, 70)], "#e8f1fa"))
    for cx in (98, 186):
        body.append(circle(cx, 98, 13, "#8eaed0"))
        body.append(circle(cx, 98, 5.5, "#e3ecf4"))
    body += flame(141, 22, 26, "#f6c57a", "#fbe3b6")
    return document(W, H, body, defs)


def engine_background():
    W, H = 400, 300
    defs = (gradient("wall", "#eef3f8", "#d3dde8") + gradient("block", "#a9b4bf", "#7d8a97")
            + gradient("ecu", "#4a5c70", "#27384b"))
    body = [rect(0, 0, W, H, "url(#wall)")]
    # oil pan, block and cylinders with pistons and rods
    body.append(polygon([(140, 250), (280, 250), (270, 278), (150, 278)], "#6d7a87", INK, 2.5))
    body.append(rect(120, 128, 180, 124, "url(#block)", INK, 3, rx=8))
    for i, top in enumerate((150, 176, 176, 150)):
        x = 134 + i * 40
        body.append(rect(x, 136, 32, 84, "#5d6b79", INK, 2))
        body.append(rect(x + 3, top, 26, 20, METAL, INK, 2, rx=2))
        body.append(line(x + 16, top + 14, x + 16 + (8 if i % 2 else -8), 236, INK, 5))
    body.append(line(128, 236, 292, 236, INK, 7))
    for i in range(4):
        body.append(circle(150 + i * 40, 236, 7, METAL, INK, 2))
    # cylinder head, intake runners and plenum
    body.append(rect(110, 100, 200, 30, "#8593a1", INK, 3, rx=4))
    for i in range(4):
        body.append(rect(142 + i * 40, 58, 16, 44, "#c7d0d9", INK, 2.5))
    body.append(rect(128, 36, 164, 26, "#c7d0d9", INK, 3, rx=12))
    body.append(rect(60, 40, 70, 18, "#c7d0d9", INK, 3, rx=6))
    body.append(circle(56, 49, 15, METAL, INK, 3))
    # gas rail with four injectors feeding the runners
    body.append(rect(136, 10, 156, 12, YELLOW, INK, 2.5, rx=6))
    for i in range(4):
        x = 150 + i * 40
        body.append(rect(x - 5, 22, 10, 12, YELLOW, INK, 2, rx=2))
        body.append(path("M%s 34 Q%s 72 %s 76" % (f(x), f(x + 16), f(x - 2)), None, "#444f5b", 3))
    # pressure reducer with its gas pipe and water hoses
    body.append(circle(60, 180, 30, "#c9d3dc", INK, 3))
    body.append(circle(60, 180, 16, ORANGE, INK, 2.5))
    body.append(path("M60 150 Q60 16 136 16", None, "#444f5b", 4))
    body.append(path("M86 196 Q110 210 120 210", None, "#2b5d99", 5))
    body.append(path("M84 166 Q104 150 120 150", None, "#c23b2f", 5))
    body.append(path("M34 196 Q20 240 20 290", None, YELLOW, 5))
    # gas control unit with its loom
    body.append(rect(322, 40, 62, 42, "url(#ecu)", INK, 3, rx=5))
    body.append(rect(334, 82, 38, 8, "#1b2836", INK, 2))
    body.append(path("M353 90 Q353 120 320 118 Q300 116 300 60 Q300 28 292 16", None, "#1b2836", 3))
    # pulley and belt
    body.append(circle(326, 230, 20, "#9aa6b2", INK, 3))
    body.append(circle(326, 112 + 40, 12, "#9aa6b2", INK, 3))
    body.append(polyline([(314, 150), (306, 230)], INK, 3))
    body.append(polyline([(338, 152), (346, 230)], INK, 3))
    body.append(circle(326, 230, 6, INK))
    return document(W, H, body, defs)


# ---------------------------------------------------------------- output

def all_pictures():
    """Yields (relative path, SVG text) for every picture."""
    for li, code in enumerate(LANGUAGES):
        normal = {}
        for n, (icon, *words) in BUTTONS.items():
            normal[n] = word_button(icon, words[li])
        for n, (icon, key) in MENU.items():
            normal[n] = menu_button(icon, key)
        for n, src in DISABLED.items():
            normal[n] = grey(normal[src])
        for n in sorted(normal):
            yield os.path.join(code, "%d.svg" % n), normal[n]
    for fid in (3000, 3001, 3002, 3003):
        yield os.path.join("common", "%d.svg" % fid), flag(fid)
    yield os.path.join("common", "3004.svg"), zulven_logo()
    yield os.path.join("common", "3005.svg"), zeq_logo()
    yield os.path.join("common", "3006.svg"), language_background()
    yield os.path.join("common", "3007.svg"), engine_background()
    yield os.path.join("common", "3008.svg"), zeq_logo(tagline=False)
    yield os.path.join("common", "3009.svg"), zulven_logo()
    yield os.path.join("common", "3010.svg"), zeq_logo(inverse=True, tagline=False)
    yield os.path.join("common", "3011.svg"), zulven_logo()
    yield os.path.join("common", "3012.svg"), zeq_logo()
    yield os.path.join("common", "3013.svg"), zulven_logo(inverse=True)


def main(argv):
    out = argv[1] if len(argv) > 1 else OUT
    count = 0
    for rel, svg in all_pictures():
        target = os.path.join(out, rel)
        os.makedirs(os.path.dirname(target), exist_ok=True)
        with open(target, "w", encoding="utf-8", newline="\n") as fh:
            fh.write(svg)
        count += 1
    print("%d pictures written to %s" % (count, out))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
