#pragma once

#include "TestEnvironment.h"

#include "QVMusicInstrument.h"
#include "QVNote.h"
#include "ZTInstrumentViewBase.h"
#include "ZTMusicInstumentProtocol.h"
#include "ZTMusicalTest.h"
#include "ZTNoteCollection.h"

#include <QList>
#include <QPair>
#include <QPoint>
#include <QRegion>
#include <QString>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>

// Records what the views sound.
class RecordingInstrument : public QVMusicInstrument {
public:
    void noteOn(int note, unsigned velocity) override { events.append({QStringLiteral("on"), note}); lastVelocity = velocity; }
    void noteOff(int note) override { events.append({QStringLiteral("off"), note}); }
    QList<QPair<QString, int>> events;
    unsigned lastVelocity = 0;
};

class RecordingInstrumentDelegate : public ZTMusicInstumentDelegate {
public:
    void instrumentView(ZTMusicInstumentProtocol*, const QVNote& note) override { notes.append(note); }
    QList<QVNote> notes;
};

// A question whose note groups are given directly; `progression` makes it a chord
// progression with one answer position per group.
class GroupsQuestion : public ZTMusicalTest {
public:
    using ZTMusicalTest::ZTMusicalTest;
    QString className() const override
    {
        return progression ? QStringLiteral("ZTChordProgression") : QStringLiteral("ZTMusicalTest");
    }
    QList<ZTNoteCollection> noteCollectionObjects() const override { return groups; }
    QList<QList<QVNote>> notesForInstrumentView() const override
    {
        if (!progression)
            return ZTMusicalTest::notesForInstrumentView();
        QList<QList<QVNote>> positions;
        for (const ZTNoteCollection& group : groups)
            positions.append(group.notes());
        return positions;
    }
    QList<ZTNoteCollection> groups;
    bool progression = false;
};

// A fresh home, fresh settings and a recording instrument on the MIDI controller.
class ViewTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    static QVNote note(qint64 nr) { return QVNote::initWithNoteNr(nr, 0, false); }
    // A note spelled with an accidental: `letterNr` natural note raised or lowered by `offset`.
    static QVNote altered(qint64 letterNr, qint64 offset);
    static ZTNoteCollection group(std::initializer_list<qint64> nrs);

    // Saves a picture of the widget under <build>/view-shots/<name>.png.
    static void saveShot(QWidget* widget, const QString& name, double scale = 2.0);
    // The colour at a y-up point of a rendered widget.
    static QColor colorAt(QWidget* widget, const QPointF& yUpPoint);
    // A Qt point in the widget for a y-up point.
    static QPoint qtPoint(const QWidget* widget, const QPointF& yUpPoint);

    // ---- Marks as drawn ----
    // The Qt pixels of a view `viewHeight` high that a mark's name covers by a quarter or
    // more, drawn into the y-up rectangle as the instrument views draw it.
    static QRegion markNameInk(const QString& name, const QRectF& yUpRect, double viewHeight);
    // The pixels a y-up rectangle touches.
    static QRect touchedPixels(const QRectF& yUpRect, double viewHeight);
    // The width of the ink of a mark's name at its natural size, from the lettering's outline.
    static double naturalNameWidth(const QString& name);
    // What is wrong with a mark's name drawn into its label as the views draw it: no ink, ink
    // outside the text rectangle (and so the plate), or a width under `leastWidthShare` of its
    // natural width. Empty when nothing is.
    static QString drawnNameProblem(const ZTInstrumentViewBase::MarkLabel& label, double viewHeight,
                                    double leastWidthShare);

    std::unique_ptr<TestEnvironment> environment_;
    std::shared_ptr<RecordingInstrument> instrument_;
};
