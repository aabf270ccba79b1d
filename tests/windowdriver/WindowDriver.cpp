// Runs the application on a real X server, as the program starts it, switches to Learning mode
// once the window is on screen, and reports on stdout what the window and the web engine did:
//
//   before window=<id> surface=<0 raster|1 OpenGL> webviews=<n> profiles=<n> engines=<n>
//   after window=<id> surface=<n> webviews=<n> profiles=<n> engines=<n>
//
// "engines" counts the web engine's helper processes among this process's children. A line
// "error <why>" and exit code 2 when a step does not come about.
#include "AudioOutput.h"
#include "ZTAppDelegate.h"
#include "ZTMainViewController.h"
#include "ZTMainWindow.h"
#include "ZTWikiWebView.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QWebEngineProfile>
#include <QWebEngineView>
#include <QWindow>

#include <cstdio>

#include <unistd.h>

namespace {

[[noreturn]] void fail(const char* why)
{
    std::printf("error %s\n", why);
    std::fflush(stdout);
    std::_Exit(2);
}

int engineProcesses()
{
    int count = 0;
    const QString parent = QString::number(::getpid());
    for (const QString& pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        QFile command(QStringLiteral("/proc/%1/cmdline").arg(pid));
        if (!stat.open(QIODevice::ReadOnly) || !command.open(QIODevice::ReadOnly))
            continue;
        // "pid (name) state ppid ...": the name may hold spaces, the part after it does not.
        const QByteArray fields = stat.readAll();
        const QList<QByteArray> after = fields.mid(fields.lastIndexOf(')') + 2).split(' ');
        if (after.size() > 1 && after[1] == parent.toLatin1() && command.readAll().contains("QtWebEngineProcess"))
            ++count;
    }
    return count;
}

void report(const char* moment, QWidget* window)
{
    std::printf("%s window=%llu surface=%d webviews=%lld profiles=%lld engines=%d\n", moment,
                static_cast<unsigned long long>(window->winId()), int(window->windowHandle()->surfaceType()),
                static_cast<long long>(window->findChildren<QWebEngineView*>().size()),
                static_cast<long long>(window->findChildren<QWebEngineProfile*>().size()), engineProcesses());
    std::fflush(stdout);
}

} // namespace

int main(int argc, char** argv)
{
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    // No sound card here: without offline rendering the no-sound alert would hold the start.
    AudioOutput::sharedOutput()->useOfflineRendering();
    // Offline: the pane shows its own page at once.
    ZTWikiWebView::setReachabilityCheck([](const QString&) { return false; });
    ZTMainViewController::setWikiPaneMaker(
        [](QWidget* parent, ZTWikiWebViewDelegate* delegate, QProgressBar* indicator) -> ZTWikiPane* {
            return new ZTWikiWebView(parent, delegate, indicator);
        },
        QStringLiteral("localhost"));

    ZTAppDelegate delegate;
    delegate.launch();
    ZTMainWindow* window = delegate.window();
    if (!QTest::qWaitForWindowExposed(window, 30000))
        fail("the window was not shown");
    report("before", window);

    delegate.mainViewController()->practiceModeChanged(2);
    // The pane's page drawn: the web view has put its drawing surface into the window.
    const bool drawn = QTest::qWaitFor(
        [window] {
            const QList<QWebEngineView*> views = window->findChildren<QWebEngineView*>();
            return !views.isEmpty() && !views.first()->findChildren<QWidget*>().isEmpty()
                && views.first()->findChildren<QWidget*>().first()->isVisible();
        },
        60000);
    if (!drawn)
        fail("the encyclopedia pane did not show a page");
    if (!QTest::qWaitForWindowExposed(window, 30000))
        fail("the window went from the screen");
    report("after", window);
    return 0;
}
