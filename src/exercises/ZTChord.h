#pragma once

#include "ZTMusicalTest.h"

// A chord question. Its tones are the definition's steps, always in definition order,
// turned into the inversion given as user info (k raises the k lowest tones by as many
// octaves as they need to lie above the others, so tone k is the bass), reversed when
// descending, and voiced: collection i holds the chord upward from tone i, so collection 0
// is the whole chord. The voiced collections are cached until
// resetNoteCollections().
class ZTChord : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    // The base initialisation, then the item's "chordId".
    void init() override;
    QString className() const override;

    QString chordId() const { return chordId_; }
    void setChordId(const QString& chordId) { chordId_ = chordId; }

    QList<ZTNoteCollection> noteCollectionObjects() const override;

    // The same chord in any transposition: the same number of collections, and every
    // collection's first note lies as far from collection 0's first note in both.
    bool isSameChord(const ZTChord& other) const;

private:
    // Tones start .. start + n - 1 (mod n); those that wrapped round go above the others.
    static QList<QVNote> rotatedFrom(const QList<QVNote>& tones, qlonglong start);

    QString chordId_;
};
