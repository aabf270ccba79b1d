// The update check against a download server on 127.0.0.1: what the user is told, what is
// opened, and what the silent start-up check keeps to itself.
#include "Alert.h"
#include "BrowserStandIn.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "ZTUpdateCheck.h"

#include <QObject>
#include <QWidget>

#include <gtest/gtest.h>
#include <httplib.h>

namespace {

class UpdateCheckTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        server_.server().Get(ZTUpdateCheck::kVersionFilePath.toStdString(),
                             [this](const httplib::Request&, httplib::Response& response) {
                                 response.status = status_;
                                 response.set_content(body_.toStdString(), contentType_.toStdString());
                             });
        server_.start();
        ZTUpdateCheck::setDownloadServerBaseURL(server_.url(QStringLiteral("/")).adjusted(QUrl::RemovePath));
        Alert::setResponder([this](const Alert::Request& request) {
            alerts_ << request;
            return answer_;
        });
    }

    void TearDown() override
    {
        Alert::setResponder({});
    }

    // Runs one check to its answer (the server has answered and the client has gone).
    void check(const QString& localVersion, bool userInitiated)
    {
        ZTUpdateCheck updateCheck(localVersion);
        const qsizetype before = server_.requests().size();
        updateCheck.checkForUpdates(userInitiated, &window_);
        EXPECT_TRUE(updateCheck.isChecking());
        ASSERT_TRUE(waitUntil([&] { return !updateCheck.isChecking(); }));
        EXPECT_EQ(server_.requests().size(), before + 1);
    }

    void serve(const QByteArray& body, int status = 200, const QString& contentType = QStringLiteral("text/plain"))
    {
        body_ = QString::fromLatin1(body);
        status_ = status;
        contentType_ = contentType;
    }

    TestEnvironment environment_;
    TestHttpServer server_;
    QWidget window_;
    BrowserStandIn browser_;
    QString body_ = QStringLiteral("2.4.1");
    QString contentType_ = QStringLiteral("text/plain");
    int status_ = 200;
    QList<Alert::Request> alerts_;
    int answer_ = 0;
};

} // namespace

TEST_F(UpdateCheckTest, ANewerVersionIsOfferedAndYesOpensTheDownloadPage)
{
    serve("2.10");
    check(QStringLiteral("2.9"), false); // news are told even at start-up
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("A new version of Melvora is available!"));
    EXPECT_EQ(alerts_[0].informativeText,
              QStringLiteral("Melvora 2.10 is now available (you have 2.9). Would you like to download it now?"));
    EXPECT_EQ(alerts_[0].buttons, (QStringList{"Yes", "No"}));
    ASSERT_EQ(browser_.opened.size(), 1);
    EXPECT_EQ(browser_.opened[0].path(), QStringLiteral("/Melvora/releases/mac/current"));
    EXPECT_EQ(browser_.opened[0].port(), server_.port());

    // The request carries the time, so that no cache answers with an old file.
    const RecordedRequest request = server_.lastRequest();
    bool number = false;
    EXPECT_GT(request.query.value(QStringLiteral("r")).toDouble(&number), 7e8);
    EXPECT_TRUE(number);

    answer_ = 1; // No
    check(QStringLiteral("2.9"), true);
    EXPECT_EQ(alerts_.size(), 2);
    EXPECT_EQ(browser_.opened.size(), 1);
}

TEST_F(UpdateCheckTest, WithoutABrowserTheDownloadPageIsToldWithItsAddress)
{
    browser_.setAvailable(false);
    serve("2.10");
    check(QStringLiteral("2.9"), true);
    ASSERT_EQ(alerts_.size(), 2);
    EXPECT_EQ(alerts_[1].message, QStringLiteral("Melvora could not open a web browser."));
    QUrl page = server_.url(QStringLiteral("/Melvora/releases/mac/current"));
    EXPECT_TRUE(alerts_[1].informativeText.endsWith(page.toString())) << alerts_[1].informativeText.toStdString();
}

TEST_F(UpdateCheckTest, EqualOrOlderVersionsAreUpToDateOnlyWhenAsked)
{
    const struct {
        const char* server;
        const char* local;
    } cases[] = {{"2", "2.0"}, {"3.0.9", "3.1"}, {"2.4.1\n", "2.4.1"}, {"2.4.1\r\n", "2.4.1"}};
    for (const auto& versions : cases) {
        serve(versions.server);
        check(QString::fromLatin1(versions.local), false);
        EXPECT_TRUE(alerts_.isEmpty()) << versions.server;
        check(QString::fromLatin1(versions.local), true);
        ASSERT_EQ(alerts_.size(), 1) << versions.server;
        EXPECT_EQ(alerts_[0].message, QStringLiteral("You're up to date!"));
        EXPECT_EQ(alerts_[0].informativeText,
                  QStringLiteral("Melvora %1 is currently the newest version available.").arg(versions.local));
        EXPECT_EQ(alerts_[0].buttons, QStringList{"OK"});
        EXPECT_EQ(alerts_[0].style, Alert::Style::Informational);
        alerts_.clear();
    }
    EXPECT_TRUE(browser_.opened.isEmpty());
}

TEST_F(UpdateCheckTest, AnythingButAVersionIsAnErrorNeverUpToDate)
{
    const QByteArray bodies[] = {"<!DOCTYPE html><html><body>Moved</body></html>", "", "\xff\xfe\x32\x00"};
    for (const QByteArray& body : bodies) {
        serve(body, 200, QStringLiteral("text/html"));
        check(QStringLiteral("2.4"), false);
        EXPECT_TRUE(alerts_.isEmpty());
        LogCapture log;
        check(QStringLiteral("2.4"), true);
        ASSERT_EQ(alerts_.size(), 1) << body.toStdString();
        EXPECT_EQ(alerts_[0].message, QStringLiteral("Error!"));
        EXPECT_EQ(alerts_[0].informativeText,
                  QStringLiteral("An error occurred in retrieving update information. Please try again later."));
        EXPECT_TRUE(log.contains(QStringLiteral("Error: ")));
        alerts_.clear();
    }
}

TEST_F(UpdateCheckTest, AServerErrorIsToldOnlyWhenAsked)
{
    serve("Not Found", 404);
    check(QStringLiteral("2.4"), false);
    EXPECT_TRUE(alerts_.isEmpty());
    check(QStringLiteral("2.4"), true);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Error!"));
    // A failure warns; "You're up to date!" only informs.
    EXPECT_EQ(alerts_[0].style, Alert::Style::Warning);
    EXPECT_EQ(alerts_[0].buttons, QStringList{"OK"});
    EXPECT_TRUE(browser_.opened.isEmpty());
}

