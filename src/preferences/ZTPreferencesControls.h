#pragma once

#include "ZTSliderCell.h"
#include "ZTVelocityFormatter.h"

#include <QComboBox>
#include <QSlider>
#include <QValidator>
#include <QWidget>

class QLineEdit;
class QToolButton;

// A pop-up whose chosen title, when wider than its field, ends in an ellipsis instead of
// being cut off mid-letter.
class ZTElidingPopup : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    // The title as the field shows it.
    QString shownTitle() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QRect titleRect(const QStyleOptionComboBox& option) const;
};

// Pop-up filling that never reorders: titles stand at their list index, repeated titles
// included, so an index always means the same entry of the list behind the pop-up.
namespace ZTPopups {
// A new pop-up of a fixed width that shows up to 20 entries at once.
ZTElidingPopup* make(QWidget* parent, int width);
// Empties the pop-up and adds the titles; nothing is selected and nothing is announced.
void fill(QComboBox* popup, const QStringList& titles);
// Selects the index, or nothing (-1) for an index outside the titles; announces nothing.
void select(QComboBox* popup, int index);
// As select; while nothing is selected the pop-up shows `withoutChoice` (a stored value
// that none of its entries stands for).
void select(QComboBox* popup, int index, const QString& withoutChoice);
} // namespace ZTPopups

// A horizontal slider over a range of real numbers (in hundredths). A drag announces its
// choice when the knob is let go; a key, the wheel or a click on the track at once. Every
// painting takes the integer under the knob into its ZTSliderCell and reports a new one, so
// a value text can follow the knob while it is dragged.
class ZTFloatSlider : public QSlider {
    Q_OBJECT
public:
    explicit ZTFloatSlider(QWidget* parent = nullptr);

    void setDoubleRange(double minimum, double maximum);
    double doubleValue() const;
    // Moves the knob without announcing a choice.
    void setDoubleValue(double value);

    const ZTSliderCell& cell() const { return cell_; }

signals:
    void chosen(double value);
    void knobDrawn(qint64 integerValue);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void valueDidChange();

    ZTSliderCell cell_;
};

// Up and down arrows that step an integer within limits (the velocity stepper).
class ZTStepper : public QWidget {
    Q_OBJECT
public:
    explicit ZTStepper(QWidget* parent = nullptr);

    void setLimits(int minimum, int maximum);
    int integerValue() const { return value_; }
    // Limited to the range; announces nothing.
    void setIntegerValue(int value);
    // As a click on an arrow: moves by `steps` and announces the new value.
    void step(int steps);

signals:
    void stepped(int value);

private:
    QToolButton* up_;
    QToolButton* down_;
    int minimum_ = 0;
    int maximum_ = 127;
    int value_ = 0;
};

// Lets a text field take only what ZTVelocityFormatter accepts. The text before an edit is
// remembered from the field's own changes, so the typed characters are what differs.
class ZTVelocityValidator : public QValidator {
    Q_OBJECT
public:
    explicit ZTVelocityValidator(QLineEdit* field);
    State validate(QString& input, int& position) const override;

private:
    ZTVelocityFormatter formatter_;
    QString shown_;
};
