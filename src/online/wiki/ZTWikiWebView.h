#pragma once

#include "ZTWikiPane.h"

#include <QHash>
#include <QSet>
#include <QPointer>
#include <QUrl>
#include <QWebEngineScript>
#include <QWidget>

#include <functional>
#include <memory>

class QProgressBar;
class QWebEngineDownloadRequest;
class QWebEngineLoadingInfo;
class QWebEnginePage;
class QWebEngineProfile;
class QWebEngineView;
class ZTWikiMediaPlayer;

// The encyclopedia pane: shows the article about the current exercise and question. Every
// article it shows is kept in the article cache; a cached article shows at once and is fetched
// again in the background once it is older than ten days. Offline, or without a known article,
// the pane shows its own pages. Foreign links go to the default browser; linked MIDI and Ogg
// files play through the application's own sound.
//
// Main thread only; the host's reachability is found out on a worker thread.
class ZTWikiWebView : public QWidget, public ZTWikiPane {
    Q_OBJECT
public:
    ZTWikiWebView(QWidget* parent, ZTWikiWebViewDelegate* delegate, QProgressBar* downloadProgressIndicator);
    ~ZTWikiWebView() override;

    // ---- ZTWikiPane ----
    QWidget* view() override { return this; }
    void loadWebViewWithURL(const QUrl& url, std::shared_ptr<ZTTest> test, const QString& exerciseName) override;
    void printPage(QPrinter& printer) override;

    // Shows the article: from the cache, live, or one of the pane's own pages.
    void load();

    // None or not a web address: no article is known.
    QUrl URL() const { return URL_; }
    std::shared_ptr<ZTTest> test() const { return test_; }
    QString exerciseName() const { return exerciseName_; }
    QWebEngineView* webView() const { return webView_; }
    // The shown article came from the cache.
    bool loadedFromArchive() const;
    // The article whose page is shown (also when it came from the cache); none for the pane's
    // own pages.
    QUrl shownArticleURL() const;
    ZTWikiMediaPlayer& mediaPlayer() { return *mediaPlayer_; }

    // How the encyclopedia host's reachability is found out; runs on a worker thread. Tests
    // replace it; an empty function restores the network check.
    using ReachabilityCheck = std::function<bool(const QString& host)>;
    static void setReachabilityCheck(ReachabilityCheck check);

private:
    class Page;
    enum class Kind { Visible, Refresh };

    void _downloadArchive();
    void _checkReachabilityAndLoadWebView();
    void _loadWebview();
    void _reachabilityCheckFailed();
    void _showWebInfo(const QString& html);
    void _showNotFoundPage();
    void loadArchive(const QString& path);
    void setArticleLook(bool on);
    // The link policy of the visible page; true lets the navigation go on.
    bool decidePolicy(const QUrl& url, bool isLinkClick);
    bool applyPolicy(const QUrl& url, bool isLinkClick);
    void playLinkedFile(const QUrl& url, bool midi);
    void pageFinished(Kind kind, const QWebEngineLoadingInfo& info);
    // Writes the page's archive beside its cache file, then puts it in place in one step.
    void saveArchive(QWebEnginePage* page);
    void acceptArchiveDownload(QWebEngineDownloadRequest* download);

    ZTWikiWebViewDelegate* delegate_ = nullptr;
    QUrl URL_;
    std::shared_ptr<ZTTest> test_;
    QString exerciseName_;
    QWebEngineProfile* profile_ = nullptr;
    QWebEngineView* webView_ = nullptr;
    QWebEnginePage* refreshPage_ = nullptr;
    QWebEngineScript styleSheet_;
    // What the visible view was last asked to show, and the cache file it came from.
    QUrl shownURL_;
    bool loadedFromArchive_ = false;
    // Navigations the policy refused, whose aborted loads the engine still reports.
    QSet<QUrl> refusedURLs_;
    // Archives being written: the partial file and the cache file it becomes.
    QHash<QString, QString> pendingArchives_;
    quint64 archiveCount_ = 0;
    // Answers of earlier reachability checks are ignored once the pane has moved on.
    quint64 loadGeneration_ = 0;
    std::unique_ptr<ZTWikiMediaPlayer> mediaPlayer_;
};
