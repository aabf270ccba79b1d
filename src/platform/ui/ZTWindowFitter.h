#pragma once

#include <QMargins>
#include <QObject>
#include <QRect>
#include <QSize>

class QWidget;

// Keeps a top-level window's whole frame, the window manager's borders included, inside the
// available area of a screen (ZTWindowPlacement), so that its title bar and every edge can be
// reached. The borders are known only once the window manager has framed the window: until
// then the window stands as if it had the borders it was placed with, and it is fitted again
// when they show or change. Main thread only.
class ZTWindowFitter : public QObject {
public:
    // Watches the window, which owns it.
    explicit ZTWindowFitter(QWidget* window);

    // Before the window is first shown: the preferred size, shrunk to the primary screen's
    // area and centred on it.
    void placeNew(const QSize& preferred);
    // Before the window is first shown: a frame where it stood, brought onto today's screens.
    // The window manager is taken to add the borders it added then, so the content goes where
    // it stood.
    void placeFrame(const QRect& frame, const QMargins& borders);
    // The window manager's borders around the content, as far as they are known.
    QMargins borders() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Once the borders are known, or when they change, the whole frame must still fit.
    void keepFrameOnScreen();
    QSize minimumFrameSize(const QMargins& borders) const;

    QWidget* window_;
    // The borders the window was last fitted with.
    QMargins fittedBorders_;
};
