#!/usr/bin/env python3
"""Generates the artwork of the guard mode, profile and sound settings windows.

Run after changing a piece; the output SVGs are committed:

    python3 tools/artwork/dialog_artwork.py

Pictures are drawn at the pixel size their window has at 6 x 13 dialog base units, so
the controls laid out in dialog units land on the places drawn for them. The plates
(button icons) are a little smaller than their buttons, which draw them centred.
"""

import os
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from make_artwork import (BASE, BITMAPS, FONT, ICONS, f, mix, outlined_text, puppy_head, sparkle,  # noqa: E402
                          svg_doc, write)

INK = "#2B1A0E"

# Plate colours: face, darker rim.
PLATES = {
    "green": ("#5CC46A", "#2E7D3A"),
    "orange": ("#FFA53A", "#B35F0C"),
    "blue": ("#4FA3E6", "#1F5F96"),
    "red": ("#EF5B50", "#9E2A20"),
}


def dlu_px(x, y):
    """Dialog units to pixels at the dialogs' 6 x 13 base units."""
    return round(x * 6 / 4), round(y * 13 / 8)


# ---------------------------------------------------------------- plates and arrows

def plate(w, h, text, colour, size=None):
    """A rounded, raised plate reading text: the icons of the dialogs' push buttons."""
    face, rim = PLATES[colour]
    size = size or h * 0.58
    r = h * 0.42
    grad = "plate" + colour
    out = [
        '<rect x="1.5" y="2.5" width="%s" height="%s" rx="%s" fill="%s"/>' % (f(w - 3), f(h - 3.5), f(r), rim),
        '<rect x="1.5" y="1" width="%s" height="%s" rx="%s" fill="url(#%s)" stroke="%s" stroke-width="1.6"/>'
        % (f(w - 3), f(h - 4), f(r), grad, INK),
        '<rect x="%s" y="2.8" width="%s" height="%s" rx="%s" fill="#FFFFFF" opacity="0.35"/>'
        % (f(r * 0.6), f(w - 2 * r * 0.6), f((h - 4) * 0.28), f((h - 4) * 0.14)),
        outlined_text(w / 2, (h - 3) / 2 + size * 0.36, text, size, "#FFFFFF", INK, max(2, size * 0.22)),
    ]
    defs = ('<linearGradient id="%s" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="%s"/>'
            '<stop offset="1" stop-color="%s"/></linearGradient>\n' % (grad, mix(face, "#FFFFFF", 0.25), face))
    return svg_doc(w, h, "\n".join(out) + "\n", defs)


def arrow(up):
    """The small spin arrows beside the leave-mode minutes."""
    w, h = 16, 13
    pts = "3.5,9 8,3.5 12.5,9" if up else "3.5,4 8,9.5 12.5,4"
    out = [
        '<rect x="0.75" y="0.75" width="14.5" height="11.5" rx="3" fill="#FFD166" stroke="%s" stroke-width="1.2"/>'
        % INK,
        '<polygon points="%s" fill="#D9443A" stroke="%s" stroke-width="0.8" stroke-linejoin="round"/>' % (pts, INK),
    ]
    return svg_doc(w, h, "\n".join(out) + "\n")


# ---------------------------------------------------------------- shared pieces

def px(x, y, w, h):
    """A control's rectangle in dialog units as pixels (x, y, w, h)."""
    x0, y0 = dlu_px(x, y)
    x1, y1 = dlu_px(x + w, y + h)
    return x0, y0, x1 - x0, y1 - y0


def label(x, y, text, size, fill=INK, anchor="start", weight="700"):
    return ('<text x="%s" y="%s" font-family="%s" font-size="%s" font-weight="%s" text-anchor="%s" fill="%s">%s</text>'
            % (f(x), f(y), FONT, f(size), weight, anchor, fill, text))


def backdrop(w, h, top, bottom, gid):
    defs = ('<linearGradient id="%s" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="%s"/>'
            '<stop offset="1" stop-color="%s"/></linearGradient>\n' % (gid, top, bottom))
    return '<rect x="0" y="0" width="%d" height="%d" fill="url(#%s)"/>' % (w, h, gid), defs


def dots(w, h, colour, step=22, r=2.2, opacity=0.35):
    out = []
    for j, y in enumerate(range(step // 2, h, step)):
        for x in range(step // 2 + (step // 2 if j % 2 else 0), w, step):
            out.append('<circle cx="%d" cy="%d" r="%s" fill="%s" opacity="%s"/>' % (x, y, f(r), colour, opacity))
    return "\n".join(out)


def sign(rect, text, face, rim, size):
    """A rounded sign with its caption, filling a button's rectangle."""
    x, y, w, h = rect
    return "\n".join([
        '<rect x="%s" y="%s" width="%s" height="%s" rx="9" fill="%s"/>' % (f(x + 2), f(y + 4), f(w - 2), f(h - 3), rim),
        '<rect x="%s" y="%s" width="%s" height="%s" rx="9" fill="%s" stroke="%s" stroke-width="2"/>'
        % (f(x + 1), f(y + 1), f(w - 3), f(h - 5), face, INK),
        '<rect x="%s" y="%s" width="%s" height="%s" rx="5" fill="#FFFFFF" opacity="0.35"/>'
        % (f(x + 7), f(y + 4), f(w - 15), f((h - 5) * 0.3)),
        outlined_text(x + w / 2, y + (h - 4) / 2 + size * 0.36, text, size, "#FFFFFF", INK, size * 0.24),
    ])


def eye(cx, cy, s):
    return "\n".join([
        '<path d="M%s,%s Q%s,%s %s,%s Q%s,%s %s,%s Z" fill="#FFFFFF" stroke="%s" stroke-width="2.2"/>'
        % (f(cx - 16 * s), f(cy), f(cx), f(cy - 13 * s), f(cx + 16 * s), f(cy), f(cx), f(cy + 13 * s),
           f(cx - 16 * s), f(cy), INK),
        '<circle cx="%s" cy="%s" r="%s" fill="#4A90C8" stroke="%s" stroke-width="1.5"/>' % (f(cx), f(cy), f(6.5 * s), INK),
        '<circle cx="%s" cy="%s" r="%s" fill="%s"/>' % (f(cx), f(cy), f(3 * s), INK),
        '<circle cx="%s" cy="%s" r="%s" fill="#FFFFFF"/>' % (f(cx + 2 * s), f(cy - 2 * s), f(1.3 * s)),
    ])


def moon(cx, cy, r):
    """A crescent opening to the right: the outer arc, then a flatter inner arc back."""
    return ('<path d="M%s,%s A%s,%s 0 0 0 %s,%s A%s,%s 0 0 1 %s,%s Z" fill="#FFE38A" stroke="%s" stroke-width="2"/>'
            % (f(cx), f(cy - r), f(r), f(r), f(cx), f(cy + r), f(r * 1.3), f(r * 1.3), f(cx), f(cy - r), INK))


def waves(cx, cy, colour, n=3, start=18, gap=9, left=True, right=True):
    out = []
    for k in range(n):
        r = start + k * gap
        if right:
            out.append('<path d="M%s,%s A%s,%s 0 0 1 %s,%s" fill="none" stroke="%s" stroke-width="3" stroke-linecap="round"/>'
                       % (f(cx + r * 0.6), f(cy - r * 0.8), f(r), f(r), f(cx + r * 0.6), f(cy + r * 0.8), colour))
        if left:
            out.append('<path d="M%s,%s A%s,%s 0 0 0 %s,%s" fill="none" stroke="%s" stroke-width="3" stroke-linecap="round"/>'
                       % (f(cx - r * 0.6), f(cy - r * 0.8), f(r), f(r), f(cx - r * 0.6), f(cy + r * 0.8), colour))
    return "\n".join(out)


def head(x, y, scale, mood="happy"):
    return '<g transform="translate(%s,%s) scale(%s)">%s</g>' % (f(x), f(y), f(scale), puppy_head(BASE, mood))


def sleepy_head(x, y, scale):
    """The puppy with closed eyes: the happy head with lids drawn over its eyes."""
    lids = "\n".join('<path d="M%d,-6 Q%d,-1 %d,-6" fill="none" stroke="%s" stroke-width="3" stroke-linecap="round"/>'
                     % (ex - 7, ex, ex + 7, BASE["eye"]) for ex in (-17, 17))
    covers = "\n".join('<ellipse cx="%d" cy="-6" rx="7.5" ry="9" fill="%s"/>' % (ex, BASE["fur"] if ex < 0 else BASE["patch"])
                       for ex in (-17, 17))
    return '<g transform="translate(%s,%s) scale(%s)">%s\n%s\n%s</g>' % (f(x), f(y), f(scale), puppy_head(BASE), covers, lids)


# ---------------------------------------------------------------- guard mode (227, 229, 228)

def mode_menu():
    W, H = dlu_px(207, 177)
    bg, defs = backdrop(W, H, "#FFF4D6", "#FFD98A", "modeSky")
    att, leave = px(28, 69, 69, 31), px(110, 71, 63, 30)
    out = [bg, dots(W, H, "#F2A93B"),
           outlined_text(W / 2, 44, "Guard Mode", 30, "#E3261B", "#FFFFFF", 6),
           label(W / 2, 70, "Pick how the toy watches your desk", 12, "#7A4A22", "middle", "400"),
           sign(att, "ATTENTION MODE", "#EF5B50", "#9E2A20", 11.5),
           sign(leave, "LEAVE MODE", "#4FA3E6", "#1F5F96", 12.5),
           # attention: wide awake, eyes on the desk
           head(att[0] + att[2] / 2, 212, 0.62),
           waves(att[0] + att[2] / 2, 212, "#E3261B", 2, 34, 9),
           eye(att[0] + att[2] / 2, 268, 0.9),
           # leave: the puppy dozes under the moon until the room goes quiet
           sleepy_head(leave[0] + leave[2] / 2, 214, 0.58),
           moon(leave[0] + leave[2] / 2 + 36, 180, 13),
           label(leave[0] + leave[2] / 2 + 34, 212, "z", 14, "#1F5F96"),
           label(leave[0] + leave[2] / 2 + 42, 200, "z", 17, "#1F5F96"),
           label(leave[0] + leave[2] / 2 + 52, 186, "Z", 21, "#1F5F96"),
           sparkle(30, 30, 7, "#FFFFFF"), sparkle(286, 24, 6, "#FFFFFF"), sparkle(282, 100, 5, "#FFFFFF")]
    return svg_doc(W, H, "\n".join(out) + "\n", defs)


def sensor_start():
    W, H = dlu_px(208, 178)
    bg, defs = backdrop(W, H, "#FFE9E4", "#FFC2B0", "sensorSky")
    out = [bg, dots(W, H, "#F07A5A"),
           outlined_text(W / 2, 46, "Sensor Start", 32, "#E3261B", "#FFFFFF", 6),
           label(W / 2, 72, "ON: every move makes the toy shout", 12, "#7A3A2A", "middle", "400"),
           head(W / 2, 140, 0.8),
           waves(W / 2, 140, "#E3261B", 3, 50, 11),
           '<rect x="%s" y="186" width="40" height="16" rx="5" fill="#4A90C8" stroke="%s" stroke-width="2"/>'
           % (f(W / 2 - 20), INK),
           '<circle cx="%s" cy="194" r="4" fill="#FF5A4E" stroke="%s" stroke-width="1.2"/>' % (f(W / 2), INK),
           sparkle(36, 120, 7), sparkle(276, 112, 6)]
    return svg_doc(W, H, "\n".join(out) + "\n", defs)


def wait_dialog():
    W, H = dlu_px(206, 175)
    bg, defs = backdrop(W, H, "#223A66", "#4A6FA8", "nightSky")
    ex, ey, ew, eh = px(72, 133, 32, 12)
    ax = px(112, 129, 12, 10)[0]
    stars = [(30, 28), (80, 60), (270, 40), (240, 95), (40, 120), (290, 140), (150, 22)]
    out = [bg] + [sparkle(x, y, 5 + (x % 3), "#FFF4B8") for x, y in stars] + [
        moon(262, 70, 22),
        outlined_text(W / 2 - 20, 50, "Leave Mode", 30, "#FFE38A", "#223A66", 6),
        sleepy_head(W / 2, 140, 0.72),
        label(W / 2 + 46, 116, "z", 16, "#FFF4B8"), label(W / 2 + 58, 100, "z", 20, "#FFF4B8"),
        label(W / 2 + 72, 82, "Z", 25, "#FFF4B8"),
        '<rect x="8" y="%s" width="%d" height="%s" rx="12" fill="#FFF8EC" opacity="0.92"/>' % (f(ey - 12), W - 16, f(eh + 22)),
        label(ex - 6, ey + eh - 3, "Wait:", 18, INK, "end"),
        # the box the minutes sit in
        '<rect x="%s" y="%s" width="%s" height="%s" rx="3" fill="#FFFFFF" stroke="%s" stroke-width="2"/>'
        % (f(ex - 3), f(ey - 3), f(ew + 6), f(eh + 6), INK),
        label(ax + 24, ey + eh - 3, "minutes", 18, INK),
    ]
    return svg_doc(W, H, "\n".join(out) + "\n", defs)


# ---------------------------------------------------------------- profile card (217)

def cat(x, y, s):
    """A sitting grey cat, its own frame about 70 x 90 with the feet at (0, 0)."""
    fur, line, inner = "#B9C2CC", "#4A5563", "#F5B4C0"
    return '<g transform="translate(%s,%s) scale(%s)">%s</g>' % (f(x), f(y), f(s), "\n".join([
        '<path d="M22,-8 Q48,-14 44,-40 Q42,-52 34,-46" fill="none" stroke="%s" stroke-width="9" stroke-linecap="round"/>' % line,
        '<path d="M22,-8 Q48,-14 44,-40 Q42,-52 34,-46" fill="none" stroke="%s" stroke-width="5.5" stroke-linecap="round"/>' % fur,
        '<path d="M-24,0 C-30,-30 -20,-52 0,-54 C20,-52 30,-30 24,0 Z" fill="%s" stroke="%s" stroke-width="2.4"/>' % (fur, line),
        '<ellipse cx="0" cy="-22" rx="11" ry="16" fill="#FFFFFF" opacity="0.8"/>',
        '<ellipse cx="-10" cy="-2" rx="8" ry="5" fill="%s" stroke="%s" stroke-width="2"/>' % (fur, line),
        '<ellipse cx="10" cy="-2" rx="8" ry="5" fill="%s" stroke="%s" stroke-width="2"/>' % (fur, line),
        '<path d="M-26,-70 L-24,-96 L-6,-80 Z" fill="%s" stroke="%s" stroke-width="2.4" stroke-linejoin="round"/>' % (fur, line),
        '<path d="M26,-70 L24,-96 L6,-80 Z" fill="%s" stroke="%s" stroke-width="2.4" stroke-linejoin="round"/>' % (fur, line),
        '<path d="M-21,-78 L-21,-90 L-12,-81 Z" fill="%s"/>' % inner,
        '<path d="M21,-78 L21,-90 L12,-81 Z" fill="%s"/>' % inner,
        '<ellipse cx="0" cy="-68" rx="28" ry="22" fill="%s" stroke="%s" stroke-width="2.4"/>' % (fur, line),
        '<path d="M-15,-72 Q-10,-77 -5,-72 M5,-72 Q10,-77 15,-72" fill="none" stroke="%s" stroke-width="2.4" '
        'stroke-linecap="round"/>' % line,
        '<path d="M-3,-64 L3,-64 L0,-60 Z" fill="%s"/>' % inner,
        '<path d="M0,-60 Q-4,-55 -8,-58 M0,-60 Q4,-55 8,-58" fill="none" stroke="%s" stroke-width="1.6" '
        'stroke-linecap="round"/>' % line,
        '<path d="M-12,-62 L-32,-66 M-12,-59 L-31,-57 M12,-62 L32,-66 M12,-59 L31,-57" stroke="%s" stroke-width="1.1"/>' % line,
        '<ellipse cx="-17" cy="-62" rx="5" ry="3" fill="%s" opacity="0.6"/>' % inner,
        '<ellipse cx="17" cy="-62" rx="5" ry="3" fill="%s" opacity="0.6"/>' % inner,
    ]))


def dotted(x0, x1, y):
    # just under the edit, whose card-coloured background covers everything above
    return ('<line x1="%s" y1="%s" x2="%s" y2="%s" stroke="#2F5E2C" stroke-width="1.8" stroke-dasharray="2,3" '
            'stroke-linecap="round"/>' % (f(x0), f(y + 2), f(x1), f(y + 2)))


def profile_card():
    W, H = dlu_px(206, 200)
    card = "#8CC987"  # the edits' own background is this colour, so they sit invisibly on it
    out = ['<rect x="0" y="0" width="%d" height="%d" fill="#5E9E5A"/>' % (W, H),
           '<rect x="4" y="4" width="%d" height="%d" rx="14" fill="%s" stroke="#2F5E2C" stroke-width="3"/>'
           % (W - 8, H - 8, card),
           '<circle cx="18" cy="18" r="4" fill="#2F5E2C"/>',
           outlined_text(20, 44, "Profile:", 28, "#FFFFFF", "#2F5E2C", 6, anchor="start"),
           cat(252, 124, 1.0)]
    size = 15

    def field(dlu, caption, right_of=None):
        x, y, w, h = px(*dlu)
        out.append(dotted(x, x + w, y + h))
        if caption:
            out.append(label(right_of if right_of is not None else x - 4, y + h - 4, caption, size, INK,
                             "end" if right_of is None else "start"))

    field((56, 41, 66, 12), "Name:")
    g1, g2 = px(70, 64, 13, 12), px(92, 65, 11, 10)
    out.append(label(20, g1[1] + g1[3] - 4, "Gender:", size))
    out.append(label(g1[0] - 3, g1[1] + g1[3] - 4, "M", size, "#1F5F96", "end"))
    out.append(label(g2[0] - 3, g1[1] + g1[3] - 4, "F", size, "#C2185B", "end"))
    d = px(64, 85, 23, 12)
    out.append(label(d[0] - 4, d[1] + d[3] - 4, "Brithday:", size, INK, "end"))
    a = px(183, 85, 13, 12)
    out.append(dotted(a[0], a[0] + a[2], a[1] + a[3]))
    out.append(label(a[0] - 2, a[1] + a[3] - 4, "Age:", 12, INK, "end"))
    field((78, 101, 101, 12), "Hometown:")
    h1 = px(132, 120, 43, 12)
    out.append(dotted(h1[0], h1[0] + h1[2], h1[1] + h1[3]))
    out.append(label(20, h1[1] + h1[3] - 4, "Hobbies and Interests:", size))
    field((24, 136, 153, 12), None)
    out.append(sparkle(190, 30, 6, "#FFFFFF"))
    out.append(sparkle(288, 200, 5, "#FFFFFF"))
    return svg_doc(W, H, "\n".join(out) + "\n")


# ---------------------------------------------------------------- sound settings (220, 221)

ROW_Y = (34, 60, 86, 112, 138, 164, 190, 216, 242, 268)
ROW_CAPTIONS = ("Start", "End", "Hover", "Enter key", "Delete key", "Reset", "Alarm song",
                "ON / SAVE", "OFF / QUIT", "Guard alert")


def note(x, y, s, colour="#5B3C9E"):
    return ('<g transform="translate(%s,%s) scale(%s)"><line x1="6" y1="0" x2="6" y2="-22" stroke="%s" stroke-width="2.4"/>'
            '<path d="M6,-22 Q14,-18 16,-10" fill="none" stroke="%s" stroke-width="2.4" stroke-linecap="round"/>'
            '<ellipse cx="0" cy="0" rx="7" ry="5" transform="rotate(-22)" fill="%s"/></g>'
            % (f(x), f(y), f(s), colour, colour, colour))


def sound_frame():
    W, H = dlu_px(230, 193)
    bg, defs = backdrop(W, H, "#3FA7A7", "#2A7F86", "soundFrame")
    px0, py0, pw, ph = px(8, 9, 214, 155)
    out = [bg, dots(W, H, "#FFFFFF", 24, 2, 0.18),
           '<rect x="%s" y="%s" width="%s" height="%s" rx="6" fill="#308F8F" stroke="%s" stroke-width="3"/>'
           % (f(px0 - 4), f(py0 - 4), f(pw + 8), f(ph + 8), INK),
           note(20, 300, 1.0, "#FFE38A"), note(326, 302, 0.9, "#FFE38A"), note(160, 306, 0.6, "#FFFFFF")]
    return svg_doc(W, H, "\n".join(out) + "\n", defs)


def sound_rows():
    W, H = dlu_px(192, 314)
    out = ['<rect x="0" y="0" width="%d" height="%d" fill="#74D1D1"/>' % (W, H),
           outlined_text(8, 30, "Sound Effects", 22, "#FFFFFF", "#1F6F6F", 5, anchor="start"),
           label(dlu_px(60, 0)[0] + 2, 48, "sound file", 11, "#1F5F5F", "start", "400"),
           label(dlu_px(182, 0)[0], 48, "on", 11, "#1F5F5F", "middle", "400"),
           note(262, 36, 0.9)]
    for i, (y, caption) in enumerate(zip(ROW_Y, ROW_CAPTIONS)):
        top = dlu_px(0, y)[1]
        bottom = dlu_px(0, y + 14)[1]
        if i % 2 == 0:
            out.append('<rect x="2" y="%d" width="%d" height="%d" rx="6" fill="#FFFFFF" opacity="0.22"/>'
                       % (top - 5, W - 4, bottom - top + 10))
        out.append(label(dlu_px(58, 0)[0], bottom - 6, caption, 13, INK, "end"))
    last = dlu_px(0, 268 + 30)[1]
    out.append(note(40, last + 20, 0.8, "#308F8F"))
    out.append(note(140, last + 26, 0.7, "#308F8F"))
    out.append(note(240, last + 18, 0.8, "#308F8F"))
    return svg_doc(W, H, "\n".join(out) + "\n")


def main():
    i = lambda n: os.path.join(ICONS, "%d.svg" % n)
    # Shared plates: SAVE / QUIT / RESET and the spin arrows.
    write(i(211), plate(64, 25, "SAVE", "green"))
    write(i(212), plate(64, 25, "QUIT", "orange"))
    write(i(213), plate(64, 25, "RESET", "blue"))
    write(i(240), arrow(True))
    write(i(241), arrow(False))
    # Guard mode, profile and sound settings.
    write(i(238), plate(70, 34, "ON", "green"))
    write(i(239), plate(60, 32, "QUIT", "orange"))
    write(i(234), plate(66, 30, "OFF", "red"))
    write(i(303), plate(66, 32, "ON", "green"))
    write(i(304), plate(74, 30, "OFF", "red"))
    b = lambda n: os.path.join(BITMAPS, "%d.svg" % n)
    write(b(227), mode_menu())
    write(b(229), sensor_start())
    write(b(228), wait_dialog())
    write(b(217), profile_card())
    write(b(220), sound_frame())
    write(b(221), sound_rows())


if __name__ == "__main__":
    main()
