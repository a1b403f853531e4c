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
from make_artwork import BASE, BITMAPS, FONT, ICONS, f, mix, outlined_text, puppy_head, svg_doc, write  # noqa: E402

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


def main():
    i = lambda n: os.path.join(ICONS, "%d.svg" % n)
    # Shared plates: SAVE / QUIT / RESET and the spin arrows.
    write(i(211), plate(64, 25, "SAVE", "green"))
    write(i(212), plate(64, 25, "QUIT", "orange"))
    write(i(213), plate(64, 25, "RESET", "blue"))
    write(i(240), arrow(True))
    write(i(241), arrow(False))


if __name__ == "__main__":
    main()
