#include "ZTWikiInfoPages.h"

#include "Localization.h"
#include "Log.h"
#include "Paths.h"
#include "WebAddress.h"
#include "ZTStringFormat.h"
#include "ZTWikiSettings.h"

#include <QFile>
#include <QUrl>

namespace {

// A template larger than this is not ours.
constexpr qint64 kMaxTemplateSize = 256 * 1024;

QString button(const QString& label, const QString& address)
{
    const QString handler = QStringLiteral("window.location=") + ZTWikiInfoPages::javaScriptString(address);
    return QStringLiteral("<button onclick=\"%1\">%2</button>")
        .arg(ZTWikiInfoPages::htmlEscaped(handler), ZTWikiInfoPages::htmlEscaped(label));
}

} // namespace

QString ZTWikiInfoPages::infoPage(const QString& title, const QString& textHTML, const QString& buttonsHTML)
{
    QFile file(Paths::resource(QStringLiteral("info.html")));
    if (file.size() > kMaxTemplateSize || !file.open(QIODevice::ReadOnly)) {
        Log::line(QStringLiteral("Could not read the page template info.html."));
        return QString();
    }
    QString page = QString::fromUtf8(file.read(kMaxTemplateSize));
    page.replace(QStringLiteral("<!--TITLE-->"), title);
    page.replace(QStringLiteral("<!--TEXT-->"), textHTML);
    page.replace(QStringLiteral("<!--BUTTONS-->"), buttonsHTML);
    return page;
}

QString ZTWikiInfoPages::offlinePage()
{
    const QString buttons = button(localized(QStringLiteral("Try again")), kReloadMarker)
                          + button(localized(QStringLiteral("Open in Browser")), kOpenInBrowserMarker);
    return infoPage(htmlEscaped(localized(QStringLiteral("You are not connected to the Internet!"))),
                    htmlEscaped(localized(QStringLiteral(
                        "The requested Wikipedia page can't be displayed because your computer is currently offline."))),
                    buttons);
}

QStringList ZTWikiInfoPages::articleAddresses(const QString& exerciseName)
{
    QStringList candidates{localized(QStringLiteral("WIKI_") + exerciseName)};
    const QString alternativesKey = QStringLiteral("WIKI_%1_AlternativeWikiPages").arg(exerciseName);
    const QString alternatives = localized(alternativesKey);
    if (alternatives != alternativesKey)
        candidates << alternatives.split(QLatin1Char(','));
    QStringList addresses;
    for (const QString& candidate : candidates) {
        const QString address = candidate.trimmed();
        if (isWebAddress(QUrl(address, QUrl::StrictMode)))
            addresses << address;
    }
    return addresses;
}

QString ZTWikiInfoPages::notFoundPage(const QString& subject, const QString& exerciseName)
{
    QString list = QStringLiteral("<ul>");
    for (const QString& address : articleAddresses(exerciseName)) {
        Log::line(QStringLiteral("aURL:%1").arg(address));
        list += QStringLiteral("<li><a href=\"%1\">%1</a></li>").arg(htmlEscaped(address));
    }
    list += QStringLiteral("</ul>");
    const QString title =
        ZTStringFormat::fill(localized(QStringLiteral("No article about '%@' was found in Wikipedia!")), {subject});
    const QString text = htmlEscaped(localized(QStringLiteral("The following Wikipedia articles may be interesting for you:")));
    const QString label = ZTStringFormat::fill(localized(QStringLiteral("Search the internet for '%@'")), {subject});
    return infoPage(htmlEscaped(title), text + list, button(label, searchAddress(subject)));
}

QString ZTWikiInfoPages::searchAddress(const QString& subject)
{
    return ZTStringFormat::fill(QStringLiteral("%@/search?client=safari&rls=en&q=%22%@%22&ie=UTF-8&oe=UTF-8"),
                                {ZTWikiSettings::current().searchAddress(), _urlEncode(subject)});
}

QString ZTWikiInfoPages::_urlEncode(const QString& string)
{
    // Besides letters, digits and "-._~", a URL fragment may hold these as they are.
    static const QByteArray fragmentAllowed = QByteArrayLiteral("!$'()*,/:;=?@");
    QString marked = string;
    marked.replace(QLatin1Char('+'), QStringLiteral("___NSSTRING__PLUS___"));
    marked.replace(QLatin1Char('&'), QStringLiteral("___NSSTRING__AND___"));
    QString encoded = QString::fromLatin1(QUrl::toPercentEncoding(marked, fragmentAllowed));
    encoded.replace(QStringLiteral("___NSSTRING__PLUS___"), QStringLiteral("%2B"));
    encoded.replace(QStringLiteral("___NSSTRING__AND___"), QStringLiteral("%26"));
    return encoded;
}

QString ZTWikiInfoPages::htmlEscaped(const QString& text)
{
    QString escaped = text.toHtmlEscaped();
    escaped.replace(QLatin1Char('\''), QStringLiteral("&#39;"));
    return escaped;
}

QString ZTWikiInfoPages::javaScriptString(const QString& text)
{
    QString literal = QStringLiteral("'");
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\': literal += QStringLiteral("\\\\"); break;
        case '\'': literal += QStringLiteral("\\'"); break;
        case '"': literal += QStringLiteral("\\x22"); break;
        case '<': literal += QStringLiteral("\\x3C"); break;
        case '>': literal += QStringLiteral("\\x3E"); break;
        case '&': literal += QStringLiteral("\\x26"); break;
        case '\n': literal += QStringLiteral("\\n"); break;
        case '\r': literal += QStringLiteral("\\r"); break;
        case 0x2028: literal += QStringLiteral("\\u2028"); break;
        case 0x2029: literal += QStringLiteral("\\u2029"); break;
        default:
            if (c.unicode() < 0x20)
                literal += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            else
                literal += c;
        }
    }
    return literal + QLatin1Char('\'');
}
