#include "ZTScreenControls.h"

#include "ImageButton.h"
#include "ZTColorBridge.h"
#include "ZTChordProgressionStepView.h"
#include "ZTCountDownView.h"
#include "ZTMusicInstumentProtocol.h"
#include "ZTNoteView.h"

// ---- Count-down ----

ZTCountDownAdapter::ZTCountDownAdapter(ZTCountDownView* view) : view_(view) {}

void ZTCountDownAdapter::start()
{
    if (view_)
        view_->start();
}

void ZTCountDownAdapter::stop()
{
    if (view_)
        view_->stop();
}

void ZTCountDownAdapter::setValue(qint64 seconds)
{
    if (view_)
        view_->setValue(seconds);
}

qint64 ZTCountDownAdapter::value() const
{
    return view_ ? view_->value() : 0;
}

bool ZTCountDownAdapter::isRunning() const
{
    return view_ && view_->timer().isValid();
}

void ZTCountDownAdapter::setColor(const ZTColor& color)
{
    if (view_)
        view_->setColor(*ZTColorBridge::myColorWithCGColor(color));
}

bool ZTCountDownAdapter::isAutoplayCountdown() const
{
    return view_ && view_->isAutoplayCountdown();
}

void ZTCountDownAdapter::setIsAutoplayCountdown(bool autoplay)
{
    if (view_)
        view_->setIsAutoplayCountdown(autoplay);
}

bool ZTCountDownAdapter::isHidden() const
{
    return !view_ || view_->isHidden();
}

void ZTCountDownAdapter::setHidden(bool hidden)
{
    if (view_)
        view_->setHidden(hidden);
}

// ---- Buttons ----

ZTButtonAdapter::ZTButtonAdapter(ImageButton* button) : button_(button) {}

void ZTButtonAdapter::setImage(const QString& imageName)
{
    if (button_)
        button_->setImageName(imageName);
}

void ZTButtonAdapter::setAlternateImage(const QString& imageName)
{
    if (button_)
        button_->setAlternateImageName(imageName);
}

void ZTButtonAdapter::setToolTip(const QString& text)
{
    if (button_)
        button_->setToolTip(text);
}

// ---- Step bar ----

ZTStepViewAdapter::ZTStepViewAdapter(ZTChordProgressionStepView* view) : view_(view) {}

void ZTStepViewAdapter::setNumSteps(qint64 numSteps)
{
    if (view_)
        view_->setNumSteps(numSteps);
}

void ZTStepViewAdapter::setHidden(bool hidden)
{
    if (view_)
        view_->setHidden(hidden);
}

void ZTStepViewAdapter::setCurrentStep(qint64 step)
{
    if (view_)
        view_->setCurrentStep(step);
}

void ZTStepViewAdapter::setEnabled(bool enabled)
{
    if (view_)
        view_->setEnabled(enabled);
}

// ---- Instrument view ----

void ZTInstrumentViewAdapter::setView(ZTMusicInstumentProtocol* view)
{
    view_ = view;
    widget_ = view ? view->view() : nullptr;
}

ZTMusicInstumentProtocol* ZTInstrumentViewAdapter::view() const
{
    return widget_ ? view_ : nullptr;
}

void ZTInstrumentViewAdapter::unmarkAllNotes()
{
    if (auto* v = view())
        v->unmarkAllNotes();
}

void ZTInstrumentViewAdapter::markNoteGreen(const QVNote& note, qint64 position)
{
    if (auto* v = view())
        v->markNoteGreen(note, position);
}

void ZTInstrumentViewAdapter::markNoteRed(const QVNote& note, qint64 position)
{
    if (auto* v = view())
        v->markNoteRed(note, position);
}

void ZTInstrumentViewAdapter::setGreenNotesFromTestWithStep(qint64 step)
{
    if (auto* v = view())
        v->setGreenNotesFromTestWithStep(step);
}

void ZTInstrumentViewAdapter::setMusicalTest(std::shared_ptr<ZTMusicalTest> test)
{
    if (auto* v = view())
        v->setMusicalTest(std::move(test));
}

qint64 ZTInstrumentViewAdapter::step() const
{
    auto* v = view();
    return v ? v->step() : 0;
}

void ZTInstrumentViewAdapter::setStep(qint64 step)
{
    if (auto* v = view())
        v->setStep(step);
}

void ZTInstrumentViewAdapter::setNeedsDisplay()
{
    if (widget_)
        widget_->update();
}

// ---- Staff ----

ZTStaffAdapter::ZTStaffAdapter(ZTNoteView* view) : view_(view) {}

void ZTStaffAdapter::setTest(std::shared_ptr<ZTMusicalTest> test)
{
    if (view_)
        view_->setTest(std::move(test));
}

void ZTStaffAdapter::setShowNoteNames(bool show)
{
    if (view_)
        view_->setShowNoteNames(show);
}

void ZTStaffAdapter::resetNotes()
{
    if (view_)
        view_->resetNotes();
}

void ZTStaffAdapter::addNoteCollection(const ZTNoteCollection& collection)
{
    if (view_)
        view_->addNoteCollection(collection);
}

void ZTStaffAdapter::setNoteCollections(const QList<ZTNoteCollection>& collections)
{
    if (view_)
        view_->setNoteCollections(collections);
}

void ZTStaffAdapter::showNotesFromTest()
{
    if (view_)
        view_->showNotesFromTest();
}

void ZTStaffAdapter::showSignatureWithNr(qint64 number)
{
    if (view_)
        view_->showSignatureWithNr(number);
}

void ZTStaffAdapter::setNeedsDisplay()
{
    if (view_)
        view_->update();
}
