// The application on a real X server: the encyclopedia's web engine starts only when the pane
// is first shown, and showing the pane keeps the window's native window. Under the offscreen
// platform of the other tests the engine draws in software and never asks for an OpenGL window,
// so a driver program runs the application on a virtual display (Xvfb).
#include "TestEnvironment.h"

#include <QProcess>
#include <QStandardPaths>
#include <QStringList>

#include <gtest/gtest.h>

#include <optional>

namespace {

struct WindowReport {
    QString window;
    int surface = -1;
    int webViews = -1;
    int profiles = -1;
    int engines = -1;
};

// The driver's line for that moment: "<moment> window=.. surface=.. webviews=.. profiles=.. engines=..".
std::optional<WindowReport> reportAt(const QStringList& lines, const QString& moment)
{
    for (const QString& line : lines) {
        QStringList fields = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (fields.isEmpty() || fields.takeFirst() != moment)
            continue;
        WindowReport report;
        for (const QString& field : fields) {
            const QString key = field.section(QLatin1Char('='), 0, 0);
            const QString value = field.section(QLatin1Char('='), 1);
            if (key == QLatin1String("window"))
                report.window = value;
            else if (key == QLatin1String("surface"))
                report.surface = value.toInt();
            else if (key == QLatin1String("webviews"))
                report.webViews = value.toInt();
            else if (key == QLatin1String("profiles"))
                report.profiles = value.toInt();
            else if (key == QLatin1String("engines"))
                report.engines = value.toInt();
        }
        return report;
    }
    return std::nullopt;
}

} // namespace

TEST(NativeWindowTest, TheWebEngineStartsWithThePaneAndTheWindowKeepsItsNativeWindow)
{
    const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
    if (xvfb.isEmpty())
        GTEST_SKIP() << "Xvfb is not installed";
    TestEnvironment environment;

    // Xvfb picks a free display and writes its number once it takes clients.
    QProcess server;
    server.start(xvfb, {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1366x768x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    ASSERT_TRUE(server.waitForStarted());
    QByteArray display;
    while (!display.contains('\n') && server.waitForReadyRead(30000))
        display += server.readAllStandardOutput();
    ASSERT_TRUE(display.contains('\n')) << "Xvfb did not start";

    QProcess driver;
    QProcessEnvironment variables = QProcessEnvironment::systemEnvironment();
    variables.insert(QStringLiteral("DISPLAY"), QStringLiteral(":") + QString::fromLatin1(display.trimmed()));
    variables.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    driver.setProcessEnvironment(variables);
    driver.start(QStringLiteral(MELVORA_WINDOW_DRIVER), QStringList());
    ASSERT_TRUE(driver.waitForStarted());
    const bool finished = driver.waitForFinished(180000);
    const QStringList lines =
        QString::fromUtf8(driver.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (!finished)
        driver.kill();
    server.terminate();
    server.waitForFinished();
    ASSERT_TRUE(finished);
    ASSERT_EQ(driver.exitCode(), 0) << lines.join(QLatin1Char('\n')).toStdString();

    const std::optional<WindowReport> before = reportAt(lines, QStringLiteral("before"));
    const std::optional<WindowReport> after = reportAt(lines, QStringLiteral("after"));
    ASSERT_TRUE(before && after) << lines.join(QLatin1Char('\n')).toStdString();
    // Training mode after start-up: no web view, no profile, no engine process.
    EXPECT_EQ(before->webViews, 0);
    EXPECT_EQ(before->profiles, 0);
    EXPECT_EQ(before->engines, 0);
    // Learning mode: the pane with its engine, in the same native window.
    EXPECT_EQ(after->webViews, 1);
    EXPECT_EQ(after->profiles, 1);
    EXPECT_EQ(after->window, before->window);
    EXPECT_EQ(after->surface, before->surface);
}
