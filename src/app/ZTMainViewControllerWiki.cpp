// The encyclopedia pane in the exercise screen's lower pane: loading the article of the
// current exercise, the loading wheel and the download indicator over it, and printing it.
#include "ZTMainViewController.h"

#include "PrintInfo.h"
#include "PrintOperation.h"
#include "Reachability.h"
#include "ZTAbstractTestController.h"
#include "ZTSplitView.h"

#include <QGridLayout>
#include <QProgressBar>

#include <cmath>

namespace {

struct WikiPaneInstallation {
    ZTMainViewController::WikiPaneMaker make;
    QString encyclopediaHost;
};

WikiPaneInstallation& installedWikiPane()
{
    static WikiPaneInstallation installation;
    return installation;
}

QProgressBar* makeIndicator(QWidget* parent, const QString& name)
{
    auto* indicator = new QProgressBar(parent);
    indicator->setObjectName(name);
    indicator->setTextVisible(false);
    indicator->setFixedSize(120, 8);
    indicator->hide();
    return indicator;
}

} // namespace

void ZTMainViewController::setWikiPaneMaker(WikiPaneMaker maker, const QString& encyclopediaHost)
{
    installedWikiPane() = {std::move(maker), encyclopediaHost};
}

void ZTMainViewController::buildWikiPane()
{
    // The placeholder of the lower pane holds the pane, once it is made, with the wheel and the
    // download indicator over its top-right corner. The page starts under the divider's down
    // button, which shows over the pane's top: the button never covers its heading.
    auto* grid = new QGridLayout(webView_);
    grid->setContentsMargins(0, int(std::ceil(splitView_->buttonClearance())), 0, 0);
    wheel_ = makeIndicator(webView_, QStringLiteral("wheel"));
    wheel_->setRange(0, 0);
    downloadProgressIndicator_ = makeIndicator(webView_, QStringLiteral("downloadProgressIndicator"));
    grid->addWidget(wheel_, 0, 0, Qt::AlignTop | Qt::AlignRight);
    grid->addWidget(downloadProgressIndicator_, 0, 0, Qt::AlignTop | Qt::AlignRight);
    if (installedWikiPane().make)
        watchEncyclopediaHost(installedWikiPane().encyclopediaHost);
}

ZTWikiPane* ZTMainViewController::wikiPaneForUse()
{
    if (wikiPane_ || !installedWikiPane().make)
        return wikiPane_;
    wikiPane_ = installedWikiPane().make(webView_, this, downloadProgressIndicator_);
    if (!wikiPane_)
        return nullptr;
    static_cast<QGridLayout*>(webView_->layout())->addWidget(wikiPane_->view(), 0, 0);
    wheel_->raise();
    downloadProgressIndicator_->raise();
    return wikiPane_;
}

void ZTMainViewController::watchEncyclopediaHost(const QString& host)
{
    internetReach_ = Reachability::reachabilityWithHostname(host);
    if (!internetReach_)
        return;
    const void* monitor = internetReach_.get();
    observe(kReachabilityChangedNotification, [this, monitor](const Notification& notification) {
        if (notification.sender == monitor)
            reachabilityChanged();
    });
    internetReach_->startNotifier();
}

void ZTMainViewController::reachabilityChanged()
{
    isReachable_ = internetReach_ && internetReach_->currentReachabilityStatus() != NotReachable;
}

void ZTMainViewController::loadWebView()
{
    ZTAbstractTestController* c = currentLessonController();
    if (webView_->isHidden() || !c)
        return;
    if (ZTWikiPane* pane = wikiPaneForUse())
        pane->loadWebViewWithURL(c->getWikiURLForCurrentTest(), c->currentTest(), c->testName());
}

void ZTMainViewController::wikiWebViewDidStartLoad()
{
    _showWheel();
}

void ZTMainViewController::wikiWebViewDidFinishLoad()
{
    _hideWheel();
}

void ZTMainViewController::wikiWebViewDidFailLoad(const QString&)
{
    _hideWheel();
}

void ZTMainViewController::_showWheel()
{
    wheel_->show();
}

void ZTMainViewController::_hideWheel()
{
    wheel_->hide();
}

void ZTMainViewController::_printWikiArticle()
{
    // The article prints with the user's own settings.
    QPrinter& printer = PrintInfo::sharedPrintInfo().printer();
    ZTWikiPane* pane = wikiPaneForUse();
    if (pane && PrintOperation::runPrintPanel(printer, sheetWindow()))
        pane->printPage(printer);
}
