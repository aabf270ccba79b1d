#!/usr/bin/python3
"""Writes the main window's images (resources/images/*.svg): the top bar's buttons and
info panel, the play-direction and mode switches, the panel icons, the pane backgrounds,
the instrument panel's scroll buttons, the split view's hover buttons and the microphone
button with its level light.

Run after changing a picture:  /usr/bin/python3 tools/make_app_images.py
"""

import os

OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "resources", "images")

ACCENT_TOP, ACCENT_BOTTOM = "#5a9cf0", "#2f6fc4"
FACE_TOP, FACE_BOTTOM = "#4a5059", "#2c3036"
FACE_DOWN_TOP, FACE_DOWN_BOTTOM = "#2b2f35", "#22262b"
ICON = "#d7dce3"


def write(name, width, height, body, defs=""):
    svg = ('<svg xmlns="http://www.w3.org/2000/svg" width="%g" height="%g" viewBox="0 0 %g %g">\n'
           % (width, height, width, height))
    if defs:
        svg += "<defs>\n%s\n</defs>\n" % defs
    svg += body + "\n</svg>\n"
    with open(os.path.join(OUT, name + ".svg"), "w") as f:
        f.write(svg)


def gradient(ident, top, bottom):
    return ('<linearGradient id="%s" x1="0" y1="0" x2="0" y2="1">'
            '<stop offset="0" stop-color="%s"/><stop offset="1" stop-color="%s"/></linearGradient>'
            % (ident, top, bottom))


# ---- Info panel: a dark display set into the bar, cut into caps and a middle ----

def info_panel():
    h, r = 44, 9
    defs = gradient("glass", "#121519", "#242a31")
    outline = 'fill="none" stroke="#07080a"'
    inner = 'fill="none" stroke="#000000" stroke-opacity="0.35"'
    # Each piece is drawn within its own bounds: the pictures are stretched and laid side by side.
    left = ('<path d="M10 0.5 H9.5 A9 9 0 0 0 0.5 9.5 V34.5 A9 9 0 0 0 9.5 43.5 H10 Z" fill="url(#glass)"/>'
            '<path d="M10 0.5 H9.5 A9 9 0 0 0 0.5 9.5 V34.5 A9 9 0 0 0 9.5 43.5 H10" %s/>'
            '<path d="M10 1.5 H9.5 A8 8 0 0 0 1.5 9.5 V34.5 A8 8 0 0 0 9.5 42.5 H10" %s/>' % (outline, inner))
    right = ('<g transform="translate(10 0) scale(-1 1)">%s</g>' % left)
    middle = ('<rect x="0" y="0.5" width="4" height="43" fill="url(#glass)"/>'
              '<path d="M0 0.5 H4 M0 43.5 H4" %s/><path d="M0 1.5 H4 M0 42.5 H4" %s/>' % (outline, inner))
    write("toolbarInfoLeft", 10, h, left, defs)
    write("toolbarInfoCenter", 4, h, middle, defs)
    write("toolbarInfoRight", 10, h, right, defs)


# ---- Panel icons (16 x 16) ----

def icons():
    def disc(name, top, bottom, mark):
        write(name, 16, 16,
              '<circle cx="8" cy="8" r="7.5" fill="url(#d)"/>'
              '<circle cx="8" cy="8" r="7" fill="none" stroke="#ffffff" stroke-opacity="0.25"/>' + mark,
              gradient("d", top, bottom))

    white = 'stroke="#ffffff" stroke-width="2" stroke-linecap="round" stroke-linejoin="round" fill="none"'
    disc("questionIconSmall", "#66a6f2", "#2f6fc4",
         '<path d="M5.6 6.1 C5.6 3.4 10.4 3.4 10.4 6 C10.4 7.7 8 7.8 8 9.6" %s/>'
         '<circle cx="8" cy="12.3" r="1.15" fill="#ffffff"/>' % white)
    disc("infoIconSmall", "#9aa4b2", "#5d6775",
         '<circle cx="8" cy="4.6" r="1.2" fill="#ffffff"/><path d="M8 7.4 V12" %s/>' % white)
    disc("rightIconSmall", "#8fd16a", "#4f9a30", '<path d="M4.6 8.3 L7 10.7 L11.5 5.6" %s/>' % white)
    disc("wrongIconSmall", "#ef7f72", "#c0392b", '<path d="M5.5 5.5 L10.5 10.5 M10.5 5.5 L5.5 10.5" %s/>' % white)


# ---- Round transport buttons ----

def round_button(name, size, top, bottom, mark, ring="#0b0c0e"):
    r = size / 2.0
    write(name, size, size,
          '<circle cx="%g" cy="%g" r="%g" fill="%s"/>'
          '<circle cx="%g" cy="%g" r="%g" fill="url(#f)"/>'
          '<path d="M%g %g A%g %g 0 0 1 %g %g" fill="none" stroke="#ffffff" stroke-opacity="0.28"/>%s'
          % (r, r, r - 0.5, ring, r, r, r - 2, r - (r - 3) * 0.8, r - (r - 3) * 0.6, r - 3, r - 3,
             r + (r - 3) * 0.8, r - (r - 3) * 0.6, mark),
          gradient("f", top, bottom))


def transport():
    s = 44
    play = '<path d="M18 14 L31 22 L18 30 Z" fill="#ffffff" stroke="#ffffff" stroke-width="1.5" stroke-linejoin="round"/>'
    stop = '<rect x="16" y="16" width="12" height="12" rx="1.5" fill="#ffffff"/>'
    round_button("playButton", s, "#7fcb57", "#3d8a25", play)
    round_button("playButtonHighlighted", s, "#4e9a31", "#2e6b1b", play)
    round_button("stopButton", s, "#f08a5d", "#c1502a", stop)
    round_button("stopButtonHighlighted", s, "#c0603a", "#8f3a1c", stop)
    arrow = ('<path d="M24.2 13.6 A6.4 6.4 0 1 1 18 11.6" fill="none" stroke="%s" stroke-width="2.2" '
             'stroke-linecap="round"/><path d="M17 7.8 L21.4 11.7 L16.6 14.6 Z" fill="%s"/>')
    round_button("repeatButton", 36, FACE_TOP, FACE_BOTTOM, arrow % (ICON, ICON))
    round_button("repeatButtonHighlighted", 36, FACE_DOWN_TOP, FACE_DOWN_BOTTOM, arrow % ("#ffffff", "#ffffff"))


# ---- Small square switches and segments ----

def face(width, height, top, bottom, radius, left=True, right=True):
    """A button face; square corners on the sides that join a neighbour."""
    w, h, r = width - 1, height - 1, radius
    lr = r if left else 0
    rr = r if right else 0
    path = ("M%g 0.5 H%g Q%g 0.5 %g %g V%g Q%g %g %g %g H%g Q0.5 %g 0.5 %g V%g Q0.5 0.5 %g 0.5 Z"
            % (0.5 + lr, 0.5 + w - rr, 0.5 + w, 0.5 + w, 0.5 + rr, 0.5 + h - rr, 0.5 + w, 0.5 + h, 0.5 + w - rr,
               0.5 + h, 0.5 + lr, 0.5 + h, 0.5 + h - lr, 0.5 + lr, 0.5 + lr))
    return ('<path d="%s" fill="url(#f)" stroke="#0b0c0e"/>'
            '<path d="M%g 1.5 H%g" stroke="#ffffff" stroke-opacity="0.22"/>'
            % (path, 0.5 + max(lr, 2), 0.5 + w - max(rr, 2))), gradient("f", top, bottom)


def switches():
    w, h = 30, 26
    line = 'fill="none" stroke="%s" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"'
    marks = {
        "pfeilHochButton": '<path d="M15 19 V7 M10 12 L15 7 L20 12" %s/>',
        "pfeilRunterButton": '<path d="M15 7 V19 M10 14 L15 19 L20 14" %s/>',
        "randomButton": ('<path d="M8 9 H11 C14 9 16 17 19 17 H22 M8 17 H11 C14 17 16 9 19 9 H22" %s/>'
                         '<path d="M20 6.5 L22.5 9 L20 11.5 M20 14.5 L22.5 17 L20 19.5" %s/>'),
    }
    for name, mark in marks.items():
        for suffix, top, bottom, colour in (("", FACE_TOP, FACE_BOTTOM, ICON),
                                            ("Selected" if name == "randomButton" else "Highlighted",
                                             ACCENT_TOP, ACCENT_BOTTOM, "#ffffff")):
            body, defs = face(w, h, top, bottom, 5)
            drawn = mark.replace("%s", line % colour)
            write(name + suffix, w, h, body + drawn, defs)

    for prefix, width, height in (("segment", 86, 26), ("segmentLong", 96, 24)):
        for side in ("Left", "Right"):
            for suffix, top, bottom in (("", FACE_TOP, FACE_BOTTOM), ("Highlighted", ACCENT_TOP, ACCENT_BOTTOM)):
                body, defs = face(width, height, top, bottom, 6, left=side == "Left", right=side == "Right")
                write(prefix + side + suffix, width, height, body, defs)


# ---- Instrument panel scroll buttons: one step (single chevron) and one page (double) ----

def scroll_buttons():
    w, h = 22, 58
    line = 'fill="none" stroke="%s" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"' % ICON
    marks = {
        "keyboardScrollLeft": '<path d="M13 22 L8 29 L13 36" %s/>',
        "keyboardScrollLeftPage": '<path d="M11 22 L6 29 L11 36 M16 22 L11 29 L16 36" %s/>',
        "keyboardScrollRight": '<path d="M9 22 L14 29 L9 36" %s/>',
        "keyboardScrollRightPage": '<path d="M6 22 L11 29 L6 36 M11 22 L16 29 L11 36" %s/>',
    }
    for name, mark in marks.items():
        body, defs = face(w, h, FACE_TOP, FACE_BOTTOM, 5)
        write(name, w, h, body + mark % line, defs)


# ---- Split view hover buttons: a translucent pill with a chevron ----

def split_buttons():
    w, h = 30, 16
    pill = '<rect x="0.5" y="0.5" width="29" height="15" rx="7.5" fill="#1b1e23" fill-opacity="0.72" stroke="#ffffff" stroke-opacity="0.35"/>'
    line = 'fill="none" stroke="#ffffff" stroke-width="2" stroke-linecap="round" stroke-linejoin="round"'
    write("splitViewUpButton", w, h, pill + '<path d="M10 10 L15 5.5 L20 10" %s/>' % line)
    write("splitViewDownButton", w, h, pill + '<path d="M10 6 L15 10.5 L20 6" %s/>' % line)


# ---- Microphone button (off, on, listening) and its level light ----

def microphone():
    w, h = 30, 26
    glyph = ('<rect x="12" y="5" width="6" height="10" rx="3" fill="%s"/>'
             '<path d="M9.5 12 A5.5 5.5 0 0 0 20.5 12 M15 17.5 V21 M12 21 H18" fill="none" stroke="%s" '
             'stroke-width="1.6" stroke-linecap="round"/>')
    for name, top, bottom, colour in (("micButton", FACE_TOP, FACE_BOTTOM, ICON),
                                      ("micButtonHighlighted", ACCENT_TOP, ACCENT_BOTTOM, "#ffffff"),
                                      ("micButtonRed", "#f07a6a", "#c0392b", "#ffffff")):
        body, defs = face(w, h, top, bottom, 5)
        write(name, w, h, body + glyph % (colour, colour), defs)

    def led(name, top, bottom, glow=None):
        halo = ('<circle cx="7" cy="7" r="6.8" fill="%s" fill-opacity="0.35"/>' % glow) if glow else ""
        write(name, 14, 14,
              halo + '<circle cx="7" cy="7" r="5" fill="url(#l)" stroke="#0b0c0e" stroke-width="0.8"/>'
              '<ellipse cx="6" cy="5.2" rx="2.2" ry="1.4" fill="#ffffff" fill-opacity="0.45"/>',
              '<radialGradient id="l" cx="0.4" cy="0.35" r="0.7"><stop offset="0" stop-color="%s"/>'
              '<stop offset="1" stop-color="%s"/></radialGradient>' % (top, bottom))

    led("ledOff", "#5a5f66", "#2a2d31")
    led("ledYellowLight", "#a8984e", "#6b5e22")
    led("ledYellow", "#fff27a", "#e0b400", "#ffd83a")
    led("ledGreen", "#b6f28c", "#3f9a1e", "#7ee05a")
    led("ledRed", "#ff9a8a", "#c0281a", "#ff5a45")


# ---- Pane backgrounds (tiled) ----

def backgrounds():
    write("statisticBack", 16, 16,
          '<rect width="16" height="16" fill="#eef1f4"/><rect x="0" y="0" width="1" height="1" fill="#000000" fill-opacity="0.05"/>')
    write("notenBackground", 16, 16,
          '<rect width="16" height="16" fill="#fbfaf6"/><rect x="8" y="8" width="1" height="1" fill="#7a6a40" fill-opacity="0.05"/>')


# ---- Sync conflict window: this computer and the cloud folder (84 x 75) ----

def sync_icons():
    w, h = 84, 75
    screen = gradient("screen", "#5b8fd6", "#2c5aa0")
    body = gradient("body", "#e4e7eb", "#a9b0b9")
    write("syncMacIcon", w, h,
          # A monitor on a stand.
          '<rect x="4.5" y="4.5" width="75" height="50" rx="5" fill="url(#body)" stroke="#59616b"/>'
          '<rect x="10" y="10" width="64" height="39" rx="1.5" fill="url(#screen)"/>'
          '<path d="M14 44 L30 28 L40 36 L52 22 L70 40" fill="none" stroke="#ffffff" stroke-opacity="0.35" stroke-width="3"/>'
          '<path d="M34 55 L31 66 H53 L50 55 Z" fill="#a9b0b9" stroke="#59616b"/>'
          '<rect x="22.5" y="66.5" width="39" height="5" rx="2.5" fill="url(#body)" stroke="#59616b"/>',
          screen + body)
    cloud = gradient("cloud", "#7fb6f5", "#2f6fc4")
    write("syncDropboxIcon", w, h,
          # A cloud with an arrow going up and one coming down.
          '<path d="M22 60 C9 60 5 49 10.5 41.5 C13 38 17 36.5 20.5 36.8 C21 24 31 15 43 16 '
          'C53 16.8 60.5 24 62.5 32.5 C72.5 32 80 39.5 79 48.5 C78.2 55.5 72.5 60 65 60 Z" '
          'fill="url(#cloud)" stroke="#1f4f93" stroke-width="1.5"/>'
          '<path d="M36 52 V36 M30 41.5 L36 35.5 L42 41.5 M50 34 V50 M44 44.5 L50 50.5 L56 44.5" '
          'fill="none" stroke="#ffffff" stroke-width="3.2" stroke-linecap="round" stroke-linejoin="round"/>',
          cloud)


if __name__ == "__main__":
    info_panel()
    icons()
    transport()
    switches()
    backgrounds()
    scroll_buttons()
    split_buttons()
    microphone()
    sync_icons()
