#include "AFHTTPClient.h"
#include "AFStreamingMultipartFormData.h"
#include "AFTestSupport.h"

#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace {

// Everything a body stream gives, read in pieces of the given size.
QByteArray readAll(InputStream& stream, int pieceSize = 4096)
{
    QByteArray all;
    QByteArray piece(pieceSize, '\0');
    stream.open();
    for (int guard = 0; guard < 100000; ++guard) {
        const qint64 count = stream.read(piece.data(), pieceSize);
        if (count < 0)
            return "ERROR: " + stream.streamError().localizedDescription().toUtf8();
        all.append(piece.constData(), count);
        if (stream.streamStatus() == StreamStatus::AtEnd)
            break;
    }
    return all;
}

class Multipart : public ::testing::Test {
protected:
    void SetUp() override
    {
        server.server().Post("/upload", [](const httplib::Request& request, httplib::Response& response) {
            std::string summary;
            for (const auto& [name, file] : request.files)
                summary += name + "|" + file.filename + "|" + file.content_type + "|" + file.content + "\n";
            response.set_content(summary, "text/plain");
        });
        server.server().Get("/ping", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("pong", "text/plain");
        });
        server.start();
        client = AFHTTPClient::clientWithBaseURL(server.url("/"));
    }

    URLRequest multipart(const AFHTTPClient::Parameters& parameters, const std::function<void(AFMultipartFormData&)>& block)
    {
        return client->multipartFormRequestWithMethod("POST", "upload", parameters, block);
    }

    // A file in the test's folder holding the bytes.
    QString fileWith(const QString& name, const QByteArray& contents)
    {
        const QString path = environment.root() + QLatin1Char('/') + name;
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(contents) == contents.size());
        return path;
    }

    std::shared_ptr<AFMultipartBodyStream> bodyOf(const URLRequest& request)
    {
        return std::dynamic_pointer_cast<AFMultipartBodyStream>(request.HTTPBodyStream);
    }

    TestEnvironment environment;
    TestHttpServer server;
    std::unique_ptr<AFHTTPClient> client;
};

TEST_F(Multipart, NothingAppendedLeavesTheRequestWithoutBodyOrMultipartHeaders)
{
    const URLRequest request = multipart(std::nullopt, [](AFMultipartFormData&) {});
    EXPECT_FALSE(request.HTTPBodyStream);
    EXPECT_FALSE(request.headers.contains("Content-Type"));
    EXPECT_FALSE(request.headers.contains("Content-Length"));
}

TEST_F(Multipart, OneFieldIsFramedByTheBoundaryWithExactLength)
{
    const URLRequest request = multipart(QVariantMap{{"a", 1}}, nullptr);
    const auto stream = bodyOf(request);
    ASSERT_TRUE(stream);
    const QByteArray boundary = stream->boundary();
    EXPECT_TRUE(boundary.startsWith("Boundary+"));
    EXPECT_NE(boundary, bodyOf(multipart(QVariantMap{{"a", 1}}, nullptr))->boundary()) << "each body has its own";
    const QByteArray expected = "--" + boundary + "\r\nContent-Disposition: form-data; name=\"a\"\r\n\r\n1\r\n--" + boundary + "--\r\n";
    EXPECT_EQ(expected.size(), 57 + boundary.size() * 2); // 109 bytes under a 26-character boundary
    EXPECT_EQ(readAll(*stream), expected);
    EXPECT_EQ(request.valueForHTTPHeaderField("Content-Length"), QString::number(expected.size()));
    EXPECT_EQ(request.valueForHTTPHeaderField("Content-Type"), "multipart/form-data; boundary=" + QString::fromLatin1(boundary));
}

TEST_F(Multipart, LaterPartsOpenWithALineEndAndOnlyTheLastCloses)
{
    const URLRequest request = multipart(QVariantMap{{"a", 1}, {"b", QVariant()}}, nullptr);
    const auto stream = bodyOf(request);
    const QByteArray body = readAll(*stream, 5); // pieces smaller than the boundary line
    const QByteArray boundary = stream->boundary();
    EXPECT_TRUE(body.contains("1\r\n--" + boundary + "\r\nContent-Disposition: form-data; name=\"b\"\r\n\r\n\r\n--"));
    EXPECT_EQ(body.count("--" + boundary + "--"), 1);
    EXPECT_TRUE(body.endsWith("--" + boundary + "--\r\n"));
    EXPECT_EQ(QString::number(body.size()), request.valueForHTTPHeaderField("Content-Length"));
}

TEST_F(Multipart, APacketCapEndsAReadAfterThePartReadThatReachesIt)
{
    const URLRequest request = multipart(QVariantMap{{"a", 1}, {"b", 2}}, [](AFMultipartFormData& form) {
        form.throttleBandwidthWithPacketSize(10, 0);
    });
    auto stream = bodyOf(request);
    stream->open();
    char buffer[100];
    const qint64 first = stream->read(buffer, sizeof buffer);
    EXPECT_GE(first, 10);
    EXPECT_LE(first, qint64(bodyOf(request)->contentLength()));
    EXPECT_LT(first, qint64(stream->contentLength())) << "the read stopped after one part";
}

TEST_F(Multipart, NamesAreEscapedAndUnknownExtensionsGetTheGenericType)
{
    const QString path = fileWith(QStringLiteral("take.zzunknown"), "tone");
    const URLRequest request = multipart(std::nullopt, [&](AFMultipartFormData& form) {
        Error error;
        EXPECT_TRUE(form.appendPartWithFileURL(QUrl::fromLocalFile(path), "a\"b\r\nX-Injected: 1", &error));
        EXPECT_FALSE(form.appendPartWithFileURL(QUrl("http://127.0.0.1/remote.txt"), "f", &error));
        EXPECT_EQ(error.code(), -1000);
        EXPECT_EQ(error.localizedFailureReason(), QStringLiteral("Expected URL to be a file URL"));
        EXPECT_FALSE(form.appendPartWithFileURL(QUrl::fromLocalFile(path + ".missing"), "f", &error));
        EXPECT_EQ(error.localizedFailureReason(), QStringLiteral("File URL not reachable."));
    });
    const QByteArray body = readAll(*bodyOf(request));
    EXPECT_TRUE(body.contains("name=\"a%22b%0D%0AX-Injected: 1\"; filename=\"take.zzunknown\""));
    EXPECT_TRUE(body.contains("Content-Type: application/octet-stream\r\n"));
    EXPECT_FALSE(body.contains("\r\nX-Injected"));
}

TEST_F(Multipart, UploadsFieldsFilesAndStreamsToTheServer)
{
    const QString path = fileWith(QStringLiteral("scale.txt"), "C D E F G A B");
    const URLRequest request = multipart(QVariantMap{{"level", 3}}, [&](AFMultipartFormData& form) {
        Error error;
        EXPECT_TRUE(form.appendPartWithFileURL(QUrl::fromLocalFile(path), "scale", &error));
        form.appendPartWithInputStream(std::make_shared<DataInputStream>("0123456789"), "take", "take.raw", 10,
                                       "application/octet-stream");
        form.appendPartWithFileData("{}", "meta", "meta.json", "application/json");
    });
    const auto outcome = load(std::make_shared<AFHTTPRequestOperation>(request));
    ASSERT_EQ(outcome->successes, 1) << outcome->error.description().toStdString();
    const QByteArray summary = outcome->object.toByteArray();
    EXPECT_TRUE(summary.contains("level|||3\n"));
    EXPECT_TRUE(summary.contains("scale|scale.txt|text/plain|C D E F G A B\n"));
    EXPECT_TRUE(summary.contains("take|take.raw|application/octet-stream|0123456789\n"));
    EXPECT_TRUE(summary.contains("meta|meta.json|application/json|{}\n"));
}

TEST_F(Multipart, AStreamPartMustGiveItsAnnouncedLength)
{
    const URLRequest longer = multipart(std::nullopt, [](AFMultipartFormData& form) {
        form.appendPartWithInputStream(std::make_shared<DataInputStream>("0123456789"), "take", "t.raw", 4, "text/plain");
    });
    const QByteArray cut = readAll(*bodyOf(longer));
    EXPECT_TRUE(cut.contains("\r\n\r\n0123\r\n--"));
    EXPECT_EQ(QString::number(cut.size()), longer.valueForHTTPHeaderField("Content-Length"));

    const URLRequest shorter = multipart(std::nullopt, [](AFMultipartFormData& form) {
        form.appendPartWithInputStream(std::make_shared<DataInputStream>("0123"), "take", "t.raw", 10, "text/plain");
    });
    EXPECT_TRUE(readAll(*bodyOf(multipart(std::nullopt, [](AFMultipartFormData& form) {
                    form.appendPartWithInputStream(std::make_shared<DataInputStream>("0123"), "take", "t.raw", 10, "text/plain");
                })))
                    .startsWith("ERROR: "));
    const auto outcome = load(std::make_shared<AFHTTPRequestOperation>(shorter));
    ASSERT_EQ(outcome->failures, 1) << "fails rather than waiting for bytes that never come";
    EXPECT_TRUE(outcome->error.localizedDescription().contains(QStringLiteral("ended after 4 of its announced 10 bytes")));
}

TEST_F(Multipart, AThrottledUploadDoesNotHoldUpTheNetworkThread)
{
    const URLRequest request = multipart(QVariantMap{{"a", QString(3000, QLatin1Char('x'))}}, [](AFMultipartFormData& form) {
        form.throttleBandwidthWithPacketSize(1000, 0.25);
    });
    auto upload = std::make_shared<AFHTTPRequestOperation>(request);
    auto uploaded = installOutcome(*upload);
    QElapsedTimer clock;
    clock.start();
    upload->start();
    QThread::msleep(50);
    const auto ping = load(operationFor(server.url("/ping")));
    const qint64 pingDone = clock.elapsed();
    ASSERT_TRUE(waitUntil([&] { return uploaded->done(); }));
    EXPECT_EQ(uploaded->successes, 1) << uploaded->error.description().toStdString();
    EXPECT_EQ(ping->successes, 1);
    EXPECT_LT(pingDone, clock.elapsed()) << "the other request finished while the upload was held back";
    EXPECT_GE(clock.elapsed(), 250) << "the packets were held back";
}

TEST_F(Multipart, ACopiedBodyStreamSendsTheSameBytesAgain)
{
    const URLRequest request = multipart(QVariantMap{{"a", 1}, {"b", 2}}, nullptr);
    const auto stream = bodyOf(request);
    const auto copy = stream->copy();
    EXPECT_EQ(readAll(*stream), readAll(*copy));
}

} // namespace
