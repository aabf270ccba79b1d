#!/usr/bin/python3
"""Writes the bundle's view images (resources/images/*.svg).

Music symbols (clefs, brace, note heads, accidentals, key signatures) are outlines of the
Emmentaler glyphs of Debian's lilypond-fonts (SIL Open Font License 1.1), turned into SVG
paths with fontTools and laid out on our staff, whose line spacing is 10 points. Keys, marks,
buttons and backgrounds are drawn here directly.

Run after changing a picture:  /usr/bin/python3 tools/make_images.py
Needs: lilypond-fonts, python3-fonttools.
"""

import os
import sys

from fontTools.pens.boundsPen import BoundsPen
from fontTools.pens.svgPathPen import SVGPathPen
from fontTools.pens.transformPen import TransformPen
from fontTools.ttLib import TTFont

FONT_DIR = "/usr/share/lilypond/2.24.1/fonts/otf"
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "images")

# Emmentaler's staff space is 250 font units; ours is 10 points.
STAFF_SCALE = 10.0 / 250.0

BLACK = "#111111"
RED = "#d42a20"
SELECTED = "#1d6fe0"


def find_font(name):
    for root, _, files in os.walk("/usr/share/lilypond"):
        if name in files:
            return os.path.join(root, name)
    sys.exit("missing font %s (install lilypond-fonts)" % name)


MUSIC = TTFont(find_font("emmentaler-20.otf"))
BRACES = TTFont(find_font("emmentaler-brace.otf"))


def glyph_bounds(font, name):
    glyphs = font.getGlyphSet()
    pen = BoundsPen(glyphs)
    glyphs[name].draw(pen)
    return pen.bounds


def glyph_path(font, name, scale, x, y):
    """Path data of a glyph whose origin lands on (x, y) of a y-down picture."""
    glyphs = font.getGlyphSet()
    pen = SVGPathPen(glyphs, ntos=lambda v: ("%.2f" % v).rstrip("0").rstrip("."))
    glyphs[name].draw(TransformPen(pen, (scale, 0, 0, -scale, x, y)))
    return pen.getCommands()


def write(name, width, height, body):
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="{w}" height="{h}" '
           'viewBox="0 0 {w} {h}">\n{body}\n</svg>\n').format(w=fmt(width), h=fmt(height), body=body)
    with open(os.path.join(OUT, name + ".svg"), "w") as out:
        out.write(svg)


def fmt(v):
    return ("%.2f" % v).rstrip("0").rstrip(".")


def glyph_picture(name, glyph, width, height, scale, origin, colour, font=MUSIC):
    """One glyph with its origin at `origin` (y-down picture coordinates)."""
    d = glyph_path(font, glyph, scale, origin[0], origin[1])
    write(name, width, height, '<path fill="%s" d="%s"/>' % (colour, d))


# ---- clefs and brace -------------------------------------------------------------------

def clefs():
    # Treble clef: drawn from 27 points under its G line (the view puts its bottom at top + 78,
    # the G line is at top + 105).
    x0 = glyph_bounds(MUSIC, "clefs.G")[0]
    glyph_picture("violinKey", "clefs.G", 27, 76, STAFF_SCALE, (0.5 - x0 * STAFF_SCALE, 76 - 27), BLACK)
    # Bass clef: its F line lies 23 points above the picture's bottom (top + 30 over top + 7).
    x0 = glyph_bounds(MUSIC, "clefs.F")[0]
    glyph_picture("bassKey", "clefs.F", 28, 35, STAFF_SCALE, (0.5 - x0 * STAFF_SCALE, 35 - 23), BLACK)


def brace():
    # The brace of the grand staff: 134 points high, from top + 1 to top + 135.
    x0, y0, x1, y1 = glyph_bounds(BRACES, "brace180")
    height = 134.0
    scale = height / (y1 - y0)
    width = 16.0
    x = width - 0.5 - x1 * scale
    y = y1 * scale
    glyph_picture("bracket", "brace180", width, height, scale, (x, y), BLACK, BRACES)


# ---- note heads and accidentals --------------------------------------------------------

def heads():
    x0, y0, x1, y1 = glyph_bounds(MUSIC, "noteheads.s0")
    w = (x1 - x0) * STAFF_SCALE
    for name, colour in (("wholeNote", BLACK), ("wholeNoteRed", RED), ("wholeNoteSelected", SELECTED)):
        glyph_picture(name, "noteheads.s0", 22, 11, STAFF_SCALE, (11 - w / 2 - x0 * STAFF_SCALE, 5.5), colour)


# name, glyph, picture size, glyph width in points, baseline from the picture's top
ACCIDENTALS = (
    ("sharp", "accidentals.sharp", (10, 31), 9.9, 13.5),        # centred 2 pt under the head's centre
    ("flat", "accidentals.flat", (10, 31), 9.1, 19.5),
    ("doubleFlat", "accidentals.flatflat", (15, 31), 14.6, 19.5),
    ("doubleSharp", "accidentals.doublesharp", (11, 11), 10.6, 5.5),
)


def accidentals():
    for name, glyph, (w, h), glyph_width, baseline in ACCIDENTALS:
        x0, y0, x1, y1 = glyph_bounds(MUSIC, glyph)
        scale = glyph_width / (x1 - x0)
        x = (w - glyph_width) / 2 - x0 * scale
        glyph_picture(name, glyph, w, h, scale, (x, baseline), BLACK)
        glyph_picture(name + "Red", glyph, w, h, scale, (x, baseline), RED)


# ---- key signatures --------------------------------------------------------------------

# Staff steps above the treble staff's bottom line (E4 = 0), in the order the signs are written.
SHARP_STEPS = (8, 5, 9, 6, 3, 7, 4)   # F C G D A E B
FLAT_STEPS = (4, 7, 3, 6, 2, 5, 1)    # B E A D G C F
SIGNATURE_HEIGHT = 66


def key_signatures():
    # The view draws the same picture at (90, top + 90) over the treble staff and at
    # (90, top - 15) over the bass staff: a sign 5 + 5 * step points above the picture's bottom
    # sits on that treble step and two steps lower on the bass staff, where the key's signs belong.
    # 0: no signs; 1-7: one to seven sharps; 8-14: one to seven flats.
    write("signature_0", 10, SIGNATURE_HEIGHT, "")
    for count in range(1, 8):
        signature(count, "accidentals.sharp", SHARP_STEPS, 12.0)
        signature(7 + count, "accidentals.flat", FLAT_STEPS, 10.0, count)


def signature(number, glyph, steps, advance, count=None):
    count = count if count is not None else number
    x0 = glyph_bounds(MUSIC, glyph)[0]
    paths = []
    for i in range(count):
        y = SIGNATURE_HEIGHT - (5 + 5 * steps[i])
        x = 1 + i * advance - x0 * STAFF_SCALE
        paths.append(glyph_path(MUSIC, glyph, STAFF_SCALE, x, y))
    width = 2 + count * advance
    write("signature_%d" % number, width, SIGNATURE_HEIGHT,
          '<path fill="%s" d="%s"/>' % (BLACK, " ".join(paths)))


# ---- piano keyboard --------------------------------------------------------------------

WHITE_X = (0, 30, 60, 90, 120, 150, 180)
BLACK_X = (20, 50, 110, 140, 170)


def keyboard():
    defs = """<defs>
  <linearGradient id="white" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#e9e9e6"/><stop offset="0.06" stop-color="#fbfbf9"/>
    <stop offset="0.85" stop-color="#ffffff"/><stop offset="1" stop-color="#e4e4e0"/>
  </linearGradient>
  <linearGradient id="black" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#2c2c2e"/><stop offset="1" stop-color="#0c0c0d"/>
  </linearGradient>
  <linearGradient id="blackFace" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#4a4a4e"/><stop offset="1" stop-color="#232325"/>
  </linearGradient>
  <linearGradient id="felt" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#000000" stop-opacity="0.45"/><stop offset="1" stop-color="#000000" stop-opacity="0"/>
  </linearGradient>
</defs>"""
    parts = [defs, '<rect x="0" y="0" width="210" height="120" fill="#8d8d8a"/>']
    for x in WHITE_X:
        parts.append('<path d="M{a},0 H{b} V116.5 Q{b},119.5 {c},119.5 H{d} Q{a},119.5 {a},116.5 Z" '
                     'fill="url(#white)"/>'.format(a=fmt(x + 0.5), b=fmt(x + 29.5), c=fmt(x + 26.5), d=fmt(x + 3.5)))
    parts.append('<rect x="0" y="0" width="210" height="6" fill="url(#felt)"/>')
    for x in BLACK_X:
        # Soft shadow on the white keys, the key body and its lighter front face.
        parts.append('<rect x="%s" y="0" width="19" height="72" rx="2" fill="#000" fill-opacity="0.18"/>' % fmt(x + 1.5))
        parts.append('<path d="M{a},0 H{b} V67 Q{b},70 {c},70 H{d} Q{a},70 {a},67 Z" fill="url(#black)"/>'.format(
            a=fmt(x), b=fmt(x + 19), c=fmt(x + 16), d=fmt(x + 3)))
        parts.append('<path d="M{a},0 H{b} V59 Q{b},62 {c},63.5 H{d} Q{a},62 {a},59 Z" fill="url(#blackFace)"/>'.format(
            a=fmt(x + 2.5), b=fmt(x + 16.5), c=fmt(x + 14), d=fmt(x + 5)))
        parts.append('<rect x="%s" y="0" width="1" height="58" fill="#ffffff" fill-opacity="0.12"/>' % fmt(x + 3.5))
    write("octave", 210, 120, "\n".join(parts))

    pressed = """<defs>
  <linearGradient id="down" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#9fb4cc"/><stop offset="0.1" stop-color="#c9d8ea"/>
    <stop offset="0.9" stop-color="#dae5f2"/><stop offset="1" stop-color="#c3d2e4"/>
  </linearGradient>
</defs>"""
    # A held white key: the key's visible shape, cut where its black neighbours cover it.
    left_cut, right_cut = 10, 20
    shapes = {
        "key_C_Down": "M0.5,0 H{r} V70 H29.5",            # black key on the right only
        "key_D_Down": "M{l},0 H{r} V70 H29.5",            # black keys on both sides
        "key_E_Down": "M{l},0 H29.5",                     # black key on the left only
    }
    for name, start in shapes.items():
        outline = start.format(l=left_cut, r=right_cut)
        outline += " V116.5 Q29.5,119.5 26.5,119.5 H3.5 Q0.5,119.5 0.5,116.5"
        if "{l}" in start:
            outline += " V70 H%d" % left_cut
        outline += " Z"
        write(name, 30, 120, pressed + '\n<path d="%s" fill="url(#down)"/>' % outline)

    write("blackKeyDown", 19, 70, """<defs>
  <linearGradient id="down" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#22344a"/><stop offset="1" stop-color="#0e1826"/>
  </linearGradient>
  <linearGradient id="face" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#3d5673"/><stop offset="1" stop-color="#253a54"/>
  </linearGradient>
</defs>
<path d="M0,0 H19 V67 Q19,70 16,70 H3 Q0,70 0,67 Z" fill="url(#down)"/>
<path d="M2.5,0 H16.5 V63 Q16.5,66 14,67 H5 Q2.5,66 2.5,63 Z" fill="url(#face)"/>""")


def mark(name, light, dark, border):
    write(name, 24, 11, """<defs>
  <linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="{light}"/><stop offset="1" stop-color="{dark}"/>
  </linearGradient>
</defs>
<rect x="0.5" y="0.5" width="23" height="10" rx="3" fill="url(#g)" stroke="{border}" stroke-width="1"/>
<rect x="2" y="1.5" width="20" height="3.5" rx="1.75" fill="#ffffff" fill-opacity="0.22"/>""".format(
        light=light, dark=dark, border=border))


def dots_and_marks():
    mark("greenRect", "#5ccf5a", "#2e9a33", "#1f6e22")
    mark("redRect", "#f0625a", "#c8281f", "#8e1a14")


# ---- guitar fretboard -------------------------------------------------------------------

# Left edge of frets 0 to 24 and the end of the last; fret 0 (the open strings) lies left of the nut.
FRET_EDGES = (0, 33, 95, 154, 211, 266, 321, 372, 423, 472, 520, 564, 608,
              652, 692, 733, 770, 808, 845, 880, 915, 946, 977, 1006, 1033, 1059)
FRETBOARD_WIDTH, FRETBOARD_HEIGHT = 1068, 120
# Strings from the lowest (E2) to the highest (E4): gauge in points, wound or plain.
STRINGS = ((2.4, True), (2.0, True), (1.7, True), (1.3, False), (1.0, False), (0.8, False))


def gradient(ident, stops, across=False):
    """A linear gradient running down the picture, or across it from left to right."""
    end = 'x2="1" y2="0"' if across else 'x2="0" y2="1"'
    return ('<linearGradient id="%s" x1="0" y1="0" %s>%s</linearGradient>'
            % (ident, end, "".join('<stop offset="%s" stop-color="%s"/>' % stop for stop in stops)))


def fretboard():
    parts = ["<defs>",
             gradient("wood", (("0", "#4b2f1e"), ("0.5", "#3c2416"), ("1", "#2e1b10"))),
             gradient("head", (("0", "#1a0f09"), ("1", "#2a1910")), across=True),
             gradient("fret", (("0", "#8c9399"), ("0.45", "#eef1f3"), ("1", "#7b8288")), across=True),
             gradient("nut", (("0", "#fbf6ea"), ("1", "#d9cfb8")), across=True),
             gradient("bronze", (("0", "#f0d59c"), ("0.5", "#c49a55"), ("1", "#8a6632"))),
             gradient("steel", (("0", "#ffffff"), ("0.5", "#cfd3d7"), ("1", "#868c92"))),
             '<radialGradient id="pearl" cx="0.4" cy="0.35" r="0.7">'
             '<stop offset="0" stop-color="#fbf8f1"/><stop offset="0.6" stop-color="#e4dccb"/>'
             '<stop offset="1" stop-color="#bfb49e"/></radialGradient>',
             "</defs>"]
    w, h = FRETBOARD_WIDTH, FRETBOARD_HEIGHT
    parts.append('<rect x="0" y="0" width="%d" height="%d" fill="url(#wood)"/>' % (w, h))
    # Grain: faint lines along the neck.
    for i, y in enumerate((7, 16, 23, 34, 41, 47, 58, 66, 73, 84, 92, 99, 108, 114)):
        parts.append('<rect x="0" y="%g" width="%d" height="0.6" fill="#000000" fill-opacity="%.2f"/>'
                     % (y, w, 0.10 + 0.05 * (i % 3)))
    # The headstock end holds the open strings; the body end follows the last fret.
    parts.append('<rect x="0" y="0" width="29" height="%d" fill="url(#head)"/>' % h)
    parts.append('<rect x="%d" y="0" width="%d" height="%d" fill="#1d120b"/>' % (FRET_EDGES[-1] + 1, w - FRET_EDGES[-1] - 1, h))
    parts.append('<rect x="29" y="0" width="4" height="%d" fill="url(#nut)"/>' % h)
    parts.append('<rect x="33" y="0" width="1.5" height="%d" fill="#000000" fill-opacity="0.35"/>' % h)
    # Binding along both edges.
    parts.append('<rect x="29" y="0" width="%d" height="1.2" fill="#e3d6b8"/>' % (FRET_EDGES[-1] - 28))
    parts.append('<rect x="29" y="%g" width="%d" height="1.2" fill="#e3d6b8"/>' % (h - 1.2, FRET_EDGES[-1] - 28))

    # Position inlays in the middle of their frets: one dot between the middle strings, two at 12 and 24.
    for fret in (3, 5, 7, 9, 12, 15, 17, 19, 21, 24):
        x = (FRET_EDGES[fret] + FRET_EDGES[fret + 1]) / 2.0
        for y in ((40, 80) if fret in (12, 24) else (60,)):
            parts.append('<circle cx="%s" cy="%d" r="5" fill="url(#pearl)"/>' % (fmt(x), y))

    # Fret wires on the right edge of every fret from the first.
    for x in FRET_EDGES[2:]:
        parts.append('<rect x="%s" y="1" width="3" height="%d" fill="#000000" fill-opacity="0.35"/>' % (fmt(x - 0.5), h - 2))
        parts.append('<rect x="%s" y="1" width="2.4" height="%d" fill="url(#fret)"/>' % (fmt(x - 1.2), h - 2))

    # Strings: string s of the view lies at y 20s + 10 from the bottom.
    for s, (gauge, wound) in enumerate(STRINGS):
        y = h - (20 * s + 10)
        parts.append('<rect x="0" y="%s" width="%d" height="%s" fill="#000000" fill-opacity="0.4"/>'
                     % (fmt(y + gauge / 2.0), w, fmt(max(gauge * 0.6, 0.8))))
        parts.append('<rect x="0" y="%s" width="%d" height="%s" fill="url(#%s)"/>'
                     % (fmt(y - gauge / 2.0), w, fmt(gauge), "bronze" if wound else "steel"))
    write("fretboard", w, h, "\n".join(parts))


def dot(name, light, dark, border):
    write(name, 22, 22, """<defs>
  <radialGradient id="g" cx="0.4" cy="0.3" r="0.75">
    <stop offset="0" stop-color="{light}"/><stop offset="1" stop-color="{dark}"/>
  </radialGradient>
</defs>
<circle cx="11" cy="11" r="10.5" fill="#000000" fill-opacity="0.35"/>
<circle cx="11" cy="10.5" r="9.8" fill="url(#g)" stroke="{border}" stroke-width="1"/>
<ellipse cx="11" cy="6.2" rx="6" ry="3" fill="#ffffff" fill-opacity="0.25"/>""".format(
        light=light, dark=dark, border=border))


def fretboard_dots():
    dot("greenDot", "#7ee07a", "#2e9a33", "#1b5e1e")
    dot("redDot", "#f58a80", "#c8281f", "#7e160f")


def chevron(name, points):
    write(name, 16, 16, '<polyline points="%s" fill="none" stroke="#000000" stroke-opacity="0.75" '
          'stroke-width="2.2" stroke-linecap="round" stroke-linejoin="round"/>' % points)


def keyboard_buttons():
    chevron("prevKeyboardTemplate", "10,3 5,8 10,13")
    chevron("nextKeyboardTemplate", "6,3 11,8 6,13")


# ---- step bar and count-down -----------------------------------------------------------

def step_button(name, width, top, bottom, border):
    write(name, width, 18, """<defs>
  <linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="{top}"/><stop offset="1" stop-color="{bottom}"/>
  </linearGradient>
</defs>
<rect x="0.5" y="0.5" width="{w}" height="17" rx="4" fill="url(#g)" stroke="{border}" stroke-width="1"/>
<rect x="1.5" y="1.5" width="{wi}" height="7" rx="3" fill="#ffffff" fill-opacity="0.16"/>""".format(
        top=top, bottom=bottom, border=border, w=fmt(width - 1), wi=fmt(width - 3)))


def step_bar():
    step_button("chordProgressionStepButtonNormal", 18, "#6b7480", "#434a54", "#2b3038")
    step_button("chordProgressionStepButtonActive", 18, "#4aa3f0", "#1c66c4", "#124a91")
    step_button("chordProgressionStepButtonAllNormal", 35, "#6b7480", "#434a54", "#2b3038")
    step_button("chordProgressionStepButtonAllActive", 35, "#4aa3f0", "#1c66c4", "#124a91")


def count_down():
    write("countDownBack", 48, 30, """<defs>
  <linearGradient id="rim" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#5a5f66"/><stop offset="1" stop-color="#24272b"/>
  </linearGradient>
  <linearGradient id="glass" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#0b0d10"/><stop offset="1" stop-color="#1c2026"/>
  </linearGradient>
</defs>
<rect x="0.5" y="0.5" width="47" height="29" rx="6" fill="url(#rim)"/>
<rect x="2.5" y="2.5" width="43" height="25" rx="4.5" fill="url(#glass)"/>
<rect x="3.5" y="3.5" width="41" height="9" rx="3.5" fill="#ffffff" fill-opacity="0.05"/>""")


# ---- cells -----------------------------------------------------------------------------

def cells():
    write("tableViewSectionBackground", 200, 22, """<defs>
  <linearGradient id="g" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#d9dde2"/><stop offset="1" stop-color="#b3bac3"/>
  </linearGradient>
</defs>
<rect x="0" y="0" width="200" height="22" fill="url(#g)"/>
<rect x="0" y="0" width="200" height="1" fill="#ffffff" fill-opacity="0.6"/>
<rect x="0" y="21" width="200" height="1" fill="#8c949e"/>""")
    knob = "#d6d9dd"
    write("knobTop", 8, 4, '<path d="M0,4 V4 A4,4 0 0 1 8,4 Z" fill="%s"/>' % knob)
    write("knobMiddle", 8, 1, '<rect x="0" y="0" width="8" height="1" fill="%s"/>' % knob)
    write("knobBottom", 8, 4, '<path d="M0,0 H8 A4,4 0 0 1 0,0 Z" fill="%s"/>' % knob)


# ---- staff editor footer -----------------------------------------------------------------

FOOTER_GRADIENT = """<defs>
  <linearGradient id="bar" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="#f4f5f7"/><stop offset="1" stop-color="#d5d9de"/>
  </linearGradient>
</defs>"""


def footer_bar():
    write("footerBarLeft", 4, 23, FOOTER_GRADIENT + """
<rect x="0" y="0" width="4" height="23" fill="url(#bar)"/>
<rect x="0" y="0" width="4" height="1" fill="#a3a9b1"/>
<rect x="0" y="0" width="1" height="23" fill="#a3a9b1"/>""")
    write("footerBarMiddle", 1, 23, FOOTER_GRADIENT + """
<rect x="0" y="0" width="1" height="23" fill="url(#bar)"/>
<rect x="0" y="0" width="1" height="1" fill="#a3a9b1"/>""")
    write("footerBarRight", 4, 23, FOOTER_GRADIENT + """
<rect x="0" y="0" width="4" height="23" fill="url(#bar)"/>
<rect x="0" y="0" width="4" height="1" fill="#a3a9b1"/>
<rect x="3" y="0" width="1" height="23" fill="#a3a9b1"/>""")


def footer_button(name, symbol, pressed, selected=False):
    """A 26 x 21 footer button: a separator on its right, a sunken face when pressed or on."""
    parts = []
    if pressed or selected:
        fill = "#2f7de1" if selected else "#b8bec6"
        parts.append('<rect x="1.5" y="1.5" width="22" height="18" rx="3" fill="%s"/>' % fill)
    parts.append('<rect x="25" y="3" width="1" height="15" fill="#aab0b8"/>')
    colour = "#ffffff" if selected else "#3b4149"
    parts.append(symbol(colour))
    write(name, 26, 21, "\n".join(parts))


def plus(colour):
    return ('<rect x="7.5" y="9.5" width="10" height="2" rx="0.5" fill="{c}"/>'
            '<rect x="11.5" y="5.5" width="2" height="10" rx="0.5" fill="{c}"/>').format(c=colour)


def minus(colour):
    return '<rect x="7.5" y="9.5" width="10" height="2" rx="0.5" fill="%s"/>' % colour


def accidental_symbol(glyph, height, baseline):
    def draw(colour):
        x0, y0, x1, y1 = glyph_bounds(MUSIC, glyph)
        scale = height / (y1 - y0)
        x = 12.5 - (x1 - x0) * scale / 2 - x0 * scale
        return '<path fill="%s" d="%s"/>' % (colour, glyph_path(MUSIC, glyph, scale, x, baseline + y0 * scale + height))
    return draw


def footer_buttons():
    footer_button("levelPlusButtonNormal", plus, False)
    footer_button("levelPlusButtonActive", plus, True)
    footer_button("levelMinusButtonNormal", minus, False)
    footer_button("levelMinusButtonActive", minus, True)
    symbols = (
        ("flat", accidental_symbol("accidentals.flat", 14, 3.5)),
        ("doubleFlat", accidental_symbol("accidentals.flatflat", 14, 3.5)),
        ("sharp", accidental_symbol("accidentals.sharp", 14, 3.5)),
        ("doubleSharp", accidental_symbol("accidentals.doublesharp", 7, 7)),
    )
    for name, symbol in symbols:
        footer_button(name + "ButtonNormal", symbol, False)
        footer_button(name + "ButtonSelected", symbol, False, selected=True)


def main():
    os.makedirs(OUT, exist_ok=True)
    clefs()
    brace()
    heads()
    accidentals()
    key_signatures()
    keyboard()
    dots_and_marks()
    keyboard_buttons()
    fretboard()
    fretboard_dots()
    step_bar()
    count_down()
    cells()
    footer_bar()
    footer_buttons()


if __name__ == "__main__":
    main()
