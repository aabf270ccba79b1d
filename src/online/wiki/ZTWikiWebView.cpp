#include "ZTWikiWebView.h"

#include "Localization.h"
#include "Log.h"
#include "MainQueue.h"
#include "Paths.h"
#include "WebAddress.h"
#include "WebBrowser.h"
#include "ZTTest.h"
#include "ZTWikiCache.h"
#include "ZTWikiInfoPages.h"
#include "ZTWikiLinkPolicy.h"
#include "ZTWikiMediaPlayer.h"
#include "ZTWikiReachability.h"
#include "ZTWikiSettings.h"

#include <QFile>
#include <QThreadPool>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>
#include <QWebEngineSettings>
#include <QWebEngineView>

#include <cstdio>

namespace {

constexpr int kDefaultFontSize = 16;
// A style sheet larger than this is not ours.
constexpr qint64 kMaxStyleSheetSize = 256 * 1024;
const QString kStyleSheetScript = QStringLiteral("ZTWikiStyleSheet");

ZTWikiWebView::ReachabilityCheck& reachabilityCheck()
{
    static ZTWikiWebView::ReachabilityCheck check;
    return check;
}

// The bundle's wiki.css, laid over every article by a script that runs whether or not the
// page's own scripts may.
QWebEngineScript styleSheetScript()
{
    QByteArray css;
    QFile file(Paths::resource(QStringLiteral("wiki.css")));
    if (file.size() <= kMaxStyleSheetSize && file.open(QIODevice::ReadOnly))
        css = file.read(kMaxStyleSheetSize);
    else
        Log::line(QStringLiteral("Could not read the style sheet wiki.css."));
    QWebEngineScript script;
    script.setName(kStyleSheetScript);
    script.setInjectionPoint(QWebEngineScript::DocumentReady);
    script.setWorldId(QWebEngineScript::ApplicationWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(QStringLiteral("(function(){var s=document.createElement('style');s.textContent=%1;"
                                        "(document.head||document.documentElement).appendChild(s);})();")
                             .arg(ZTWikiInfoPages::javaScriptString(QString::fromUtf8(css))));
    return script;
}

} // namespace

// The visible page asks the pane where each navigation may go.
class ZTWikiWebView::Page : public QWebEnginePage {
public:
    Page(QWebEngineProfile* profile, ZTWikiWebView* pane) : QWebEnginePage(profile, pane), pane_(pane) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool) override
    {
        return pane_->decidePolicy(url, type == NavigationTypeLinkClicked);
    }

private:
    ZTWikiWebView* pane_;
};

void ZTWikiWebView::setReachabilityCheck(ReachabilityCheck check)
{
    reachabilityCheck() = std::move(check);
}

ZTWikiWebView::ZTWikiWebView(QWidget* parent, ZTWikiWebViewDelegate* delegate, QProgressBar* downloadProgressIndicator)
    : QWidget(parent), delegate_(delegate), mediaPlayer_(std::make_unique<ZTWikiMediaPlayer>(downloadProgressIndicator))
{
    // A profile of the pane's own, kept in memory: pages, scripts and downloads stay here.
    profile_ = new QWebEngineProfile(this);
    styleSheet_ = styleSheetScript();
    connect(profile_, &QWebEngineProfile::downloadRequested, this, &ZTWikiWebView::acceptArchiveDownload);

    webView_ = new QWebEngineView(this);
    auto* page = new Page(profile_, this);
    webView_->setPage(page);
    webView_->setContextMenuPolicy(Qt::NoContextMenu);
    QWebEngineSettings* settings = page->settings();
    settings->setFontSize(QWebEngineSettings::DefaultFontSize, kDefaultFontSize);
    settings->setFontFamily(QWebEngineSettings::StandardFont, QStringLiteral("sans-serif"));
    settings->setAttribute(QWebEngineSettings::JavascriptEnabled, false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(webView_);

    refreshPage_ = new QWebEnginePage(profile_, this);
    refreshPage_->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, false);

    connect(page, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) { pageFinished(Kind::Visible, info); });
    connect(refreshPage_, &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) { pageFinished(Kind::Refresh, info); });
}

ZTWikiWebView::~ZTWikiWebView()
{
    // The pages go before their profile, and the profile (which ends the archives still
    // being written) while the pane still knows them.
    QWebEnginePage* visible = webView_->page();
    delete webView_;
    delete visible;
    delete refreshPage_;
    delete profile_;
}

// ---- Showing the article ----

void ZTWikiWebView::loadWebViewWithURL(const QUrl& url, std::shared_ptr<ZTTest> test, const QString& exerciseName)
{
    URL_ = isWebAddress(url) ? url : QUrl();
    test_ = std::move(test);
    exerciseName_ = exerciseName;
    load();
}

void ZTWikiWebView::load()
{
    ++loadGeneration_;
    if (URL_.isEmpty()) {
        _showNotFoundPage();
        return;
    }
    const QString path = ZTWikiCache::pathForURL(URL_);
    if (!path.isEmpty() && QFile::exists(path)) {
        if (ZTWikiCache::isOutdated(path))
            _downloadArchive();
        if (shownURL_ == URL_)
            return;
        loadArchive(path);
        return;
    }
    if (shownURL_ != URL_)
        _checkReachabilityAndLoadWebView();
}

bool ZTWikiWebView::loadedFromArchive() const
{
    return loadedFromArchive_;
}

QUrl ZTWikiWebView::shownArticleURL() const
{
    return shownURL_;
}

void ZTWikiWebView::loadArchive(const QString& path)
{
    setArticleLook(true);
    loadedFromArchive_ = true;
    shownURL_ = URL_;
    webView_->load(QUrl::fromLocalFile(path));
}

void ZTWikiWebView::_downloadArchive()
{
    refreshPage_->load(URL_);
}

void ZTWikiWebView::_checkReachabilityAndLoadWebView()
{
    const QString host = ZTWikiSettings::current().encyclopediaHost;
    ReachabilityCheck check = reachabilityCheck() ? reachabilityCheck() : ZTWikiReachability::isHostReachable;
    QPointer<ZTWikiWebView> guard(this);
    const quint64 generation = loadGeneration_;
    QThreadPool::globalInstance()->start([guard, generation, host, check] {
        const bool reachable = check(host);
        MainQueue::async([guard, generation, reachable] {
            // The pane may have gone, or moved on to another article, meanwhile.
            if (!guard || guard->loadGeneration_ != generation)
                return;
            if (reachable)
                guard->_loadWebview();
            else
                guard->_reachabilityCheckFailed();
        });
    });
}

void ZTWikiWebView::_loadWebview()
{
    setArticleLook(true);
    loadedFromArchive_ = false;
    shownURL_ = URL_;
    webView_->load(URL_);
}

void ZTWikiWebView::_reachabilityCheckFailed()
{
    _showWebInfo(ZTWikiInfoPages::offlinePage());
}

void ZTWikiWebView::_showNotFoundPage()
{
    const QString subject = test_ ? test_->name() : localized(exerciseName_);
    _showWebInfo(ZTWikiInfoPages::notFoundPage(subject, exerciseName_));
}

void ZTWikiWebView::_showWebInfo(const QString& html)
{
    // The pane's own pages bring their own look, and their buttons are scripts.
    setArticleLook(false);
    loadedFromArchive_ = false;
    shownURL_ = QUrl();
    webView_->setHtml(html, QUrl::fromLocalFile(Paths::resourcesFolder() + QLatin1Char('/')));
}

void ZTWikiWebView::setArticleLook(bool on)
{
    QWebEnginePage* page = webView_->page();
    page->settings()->setAttribute(QWebEngineSettings::JavascriptEnabled, !on);
    const bool styled = page->scripts().contains(styleSheet_);
    if (on && !styled)
        page->scripts().insert(styleSheet_);
    else if (!on && styled)
        page->scripts().remove(styleSheet_);
}

// ---- Links ----

bool ZTWikiWebView::decidePolicy(const QUrl& url, bool isLinkClick)
{
    const bool use = applyPolicy(url, isLinkClick);
    // The engine reports a refused navigation as an aborted load; it is none of the page's.
    if (!use)
        refusedURLs_.insert(url);
    return use;
}

bool ZTWikiWebView::applyPolicy(const QUrl& url, bool isLinkClick)
{
    using Decision = ZTWikiLinkPolicy::Decision;
    switch (ZTWikiLinkPolicy::decide(url, isLinkClick, ZTWikiSettings::current())) {
    case Decision::Reload: {
        // Not from inside the page's own navigation call.
        QPointer<ZTWikiWebView> guard(this);
        MainQueue::async([guard] {
            if (guard)
                guard->load();
        });
        return false;
    }
    case Decision::OpenArticleInBrowser:
        if (!URL_.isEmpty())
            WebBrowser::open(URL_, this);
        return false;
    case Decision::OpenInBrowser:
        WebBrowser::open(url, this);
        return false;
    case Decision::PlayMidi:
        playLinkedFile(url, true);
        return false;
    case Decision::PlayOgg:
        playLinkedFile(url, false);
        return false;
    case Decision::UseWithoutJavaScript:
        // Another article of the encyclopedia, live, in the articles' look.
        setArticleLook(true);
        loadedFromArchive_ = false;
        shownURL_ = url;
        return true;
    case Decision::Use:
        return true;
    }
    return true;
}

void ZTWikiWebView::playLinkedFile(const QUrl& url, bool midi)
{
    QPointer<ZTWikiWebView> guard(this);
    const QUrl pageURL = shownURL_;
    webView_->page()->toHtml([guard, url, midi, pageURL](const QString& html) {
        if (!guard)
            return;
        const std::optional<QUrl> destination =
            ZTWikiMediaPlayer::destinationURLForURLString(url.toString(QUrl::FullyEncoded), html, pageURL);
        if (!destination)
            return;
        if (midi)
            guard->mediaPlayer_->playMidiFileWithURL(*destination);
        else
            guard->mediaPlayer_->playOggFileWithURL(*destination);
    });
}

// ---- Loads and the cache ----

void ZTWikiWebView::pageFinished(Kind kind, const QWebEngineLoadingInfo& info)
{
    if (kind == Kind::Visible && refusedURLs_.contains(info.url())) {
        if (info.status() != QWebEngineLoadingInfo::LoadStartedStatus)
            refusedURLs_.remove(info.url());
        return;
    }
    switch (info.status()) {
    case QWebEngineLoadingInfo::LoadStartedStatus:
        if (kind == Kind::Visible && delegate_)
            delegate_->wikiWebViewDidStartLoad();
        return;
    case QWebEngineLoadingInfo::LoadSucceededStatus:
        // An article shown from the cache is not written again; the pane's own pages never are.
        if (kind == Kind::Refresh || !loadedFromArchive_)
            saveArchive(kind == Kind::Refresh ? refreshPage_ : webView_->page());
        if (kind == Kind::Visible && delegate_)
            delegate_->wikiWebViewDidFinishLoad();
        return;
    case QWebEngineLoadingInfo::LoadStoppedStatus:
    case QWebEngineLoadingInfo::LoadFailedStatus:
        // Error pages (a refused connection, an HTTP error status) are never cached; a failed
        // refresh leaves the old file.
        Log::line(QStringLiteral("ERROR:%1").arg(info.errorString()));
        if (kind == Kind::Visible) {
            // What failed is not shown: asking for it again tries again.
            shownURL_ = QUrl();
            if (delegate_)
                delegate_->wikiWebViewDidFailLoad(info.errorString());
        }
        return;
    }
}

void ZTWikiWebView::saveArchive(QWebEnginePage* page)
{
    const QUrl url = page->requestedUrl();
    if (!isWebAddress(url))
        return;
    const QString path = ZTWikiCache::pathForURL(url);
    if (path.isEmpty())
        return;
    const QString partial = QStringLiteral("%1.%2.partial").arg(path).arg(++archiveCount_);
    pendingArchives_.insert(partial, path);
    page->save(partial, QWebEngineDownloadRequest::MimeHtmlSaveFormat);
}

void ZTWikiWebView::acceptArchiveDownload(QWebEngineDownloadRequest* download)
{
    const QString partial = download->downloadDirectory() + QLatin1Char('/') + download->downloadFileName();
    // Only the archives the pane asked for are written; pages download nothing else.
    if (!download->isSavePageDownload() || !pendingArchives_.contains(partial)) {
        download->cancel();
        return;
    }
    connect(download, &QWebEngineDownloadRequest::isFinishedChanged, this, [this, download, partial] {
        const QString path = pendingArchives_.take(partial);
        if (download->state() == QWebEngineDownloadRequest::DownloadCompleted
            && std::rename(QFile::encodeName(partial).constData(), QFile::encodeName(path).constData()) == 0)
            return;
        Log::line(QStringLiteral("Could not write the article cache file %1").arg(path));
        QFile::remove(partial);
    });
    download->accept();
}

// ---- Printing ----

void ZTWikiWebView::printPage(QPrinter& printer)
{
    connect(webView_, &QWebEngineView::printFinished, this, [this](bool) { webView_->reload(); },
            Qt::SingleShotConnection);
    webView_->print(&printer);
}
