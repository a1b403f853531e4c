#!/usr/bin/env python3
"""Generates the alarm and calendar artwork as hand-written SVG (SVG Tiny only).

    python3 tools/artwork/alarm_artwork.py

Ring window pictures 207 (clock at rest) and 208 (clock shaking), the calendar's day
pictures 141-171 (plain) and 172-202 (marked), the empty cell 204, and the icons 209
(open folder), 214/215 (YES/NO plates), 216 (eraser tray) and 302 (editor picture).
"""

import math
import os

from make_artwork import BITMAPS, ICONS, f, svg_doc, write

FONT = "DejaVu Sans"

PINK = "#F28DB2"
PINK_DARK = "#B8466F"
PINK_LIGHT = "#FBC4D8"
YELLOW = "#FFE36E"
YELLOW_LIGHT = "#FFF2A8"
GOLD = "#F4C542"
GOLD_DARK = "#B8891C"
FACE = "#FFFFFF"
HAND = "#3A2A3F"
PURPLE = "#9B6BB0"
PURPLE_DARK = "#6E4585"
RED = "#E0201B"
CREAM = "#FFF8EC"

# ---------------------------------------------------------------- ring window

BELL_W = BELL_H = 305
# The close button sits over the middle of the face, the text button across the banner.
CX, CY = 151, 150


def clock_body(dx=0.0, angle=0.0, opacity=1.0):
    parts = []
    t = 'translate(%s,%s) rotate(%s)' % (f(CX + dx), f(CY), f(angle))
    parts.append('<g transform="%s" opacity="%s">' % (t, f(opacity)))
    # legs
    parts.append('<path d="M-42,52 L-58,78 M42,52 L58,78" stroke="%s" stroke-width="9" '
                 'stroke-linecap="round"/>' % PINK_DARK)
    # bells and hammer
    for side in (-1, 1):
        parts.append('<path d="M%s,-58 A30,30 0 0 %d %s,-98 Z" fill="%s" stroke="%s" stroke-width="3" '
                     'stroke-linejoin="round"/>'
                     % (f(side * 78), 1 if side < 0 else 0, f(side * 30), GOLD, GOLD_DARK))
    parts.append('<line x1="0" y1="-72" x2="0" y2="-92" stroke="%s" stroke-width="5"/>' % PINK_DARK)
    parts.append('<circle cx="0" cy="-95" r="7" fill="%s" stroke="%s" stroke-width="2"/>' % (GOLD, GOLD_DARK))
    # case and face
    parts.append('<circle cx="0" cy="0" r="74" fill="%s" stroke="%s" stroke-width="4"/>' % (PINK, PINK_DARK))
    parts.append('<circle cx="0" cy="0" r="58" fill="%s" stroke="%s" stroke-width="2"/>' % (FACE, PINK_LIGHT))
    for i in range(12):
        a = math.radians(i * 30)
        r1, r2 = (46, 54) if i % 3 == 0 else (49, 54)
        parts.append('<line x1="%s" y1="%s" x2="%s" y2="%s" stroke="%s" stroke-width="%s" '
                     'stroke-linecap="round"/>'
                     % (f(r1 * math.sin(a)), f(-r1 * math.cos(a)), f(r2 * math.sin(a)), f(-r2 * math.cos(a)),
                        HAND, "4" if i % 3 == 0 else "2"))
    parts.append('<path d="M0,0 L0,-38 M0,0 L26,12" stroke="%s" stroke-width="6" stroke-linecap="round"/>' % HAND)
    parts.append('<circle cx="0" cy="0" r="6" fill="%s"/>' % RED)
    parts.append('<path d="M-52,-32 A62,62 0 0 1 -22,-60" fill="none" stroke="#FFFFFF" stroke-width="6" '
                 'stroke-linecap="round" opacity="0.6"/>')
    parts.append('</g>')
    return "\n".join(parts)


def banner():
    # Under the text button (40..256 x 206..237 in window pixels).
    return ('<rect x="34" y="203" width="236" height="38" rx="10" fill="%s" stroke="%s" stroke-width="3"/>'
            % (CREAM, PINK_DARK))


def ground():
    out = ['<rect x="0" y="0" width="%d" height="%d" fill="%s"/>' % (BELL_W, BELL_H, YELLOW)]
    for x, y, r in ((30, 40, 10), (270, 60, 14), (250, 270, 12), (40, 265, 9), (280, 180, 7), (20, 150, 6)):
        out.append('<circle cx="%d" cy="%d" r="%d" fill="%s"/>' % (x, y, r, YELLOW_LIGHT))
    return "\n".join(out)


def ring_lines():
    out = []
    for side in (-1, 1):
        for i, r in enumerate((96, 112, 128)):
            a0, a1 = math.radians(-60), math.radians(-30)
            x0, y0 = CX + side * r * math.cos(a0), CY + r * math.sin(a0)
            x1, y1 = CX + side * r * math.cos(a1), CY + r * math.sin(a1)
            out.append('<path d="M%s,%s A%d,%d 0 0 %d %s,%s" fill="none" stroke="%s" stroke-width="%d" '
                       'stroke-linecap="round"/>'
                       % (f(x0), f(y0), r, r, 1 if side > 0 else 0, f(x1), f(y1), PINK_DARK, 5 - i))
    return "\n".join(out)


def snooze_plate():
    # Under the snooze button (231..291 x 255..286 in window pixels): a sleeping "Zz"
    # drawn with strokes, so the picture needs no font.
    x, y, w, h = 229, 253, 60, 31
    out = ['<rect x="%d" y="%d" width="%d" height="%d" rx="8" fill="%s" stroke="%s" stroke-width="3"/>'
           % (x, y, w, h, CREAM, PINK_DARK)]
    for zx, zy, s in ((x + 15, y + 8, 15), (x + 36, y + 13, 10)):
        out.append('<path d="M%s,%s H%s L%s,%s H%s" fill="none" stroke="%s" stroke-width="3" '
                   'stroke-linecap="round" stroke-linejoin="round"/>'
                   % (f(zx), f(zy), f(zx + s), f(zx), f(zy + s), f(zx + s), PURPLE_DARK))
    return "\n".join(out)


def bell_picture(shaking):
    body = [ground()]
    if shaking:
        body.append(clock_body(-9, -7, 0.25))
        body.append(clock_body(9, 7, 0.25))
        body.append(ring_lines())
        body.append(clock_body(0, 3))
    else:
        body.append(clock_body())
    body.append(banner())
    body.append(snooze_plate())
    return svg_doc(BELL_W, BELL_H, "\n".join(body) + "\n")


# ---------------------------------------------------------------- calendar days

def paw(x, y, s, fill, stroke=None):
    st = ' stroke="%s" stroke-width="1.2"' % stroke if stroke else ""
    out = ['<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="%s"%s/>' % (f(x), f(y + 2 * s), f(3.2 * s), f(2.6 * s), fill, st)]
    for dx, dy in ((-3.4, -1.6), (-1.2, -3.6), (1.2, -3.6), (3.4, -1.6)):
        out.append('<circle cx="%s" cy="%s" r="%s" fill="%s"%s/>' % (f(x + dx * s), f(y + dy * s), f(1.2 * s), fill, st))
    return "\n".join(out)


def day_picture(day, marked):
    ink = RED if marked else "#000000"
    out = ['<rect x="0" y="0" width="32" height="32" fill="%s"/>' % PURPLE,
           paw(22.5, 21, 1.55, "#FFFFFF", RED if marked else None)]
    if marked:
        out.append('<rect x="1" y="1" width="30" height="30" rx="3" fill="none" stroke="%s" stroke-width="2"/>' % RED)
    out.append('<text x="%s" y="15" font-family="%s" font-size="14" font-weight="bold" fill="%s" '
               'text-anchor="middle">%d</text>' % ("11" if day >= 10 else "9", FONT, ink, day))
    return svg_doc(32, 32, "\n".join(out) + "\n")


def empty_cell():
    return svg_doc(32, 32, '<rect x="0" y="0" width="32" height="32" fill="%s"/>\n' % PURPLE)


# ---------------------------------------------------------------- icons

def disc(body):
    return svg_doc(32, 32, '<circle cx="16" cy="16" r="15" fill="%s" stroke="%s" stroke-width="1.5"/>\n%s\n'
                   % (GOLD, GOLD_DARK, body))


def open_folder():
    return disc('<path d="M7,10 H13 L15,12 H24 V22 H7 Z" fill="#E9A23B" stroke="#7A4A22" stroke-width="1.2" '
                'stroke-linejoin="round"/>\n'
                '<path d="M7,23 L10,15 H27 L24,23 Z" fill="#FFD27A" stroke="#7A4A22" stroke-width="1.2" '
                'stroke-linejoin="round"/>')


def eraser_tray():
    return disc('<path d="M6,20 H26 L24,25 H8 Z" fill="#6E7C8C" stroke="#33404D" stroke-width="1.2" '
                'stroke-linejoin="round"/>\n'
                '<g transform="rotate(-25 16 14)"><rect x="9" y="10" width="14" height="7" rx="1.5" '
                'fill="#F28DB2" stroke="#8E2F55" stroke-width="1.2"/>'
                '<rect x="9" y="10" width="5" height="7" rx="1.5" fill="#FFFFFF" stroke="#8E2F55" '
                'stroke-width="1.2"/></g>')


def plate(word):
    return svg_doc(73, 34, '<rect x="1.5" y="1.5" width="70" height="31" rx="6" fill="#FFFFFF" stroke="#000000" '
                   'stroke-width="2"/>\n<text x="36.5" y="23.5" font-family="%s" font-size="17" font-weight="bold" '
                   'fill="#000000" text-anchor="middle">%s</text>\n' % (FONT, word))


def editor_picture():
    out = ['<circle cx="20" cy="21" r="15" fill="%s" stroke="%s" stroke-width="2"/>' % (PINK, PINK_DARK),
           '<circle cx="20" cy="21" r="11" fill="#FFFFFF"/>',
           '<path d="M20,21 V13 M20,21 L26,24" stroke="%s" stroke-width="2.2" stroke-linecap="round"/>' % HAND,
           '<path d="M8,10 A6,6 0 0 1 14,5 Z M32,10 A6,6 0 0 0 26,5 Z" fill="%s" stroke="%s" stroke-width="1"/>'
           % (GOLD, GOLD_DARK),
           '<g transform="rotate(40 33 30)"><rect x="29" y="18" width="7" height="20" fill="%s" stroke="%s" '
           'stroke-width="1"/><path d="M29,38 L32.5,44 L36,38 Z" fill="%s" stroke="%s" stroke-width="1"/></g>'
           % (YELLOW, GOLD_DARK, CREAM, GOLD_DARK)]
    return svg_doc(44, 44, "\n".join(out) + "\n")


def main():
    write(os.path.join(BITMAPS, "207.svg"), bell_picture(False))
    write(os.path.join(BITMAPS, "208.svg"), bell_picture(True))
    icon = lambda n: os.path.join(ICONS, "%d.svg" % n)
    for d in range(1, 32):
        write(icon(140 + d), day_picture(d, False))
        write(icon(171 + d), day_picture(d, True))
    write(icon(204), empty_cell())
    write(icon(209), open_folder())
    write(icon(214), plate("YES"))
    write(icon(215), plate("NO"))
    write(icon(216), eraser_tray())
    write(icon(302), editor_picture())


if __name__ == "__main__":
    main()
