#include "ZTInstrumentViewBase.h"

#include "Fonts.h"
#include "QuestionKinds.h"
#include "YUpPainter.h"
#include "ZTChordProgressionStepView.h"
#include "ZTMIDIController.h"
#include "ZTMarkLettering.h"
#include "ZTMusicalTest.h"
#include "ZTPreferences.h"

#include <QPainter>

#include <algorithm>
#include <cmath>

namespace {

std::shared_ptr<QVMusicInstrument> currentInstrument()
{
    return ZTMIDIController::sharedInstance()->instrument();
}

// How much narrower the lettering is set to fit the width: 1 when it fits as it is.
double scaleToFit(const ZTMarkLettering& lettering, double width)
{
    const double natural = lettering.advance();
    return natural > width && natural > 0 ? width / natural : 1.0;
}

} // namespace

ZTInstrumentViewBase::ZTInstrumentViewBase(QWidget* parent) : YUpMouseView(parent) {}

ZTInstrumentViewBase::~ZTInstrumentViewBase()
{
    if (!anyHeld())
        return;
    if (const auto instrument = currentInstrument()) {
        for (int n = 0; n < 128; ++n)
            if (held_[size_t(n)])
                instrument->noteOff(n);
    }
}

QString ZTInstrumentViewBase::noteName(const QVNote& note)
{
    const ZTPreferences* preferences = ZTPreferences::sharedPreferences();
    return note.nameWithSpellingType(preferences->spellingType(), preferences->noteNamesType());
}

// ---- Mark labels ----

QFont ZTInstrumentViewBase::markFont()
{
    return Fonts::system(kMarkFontSize, true);
}

void ZTInstrumentViewBase::drawMarkName(YUpPainter& painter, const QRectF& rect, const QString& name, const QColor& color)
{
    const ZTMarkLettering lettering(name, markFont());
    const QRectF target = painter.toQt(rect);
    QPainter& qt = painter.painter();
    qt.save();
    qt.setRenderHint(QPainter::Antialiasing, true);
    // The capitals centred in the rectangle; a name wider than it is set narrower.
    qt.translate(target.center().x(), target.center().y());
    qt.scale(scaleToFit(lettering, target.width()), 1.0);
    qt.translate(-lettering.advance() / 2, lettering.capHeight() / 2);
    qt.fillPath(lettering.outline(), color);
    qt.restore();
}

ZTInstrumentViewBase::MarkLabel ZTInstrumentViewBase::fitMarkLabel(const QString& name, const QRectF& room,
                                                                   double minimumWidth)
{
    MarkLabel label;
    label.name = name;
    const ZTMarkLettering lettering(name, markFont());
    const double needed = lettering.advance() + 2 * kMarkPadding;
    const double width = std::min(std::max(std::ceil(needed), minimumWidth), room.width());
    label.plate = QRectF(std::round(room.center().x() - width / 2), room.y(), width, room.height());
    label.textRect = label.plate.adjusted(kMarkPadding, 0, -kMarkPadding, 0);
    return label;
}

// ---- Showing part of the view ----

double ZTInstrumentViewBase::fittedVisibleWidth(double available) const
{
    return std::clamp(available, 0.0, double(width()));
}

double ZTInstrumentViewBase::scrollStop(double x, double visibleWidth, bool) const
{
    return std::clamp(x, 0.0, std::max(0.0, width() - visibleWidth));
}

// ---- Notes held down ----

void ZTInstrumentViewBase::pressNote(qint64 noteNr)
{
    if (noteNr < 0 || noteNr >= 128)
        return;
    if (const auto instrument = currentInstrument())
        instrument->noteOn(int(noteNr), unsigned(ZTPreferences::sharedPreferences()->MIDIOutVelocity()));
    if (delegate_) {
        const ZTMusicalTest* test = musicalTest_.get();
        const QVNote note = test ? QVNote::initWithNoteNr(noteNr, test->rootNoteNr(), test->isMinor(),
                                                          test->noteCollectionObjects())
                                 : QVNote::initWithNoteNr(noteNr, 0, false);
        delegate_->instrumentView(this, note);
    }
    held_[size_t(noteNr)] = true;
    noteStateChanged(noteNr);
}

void ZTInstrumentViewBase::releaseNote(qint64 noteNr)
{
    if (noteNr < 0 || noteNr >= 128)
        return;
    if (const auto instrument = currentInstrument())
        instrument->noteOff(int(noteNr));
    held_[size_t(noteNr)] = false;
    noteStateChanged(noteNr);
}

bool ZTInstrumentViewBase::isHeld(qint64 noteNr) const
{
    return noteNr >= 0 && noteNr < 128 && held_[size_t(noteNr)];
}

bool ZTInstrumentViewBase::anyHeld() const
{
    return std::any_of(held_.begin(), held_.end(), [](bool down) { return down; });
}

void ZTInstrumentViewBase::finishPress(qint64 noteUnderPointer)
{
    startedWithMouseDown_ = false;
    releaseNote(noteUnderPointer);
    // Whatever the pointer is over now, nothing may keep sounding once the button is up.
    if (anyHeld())
        allNotesUp();
}

void ZTInstrumentViewBase::mouseExited(bool buttonHeld)
{
    if (!buttonHeld)
        return;
    startedWithMouseDown_ = false;
    allNotesUp();
}

void ZTInstrumentViewBase::allNotesUp()
{
    for (qint64 n = 0; n < 128; ++n)
        if (held_[size_t(n)])
            releaseNote(n);
    update();
}

// ---- Marks ----

void ZTInstrumentViewBase::growMarks(ZTMarkList& marks, qint64 position)
{
    while (marks.size() <= position)
        marks.append(QList<QVNote>());
}

void ZTInstrumentViewBase::addMark(ZTMarkList& marks, const QVNote& note, qint64 position)
{
    if (position < 0)
        return;
    willMark();
    growMarks(marks, position);
    marks[position].append(note);
    update();
}

void ZTInstrumentViewBase::markNoteGreen(const QVNote& note, qint64 position)
{
    addMark(greenNotes_, note, position);
}

void ZTInstrumentViewBase::markNoteRed(const QVNote& note, qint64 position)
{
    addMark(redNotes_, note, position);
}

void ZTInstrumentViewBase::setGreenNotes(const QList<QVNote>& notes, qint64 position)
{
    if (position < 0)
        return;
    growMarks(greenNotes_, position);
    greenNotes_[position] = notes;
    update();
}

void ZTInstrumentViewBase::setGreenNotes(const ZTMarkList& marks)
{
    greenNotes_ = marks;
    update();
}

void ZTInstrumentViewBase::setRedNotes(const ZTMarkList& marks)
{
    redNotes_ = marks;
    update();
}

void ZTInstrumentViewBase::showStepBar(bool show, qint64 numSteps, qint64 step)
{
    ZTChordProgressionStepView* bar = chordProgressionStepView();
    if (!bar)
        return;
    bar->setHidden(!show);
    if (!show)
        return;
    bar->setNumSteps(numSteps);
    bar->setCurrentStep(step);
    bar->setEnabled(true);
}

void ZTInstrumentViewBase::setGreenNotesFromTestWithStep(qint64 step)
{
    greenNotes_ = musicalTest_ ? musicalTest_->notesForInstrumentView() : ZTMarkList();
    if (QuestionKinds::isChordProgression(musicalTest_.get()))
        showStepBar(true, greenNotes_.size(), step);
    else
        showStepBar(false);
    setStep(step);
}

void ZTInstrumentViewBase::unmarkAllNotes()
{
    greenNotes_.clear();
    redNotes_.clear();
    showStepBar(false);
    update();
}

void ZTInstrumentViewBase::setStep(qint64 step)
{
    step_ = step;
    update();
}
