// The exam client's diagnostic dumps of requests, responses and transfer errors. Secrets
// never reach them: the token, the password and authorization or cookie headers are
// blanked out wherever they would appear.
#include "ZTAPIController.h"

#include <QRegularExpression>
#include <QStringDecoder>

namespace {

const QString kRedacted = QStringLiteral("<redacted>");
constexpr qsizetype kMaxLoggedBodyCharacters = 4096;

bool isSecretHeader(const QByteArray& name)
{
    for (const char* secret : {"Authorization", "Proxy-Authorization", "Cookie", "Set-Cookie"})
        if (name.compare(secret, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

// Keeps the scheme of an authorization value ("Bearer") and blanks what follows.
QString blankedHeaderValue(const QByteArray& value)
{
    const qsizetype space = value.indexOf(' ');
    return space < 0 ? kRedacted : QString::fromLatin1(value.left(space + 1)) + kRedacted;
}

QString headerBlock(const ZTHeaderList& headers)
{
    if (headers.isEmpty())
        return {};
    QString block = QStringLiteral("Headerfields:\n");
    for (const auto& [name, value] : headers)
        block += QStringLiteral("\tKey: %1\t\t\tValue: %2\n")
                     .arg(QString::fromLatin1(name),
                          isSecretHeader(name) ? blankedHeaderValue(value) : QString::fromLatin1(value));
    return block;
}

// The body as text, or nothing when it is not UTF-8.
std::optional<QString> utf8Text(const QByteArray& body)
{
    QStringDecoder decoder(QStringDecoder::Utf8);
    QString text = decoder(body);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

} // namespace

QString ZTAPIController::redacted(const QString& text) const
{
    static const QRegularExpression secretFields(
        QStringLiteral(R"re(("(?:access_token|refresh_token|id_token|client_secret|password)"\s*:\s*)"(?:[^"\\]|\\.)*")re"));
    QString result = text;
    result.replace(secretFields, QStringLiteral("\\1\"") + kRedacted + QStringLiteral("\""));
    if (const QString token = currentAccessToken(); !token.isEmpty())
        result.replace(token, kRedacted);
    return result;
}

QString ZTAPIController::loggedBody(const QByteArray& body) const
{
    // Redacted whole before it is cut, so no secret is cut in half and missed.
    const QString shown = redacted(QString::fromUtf8(body));
    if (shown.size() <= kMaxLoggedBodyCharacters)
        return shown;
    return shown.left(kMaxLoggedBodyCharacters) + QStringLiteral(" … (%1 bytes)").arg(body.size());
}

QString ZTAPIController::debugInfoForRequest(const ZTExamRequest& request) const
{
    QString dump = QStringLiteral("\n\n------------ Start of Request ------------\n\n");
    dump += QStringLiteral("URL:\t\t\t%1\n").arg(request.url.toString());
    dump += QStringLiteral("Method:\t\t\t%1\n").arg(QString::fromLatin1(request.method));
    dump += headerBlock(request.headers);
    if (utf8Text(request.body))
        dump += QStringLiteral("Body:\t\t\t%1\n").arg(loggedBody(request.body));
    return dump + QStringLiteral("\n\n------------ End of Request ------------\n\n");
}

QString ZTAPIController::debugHttpResponse(const ZTExamReply& reply) const
{
    QString dump = QStringLiteral("\n\n------------ Start of HTTPResponse ------------\n\n");
    dump += QStringLiteral("URL:\t\t\t%1\n").arg(reply.url.toString());
    dump += QStringLiteral("StatusCode:\t\t\t%1\n").arg(reply.statusCode);
    dump += QStringLiteral("MIMEType:\t\t\t%1\n").arg(reply.mimeType);
    dump += QStringLiteral("textEncodingName:\t\t\t%1\n").arg(reply.textEncodingName);
    dump += headerBlock(reply.headers);
    if (utf8Text(reply.body))
        dump += QStringLiteral("responseString:\n\t\t\t\t\t%1\n").arg(loggedBody(reply.body));
    else
        dump += QStringLiteral("responseData:\t\t\t%1\n").arg(reply.body.size());
    return dump + QStringLiteral("\n\n------------ End of HTTPResponse ------------\n\n");
}

QString ZTAPIController::debugError(const ZTExamReply& reply) const
{
    return QStringLiteral("\n\n------------ Start of Error ------------\n\n")
           + QStringLiteral("localizedDescription:\t\t\t%1\n").arg(redacted(reply.transferError))
           + QStringLiteral("\n\n------------ End of Error ------------\n\n");
}
