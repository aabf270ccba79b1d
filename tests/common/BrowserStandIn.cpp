#include "BrowserStandIn.h"

#include <QDesktopServices>

namespace {
const char* const kSchemes[] = {"http", "https"};
}

BrowserStandIn::BrowserStandIn()
{
    for (const char* scheme : kSchemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "openUrl");
}

BrowserStandIn::~BrowserStandIn()
{
    for (const char* scheme : kSchemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void BrowserStandIn::openUrl(const QUrl& url)
{
    opened << url;
}
