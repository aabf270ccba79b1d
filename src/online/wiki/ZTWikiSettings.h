#pragma once

#include <QString>
#include <QUrl>

// Where the encyclopedia and the web search live. Settable, so that tests serve pages from
// 127.0.0.1.
struct ZTWikiSettings {
    // The host whose reachability decides between the live article and the offline page.
    QString encyclopediaHost = QStringLiteral("en.wikipedia.org");
    // Links to this domain or below it open in the pane; other links go to the browser.
    QString encyclopediaDomain = QStringLiteral("wikipedia.org");
    // The web search engine that the not-found page offers.
    QString searchHost = QStringLiteral("www.google.com");

    static const ZTWikiSettings& current();
    static void setCurrent(const ZTWikiSettings& settings);

    // Whether the address's host is the encyclopedia's domain or lies below it.
    bool isEncyclopediaAddress(const QUrl& url) const;
    // "https://<search host>".
    QString searchAddress() const;
};
