#include "ZTMainWindow.h"

#include "ZTAppDelegate.h"

#include <QCloseEvent>

ZTMainWindow::ZTMainWindow(ZTAppDelegate* delegate) : delegate_(delegate)
{
    setObjectName(QStringLiteral("mainWindow"));
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
