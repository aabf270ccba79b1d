#pragma once

#include <QList>
#include <QWidget>

class ImageButton;
class ZTChordProgressionStepView;

// Told after a click changed the bar's current step.
class ZTChordProgressionStepViewDelegate {
public:
    virtual ~ZTChordProgressionStepViewDelegate() = default;
    virtual void chordProgressionStepViewButtonClicked(ZTChordProgressionStepView* stepView) = 0;
};

// The main window's row of numbered step buttons, one per chord of a chord-progression
// question, followed by an "All" button. The chosen step (-1 for all) tells the keyboard or
// fretboard which chord's notes to show and take. Geometry is y-up in the bar.
class ZTChordProgressionStepView : public QWidget {
    Q_OBJECT
public:
    static constexpr int kButtonSpacing = 25;
    static constexpr int kAllButtonWidth = 35;

    explicit ZTChordProgressionStepView(QWidget* parent = nullptr);

    // Rebuilds the buttons: n step buttons and "All"; the bar becomes 25n + 35 wide.
    void setNumSteps(qint64 numSteps);
    qint64 numSteps() const { return numSteps_; }
    // -1 chooses every step. A step beyond the chord count (or below -1) is ignored.
    void setCurrentStep(qint64 step);
    qint64 currentStep() const { return currentStep_; }
    // Enables every button, or (false) only the chosen step's button (or "All").
    // Hides QWidget::setEnabled on purpose: the bar itself stays enabled.
    void setEnabled(bool enabled);
    void setLastButtonHidden(bool hidden);
    bool lastButtonHidden() const { return lastButtonHidden_; }
    void setDelegate(ZTChordProgressionStepViewDelegate* delegate) { delegate_ = delegate; }
    ZTChordProgressionStepViewDelegate* delegate() const { return delegate_; }

    // The buttons' action.
    void stepButAction(ImageButton* sender);
    // The step buttons in order, then "All" (tests and hosts look at their states).
    const QList<ImageButton*>& buttons() const { return buttons_; }

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeButtons();
    // Exactly the current step's button (or "All" for -1) is on.
    void applyButtonStates();

    QList<ImageButton*> buttons_;
    qint64 numSteps_ = 0;
    qint64 currentStep_ = 0;
    bool lastButtonHidden_ = false;
    ZTChordProgressionStepViewDelegate* delegate_ = nullptr;
};
