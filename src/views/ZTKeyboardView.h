#pragma once

#include "ZTMusicInstumentProtocol.h"

#include <QList>
#include <QPointF>
#include <QRectF>
#include <QStringList>
#include <QWidget>

#include <array>
#include <memory>

class ImageButton;

// The on-screen piano: 128 keys (MIDI 0 to 127) in octave tiles of 210 x 120 points, white
// keys 30 x 120, black keys 19 x 70 at y 50 (y-up). A pressed key sounds on the MIDI
// controller's current instrument and is reported to the delegate; the exercise shows right
// (green) and wrong (red) notes as marks with their names.
class ZTKeyboardView : public QWidget, public ZTMusicInstumentProtocol {
    Q_OBJECT
public:
    static constexpr double kOctaveWidth = 210;
    static constexpr double kKeyboardHeight = 120;

    explicit ZTKeyboardView(QWidget* parent = nullptr);
    ZTKeyboardView(const QRect& frame, QWidget* parent = nullptr);
    ~ZTKeyboardView() override;

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

    // ---- Keys ----
    // Press and release one key (0..127; other numbers are ignored).
    void keyDown(qint64 noteNr);
    void keyUp(qint64 noteNr);
    bool isKeyDown(qint64 noteNr) const;
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

    // Mouse handling on y-up points (the Qt events call these).
    void mouseDownAt(const QPointF& point);
    void mouseDraggedAt(const QPointF& point, bool buttonHeld = true);
    void mouseUpAt(const QPointF& point);
    void mouseExited(bool buttonHeld);
    // The area in which a held button counts as inside (y-up); leaving it is an exit.
    QRectF trackingRect() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void init();
    void growMarks(ZTMarkList& marks, qint64 position);
    void updateKey(qint64 noteNr);
    void placeButtons();
    static void showStepBar(bool show, qint64 numSteps = 0, qint64 step = 0);

    QList<QRectF> hitRectPlays_;
    std::array<bool, 128> keyDown_{};
    qint64 startOffset_ = 0;
    std::shared_ptr<ZTMusicalTest> musicalTest_;
    ImageButton* octaveRightButton_ = nullptr;
    ImageButton* octaveLeftButton_ = nullptr;
    QStringList keyDownImages_;
    bool startedWithMouseDown_ = false;
    ZTMarkList greenNotes_;
    ZTMarkList redNotes_;
    ZTMusicInstumentDelegate* delegate_ = nullptr;
    qint64 step_ = 0;
    // The pointer left the tracking area with the button held; nothing sounds until the next press.
    bool exitedWhileHeld_ = false;
};
