#pragma once

#include "MainQueue.h"

#include <QColor>
#include <QWidget>

// Posted on the default centre when a running count-down reaches 0; sender and object are
// the count-down view.
inline constexpr char ZTCountdownViewFinishedNotification[] = "ZTCountdownViewFinishedNotification";

// Two seven-segment digits of the seconds left: of the answer time (red) or of the pause
// before the next question (white). The value follows the main queue's clock, not the
// number of ticks, so late ticks never stretch the count-down.
class ZTCountDownView : public QWidget {
    Q_OBJECT
public:
    static constexpr double kTickInterval = 0.1;

    // White digits; hidden until started.
    explicit ZTCountDownView(QWidget* parent = nullptr);
    ~ZTCountDownView() override;

    void setValue(qint64 seconds);
    qint64 value() const { return value_; }
    void setColor(const QColor& color);
    QColor color() const { return color_; }
    bool isAutoplayCountdown() const { return isAutoplayCountdown_; }
    void setIsAutoplayCountdown(bool autoplay) { isAutoplayCountdown_ = autoplay; }

    // Shows the view and counts down from the current value (nothing when it is below 1);
    // starting again while running restarts from the current value.
    void start();
    // Stops and hides without announcing anything.
    void stop();
    // One tick: the value from the clock; at 0 the view stops, hides and announces the end.
    void handleTimer();
    // The repeating tick while running.
    const DelayedCall& timer() const { return timer_; }

    QSize sizeHint() const override { return {48, 30}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor color_ = Qt::white;
    qint64 value_ = 0;
    double startTime_ = 0;
    qint64 startValue_ = 0;
    DelayedCall timer_;
    bool isAutoplayCountdown_ = false;
};
