// Starts the application; "--list-exercises" prints the exercise catalogue instead.
#include "ZTAppDelegate.h"
#include "ZTDataProvider.h"
#include "ZTDropboxController.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTPreferencesWindowController.h"
#include "ZTSyncInstallation.h"
#include "ZTUpdateCheck.h"
#include "ZTWheelGuard.h"
#include "ZTWikiSettings.h"
#include "ZTWikiWebView.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <QUrl>

#include <cstring>

namespace {

int listExercises(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ZTPreferences::sharedPreferences();
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    catalogue->setup();

    QTextStream out(stdout);
    const QVariantMap levels = catalogue->levels();
    const QVariantList tests = catalogue->tests();
    if (tests.isEmpty())
        out << "The exercise catalogue is empty.\n";
    for (const QVariant& entry : tests) {
        const QVariantMap test = entry.toMap();
        const QString name = test.value(QStringLiteral("name")).toString();
        QStringList levelNames;
        for (const QVariant& level : levels.value(name).toList())
            levelNames << level.toMap().value(QStringLiteral("name")).toString();
        out << name << ": " << test.value(QStringLiteral("items")).toList().size() << " items; levels: "
            << (levelNames.isEmpty() ? QStringLiteral("none") : levelNames.join(QStringLiteral(", "))) << '\n';
    }
    return 0;
}

// Developers point the online parts at servers of their own.
void useServersFromEnvironment()
{
    if (const QString server = qEnvironmentVariable("MELVORA_DOWNLOAD_SERVER"); !server.isEmpty())
        ZTUpdateCheck::setDownloadServerBaseURL(QUrl(server));
    if (const QString host = qEnvironmentVariable("MELVORA_ENCYCLOPEDIA_HOST"); !host.isEmpty()) {
        ZTWikiSettings settings = ZTWikiSettings::current();
        settings.encyclopediaHost = host;
        settings.encyclopediaDomain = host;
        ZTWikiSettings::setCurrent(settings);
    }
    // A stand-in Dropbox service: every address on one server.
    if (const QString server = qEnvironmentVariable("MELVORA_DROPBOX_SERVER"); !server.isEmpty())
        ZTDropboxController::configure(DropboxEndpoints::allAt(QUrl(server)));
}

} // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--list-exercises") == 0)
            return listExercises(argc, argv);

    // The encyclopedia pane's web engine shares graphics contexts with the window.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Melvora"));
    QApplication::setApplicationVersion(QStringLiteral(MELVORA_VERSION));
    QApplication::setOrganizationName(QStringLiteral("Vantrel"));
    // Quitting goes through the delegate, which writes the settings first.
    QApplication::setQuitOnLastWindowClosed(false);
    // Scrolling a page never changes a setting the pointer passes over.
    ZTWheelGuard::install();

    useServersFromEnvironment();
    ZTAppDelegate::setPreferencesWindowOpener(&ZTPreferencesWindowController::showWindowOnTab);
    ZTSyncInstallation::install();
    ZTPreferencesWindowController::setSyncEngine(
        {[] { ZTDropboxController::sharedInstance()->startManualSyncWithController(nullptr); },
         [] { ZTDropboxController::sharedInstance()->stopSync(); },
         [] { ZTDropboxController::sharedInstance()->unlink(); }});
    ZTAppDelegate::setUpdateChecker([](bool userInitiated, QWidget* window) {
        ZTUpdateCheck::shared().checkForUpdates(userInitiated, window);
    });
    ZTMainViewController::setWikiPaneMaker(
        [](QWidget* parent, ZTWikiWebViewDelegate* delegate, QProgressBar* downloadProgressIndicator) -> ZTWikiPane* {
            return new ZTWikiWebView(parent, delegate, downloadProgressIndicator);
        },
        ZTWikiSettings::current().encyclopediaHost);
    ZTAppDelegate delegate;
    delegate.launch();
    return QApplication::exec();
}
