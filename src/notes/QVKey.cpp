#include "QVKey.h"

#include "QVNote.h"

#include <array>
#include <cstdlib>

namespace {

constexpr int kMostAccidentals = 7;

int mod12(qint64 value)
{
    return int(((value % 12) + 12) % 12);
}

// The scale degree (0 = tonic) whose letter writes each semitone above the tonic.
constexpr std::array<int, 12> kDegreeOfSemitone = {0, 1, 1, 2, 2, 3, 3, 4, 5, 5, 6, 6};

QString withAccidentals(const QString& letter, int offset)
{
    return letter + QString(std::abs(offset), offset > 0 ? QLatin1Char('#') : QLatin1Char('b'));
}

} // namespace

QVKey QVKey::keyWithRootNoteNr(qint64 rootNoteNr, bool isMinor)
{
    const QList<qint64> steps = QVNote::scaleSteps(isMinor);
    const QVKey plain(QVNote::getNotesForScaleWithBaseNote(rootNoteNr, steps).first(), isMinor);
    if (plain.accidentalCount() <= kMostAccidentals)
        return plain;
    // The twin on the same pitch class: sharps for a flat name, flats for a sharp one.
    const int type = plain.tonic().contains(QLatin1Char('#')) ? 2 : 1;
    return QVKey(QVNote::getNotesForScaleWithBaseNote(rootNoteNr, steps, type).first(), isMinor);
}

QStringList QVKey::scaleNames() const
{
    return QVNote::getNotesForScaleWithRootName(tonic_, QVNote::scaleSteps(isMinor_));
}

int QVKey::accidentalCount() const
{
    int count = 0;
    for (const QString& name : scaleNames())
        count += std::abs(QVNote::offsetForNoteName(name));
    return count;
}

QString QVKey::nameOfToneAbove(qint64 semitones) const
{
    const QString letter = scaleNames().value(kDegreeOfSemitone[mod12(semitones)]).left(1);
    const int target = mod12(QVNote::stepForNoteName(tonic_) + semitones);
    int offset = mod12(target - QVNote::stepForNoteName(letter));
    if (offset > 6)
        offset -= 12;
    return withAccidentals(letter, offset);
}
