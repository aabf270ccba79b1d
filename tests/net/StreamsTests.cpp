#include "Streams.h"
#include "TestEnvironment.h"
#include "URLRequest.h"

#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(Streams, AMemoryStreamRefusesToGrowPastItsLimitAndCanStartOver)
{
    MemoryOutputStream stream(8);
    stream.open();
    EXPECT_EQ(stream.write("12345", 5), 5);
    EXPECT_TRUE(stream.discardWrittenData());
    EXPECT_EQ(stream.write("12345678", 8), 8);
    EXPECT_EQ(stream.write("9", 1), -1);
    EXPECT_EQ(stream.streamStatus(), StreamStatus::Error);
    EXPECT_EQ(stream.streamError().domain(), StreamErrorDomain);
    EXPECT_EQ(stream.dataWrittenToMemory().value(), QByteArray("12345678"));
}

TEST(Streams, AFileStreamAppendsReportsItsOffsetAndCanStartOver)
{
    TestEnvironment environment;
    const QString path = environment.root() + QStringLiteral("/part.bin");
    {
        FileOutputStream first(path, false);
        first.open();
        first.write("abc", 3);
        first.close();
    }
    FileOutputStream appending(path, true);
    appending.open();
    appending.write("def", 3);
    EXPECT_EQ(appending.currentFileOffset(), 6);
    EXPECT_TRUE(appending.discardWrittenData());
    appending.write("xy", 2);
    appending.close();
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), QByteArray("xy"));

    FileOutputStream unwritable(environment.root() + QStringLiteral("/missing/folder/file"), false);
    unwritable.open();
    EXPECT_EQ(unwritable.write("a", 1), -1);
    EXPECT_EQ(unwritable.streamStatus(), StreamStatus::Error);
}

TEST(URLResponse, ReadsTypeCharsetAndLengthFromItsHeaders)
{
    URLResponse response;
    response.headers.set(QStringLiteral("content-type"), QStringLiteral("Text/HTML; Charset=\"UTF-8\""));
    response.headers.set(QStringLiteral("Content-Length"), QStringLiteral("12"));
    EXPECT_EQ(response.MIMEType(), QStringLiteral("text/html"));
    EXPECT_EQ(response.textEncodingName(), QStringLiteral("UTF-8"));
    EXPECT_EQ(response.expectedContentLength(), 12);
    response.headers.set(QStringLiteral("Content-Length"), QStringLiteral("-3"));
    EXPECT_EQ(response.expectedContentLength(), -1);
}

} // namespace
