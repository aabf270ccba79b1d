#include "QVNote.h"
#include "ZTNoteCollection.h"

#include "TestEnvironment.h"
#include "platform/foundation/Localization.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString midiName(const QVNote& note)
{
    return note.nameWithSpellingType(QStringLiteral("MIDI"), QStringLiteral("International"));
}

QString u(const char* utf8)
{
    return QString::fromUtf8(utf8);
}

QVNote spelled(const char* letter, qint64 offset, qint64 octave, qint64 nr)
{
    QVNote note;
    note.setLetter(QString::fromLatin1(letter));
    note.setOffset(offset);
    note.setOctave(octave);
    note.setNr(nr);
    return note;
}

} // namespace

// ---- Spelling a number in a key ----

struct KeySpelling {
    qint64 nr;
    qint64 root;
    bool minor;
    int type;
    const char* name; // "MIDI"/"International", display signs
};

TEST(QVNoteSpelling, NumbersInKeys)
{
    const KeySpelling cases[] = {
        // Alone (root 0, major): chromatic tones of a neutral key take the plain row.
        {61, 0, false, 0, "D♭3"}, {66, 0, false, 0, "F♯3"}, {70, 0, false, 0, "B♭3"},
        {63, 0, false, 0, "E♭3"}, {68, 0, false, 0, "A♭3"}, {60, 0, false, 0, "C3"},
        {12, 0, false, 0, "C-1"}, {128, 0, false, 0, "A♭8"},
        // Sharp keys raise the degree below, flat keys lower the degree above.
        {61, 62, false, 0, "C♯3"}, {60, 62, false, 0, "C3"}, {68, 67, false, 0, "G♯3"},
        {70, 67, false, 0, "A♯3"}, {71, 65, false, 0, "B3"}, {66, 65, false, 0, "G♭3"},
        // Minor: the tone below the root has no step above it and takes the plain row,
        // so A minor spells its raised seventh A♭ and E minor its D♯ as E♭.
        {68, 57, true, 0, "A♭3"}, {70, 57, true, 0, "B♭3"}, {63, 64, true, 0, "E♭3"},
        {66, 64, true, 0, "F♯3"},
        // D♭ minor: the major sixth is lowered from C♭ to B♭; C♭ itself is written an
        // octave above the B it sounds as.
        {70, 61, true, 0, "B♭3"}, {71, 61, true, 0, "C♭4"}, {69, 61, true, 0, "B𝄫3"},
        // Key-signature types: C♯ major in sharps writes B♯ for a C, G♭ major in flats C♭.
        {60, 61, false, 1, "B♯2"}, {65, 61, false, 1, "E♯3"}, {71, 66, false, 2, "C♭4"},
        {61, 61, false, 1, "C♯3"}, {61, 61, false, 2, "D♭3"}, {61, 61, false, 9, "D♭3"},
    };
    for (const KeySpelling& c : cases) {
        const QVNote note = QVNote::initWithNoteNr(c.nr, c.root, c.minor, {}, c.type);
        EXPECT_EQ(midiName(note), u(c.name)) << c.nr << " in root " << c.root << " minor " << c.minor
                                             << " type " << c.type;
        EXPECT_EQ(note.nr(), c.nr);
        if (c.nr <= 127) {
            static const int steps[] = {0, 2, 4, 5, 7, 9, 11};
            EXPECT_EQ(24 + 12 * note.octave() + steps[note.pos() - 1] + note.offset(), c.nr)
                << "spelling must land on the number " << c.nr;
        }
    }
}

TEST(QVNoteSpelling, ShortFormMatchesTypeZero)
{
    for (qint64 root : {57, 60, 61, 64, 66}) {
        for (qint64 nr = 48; nr < 72; ++nr) {
            EXPECT_TRUE(QVNote::initWithNoteNr(nr, root, true)
                            .isEqual(QVNote::initWithNoteNr(nr, root, true, {}, 0)));
        }
    }
}

TEST(QVNoteSpelling, ReusesSpellingOfGivenNotesLastMatchWins)
{
    QVNote sharp = spelled("C", 1, 3, 61);
    QVNote flat = spelled("D", -1, 3, 61);
    QVNote odd = spelled("B", 2, 2, 61); // a spelling no key would produce
    ZTNoteCollection first(sharp);
    ZTNoteCollection second(spelled("E", 0, 3, 64));
    second.addNote(flat);

    EXPECT_EQ(midiName(QVNote::initWithNoteNr(61, 0, false, {first, second})), u("D♭3"));
    EXPECT_EQ(midiName(QVNote::initWithNoteNr(61, 0, false, {second, first})), u("C♯3"));
    EXPECT_EQ(midiName(QVNote::initWithNoteNr(61, 0, false, {ZTNoteCollection(odd)})), u("B𝄪2"));
    // No match: spelled in the key as usual.
    EXPECT_EQ(midiName(QVNote::initWithNoteNr(66, 0, false, {first, second})), u("F♯3"));
    EXPECT_EQ(midiName(QVNote::initWithNoteNr(61, 0, false, {ZTNoteCollection()})), u("D♭3"));
}

// ---- Notes at scale degrees ----

struct DegreeCase {
    qint64 root;
    qint64 pos;
    qint64 offset;
    bool minor;
    int type;
    qint64 nr;
    const char* name;
};

TEST(QVNoteSpelling, DegreesOfScales)
{
    const DegreeCase cases[] = {
        {60, 1, 0, false, 0, 60, "C3"},  {60, 3, 0, false, 0, 64, "E3"},
        {60, 7, 1, false, 0, 72, "B♯3"}, {60, 8, 0, false, 0, 72, "C4"},
        {60, 15, 0, false, 0, 84, "C5"}, {60, 3, -1, false, 0, 63, "E♭3"},
        {60, 2, -1, false, 0, 61, "D♭3"}, {60, 4, 1, false, 0, 66, "F♯3"},
        {57, 3, 0, true, 0, 60, "C3"},   {57, 7, 1, true, 0, 68, "G♯3"},
        {61, 6, 0, true, 0, 69, "B𝄫3"},  {61, 7, 0, true, 0, 71, "C♭4"},
        {61, 7, 0, false, 1, 72, "B♯3"}, {66, 4, 0, false, 2, 71, "C♭4"},
        {66, 7, 0, false, 0, 77, "E♯4"}, {48, 5, 0, true, 0, 55, "G2"},
        // Degrees below 1 are not asked for; they must still stay inside the scale.
        {60, 0, 0, false, 0, 59, "B2"},  {60, -6, 0, false, 0, 48, "C2"},
    };
    for (const DegreeCase& c : cases) {
        const QVNote note = QVNote::initWithRootNoteNr(c.root, c.pos, c.offset, c.minor, c.type);
        EXPECT_EQ(note.nr(), c.nr) << "root " << c.root << " degree " << c.pos;
        EXPECT_EQ(midiName(note), u(c.name)) << "root " << c.root << " degree " << c.pos;
    }
}

// ---- Scale names and name arithmetic ----

TEST(QVNoteNames, ScaleNamesPerKeySignatureType)
{
    const QList<qint64> major = {0, 2, 4, 5, 7, 9, 11};
    const QList<qint64> minor = {0, 2, 3, 5, 7, 8, 10};
    auto names = [](qint64 base, const QList<qint64>& steps, int type) {
        return QVNote::getNotesForScaleWithBaseNote(base, steps, type).join(QLatin1Char(' '));
    };
    EXPECT_EQ(names(66, major, 0), QStringLiteral("F# G# A# B C# D# E#"));
    EXPECT_EQ(names(61, minor, 0), QStringLiteral("Db Eb Fb Gb Ab Bbb Cb"));
    EXPECT_EQ(names(61, major, 1), QStringLiteral("C# D# E# F# G# A# B#"));
    EXPECT_EQ(names(66, major, 2), QStringLiteral("Gb Ab Bb Cb Db Eb F"));
    EXPECT_EQ(names(70, major, 5), QStringLiteral("Bb C D Eb F G A"));
    EXPECT_EQ(names(57, minor, 0), QStringLiteral("A B C D E F G"));
    EXPECT_EQ(names(68, major, 1), QStringLiteral("G# A# B# C# D# E# F##"));
    EXPECT_EQ(QVNote::getNotesForScaleWithBaseNote(60, major), QVNote::getNotesForScaleWithBaseNote(60, major, 0));
    // Step 0 is never read.
    EXPECT_EQ(names(60, {99, 2, 4, 5, 7, 9, 11}, 0), QStringLiteral("C D E F G A B"));
    // Short step lists give fewer names instead of reading past the list.
    EXPECT_EQ(names(62, {0, 2, 4}, 0), QStringLiteral("D E F#"));
    EXPECT_EQ(names(62, {}, 0), QStringLiteral("D"));
}

TEST(QVNoteNames, ChromaticNeighbours)
{
    const struct { const char* name; int value; const char* result; } cases[] = {
        {"C", 1, "C#"}, {"C", -1, "B"}, {"C#", 1, "D"}, {"Db", 1, "D"}, {"Db", -1, "C"},
        {"D", -1, "Db"}, {"E", 1, "F"}, {"E", -1, "Eb"}, {"F", -1, "E"}, {"Gb", 1, "G"},
        {"G", -1, "Gb"}, {"A#", 1, "B"}, {"Bb", -1, "A"}, {"B", 1, "C"}, {"B", -1, "Bb"},
        // Outside the plain names: always one semitone away.
        {"Cb", -1, "Bb"}, {"Cb", 1, "C"}, {"Fb", -1, "Eb"}, {"E#", 1, "F#"}, {"B#", 1, "C#"},
        {"Bbb", -1, "Ab"}, {"F##", 1, "G#"},
        // Other values and non-names are left alone.
        {"C", 2, "C"}, {"C", 0, "C"}, {"", 1, ""}, {"H", 1, "H"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(QVNote::addNote(QString::fromLatin1(c.name), c.value), QString::fromLatin1(c.result))
            << c.name << " " << c.value;
    }
}

TEST(QVNoteNames, OffsetsStepsAndAppendedSigns)
{
    const struct { const char* name; int offset; int step; } names[] = {
        {"C", 0, 0}, {"B", 0, 11}, {"Bb", -1, 10}, {"Bbb", -2, 9}, {"Cbbb", -3, 9},
        {"F#", 1, 6}, {"F##", 2, 7}, {"F###", 3, 8}, {"Cb", -1, 11}, {"B#", 1, 0}, {"", 0, 0},
    };
    for (const auto& n : names) {
        EXPECT_EQ(QVNote::offsetForNoteName(QString::fromLatin1(n.name)), n.offset) << n.name;
        EXPECT_EQ(QVNote::stepForNoteName(QString::fromLatin1(n.name)), n.step) << n.name;
    }

    const struct { int delta; const char* name; const char* result; } appends[] = {
        {2, "C", "C##"}, {-1, "C", "Cb"}, {0, "F#", "F#"}, {-1, "Db", "Dbb"},
        {2, "Cb", "C#"}, {-1, "C#", "C"}, {-3, "D#", "Dbb"}, {1, "E#", "E##"},
    };
    for (const auto& a : appends) {
        EXPECT_EQ(QVNote::appendOffset(a.delta, QString::fromLatin1(a.name)), QString::fromLatin1(a.result))
            << a.name << " " << a.delta;
    }
}

TEST(QVNoteNames, LettersKeySignatureTypesAndDisplaySigns)
{
    EXPECT_EQ(QVNote::nextNoteLetter(QStringLiteral("C")), QStringLiteral("D"));
    EXPECT_EQ(QVNote::nextNoteLetter(QStringLiteral("B")), QStringLiteral("C"));
    EXPECT_EQ(QVNote::nextNoteLetter(QStringLiteral("X")), QStringLiteral("C"));
    EXPECT_EQ(QVNote::nextNoteLetter(QString()), QStringLiteral("C"));

    EXPECT_EQ(QVNote::keySignatureTypeForScale({"C", "D", "F#", "Bb"}), 1);
    EXPECT_EQ(QVNote::keySignatureTypeForScale({"B", "Bb", "C#"}), 2);
    EXPECT_EQ(QVNote::keySignatureTypeForScale({"A", "B", "C"}), 0);
    EXPECT_EQ(QVNote::keySignatureTypeForScale({}), 0);

    const struct { const char* in; const char* out; } signs[] = {
        {"C#3", "C♯3"}, {"Db3", "D♭3"}, {"Bbb3", "B𝄫3"}, {"C##", "C𝄪"}, {"F###", "F𝄪♯"},
        {"bb", "b♭"}, {"b", "b"}, {"B", "B"}, {"", ""}, {"sib3", "si♭3"},
    };
    for (const auto& s : signs)
        EXPECT_EQ(QVNote::replaceSignsFromNoteName(QString::fromLatin1(s.in)), u(s.out)) << s.in;
}

// ---- Printed names ----

struct NameCase {
    QVNote note;
    const char* spelling;
    const char* nameType;
    const char* expected;
};

TEST(QVNoteNames, SpellingAndNameTypes)
{
    const QVNote c3 = QVNote::initWithNoteNr(60, 0, false);
    const QVNote cSharp3 = QVNote::initWithNoteNr(61, 62, false);
    const QVNote dFlat3 = QVNote::initWithNoteNr(61, 0, false);
    const QVNote c12 = QVNote::initWithNoteNr(12, 0, false);
    const QVNote c24 = QVNote::initWithNoteNr(24, 0, false);
    const QVNote eFlat1 = QVNote::initWithNoteNr(39, 0, false);
    const QVNote eFlat3 = QVNote::initWithNoteNr(63, 0, false);
    const QVNote bFlat2 = QVNote::initWithNoteNr(58, 0, false);
    const QVNote c0 = QVNote::initWithNoteNr(0, 0, false);
    const QVNote g8 = QVNote::initWithNoteNr(127, 0, false);
    QVNote cMinus3 = c0;
    cMinus3.setOctave(-3);
    QVNote c9 = c3;
    c9.setOctave(9);
    const QVNote cDoubleSharp = spelled("C", 2, 3, 62);

    const NameCase cases[] = {
        {c3, "MIDI", "International", "C3"},
        {c3, "Scientific", "International", "C4"},
        {c3, "NoteName", "International", "C"},
        {c3, "Helmholtz", "International", "c′"},
        {c3, "French", "International", "C3"},
        {cSharp3, "MIDI", "International", "C♯3"},
        {cSharp3, "Scientific", "International", "C♯4"},
        {cSharp3, "NoteName", "International", "C♯"},
        {cSharp3, "Helmholtz", "International", "c♯′"},
        {cSharp3, "French", "International", "C♯3"},
        {cDoubleSharp, "MIDI", "International", "C𝄪3"},
        {c12, "MIDI", "International", "C-1"},
        {c12, "French", "International", "C-2"},
        {c24, "French", "International", "C-1"},
        {c0, "Helmholtz", "International", "C͵͵͵"},
        {cMinus3, "Helmholtz", "International", "C͵͵͵͵"},
        {c12, "Helmholtz", "International", "C͵͵"},
        {c24, "Helmholtz", "International", "C͵"},
        {eFlat1, "Helmholtz", "International", "E♭"},
        {bFlat2, "Helmholtz", "International", "b♭"},
        {eFlat3, "Helmholtz", "International", "e♭′"},
        {g8, "Helmholtz", "International", "g′′′′′′"},
        {c9, "Helmholtz", "International", "C"},
        // Solomisation: lower-case syllables, capitalised for upper-case Helmholtz letters.
        {c3, "MIDI", "Solomisation", "do3"},
        {dFlat3, "MIDI", "Solomisation", "re♭3"},
        {bFlat2, "NoteName", "Solomisation", "si♭"},
        {c3, "Helmholtz", "Solomisation", "do′"},
        {eFlat1, "Helmholtz", "Solomisation", "Mi♭"},
        {bFlat2, "Helmholtz", "Solomisation", "si♭"},
        {c24, "Helmholtz", "Solomisation", "Do͵"},
        // An unknown name type leaves the name as it is.
        {dFlat3, "MIDI", "Other", "D♭3"},
        // No naming rule: the empty text, whatever the name type.
        {c3, "Numeral", "International", ""},
        {c3, "Numeral", "Solomisation", ""},
        {c3, "Numeral", "Translated", ""},
        {c3, "Bogus", "International", ""},
        {c3, "", "International", ""},
    };
    for (const NameCase& c : cases) {
        const QString name = c.note.nameWithSpellingType(QString::fromLatin1(c.spelling),
                                                         QString::fromLatin1(c.nameType));
        EXPECT_EQ(name, u(c.expected)) << c.spelling << "/" << c.nameType << " of " << c.note.nr();
        EXPECT_FALSE(name.isNull());
    }
}

TEST(QVNoteNames, TranslatedNamesUseTheStringTable)
{
    TestEnvironment env;
    const QString bundle = env.copyOfResources();
    QDir(bundle).mkpath(QStringLiteral("strings"));
    QFile table(bundle + QStringLiteral("/strings/xx.json"));
    ASSERT_TRUE(table.open(QIODevice::WriteOnly));
    table.write(R"({"C#": "Cis", "Db": "Des", "db": "DES", "c": "c", "Eb": "ES", "D": "Re"})");
    table.close();
    env.useResources(bundle);
    const QByteArray savedLanguage = qgetenv("MELVORA_LANGUAGE");
    qputenv("MELVORA_LANGUAGE", "xx");
    Localization::reload();

    const QVNote cSharp3 = QVNote::initWithNoteNr(61, 62, false);
    const QVNote dFlat1 = QVNote::initWithNoteNr(37, 0, false);
    const QVNote dFlat3 = QVNote::initWithNoteNr(61, 0, false);
    const QVNote bbb = spelled("B", -2, 3, 69);
    auto translated = [](const QVNote& n, const char* spelling) {
        return n.nameWithSpellingType(QString::fromLatin1(spelling), QStringLiteral("Translated"));
    };
    EXPECT_EQ(translated(cSharp3, "MIDI"), QStringLiteral("Cis3"));
    EXPECT_EQ(translated(dFlat3, "NoteName"), QStringLiteral("Des"));
    EXPECT_EQ(translated(QVNote::initWithNoteNr(62, 0, false), "Scientific"), QStringLiteral("Re4"));
    // A key without an entry stays as it is (then takes the display signs).
    EXPECT_EQ(translated(QVNote::initWithNoteNr(66, 0, false), "MIDI"), u("F♯3"));
    // Only the letter and one sign are looked up; the second flat follows and both become
    // one display sign.
    EXPECT_EQ(translated(bbb, "MIDI"), u("B𝄫3"));
    // Helmholtz below octave 2 is capitalised, from octave 2 on it is kept.
    EXPECT_EQ(translated(dFlat1, "Helmholtz"), QStringLiteral("Des"));
    EXPECT_EQ(translated(dFlat3, "Helmholtz"), u("DES′"));
    EXPECT_EQ(translated(QVNote::initWithNoteNr(63, 0, false), "NoteName"), QStringLiteral("ES"));

    if (savedLanguage.isNull())
        qunsetenv("MELVORA_LANGUAGE");
    else
        qputenv("MELVORA_LANGUAGE", savedLanguage);
    Localization::reload();
}

// ---- Equality ----

TEST(QVNoteEquality, SpellingAndOctaveDecide)
{
    const QVNote cSharp3 = spelled("C", 1, 3, 61);
    const QVNote cSharp5 = spelled("C", 1, 5, 85);
    const QVNote dFlat3 = spelled("D", -1, 3, 61);
    const QVNote bSharp2 = spelled("B", 1, 2, 60);
    const QVNote c3 = spelled("C", 0, 3, 60);
    const QVNote cSharp3OtherNr = spelled("C", 1, 3, 73);
    const QVNote cMinus1 = spelled("C", 0, -1, 12);
    const QVNote c1 = spelled("C", 0, 1, 36);

    EXPECT_TRUE(cSharp3.isEqual(cSharp3OtherNr)); // names decide, not numbers
    EXPECT_FALSE(cSharp3.isEqual(cSharp5));
    EXPECT_TRUE(cSharp3.isSameNote(cSharp5));
    EXPECT_FALSE(cSharp3.isEqual(dFlat3));
    EXPECT_FALSE(cSharp3.isSameNote(dFlat3));
    EXPECT_FALSE(bSharp2.isEqual(c3));
    EXPECT_FALSE(bSharp2.isSameNote(c3));
    EXPECT_TRUE(cMinus1.isSameNote(c1)); // the minus sign goes with the digits
    EXPECT_TRUE(cSharp3 == cSharp3OtherNr);
    EXPECT_FALSE(cSharp3 == dFlat3);
}

// ---- Changes ----

TEST(QVNoteChanges, CopiesCarryLayoutFieldsAsStated)
{
    QVNote note = spelled("F", 1, 3, 66);
    note.setNoteFrame(QRectF(10, 20, 22, 11));
    note.setNoteSignFrame(QRectF(1, 2, 3, 4));
    note.setNoteLines({ZTNoteLine(QPointF(0, 1), QPointF(32, 1))});
    note.setSelected(true);
    note.setWrong(true);

    for (const QVNote& fresh : {note.copy(), QVNote::initWithNote(note)}) {
        EXPECT_TRUE(fresh.isEqual(note));
        EXPECT_EQ(fresh.nr(), 66);
        EXPECT_EQ(fresh.noteFrame(), QRectF(10, 20, 22, 11));
        EXPECT_TRUE(fresh.isSelected());
        EXPECT_TRUE(fresh.noteSignFrame().isNull());
        EXPECT_TRUE(fresh.noteLines().isEmpty());
        EXPECT_FALSE(fresh.wasWrong());
    }

    QVNote target = spelled("C", 0, 3, 60);
    target.setWrong(true);
    target.setNoteSignFrame(QRectF(5, 5, 5, 5));
    target.setNote(note);
    EXPECT_EQ(midiName(target), u("F♯3"));
    EXPECT_EQ(target.nr(), 66);
    EXPECT_TRUE(target.wasWrong());                            // not taken over
    EXPECT_EQ(target.noteSignFrame(), QRectF(5, 5, 5, 5));     // not taken over

    const QVNote plain = note; // a C++ copy is a full value copy
    EXPECT_TRUE(plain.wasWrong());
    EXPECT_EQ(plain.noteLines().size(), 1);
}

TEST(QVNoteChanges, SignsOctavesAndBounds)
{
    const struct { qint64 newOffset, minNote, maxNote, nr, offset; } signs[] = {
        {1, 0, 0, 61, 1},    // no bounds: always applies
        {-2, 0, 0, 58, -2},
        {1, 0, 60, 60, 0},   // above the highest
        {1, 0, 61, 61, 1},
        {-1, 60, 0, 60, 0},  // below the lowest
        {-1, 59, 72, 59, -1},
    };
    for (const auto& s : signs) {
        QVNote note = spelled("C", 0, 3, 60);
        note.addSignWithOffset(s.newOffset, s.minNote, s.maxNote);
        EXPECT_EQ(note.nr(), s.nr) << s.newOffset << " " << s.minNote << " " << s.maxNote;
        EXPECT_EQ(note.offset(), s.offset);
        EXPECT_EQ(note.letter(), QStringLiteral("C"));
        EXPECT_EQ(note.octave(), 3);
    }

    QVNote note = spelled("C", 1, 3, 61);
    note.removeSign();
    EXPECT_EQ(note.nr(), 60);
    EXPECT_EQ(note.offset(), 0);

    note.addOctaves(2);
    EXPECT_EQ(note.nr(), 84);
    EXPECT_EQ(note.octave(), 5);
    note.addOctaves(4); // 132 would leave the MIDI range
    EXPECT_EQ(note.nr(), 84);
    EXPECT_EQ(note.octave(), 5);
    note.addOctaves(-8); // below 0
    EXPECT_EQ(note.nr(), 84);
    note.addOctaves(-6);
    EXPECT_EQ(note.nr(), 12);
    EXPECT_EQ(note.octave(), -1);
}

TEST(QVNoteChanges, PositionsDrawingRectAndDescription)
{
    const char* letters[] = {"C", "D", "E", "F", "G", "A", "B"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(spelled(letters[i], 0, 3, 0).pos(), i + 1);
    EXPECT_EQ(spelled("H", 0, 3, 0).pos(), 0);

    QVNote note = spelled("F", 0, 3, 65);
    note.setNoteFrame(QRectF(100, 50, 22, 11));
    note.setNoteSignFrame(QRectF(85, 45, 10, 25));
    EXPECT_EQ(note.drawingRect(), QRectF(100, 50, 22, 11)); // no accidental: head only
    note.setOffset(1);
    EXPECT_EQ(note.drawingRect(), QRectF(85, 45, 37, 25));  // up to the sign's higher top
    note.setNoteSignFrame(QRectF(85, 45, 10, 5));
    EXPECT_EQ(note.drawingRect(), QRectF(85, 45, 37, 16));  // up to the head's top

    const QString text = QVNote::initWithNoteNr(61, 62, false).description();
    EXPECT_TRUE(text.startsWith(QStringLiteral("<QVNote: 0x")));
    EXPECT_TRUE(text.endsWith(u(": C♯3 - 61 - 1 - 3 - {{0, 0}, {0, 0}} isSelected:0"))) << qPrintable(text);
}
