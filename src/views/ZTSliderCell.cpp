#include "ZTSliderCell.h"

#include <cmath>

ZTSliderCell::ZTSliderCell() : value_(std::make_shared<qint64>(0)) {}

void ZTSliderCell::drawKnob(const QRectF& knob, const QRectF& track)
{
    const double travel = track.width() - knob.width();
    // A knob as wide as the track has nowhere to go: it stands at the minimum.
    const double fraction = travel > 0 ? (knob.x() - track.x()) / travel : 0.0;
    *value_ = static_cast<qint64>(std::floor(minValue_ + (maxValue_ - minValue_) * fraction));
}
