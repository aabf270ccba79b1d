#!/usr/bin/env python3
"""Writes resources/Tests.plist, the exercise definitions of the bundle.

The musical content is derived from the small theory tables below (interval numbers and
qualities, chord and scale formulas written as scale degrees, key signatures), so that a
correction is made once, in musical terms, and the plist follows.

Every note of an interval, chord or scale is stored as {"pos": degree, "off": offset}:
the diatonic degree (1 = root, 8 = octave, 9 = ninth, ...) counted in the MAJOR scale of
the question's root, plus a chromatic offset (-1 lowers, +1 raises). A formula token such
as "b3", "#11" or "bb7" reads: accidentals, then the degree.

Key-signature pictures (the staff images "signature_<n>" must follow this numbering):
     0        no accidentals (C major, A minor)
     1 ..  7  1 to 7 sharps, added in the order F# C# G# D# A# E# B#
     8 .. 14  1 to 7 flats, added in the order Bb Eb Ab Db Gb Cb Fb
              (picture 7 + n shows n flats)

Usage: make_tests_plist.py [--strings]   (from anywhere; paths are found from this file)
--strings also adds the shown names (exercises, items, groups, levels, settings, choices)
to resources/strings/en.json without touching the entries that are already there.
"""

import json
import plistlib
import re
import sys
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
PLIST_PATH = ROOT / "resources" / "Tests.plist"
STRINGS_PATH = ROOT / "resources" / "strings" / "en.json"

# --------------------------------------------------------------------------------------
# Theory tables
# --------------------------------------------------------------------------------------

MAJOR_STEPS = [0, 2, 4, 5, 7, 9, 11]


def note(token):
    """'b3' -> {"pos": 3, "off": -1}; '#11' -> {"pos": 11, "off": 1}; '5' -> {"pos": 5, "off": 0}."""
    m = re.fullmatch(r"(b*|#*)(\d+)", token)
    if not m:
        raise ValueError(f"bad degree token {token!r}")
    accidentals, degree = m.groups()
    off = accidentals.count("#") - accidentals.count("b")
    return {"pos": int(degree), "off": off}


def semitones(n):
    k = n["pos"] - 1
    return 12 * (k // 7) + MAJOR_STEPS[k % 7] + n["off"]


def note_steps(tokens):
    """A definition of one note per step (intervals, scales, chords)."""
    return [{"notes": [note(t)]} for t in tokens.split()]


# Intervals: (name, diatonic number, quality). Perfect numbers take P/A/d, the others M/m.
INTERVALS = [
    ("Minor second", 2, "m"), ("Major second", 2, "M"),
    ("Minor third", 3, "m"), ("Major third", 3, "M"),
    ("Perfect fourth", 4, "P"), ("Tritone", 4, "A"), ("Perfect fifth", 5, "P"),
    ("Minor sixth", 6, "m"), ("Major sixth", 6, "M"),
    ("Minor seventh", 7, "m"), ("Major seventh", 7, "M"),
    ("Octave", 8, "P"),
    ("Minor ninth", 9, "m"), ("Major ninth", 9, "M"),
    ("Minor tenth", 10, "m"), ("Major tenth", 10, "M"),
    ("Perfect eleventh", 11, "P"), ("Augmented eleventh", 11, "A"),
    ("Perfect twelfth", 12, "P"),
    ("Minor thirteenth", 13, "m"), ("Major thirteenth", 13, "M"),
    ("Minor fourteenth", 14, "m"), ("Major fourteenth", 14, "M"),
    ("Double octave", 15, "P"),
]


def interval_note(number, quality):
    perfect = (number - 1) % 7 in (0, 3, 4)
    offsets = {"P": 0, "A": 1, "d": -1} if perfect else {"M": 0, "m": -1, "A": 1, "d": -2}
    return {"pos": number, "off": offsets[quality]}


INTERVAL_GROUPS = [
    ("Seconds", ["Minor second", "Major second"]),
    ("Thirds", ["Minor third", "Major third"]),
    ("Fourths, fifths and tritone", ["Perfect fourth", "Tritone", "Perfect fifth"]),
    ("Sixths", ["Minor sixth", "Major sixth"]),
    ("Sevenths and octave", ["Minor seventh", "Major seventh", "Octave"]),
    ("Compound intervals", [i[0] for i in INTERVALS[12:]]),
]

# Cumulative: each level names the intervals it adds.
INTERVAL_LEVELS = [
    ("Perfect intervals", ["Perfect fourth", "Perfect fifth", "Octave"]),
    ("Adding thirds", ["Minor third", "Major third"]),
    ("Adding seconds", ["Minor second", "Major second"]),
    ("Adding sixths", ["Minor sixth", "Major sixth"]),
    ("All simple intervals", ["Minor seventh", "Major seventh", "Tritone"]),
    ("Adding ninths and tenths", ["Minor ninth", "Major ninth", "Minor tenth", "Major tenth"]),
    ("All intervals up to two octaves", ["Perfect eleventh", "Augmented eleventh", "Perfect twelfth",
                                         "Minor thirteenth", "Major thirteenth", "Minor fourteenth",
                                         "Major fourteenth", "Double octave"]),
]

# Chords: (name, chordId = the symbol suffix, formula). Tones ascend from the root, so the
# second tone tells a minor third (the progression editor reads it that way). At most five
# tones, so that every inversion fits the sidebar's pop-up. Extended chords leave out a tone,
# as usually voiced; the engine still names an inversion by the degree in its bass (an
# eleventh chord without its third offers the second to fifth inversions).
CHORD_GROUPS = [
    ("Triads", [
        ("Major", "", "1 3 5"),
        ("Minor", "m", "1 b3 5"),
        ("Diminished", "dim", "1 b3 b5"),
        ("Augmented", "aug", "1 3 #5"),
        ("Suspended 2nd", "sus2", "1 2 5"),
        ("Suspended 4th", "sus4", "1 4 5"),
    ]),
    ("Sixth chords", [
        ("Major 6th", "6", "1 3 5 6"),
        ("Minor 6th", "m6", "1 b3 5 6"),
    ]),
    ("Seventh chords", [
        ("Dominant 7th", "7", "1 3 5 b7"),
        ("Major 7th", "maj7", "1 3 5 7"),
        ("Minor 7th", "m7", "1 b3 5 b7"),
        ("Half-diminished 7th", "m7b5", "1 b3 b5 b7"),
        ("Diminished 7th", "dim7", "1 b3 b5 bb7"),
        ("Minor-major 7th", "mMaj7", "1 b3 5 7"),
        ("Augmented major 7th", "maj7#5", "1 3 #5 7"),
        ("Augmented 7th", "7#5", "1 3 #5 b7"),
        ("Dominant 7th sus4", "7sus4", "1 4 5 b7"),
    ]),
    ("Ninth chords", [
        ("Added 9th", "add9", "1 3 5 9"),
        ("Minor added 9th", "madd9", "1 b3 5 9"),
        ("Major 6/9", "6/9", "1 3 5 6 9"),
        ("Dominant 9th", "9", "1 3 5 b7 9"),
        ("Major 9th", "maj9", "1 3 5 7 9"),
        ("Minor 9th", "m9", "1 b3 5 b7 9"),
    ]),
    ("Altered and extended chords", [
        ("Dominant 7th flat 5", "7b5", "1 3 b5 b7"),
        ("Dominant 7th flat 9", "7b9", "1 3 5 b7 b9"),
        ("Dominant 7th sharp 9", "7#9", "1 3 5 b7 #9"),
        ("Dominant 7th sharp 11", "7#11", "1 3 5 b7 #11"),
        ("Dominant 11th", "11", "1 5 b7 9 11"),
        ("Minor 11th", "m11", "1 b3 b7 9 11"),
        ("Dominant 13th", "13", "1 3 b7 9 13"),
    ]),
]

CHORD_LEVELS = [
    ("Major and minor triads", ["Major", "Minor"]),
    ("All triads", ["Diminished", "Augmented", "Suspended 2nd", "Suspended 4th"]),
    ("Main seventh chords", ["Dominant 7th", "Major 7th", "Minor 7th"]),
    ("All seventh and sixth chords", ["Major 6th", "Minor 6th", "Half-diminished 7th", "Diminished 7th",
                                      "Minor-major 7th", "Augmented major 7th", "Augmented 7th",
                                      "Dominant 7th sus4"]),
    ("Ninth chords", [c[0] for c in CHORD_GROUPS[3][1]]),
    ("All chords", [c[0] for c in CHORD_GROUPS[4][1]]),
]

# Scales, ascending to the octave.
SCALE_GROUPS = [
    ("Major and minor", [
        ("Major", "1 2 3 4 5 6 7 8"),
        ("Natural minor", "1 2 b3 4 5 b6 b7 8"),
        ("Harmonic minor", "1 2 b3 4 5 b6 7 8"),
        ("Melodic minor", "1 2 b3 4 5 6 7 8"),
    ]),
    ("Church modes", [
        ("Dorian", "1 2 b3 4 5 6 b7 8"),
        ("Phrygian", "1 b2 b3 4 5 b6 b7 8"),
        ("Lydian", "1 2 3 #4 5 6 7 8"),
        ("Mixolydian", "1 2 3 4 5 6 b7 8"),
        ("Locrian", "1 b2 b3 4 b5 b6 b7 8"),
    ]),
    ("Pentatonic and blues", [
        ("Major pentatonic", "1 2 3 5 6 8"),
        ("Minor pentatonic", "1 b3 4 5 b7 8"),
        ("Blues", "1 b3 4 b5 5 b7 8"),
        ("Major blues", "1 2 b3 3 5 6 8"),
    ]),
    ("Symmetric scales", [
        ("Whole tone", "1 2 3 #4 #5 b7 8"),
        ("Diminished (whole-half)", "1 2 b3 4 b5 b6 6 7 8"),
        ("Diminished (half-whole)", "1 b2 b3 3 #4 5 6 b7 8"),
        ("Chromatic", "1 #1 2 #2 3 4 #4 5 #5 6 #6 7 8"),
    ]),
    ("Other scales", [
        ("Harmonic major", "1 2 3 4 5 b6 7 8"),
        ("Lydian dominant", "1 2 3 #4 5 6 b7 8"),
        ("Altered", "1 b2 b3 b4 b5 b6 b7 8"),
        ("Phrygian dominant", "1 b2 3 4 5 b6 b7 8"),
        ("Hungarian minor", "1 2 b3 #4 5 b6 7 8"),
        ("Double harmonic", "1 b2 3 4 5 b6 7 8"),
        ("Bebop dominant", "1 2 3 4 5 6 b7 7 8"),
    ]),
]

SCALE_LEVELS = [
    ("Major and natural minor", ["Major", "Natural minor"]),
    ("All major and minor scales", ["Harmonic minor", "Melodic minor"]),
    ("Pentatonic and blues", ["Major pentatonic", "Minor pentatonic", "Blues", "Major blues"]),
    ("Church modes", ["Dorian", "Phrygian", "Lydian", "Mixolydian", "Locrian"]),
    ("Symmetric scales", ["Whole tone", "Diminished (whole-half)", "Diminished (half-whole)", "Chromatic"]),
    ("All scales", [s[0] for s in SCALE_GROUPS[4][1]]),
]

# Chord progressions: (name, minor key, [(semitones from the key's root, chordId), ...]).
# The names are Roman numerals of the degrees: upper case for a major third, lower case for
# a minor one, with the usual chord symbols.
PROGRESSION_GROUPS = [
    ("Cadences", [
        ("I - IV - I", False, [(0, ""), (5, ""), (0, "")]),
        ("I - V - I", False, [(0, ""), (7, ""), (0, "")]),
        ("I - V7 - I", False, [(0, ""), (7, "7"), (0, "")]),
        ("I - IV - V - I", False, [(0, ""), (5, ""), (7, ""), (0, "")]),
        ("I - IV - V7 - I", False, [(0, ""), (5, ""), (7, "7"), (0, "")]),
        ("I - ii - V", False, [(0, ""), (2, "m"), (7, "")]),
        ("I - V - vi", False, [(0, ""), (7, ""), (9, "m")]),
    ]),
    ("Major-key progressions", [
        ("ii - V - I", False, [(2, "m"), (7, ""), (0, "")]),
        ("I - vi - IV - V", False, [(0, ""), (9, "m"), (5, ""), (7, "")]),
        ("I - V - vi - IV", False, [(0, ""), (7, ""), (9, "m"), (5, "")]),
        ("vi - IV - I - V", False, [(9, "m"), (5, ""), (0, ""), (7, "")]),
        ("I - IV - vi - V", False, [(0, ""), (5, ""), (9, "m"), (7, "")]),
        ("I - vi - ii - V", False, [(0, ""), (9, "m"), (2, "m"), (7, "")]),
        ("I - iii - IV - V", False, [(0, ""), (4, "m"), (5, ""), (7, "")]),
        ("I - V - vi - iii - IV - I - IV - V", False,
         [(0, ""), (7, ""), (9, "m"), (4, "m"), (5, ""), (0, ""), (5, ""), (7, "")]),
    ]),
    ("Minor-key progressions", [
        ("i - iv - V - i", True, [(0, "m"), (5, "m"), (7, ""), (0, "m")]),
        ("i - iv - V7 - i", True, [(0, "m"), (5, "m"), (7, "7"), (0, "m")]),
        ("i - iv - v - i", True, [(0, "m"), (5, "m"), (7, "m"), (0, "m")]),
        ("i - VI - III - VII", True, [(0, "m"), (8, ""), (3, ""), (10, "")]),
        ("i - VII - VI - V", True, [(0, "m"), (10, ""), (8, ""), (7, "")]),
        ("i - VI - iv - V", True, [(0, "m"), (8, ""), (5, "m"), (7, "")]),
        ("i - VI - VII - i", True, [(0, "m"), (8, ""), (10, ""), (0, "m")]),
    ]),
    ("Seventh-chord progressions", [
        ("ii7 - V7 - Imaj7", False, [(2, "m7"), (7, "7"), (0, "maj7")]),
        ("Imaj7 - vi7 - ii7 - V7", False, [(0, "maj7"), (9, "m7"), (2, "m7"), (7, "7")]),
        ("iii7 - vi7 - ii7 - V7", False, [(4, "m7"), (9, "m7"), (2, "m7"), (7, "7")]),
        ("Imaj7 - IVmaj7 - viiø7 - iii7 - vi7 - ii7 - V7 - Imaj7", False,
         [(0, "maj7"), (5, "maj7"), (11, "m7b5"), (4, "m7"), (9, "m7"), (2, "m7"), (7, "7"), (0, "maj7")]),
        ("iiø7 - V7 - i", True, [(2, "m7b5"), (7, "7"), (0, "m")]),
        ("i - iv7 - VII7 - IIImaj7", True, [(0, "m"), (5, "m7"), (10, "7"), (3, "maj7")]),
    ]),
]

PROGRESSION_LEVELS = [
    ("Cadences", "Cadences"),
    ("Adding major-key progressions", "Major-key progressions"),
    ("Adding minor-key progressions", "Minor-key progressions"),
    ("All progressions", "Seventh-chord progressions"),
]

# Key signatures: major keys with their signature (positive: sharps, negative: flats) and
# the relative minor keys (a minor third below).
MAJOR_KEYS = [("C", 0), ("G", 1), ("D", 2), ("A", 3), ("E", 4), ("B", 5), ("F#", 6), ("C#", 7),
              ("F", -1), ("Bb", -2), ("Eb", -3), ("Ab", -4), ("Db", -5), ("Gb", -6), ("Cb", -7)]
MINOR_KEYS = [("A", 0), ("E", 1), ("B", 2), ("F#", 3), ("C#", 4), ("G#", 5), ("D#", 6), ("A#", 7),
              ("D", -1), ("G", -2), ("C", -3), ("F", -4), ("Bb", -5), ("Eb", -6), ("Ab", -7)]


def signature_picture(accidentals):
    if accidentals >= 0:
        return accidentals
    return 7 - accidentals


# Metronome marks (the traditional scale of a pendulum metronome).
METRONOME_MARKS = [40, 42, 44, 46, 48, 50, 52, 54, 56, 58, 60, 63, 66, 69, 72, 76, 80, 84, 88, 92,
                   96, 100, 104, 108, 112, 116, 120, 126, 132, 138, 144, 152, 160, 168, 176, 184,
                   192, 200, 208]
TEMPO_GROUPS = [("Largo", 40, 58), ("Larghetto and Adagio", 60, 72), ("Andante", 76, 104),
                ("Moderato", 108, 116), ("Allegro", 120, 160), ("Presto", 168, 208)]
TEMPO_LEVELS = ["Coarse: very different tempos", "Medium steps", "Fine steps", "All metronome marks"]


def tempo_level(index):
    """Coarse to fine: every 8th mark first (and the last), then every 4th, every 2nd, all."""
    if index % 8 == 0 or index == len(METRONOME_MARKS) - 1:
        return 0
    if index % 4 == 0:
        return 1
    if index % 2 == 0:
        return 2
    return 3


# Single notes (MIDI numbers), spelled the way the note model spells a note alone.
NOTE_NAMES = ["C", "Db", "D", "Eb", "E", "F", "F#", "G", "Ab", "A", "Bb", "B"]
PITCH_LOW, PITCH_HIGH = 36, 84
PITCH_GROUPS = [("Low register", 36, 47), ("Below middle C", 48, 59), ("Middle C octave", 60, 71),
                ("High register", 72, 84)]


def pitch_name(nr):
    return f"{NOTE_NAMES[nr % 12]}{nr // 12 - 2}"


def is_natural(nr):
    return "b" not in NOTE_NAMES[nr % 12][1:] and "#" not in NOTE_NAMES[nr % 12]


def pitch_level(nr):
    """Ear: start from the C major triad at middle C, widen by octave."""
    if nr in (60, 64, 67):
        return 0
    if 60 <= nr <= 72 and is_natural(nr):
        return 1
    if 60 <= nr <= 72:
        return 2
    if 48 <= nr <= 72:
        return 3
    return 4


PITCH_LEVELS = ["Middle C with E and G", "White keys of the middle octave", "All notes of the middle octave",
                "Two octaves around middle C", "All notes"]


def reading_level(nr):
    """Staff: the notes around middle C, the treble staff, the bass staff, ledger lines,
    then the black keys."""
    if not is_natural(nr):
        return 4
    if 60 <= nr <= 67:
        return 0
    if 67 < nr <= 79:
        return 1
    if 43 <= nr < 60:
        return 2
    return 3


READING_LEVELS = ["Middle C to G", "Treble staff", "Bass staff", "Ledger lines", "Sharps and flats"]

# Melodies: what each level draws its notes from.
MELODY_LEVELS = [
    ("Three notes in major pentatonic", ["Major pentatonic"], 3, 1),
    ("Four notes in major", ["Major"], 4, 1),
    ("Four notes in major and minor", ["Major", "Natural minor"], 4, 1),
    ("Five notes in major and minor", ["Major", "Natural minor", "Harmonic minor"], 5, 1),
    ("Six notes in the modes", ["Major", "Natural minor", "Dorian", "Mixolydian"], 6, 1),
    ("Six notes over two octaves", ["Major", "Natural minor", "Harmonic minor"], 6, 2),
    ("Eight chromatic notes", ["Chromatic"], 8, 1),
]
READING_MELODY_LEVELS = [
    ("Three notes in major pentatonic", ["Major pentatonic"], 3, 1),
    ("Four notes in major", ["Major"], 4, 1),
    ("Five notes in major and minor", ["Major", "Natural minor", "Harmonic minor"], 5, 1),
    ("Six notes over two octaves", ["Major", "Natural minor"], 6, 2),
    ("Eight chromatic notes", ["Chromatic"], 8, 1),
]

# --------------------------------------------------------------------------------------
# Settings
# --------------------------------------------------------------------------------------

ANSWER_TIMES = ["Unlimited", "1 sec", "2 sec", "3 sec", "4 sec", "5 sec", "6 sec", "7 sec", "8 sec",
                "9 sec", "10 sec", "15 sec", "20 sec", "30 sec", "40 sec", "50 sec", "1 min"]
TRYOUTS = ["1", "2", "3", "4", "5"]
PLAY_MODES = ["Staccato", "Legato", "Arpeggio", "Harmonic"]
MELODIC_PLAY_MODES = ["Staccato", "Legato"]


class Settings:
    """The settings list of one exercise; every record names its exercise ("parent")."""

    def __init__(self, exercise):
        self.exercise = exercise
        self.records = []

    def _add(self, name, kind, default, **extra):
        record = {"name": name, "type": kind, "default": default, "parent": self.exercise}
        record.update(extra)
        self.records.append(record)
        return self

    def level(self, names, additional=None):
        extra = {"values": list(names)}
        if additional is not None:
            extra["additionalData"] = additional
        return self._add("level", "select", names[0], **extra)

    def common(self, tryouts="2"):
        self._add("answerTime", "select", "Unlimited", values=ANSWER_TIMES)
        return self._add("numTryouts", "select", tryouts, values=TRYOUTS)

    def basenote(self, low, high):
        return self._add("basenote", "noteRange", f"{low},{high}")

    def descending(self, default=0):
        return self._add("descending", "randomBool", default)

    def playmode(self, default, values=PLAY_MODES):
        return self._add("playmode", "select", default, values=values)

    def tempo(self, bpm):
        return self._add("tempo", "slider", bpm, min=40, max=240, format="%@ BPM")

    def length(self, beats):
        return self._add("length", "slider", float(beats), min=1, max=8,
                         format="%@ beats", formatSingular="%@ beat")

    def beats(self, count):
        return self._add("numberOfBeats", "slider", count, min=2, max=16,
                         format="%@ beats", formatSingular="%@ beat")

    def flag(self, name, default):
        return self._add(name, "bool", bool(default))


SETTING_TITLES = {
    "level": "Level",
    "answerTime": "Answer time",
    "numTryouts": "Number of tries",
    "basenote": "Root note range",
    "descending": "Direction",
    "playmode": "Play mode",
    "tempo": "Tempo",
    "length": "Length",
    "numberOfBeats": "Number of beats",
    "showNoteNames": "Show note names",
    "showfirstnote": "Give the first note",
    "shouldPlaySelectedItem": "Play the chosen answer first",
    "useChordInversions": "Use chord inversions",
    "rootNoteNaturalOrder": "Keep chord roots in their natural order",
}

# --------------------------------------------------------------------------------------
# Exercises
# --------------------------------------------------------------------------------------


def groups_of(titles):
    return [{"id": str(i), "name": t} for i, t in enumerate(titles)]


def level_of(name, levels):
    for index, (_, names) in enumerate(levels):
        if name in names:
            return index
    raise KeyError(f"{name} is in no level")


def interval_items():
    group_of = {n: str(g) for g, (_, names) in enumerate(INTERVAL_GROUPS) for n in names}
    return [{"name": name,
             "group": group_of[name],
             "level": level_of(name, INTERVAL_LEVELS),
             "definition": [{"notes": [note("1")]}, {"notes": [interval_note(number, quality)]}]}
            for name, number, quality in INTERVALS]


def chord_items():
    items = []
    for g, (_, chords) in enumerate(CHORD_GROUPS):
        for name, chord_id, formula in chords:
            items.append({"name": name, "group": str(g), "level": level_of(name, CHORD_LEVELS),
                          "chordId": chord_id, "isMinor": False, "definition": note_steps(formula)})
    return items


def scale_items():
    items = []
    for g, (_, scales) in enumerate(SCALE_GROUPS):
        for name, formula in scales:
            items.append({"name": name, "group": str(g), "level": level_of(name, SCALE_LEVELS),
                          "isMinor": False, "definition": note_steps(formula)})
    return items


def progression_items():
    group_level = {group: index for index, (_, group) in enumerate(PROGRESSION_LEVELS)}
    items = []
    for g, (group, progressions) in enumerate(PROGRESSION_GROUPS):
        for name, minor, steps in progressions:
            items.append({"name": name, "group": str(g), "level": group_level[group], "isMinor": minor,
                          "definition": [{"step": s, "chordId": c} for s, c in steps]})
    return items


def pitch_items(level_function):
    items = []
    for nr in range(PITCH_LOW, PITCH_HIGH + 1):
        group = next(str(g) for g, (_, low, high) in enumerate(PITCH_GROUPS) if low <= nr <= high)
        items.append({"name": pitch_name(nr), "group": group, "level": level_function(nr),
                      "definition": [{"notes": [{"note": nr}]}]})
    return items


def tempo_items():
    items = []
    for index, bpm in enumerate(METRONOME_MARKS):
        group = next(str(g) for g, (_, low, high) in enumerate(TEMPO_GROUPS) if low <= bpm <= high)
        items.append({"name": f"{bpm} BPM", "group": group, "level": tempo_level(index), "definition": bpm})
    return items


def key_signature_items():
    """Major key, then its relative minor, ordered by the number of accidentals."""
    items = []
    pairs = sorted(zip(MAJOR_KEYS, MINOR_KEYS), key=lambda p: (abs(p[0][1]), p[0][1] < 0))
    for (major, acc), (minor, acc_minor) in pairs:
        assert acc == acc_minor
        level = max(abs(acc) - 1, 0)
        picture = signature_picture(acc)
        items.append({"name": f"{major} major", "group": "0", "level": level, "definition": picture})
        items.append({"name": f"{minor} minor", "group": "1", "level": level, "definition": picture,
                      "isMinor": True})
    return items


KEY_SIGNATURE_LEVELS = ["No or one accidental", "Up to two accidentals", "Up to three accidentals",
                        "Up to four accidentals", "Up to five accidentals", "Up to six accidentals",
                        "All keys"]


def melody_level_data(levels):
    return [{"scales": scales, "numTones": tones, "octaves": octaves} for _, scales, tones, octaves in levels]


def exercise(name, cls, question_type, settings, items=None, groups=None, item_ref=None):
    record = {"name": name, "class": cls, "questionType": question_type}
    if item_ref:
        record["itemRef"] = item_ref
    record["items"] = items if items is not None else []
    record["groups"] = groups if groups is not None else []
    record["settings"] = settings.records
    return record


def build():
    interval_levels = [n for n, _ in INTERVAL_LEVELS]
    chord_levels = [n for n, _ in CHORD_LEVELS]
    scale_levels = [n for n, _ in SCALE_LEVELS]
    progression_levels = [n for n, _ in PROGRESSION_LEVELS]

    tests = []

    s = Settings("Interval recognition").level(interval_levels).common()
    s.basenote(48, 72).descending().playmode("Legato").tempo(100)
    s.flag("showNoteNames", True).flag("showfirstnote", False).flag("shouldPlaySelectedItem", False)
    tests.append(exercise("Interval recognition", "ZTInterval", "audio", s, interval_items(),
                          groups_of([g for g, _ in INTERVAL_GROUPS])))

    s = Settings("Chord recognition").level(chord_levels).common()
    s.basenote(48, 67).descending().playmode("Harmonic").tempo(100).flag("useChordInversions", False)
    s.flag("showNoteNames", True).flag("showfirstnote", False).flag("shouldPlaySelectedItem", False)
    tests.append(exercise("Chord recognition", "ZTChord", "audio", s, chord_items(),
                          groups_of([g for g, _ in CHORD_GROUPS])))

    s = Settings("Scale recognition").level(scale_levels).common()
    s.basenote(48, 67).descending().playmode("Legato", MELODIC_PLAY_MODES).tempo(140)
    s.flag("showNoteNames", True).flag("showfirstnote", False).flag("shouldPlaySelectedItem", False)
    tests.append(exercise("Scale recognition", "ZTScale", "audio", s, scale_items(),
                          groups_of([g for g, _ in SCALE_GROUPS])))

    s = Settings("Chord progressions").level(progression_levels).common()
    s.basenote(48, 60).tempo(100).length(2).flag("useChordInversions", False)
    s.flag("rootNoteNaturalOrder", False).flag("showNoteNames", True).flag("showfirstnote", False)
    s.flag("shouldPlaySelectedItem", False)
    tests.append(exercise("Chord progressions", "ZTChordProgression", "audio", s, progression_items(),
                          groups_of([g for g, _ in PROGRESSION_GROUPS])))

    s = Settings("Pitch recognition").level(PITCH_LEVELS).common()
    s.length(2).flag("showNoteNames", True).flag("shouldPlaySelectedItem", False)
    tests.append(exercise("Pitch recognition", "ZTPitch", "audio", s, pitch_items(pitch_level),
                          groups_of([g for g, _, _ in PITCH_GROUPS])))

    s = Settings("Melodies").level([n for n, *_ in MELODY_LEVELS], melody_level_data(MELODY_LEVELS)).common()
    s.basenote(55, 67).playmode("Legato", MELODIC_PLAY_MODES).tempo(100)
    s.flag("showfirstnote", True).flag("showNoteNames", True)
    tests.append(exercise("Melodies", "ZTMelodies", "audio", s))

    s = Settings("Tempo recognition").level(TEMPO_LEVELS).common().beats(8)
    tests.append(exercise("Tempo recognition", "ZTBPM", "audio", s, tempo_items(),
                          groups_of([g for g, _, _ in TEMPO_GROUPS])))

    s = Settings("Interval music reading").level(interval_levels).common()
    s.basenote(53, 72).descending().flag("showNoteNames", False)
    tests.append(exercise("Interval music reading", "ZTIntervalMusicRead", "staff", s,
                          item_ref="Interval recognition"))

    s = Settings("Chord music reading").level(chord_levels).common()
    s.basenote(53, 67).descending().flag("useChordInversions", False).flag("showNoteNames", False)
    tests.append(exercise("Chord music reading", "ZTChordMusicRead", "staff", s, item_ref="Chord recognition"))

    s = Settings("Scale music reading").level(scale_levels).common()
    s.basenote(55, 67).descending().flag("showNoteNames", False)
    tests.append(exercise("Scale music reading", "ZTScaleMusicRead", "staff", s, item_ref="Scale recognition"))

    s = Settings("Music Reading").level(READING_LEVELS).common().flag("showNoteNames", False)
    tests.append(exercise("Music Reading", "ZTMusicRead", "staff", s, pitch_items(reading_level),
                          groups_of([g for g, _, _ in PITCH_GROUPS])))

    s = Settings("Melody music reading").level([n for n, *_ in READING_MELODY_LEVELS],
                                               melody_level_data(READING_MELODY_LEVELS)).common()
    s.basenote(60, 67).flag("showfirstnote", False).flag("showNoteNames", False)
    tests.append(exercise("Melody music reading", "ZTMelodiesMusicRead", "staff", s))

    s = Settings("Key Signature recognition").level(KEY_SIGNATURE_LEVELS).common()
    tests.append(exercise("Key Signature recognition", "ZTKeySignature", "staff", s, key_signature_items(),
                          groups_of(["Major keys", "Minor keys"])))

    check(tests)
    return tests


def check(tests):
    """Cheap consistency checks so that a bad table stops the generator."""
    for t in tests:
        names = [i["name"] for i in t["items"]]
        assert len(names) == len(set(names)), f"duplicate item in {t['name']}"
        group_ids = {g["id"] for g in t["groups"]}
        assert all(i.isdecimal() for i in group_ids), f"group ids of {t['name']} must be decimal"
        for item in t["items"]:
            assert item["group"] in group_ids, f"{item['name']} has no group in {t['name']}"
        assert group_ids == {i["group"] for i in t["items"]}, f"{t['name']} has an empty group"
    chords = next(t for t in tests if t["name"] == "Chord recognition")["items"]
    chord_ids = [c["chordId"] for c in chords]
    assert len(chord_ids) == len(set(chord_ids)), "duplicate chord id"
    for item in next(t for t in tests if t["name"] == "Chord progressions")["items"]:
        for step in item["definition"]:
            assert step["chordId"] in chord_ids, f"{item['name']}: unknown chord {step['chordId']!r}"


def shown_strings(tests):
    shown = {}
    for t in tests:
        shown[t["name"]] = t["name"]
        for g in t["groups"]:
            shown[g["name"]] = g["name"]
        for s in t["settings"]:
            shown[s["name"]] = SETTING_TITLES.get(s["name"], s["name"])
            for v in s.get("values", []):
                shown[v] = v
            for f in ("format", "formatSingular"):
                if f in s:
                    shown[s[f]] = s[f]
        # Pitch items are shown as note names of the chosen spelling, not through the table.
        if t["class"] not in ("ZTPitch", "ZTMusicRead"):
            for item in t["items"]:
                shown[item["name"]] = item["name"]
    for word in ("Ascending", "Descending", "Random", " major", " minor", "Chromatic"):
        shown[word] = word
    return shown


def merge_strings(shown):
    table = json.loads(STRINGS_PATH.read_text(encoding="utf-8")) if STRINGS_PATH.exists() else {}
    added = 0
    for key, value in shown.items():
        if key not in table:
            table[key] = value
            added += 1
    STRINGS_PATH.write_text(json.dumps(table, ensure_ascii=False, indent=2, sort_keys=True) + "\n",
                            encoding="utf-8")
    print(f"{STRINGS_PATH}: {added} entries added, {len(table)} in all")


def main():
    tests = build()
    with open(PLIST_PATH, "wb") as out:
        plistlib.dump(tests, out, fmt=plistlib.FMT_XML, sort_keys=False)
    print(f"{PLIST_PATH}: {len(tests)} exercises, {sum(len(t['items']) for t in tests)} items")
    if "--strings" in sys.argv[1:]:
        merge_strings(shown_strings(tests))


if __name__ == "__main__":
    main()
