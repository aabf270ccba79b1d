#include "WebBrowser.h"

#include "Alert.h"
#include "Localization.h"
#include "Log.h"
#include "WebAddress.h"
#include "ZTStringFormat.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QPointer>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>
#include <QWidget>

#include <optional>

namespace WebBrowser {

namespace {

std::optional<QString>& chosenProgram()
{
    static std::optional<QString> program;
    return program;
}

QString openerProgram()
{
    if (chosenProgram())
        return *chosenProgram();
    const QString platform = QGuiApplication::platformName();
    if (platform == QLatin1String("offscreen") || platform == QLatin1String("minimal"))
        return {};
    // What Qt's desktop platforms hand addresses to; QDesktopServices counts it as a browser
    // once it has started, whatever it does next, so it is run here to learn how it ends.
    return QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
}

// The query of an address may carry what belongs to one user (a sign-in's state and proof
// key): the log names the host and path only.
QString loggedAddress(const QUrl& url)
{
    return url.host() + url.path(QUrl::FullyEncoded);
}

void tellNoBrowser(const QUrl& url, QWidget* window, const QString& why)
{
    const QString address = url.toString(QUrl::FullyEncoded);
    Log::line(QStringLiteral("No web browser could be started for %1 (%2)").arg(loggedAddress(url), why));
    Alert::Request request;
    request.style = Alert::Style::Warning;
    request.message = localized(QStringLiteral("Melvora could not open a web browser."));
    // A long query would run off the alert: it may wrap after each of its separators.
    QString shown = address;
    shown.replace(QLatin1Char('&'), QStringLiteral("&\u200B"));
    request.informativeText = ZTStringFormat::fill(localized(QStringLiteral("Open this address in your web browser:\n%@")), {shown});
    request.buttons = {localized(QStringLiteral("OK")), localized(QStringLiteral("Copy Address"))};
    request.cancelButton = 0;
    Alert::beginSheet(request, window, [address](int answer) {
        if (answer == 1)
            QGuiApplication::clipboard()->setText(address);
    });
}

// Runs the opener without waiting for it (a browser it starts may keep it running) and tells
// the user when it fails. What it prints is dropped: it names the whole address.
void runOpener(const QString& program, const QUrl& url, QWidget* window)
{
    auto* process = new QProcess(QCoreApplication::instance());
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    const QPointer<QWidget> alertWindow(window);
    const auto failed = [process, url, alertWindow](const QString& why) {
        // An opener still running when the application ends is stopped with it, which is no
        // failure to tell.
        if (!QCoreApplication::closingDown())
            tellNoBrowser(url, alertWindow, why);
        process->deleteLater();
    };
    QObject::connect(process, &QProcess::errorOccurred, process, [process, program, failed](QProcess::ProcessError error) {
        // Every other error is followed by finished().
        if (error == QProcess::FailedToStart)
            failed(QStringLiteral("%1 cannot be started: %2").arg(program, process->errorString()));
    });
    QObject::connect(process, &QProcess::finished, process,
                     [process, program, failed](int exitCode, QProcess::ExitStatus status) {
                         if (status == QProcess::CrashExit)
                             failed(QStringLiteral("%1 crashed").arg(program));
                         else if (exitCode != 0)
                             failed(QStringLiteral("%1 ended with exit code %2").arg(program).arg(exitCode));
                         else
                             process->deleteLater();
                     });
    process->start(program, {url.toString(QUrl::FullyEncoded)});
}

} // namespace

bool open(const QUrl& url, QWidget* window)
{
    // The desktop would open a file or start another program for an address of another scheme.
    if (!isWebAddress(url)) {
        Log::line(QStringLiteral("Not a web address, so not handed to the browser: %1").arg(url.toString(QUrl::FullyEncoded)));
        return false;
    }
    const QString program = openerProgram();
    if (!program.isEmpty()) {
        runOpener(program, url, window);
        return true;
    }
    if (QDesktopServices::openUrl(url))
        return true;
    tellNoBrowser(url, window, QStringLiteral("the desktop has no browser"));
    return false;
}

void setOpenerProgram(const QString& program)
{
    chosenProgram() = program;
}

void resetOpenerProgram()
{
    chosenProgram().reset();
}

} // namespace WebBrowser
