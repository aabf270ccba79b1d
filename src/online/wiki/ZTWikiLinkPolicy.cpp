#include "ZTWikiLinkPolicy.h"

#include "ZTWikiInfoPages.h"

namespace {

// A sound file itself, not its description page (whose path names it after "File:").
bool isSoundFile(const QUrl& url, const QString& text, const QString& extension)
{
    return text.endsWith(extension, Qt::CaseInsensitive) && !url.path().contains(QLatin1Char(':'));
}

} // namespace

ZTWikiLinkPolicy::Decision ZTWikiLinkPolicy::decide(const QUrl& url, bool isLinkClick, const ZTWikiSettings& settings)
{
    const QString text = url.toString(QUrl::FullyEncoded);
    if (text.endsWith(ZTWikiInfoPages::kReloadMarker))
        return Decision::Reload;
    const QString search = settings.searchAddress();
    if (text.startsWith(search) && (text.size() == search.size() || text.at(search.size()) == QLatin1Char('/')))
        return Decision::OpenInBrowser;
    if (text.endsWith(ZTWikiInfoPages::kOpenInBrowserMarker))
        return Decision::OpenArticleInBrowser;
    if (!isLinkClick)
        return Decision::Use;
    if (isSoundFile(url, text, QStringLiteral(".mid")))
        return Decision::PlayMidi;
    if (isSoundFile(url, text, QStringLiteral(".ogg")))
        return Decision::PlayOgg;
    if (settings.isEncyclopediaAddress(url))
        return Decision::UseWithoutJavaScript;
    return Decision::OpenInBrowser;
}
