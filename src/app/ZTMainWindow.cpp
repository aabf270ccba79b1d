#include "ZTMainWindow.h"

#include "ZTAppDelegate.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QOpenGLContext>
#include <QOpenGLWidget>
#include <QScreen>
#include <QWindow>

namespace {

ZTMainWindow::ScreenAreas& screenAreasOverride()
{
    static ZTMainWindow::ScreenAreas areas;
    return areas;
}

} // namespace

ZTMainWindow::ZTMainWindow(ZTAppDelegate* delegate) : delegate_(delegate)
{
    setObjectName(QStringLiteral("mainWindow"));
    // The encyclopedia pane's web view is drawn through OpenGL. A window made for plain drawing
    // would be replaced by a new native window when the pane first shows (a flicker, the
    // maximised state lost); a hidden OpenGL widget makes it an OpenGL window from the start.
    // Only where OpenGL works, as the contexts shared with the web engine tell.
    if (const QOpenGLContext* shared = QOpenGLContext::globalShareContext(); shared && shared->isValid())
        (new QOpenGLWidget(this))->hide();
}

void ZTMainWindow::setScreenAreas(ScreenAreas areas)
{
    screenAreasOverride() = std::move(areas);
}

QList<QRect> ZTMainWindow::screenAreas()
{
    if (screenAreasOverride())
        return screenAreasOverride()();
    QList<QRect> areas;
    QScreen* primary = QGuiApplication::primaryScreen();
    if (primary)
        areas << primary->availableGeometry();
    for (QScreen* screen : QGuiApplication::screens())
        if (screen != primary)
            areas << screen->availableGeometry();
    return areas;
}

QSize ZTMainWindow::minimumFrameSize(const QMargins& borders) const
{
    return minimumSizeHint().expandedTo(minimumSize()).grownBy(borders);
}

void ZTMainWindow::place(const std::optional<ZTWindowFrame>& remembered)
{
    const ZTWindowPlacement placement(screenAreas());
    startMaximized_ = remembered && remembered->maximized;
    if (remembered) {
        // The window manager is taken to add the borders it added last time: the content goes
        // where it stood.
        fittedBorders_ = remembered->margins;
        setGeometry(placement.fit(remembered->frame, minimumFrameSize(fittedBorders_)).marginsRemoved(fittedBorders_));
        return;
    }
    // The borders are not known before the window manager has framed the window: the frame's
    // corner goes to its place, where the window manager keeps it whatever borders it adds,
    // and the size is mended once they are known.
    fittedBorders_ = QMargins();
    const QRect frame = placement.initialFrame(kPreferredSize, minimumFrameSize(fittedBorders_));
    move(frame.topLeft());
    resize(frame.size());
}

void ZTMainWindow::showPlaced()
{
    if (startMaximized_)
        showMaximized();
    else
        show();
}

ZTWindowFrame ZTMainWindow::frameToRemember() const
{
    ZTWindowFrame frame;
    frame.margins = borders();
    frame.frame = normalGeometry().marginsAdded(frame.margins);
    frame.maximized = isMaximized();
    return frame;
}

QMargins ZTMainWindow::borders() const
{
    const QWindow* window = windowHandle();
    return window ? window->frameMargins() : QMargins();
}

void ZTMainWindow::keepFrameOnScreen()
{
    if (!isVisible() || isMaximized() || isFullScreen())
        return;
    const QMargins now = borders();
    if (now == fittedBorders_)
        return;
    fittedBorders_ = now;
    const QRect frame = geometry().marginsAdded(now);
    const QRect fitted = ZTWindowPlacement(screenAreas()).fit(frame, minimumFrameSize(now));
    if (fitted != frame)
        setGeometry(fitted.marginsRemoved(now));
}

void ZTMainWindow::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // The borders are known once the window manager has framed the window, which it may do
    // without moving it: the window's first showing on screen tells.
    if (QWindow* window = windowHandle())
        window->installEventFilter(this);
}

bool ZTMainWindow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose)
        keepFrameOnScreen();
    return QMainWindow::eventFilter(watched, event);
}

void ZTMainWindow::closeEvent(QCloseEvent* event)
{
    if (closingForQuit_ || !delegate_) {
        event->accept();
        return;
    }
    event->ignore();
    delegate_->terminate();
}

void ZTMainWindow::moveEvent(QMoveEvent* event)
{
    QMainWindow::moveEvent(event);
    keepFrameOnScreen();
}

void ZTMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    keepFrameOnScreen();
    if (delegate_)
        delegate_->windowDidResize();
}
