#pragma once

#include "ZTWikiSettings.h"

#include <QUrl>

// What the visible pane does with a navigation it is asked to make.
class ZTWikiLinkPolicy {
public:
    enum class Decision {
        Use,                  // let the page load
        UseWithoutJavaScript, // an encyclopedia article: load it with scripts off
        Reload,               // the offline page's "Try again"
        OpenArticleInBrowser, // the offline page's "Open in Browser"
        OpenInBrowser,        // a foreign link or the web search
        PlayMidi,
        PlayOgg,
    };

    static Decision decide(const QUrl& url, bool isLinkClick, const ZTWikiSettings& settings);
};
