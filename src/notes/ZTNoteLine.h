#pragma once

#include <QPointF>

// One straight line computed by the staff layout: a ledger line of a note or a bar line.
// Points are in the staff view's own y-up coordinates.
class ZTNoteLine {
public:
    ZTNoteLine() = default;
    ZTNoteLine(const QPointF& start, const QPointF& end) : start_(start), end_(end) {}

    QPointF start() const { return start_; }
    void setStart(const QPointF& start) { start_ = start; }
    QPointF end() const { return end_; }
    void setEnd(const QPointF& end) { end_ = end; }

    friend bool operator==(const ZTNoteLine& a, const ZTNoteLine& b)
    {
        return a.start_ == b.start_ && a.end_ == b.end_;
    }

private:
    QPointF start_;
    QPointF end_;
};
