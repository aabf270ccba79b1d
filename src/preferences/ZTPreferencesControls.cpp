#include "ZTPreferencesControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QStyleOptionSlider>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

constexpr double kSteps = 100.0; // slider positions per unit

} // namespace

// ---- ZTElidingPopup ----

QRect ZTElidingPopup::titleRect(const QStyleOptionComboBox& option) const
{
    // The style draws the title a point in from the field's edges.
    return style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this).adjusted(1, 0, -1, 0);
}

QString ZTElidingPopup::shownTitle() const
{
    QStyleOptionComboBox option;
    initStyleOption(&option);
    const int room = titleRect(option).width() - (option.currentIcon.isNull() ? 0 : option.iconSize.width() + 4);
    return fontMetrics().elidedText(option.currentText, Qt::ElideRight, room);
}

void ZTElidingPopup::paintEvent(QPaintEvent*)
{
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    option.currentText = shownTitle();
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

// ---- ZTPopups ----

ZTElidingPopup* ZTPopups::make(QWidget* parent, int width)
{
    auto* box = new ZTElidingPopup(parent);
    box->setFixedWidth(width);
    box->setMaxVisibleItems(20);
    return box;
}

void ZTPopups::fill(QComboBox* popup, const QStringList& titles)
{
    QSignalBlocker blocker(popup);
    popup->clear();
    popup->addItems(titles);
    popup->setCurrentIndex(-1);
}

void ZTPopups::select(QComboBox* popup, int index)
{
    QSignalBlocker blocker(popup);
    popup->setCurrentIndex(index >= 0 && index < popup->count() ? index : -1);
}

void ZTPopups::select(QComboBox* popup, int index, const QString& withoutChoice)
{
    popup->setPlaceholderText(withoutChoice);
    select(popup, index);
}

// ---- ZTFloatSlider ----

ZTFloatSlider::ZTFloatSlider(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTracking(true);
    connect(this, &QSlider::valueChanged, this, [this] { valueDidChange(); });
    connect(this, &QSlider::sliderReleased, this, [this] { emit chosen(doubleValue()); });
}

void ZTFloatSlider::setDoubleRange(double minimum, double maximum)
{
    QSignalBlocker blocker(this);
    QSlider::setRange(int(std::lround(minimum * kSteps)), int(std::lround(std::max(minimum, maximum) * kSteps)));
    cell_.setMinValue(minimum);
    cell_.setMaxValue(std::max(minimum, maximum));
}

double ZTFloatSlider::doubleValue() const
{
    return value() / kSteps;
}

void ZTFloatSlider::setDoubleValue(double value)
{
    QSignalBlocker blocker(this);
    setValue(int(std::lround(value * kSteps)));
}

void ZTFloatSlider::valueDidChange()
{
    // A drag is chosen when the knob is let go; every other change is a choice at once.
    if (!isSliderDown())
        emit chosen(doubleValue());
}

void ZTFloatSlider::paintEvent(QPaintEvent* event)
{
    QSlider::paintEvent(event);
    // The track is the stretch the knob travels: from its place at the minimum to its place
    // at the maximum, so the knob at either end reads exactly that end.
    QStyleOptionSlider atEnd;
    initStyleOption(&atEnd);
    atEnd.sliderPosition = minimum();
    const QRectF first = style()->subControlRect(QStyle::CC_Slider, &atEnd, QStyle::SC_SliderHandle, this);
    atEnd.sliderPosition = maximum();
    const QRectF last = style()->subControlRect(QStyle::CC_Slider, &atEnd, QStyle::SC_SliderHandle, this);
    // The knob as its value places it: the style rounds it to whole pixels, which would read
    // a stored 2 as 1.99. The millionth of a point keeps rounding from landing below a value.
    const double fraction = maximum() > minimum() ? double(sliderPosition() - minimum()) / (maximum() - minimum()) : 0.0;
    const QRectF knob = first.translated((last.x() - first.x()) * fraction + 1e-6, 0);
    const qint64 before = cell_.myIntegerValue();
    cell_.drawKnob(knob, first.united(last));
    if (cell_.myIntegerValue() != before)
        emit knobDrawn(cell_.myIntegerValue());
}

// ---- ZTStepper ----

ZTStepper::ZTStepper(QWidget* parent) : QWidget(parent), up_(new QToolButton(this)), down_(new QToolButton(this))
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (QToolButton* button : {up_, down_}) {
        button->setArrowType(button == up_ ? Qt::UpArrow : Qt::DownArrow);
        button->setAutoRepeat(true);
        button->setFixedSize(16, 11);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(up_, &QToolButton::clicked, this, [this] { step(1); });
    connect(down_, &QToolButton::clicked, this, [this] { step(-1); });
}

void ZTStepper::setLimits(int minimum, int maximum)
{
    minimum_ = minimum;
    maximum_ = std::max(minimum, maximum);
    setIntegerValue(value_);
}

void ZTStepper::setIntegerValue(int value)
{
    value_ = std::clamp(value, minimum_, maximum_);
}

void ZTStepper::step(int steps)
{
    setIntegerValue(value_ + steps);
    emit stepped(value_);
}

// ---- ZTVelocityValidator ----

ZTVelocityValidator::ZTVelocityValidator(QLineEdit* field) : QValidator(field), shown_(field->text())
{
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { shown_ = text; });
}

QValidator::State ZTVelocityValidator::validate(QString& input, int&) const
{
    // The edit replaced the stretch between the common start and the common end of the old
    // and the new text; what it put there is what was typed.
    qsizetype start = 0;
    while (start < input.size() && start < shown_.size() && input[start] == shown_[start])
        ++start;
    qsizetype end = 0;
    while (end < input.size() - start && end < shown_.size() - start &&
           input[input.size() - 1 - end] == shown_[shown_.size() - 1 - end])
        ++end;
    const qsizetype typedEnd = input.size() - end;
    // A refused edit leaves the field as it was, as the formatter's refusals do everywhere.
    return formatter_.isPartialStringValid(input, typedEnd, shown_, start, nullptr) ? Acceptable : Invalid;
}
