#pragma once

#include "YUpMouseView.h"
#include "ZTMusicInstumentProtocol.h"

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QString>

#include <array>
#include <memory>

class YUpPainter;

// What the piano keyboard and the guitar fretboard share: the question that spells played
// notes, the right (green) and wrong (red) marks by answer position with the step that picks
// the drawn position, the step bar of chord progressions, and the notes held down, each
// sounding on the MIDI controller's current instrument and reported to the delegate.
//
// Main thread only.
class ZTInstrumentViewBase : public YUpMouseView, public ZTMusicInstumentProtocol {
    Q_OBJECT
public:
    // A note still held when the view goes (swapped for the other instrument, window closed
    // mid-press) is silenced.
    ~ZTInstrumentViewBase() override;

    // ---- ZTMusicInstumentProtocol ----
    QWidget* view() override { return this; }
    void allNotesUp() override;
    void unmarkAllNotes() override;
    void markNoteGreen(const QVNote& note, qint64 position) override;
    void markNoteRed(const QVNote& note, qint64 position) override;
    void setGreenNotes(const QList<QVNote>& notes, qint64 position) override;
    void setGreenNotesFromTestWithStep(qint64 step) override;
    std::shared_ptr<ZTMusicalTest> musicalTest() const override { return musicalTest_; }
    void setMusicalTest(std::shared_ptr<ZTMusicalTest> test) override { musicalTest_ = std::move(test); }
    qint64 step() const override { return step_; }
    void setStep(qint64 step) override;
    ZTMusicInstumentDelegate* delegate() const override { return delegate_; }
    void setDelegate(ZTMusicInstumentDelegate* delegate) override { delegate_ = delegate; }
    const ZTMarkList& greenNotes() const override { return greenNotes_; }
    void setGreenNotes(const ZTMarkList& marks) override;
    const ZTMarkList& redNotes() const override { return redNotes_; }
    void setRedNotes(const ZTMarkList& marks) override;

    // A note's name in the user's spelling and note-name types.
    static QString noteName(const QVNote& note);

    // ---- Mark labels ----
    // A mark shows the note's name in a readable bold size on a plate as wide as the name
    // needs within the room the instrument gives it, so that the marks of neighbouring places
    // never cover each other; a longer name is set narrower, never cut.
    struct MarkLabel {
        QString name;
        QRectF plate;    // y-up
        QRectF textRect; // the plate less its padding
    };
    static constexpr double kMarkFontSize = 12;
    static constexpr double kMarkPadding = 1.5;
    static QFont markFont();
    // A mark's name in one line centred in `rect` (y-up), drawn narrower where it is wider
    // than the rectangle, its accidental signs as heavy as its letters (ZTMarkLettering).
    static void drawMarkName(YUpPainter& painter, const QRectF& rect, const QString& name, const QColor& color);

    // ---- Showing part of the view ----
    // How much of the view to show where `available` points are free: all of it that fits.
    virtual double fittedVisibleWidth(double available) const;
    // The scroll position to use for `x` with that much in view, at or above `x` when
    // `upwards`, else at or below it: `x` itself unless the view has places it shows best from.
    virtual double scrollStop(double x, double visibleWidth, bool upwards) const;

    // Leaving the view with the button held ends the press and silences everything.
    void mouseExited(bool buttonHeld) override;

protected:
    explicit ZTInstrumentViewBase(QWidget* parent);

    // Sounds a note (0..127; others are ignored), reports it to the delegate spelled in the
    // question's key, and holds it.
    void pressNote(qint64 noteNr);
    // Silences a note (0..127) without telling the delegate.
    void releaseNote(qint64 noteNr);
    bool isHeld(qint64 noteNr) const;
    bool anyHeld() const;
    // The end of a press: the note under the pointer, and whatever else still sounds, is
    // released.
    void finishPress(qint64 noteUnderPointer);
    bool startedWithMouseDown() const { return startedWithMouseDown_; }
    void setStartedWithMouseDown(bool started) { startedWithMouseDown_ = started; }
    // Redraws what shows a note's state.
    virtual void noteStateChanged(qint64 noteNr) { update(); }
    // Called before a mark is added.
    virtual void willMark() {}
    // The label of `name` on a plate centred in `room`, with the room's bottom and height, at
    // least `minimumWidth` wide and never wider than the room.
    static MarkLabel fitMarkLabel(const QString& name, const QRectF& room, double minimumWidth);

private:
    void addMark(ZTMarkList& marks, const QVNote& note, qint64 position);
    static void growMarks(ZTMarkList& marks, qint64 position);
    static void showStepBar(bool show, qint64 numSteps = 0, qint64 step = 0);

    std::shared_ptr<ZTMusicalTest> musicalTest_;
    std::array<bool, 128> held_{};
    ZTMarkList greenNotes_;
    ZTMarkList redNotes_;
    ZTMusicInstumentDelegate* delegate_ = nullptr;
    qint64 step_ = 0;
    bool startedWithMouseDown_ = false;
};
