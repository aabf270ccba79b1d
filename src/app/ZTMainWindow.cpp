#include "ZTMainWindow.h"

#include "ZTAppDelegate.h"
#include "ZTWindowFitter.h"

#include <QCloseEvent>
#include <QOpenGLContext>
#include <QOpenGLWidget>

ZTMainWindow::ZTMainWindow(ZTAppDelegate* delegate) : delegate_(delegate), fitter_(new ZTWindowFitter(this))
{
    setObjectName(QStringLiteral("mainWindow"));
    // The encyclopedia pane's web view is drawn through OpenGL. A window made for plain drawing
    // would be replaced by a new native window when the pane first shows (a flicker, the
    // maximised state lost); a hidden OpenGL widget makes it an OpenGL window from the start.
    // Only where OpenGL works, as the contexts shared with the web engine tell.
    if (const QOpenGLContext* shared = QOpenGLContext::globalShareContext(); shared && shared->isValid())
        (new QOpenGLWidget(this))->hide();
}

void ZTMainWindow::place(const std::optional<ZTWindowFrame>& remembered)
{
    startMaximized_ = remembered && remembered->maximized;
    if (remembered)
        fitter_->placeFrame(remembered->frame, remembered->margins);
    else
        fitter_->placeNew(kPreferredSize);
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
    frame.margins = fitter_->borders();
    frame.frame = normalGeometry().marginsAdded(frame.margins);
    frame.maximized = isMaximized();
    return frame;
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

void ZTMainWindow::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    if (delegate_)
        delegate_->windowDidResize();
}
