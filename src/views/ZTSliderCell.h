#pragma once

#include <QRectF>

#include <memory>

// A slider cell whose integer value follows the drawn knob. Copies made to draw or track a
// row share the value with the cell they were copied from, so the cell its owner keeps reports
// the knob the user is dragging.
class ZTSliderCell {
public:
    ZTSliderCell();

    void setMinValue(double value) { minValue_ = value; }
    double minValue() const { return minValue_; }
    void setMaxValue(double value) { maxValue_ = value; }
    double maxValue() const { return maxValue_; }

    // Called after the knob is drawn at `knob` on `track`: the value becomes
    // floor(min + (max - min) * fraction of the way along the track).
    void drawKnob(const QRectF& knob, const QRectF& track);
    qint64 myIntegerValue() const { return *value_; }

private:
    double minValue_ = 0;
    double maxValue_ = 1;
    // Shared by copies; kept alive by whichever copy lives longest.
    std::shared_ptr<qint64> value_;
};
