#include "AFTestSupport.h"
#include "AFTypedRequestOperations.h"

#include "PropertyList.h"

#include <QBuffer>
#include <QImage>

#include <gtest/gtest.h>

namespace {

class TypedOperations : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto serve = [this](const std::string& path, const std::string& body, const std::string& type, int status = 200) {
            server.server().Get(path, [body, type, status](const httplib::Request&, httplib::Response& response) {
                response.status = status;
                response.set_content(body, type);
            });
        };
        serve("/data.json", R"({"notes":[60,64,67],"name":"C major"})", "application/json");
        serve("/empty.json", "", "application/json");
        serve("/space.json", " ", "application/json");
        serve("/broken.json", "{\"notes\": [60,", "application/json");
        serve("/binary.json", std::string("\xFF\xFE\x7B\x00\x7D\x80", 6), "application/json");
        serve("/rejected.json", R"({"reason":"no exam"})", "application/json", 403);
        serve("/page.json", "<html></html>", "text/html");
        serve("/list.plist", PropertyList::toXml(QVariantMap{{"tempo", 120}}).toStdString(), "application/x-plist");
        serve("/broken.plist", "<plist><dict><key>a</key>", "application/x-plist");
        serve("/doc.xml", "<exam><task id=\"1\"/></exam>", "text/xml");
        serve("/broken.xml", "<exam><task></exam>", "text/xml");
        QImage image(3, 2, QImage::Format_RGB32);
        image.fill(Qt::red);
        QByteArray png;
        QBuffer buffer(&png);
        image.save(&buffer, "PNG");
        serve("/dot.png", png.toStdString(), "image/png");
        serve("/fake.png", "not an image", "image/png");
        server.start();
    }

    template<typename Operation>
    std::shared_ptr<Outcome> run(const QString& path)
    {
        auto operation = std::make_shared<Operation>(URLRequest(server.url(path)));
        return load(operation);
    }

    TestEnvironment environment;
    TestHttpServer server;
};

TEST_F(TypedOperations, JSONParsesBodiesAndTreatsEmptyOrOneSpaceAsNoObject)
{
    const auto parsed = run<AFJSONRequestOperation>("/data.json");
    ASSERT_EQ(parsed->successes, 1);
    EXPECT_EQ(parsed->object.toMap().value("name").toString(), QStringLiteral("C major"));
    EXPECT_EQ(parsed->object.toMap().value("notes").toList().size(), 3);

    for (const char* path : {"/empty.json", "/space.json"}) {
        const auto nothing = run<AFJSONRequestOperation>(path);
        ASSERT_EQ(nothing->successes, 1) << path;
        EXPECT_FALSE(nothing->object.isValid());
    }
    const auto broken = run<AFJSONRequestOperation>("/broken.json");
    ASSERT_EQ(broken->failures, 1);
    EXPECT_EQ(broken->error.domain(), QStringLiteral("NSCocoaErrorDomain"));

    // Bytes that are no text at all are a decoding failure, not an empty success.
    const auto binary = run<AFJSONRequestOperation>("/binary.json");
    ASSERT_EQ(binary->failures, 1);
    EXPECT_EQ(binary->error.domain(), QStringLiteral("AFNetworkingErrorDomain"));
    EXPECT_EQ(binary->error.code(), -1016);
    EXPECT_EQ(binary->error.localizedDescription(), QStringLiteral("Operation responseData failed decoding as a UTF-8 string"));
}

TEST_F(TypedOperations, AFailedJSONResponseStillHandsItsBodyToTheFailureBlock)
{
    QVariant delivered;
    bool failed = false;
    auto operation = AFJSONRequestOperation::JSONRequestOperationWithRequest(
        URLRequest(server.url("/rejected.json")), nullptr,
        [&](const URLRequest&, const std::optional<URLResponse>& response, const Error& error, const QVariant& JSON) {
            failed = true;
            EXPECT_EQ(response->statusCode, 403);
            EXPECT_EQ(error.code(), -1011);
            delivered = JSON;
        });
    operation->start();
    ASSERT_TRUE(waitUntil([&] { return failed; }));
    EXPECT_EQ(delivered.toMap().value("reason").toString(), QStringLiteral("no exam"));
}

TEST_F(TypedOperations, ContentOfTheWrongTypeFailsBeforeParsing)
{
    const auto html = run<AFJSONRequestOperation>("/page.json");
    ASSERT_EQ(html->failures, 1);
    EXPECT_EQ(html->error.code(), -1016);
}

TEST_F(TypedOperations, RecognisesRequestsByExactExtensionOrAcceptHeader)
{
    EXPECT_TRUE(AFOperationClasses::canProcessRequest("AFJSONRequestOperation", URLRequest(QUrl("http://h/a.json"))));
    EXPECT_FALSE(AFOperationClasses::canProcessRequest("AFJSONRequestOperation", URLRequest(QUrl("http://h/a.JSON"))));
    URLRequest accepting(QUrl("http://h/a.JSON"));
    accepting.headers.set("Accept", "text/javascript;q=0.5");
    EXPECT_TRUE(AFOperationClasses::canProcessRequest("AFJSONRequestOperation", accepting));
    EXPECT_TRUE(AFOperationClasses::canProcessRequest("AFImageRequestOperation", URLRequest(QUrl("http://h/icon.cur"))));
    EXPECT_TRUE(AFHTTPRequestOperation::canProcessRequest(URLRequest(QUrl("http://h/anything"))));
    EXPECT_FALSE(AFOperationClasses::canProcessRequest("AFXMLRequestOperation", URLRequest(QUrl("http://h/anything"))));
}

TEST_F(TypedOperations, PropertyListsParseAndMalformedOnesFail)
{
    auto operation = std::make_shared<AFPropertyListRequestOperation>(URLRequest(server.url("/list.plist")));
    const auto parsed = load(operation);
    ASSERT_EQ(parsed->successes, 1);
    EXPECT_EQ(parsed->object.toMap().value("tempo").toInt(), 120);
    EXPECT_EQ(operation->propertyListFormat(), AFPropertyListRequestOperation::XMLFormat);

    QVariant delivered = QStringLiteral("untouched");
    bool failed = false;
    auto broken = AFPropertyListRequestOperation::propertyListRequestOperationWithRequest(
        URLRequest(server.url("/broken.plist")), nullptr,
        [&](const URLRequest&, const std::optional<URLResponse>&, const Error& error, const QVariant& list) {
            failed = !error.isNull();
            delivered = list;
        });
    broken->start();
    ASSERT_TRUE(waitUntil([&] { return failed; }));
    EXPECT_FALSE(delivered.isValid());
}

TEST_F(TypedOperations, XMLParseErrorsFailInsteadOfSucceedingWithNothing)
{
    bool documentFailed = false;
    auto document = AFXMLRequestOperation::XMLDocumentRequestOperationWithRequest(
        URLRequest(server.url("/broken.xml")), [](const auto&, const auto&, const QDomDocument&) { ADD_FAILURE(); },
        [&](const auto&, const auto&, const Error& error, const QDomDocument& parsed) {
            documentFailed = true;
            EXPECT_TRUE(parsed.isNull());
            EXPECT_TRUE(error.localizedFailureReason().contains(QStringLiteral("line")));
        });
    document->start();
    ASSERT_TRUE(waitUntil([&] { return documentFailed; }));

    const auto parser = run<AFXMLRequestOperation>("/broken.xml");
    EXPECT_EQ(parser->failures, 1);

    std::shared_ptr<QXmlStreamReader> reader;
    auto good = AFXMLRequestOperation::XMLParserRequestOperationWithRequest(
        URLRequest(server.url("/doc.xml")), [&](const auto&, const auto&, const std::shared_ptr<QXmlStreamReader>& parsed) { reader = parsed; },
        nullptr);
    good->start();
    ASSERT_TRUE(waitUntil([&] { return reader != nullptr; }));
    ASSERT_TRUE(reader->readNextStartElement());
    EXPECT_EQ(reader->name(), QStringLiteral("exam")) << "the parser starts at the beginning";
}

TEST_F(TypedOperations, ImagesDecodeOnTheProcessingQueueAndUndecodableOnesFail)
{
    QImage received;
    auto image = AFImageRequestOperation::imageRequestOperationWithRequest(
        URLRequest(server.url("/dot.png")), [](const QImage& decoded) { return decoded.scaled(6, 4); },
        [&](const auto&, const auto&, const QImage& decoded) { received = decoded; }, nullptr);
    image->start();
    ASSERT_TRUE(waitUntil([&] { return !received.isNull(); }));
    EXPECT_EQ(received.size(), QSize(6, 4));

    const auto fake = run<AFImageRequestOperation>("/fake.png");
    EXPECT_EQ(fake->failures, 1);
}

TEST_F(TypedOperations, ParsedAccessorsGiveNothingBeforeTheOperationFinished)
{
    AFJSONRequestOperation operation(URLRequest(server.url("/data.json")));
    EXPECT_FALSE(operation.responseJSON().isValid());
    EXPECT_TRUE(operation.JSONError().isNull());
}

} // namespace
