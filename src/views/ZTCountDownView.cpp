#include "ZTCountDownView.h"

#include "Fonts.h"
#include "Image.h"
#include "NotificationCenter.h"

#include <QPainter>

#include <cmath>

ZTCountDownView::ZTCountDownView(QWidget* parent) : QWidget(parent)
{
    setHidden(true);
}

ZTCountDownView::~ZTCountDownView()
{
    timer_.cancel();
}

void ZTCountDownView::setValue(qint64 seconds)
{
    value_ = seconds;
    update();
}

void ZTCountDownView::setColor(const QColor& color)
{
    color_ = color;
    update();
}

void ZTCountDownView::start()
{
    if (value_ < 1)
        return;
    setHidden(false);
    startTime_ = MainQueue::now();
    startValue_ = value_;
    timer_.cancel();
    timer_ = MainQueue::every(kTickInterval, [this] { handleTimer(); });
    handleTimer();
}

void ZTCountDownView::stop()
{
    timer_.cancel();
    setHidden(true);
}

void ZTCountDownView::handleTimer()
{
    // A hair of slack keeps a clock that lands a rounding error short of a whole second
    // from showing the previous second.
    const double elapsed = MainQueue::now() - startTime_;
    const auto wholeSeconds = static_cast<qint64>(std::trunc(elapsed + 1e-6));
    setValue(qMax<qint64>(0, startValue_ - wholeSeconds));
    if (value_ == 0) {
        timer_.cancel();
        setHidden(true);
        NotificationCenter::defaultCenter().post(QString::fromLatin1(ZTCountdownViewFinishedNotification),
                                                 this, QVariant::fromValue<QObject*>(this));
    }
}

void ZTCountDownView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const QRectF bounds(rect());
    drawImage(painter, QStringLiteral("countDownBack"), bounds);

    // The digits sit 2 points above the middle, as on the display's glass.
    const QRectF textRect = bounds.translated(0, -2);
    const QString digits = QStringLiteral("%1").arg(value_, 2, 10, QLatin1Char('0'));
    painter.setFont(Fonts::digital(20));
    QColor unlit = color_;
    unlit.setAlphaF(0.09f);
    painter.setPen(unlit);
    painter.drawText(textRect, Qt::AlignCenter, QString(digits.size(), QLatin1Char('8')));
    painter.setPen(color_);
    painter.drawText(textRect, Qt::AlignCenter, digits);
}
