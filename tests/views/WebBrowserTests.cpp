// Addresses handed to the desktop's browser: web addresses only.
#include "Alert.h"
#include "BrowserStandIn.h"
#include "TestEnvironment.h"
#include "WebBrowser.h"

#include <QUrl>

#include <gtest/gtest.h>

TEST(WebBrowserTest, OnlyWebAddressesReachTheDesktop)
{
    TestEnvironment environment;
    int alerts = 0;
    Alert::setResponder([&](const Alert::Request&) {
        ++alerts;
        return 0;
    });
    BrowserStandIn desktop;
    // A desktop with programs for local files and for remote logins.
    desktop.alsoTake(QStringLiteral("file"));
    desktop.alsoTake(QStringLiteral("ssh"));

    EXPECT_TRUE(WebBrowser::open(QUrl(QStringLiteral("https://example.net/page")), nullptr));
    EXPECT_TRUE(WebBrowser::open(QUrl(QStringLiteral("HTTP://example.net/")), nullptr));
    EXPECT_FALSE(WebBrowser::open(QUrl(QStringLiteral("file:///etc/passwd")), nullptr));
    EXPECT_FALSE(WebBrowser::open(QUrl(QStringLiteral("ssh://example.net/")), nullptr));
    EXPECT_EQ(desktop.opened, (QList<QUrl>{QUrl(QStringLiteral("https://example.net/page")), QUrl(QStringLiteral("http://example.net/"))}));
    EXPECT_EQ(alerts, 0);
    Alert::setResponder({});
}
