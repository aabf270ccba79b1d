#pragma once

#include "ZTInstrumentViewBase.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QStringList>

#include <memory>

class ImageButton;

// The on-screen piano: 128 keys (MIDI 0 to 127) in octave tiles of 210 x 120 points, white
// keys 30 x 120, black keys 19 x 70 at y 50 (y-up). A pressed key sounds on the MIDI
// controller's current instrument and is reported to the delegate; the exercise shows right
// (green) and wrong (red) notes as marks with their names.
class ZTKeyboardView : public ZTInstrumentViewBase {
    Q_OBJECT
public:
    static constexpr double kOctaveWidth = 210;
    static constexpr double kKeyboardHeight = 120;
    // From a C to where the black key after D, or after G, begins.
    static constexpr double kWholeKeysToD = 50;
    static constexpr double kWholeKeysToG = 140;

    explicit ZTKeyboardView(QWidget* parent = nullptr);
    ZTKeyboardView(const QRect& frame, QWidget* parent = nullptr);

    // ---- Keys ----
    // Press and release one key (0..127; other numbers are ignored).
    void keyDown(qint64 noteNr) { pressNote(noteNr); }
    void keyUp(qint64 noteNr) { releaseNote(noteNr); }
    bool isKeyDown(qint64 noteNr) const { return isHeld(noteNr); }
    // The key's rectangle (y-up).
    QRectF rectForNoteNr(qint64 noteNr) const;
    // The key under a y-up point; black keys win over the white keys under them. -1 for none.
    qint64 _getNoteNrForPoint(const QPointF& point) const;
    // Scrolls the enclosing scroll area so that the question's notes are centred, unless
    // they are all in view already. Makes the question the view's question.
    void _scrollToTestRange(std::shared_ptr<ZTMusicalTest> test);
    void setUpHitRects();
    const QList<QRectF>& hitRectPlays() const { return hitRectPlays_; }
    void setStartOffset(qint64 offset);
    qint64 startOffset() const { return startOffset_; }
    ImageButton* octaveLeftButton() const { return octaveLeftButton_; }
    ImageButton* octaveRightButton() const { return octaveRightButton_; }
    const QStringList& keyDownImages() const { return keyDownImages_; }
    void setKeyDownImages(const QStringList& names) { keyDownImages_ = names; }

    // ---- Showing part of the keyboard ----
    // The keyboard is shown so that no key in view is cut but the last white key on the right,
    // which shows two thirds of itself, as the keyboard's own last key does: the left edge of
    // the view falls before a C or an F (no black key across it), and the right edge where a
    // black key begins, so that no black key and no C with its name is ever cut. Widths that
    // allow this: whole octaves and 50 or 140 points (C to D, or C to G, the black key after
    // it not shown).
    double fittedVisibleWidth(double available) const override;
    // The C or F nearest `x` (C only where the right edge would cut a C otherwise), or the
    // keyboard's end.
    double scrollStop(double x, double visibleWidth, bool upwards) const override;

    // Mouse handling on y-up points (the Qt events call these).
    void mouseDownAt(const QPointF& point) override;
    void mouseDraggedAt(const QPointF& point) override;
    void mouseUpAt(const QPointF& point) override;
    // The area in which a held button counts as inside (y-up); leaving it is an exit.
    QRectF trackingRect() const;

    // ---- Marks ----
    // A mark's plate is no wider than the distance between neighbouring keys of a row.
    static constexpr double kMarkHeight = 15;
    static constexpr double kMarkMinimumWidth = 24;
    static constexpr double kMarkMaximumWidth = 29; // keys of one row stand 30 apart
    // The mark of the note at an answer position, placed as drawn for the current step.
    MarkLabel markLabel(const QVNote& note, qint64 position) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    // Only the key's rectangle is drawn again.
    void noteStateChanged(qint64 noteNr) override;
    // A mark brings the question's range into view.
    void willMark() override { _scrollToTestRange(musicalTest()); }

private:
    void init();
    void placeButtons();

    QList<QRectF> hitRectPlays_;
    qint64 startOffset_ = 0;
    ImageButton* octaveRightButton_ = nullptr;
    ImageButton* octaveLeftButton_ = nullptr;
    QStringList keyDownImages_;
    // The pointer left the tracking area with the button held; nothing sounds until the next press.
    bool exitedWhileHeld_ = false;
};
