#pragma once

#include "Error.h"

#include <QUrl>

// The URL-loading error domain and the codes this layer reports in it.
namespace URLError {

inline const QString Domain = QStringLiteral("NSURLErrorDomain");
// User-info key of the URL whose load failed.
inline const QString FailingURLKey = QStringLiteral("NSErrorFailingURLKey");

enum Code : qint64 {
    Unknown = -1,
    Cancelled = -999,
    BadURL = -1000,
    TimedOut = -1001,
    UnsupportedURL = -1002,
    CannotFindHost = -1003,
    CannotConnectToHost = -1004,
    NetworkConnectionLost = -1005,
    HTTPTooManyRedirects = -1007,
    NotConnectedToInternet = -1009,
    BadServerResponse = -1011,
    UserCancelledAuthentication = -1012,
    UserAuthenticationRequired = -1013,
    CannotDecodeContentData = -1016,
    RequestBodyStreamExhausted = -1021,
    InsecureRedirect = -1022,
    DataLengthExceedsMaximum = -1103,
    SecureConnectionFailed = -1200,
    ServerCertificateUntrusted = -1202,
};

// An error of the domain with the failing URL (left out when the URL is empty).
Error make(qint64 code, const QUrl& failingURL, const QString& description = {});

} // namespace URLError
