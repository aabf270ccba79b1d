#include "QVNote.h"
#include "ZTNoteCollection.h"

#include "TestEnvironment.h"
#include "platform/foundation/Localization.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

namespace {

QString u(const char* utf8) { return QString::fromUtf8(utf8); }

QString midiName(const QVNote& note)
{
    return note.nameWithSpellingType(QStringLiteral("MIDI"), QStringLiteral("International"));
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

TEST(QVNoteSpelling, NumbersInKeys)
{
    const struct { qint64 nr, root; bool minor; int type; const char* name; } cases[] = {
        // Alone (root 0, major) chromatic tones take the plain row.
        {61, 0, false, 0, "D♭3"}, {66, 0, false, 0, "F♯3"}, {70, 0, false, 0, "B♭3"},
        {12, 0, false, 0, "C-1"}, {128, 0, false, 0, "A♭8"},
        // Sharp keys raise the degree below, flat keys lower the degree above.
        {61, 62, false, 0, "C♯3"}, {60, 62, false, 0, "C3"}, {68, 67, false, 0, "G♯3"},
        {71, 65, false, 0, "B3"}, {66, 65, false, 0, "G♭3"},
        // The tone below a minor root has no step above it: A minor's raised seventh is A♭,
        // E minor's D♯ is E♭.
        {68, 57, true, 0, "A♭3"}, {63, 64, true, 0, "E♭3"}, {66, 64, true, 0, "F♯3"},
        // D♭ minor lowers C♭ to B♭; C♭ and B♯ are written in the octave of their letter.
        {70, 61, true, 0, "B♭3"}, {71, 61, true, 0, "C♭4"}, {69, 61, true, 0, "B𝄫3"},
        {60, 61, false, 1, "B♯2"}, {71, 66, false, 2, "C♭4"}, {61, 61, false, 9, "D♭3"},
    };
    static const int steps[] = {0, 2, 4, 5, 7, 9, 11};
    for (const auto& c : cases) {
        const QVNote note = QVNote::initWithNoteNr(c.nr, c.root, c.minor, {}, c.type);
        EXPECT_EQ(midiName(note), u(c.name)) << c.nr << " root " << c.root << " minor " << c.minor;
        EXPECT_EQ(note.nr(), c.nr);
        if (c.nr <= 127) {
            EXPECT_EQ(24 + 12 * note.octave() + steps[note.pos() - 1] + note.offset(), c.nr) << c.nr;
        }
    }
}

TEST(QVNoteSpelling, ReusesSpellingOfGivenNotesLastMatchWins)
{
    ZTNoteCollection first(spelled("C", 1, 3, 61));
    ZTNoteCollection second(spelled("E", 0, 3, 64));
    second.addNote(spelled("D", -1, 3, 61));
    EXPECT_EQ(midiName(QVNote::initWithNoteNr(61, 62, false, {first, second})), u("D♭3"));
    EXPECT_EQ(midiName(QVNote::initWithNoteNr(61, 0, false, {second, first})), u("C♯3"));
    EXPECT_EQ(midiName(QVNote::initWithNoteNr(66, 0, false, {first, ZTNoteCollection()})), u("F♯3"));
}

TEST(QVNoteSpelling, DegreesOfScales)
{
    const struct { qint64 root, pos, offset; bool minor; int type; qint64 nr; const char* name; } cases[] = {
        {60, 3, 0, false, 0, 64, "E3"},  {60, 7, 1, false, 0, 72, "B♯3"}, {60, 8, 0, false, 0, 72, "C4"},
        {60, 15, 0, false, 0, 84, "C5"}, {60, 3, -1, false, 0, 63, "E♭3"}, {57, 7, 1, true, 0, 68, "G♯3"},
        {61, 6, 0, true, 0, 69, "B𝄫3"},  {61, 7, 0, false, 1, 72, "B♯3"}, {66, 4, 0, false, 2, 71, "C♭4"},
        // Degrees below 1 are not asked for; they must still stay inside the scale.
        {60, 0, 0, false, 0, 59, "B2"},  {60, -6, 0, false, 0, 48, "C2"},
    };
    for (const auto& c : cases) {
        const QVNote note = QVNote::initWithRootNoteNr(c.root, c.pos, c.offset, c.minor, c.type);
        EXPECT_EQ(note.nr(), c.nr) << "root " << c.root << " degree " << c.pos;
        EXPECT_EQ(midiName(note), u(c.name)) << "root " << c.root << " degree " << c.pos;
    }
}

TEST(QVNoteNames, ScaleNamesAndNameArithmetic)
{
    const QList<qint64> major = {0, 2, 4, 5, 7, 9, 11};
    const QList<qint64> minor = {0, 2, 3, 5, 7, 8, 10};
    auto scale = [](qint64 base, const QList<qint64>& steps, int type) {
        return QVNote::getNotesForScaleWithBaseNote(base, steps, type).join(QLatin1Char(' '));
    };
    EXPECT_EQ(scale(66, major, 0), QStringLiteral("F# G# A# B C# D# E#"));
    EXPECT_EQ(scale(61, minor, 0), QStringLiteral("Db Eb Fb Gb Ab Bbb Cb"));
    EXPECT_EQ(scale(61, major, 1), QStringLiteral("C# D# E# F# G# A# B#"));
    EXPECT_EQ(scale(66, major, 2), QStringLiteral("Gb Ab Bb Cb Db Eb F"));
    EXPECT_EQ(scale(68, major, 1), QStringLiteral("G# A# B# C# D# E# F##"));
    EXPECT_EQ(scale(62, {0, 2, 4}, 0), QStringLiteral("D E F#")); // short lists are not overrun

    const struct { const char* name; int value; const char* result; } neighbours[] = {
        {"C", 1, "C#"}, {"C", -1, "B"}, {"Db", 1, "D"}, {"D", -1, "Db"}, {"E", 1, "F"}, {"B", -1, "Bb"},
        // Outside the plain names: still one semitone away.
        {"Cb", -1, "Bb"}, {"E#", 1, "F#"}, {"B#", 1, "C#"}, {"Bbb", -1, "Ab"},
        {"C", 2, "C"}, {"", 1, ""}, {"H", 1, "H"},
    };
    for (const auto& n : neighbours)
        EXPECT_EQ(QVNote::addNote(QString::fromLatin1(n.name), n.value), QString::fromLatin1(n.result)) << n.name;

    const struct { const char* name; int offset; int step; } offsets[] = {
        {"B", 0, 11}, {"Bbb", -2, 9}, {"Cbbb", -3, 9}, {"F###", 3, 8}, {"Cb", -1, 11}, {"B#", 1, 0}, {"", 0, 0},
    };
    for (const auto& o : offsets) {
        EXPECT_EQ(QVNote::offsetForNoteName(QString::fromLatin1(o.name)), o.offset) << o.name;
        EXPECT_EQ(QVNote::stepForNoteName(QString::fromLatin1(o.name)), o.step) << o.name;
    }
    EXPECT_EQ(QVNote::appendOffset(2, QStringLiteral("Cb")), QStringLiteral("C#"));
    EXPECT_EQ(QVNote::appendOffset(-1, QStringLiteral("Db")), QStringLiteral("Dbb"));
    EXPECT_EQ(QVNote::appendOffset(-1, QStringLiteral("C#")), QStringLiteral("C"));

    EXPECT_EQ(QVNote::keySignatureTypeForScale({"C", "D", "F#", "Bb"}), 1);
    EXPECT_EQ(QVNote::keySignatureTypeForScale({"B", "Bb", "C#"}), 2);
    EXPECT_EQ(QVNote::keySignatureTypeForScale({}), 0);
    EXPECT_EQ(QVNote::nextNoteLetter(QStringLiteral("B")), QStringLiteral("C"));

    const struct { const char* in; const char* out; } signs[] = {
        {"Bbb3", "B𝄫3"}, {"C##", "C𝄪"}, {"F###", "F𝄪♯"}, {"bb", "b♭"}, {"b", "b"}, {"", ""},
    };
    for (const auto& s : signs)
        EXPECT_EQ(QVNote::replaceSignsFromNoteName(QString::fromLatin1(s.in)), u(s.out)) << s.in;
}

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
    QVNote cMinus3 = c3;
    cMinus3.setOctave(-3);
    QVNote c9 = c3;
    c9.setOctave(9);

    const struct { QVNote note; const char* spelling; const char* type; const char* expected; } cases[] = {
        {c3, "MIDI", "International", "C3"},       {c3, "Scientific", "International", "C4"},
        {c3, "French", "International", "C3"},     {cSharp3, "NoteName", "International", "C♯"},
        {cSharp3, "Helmholtz", "International", "c♯′"}, {c12, "French", "International", "C-2"},
        {c24, "French", "International", "C-1"},   {cMinus3, "Helmholtz", "International", "C͵͵͵͵"},
        {c24, "Helmholtz", "International", "C͵"},  {eFlat1, "Helmholtz", "International", "E♭"},
        {bFlat2, "Helmholtz", "International", "b♭"}, {eFlat3, "Helmholtz", "International", "e♭′"},
        {QVNote::initWithNoteNr(127, 0, false), "Helmholtz", "International", "g′′′′′′"},
        {c9, "Helmholtz", "International", "C"},
        {dFlat3, "MIDI", "Solomisation", "re♭3"},  {bFlat2, "NoteName", "Solomisation", "si♭"},
        {c3, "Helmholtz", "Solomisation", "do′"},  {eFlat1, "Helmholtz", "Solomisation", "Mi♭"},
        {dFlat3, "MIDI", "Other", "D♭3"},
        // No naming rule: the empty text, never a null one.
        {c3, "Numeral", "International", ""},      {c3, "Numeral", "Solomisation", ""},
        {c3, "Numeral", "Translated", ""},         {c3, "Bogus", "International", ""},
    };
    for (const auto& c : cases) {
        const QString name = c.note.nameWithSpellingType(QString::fromLatin1(c.spelling), QString::fromLatin1(c.type));
        EXPECT_EQ(name, u(c.expected)) << c.spelling << "/" << c.type << " of " << c.note.nr();
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
    table.write(R"({"C#": "Cis", "Db": "des", "db": "DES", "D": "Re"})");
    table.close();
    env.useResources(bundle);
    const QByteArray savedLanguage = qgetenv("MELVORA_LANGUAGE");
    qputenv("MELVORA_LANGUAGE", "xx");
    Localization::reload();

    auto translated = [](const QVNote& n, const char* spelling) {
        return n.nameWithSpellingType(QString::fromLatin1(spelling), QStringLiteral("Translated"));
    };
    EXPECT_EQ(translated(QVNote::initWithNoteNr(61, 62, false), "MIDI"), QStringLiteral("Cis3"));
    EXPECT_EQ(translated(QVNote::initWithNoteNr(62, 0, false), "Scientific"), QStringLiteral("Re4"));
    EXPECT_EQ(translated(QVNote::initWithNoteNr(66, 0, false), "MIDI"), u("F♯3")); // no entry
    EXPECT_EQ(translated(spelled("B", -2, 3, 69), "MIDI"), u("B𝄫3")); // looks up "Bb", keeps "b3"
    // Helmholtz names below octave 2 are capitalised.
    EXPECT_EQ(translated(QVNote::initWithNoteNr(37, 0, false), "Helmholtz"), QStringLiteral("Des"));
    EXPECT_EQ(translated(QVNote::initWithNoteNr(61, 0, false), "Helmholtz"), u("DES′"));

    if (savedLanguage.isNull())
        qunsetenv("MELVORA_LANGUAGE");
    else
        qputenv("MELVORA_LANGUAGE", savedLanguage);
    Localization::reload();
}

TEST(QVNoteEquality, SpellingAndOctaveDecide)
{
    const QVNote cSharp3 = spelled("C", 1, 3, 61);
    EXPECT_TRUE(cSharp3 == spelled("C", 1, 3, 73)); // names decide, not numbers
    EXPECT_FALSE(cSharp3.isEqual(spelled("C", 1, 5, 85)));
    EXPECT_TRUE(cSharp3.isSameNote(spelled("C", 1, 5, 85)));
    EXPECT_FALSE(cSharp3.isEqual(spelled("D", -1, 3, 61)));
    EXPECT_FALSE(cSharp3.isSameNote(spelled("D", -1, 3, 61)));
    EXPECT_TRUE(spelled("C", 0, -1, 12).isSameNote(spelled("C", 0, 1, 36)));
}

TEST(QVNoteChanges, CopiesSignsOctavesAndFrames)
{
    QVNote note = spelled("F", 1, 3, 66);
    note.setNoteFrame(QRectF(100, 50, 22, 11));
    note.setNoteSignFrame(QRectF(85, 45, 10, 25));
    note.setNoteLines({ZTNoteLine(QPointF(0, 1), QPointF(32, 1))});
    note.setSelected(true);
    note.setWrong(true);

    const QVNote fresh = note.copy();
    EXPECT_TRUE(fresh.isEqual(note));
    EXPECT_EQ(fresh.nr(), 66);
    EXPECT_EQ(fresh.noteFrame(), note.noteFrame());
    EXPECT_TRUE(fresh.isSelected());
    EXPECT_TRUE(fresh.noteSignFrame().isNull());
    EXPECT_TRUE(fresh.noteLines().isEmpty());
    EXPECT_FALSE(fresh.wasWrong());

    // Up to the accidental's top when it is higher, else the head's.
    EXPECT_EQ(note.drawingRect(), QRectF(85, 45, 37, 25));
    note.setNoteSignFrame(QRectF(85, 45, 10, 5));
    EXPECT_EQ(note.drawingRect(), QRectF(85, 45, 37, 16));

    const struct { qint64 newOffset, minNote, maxNote, nr; } signs[] = {
        {1, 0, 0, 61}, {1, 0, 60, 60}, {1, 0, 61, 61}, {-1, 60, 0, 60}, {-1, 59, 72, 59},
    };
    for (const auto& s : signs) {
        QVNote c = spelled("C", 0, 3, 60);
        c.addSignWithOffset(s.newOffset, s.minNote, s.maxNote);
        EXPECT_EQ(c.nr(), s.nr) << s.newOffset << " " << s.minNote << " " << s.maxNote;
        EXPECT_EQ(c.offset(), s.nr == 60 ? 0 : s.newOffset);
    }

    QVNote c = spelled("C", 1, 3, 61);
    c.removeSign();
    EXPECT_EQ(c.nr(), 60);
    c.addOctaves(4); // 108
    c.addOctaves(2); // 132 would leave the MIDI range
    c.addOctaves(-10);
    EXPECT_EQ(c.nr(), 108);
    EXPECT_EQ(c.octave(), 7);
}
