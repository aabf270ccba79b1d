#include "URLError.h"

Error URLError::make(qint64 code, const QUrl& failingURL, const QString& description)
{
    QVariantMap userInfo;
    if (!failingURL.isEmpty())
        userInfo.insert(FailingURLKey, failingURL);
    if (!description.isEmpty())
        userInfo.insert(Error::LocalizedDescriptionKey, description);
    return Error(Domain, code, userInfo);
}
