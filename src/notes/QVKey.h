#pragma once

#include <QString>
#include <QStringList>

// A major or natural-minor key, with its tonic spelled as musicians write it, and the names
// of tones in it (the roots of a progression's chords). A plain value.
class QVKey {
public:
    // The key on the root's pitch class. Its tonic takes the plain name (C, Db, D, Eb, E, F,
    // F#, G, Ab, A, Bb, B) unless that key would need more than seven accidentals; then its
    // enharmonic twin (C# minor, not Db minor).
    static QVKey keyWithRootNoteNr(qint64 rootNoteNr, bool isMinor);

    QString tonic() const { return tonic_; }
    bool isMinor() const { return isMinor_; }
    // One name per letter, from the tonic.
    QStringList scaleNames() const;
    // Sharps and flats of its signature (a double sign counts twice).
    int accidentalCount() const;
    // The tone `semitones` above the tonic, on the letter musicians write it with: the key's
    // own scale names its tones, the others take the letters of b2, b3 or 3, #4, b6 or 6 and
    // b7 or 7 (in C major Db, Eb, F#, Ab, Bb; in C minor Db, E, F#, A, B).
    QString nameOfToneAbove(qint64 semitones) const;

private:
    QVKey(const QString& tonic, bool isMinor) : tonic_(tonic), isMinor_(isMinor) {}

    QString tonic_;
    bool isMinor_ = false;
};
