#pragma once

#include "ZTMusicalTest.h"

// A generated melody: `numTones` notes drawn from the scale named `scaleName` (a "Scale
// recognition" item) over the root, spread over up to `octaves` octaves, or chromatic when
// there is no such scale. Two neighbouring notes never use the same scale degree (or, when
// chromatic, the same semitone above the root), unless the scale has a single degree.
//
// Every melody is scored under the item name "Melody".
class ZTMelodies : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    QString className() const override;

    // Stores the item; the definition and the translated name become none, the name "Melody".
    void setItem(const QVariantMap& item) override;

    QString scaleName() const { return scaleName_; }
    void setScaleName(const QString& name) { scaleName_ = name; }
    qlonglong numTones() const { return numTones_; }
    void setNumTones(qlonglong count) { numTones_ = count; }
    qlonglong octaves() const { return octaves_; }
    void setOctaves(qlonglong octaves) { octaves_ = octaves; }
    const QList<ZTNoteCollection>& notes() const { return notes_; }
    void setNotes(const QList<ZTNoteCollection>& notes) { notes_ = notes; }

    // Draws a new melody over the current root into notes().
    void createNotes();
    // The melody as drawn last: one collection of one note per melody note.
    QList<ZTNoteCollection> noteCollectionObjects() const override;

private:
    QString scaleName_;
    qlonglong numTones_ = 0;
    qlonglong octaves_ = 0;
    QList<ZTNoteCollection> notes_;
};
