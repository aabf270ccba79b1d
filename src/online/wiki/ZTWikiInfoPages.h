#pragma once

#include <QString>
#include <QStringList>

// The pane's own pages, made from the bundle's template "info.html": the offline page and the
// page for a question without an article. Every text from outside (item names, addresses from
// the string table) is escaped for the place where it stands.
class ZTWikiInfoPages {
public:
    // The offline page's buttons lead to addresses ending in these markers, which the pane's
    // link policy catches.
    static inline const QString kReloadMarker = QStringLiteral("__ZTRELOAD__");
    static inline const QString kOpenInBrowserMarker = QStringLiteral("__ZTOPEN_IN_BROWSER__");

    // The template with its markers filled (in the order title, text, buttons); empty when the
    // template cannot be read.
    static QString infoPage(const QString& title, const QString& textHTML, const QString& buttonsHTML);
    static QString offlinePage();
    // About `subject` (a question's name): the exercise's articles and a web-search button.
    static QString notFoundPage(const QString& subject, const QString& exerciseName);

    // The exercise's own article first, then its alternatives; entries that are not web
    // addresses (the keys of missing entries among them) are left out.
    static QStringList articleAddresses(const QString& exerciseName);
    // The web search for the subject in double quotes.
    static QString searchAddress(const QString& subject);

    // Percent-encodes what may not stand in a URL fragment, and "+" and "&" as well.
    static QString _urlEncode(const QString& string);
    // For element text and double-quoted attribute values.
    static QString htmlEscaped(const QString& text);
    // A single-quoted JavaScript string literal that is also safe inside an HTML attribute or
    // a script element once HTML-escaped.
    static QString javaScriptString(const QString& text);
};
