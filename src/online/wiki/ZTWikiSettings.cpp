#include "ZTWikiSettings.h"

namespace {

ZTWikiSettings& installed()
{
    static ZTWikiSettings settings;
    return settings;
}

} // namespace

const ZTWikiSettings& ZTWikiSettings::current()
{
    return installed();
}

void ZTWikiSettings::setCurrent(const ZTWikiSettings& settings)
{
    installed() = settings;
}

bool ZTWikiSettings::isEncyclopediaAddress(const QUrl& url) const
{
    // By host, never by substring: "wikipedia.org.example.net" and "example.net/?wikipedia.org"
    // are not the encyclopedia.
    const QString host = url.host().toLower();
    const QString domain = encyclopediaDomain.toLower();
    if (host.isEmpty() || domain.isEmpty())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        return false;
    return host == domain || host.endsWith(QLatin1Char('.') + domain);
}

QString ZTWikiSettings::searchAddress() const
{
    return QStringLiteral("https://") + searchHost;
}
