#pragma once

class QUrl;

// An http or https address with a host: what is fetched from the web or handed to a browser.
// Pages link to any scheme, and a local file or another program's scheme is never taken for one.
bool isWebAddress(const QUrl& url);
