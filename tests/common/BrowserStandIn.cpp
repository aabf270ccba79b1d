#include "BrowserStandIn.h"

#include <QDesktopServices>

namespace {
const char* const kSchemes[] = {"http", "https"};
}

BrowserStandIn::BrowserStandIn()
{
    setAvailable(true);
}

BrowserStandIn::~BrowserStandIn()
{
    setAvailable(false);
    for (const QString& scheme : others_)
        QDesktopServices::unsetUrlHandler(scheme);
}

void BrowserStandIn::alsoTake(const QString& scheme)
{
    others_ << scheme;
    QDesktopServices::setUrlHandler(scheme, this, "openUrl");
}

void BrowserStandIn::setAvailable(bool available)
{
    // The test platform itself has no browser to fall back on.
    for (const char* scheme : kSchemes) {
        if (available)
            QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
        else
            QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
    }
}

void BrowserStandIn::openUrl(const QUrl& url)
{
    opened << url;
}
