// The instrument panel and the answers that come from it, from MIDI and from the microphone.
#include "ZTMainViewController.h"

#include "ImageButton.h"
#include "ZTAbstractTestController.h"
#include "ZTKeyboardView.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"

#include <QScrollBar>

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

constexpr int kKeyboardNoteAtLeft = 36;

} // namespace

// ---- Answers from the on-screen instrument and MIDI ----

void ZTMainViewController::instrumentView(ZTMusicInstumentProtocol*, const QVNote& notePressed)
{
    if (prefs()->practiceMode() || !currentLessonController_)
        return;
    setMicEnabled(false);
    currentLessonController_->noteEntered(notePressed);
}

void ZTMainViewController::chordProgressionStepViewButtonClicked(ZTChordProgressionStepView* stepView)
{
    if (stepView)
        instrumentViewAdapter_.setStep(stepView->currentStep());
}

void ZTMainViewController::MIDINoteOnNotification(const Notification& notification)
{
    if (prefs()->practiceMode() || !currentLessonController_)
        return;
    currentLessonController_->noteEnteredWithNr(notification.object.toLongLong());
    setMicEnabled(false);
}

void ZTMainViewController::testItemPlayButtonEnabledChangedNotification(const Notification& notification)
{
    playButton_->setEnabled(notification.object.toBool());
}

void ZTMainViewController::setMicEnabled(bool enabled)
{
    Q_UNUSED(enabled)
}

// ---- Instrument panel ----

void ZTMainViewController::_setupInstrumentView()
{
    // The keyboard for now; the panel's fretboard, scroll buttons and instruments menu come
    // with the instrument panel.
    if (!keyboardView_) {
        keyboardView_ = new ZTKeyboardView(QRect(0, 0, 2240, int(ZTKeyboardView::kKeyboardHeight)));
        keyboardView_->setFixedSize(2240, int(ZTKeyboardView::kKeyboardHeight));
        instrumentScrollView_->setWidget(keyboardView_);
    }
    keyboardView_->setDelegate(this);
    instrumentViewAdapter_.setView(keyboardView_);
    scrollKeyboardToStart_ = true;
    chordProgressionStepView_->setLastButtonHidden(false);
    if (currentLessonController_)
        currentLessonController_->setInstrumentView(&instrumentViewAdapter_);
    sizeInstrumentView();
    std::shared_ptr<ZTMusicalTest> musical;
    if (currentLessonController_)
        musical = std::dynamic_pointer_cast<ZTMusicalTest>(currentLessonController_->currentTest());
    keyboardView_->setMusicalTest(musical);
}

void ZTMainViewController::sizeInstrumentView()
{
    // The scroll area centres an instrument narrower than the window by itself.
    applyPendingKeyboardScroll();
}

void ZTMainViewController::applyPendingKeyboardScroll()
{
    if (!keyboardView_ || !scrollKeyboardToStart_)
        return;
    // Brings the key of MIDI note 36 to the left edge once the scroll area knows its size.
    QScrollBar* scroller = instrumentScrollView_->horizontalScrollBar();
    const int target = int(keyboardView_->rectForNoteNr(kKeyboardNoteAtLeft).x());
    if (scroller->maximum() < target && instrumentScrollView_->viewport()->width() < keyboardView_->width())
        return;
    scroller->setValue(target);
    scrollKeyboardToStart_ = false;
}
