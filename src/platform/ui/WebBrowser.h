#pragma once

class QUrl;
class QWidget;

// Hands web addresses to the desktop's default browser. When no browser can be started the
// user is told so, with the address, which a button of the alert copies, so that it can be
// opened by hand. Main thread.
namespace WebBrowser {

// False when the address was not handed over: it is not a web address (those go nowhere, with
// a log line), or no browser could be started. The alert hangs on the window of `window`, or
// stands alone without one.
bool open(const QUrl& url, QWidget* window);

} // namespace WebBrowser
