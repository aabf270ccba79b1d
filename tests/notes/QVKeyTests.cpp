#include "QVKey.h"
#include "QVNote.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

TEST(QVKey, EveryKeyIsWrittenWithAtMostSevenAccidentals)
{
    for (const bool minor : {false, true}) {
        for (qint64 root = 48; root < 60; ++root) {
            const QVKey key = QVKey::keyWithRootNoteNr(root, minor);
            EXPECT_LE(key.accidentalCount(), 7) << qPrintable(key.tonic()) << (minor ? " minor" : " major");
            EXPECT_EQ(QVNote::stepForNoteName(key.tonic()), root % 12);
            // One kind of sign per key.
            const QString signs = key.scaleNames().join(QString()).remove(QRegularExpression("[A-G]"));
            EXPECT_FALSE(signs.contains('#') && signs.contains('b')) << qPrintable(key.scaleNames().join(' '));
        }
    }
    // D flat minor would need eight flats (F flat, B double flat, C flat): C sharp minor.
    EXPECT_EQ(QVKey::keyWithRootNoteNr(61, true).tonic(), "C#");
    EXPECT_EQ(QVKey::keyWithRootNoteNr(61, false).tonic(), "Db");
    // Seven flats are still written.
    EXPECT_EQ(QVKey::keyWithRootNoteNr(56, true).tonic(), "Ab");
    EXPECT_EQ(QVKey::keyWithRootNoteNr(56, true).accidentalCount(), 7);
}

TEST(QVKey, TonesAreNamedFromTheKeysScale)
{
    auto names = [](const QVKey& key) {
        QStringList all;
        for (int semitones = 0; semitones < 12; ++semitones)
            all << key.nameOfToneAbove(semitones);
        return all.join(' ');
    };
    EXPECT_EQ(names(QVKey::keyWithRootNoteNr(60, false)), "C Db D Eb E F F# G Ab A Bb B");
    EXPECT_EQ(names(QVKey::keyWithRootNoteNr(60, true)), "C Db D Eb E F F# G Ab A Bb B");
    EXPECT_EQ(names(QVKey::keyWithRootNoteNr(66, false)), "F# G G# A A# B B# C# D D# E E#");
    EXPECT_EQ(names(QVKey::keyWithRootNoteNr(63, true)), "Eb Fb F Gb G Ab A Bb Cb C Db D");
    // Steps beyond the octave and below the tonic name the same tones.
    EXPECT_EQ(QVKey::keyWithRootNoteNr(61, true).nameOfToneAbove(20), "A");
    EXPECT_EQ(QVKey::keyWithRootNoteNr(61, true).nameOfToneAbove(-1), "B#");
}

TEST(QVNoteSpelling, ScalesFollowASpelledRoot)
{
    EXPECT_EQ(QVNote::getNotesForScaleWithRootName("E#", QVNote::scaleSteps(false)).join(' '),
              "E# F## G## A# B# C## D##");
    const QVNote third = QVNote::initWithRootNoteNr(65, "E#", 3, -1, false);
    EXPECT_EQ(third.letter(), "G");
    EXPECT_EQ(third.offset(), 1);
    EXPECT_EQ(third.nr(), 68);
    // B sharp over C: written in the octave below.
    const QVNote leading = QVNote::initWithRootNoteNr(72, "B#", 1, 0, false);
    EXPECT_EQ(leading.octave(), 3);
}
