// The encyclopedia pane in a real web engine against a page server on 127.0.0.1: live and
// cached articles, the offline and not-found pages, links, and printing. The engine is slow to
// start, so each test walks through several steps.
#include "Alert.h"
#include "BrowserStandIn.h"
#include "OggVorbisWriter.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "ZTWikiCache.h"
#include "ZTWikiMediaPlayer.h"
#include "ZTWikiSettings.h"
#include "ZTWikiWebView.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QPdfDocument>
#include <QPdfSelection>
#include <QPrinter>
#include <QProgressBar>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <gtest/gtest.h>
#include <httplib.h>

#include <atomic>
#include <cmath>

#include <unistd.h>
#include <utime.h>

namespace {

// Before the application object: the engine's graphics contexts, and no sandbox for root (CI).
const bool kEngineSetUp = [] {
    if (::geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    return true;
}();

class RecordingDelegate : public ZTWikiWebViewDelegate {
public:
    void wikiWebViewDidStartLoad() override { ++started; }
    void wikiWebViewDidFinishLoad() override { ++finished; }
    void wikiWebViewDidFailLoad(const QString&) override { ++failed; }
    int started = 0;
    int finished = 0;
    int failed = 0;
};

QByteArray article(const char* title, const char* links = "")
{
    return QByteArray("<html><head><title>") + title + "</title></head><body><h1>" + title + " article</h1>" + links
        + "</body></html>";
}

class WikiPaneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto serve = [this](const char* path, QByteArray body) {
            server_.server().Get(path, [this, body](const httplib::Request&, httplib::Response& response) {
                ++articleRequests_;
                response.set_content(body.toStdString(), "text/html");
            });
        };
        serve(R"(/wiki/Interval_\(music\))",
              article("Intervals", "<a id=foreign href=\"https://example.net/elsewhere\">elsewhere</a>"
                                   "<a id=inner href=\"/wiki/Tritone\">tritone</a>"
                                   "<a id=sound href=\"/media/Tone.ogg\">listen</a>"));
        serve("/wiki/Tritone", article("Tritone"));
        server_.server().Get("/wiki/Missing", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content(article("Nothing here").toStdString(), "text/html");
        });
        std::vector<float> tone(11025);
        for (size_t i = 0; i < tone.size(); ++i)
            tone[i] = 0.3f * float(std::sin(2 * M_PI * 440.0 * double(i) / 11025.0));
        const QByteArray ogg = oggVorbisFile({tone}, 11025);
        server_.server().Get("/media/Tone.ogg", [ogg](const httplib::Request&, httplib::Response& response) {
            response.set_content(ogg.toStdString(), "audio/ogg");
        });
        server_.start();

        ZTWikiSettings settings;
        settings.encyclopediaHost = settings.encyclopediaDomain = QStringLiteral("127.0.0.1");
        ZTWikiSettings::setCurrent(settings);
        ZTWikiWebView::setReachabilityCheck([this](const QString& host) { return reachable_.load() && host == "127.0.0.1"; });
    }

    void TearDown() override
    {
        panes_.clear();
        ZTWikiWebView::setReachabilityCheck({});
        ZTWikiSettings::setCurrent(ZTWikiSettings());
    }

    ZTWikiWebView& newPane()
    {
        delegate_ = RecordingDelegate();
        panes_.push_back(std::make_unique<ZTWikiWebView>(nullptr, &delegate_, &indicator_));
        ZTWikiWebView& pane = *panes_.back();
        pane.resize(800, 600);
        pane.show();
        return pane;
    }

    QUrl articleURL(const char* path) const { return server_.url(QString::fromLatin1(path)); }

    static QString text(ZTWikiWebView& pane)
    {
        QString text;
        bool done = false;
        pane.webView()->page()->toPlainText([&](const QString& plain) {
            text = plain;
            done = true;
        });
        waitUntil([&] { return done; });
        return text;
    }

    static bool showsText(ZTWikiWebView& pane, const QString& fragment)
    {
        return waitUntil([&] { return text(pane).contains(fragment); });
    }

    // The pane's own scripts run whether or not the page's may, as a click would.
    static void click(ZTWikiWebView& pane, const QString& selector)
    {
        pane.webView()->page()->runJavaScript(QStringLiteral("document.querySelector('%1').click()").arg(selector),
                                              QWebEngineScript::ApplicationWorld);
    }

    TestEnvironment environment_;
    TestHttpServer server_;
    std::atomic<bool> reachable_{true};
    std::atomic<int> articleRequests_{0};
    BrowserStandIn browser_;
    RecordingDelegate delegate_;
    QProgressBar indicator_;
    std::vector<std::unique_ptr<ZTWikiWebView>> panes_;
};

} // namespace

TEST_F(WikiPaneTest, AnArticleShowsLiveThenFromTheCacheOfflineAndPrints)
{
    const QUrl intervals = articleURL("/wiki/Interval_(music)");
    ZTWikiWebView& live = newPane();
    live.loadWebViewWithURL(intervals, nullptr, QStringLiteral("Interval recognition"));
    ASSERT_TRUE(waitUntil([&] { return delegate_.finished == 1; }));
    EXPECT_TRUE(showsText(live, QStringLiteral("Intervals article")));
    EXPECT_FALSE(live.loadedFromArchive());
    const QString cacheFile = ZTWikiCache::pathForURL(intervals);
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(cacheFile); }));
    EXPECT_TRUE(QDir(QFileInfo(cacheFile).absolutePath()).entryList({QStringLiteral("*.partial")}).isEmpty());

    // Asked again for the article it shows, the pane only looks at the cache's age.
    live.load();
    live.load();
    QCoreApplication::processEvents();
    EXPECT_EQ(delegate_.started, 1);

    // The printout holds the article; the page is shown again afterwards.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    const QString pdf = environment_.root() + QStringLiteral("/article.pdf");
    printer.setOutputFileName(pdf);
    const int finishedBefore = delegate_.finished;
    live.printPage(printer);
    ASSERT_TRUE(waitUntil([&] { return delegate_.finished > finishedBefore; }));
    QPdfDocument printed;
    ASSERT_EQ(printed.load(pdf), QPdfDocument::Error::None);
    // The engine prints pages as pictures: the heading is ink on the first page.
    ASSERT_GE(printed.pageCount(), 1);
    QImage page(printed.pagePointSize(0).toSize(), QImage::Format_ARGB32);
    page.fill(Qt::white);
    QPainter painter(&page);
    painter.drawImage(0, 0, printed.render(0, page.size()));
    painter.end();
    int ink = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            ink += page.pixelColor(x, y).lightness() < 128 ? 1 : 0;
    EXPECT_GT(ink, 100);

    // Offline, a new pane shows the cached copy without asking the server.
    reachable_ = false;
    const int requests = articleRequests_;
    ZTWikiWebView& offline = newPane();
    offline.loadWebViewWithURL(intervals, nullptr, QStringLiteral("Interval recognition"));
    EXPECT_TRUE(showsText(offline, QStringLiteral("Intervals article")));
    EXPECT_TRUE(offline.loadedFromArchive());
    EXPECT_EQ(offline.shownArticleURL(), intervals);
    EXPECT_EQ(articleRequests_, requests);

    // An article never fetched shows the offline page; "Try again" loads it once online.
    offline.loadWebViewWithURL(articleURL("/wiki/Tritone"), nullptr, QStringLiteral("Interval recognition"));
    EXPECT_TRUE(showsText(offline, QStringLiteral("You are not connected to the Internet!")));
    reachable_ = true;
    click(offline, QStringLiteral("button"));
    EXPECT_TRUE(showsText(offline, QStringLiteral("Tritone article")));
}

TEST_F(WikiPaneTest, ErrorPagesAreNotCachedAndAQuestionWithoutArticleOffersASearch)
{
    ZTWikiWebView& pane = newPane();
    const QUrl missing = articleURL("/wiki/Missing");
    pane.loadWebViewWithURL(missing, nullptr, QStringLiteral("Interval recognition"));
    ASSERT_TRUE(waitUntil([&] { return delegate_.failed == 1; }));
    EXPECT_EQ(delegate_.finished, 0);
    EXPECT_FALSE(QFile::exists(ZTWikiCache::pathForURL(missing)));
    // Asked again, the pane tries again.
    pane.load();
    ASSERT_TRUE(waitUntil([&] { return delegate_.failed == 2; }));

    pane.loadWebViewWithURL(QUrl(), nullptr, QStringLiteral("Interval recognition"));
    EXPECT_TRUE(showsText(pane, QStringLiteral("No article about 'Interval recognition' was found in Wikipedia!")));
    EXPECT_TRUE(text(pane).contains(QStringLiteral("https://en.wikipedia.org/wiki/Interval_(music)")));
    click(pane, QStringLiteral("button"));
    ASSERT_TRUE(waitUntil([&] { return !browser_.opened.isEmpty(); }));
    EXPECT_EQ(browser_.opened[0].toString(QUrl::FullyEncoded),
              QStringLiteral("https://www.google.com/search?client=safari&rls=en&q=%22Interval%20recognition%22&ie=UTF-8&oe=UTF-8"));
    // Nothing the pane showed itself went into the cache.
    EXPECT_TRUE(QDir(ZTWikiCache::folder()).entryList(QDir::Files).isEmpty());
}

TEST_F(WikiPaneTest, ForeignLinksGoToTheBrowserSoundsPlayAndArticlesOpenInThePane)
{
    ZTWikiWebView& pane = newPane();
    const QUrl intervals = articleURL("/wiki/Interval_(music)");
    pane.loadWebViewWithURL(intervals, nullptr, QStringLiteral("Interval recognition"));
    ASSERT_TRUE(showsText(pane, QStringLiteral("Intervals article")));

    click(pane, QStringLiteral("#foreign"));
    ASSERT_TRUE(waitUntil([&] { return !browser_.opened.isEmpty(); }));
    EXPECT_EQ(browser_.opened[0], QUrl(QStringLiteral("https://example.net/elsewhere")));
    EXPECT_EQ(pane.shownArticleURL(), intervals);

    click(pane, QStringLiteral("#sound"));
    ASSERT_TRUE(waitUntil([&] { return pane.mediaPlayer().player() != nullptr; }));
    EXPECT_TRUE(QDir(QDir::tempPath()).entryList({QStringLiteral("melvoraTmpFile.*")}).isEmpty());

    click(pane, QStringLiteral("#inner"));
    EXPECT_TRUE(showsText(pane, QStringLiteral("Tritone article")));
    EXPECT_EQ(browser_.opened.size(), 1);
    EXPECT_TRUE(waitUntil([&] { return QFile::exists(ZTWikiCache::pathForURL(articleURL("/wiki/Tritone"))); }));
}

TEST_F(WikiPaneTest, WithoutABrowserTheAddressOfAForeignLinkOrOfAnArticleIsTold)
{
    QList<Alert::Request> alerts;
    Alert::setResponder([&](const Alert::Request& request) {
        alerts << request;
        return 0;
    });
    browser_.setAvailable(false);
    ZTWikiWebView& pane = newPane();
    const QUrl intervals = articleURL("/wiki/Interval_(music)");
    pane.loadWebViewWithURL(intervals, nullptr, QStringLiteral("Interval recognition"));
    ASSERT_TRUE(showsText(pane, QStringLiteral("Intervals article")));

    click(pane, QStringLiteral("#foreign"));
    ASSERT_TRUE(waitUntil([&] { return !alerts.isEmpty(); }));
    EXPECT_EQ(alerts[0].message, QStringLiteral("Melvora could not open a web browser."));
    EXPECT_TRUE(alerts[0].informativeText.endsWith(QStringLiteral("https://example.net/elsewhere")));

    // The offline page's "Open in Browser".
    reachable_ = false;
    const QUrl tritone = articleURL("/wiki/Tritone");
    pane.loadWebViewWithURL(tritone, nullptr, QStringLiteral("Interval recognition"));
    ASSERT_TRUE(showsText(pane, QStringLiteral("You are not connected to the Internet!")));
    click(pane, QStringLiteral("button + button"));
    ASSERT_TRUE(waitUntil([&] { return alerts.size() == 2; }));
    EXPECT_TRUE(alerts[1].informativeText.endsWith(tritone.toString(QUrl::FullyEncoded)))
        << alerts[1].informativeText.toStdString();
    Alert::setResponder({});
}

TEST_F(WikiPaneTest, AnOutdatedArticleShowsAtOnceAndIsRefreshedInTheBackground)
{
    const QUrl intervals = articleURL("/wiki/Interval_(music)");
    const QString cacheFile = ZTWikiCache::pathForURL(intervals);
    ZTWikiWebView& first = newPane();
    first.loadWebViewWithURL(intervals, nullptr, QStringLiteral("Interval recognition"));
    ASSERT_TRUE(waitUntil([&] { return QFile::exists(cacheFile); }));

    // Ten days and a second old.
    const time_t old = ::time(nullptr) - ZTWikiCache::kMaxAgeSeconds - 1;
    const utimbuf times{old, old};
    ASSERT_EQ(::utime(QFile::encodeName(cacheFile).constData(), &times), 0);
    const int requests = articleRequests_;
    ZTWikiWebView& second = newPane();
    second.loadWebViewWithURL(intervals, nullptr, QStringLiteral("Interval recognition"));
    EXPECT_TRUE(showsText(second, QStringLiteral("Intervals article")));
    EXPECT_TRUE(second.loadedFromArchive());
    ASSERT_TRUE(waitUntil([&] { return QFileInfo(cacheFile).lastModified().toSecsSinceEpoch() > old + 60; }));
    EXPECT_EQ(articleRequests_, requests + 1);
}

