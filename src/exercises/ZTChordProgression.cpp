#include "ZTChordProgression.h"

#include "QVKey.h"
#include "RandomSource.h"
#include "ZTChord.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"

#include <cmath>

namespace {

const QString kExercise = QStringLiteral("Chord progressions");

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

QVariantList stepsOf(const QVariant& definition)
{
    return definition.toList();
}

// A chord's title: "C maj7", "C maj7 / E" for an inversion; the major triad, whose id is
// empty, is "C" and "C / E".
QString chordTitle(const QString& rootName, const QString& chordId, const QString& bassName, bool inverted)
{
    if (!inverted)
        return chordId.isEmpty() ? rootName : rootName + QStringLiteral(" ") + chordId;
    if (chordId.isEmpty())
        return rootName + QStringLiteral(" / ") + bassName;
    return rootName + QStringLiteral(" ") + chordId + QStringLiteral(" / ") + bassName;
}

// Whole beats per chord from the "length" setting: 2.7 beats give 2.
qlonglong beatsPerChord()
{
    const float length = prefs()->floatForKey(QStringLiteral("length"), kExercise);
    return std::isfinite(length) ? qlonglong(std::floor(length)) : 0;
}

} // namespace

void ZTChordProgression::init()
{
    ZTMusicalTest::init();
    const bool useInversions = prefs()->boolForKey(QStringLiteral("useChordInversions"), kExercise);
    inversions_.clear();
    for (const qlonglong tones : toneCountsOfSteps()) {
        // A chord without tones (its item is gone) offers no inversion to draw from.
        inversions_.append(useInversions && tones > 0 ? qlonglong(RandomSource::shared().next() % quint64(tones)) : 0);
    }
}

QString ZTChordProgression::className() const
{
    return QStringLiteral("ZTChordProgression");
}

void ZTChordProgression::setInversions(const QList<qlonglong>& inversions)
{
    inversions_ = inversions;
    resetNoteCollections();
}

std::unique_ptr<ZTChord> ZTChordProgression::chordForStep(const QVariantMap& step, qlonglong rootNoteNr)
{
    const QVariantMap item =
        ZTDataProvider::sharedDataProvider()->chordDictWithChordId(step.value(QStringLiteral("chordId")).toString());
    if (item.isEmpty())
        return nullptr;
    auto chord = ZTTest::create<ZTChord>(item);
    chord->setRootNoteNr(rootNoteNr);
    return chord;
}

QList<qlonglong> ZTChordProgression::toneCountsOfSteps() const
{
    QList<qlonglong> counts;
    for (const QVariant& entry : stepsOf(definition())) {
        const std::unique_ptr<ZTChord> chord = chordForStep(entry.toMap());
        counts.append(chord ? chord->noteCollectionObjects().size() : 0);
    }
    return counts;
}

QList<ZTNoteCollection> ZTChordProgression::noteCollectionObjects() const
{
    if (cachedCollections_)
        return *cachedCollections_;

    // Every chord root is spelled from the key's own scale, so the names agree with each
    // other and with the key signature.
    const qint64 root = rootNoteNr();
    const QVKey key = QVKey::keyWithRootNoteNr(root, isMinor());

    ZTPreferences* settings = prefs();
    const bool naturalOrder = settings->boolForKey(QStringLiteral("rootNoteNaturalOrder"), kExercise);
    const QString nameType = settings->noteNamesType();
    const QString spelling = QString::fromLatin1(kSpellingTypeNoteName);

    qint64 referenceBass = root;
    QList<ZTNoteCollection> chords;
    const QVariantList steps = stepsOf(definition());
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const QVariantMap step = steps.at(i).toMap();
        const qlonglong semitones = step.value(QStringLiteral("step")).toLongLong();
        const std::unique_ptr<ZTChord> chord = chordForStep(step, root + semitones);
        if (!chord)
            continue;
        chord->setRootName(key.nameOfToneAbove(semitones));
        const QList<ZTNoteCollection> voicings = chord->noteCollectionObjects();
        const qlonglong k = i < inversions_.size() ? inversions_.at(i) : 0;
        if (k < 0 || voicings.size() <= k)
            continue;

        ZTNoteCollection voiced = voicings.at(k).copy();
        const QVNote* bass = voiced.firstNote();
        if (!bass)
            continue;
        // Keep the progression close to its first chord unless the roots keep their order.
        if (!naturalOrder && i > 0) {
            const qint64 distance = bass->nr() - referenceBass;
            const qint64 octaves = distance >= 7 ? -1 : (distance <= -7 ? 1 : 0);
            if (octaves != 0) {
                QList<QVNote> shifted;
                for (const QVNote& note : voiced.notes())
                    shifted.append(movedByOctaves(note, octaves));
                voiced.setNotes(shifted);
            }
        }
        if (i == 0)
            referenceBass = voiced.firstNote()->nr();

        const QVNote* rootNote = voicings.at(0).firstNote();
        const QVNote* bassNote = voicings.at(k).firstNote();
        voiced.setName(chordTitle(rootNote ? rootNote->nameWithSpellingType(spelling, nameType) : QString(),
                                  chord->chordId(),
                                  bassNote ? bassNote->nameWithSpellingType(spelling, nameType) : QString(),
                                  k > 0));
        chords.append(voiced);
    }
    cachedCollections_ = chords;
    return chords;
}

MusicSequence ZTChordProgression::newMusicSequence()
{
    MusicSequence sequence;
    MusicTrack& track = sequence.newTrack();
    const QList<ZTNoteCollection> chords = noteCollectionObjects();
    const qlonglong beats = beatsPerChord();
    if (chords.size() * beats > 0) {
        for (qsizetype i = 0; i < chords.size(); ++i)
            setupTrack(track, chords.at(i), i * beats);
    }
    addTempoEvent(sequence);
    return sequence;
}

void ZTChordProgression::setupTrack(MusicTrack& track, const ZTNoteCollection& collection, qlonglong beat)
{
    const qlonglong beats = beatsPerChord();
    for (const QVNote& tone : collection.notes()) {
        MusicNoteEvent event = MusicNoteEvent::message(MIDIChannel(), tone.nr(), velocity());
        event.beat = double(beat);
        event.duration = double(beats);
        addNoteEvent(track, event);
    }
}

QStringList ZTChordProgression::spellingArray() const
{
    QStringList titles;
    for (const ZTNoteCollection& chord : noteCollectionObjects())
        titles.append(chord.name());
    return titles;
}

QList<QList<QVNote>> ZTChordProgression::notesForInstrumentView() const
{
    QList<QList<QVNote>> steps;
    for (const ZTNoteCollection& chord : noteCollectionObjects())
        steps.append(chord.notes());
    return steps;
}
