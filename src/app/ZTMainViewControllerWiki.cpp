// The encyclopedia pane in the exercise screen's lower pane: loading the article of the
// current exercise, the loading wheel and the download indicator over it, and printing it.
#include "ZTMainViewController.h"

#include "PrintInfo.h"
#include "PrintOperation.h"
#include "Reachability.h"
#include "ZTAbstractTestController.h"

#include <QGridLayout>
#include <QProgressBar>

namespace {

ZTMainViewController::WikiPaneMaker& wikiPaneMaker()
{
    static ZTMainViewController::WikiPaneMaker maker;
    return maker;
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

void ZTMainViewController::setWikiPaneMaker(WikiPaneMaker maker)
{
    wikiPaneMaker() = std::move(maker);
}

void ZTMainViewController::buildWikiPane()
{
    // The placeholder of the lower pane holds the pane, with the wheel and the download
    // indicator over its top-right corner.
    auto* grid = new QGridLayout(webView_);
    grid->setContentsMargins(0, 0, 0, 0);
    wheel_ = makeIndicator(webView_, QStringLiteral("wheel"));
    wheel_->setRange(0, 0);
    downloadProgressIndicator_ = makeIndicator(webView_, QStringLiteral("downloadProgressIndicator"));
    if (wikiPaneMaker())
        wikiPane_ = wikiPaneMaker()(webView_, this, downloadProgressIndicator_);
    if (wikiPane_) {
        grid->addWidget(wikiPane_->view(), 0, 0);
        watchEncyclopediaHost();
    }
    grid->addWidget(wheel_, 0, 0, Qt::AlignTop | Qt::AlignRight);
    grid->addWidget(downloadProgressIndicator_, 0, 0, Qt::AlignTop | Qt::AlignRight);
    wheel_->raise();
    downloadProgressIndicator_->raise();
}

void ZTMainViewController::watchEncyclopediaHost()
{
    internetReach_ = Reachability::reachabilityWithHostname(wikiPane_->encyclopediaHost());
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
    if (webView_->isHidden() || !wikiPane_ || !c)
        return;
    wikiPane_->loadWebViewWithURL(c->getWikiURLForCurrentTest(), c->currentTest(), c->testName());
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
    if (wikiPane_ && PrintOperation::runPrintPanel(printer, sheetWindow()))
        wikiPane_->printPage(printer);
}
