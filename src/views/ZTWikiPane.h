#pragma once

#include <QString>
#include <QUrl>

#include <memory>

class QPrinter;
class QWidget;
class ZTTest;

// What the encyclopedia pane reports to its owner, the exercise screen.
class ZTWikiWebViewDelegate {
public:
    virtual ~ZTWikiWebViewDelegate() = default;
    // The visible page began to load; one of the two calls below follows.
    virtual void wikiWebViewDidStartLoad() {}
    virtual void wikiWebViewDidFinishLoad() {}
    virtual void wikiWebViewDidFailLoad(const QString& error) {}
};

// The encyclopedia pane as the exercise screen sees it. The pane itself lives with the online
// parts, whose maker the program installs (ZTMainViewController::setWikiPaneMaker); the screen
// makes it when it is first needed.
//
// Main thread only.
class ZTWikiPane {
public:
    virtual ~ZTWikiPane() = default;
    // The pane's widget; its owner places it and owns it.
    virtual QWidget* view() = 0;
    // Shows the article at the address (none: the not-found page) about the question of that
    // exercise.
    virtual void loadWebViewWithURL(const QUrl& url, std::shared_ptr<ZTTest> test, const QString& exerciseName) = 0;
    // Prints the page shown on a printer the user has set up, then reloads it. The printer
    // must live until the print has finished.
    virtual void printPage(QPrinter& printer) = 0;
};
