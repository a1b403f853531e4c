#!/usr/bin/env python3
"""Generates the program's artwork as hand-written SVG.

All pictures are built from the same pieces so that the hover variants of the
main window match their base picture pixel for pixel outside the highlighted
button area. The output is committed; run this again after changing a piece:

    python3 tools/artwork/make_artwork.py

Only SVG Tiny features are used (no filters, clip paths or masks) because the
program renders the files with QSvgRenderer.
"""

import math
import os

ROOT = os.path.normpath(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
BITMAPS = os.path.join(ROOT, "resources", "bitmaps")
ICONS = os.path.join(ROOT, "resources", "icons")
SAVER = os.path.join(ROOT, "tools", "mfcsaver")

# QtSvg takes font-family as one family name (a comma list resolves to the system's default
# sans), so name the one comic face that is installed; without it the default sans is used.
FONT = "Comic Neue"

MAIN_W, MAIN_H = 308, 288

# Areas of the main window's invisible buttons (x, y, w, h); the art puts each thing inside its area.
AREAS = {
    "bell": (161, 179, 33, 35),
    "card": (200, 124, 65, 88),
    "guard": (54, 156, 67, 44),
    "sound": (145, 30, 32, 33),
}
NAME_FIELD = (173, 67, 53, 21)

# ---------------------------------------------------------------- colours

BASE = {
    # the puppy
    "fur": "#EDB46C",
    "furShade": "#D99A52",
    "furLine": "#7A4A22",
    "ear": "#8C5A2E",
    "patch": "#C98646",
    "cream": "#FFF0D6",
    "nose": "#3A2A25",
    "eye": "#2E2320",
    "cheek": "#F59B9B",
    "tongue": "#F27C86",
    "collar": "#D9443A",
    "tag": "#F4C542",
    "spring": "#9AA5B1",
    "springDark": "#6B7682",
    "base": "#4A90C8",
    "baseTop": "#76B2E3",
    "baseDark": "#326C9C",
    # desk things
    "clock": "#3C9BE0",
    "clockDark": "#1F5F96",
    "gold": "#F4C542",
    "goldDark": "#B8891C",
    "face": "#FFFFFF",
    "hand": "#2E3440",
    "sirenRed": "#E64A3C",
    "sirenDark": "#9E2A20",
    "bulb": "#FFD166",
    "slate": "#44505E",
    "slateLight": "#5C6B7C",
    "ray": "#FFC83A",
    "note": "#8A63D2",
    "noteDark": "#5B3C9E",
    "wood": "#B0713F",
    "woodDark": "#7C4A24",
    "mat": "#FFF8EC",
    "photoCool": "#DCE6F0",
    "photoCool2": "#C5D3E2",
    "silhouette": "#A6B6C8",
    "heart": "#EF4F5F",
}


def _rgb(c):
    c = c.lstrip("#")
    return [int(c[i:i + 2], 16) for i in (0, 2, 4)]


def mix(c1, c2, t):
    a, b = _rgb(c1), _rgb(c2)
    return "#" + "".join("%02X" % round(x + (y - x) * t) for x, y in zip(a, b))


def lit(pal, amount=0.2):
    """The same palette, brighter: used for the highlighted thing of a hover picture."""
    return {k: mix(v, "#FFFFFF", amount) for k, v in pal.items()}


def svg_doc(w, h, body, defs=""):
    head = ('<?xml version="1.0" encoding="UTF-8"?>\n'
            '<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
            'width="%d" height="%d" viewBox="0 0 %d %d">\n' % (w, h, w, h))
    if defs:
        head += "<defs>\n" + defs + "</defs>\n"
    return head + body + "</svg>\n"


def f(v):
    """Compact number formatting."""
    s = ("%.2f" % v).rstrip("0").rstrip(".")
    return "0" if s == "-0" else s


# ---------------------------------------------------------------- the puppy

def ear_path(up=False):
    if up:
        return "M-32,-20 C-50,-30 -70,-46 -68,-58 C-64,-68 -40,-52 -22,-32 Z"
    return "M-28,-29 C-50,-35 -62,-8 -57,16 C-54,30 -40,33 -36,20 C-33,8 -31,-8 -24,-20 Z"


def puppy_head(p, mood="happy", bold=False):
    """The head in its own frame: centre (0,0), about 84 wide and 74 high without the ears."""
    sw = 4.5 if bold else 3
    out = []
    up = mood == "startled"
    for sx in (1, -1):
        out.append('<path transform="scale(%d,1)" d="%s" fill="%s" stroke="%s" stroke-width="%s" '
                   'stroke-linejoin="round"/>' % (sx, ear_path(up), p["ear"], p["furLine"], f(sw * 0.85)))
    out.append('<ellipse cx="0" cy="0" rx="42" ry="37" fill="%s" stroke="%s" stroke-width="%s"/>'
               % (p["fur"], p["furLine"], f(sw)))
    # soft shading at the jaw and a tuft on top
    out.append('<path d="M-36,16 Q0,44 36,16 Q26,34 0,36 Q-26,34 -36,16 Z" fill="%s" opacity="0.55"/>'
               % p["furShade"])
    if not bold:
        out.append('<path d="M-8,-36 Q-4,-47 2,-38 Q6,-48 11,-36" fill="none" stroke="%s" '
                   'stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>' % p["furLine"])
        out.append('<ellipse cx="18" cy="-9" rx="14" ry="12.5" fill="%s"/>' % p["patch"])
    out.append('<ellipse cx="0" cy="15" rx="21" ry="15" fill="%s"/>' % p["cream"])
    if mood == "startled":
        for x in (-17, 17):
            out.append('<circle cx="%d" cy="-8" r="10.5" fill="#FFFFFF" stroke="%s" stroke-width="2"/>'
                       % (x, p["furLine"]))
            out.append('<circle cx="%d" cy="-7" r="3.4" fill="%s"/>' % (x, p["eye"]))
        for sx in (1, -1):
            out.append('<path transform="scale(%d,1)" d="M9,-27 Q17,-35 27,-28" fill="none" stroke="%s" '
                       'stroke-width="3" stroke-linecap="round"/>' % (sx, p["furLine"]))
    else:
        ex, ey, rx, ry = (17, -6, 7, 8.5) if bold else (17, -6, 5.5, 7)
        for x in (-ex, ex):
            out.append('<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="%s"/>' % (x, ey, rx, ry, p["eye"]))
            out.append('<circle cx="%s" cy="%s" r="%s" fill="#FFFFFF"/>'
                       % (f(x + rx * 0.35), f(ey - ry * 0.4), f(rx * 0.38)))
        out.append('<ellipse cx="-29" cy="10" rx="6" ry="4" fill="%s" opacity="0.6"/>' % p["cheek"])
        out.append('<ellipse cx="29" cy="10" rx="6" ry="4" fill="%s" opacity="0.6"/>' % p["cheek"])
    out.append('<path d="M-8.5,5 Q0,0.5 8.5,5 Q7,12.5 0,13.5 Q-7,12.5 -8.5,5 Z" fill="%s"/>' % p["nose"])
    out.append('<ellipse cx="-2.5" cy="5" rx="3" ry="1.6" fill="#FFFFFF" opacity="0.7"/>')
    if mood == "startled":
        out.append('<ellipse cx="0" cy="25" rx="6.5" ry="8" fill="%s"/>' % p["nose"])
        out.append('<ellipse cx="0" cy="29" rx="4.2" ry="3" fill="%s"/>' % p["tongue"])
    else:
        out.append('<path d="M-5,20 Q-5,30 0,30.5 Q5,30 5,20 Z" fill="%s" stroke="%s" stroke-width="1.2"/>'
                   % (p["tongue"], p["nose"]))
        out.append('<path d="M0,13 V18 M-11,17 Q-5,24 0,18 Q5,24 11,17" fill="none" stroke="%s" '
                   'stroke-width="%s" stroke-linecap="round" stroke-linejoin="round"/>'
                   % (p["nose"], "3" if bold else "2.2"))
    return "\n".join(out)


def puppy_body(p):
    """Sitting body in its own frame: the neck (top centre) at (0,0), about 80 wide and 50 high."""
    ol = 'stroke="%s" stroke-width="2.4" stroke-linejoin="round"' % p["furLine"]
    return "\n".join([
        '<path d="M22,28 Q44,24 41,6 Q39,-2 33,3" fill="none" stroke="%s" stroke-width="9" '
        'stroke-linecap="round"/>' % p["furLine"],
        '<path d="M22,28 Q44,24 41,6 Q39,-2 33,3" fill="none" stroke="%s" stroke-width="5" '
        'stroke-linecap="round"/>' % p["fur"],
        '<ellipse cx="-24" cy="40" rx="13" ry="9" fill="%s" %s/>' % (p["fur"], ol),
        '<ellipse cx="24" cy="40" rx="13" ry="9" fill="%s" %s/>' % (p["fur"], ol),
        '<path d="M-19,3 C-29,15 -33,36 -27,46 L27,46 C33,36 29,15 19,3 Q0,-4 -19,3 Z" fill="%s" %s/>'
        % (p["fur"], ol),
        '<ellipse cx="0" cy="27" rx="13" ry="14" fill="%s"/>' % p["cream"],
        '<ellipse cx="-9" cy="45" rx="8" ry="5.5" fill="%s" %s/>' % (p["cream"], ol),
        '<ellipse cx="9" cy="45" rx="8" ry="5.5" fill="%s" %s/>' % (p["cream"], ol),
        '<path d="M-11,42 V46 M-7,42 V46 M7,42 V46 M11,42 V46" stroke="%s" stroke-width="1.2" '
        'stroke-linecap="round"/>' % p["furLine"],
        '<rect x="-20" y="1" width="40" height="7" rx="3.5" fill="%s" stroke="%s" stroke-width="1.5"/>'
        % (p["collar"], mix(p["collar"], "#000000", 0.35)),
        '<circle cx="0" cy="11.5" r="4.2" fill="%s" stroke="%s" stroke-width="1.2"/>'
        % (p["tag"], p["goldDark"]),
    ])


def spring(p, length):
    """A coil from (0,0) down to (0,length)."""
    out = ['<line x1="0" y1="0" x2="0" y2="%s" stroke="%s" stroke-width="3"/>' % (f(length), p["springDark"])]
    n = 4
    for i in range(n):
        y = length * (i + 0.5) / n
        out.append('<ellipse cx="0" cy="%s" rx="9" ry="2.6" fill="none" stroke="%s" stroke-width="2.6"/>'
                   % (f(y), p["spring"]))
    return "\n".join(out)


def toy_base(p, rx=46):
    """The toy's round stand: top face centred at (0,0)."""
    return "\n".join([
        '<path d="M-%d,0 V8 A%d,6 0 0 0 %d,8 V0 Z" fill="%s"/>' % (rx, rx, rx, p["base"]),
        '<ellipse cx="0" cy="0" rx="%d" ry="6.5" fill="%s" stroke="%s" stroke-width="1.5"/>'
        % (rx, p["baseTop"], p["baseDark"]),
        '<path d="M-%d,0 V8 A%d,6 0 0 0 %d,8 V0" fill="none" stroke="%s" stroke-width="1.5"/>'
        % (rx, rx, rx, p["baseDark"]),
    ])


# The head sits this far above the top face of the stand, on a spring from the neck.
HEAD_RISE = 94


def toy_stand_and_body(p):
    """The stand, the spring and the body; the stand's top face centred at (0,0)."""
    return "\n".join([
        toy_base(p),
        '<g transform="translate(0,-44)">',
        '<g transform="translate(0,-16)">' + spring(p, 18) + "</g>",
        puppy_body(p),
        "</g>",
    ])


def toy(p, x, y, head_angle=-6, scale=1.0):
    """The whole toy, its stand's top face centred at (x, y)."""
    return "\n".join([
        '<g transform="translate(%s,%s) scale(%s)">' % (f(x), f(y), f(scale)),
        toy_stand_and_body(p),
        '<g transform="translate(0,-%d) rotate(%s)">' % (HEAD_RISE, f(head_angle)),
        puppy_head(p),
        "</g>",
        "</g>",
    ])


# ---------------------------------------------------------------- main window pieces

def sparkle(x, y, r, color="#FFFFFF"):
    k = r * 0.28
    return ('<path d="M%s,%s L%s,%s L%s,%s L%s,%s L%s,%s L%s,%s L%s,%s L%s,%s Z" fill="%s"/>'
            % (f(x), f(y - r), f(x + k), f(y - k), f(x + r), f(y), f(x + k), f(y + k),
               f(x), f(y + r), f(x - k), f(y + k), f(x - r), f(y), f(x - k), f(y - k), color))


def glow(area):
    """A soft halo filling the area: nested translucent rounded rectangles, densest in the middle."""
    x, y, w, h = area
    out = []
    for i in range(6):
        d = 0.5 + i * 2.2
        if w - 2 * d < 4 or h - 2 * d < 4:
            break
        out.append('<rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="#FFFBD6" opacity="0.3"/>'
                   % (f(x + d), f(y + d), f(w - 2 * d), f(h - 2 * d), f(max(2.0, min(w, h) * 0.42 - d))))
    # the gradient fades out before the ellipse's edge, which stays inside the area
    out.append('<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="url(#glow)"/>'
               % (f(x + w / 2), f(y + h / 2), f(w / 2 - 1), f(h / 2 - 1)))
    return "\n".join(out)


def glow_sparkles(area):
    x, y, w, h = area
    r = max(4.5, min(w, h) * 0.14)
    return "\n".join([
        sparkle(x + r + 1, y + r + 1, r, "#FFFFFF"),
        sparkle(x + w - r * 0.75 - 1.5, y + h * 0.42, r * 0.75, "#FFFFFF"),
        sparkle(x + r * 0.7 + 1.5, y + h - r * 0.7 - 1.5, r * 0.6, "#FFFFFF"),
    ])


GLOW_DEFS = ('<radialGradient id="glow" cx="0.5" cy="0.5" r="0.5">'
             '<stop offset="0" stop-color="#FFFBE0" stop-opacity="0.95"/>'
             '<stop offset="0.55" stop-color="#FFF0A0" stop-opacity="0.65"/>'
             '<stop offset="1" stop-color="#FFE070" stop-opacity="0"/>'
             '</radialGradient>\n')


def alarm_clock(p):
    # area (161, 179, 33, 35)
    cx = 177.5
    ol = p["clockDark"]
    return "\n".join([
        '<path d="M169,206 L166,212.5 M186,206 L189,212.5" stroke="%s" stroke-width="3" stroke-linecap="round"/>'
        % ol,
        '<line x1="%s" y1="186" x2="%s" y2="182" stroke="%s" stroke-width="2"/>' % (cx, cx, ol),
        '<circle cx="%s" cy="181.5" r="2" fill="%s"/>' % (cx, p["gold"]),
        '<path d="M163.2,190 A6,6 0 0 1 172,182.4 Z" fill="%s" stroke="%s" stroke-width="1.3" '
        'stroke-linejoin="round"/>' % (p["gold"], p["goldDark"]),
        '<path d="M191.8,190 A6,6 0 0 0 183,182.4 Z" fill="%s" stroke="%s" stroke-width="1.3" '
        'stroke-linejoin="round"/>' % (p["gold"], p["goldDark"]),
        '<circle cx="%s" cy="198" r="13" fill="%s" stroke="%s" stroke-width="1.6"/>' % (cx, p["clock"], ol),
        '<circle cx="%s" cy="198" r="9.5" fill="%s"/>' % (cx, p["face"]),
        '<path d="M%s,190 V191.8 M%s,204.2 V206 M169.5,198 H171.3 M183.7,198 H185.5" stroke="%s" '
        'stroke-width="1.2" stroke-linecap="round"/>' % (cx, cx, p["hand"]),
        '<path d="M%s,198 L%s,192.5 M%s,198 L182.5,200" stroke="%s" stroke-width="1.6" '
        'stroke-linecap="round"/>' % (cx, cx, cx, p["hand"]),
        '<circle cx="%s" cy="198" r="1.3" fill="%s"/>' % (cx, p["sirenRed"]),
        '<path d="M168,193 A11,11 0 0 1 174,187.5" fill="none" stroke="#FFFFFF" stroke-width="1.6" '
        'stroke-linecap="round" opacity="0.7"/>',
    ])


def siren(p):
    # area (54, 156, 67, 44)
    cx = 87.5
    out = []
    for sx in (1, -1):
        out.append('<g transform="translate(%s,0) scale(%d,1) translate(%s,0)">' % (cx, sx, -cx))
        out.append('<path d="M66,168 L58.5,163 M64,178 L56.5,178 M66,188 L58.5,192" stroke="%s" '
                   'stroke-width="3" stroke-linecap="round"/>' % p["ray"])
        out.append("</g>")
    out += [
        '<rect x="84" y="157.5" width="7" height="4" rx="1.5" fill="%s"/>' % p["slate"],
        '<path d="M70,188 V176 A17.5,16 0 0 1 105,176 V188 Z" fill="%s" stroke="%s" stroke-width="1.6" '
        'stroke-linejoin="round"/>' % (p["sirenRed"], p["sirenDark"]),
        '<ellipse cx="%s" cy="178" rx="7" ry="8" fill="%s" opacity="0.9"/>' % (cx, p["bulb"]),
        '<ellipse cx="%s" cy="177" rx="3" ry="3.5" fill="#FFFFFF" opacity="0.8"/>' % cx,
        '<path d="M75,185 V176 A12.5,12 0 0 1 81,166" fill="none" stroke="#FFFFFF" stroke-width="2.6" '
        'stroke-linecap="round" opacity="0.55"/>',
        '<rect x="63.5" y="186" width="48" height="4.5" rx="2" fill="%s"/>' % p["slateLight"],
        '<rect x="66" y="189.5" width="43" height="9" rx="2.5" fill="%s"/>' % p["slate"],
        '<circle cx="%s" cy="194" r="2" fill="%s"/>' % (cx, p["ray"]),
        '<circle cx="%s" cy="194" r="1.2" fill="%s"/>' % (cx - 9, p["slateLight"]),
        '<circle cx="%s" cy="194" r="1.2" fill="%s"/>' % (cx + 9, p["slateLight"]),
    ]
    return "\n".join(out)


def music_notes(p):
    # area (145, 30, 32, 33)
    d = p["noteDark"]
    return "\n".join([
        '<path d="M155.9,36 L176,32 L176,37 L155.9,41 Z" fill="%s" stroke="%s" stroke-width="1" '
        'stroke-linejoin="round"/>' % (p["note"], d),
        '<line x1="157" y1="38" x2="157" y2="55" stroke="%s" stroke-width="2.2"/>' % d,
        '<line x1="175" y1="34" x2="175" y2="50" stroke="%s" stroke-width="2.2"/>' % d,
        '<ellipse cx="0" cy="0" rx="5.6" ry="4.2" transform="translate(152.2,55.5) rotate(-22)" fill="%s" '
        'stroke="%s" stroke-width="1.2"/>' % (p["note"], d),
        '<ellipse cx="0" cy="0" rx="5.6" ry="4.2" transform="translate(170.2,50.5) rotate(-22)" fill="%s" '
        'stroke="%s" stroke-width="1.2"/>' % (p["note"], d),
        '<ellipse cx="0" cy="0" rx="2" ry="1.2" transform="translate(150.5,54) rotate(-22)" fill="#FFFFFF" '
        'opacity="0.7"/>',
        '<ellipse cx="0" cy="0" rx="2" ry="1.2" transform="translate(168.5,49) rotate(-22)" fill="#FFFFFF" '
        'opacity="0.7"/>',
    ])


def photo_frame(p, profile):
    # area (200, 124, 65, 88)
    out = [
        '<path d="M236,190 L251,209 L245,209 L231,192 Z" fill="%s"/>' % p["woodDark"],
        '<rect x="205" y="129" width="55" height="73" rx="5" fill="%s" stroke="%s" stroke-width="1.6"/>'
        % (p["wood"], p["woodDark"]),
        '<rect x="208.5" y="132.5" width="48" height="66" rx="3" fill="none" stroke="%s" stroke-width="1" '
        'opacity="0.5"/>' % p["mat"],
    ]
    if profile:
        out += [
            '<rect x="211" y="135" width="43" height="61" rx="2" fill="url(#photoWarm)"/>',
            '<circle cx="246" cy="144" r="6" fill="#FFF3B0" opacity="0.9"/>',
            '<rect x="211" y="184" width="43" height="12" fill="%s" opacity="0.85"/>'
            % mix(p["mat"], "#8FD16E", 0.7),
            '<g transform="translate(232.5,167) scale(0.36)">' + puppy_head(p) + "</g>",
            '<path d="M218,145 C218,141 223,141 223,145 C223,141 228,141 228,145 C228,149 223,151 223,153 '
            'C223,151 218,149 218,145 Z" fill="%s"/>' % p["heart"],
        ]
    else:
        out += [
            '<rect x="211" y="135" width="43" height="61" rx="2" fill="%s"/>' % p["photoCool"],
            '<rect x="211" y="180" width="43" height="16" fill="%s"/>' % p["photoCool2"],
            '<path d="M216,196 Q216,176 232.5,176 Q249,176 249,196 Z" fill="%s"/>' % p["silhouette"],
            '<circle cx="232.5" cy="160" r="11" fill="%s"/>' % p["silhouette"],
            '<path d="M228.5,156.5 Q228.5,152 232.5,152 Q236.5,152 236.5,156 Q236.5,159 232.5,160.5 V163" '
            'fill="none" stroke="#FFFFFF" stroke-width="2.4" stroke-linecap="round" stroke-linejoin="round"/>',
            '<circle cx="232.5" cy="167" r="1.5" fill="#FFFFFF"/>',
        ]
    out.append('<path d="M213,194 L231,136 L240,136 L222,194 Z" fill="#FFFFFF" opacity="0.22"/>')
    return "\n".join(out)


def wall(profile):
    base = "#FBE3CF" if profile else "#DDF0EA"
    stripe = "#F6D4BA" if profile else "#CFE8E0"
    out = ['<rect x="0" y="0" width="%d" height="128" fill="%s"/>' % (MAIN_W, base)]
    for x in range(6, MAIN_W, 24):
        out.append('<rect x="%d" y="0" width="9" height="128" fill="%s"/>' % (x, stripe))
    if profile:
        # bunting across the top of the wall
        colors = ["#EF4F5F", "#F4C542", "#5DBB63", "#4A90C8", "#8A63D2"]
        out.append('<path d="M0,4 Q154,20 308,4" fill="none" stroke="#A06B3E" stroke-width="1.2"/>')
        for i, x in enumerate(range(8, 300, 22)):
            t = (x + 7) / 308.0
            y = 4 + 32 * t * (1 - t)
            out.append('<path d="M%s,%s L%s,%s L%s,%s Z" fill="%s"/>'
                       % (f(x), f(y), f(x + 14), f(y), f(x + 7), f(y + 12), colors[i % len(colors)]))
    return "\n".join(out)


def window(profile):
    sky = "url(#skyWarm)" if profile else "url(#skyCool)"
    return "\n".join([
        '<rect x="244" y="12" width="56" height="90" rx="4" fill="#FFFFFF" stroke="#B9C4CC" stroke-width="1.2"/>',
        '<rect x="249" y="17" width="46" height="80" fill="%s"/>' % sky,
        '<circle cx="284" cy="33" r="9" fill="%s"/>' % ("#FFB347" if profile else "#FFE27A"),
        '<ellipse cx="262" cy="52" rx="9" ry="5" fill="#FFFFFF" opacity="0.9"/>',
        '<ellipse cx="270" cy="49" rx="8" ry="6" fill="#FFFFFF" opacity="0.9"/>',
        '<ellipse cx="283" cy="74" rx="8" ry="4" fill="#FFFFFF" opacity="0.8"/>',
        '<path d="M272,17 V97 M249,57 H295" stroke="#FFFFFF" stroke-width="3"/>',
        '<rect x="241" y="100" width="62" height="5" rx="2" fill="#FFFFFF" stroke="#B9C4CC" stroke-width="1"/>',
    ])


def desk():
    out = [
        '<rect x="0" y="128" width="%d" height="124" fill="url(#deskTop)"/>' % MAIN_W,
        '<rect x="0" y="128" width="%d" height="2.5" fill="#F3C891"/>' % MAIN_W,
        '<rect x="0" y="252" width="%d" height="36" fill="#B67A42"/>' % MAIN_W,
        '<rect x="0" y="252" width="%d" height="3" fill="#CF9456"/>' % MAIN_W,
        '<rect x="0" y="284" width="%d" height="4" fill="#9C6434"/>' % MAIN_W,
    ]
    for y, a, b in ((150, 0, 60), (236, 20, 140), (222, 240, 308), (170, 262, 308), (244, 150, 250)):
        out.append('<path d="M%d,%d Q%d,%d %d,%d" fill="none" stroke="#D39A5E" stroke-width="1.2" '
                   'stroke-linecap="round" opacity="0.8"/>' % (a, y, (a + b) // 2, y - 3, b, y + 1))
    return "\n".join(out)


def name_sign(profile):
    out = [
        '<path d="M181,62 L199.5,45 L218,62" fill="none" stroke="#6B4A2B" stroke-width="1.4"/>',
        '<circle cx="199.5" cy="44.5" r="2.6" fill="#8A939C" stroke="#5A636C" stroke-width="1"/>',
        '<rect x="166.5" y="60.5" width="66" height="34" rx="5" fill="#B0713F" stroke="#7C4A24" stroke-width="1.4"/>',
        '<rect x="171" y="65" width="57" height="25" rx="2" fill="#FFFFFF"/>',
    ]
    if profile:
        out += [
            '<path d="M231,92 L226,110 L230.5,107 L233,111 Z" fill="#C7343F"/>',
            '<path d="M236,92 L242,109 L237.5,106.5 L235,110.5 Z" fill="#C7343F"/>',
            '<circle cx="234" cy="92" r="7" fill="#EF4F5F" stroke="#C7343F" stroke-width="1.2"/>',
            '<circle cx="234" cy="92" r="3.4" fill="#F4C542"/>',
        ]
    return "\n".join(out)


def plant():
    return "\n".join([
        '<ellipse cx="0" cy="0" rx="5" ry="14" transform="translate(281,175) rotate(-24)" fill="#4FA95A"/>',
        '<ellipse cx="0" cy="0" rx="5" ry="15" transform="translate(295,173) rotate(22)" fill="#5DBB63"/>',
        '<ellipse cx="0" cy="0" rx="5.5" ry="17" transform="translate(288,168)" fill="#6CC972"/>',
        '<ellipse cx="0" cy="0" rx="4" ry="10" transform="translate(277,185) rotate(-62)" fill="#5DBB63"/>',
        '<ellipse cx="0" cy="0" rx="4" ry="10" transform="translate(299,185) rotate(62)" fill="#4FA95A"/>',
        '<path d="M276,195 L300,195 L297,214 L279,214 Z" fill="#D9744A" stroke="#A8502C" stroke-width="1.2" '
        'stroke-linejoin="round"/>',
        '<rect x="274" y="190" width="28" height="6.5" rx="2" fill="#E58A5F" stroke="#A8502C" stroke-width="1.2"/>',
    ])


def bone():
    return "\n".join([
        '<g transform="translate(126,235) rotate(-10)">',
        '<circle cx="-13" cy="-3.5" r="4.5" fill="#FFF6E6" stroke="#C8B79E" stroke-width="1.2"/>',
        '<circle cx="-13" cy="3.5" r="4.5" fill="#FFF6E6" stroke="#C8B79E" stroke-width="1.2"/>',
        '<circle cx="13" cy="-3.5" r="4.5" fill="#FFF6E6" stroke="#C8B79E" stroke-width="1.2"/>',
        '<circle cx="13" cy="3.5" r="4.5" fill="#FFF6E6" stroke="#C8B79E" stroke-width="1.2"/>',
        '<rect x="-13" y="-3.5" width="26" height="7" fill="#FFF6E6"/>',
        '<path d="M-13,-3.5 H13 M-13,3.5 H13" stroke="#C8B79E" stroke-width="1.2"/>',
        "</g>",
    ])


def shadows():
    return "\n".join([
        '<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="#7A4A22" opacity="0.18"/>' % e
        for e in (("74", "149.5", "52", "4.5"), ("87.5", "198.5", "27", "3.5"), ("177.5", "212.5", "15", "2.5"),
                  ("236", "208.5", "28", "3"), ("288", "213.5", "16", "3"), ("126", "241", "20", "3"))
    ])


def envelope(x, y, w, h, angle, badge=True, badge_r=8):
    """An envelope centred at (x, y) with a red badge at its top-right corner."""
    out = ['<g transform="translate(%s,%s) rotate(%s)">' % (f(x), f(y), f(angle)),
           '<rect x="%s" y="%s" width="%s" height="%s" rx="2.5" fill="#FFFDF5" stroke="#5B6B8C" '
           'stroke-width="1.8"/>' % (f(-w / 2), f(-h / 2), f(w), f(h)),
           '<path d="M%s,%s L0,%s L%s,%s" fill="none" stroke="#5B6B8C" stroke-width="1.8" '
           'stroke-linejoin="round"/>' % (f(-w / 2 + 1), f(-h / 2 + 1), f(h * 0.12), f(w / 2 - 1), f(-h / 2 + 1)),
           '<path d="M%s,%s L%s,%s M%s,%s L%s,%s" stroke="#5B6B8C" stroke-width="1.2" opacity="0.6"/>'
           % (f(-w / 2 + 1), f(h / 2 - 1), f(-w * 0.12), f(0), f(w / 2 - 1), f(h / 2 - 1), f(w * 0.12), f(0))]
    if badge:
        bx, by = w / 2 - 1, -h / 2 + 1
        out += ['<circle cx="%s" cy="%s" r="%s" fill="#E53935" stroke="#FFFFFF" stroke-width="1.8"/>'
                % (f(bx), f(by), f(badge_r)),
                '<rect x="%s" y="%s" width="%s" height="%s" rx="%s" fill="#FFFFFF"/>'
                % (f(bx - badge_r * 0.15), f(by - badge_r * 0.6), f(badge_r * 0.3), f(badge_r * 0.75),
                   f(badge_r * 0.15)),
                '<circle cx="%s" cy="%s" r="%s" fill="#FFFFFF"/>' % (f(bx), f(by + badge_r * 0.45), f(badge_r * 0.17))]
    out.append("</g>")
    return "\n".join(out)


SCENE_DEFS = (
    '<linearGradient id="deskTop" x1="0" y1="0" x2="0" y2="1">'
    '<stop offset="0" stop-color="#E2A86C"/><stop offset="1" stop-color="#EDBC84"/></linearGradient>\n'
    '<linearGradient id="skyCool" x1="0" y1="0" x2="0" y2="1">'
    '<stop offset="0" stop-color="#8CCBF5"/><stop offset="1" stop-color="#CDEBFF"/></linearGradient>\n'
    '<linearGradient id="skyWarm" x1="0" y1="0" x2="0" y2="1">'
    '<stop offset="0" stop-color="#FFB88C"/><stop offset="1" stop-color="#FFE7B3"/></linearGradient>\n'
    '<linearGradient id="photoWarm" x1="0" y1="0" x2="0" y2="1">'
    '<stop offset="0" stop-color="#FFD97A"/><stop offset="1" stop-color="#FFB38A"/></linearGradient>\n'
)


def main_scene(profile=False, mail=False, highlight=None):
    pieces = {
        "sound": music_notes,
        "guard": siren,
        "bell": alarm_clock,
        "card": lambda p: photo_frame(p, profile),
    }
    body = [wall(profile), window(profile), desk(), name_sign(profile), shadows(),
            toy(BASE, 74, 138, scale=0.93), plant(), bone()]
    for name in ("sound", "guard", "bell", "card"):
        if name == highlight:
            body += [glow(AREAS[name]), pieces[name](lit(BASE)), glow_sparkles(AREAS[name])]
        else:
            body.append(pieces[name](BASE))
    if mail:
        body.append('<ellipse cx="37" cy="251" rx="22" ry="3" fill="#7A4A22" opacity="0.15"/>')
        body.append(envelope(36, 234, 44, 30, -8))
    return svg_doc(MAIN_W, MAIN_H, "\n".join(body) + "\n", SCENE_DEFS + GLOW_DEFS)


# ---------------------------------------------------------------- alert picture (315 x 296)

def clip_polygon(poly, x0, y0, x1, y1):
    """Sutherland-Hodgman clip of a polygon to a rectangle (keeps the burst inside the panel)."""
    def clip(points, inside, cross):
        result = []
        for i, cur in enumerate(points):
            prev = points[i - 1]
            if inside(cur):
                if not inside(prev):
                    result.append(cross(prev, cur))
                result.append(cur)
            elif inside(prev):
                result.append(cross(prev, cur))
        return result

    def at_x(x):
        return lambda a, b: (x, a[1] + (b[1] - a[1]) * (x - a[0]) / (b[0] - a[0]))

    def at_y(y):
        return lambda a, b: (a[0] + (b[0] - a[0]) * (y - a[1]) / (b[1] - a[1]), y)

    pts = poly
    for inside, cross in ((lambda q: q[0] >= x0, at_x(x0)), (lambda q: q[0] <= x1, at_x(x1)),
                          (lambda q: q[1] >= y0, at_y(y0)), (lambda q: q[1] <= y1, at_y(y1))):
        pts = clip(pts, inside, cross)
        if not pts:
            break
    return pts


def outlined_text(x, y, text, size, fill, outline, width, angle=0, anchor="middle"):
    attrs = ('x="%s" y="%s" font-family="%s" font-size="%s" font-weight="700" text-anchor="%s"'
             % (f(x), f(y), FONT, f(size), anchor))
    tr = ' transform="rotate(%s,%s,%s)"' % (f(angle), f(x), f(y)) if angle else ""
    return "\n".join([
        '<text %s%s fill="%s" stroke="%s" stroke-width="%s" stroke-linejoin="round">%s</text>'
        % (attrs, tr, outline, outline, f(width), text),
        # a thin stroke of the fill colour makes the letters a little heavier
        '<text %s%s fill="%s" stroke="%s" stroke-width="%s" stroke-linejoin="round">%s</text>'
        % (attrs, tr, fill, fill, f(size * 0.03), text),
    ])


def exclamation(x, y, h, angle, color="#E3261B"):
    w = h * 0.26
    return ('<g transform="translate(%s,%s) rotate(%s)">'
            '<path d="M%s,%s L%s,%s L%s,%s L%s,%s Z" fill="%s" stroke="#2B1A0E" stroke-width="2" '
            'stroke-linejoin="round"/>'
            '<circle cx="0" cy="%s" r="%s" fill="%s" stroke="#2B1A0E" stroke-width="2"/></g>'
            % (f(x), f(y), f(angle), f(-w / 2), f(-h / 2), f(w / 2), f(-h / 2), f(w * 0.25), f(h * 0.22),
               f(-w * 0.25), f(h * 0.22), color, f(h * 0.42), f(w * 0.42), color))


def sweat_drop(x, y, s, angle):
    return ('<path transform="translate(%s,%s) rotate(%s) scale(%s)" d="M0,-8 Q6,1 5,4 A5,5 0 0 1 -5,4 '
            'Q-6,1 0,-8 Z" fill="#7CC6F2" stroke="#2F7DB5" stroke-width="1.2"/>' % (f(x), f(y), f(angle), f(s)))


def alert_picture():
    W, H = 315, 296
    inset = 12
    out = ['<rect x="0" y="0" width="%d" height="%d" fill="#2B2B2B"/>' % (W, H)]
    step = 26
    for i in range(-H // step - 2, W // step + 3):
        x = i * step
        out.append('<path d="M%d,0 L%d,0 L%d,%d L%d,%d Z" fill="#FFD23F"/>'
                   % (x, x + step // 2, x + step // 2 + H, H, x + H, H))
    x0, y0, x1, y1 = inset, inset, W - inset, H - inset
    out.append('<rect x="%d" y="%d" width="%d" height="%d" fill="url(#alertPanel)"/>' % (x0, y0, x1 - x0, y1 - y0))
    cx, cy = 157.5, 156
    n = 18
    for i in range(n):
        a0 = 2 * math.pi * i / n
        a1 = a0 + math.pi / n
        tri = [(cx, cy), (cx + 400 * math.cos(a0), cy + 400 * math.sin(a0)),
               (cx + 400 * math.cos(a1), cy + 400 * math.sin(a1))]
        pts = clip_polygon(tri, x0, y0, x1, y1)
        out.append('<polygon points="%s" fill="#FF9F1C" opacity="0.35"/>'
                   % " ".join("%s,%s" % (f(px), f(py)) for px, py in pts))
    out.append('<rect x="%s" y="%s" width="%d" height="%d" fill="none" stroke="#2B1A0E" stroke-width="3"/>'
               % (f(x0 + 1.5), f(y0 + 1.5), x1 - x0 - 3, y1 - y0 - 3))
    # shock lines around the head
    for ang in (200, 225, 250, 290, 315, 340):
        a = math.radians(ang)
        r0, r1 = 78, 98
        out.append('<line x1="%s" y1="%s" x2="%s" y2="%s" stroke="#2B1A0E" stroke-width="4" stroke-linecap="round"/>'
                   % (f(cx + r0 * math.cos(a)), f(cy + 6 + r0 * math.sin(a)),
                      f(cx + r1 * math.cos(a)), f(cy + 6 + r1 * math.sin(a))))
    # the startled toy: stand and body hidden behind the banner, head thrown back on its spring
    out += [
        '<g transform="translate(%s,%s)">' % (f(cx), f(cy + 62)),
        '<g transform="translate(0,-18)">' + spring(BASE, 22) + "</g>",
        '<g transform="translate(0,4)">' + puppy_body(BASE) + "</g>",
        "</g>",
        '<g transform="translate(%s,%s) rotate(8) scale(1.05)">' % (f(cx), f(cy + 2)),
        puppy_head(BASE, "startled"),
        "</g>",
        sweat_drop(cx - 52, cy - 30, 1.3, -20),
        sweat_drop(cx + 58, cy - 18, 1.1, 25),
        exclamation(40, 160, 46, -14),
        exclamation(276, 150, 46, 14),
    ]
    out.append(outlined_text(157.5, 76, "Hey!!", 68, "#E3261B", "#2B1A0E", 9, -4))
    out += [
        '<g transform="rotate(-2,157.5,258)">',
        '<rect x="26" y="234" width="263" height="46" rx="10" fill="#FFFFFF" stroke="#2B1A0E" stroke-width="3.5"/>',
        '<text x="157.5" y="269" font-family="%s" font-size="37" font-weight="700" text-anchor="middle" '
        'fill="#E3261B" stroke="#E3261B" stroke-width="1.2" stroke-linejoin="round">Don\'t Move!!</text>' % FONT,
        "</g>",
    ]
    defs = ('<radialGradient id="alertPanel" cx="0.5" cy="0.5" r="0.6">'
            '<stop offset="0" stop-color="#FFF6B0"/><stop offset="1" stop-color="#FFC21F"/></radialGradient>\n')
    return svg_doc(W, H, "\n".join(out) + "\n", defs)


# ---------------------------------------------------------------- mail notice (210 x 182)

def mail_notice():
    W, H = 210, 182
    out = [
        '<rect x="0" y="0" width="%d" height="%d" fill="#4F7FCF"/>' % (W, H),
        '<rect x="3" y="3" width="%d" height="%d" rx="10" fill="url(#noticeSky)"/>' % (W - 6, H - 6),
        '<circle cx="30" cy="150" r="38" fill="#FFFFFF" opacity="0.35"/>',
        '<circle cx="186" cy="62" r="26" fill="#FFFFFF" opacity="0.35"/>',
        outlined_text(105, 40, "New mail!", 30, "#2F5FB3", "#FFFFFF", 6),
        '<path d="M124,152 Q150,168 180,150" fill="none" stroke="#7FA7E6" stroke-width="2" '
        'stroke-dasharray="4,4" stroke-linecap="round"/>',
        '<g transform="translate(64,114) scale(0.74)">' + puppy_head(BASE) + "</g>",
        envelope(136, 110, 74, 50, -10, badge_r=10),
        '<ellipse cx="0" cy="0" rx="7" ry="5.5" transform="translate(99,120) rotate(-30)" fill="%s" '
        'stroke="%s" stroke-width="1.8"/>' % (BASE["cream"], BASE["furLine"]),
        '<ellipse cx="0" cy="0" rx="7" ry="5.5" transform="translate(101,137) rotate(-30)" fill="%s" '
        'stroke="%s" stroke-width="1.8"/>' % (BASE["cream"], BASE["furLine"]),
        sparkle(186, 104, 6, "#FFFFFF"),
        sparkle(112, 70, 5, "#FFF4B8"),
        sparkle(176, 150, 4, "#FFFFFF"),
    ]
    defs = ('<linearGradient id="noticeSky" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="#EAF5FF"/><stop offset="1" stop-color="#BFE0FF"/></linearGradient>\n')
    return svg_doc(W, H, "\n".join(out) + "\n", defs)


# ---------------------------------------------------------------- icons (64 x 64)

def icon(badge):
    """The program icon; badge None, "on" (new mail) or "dim" (its blink partner)."""
    out = []
    if badge is None:
        out.append('<g transform="translate(32,35) scale(0.55)">' + puppy_head(BASE, bold=True) + "</g>")
    else:
        out.append('<g transform="translate(28,30) scale(0.5)">' + puppy_head(BASE, bold=True) + "</g>")
        opacity = "1" if badge == "on" else "0.35"
        out.append('<g opacity="%s">' % opacity)
        out.append('<rect x="33" y="39" width="29" height="21" rx="3" fill="#FFFFFF" stroke="#2F5FB3" '
                   'stroke-width="3"/>')
        out.append('<path d="M35,41 L47.5,51 L60,41" fill="none" stroke="#2F5FB3" stroke-width="3" '
                   'stroke-linejoin="round" stroke-linecap="round"/>')
        out.append("</g>")
        if badge == "on":
            out.append('<circle cx="57" cy="38" r="6.5" fill="#E53935" stroke="#FFFFFF" stroke-width="2"/>')
    return svg_doc(64, 64, "\n".join(out) + "\n")


# ---------------------------------------------------------------- screen saver pieces

SAVER_W, SAVER_H = 200, 170
SAVER_STAND_Y = 154
# The saver nods the head about the top of the spring: (100, 95) in these pictures.


def saver_body():
    return svg_doc(SAVER_W, SAVER_H, '<g transform="translate(100,%d)">' % SAVER_STAND_Y
                   + toy_stand_and_body(BASE) + "</g>\n")


def saver_head():
    return svg_doc(SAVER_W, SAVER_H, '<g transform="translate(100,%d)">' % (SAVER_STAND_Y - HEAD_RISE)
                   + puppy_head(BASE) + "</g>\n")


# ---------------------------------------------------------------- output

def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="\n") as fh:
        fh.write(text)


def main():
    b = lambda n: os.path.join(BITMAPS, "%d.svg" % n)
    write(b(129), main_scene(profile=False))
    write(b(245), main_scene(profile=True))
    write(b(226), main_scene(profile=False, mail=True))
    for n, hl in ((131, "bell"), (132, "card"), (133, "guard"), (134, "sound")):
        write(b(n), main_scene(profile=False, highlight=hl))
    for n, hl in ((249, "bell"), (252, "card"), (248, "guard"), (251, "sound")):
        write(b(n), main_scene(profile=True, highlight=hl))
    write(b(242), alert_picture())
    write(b(137), mail_notice())
    write(os.path.join(ICONS, "128.svg"), icon(None))
    write(os.path.join(ICONS, "224.svg"), icon("on"))
    write(os.path.join(ICONS, "223.svg"), icon("dim"))
    write(os.path.join(SAVER, "toy_body.svg"), saver_body())
    write(os.path.join(SAVER, "toy_head.svg"), saver_head())


if __name__ == "__main__":
    main()
