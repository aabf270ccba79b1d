#include "ZTChord.h"

#include <algorithm>

// The tones from `start` on, round the end of the list: tone j stands at j mod n, and a tone
// that wrapped round (j mod n < j) is raised by whole octaves until it lies above every tone
// that did not wrap. One octave is not enough for a chord wider than an octave (a ninth
// chord from its ninth), and the first tone must stay the lowest.
QList<QVNote> ZTChord::rotatedFrom(const QList<QVNote>& tones, qlonglong start)
{
    const qlonglong n = tones.size();
    std::optional<qint64> highestUnwrapped;
    for (qlonglong j = start; j < n; ++j)
        highestUnwrapped = std::max(highestUnwrapped.value_or(tones.at(j).nr()), tones.at(j).nr());
    QList<QVNote> rotated;
    rotated.reserve(n);
    for (qlonglong j = start; j < start + n; ++j) {
        const QVNote& tone = tones.at(j % n);
        if (j % n == j) {
            rotated.append(tone.copy());
            continue;
        }
        qint64 octaves = 1;
        if (highestUnwrapped && *highestUnwrapped >= tone.nr())
            octaves = std::max<qint64>(1, (*highestUnwrapped - tone.nr()) / 12 + 1);
        rotated.append(movedByOctaves(tone, octaves));
    }
    return rotated;
}

void ZTChord::init()
{
    ZTMusicalTest::init();
    chordId_ = item().value(QStringLiteral("chordId")).toString();
}

QString ZTChord::className() const
{
    return QStringLiteral("ZTChord");
}

QList<ZTNoteCollection> ZTChord::noteCollectionObjects() const
{
    if (cachedCollections_)
        return *cachedCollections_;

    const QList<QVNote> tones = ZTNoteCollection::firstNotesFromCollections(collectionsFromDefinition(false));
    const qlonglong n = tones.size();

    // Inversion k: tone k in the bass, the tones below it raised above the rest. A negative
    // inversion is taken as root position.
    const qlonglong k = std::max<qlonglong>(0, userInfo().toLongLong());
    QList<QVNote> inverted = rotatedFrom(tones, k);
    // The steps play from the bass upward: the raised tones in the order they sound (a ninth
    // chord from its ninth is D E G Bb C, not D C E G Bb).
    std::stable_sort(inverted.begin() + std::max<qlonglong>(0, n - k), inverted.end(),
                     [](const QVNote& a, const QVNote& b) { return a.nr() < b.nr(); });
    if (descending())
        std::reverse(inverted.begin(), inverted.end());

    // Voicing: collection i holds the chord upward from tone i.
    QList<ZTNoteCollection> voiced;
    voiced.reserve(n);
    for (qlonglong i = 0; i < n; ++i) {
        const QList<QVNote> upward = rotatedFrom(inverted, i);
        ZTNoteCollection collection = ZTNoteCollection::noteCollectionWithNote(upward.first());
        collection.setNotes(upward);
        voiced.append(collection);
    }
    cachedCollections_ = voiced;
    return voiced;
}

bool ZTChord::isSameChord(const ZTChord& other) const
{
    const QList<ZTNoteCollection> mine = noteCollectionObjects();
    const QList<ZTNoteCollection> theirs = other.noteCollectionObjects();
    if (mine.size() != theirs.size())
        return false;
    if (mine.isEmpty())
        return true; // two chords without tones do not differ
    const qlonglong myBase = mine.first().firstNote()->nr();
    const qlonglong theirBase = theirs.first().firstNote()->nr();
    for (qsizetype i = 1; i < mine.size(); ++i) {
        if (mine.at(i).firstNote()->nr() - myBase != theirs.at(i).firstNote()->nr() - theirBase)
            return false;
    }
    return true;
}
