// Reading, shortening and comparing the version numbers of the update check.
#include "ZTVersionNumber.h"

#include <gtest/gtest.h>

using namespace ZTVersionNumber;

TEST(VersionNumber, OnlyDigitsAndDotsAreAVersion)
{
    EXPECT_EQ(fromVersionFile("2.4.1"), QStringLiteral("2.4.1"));
    EXPECT_EQ(fromVersionFile("10"), QStringLiteral("10"));
    // A file saved with a line end still holds that version.
    EXPECT_EQ(fromVersionFile("2.4.1\n"), QStringLiteral("2.4.1"));
    EXPECT_EQ(fromVersionFile("2.4.1\r\n"), QStringLiteral("2.4.1"));

    for (const QByteArray& body : {QByteArray(), QByteArray("\n"), QByteArray("<html><body>Not here</body></html>"),
                                   QByteArray("2.4.1\n\n"), QByteArray(" 2.4.1"), QByteArray("2.4.1 "),
                                   QByteArray("2..4"), QByteArray(".2"), QByteArray("2."), QByteArray("v2.4"),
                                   QByteArray("2.4\x00", 4), QByteArray("\xff\xfe" "2"), QByteArray("2.\xc3"),
                                   QByteArray(65, '1')})
        EXPECT_FALSE(fromVersionFile(body).has_value()) << body.toStdString();
    EXPECT_TRUE(fromVersionFile(QByteArray(64, '1')).has_value());
}

TEST(VersionNumber, ShorteningDropsOnlyWholeTrailingZeroGroups)
{
    EXPECT_EQ(shortened(QStringLiteral("2.0.0")), QStringLiteral("2"));
    EXPECT_EQ(shortened(QStringLiteral("3.0")), QStringLiteral("3"));
    EXPECT_EQ(shortened(QStringLiteral("2.10")), QStringLiteral("2.10"));
    EXPECT_EQ(shortened(QStringLiteral("3.00")), QStringLiteral("3.00"));
    EXPECT_EQ(shortened(QStringLiteral("2.0.1")), QStringLiteral("2.0.1"));
    EXPECT_EQ(shortened(QStringLiteral("10")), QStringLiteral("10"));
}

TEST(VersionNumber, NumbersCompareByValueNotByText)
{
    EXPECT_EQ(compareNumerically(shortened("2"), shortened("2.0")), 0);
    EXPECT_GT(compareNumerically("2.10", "2.9"), 0);
    EXPECT_LT(compareNumerically("3.0.9", "3.1"), 0);
    EXPECT_GT(compareNumerically("2.4.1", "2.4"), 0);
    EXPECT_EQ(compareNumerically("2.04", "2.4"), 0);
    EXPECT_GT(compareNumerically("100000000000000000000.1", "99999999999999999999.1"), 0);
    EXPECT_LT(compareNumerically("", "1"), 0);
}
