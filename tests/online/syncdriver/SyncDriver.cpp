// One computer running Melvora with Dropbox sync, driven by a script from the command line, so
// that tests can run two of them (as two processes with folders of their own) against one
// stand-in service, and kill one in the middle of a sync.
//
//   sync_driver launch wait-passes 1 answer 3 resolve mac sync print quit
//
//   launch         start-up as the program does (a pass starts when sync is on)
//   wait-passes N  until N passes have ended since start-up
//   sync           one more pass, waited for
//   answer N       N questions of the current exercise, each answered right
//   resolve SIDE   conflict windows are settled with "mac" or "dropbox" for every row
//   print          "stats <item>=<right>/<wrong>;..." and "unsynced <0|1>" on stdout
//   quit           the Quit command; its sheet is answered "Sync and Quit"
//   hold           waits for ever (to be killed)
//
// Every step prints a line ("step <name>"); alerts and conflicts are printed as they come.
#include "FakeMIDIBackend.h"
#include "NotificationCenter.h"
#include "Alert.h"
#include "AudioOutput.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "ZTAbstractTestController.h"
#include "ZTAppDelegate.h"
#include "ZTDropboxConflictResolverWindowController.h"
#include "ZTDropboxController.h"
#include "ZTMIDIController.h"
#include "ZTMainViewController.h"
#include "ZTSyncConflictButton.h"
#include "ZTSyncInstallation.h"
#include "ZTTest.h"
#include "ZTUtils.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListWidget>
#include <QTest>
#include <QTextStream>
#include <QThread>
#include <QTimer>

#include <cstdio>

namespace {

void say(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

[[noreturn]] void fail(const QString& why)
{
    say(QStringLiteral("error ") + why);
    std::_Exit(2);
}

void waitFor(const std::function<bool()>& condition, const QString& what, int seconds = 60)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > seconds * 1000)
            fail(QStringLiteral("timed out waiting for ") + what);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(2);
    }
}

QString statsLine()
{
    QStringList rows;
    auto set = ZTUtils::sharedDb()->executeQuery(
        QStringLiteral("SELECT testName, itemName, right, wrong FROM stats ORDER BY testName, itemName"));
    while (set && set->next())
        rows << QStringLiteral("%1|%2=%3/%4")
                    .arg(set->stringForColumnIndex(0), set->stringForColumnIndex(1), set->stringForColumnIndex(2),
                         set->stringForColumnIndex(3));
    return QStringLiteral("stats ") + rows.join(QLatin1Char(';'));
}

class Driver {
public:
    Driver()
    {
        observer_ = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("ZTDropboxControllerSyncFinishedNotification"), [this](const Notification& n) {
                ++passes_;
                const QStringList failures = n.userInfo.value(QStringLiteral("failures")).toStringList();
                say(QStringLiteral("finished %1%2").arg(passes_).arg(failures.isEmpty() ? QString() : QStringLiteral(" failures ") + failures.join(QLatin1Char('|'))));
            });
        Alert::setResponder([](const Alert::Request& request) {
            say(QStringLiteral("alert ") + request.message);
            // "Sync and Quit" on the quit sheet, "Quit" when that sync fell short.
            return request.buttons.value(1) == QLatin1String("Quit") ? 1 : 0;
        });
        // The conflict window is settled by clicks once the chosen side is known.
        connect();
    }

    void run(QStringList script)
    {
        while (!script.isEmpty()) {
            const QString step = script.takeFirst();
            say(QStringLiteral("step ") + step);
            if (step == QLatin1String("launch")) {
                delegate_ = std::make_unique<ZTAppDelegate>();
                delegate_->launch();
            } else if (step == QLatin1String("wait-passes")) {
                const int count = script.takeFirst().toInt();
                waitFor([&] { return passes_ >= count; }, QStringLiteral("passes"));
            } else if (step == QLatin1String("sync")) {
                const int before = passes_;
                ZTDropboxController::sharedInstance()->startSyncWithController(nullptr);
                waitFor([&] { return passes_ > before; }, QStringLiteral("a pass"));
            } else if (step == QLatin1String("answer")) {
                answer(script.takeFirst().toInt());
            } else if (step == QLatin1String("resolve")) {
                side_ = script.takeFirst();
            } else if (step == QLatin1String("print")) {
                say(statsLine());
                say(QStringLiteral("unsynced %1").arg(int(ZTDropboxController::sharedInstance()->hasUnsyncedChanges())));
            } else if (step == QLatin1String("quit")) {
                delegate_->terminate();
                // Without a sheet the quit happened at once; otherwise it ends the event loop.
                if (delegate_->window()->isVisible())
                    QApplication::exec();
                say(QStringLiteral("quit"));
                delegate_.reset();
                return;
            } else if (step == QLatin1String("hold")) {
                QApplication::exec();
            } else {
                fail(QStringLiteral("unknown step ") + step);
            }
        }
        delegate_.reset();
    }

private:
    void answer(int count)
    {
        ZTMainViewController* screen = delegate_->mainViewController();
        for (int i = 0; i < count; ++i) {
            screen->nextAction(ZTMainViewController::Sender::Button);
            ZTAbstractTestController* controller = screen->currentLessonController();
            if (!controller || !controller->currentTest())
                fail(QStringLiteral("no question to answer"));
            if (const auto instrument = ZTMIDIController::sharedInstance()->instrument())
                instrument->stop();
            controller->reportAnswerRight(controller->currentTest()->item());
            QCoreApplication::processEvents();
        }
    }

    void connect()
    {
        auto* timer = new QTimer(qApp);
        QObject::connect(timer, &QTimer::timeout, [this] {
            ZTMainViewController* screen = delegate_ ? delegate_->mainViewController() : nullptr;
            auto* window = screen ? dynamic_cast<ZTDropboxConflictResolverWindowController*>(screen->resolver()) : nullptr;
            if (!window || side_.isEmpty() || window->conflicts().isEmpty())
                return;
            QStringList areas;
            for (int area : window->conflicts())
                areas << QString::number(area);
            say(QStringLiteral("conflict ") + areas.join(QLatin1Char(',')));
            while (!window->conflicts().isEmpty()) {
                window->tableView()->setCurrentRow(0);
                const bool last = window->conflicts().size() == 1;
                QTest::mouseClick(side_ == QLatin1String("mac") ? static_cast<QWidget*>(window->deviceButton())
                                                                : static_cast<QWidget*>(window->dropBoxButton()),
                                  Qt::LeftButton);
                if (last)
                    break;
            }
        });
        timer->start(50);
    }

    std::unique_ptr<ZTAppDelegate> delegate_;
    NotificationObserver observer_;
    int passes_ = 0;
    QString side_;
};

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Melvora"));
    QApplication::setOrganizationName(QStringLiteral("Vantrel"));
    QApplication::setQuitOnLastWindowClosed(false);
    ZTMIDIController::setSharedBackendFactory([] { return std::make_shared<FakeMIDIBackend>(); });
    // Sound is no part of syncing: no device is looked for, and no alert says there is none.
    AudioOutput::sharedOutput()->useOfflineRendering();
    ZTDropboxController::configure(DropboxEndpoints::allAt(QUrl(qEnvironmentVariable("MELVORA_DROPBOX_SERVER"))));
    ZTSyncInstallation::install();
    QStringList script = app.arguments().mid(1);
    Driver driver;
    driver.run(script);
    return 0;
}
