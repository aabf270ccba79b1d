#include "Error.h"

const QString Error::LocalizedDescriptionKey = QStringLiteral("NSLocalizedDescription");
const QString Error::LocalizedFailureReasonKey = QStringLiteral("NSLocalizedFailureReason");
const QString Error::LocalizedRecoverySuggestionKey = QStringLiteral("NSLocalizedRecoverySuggestion");

Error::Error(QString domain, qint64 code, QVariantMap userInfo)
    : domain_(std::move(domain))
    , code_(code)
    , userInfo_(std::move(userInfo))
{
}

QString Error::localizedDescription() const
{
    const QString text = userInfo_.value(LocalizedDescriptionKey).toString();
    if (!text.isEmpty())
        return text;
    return QStringLiteral("The operation couldn't be completed. (%1 error %2.)").arg(domain_).arg(code_);
}

QString Error::localizedFailureReason() const
{
    return userInfo_.value(LocalizedFailureReasonKey).toString();
}

QString Error::localizedRecoverySuggestion() const
{
    return userInfo_.value(LocalizedRecoverySuggestionKey).toString();
}

QString Error::description() const
{
    return QStringLiteral("Error Domain=%1 Code=%2 \"%3\"").arg(domain_).arg(code_).arg(localizedDescription());
}
