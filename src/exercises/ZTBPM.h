#pragma once

#include "ZTMusicalTest.h"

// A click track at the item's tempo: the definition is the tempo in beats per minute. Its
// clicks are "numberOfBeats" of "Tempo recognition" notes of the rhythm sound, read from the
// settings whenever they are asked for. Answered from the sidebar only.
class ZTBPM : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    // The base initialisation; not answerable by notes, no notes shown, the rhythm velocity.
    void init() override;
    QString className() const override;

    // The built-in synthesizer's click sounds lie above the MIDI range: 129 for its second
    // rhythm instrument, else 128.
    static qlonglong _noteForMelvoraRythmSound();
    // The click of the built-in synthesizer, or the General MIDI drum note of the settings
    // for any other output.
    static qlonglong _createNoteNr();

    // The click note repeated "numberOfBeats" times (nothing for 0 or less).
    QList<qlonglong> notes() const;
    // One collection per click; rebuilt on every call.
    QList<ZTNoteCollection> noteCollectionObjects() const override;
    // The same tempo.
    bool isEqualTo(const ZTTest& other) const override;
    QString spellingString() const override;
};
