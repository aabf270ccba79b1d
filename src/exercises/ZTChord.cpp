#include "ZTChord.h"

#include <algorithm>

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

    const QList<ZTNoteCollection> tones = collectionsFromDefinition(false);
    const qlonglong n = tones.size();

    // Inversion k: tones k .. k + n - 1, the ones that wrapped around an octave higher.
    // A negative inversion is taken as root position.
    const qlonglong k = std::max<qlonglong>(0, userInfo().toLongLong());
    QList<QVNote> inverted;
    inverted.reserve(n);
    for (qlonglong j = k; j < k + n; ++j) {
        const qlonglong index = j % n;
        const QVNote& tone = *tones.at(index).firstNote();
        inverted.append(index < j ? movedByOctaves(tone, 1) : tone.copy());
    }
    if (descending())
        std::reverse(inverted.begin(), inverted.end());

    // Voicing: collection i holds tone i and the following tones, the ones below i an
    // octave higher.
    QList<ZTNoteCollection> voiced;
    voiced.reserve(n);
    for (qlonglong i = 0; i < n; ++i) {
        ZTNoteCollection collection = ZTNoteCollection::noteCollectionWithNote(inverted.at(i));
        for (qlonglong step = 1; step < n; ++step) {
            const qlonglong index = (i + step) % n;
            const QVNote& tone = inverted.at(index);
            collection.addNote(index < i ? movedByOctaves(tone, 1) : tone.copy());
        }
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
