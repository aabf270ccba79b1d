#pragma once

#include "AFHTTPRequestOperation.h"

#include <QDomDocument>
#include <QImage>
#include <QXmlStreamReader>

// Typed response operations: each accepts its content types, recognises its requests by
// path extension (else by the "Accept" header), parses the body once, on a concurrent
// processing queue of its class, and hands the parsed object to the success block. A body
// that does not parse fails the operation.

using AFTypedFailure = std::function<void(const URLRequest&, const std::optional<URLResponse>&, const Error&, const QVariant&)>;

class AFJSONRequestOperation : public AFHTTPRequestOperation {
public:
    // Reading option: accept a top-level value that is neither an object nor an array.
    static constexpr int JSONReadingAllowFragments = 4;
    using JSONSuccess = std::function<void(const URLRequest&, const std::optional<URLResponse>&, const QVariant& JSON)>;

    using AFHTTPRequestOperation::AFHTTPRequestOperation;
    static std::shared_ptr<AFJSONRequestOperation> JSONRequestOperationWithRequest(const URLRequest& request,
                                                                                  JSONSuccess success,
                                                                                  AFTypedFailure failure);
    QString className() const override { return QStringLiteral("AFJSONRequestOperation"); }
    static AFOperationClasses::Description classDescription();

    // The JSON value of the body (maps, lists, strings, numbers, booleans, null); invalid
    // while unfinished, for an empty or one-space body, and after a parse error.
    QVariant responseJSON();
    Error JSONError() const;
    Error error() const override;
    int JSONReadingOptions() const;
    void setJSONReadingOptions(int options);
    void setCompletionBlockWithSuccess(Success success, Failure failure) override;

private:
    std::optional<QVariant> responseJSON_;
    Error JSONError_;
    int JSONReadingOptions_ = 0;
};

class AFPropertyListRequestOperation : public AFHTTPRequestOperation {
public:
    enum Format { XMLFormat = 100, BinaryFormat = 200 };
    using PropertyListSuccess =
        std::function<void(const URLRequest&, const std::optional<URLResponse>&, const QVariant& propertyList)>;

    using AFHTTPRequestOperation::AFHTTPRequestOperation;
    static std::shared_ptr<AFPropertyListRequestOperation> propertyListRequestOperationWithRequest(
        const URLRequest& request, PropertyListSuccess success, AFTypedFailure failure);
    QString className() const override { return QStringLiteral("AFPropertyListRequestOperation"); }
    static AFOperationClasses::Description classDescription();

    QVariant responsePropertyList();
    Error propertyListError() const;
    Error error() const override;
    std::optional<Format> propertyListFormat() const;
    void setCompletionBlockWithSuccess(Success success, Failure failure) override;

private:
    std::optional<QVariant> responsePropertyList_;
    Error propertyListError_;
    std::optional<Format> propertyListFormat_;
};

class AFXMLRequestOperation : public AFHTTPRequestOperation {
public:
    using XMLParserSuccess = std::function<void(const URLRequest&, const std::optional<URLResponse>&,
                                                const std::shared_ptr<QXmlStreamReader>& parser)>;
    using XMLParserFailure = std::function<void(const URLRequest&, const std::optional<URLResponse>&, const Error&,
                                                const std::shared_ptr<QXmlStreamReader>& parser)>;
    using XMLDocumentSuccess =
        std::function<void(const URLRequest&, const std::optional<URLResponse>&, const QDomDocument& document)>;
    using XMLDocumentFailure = std::function<void(const URLRequest&, const std::optional<URLResponse>&, const Error&,
                                                  const QDomDocument& document)>;

    using AFHTTPRequestOperation::AFHTTPRequestOperation;
    // The success block gets a fresh event-driven parser over a body known to be
    // well-formed; a malformed body goes to the failure block.
    static std::shared_ptr<AFXMLRequestOperation> XMLParserRequestOperationWithRequest(const URLRequest& request,
                                                                                      XMLParserSuccess success,
                                                                                      XMLParserFailure failure);
    static std::shared_ptr<AFXMLRequestOperation> XMLDocumentRequestOperationWithRequest(const URLRequest& request,
                                                                                        XMLDocumentSuccess success,
                                                                                        XMLDocumentFailure failure);
    QString className() const override { return QStringLiteral("AFXMLRequestOperation"); }
    static AFOperationClasses::Description classDescription();

    // An event-driven parser at the start of the body; nothing is parsed until it is run.
    std::shared_ptr<QXmlStreamReader> responseXMLParser();
    // The document tree; null when the body is not well-formed (XMLError tells why).
    QDomDocument responseXMLDocument();
    Error XMLError() const;
    Error error() const override;
    // Success receives the parser (as std::shared_ptr<QXmlStreamReader>).
    void setCompletionBlockWithSuccess(Success success, Failure failure) override;

private:
    // Checks the body is well-formed XML, keeping the error when it is not.
    bool checkWellFormed();

    std::shared_ptr<QXmlStreamReader> responseXMLParser_;
    std::optional<QDomDocument> responseXMLDocument_;
    Error XMLError_;
};

class AFImageRequestOperation : public AFHTTPRequestOperation {
public:
    using ImageProcessing = std::function<QImage(const QImage&)>;
    using ImageSuccess = std::function<void(const URLRequest&, const std::optional<URLResponse>&, const QImage&)>;
    using ImageFailure = std::function<void(const URLRequest&, const std::optional<URLResponse>&, const Error&)>;

    using AFHTTPRequestOperation::AFHTTPRequestOperation;
    static std::shared_ptr<AFImageRequestOperation> imageRequestOperationWithRequest(const URLRequest& request,
                                                                                    ImageProcessing imageProcessingBlock,
                                                                                    ImageSuccess success,
                                                                                    ImageFailure failure);
    static std::shared_ptr<AFImageRequestOperation> imageRequestOperationWithRequest(
        const URLRequest& request, std::function<void(const QImage&)> success);
    QString className() const override { return QStringLiteral("AFImageRequestOperation"); }
    static AFOperationClasses::Description classDescription();

    // The decoded image; null while unfinished or when the body is no image (error()
    // then tells so).
    QImage responseImage();
    Error error() const override;
    void setCompletionBlockWithSuccess(Success success, Failure failure) override;

private:
    std::optional<QImage> responseImage_;
    Error imageError_;
};
