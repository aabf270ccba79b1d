#include "ZTWindowFitter.h"

#include "ZTWindowPlacement.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

ZTWindowFitter::ZTWindowFitter(QWidget* window) : QObject(window), window_(window)
{
    window_->installEventFilter(this);
}

void ZTWindowFitter::placeNew(const QSize& preferred)
{
    // The frame's corner goes to its place, where the window manager keeps it whatever
    // borders it adds; the size is mended once they are known.
    fittedBorders_ = QMargins();
    const QRect frame = ZTWindowPlacement(ZTWindowPlacement::screenAreas())
                            .initialFrame(preferred, minimumFrameSize(fittedBorders_));
    window_->move(frame.topLeft());
    window_->resize(frame.size());
}

void ZTWindowFitter::placeFrame(const QRect& frame, const QMargins& borders)
{
    fittedBorders_ = borders;
    const QRect fitted = ZTWindowPlacement(ZTWindowPlacement::screenAreas()).fit(frame, minimumFrameSize(borders));
    window_->setGeometry(fitted.marginsRemoved(borders));
}

QMargins ZTWindowFitter::borders() const
{
    const QWindow* window = window_->windowHandle();
    return window ? window->frameMargins() : QMargins();
}

bool ZTWindowFitter::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == window_) {
        switch (event->type()) {
        case QEvent::Show:
            // The window manager may frame the window without moving it: its first showing
            // on screen tells.
            if (QWindow* window = window_->windowHandle())
                window->installEventFilter(this);
            break;
        case QEvent::Move:
        case QEvent::Resize:
            keepFrameOnScreen();
            break;
        default:
            break;
        }
    } else if (event->type() == QEvent::Expose) {
        keepFrameOnScreen();
    }
    return false;
}

void ZTWindowFitter::keepFrameOnScreen()
{
    if (!window_->isVisible() || window_->isMaximized() || window_->isFullScreen())
        return;
    const QMargins now = borders();
    if (now == fittedBorders_)
        return;
    fittedBorders_ = now;
    const QRect frame = window_->geometry().marginsAdded(now);
    const QRect fitted = ZTWindowPlacement(ZTWindowPlacement::screenAreas()).fit(frame, minimumFrameSize(now));
    if (fitted != frame)
        window_->setGeometry(fitted.marginsRemoved(now));
}

QSize ZTWindowFitter::minimumFrameSize(const QMargins& borders) const
{
    return window_->minimumSizeHint().expandedTo(window_->minimumSize()).grownBy(borders);
}
