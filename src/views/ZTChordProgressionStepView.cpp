#include "ZTChordProgressionStepView.h"

#include "ButtonTextColor.h"
#include "Fonts.h"
#include "ImageButton.h"
#include "Localization.h"
#include "YUp.h"

namespace {

ImageButton* makeButton(ZTChordProgressionStepView* bar, const QString& image, const QString& alternate,
                        const QString& title, const QString& toolTip, qint64 tag)
{
    auto* button = new ImageButton(bar);
    button->setType(ImageButton::Type::Toggle);
    button->setImageName(image);
    button->setAlternateImageName(alternate);
    button->setToolTip(toolTip);
    button->setText(title);
    button->setFont(Fonts::named(QStringLiteral("Helvetica"), 11));
    ButtonTextColor::setTextColor(button, Qt::white);
    button->setTag(tag);
    QObject::connect(button, &ImageButton::clicked, bar, [bar, button] { bar->stepButAction(button); });
    return button;
}

} // namespace

ZTChordProgressionStepView::ZTChordProgressionStepView(QWidget* parent) : QWidget(parent)
{
    resize(kAllButtonWidth, 28);
}

void ZTChordProgressionStepView::setNumSteps(qint64 numSteps)
{
    numSteps_ = qMax<qint64>(0, numSteps);
    for (ImageButton* button : std::as_const(buttons_))
        delete button;
    buttons_.clear();

    for (qint64 i = 0; i < numSteps_; ++i) {
        const QString toolTip = localized(QStringLiteral("%d. Chord")).replace(QStringLiteral("%d"), QString::number(i + 1));
        ImageButton* button = makeButton(this, QStringLiteral("chordProgressionStepButtonNormal"),
                                         QStringLiteral("chordProgressionStepButtonActive"),
                                         QString::number(i + 1), toolTip, i);
        button->setOn(i == currentStep_);
        buttons_.append(button);
    }
    if (numSteps_ > 0) {
        ImageButton* all = makeButton(this, QStringLiteral("chordProgressionStepButtonAllNormal"),
                                      QStringLiteral("chordProgressionStepButtonAllActive"),
                                      localized(QStringLiteral("All")), localized(QStringLiteral("All Chords")), -1);
        buttons_.append(all);
    }
    resize(int(kButtonSpacing * numSteps_ + kAllButtonWidth), height());
    placeButtons();
    for (ImageButton* button : std::as_const(buttons_))
        button->show();

    if (currentStep_ >= numSteps_)
        setCurrentStep(0);
    if (!buttons_.isEmpty())
        buttons_.last()->setHidden(lastButtonHidden_);
}

void ZTChordProgressionStepView::setCurrentStep(qint64 step)
{
    if (step < -1 || (step >= numSteps_ && step != 0))
        return;
    if (step == currentStep_)
        return;
    currentStep_ = step;
    applyButtonStates();
}

void ZTChordProgressionStepView::applyButtonStates()
{
    if (buttons_.isEmpty())
        return;
    for (qint64 i = 0; i < numSteps_ && i < buttons_.size(); ++i)
        buttons_[i]->setOn(i == currentStep_);
    if (buttons_.size() > numSteps_)
        buttons_[numSteps_]->setOn(currentStep_ == -1);
}

void ZTChordProgressionStepView::setEnabled(bool enabled)
{
    for (qint64 i = 0; i < numSteps_ && i < buttons_.size(); ++i)
        buttons_[i]->setEnabled(enabled || i == currentStep_);
    if (buttons_.size() > numSteps_)
        buttons_[numSteps_]->setEnabled(enabled || currentStep_ == -1);
}

void ZTChordProgressionStepView::setLastButtonHidden(bool hidden)
{
    lastButtonHidden_ = hidden;
    if (!buttons_.isEmpty())
        buttons_.last()->setHidden(hidden);
}

void ZTChordProgressionStepView::stepButAction(ImageButton* sender)
{
    if (!sender)
        return;
    setCurrentStep(sender->tag());
    // A toggle flips itself on every click, also when its step was already chosen.
    applyButtonStates();
    if (delegate_)
        delegate_->chordProgressionStepViewButtonClicked(this);
}

void ZTChordProgressionStepView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    placeButtons();
}

void ZTChordProgressionStepView::placeButtons()
{
    for (qint64 i = 0; i < buttons_.size(); ++i) {
        const bool isAll = i == numSteps_;
        YUp::place(buttons_[i], QRectF(kButtonSpacing * i, 5, isAll ? kAllButtonWidth : 18, 18));
    }
}
