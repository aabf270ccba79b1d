#pragma once

class QString;
class QUrl;
class QWidget;

// Hands web addresses to the desktop's default browser. When no browser can be started the
// user is told so, with the address, which a button of the alert copies, so that it can be
// opened by hand. Main thread.
namespace WebBrowser {

// False when the address was not handed over: it is not a web address (those go nowhere, with
// a log line), or the desktop refused it at once. An opener program that fails (it cannot be
// started, or ends with an error) counts as no browser too; that is found out, and told, once
// it has ended. The alert hangs on the window of `window` while that is still there, or stands
// alone without one.
bool open(const QUrl& url, QWidget* window);

// The program that opens addresses: it is run with the address as its one argument, and has
// opened it when it ends with exit code 0. By default it is xdg-open on a desktop platform (the
// offscreen and minimal platforms have no desktop); without such a program the platform opens
// addresses itself (QDesktopServices). Tests point it at a program of their own.
void setOpenerProgram(const QString& program);
// Back to the default opener.
void resetOpenerProgram();

} // namespace WebBrowser
