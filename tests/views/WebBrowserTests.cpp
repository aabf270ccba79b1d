// Addresses handed to the desktop's browser: web addresses only, and an opener program that
// fails counts as no browser.
#include "Alert.h"
#include "BrowserStandIn.h"
#include "TestEnvironment.h"
#include "WebBrowser.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

// A sign-in address: its query belongs to the user.
const QUrl kSignInPage(QStringLiteral("https://www.dropbox.com/oauth2/authorize?client_id=k3y&state=s3cret&code_challenge=ch4llenge"));

class WebBrowserTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Alert::setResponder([this](const Alert::Request& request) {
            alerts_ << request;
            return 0;
        });
    }
    void TearDown() override
    {
        WebBrowser::resetOpenerProgram();
        Alert::setResponder({});
    }

    // Runs until the opener program that open() started has ended and been judged.
    bool waitForOpener()
    {
        auto* opener = QCoreApplication::instance()->findChild<QProcess*>();
        if (!opener)
            return false;
        bool ended = false;
        QObject::connect(opener, &QProcess::finished, opener, [&] { ended = true; });
        QObject::connect(opener, &QProcess::errorOccurred, opener, [&] { ended = true; });
        return waitUntil([&] { return ended; });
    }

    TestEnvironment environment_;
    QList<Alert::Request> alerts_;
};

} // namespace

TEST_F(WebBrowserTest, OnlyWebAddressesReachTheDesktop)
{
    BrowserStandIn desktop;
    // A desktop with programs for local files and for remote logins.
    desktop.alsoTake(QStringLiteral("file"));
    desktop.alsoTake(QStringLiteral("ssh"));

    EXPECT_TRUE(WebBrowser::open(QUrl(QStringLiteral("https://example.net/page")), nullptr));
    EXPECT_TRUE(WebBrowser::open(QUrl(QStringLiteral("HTTP://example.net/")), nullptr));
    EXPECT_FALSE(WebBrowser::open(QUrl(QStringLiteral("file:///etc/passwd")), nullptr));
    EXPECT_FALSE(WebBrowser::open(QUrl(QStringLiteral("ssh://example.net/")), nullptr));
    EXPECT_EQ(desktop.opened, (QList<QUrl>{QUrl(QStringLiteral("https://example.net/page")), QUrl(QStringLiteral("http://example.net/"))}));
    EXPECT_TRUE(alerts_.isEmpty());
}

TEST_F(WebBrowserTest, AnOpenerThatFailsOrIsMissingIsNoBrowserAndTheLogKeepsTheQueryOut)
{
    LogCapture log;
    // xdg-open without a browser set up ends with an error; a desktop may have no opener at all.
    for (const QString& opener : {QStringLiteral("false"), environment_.root() + QStringLiteral("/no-such-opener")}) {
        alerts_.clear();
        WebBrowser::setOpenerProgram(opener);
        EXPECT_TRUE(WebBrowser::open(kSignInPage, nullptr));
        ASSERT_TRUE(waitUntil([&] { return !alerts_.isEmpty(); })) << opener.toStdString();
        EXPECT_EQ(alerts_[0].message, QStringLiteral("Melvora could not open a web browser."));
        // The whole address is shown, to be opened by hand.
        EXPECT_TRUE(QString(alerts_[0].informativeText).remove(QChar(0x200B)).endsWith(kSignInPage.toString(QUrl::FullyEncoded)))
            << alerts_[0].informativeText.toStdString();
    }
    EXPECT_EQ(log.count(QStringLiteral("No web browser could be started for www.dropbox.com/oauth2/authorize ")), 2);
    for (const QString& line : log.lines())
        for (const char* secret : {"?", "client_id", "s3cret", "ch4llenge"})
            EXPECT_FALSE(line.contains(QLatin1String(secret))) << line.toStdString();
}

TEST_F(WebBrowserTest, AnOpenerThatSucceedsTakesTheAddressWithoutAWord)
{
    const QString received = environment_.root() + QStringLiteral("/received");
    const QString opener = environment_.writeFile(
        QStringLiteral("opener"), QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\n").arg(received).toUtf8());
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    WebBrowser::setOpenerProgram(opener);

    EXPECT_TRUE(WebBrowser::open(kSignInPage, nullptr));
    ASSERT_TRUE(waitForOpener());
    QFile file(received);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(file.readAll()), kSignInPage.toString(QUrl::FullyEncoded));
    EXPECT_TRUE(alerts_.isEmpty());
}
