#include "AFTypedRequestOperations.h"

#include "PropertyList.h"
#include "URLError.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

const QString CocoaErrorDomain = QStringLiteral("NSCocoaErrorDomain");
constexpr qint64 ParseErrorCode = 3840;

Error parseError(const QString& what, const QString& reason)
{
    return Error(CocoaErrorDomain, ParseErrorCode,
                 {{Error::LocalizedDescriptionKey, QStringLiteral("The data couldn't be read as %1.").arg(what)},
                  {Error::LocalizedFailureReasonKey, reason}});
}

// The parts shared by the four classes' descriptions.
template<typename Operation>
AFOperationClasses::Description typedDescription(const QString& name, const QSet<QString>& contentTypes,
                                                 const QSet<QString>& extensions)
{
    AFOperationClasses::Description description;
    description.name = name;
    description.superclass = QStringLiteral("AFHTTPRequestOperation");
    description.make = [](const URLRequest& request) { return std::make_shared<Operation>(request); };
    description.canProcessRequest = [name, extensions](const URLRequest& request) {
        return AFHTTPRequestOperation::hasPathExtension(request, extensions)
            || AFHTTPRequestOperation::canProcessRequestByAcceptHeader(name, request);
    };
    description.acceptableContentTypes = std::optional<QSet<QString>>(contentTypes);
    return description;
}

std::shared_ptr<DispatchQueue> processingQueue(const char* label)
{
    return DispatchQueue::concurrent(QString::fromLatin1(label));
}

// Adapts the typed blocks (request, response, object) to the operation's blocks.
template<typename Operation, typename TypedSuccess>
AFHTTPRequestOperation::Success adaptSuccess(TypedSuccess success)
{
    if (!success)
        return nullptr;
    return [success](const std::shared_ptr<AFHTTPRequestOperation>& operation, const QVariant& object) {
        success(operation->request(), operation->response(), object);
    };
}

} // namespace

// JSON

AFOperationClasses::Description AFJSONRequestOperation::classDescription()
{
    return typedDescription<AFJSONRequestOperation>(
        QStringLiteral("AFJSONRequestOperation"),
        {QStringLiteral("application/json"), QStringLiteral("text/json"), QStringLiteral("text/javascript")},
        {QStringLiteral("json")});
}

std::shared_ptr<AFJSONRequestOperation> AFJSONRequestOperation::JSONRequestOperationWithRequest(
    const URLRequest& request, JSONSuccess success, AFTypedFailure failure)
{
    auto operation = std::make_shared<AFJSONRequestOperation>(request);
    operation->setCompletionBlockWithSuccess(
        adaptSuccess<AFJSONRequestOperation>(std::move(success)),
        failure ? Failure([failure](const std::shared_ptr<AFHTTPRequestOperation>& self, const Error& error) {
            failure(self->request(), self->response(), error,
                    std::static_pointer_cast<AFJSONRequestOperation>(self)->responseJSON());
        })
                : nullptr);
    return operation;
}

QVariant AFJSONRequestOperation::responseJSON()
{
    std::lock_guard guard(lock());
    if (!responseJSON_ && JSONError_.isNull() && isFinished() && !responseData().isEmpty()) {
        const QString text = responseString();
        if (text.isNull()) {
            // Bytes that are not text in their encoding are a failure, never "no object".
            JSONError_ = Error(AFNetworkingErrorDomain, URLError::CannotDecodeContentData,
                               {{Error::LocalizedDescriptionKey,
                                 QStringLiteral("Operation responseData failed decoding as a %1 string")
                                     .arg(QString::fromLatin1(responseStringEncoding()))},
                                {Error::LocalizedFailureReasonKey,
                                 QStringLiteral("Could not decode string: %1 bytes").arg(responseData().size())}});
            return {};
        }
        if (text == QLatin1String(" "))
            return {};
        const bool fragment = JSONReadingOptions_ & JSONReadingAllowFragments;
        QJsonParseError error;
        const QJsonDocument document =
            QJsonDocument::fromJson(fragment ? "[" + text.toUtf8() + "]" : text.toUtf8(), &error);
        if (error.error != QJsonParseError::NoError)
            JSONError_ = parseError(QStringLiteral("JSON"),
                                    QStringLiteral("%1 at offset %2").arg(error.errorString()).arg(error.offset));
        else
            responseJSON_ = fragment ? document.array().first().toVariant() : document.toVariant();
    }
    return responseJSON_.value_or(QVariant());
}

Error AFJSONRequestOperation::JSONError() const
{
    std::lock_guard guard(lock());
    return JSONError_;
}

Error AFJSONRequestOperation::error() const
{
    const Error parse = JSONError();
    return parse.isNull() ? AFHTTPRequestOperation::error() : parse;
}

int AFJSONRequestOperation::JSONReadingOptions() const
{
    std::lock_guard guard(lock());
    return JSONReadingOptions_;
}

void AFJSONRequestOperation::setJSONReadingOptions(int options)
{
    std::lock_guard guard(lock());
    JSONReadingOptions_ = options;
}

void AFJSONRequestOperation::setCompletionBlockWithSuccess(Success success, Failure failure)
{
    static const auto queue = processingQueue("com.alamofire.networking.json-request.processing");
    setCompletionBlockParsing(
        queue, [](AFHTTPRequestOperation& self) { return static_cast<AFJSONRequestOperation&>(self).responseJSON(); },
        std::move(success), std::move(failure));
}

// Property lists

AFOperationClasses::Description AFPropertyListRequestOperation::classDescription()
{
    return typedDescription<AFPropertyListRequestOperation>(QStringLiteral("AFPropertyListRequestOperation"),
                                                            {QStringLiteral("application/x-plist")},
                                                            {QStringLiteral("plist")});
}

std::shared_ptr<AFPropertyListRequestOperation> AFPropertyListRequestOperation::propertyListRequestOperationWithRequest(
    const URLRequest& request, PropertyListSuccess success, AFTypedFailure failure)
{
    auto operation = std::make_shared<AFPropertyListRequestOperation>(request);
    operation->setCompletionBlockWithSuccess(
        adaptSuccess<AFPropertyListRequestOperation>(std::move(success)),
        failure ? Failure([failure](const std::shared_ptr<AFHTTPRequestOperation>& self, const Error& error) {
            failure(self->request(), self->response(), error,
                    std::static_pointer_cast<AFPropertyListRequestOperation>(self)->responsePropertyList());
        })
                : nullptr);
    return operation;
}

QVariant AFPropertyListRequestOperation::responsePropertyList()
{
    std::lock_guard guard(lock());
    if (!responsePropertyList_ && isFinished() && !responseData().isEmpty()) {
        const QByteArray data = responseData();
        QString reason;
        if (auto value = PropertyList::fromData(data, &reason)) {
            responsePropertyList_ = *value;
            propertyListFormat_ = data.startsWith("bplist") ? BinaryFormat : XMLFormat;
            propertyListError_ = Error();
        } else {
            propertyListError_ = parseError(QStringLiteral("a property list"), reason);
        }
    }
    return responsePropertyList_.value_or(QVariant());
}

Error AFPropertyListRequestOperation::propertyListError() const
{
    std::lock_guard guard(lock());
    return propertyListError_;
}

Error AFPropertyListRequestOperation::error() const
{
    const Error parse = propertyListError();
    return parse.isNull() ? AFHTTPRequestOperation::error() : parse;
}

std::optional<AFPropertyListRequestOperation::Format> AFPropertyListRequestOperation::propertyListFormat() const
{
    std::lock_guard guard(lock());
    return propertyListFormat_;
}

void AFPropertyListRequestOperation::setCompletionBlockWithSuccess(Success success, Failure failure)
{
    static const auto queue = processingQueue("com.alamofire.networking.property-list-request.processing");
    setCompletionBlockParsing(
        queue,
        [](AFHTTPRequestOperation& self) {
            return static_cast<AFPropertyListRequestOperation&>(self).responsePropertyList();
        },
        std::move(success), std::move(failure));
}

// XML

AFOperationClasses::Description AFXMLRequestOperation::classDescription()
{
    return typedDescription<AFXMLRequestOperation>(QStringLiteral("AFXMLRequestOperation"),
                                                   {QStringLiteral("application/xml"), QStringLiteral("text/xml")},
                                                   {QStringLiteral("xml")});
}

std::shared_ptr<AFXMLRequestOperation> AFXMLRequestOperation::XMLParserRequestOperationWithRequest(
    const URLRequest& request, XMLParserSuccess success, XMLParserFailure failure)
{
    auto operation = std::make_shared<AFXMLRequestOperation>(request);
    operation->setCompletionBlockWithSuccess(
        success ? Success([success](const std::shared_ptr<AFHTTPRequestOperation>& self, const QVariant& parser) {
            success(self->request(), self->response(), parser.value<std::shared_ptr<QXmlStreamReader>>());
        })
                : nullptr,
        failure ? Failure([failure](const std::shared_ptr<AFHTTPRequestOperation>& self, const Error& error) {
            failure(self->request(), self->response(), error,
                    std::static_pointer_cast<AFXMLRequestOperation>(self)->responseXMLParser());
        })
                : nullptr);
    return operation;
}

std::shared_ptr<AFXMLRequestOperation> AFXMLRequestOperation::XMLDocumentRequestOperationWithRequest(
    const URLRequest& request, XMLDocumentSuccess success, XMLDocumentFailure failure)
{
    auto operation = std::make_shared<AFXMLRequestOperation>(request);
    static const auto queue = processingQueue("com.alamofire.networking.xml-request.processing");
    operation->setCompletionBlockParsing(
        queue,
        [](AFHTTPRequestOperation& self) {
            return QVariant::fromValue(static_cast<AFXMLRequestOperation&>(self).responseXMLDocument());
        },
        success ? Success([success](const std::shared_ptr<AFHTTPRequestOperation>& self, const QVariant& document) {
            success(self->request(), self->response(), document.value<QDomDocument>());
        })
                : nullptr,
        failure ? Failure([failure](const std::shared_ptr<AFHTTPRequestOperation>& self, const Error& error) {
            failure(self->request(), self->response(), error,
                    std::static_pointer_cast<AFXMLRequestOperation>(self)->responseXMLDocument());
        })
                : nullptr);
    return operation;
}

std::shared_ptr<QXmlStreamReader> AFXMLRequestOperation::responseXMLParser()
{
    std::lock_guard guard(lock());
    if (!responseXMLParser_ && isFinished() && !responseData().isEmpty())
        responseXMLParser_ = std::make_shared<QXmlStreamReader>(responseData());
    return responseXMLParser_;
}

bool AFXMLRequestOperation::checkWellFormed()
{
    std::lock_guard guard(lock());
    if (!XMLError_.isNull())
        return false;
    QXmlStreamReader reader(responseData());
    while (!reader.atEnd())
        reader.readNext();
    if (reader.hasError())
        XMLError_ = parseError(QStringLiteral("XML"), QStringLiteral("%1 (line %2, column %3)")
                                                          .arg(reader.errorString())
                                                          .arg(reader.lineNumber())
                                                          .arg(reader.columnNumber()));
    return XMLError_.isNull();
}

QDomDocument AFXMLRequestOperation::responseXMLDocument()
{
    std::lock_guard guard(lock());
    if (!responseXMLDocument_ && isFinished() && !responseData().isEmpty()) {
        QDomDocument document;
        QString message;
        int line = 0;
        int column = 0;
        if (document.setContent(responseData(), &message, &line, &column)) {
            responseXMLDocument_ = document;
            XMLError_ = Error();
        } else {
            XMLError_ = parseError(QStringLiteral("XML"), QStringLiteral("%1 (line %2, column %3)").arg(message).arg(line).arg(column));
        }
    }
    return responseXMLDocument_.value_or(QDomDocument());
}

Error AFXMLRequestOperation::XMLError() const
{
    std::lock_guard guard(lock());
    return XMLError_;
}

Error AFXMLRequestOperation::error() const
{
    const Error parse = XMLError();
    return parse.isNull() ? AFHTTPRequestOperation::error() : parse;
}

void AFXMLRequestOperation::setCompletionBlockWithSuccess(Success success, Failure failure)
{
    static const auto queue = processingQueue("com.alamofire.networking.xml-request.processing");
    setCompletionBlockParsing(
        queue,
        [](AFHTTPRequestOperation& self) {
            auto& operation = static_cast<AFXMLRequestOperation&>(self);
            return operation.checkWellFormed() ? QVariant::fromValue(operation.responseXMLParser()) : QVariant();
        },
        std::move(success), std::move(failure));
}

// Images

AFOperationClasses::Description AFImageRequestOperation::classDescription()
{
    return typedDescription<AFImageRequestOperation>(
        QStringLiteral("AFImageRequestOperation"),
        {QStringLiteral("image/tiff"), QStringLiteral("image/jpeg"), QStringLiteral("image/gif"), QStringLiteral("image/png"),
         QStringLiteral("image/ico"), QStringLiteral("image/x-icon"), QStringLiteral("image/bmp"), QStringLiteral("image/x-bmp"),
         QStringLiteral("image/x-xbitmap"), QStringLiteral("image/x-win-bitmap")},
        {QStringLiteral("tif"), QStringLiteral("tiff"), QStringLiteral("jpg"), QStringLiteral("jpeg"), QStringLiteral("gif"),
         QStringLiteral("png"), QStringLiteral("ico"), QStringLiteral("bmp"), QStringLiteral("cur")});
}

std::shared_ptr<AFImageRequestOperation> AFImageRequestOperation::imageRequestOperationWithRequest(
    const URLRequest& request, ImageProcessing imageProcessingBlock, ImageSuccess success, ImageFailure failure)
{
    auto operation = std::make_shared<AFImageRequestOperation>(request);
    static const auto queue = processingQueue("com.alamofire.networking.image-request.processing");
    operation->setCompletionBlockParsing(
        queue,
        [imageProcessingBlock](AFHTTPRequestOperation& self) {
            const QImage image = static_cast<AFImageRequestOperation&>(self).responseImage();
            return QVariant(imageProcessingBlock && !image.isNull() ? imageProcessingBlock(image) : image);
        },
        success ? Success([success](const std::shared_ptr<AFHTTPRequestOperation>& self, const QVariant& image) {
            success(self->request(), self->response(), image.value<QImage>());
        })
                : nullptr,
        failure ? Failure([failure](const std::shared_ptr<AFHTTPRequestOperation>& self, const Error& error) {
            failure(self->request(), self->response(), error);
        })
                : nullptr);
    return operation;
}

std::shared_ptr<AFImageRequestOperation> AFImageRequestOperation::imageRequestOperationWithRequest(
    const URLRequest& request, std::function<void(const QImage&)> success)
{
    return imageRequestOperationWithRequest(
        request, nullptr,
        success ? ImageSuccess([success](const URLRequest&, const std::optional<URLResponse>&, const QImage& image) {
            success(image);
        })
                : nullptr,
        nullptr);
}

QImage AFImageRequestOperation::responseImage()
{
    std::lock_guard guard(lock());
    if (!responseImage_ && isFinished() && !responseData().isEmpty()) {
        QImage image = QImage::fromData(responseData());
        if (image.isNull())
            imageError_ = Error(AFNetworkingErrorDomain, -1016,
                                {{Error::LocalizedDescriptionKey, QStringLiteral("The response is not an image that can be decoded.")}});
        else
            responseImage_ = image;
    }
    return responseImage_.value_or(QImage());
}

Error AFImageRequestOperation::error() const
{
    std::lock_guard guard(lock());
    return imageError_.isNull() ? AFHTTPRequestOperation::error() : imageError_;
}

void AFImageRequestOperation::setCompletionBlockWithSuccess(Success success, Failure failure)
{
    static const auto queue = processingQueue("com.alamofire.networking.image-request.processing");
    setCompletionBlockParsing(
        queue, [](AFHTTPRequestOperation& self) { return QVariant(static_cast<AFImageRequestOperation&>(self).responseImage()); },
        std::move(success), std::move(failure));
}
