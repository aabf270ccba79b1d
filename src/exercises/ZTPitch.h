#pragma once

#include "ZTMusicalTest.h"

// A single absolute note: the first entry of the definition's first step gives "note", a
// MIDI number, spelled as the root of its own key. It plays for the "length" setting of
// "Pitch recognition", whatever the play mode.
class ZTPitch : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    QString className() const override;

    // The "note" of the item, or nothing when the definition holds none.
    std::optional<qlonglong> noteNr() const;

    QList<ZTNoteCollection> noteCollectionObjects() const override;
    // The root becomes the note itself (unchanged without a note).
    void updateRootNote() override;
    // Both questions hold the same "note" number.
    bool isEqualTo(const ZTTest& other) const override;
    void setupTrack(MusicTrack& track, MusicNoteEvent note, qlonglong beat) override;
};
