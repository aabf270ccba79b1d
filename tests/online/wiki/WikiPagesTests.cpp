// The pane's own pages, its link policy and its cache names: what is escaped, what goes
// where, and what never becomes a cache file.
#include "TestEnvironment.h"
#include "ZTWikiCache.h"
#include "ZTWikiInfoPages.h"
#include "ZTWikiLinkPolicy.h"
#include "ZTWikiSettings.h"

#include "Localization.h"
#include "Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <utime.h>

namespace {

using Decision = ZTWikiLinkPolicy::Decision;

Decision decide(const char* url, bool isLinkClick = true)
{
    return ZTWikiLinkPolicy::decide(QUrl(QString::fromUtf8(url)), isLinkClick, ZTWikiSettings());
}

// A copy of the bundle whose string table holds the given entries besides the real ones.
class WikiPagesTest : public ::testing::Test {
protected:
    void useStrings(const QByteArray& json)
    {
        const QString resources = environment_.copyOfResources();
        QFile file(resources + QStringLiteral("/strings/en.json"));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
        file.close();
        environment_.useResources(resources);
        Localization::reload();
    }
    void TearDown() override { Localization::reload(); }

    TestEnvironment environment_;
};

} // namespace

TEST_F(WikiPagesTest, NamesAreEscapedInTheTextAndInTheSearchScript)
{
    const QString name = QStringLiteral("Rock 'n' <b>roll</b> & \"blues\"\\");
    const QString page = ZTWikiInfoPages::notFoundPage(name, QStringLiteral("Chord recognition"));
    ASSERT_FALSE(page.isEmpty());
    EXPECT_FALSE(page.contains(QStringLiteral("<b>roll")));
    EXPECT_TRUE(page.contains(QStringLiteral("No article about &#39;Rock &#39;n&#39; &lt;b&gt;roll&lt;/b&gt; &amp; &quot;blues&quot;")));

    // The button's handler: one attribute in double quotes holding one JavaScript string.
    const QRegularExpression handler(QStringLiteral("<button onclick=\"([^\"]*)\">"));
    const QRegularExpressionMatch match = handler.match(page);
    ASSERT_TRUE(match.hasMatch());
    QString script = match.captured(1);
    script.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&#39;"), QStringLiteral("'"))
        .replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    EXPECT_TRUE(script.startsWith(QStringLiteral("window.location='https://www.google.com/search?")));
    EXPECT_TRUE(script.endsWith(QLatin1Char('\'')));
    // No quote inside the literal ends it early.
    const QString literal = script.mid(QStringLiteral("window.location='").size()).chopped(1);
    EXPECT_FALSE(literal.contains(QRegularExpression(QStringLiteral("(^|[^\\\\])'"))));
    EXPECT_TRUE(literal.contains(QStringLiteral("q=%22Rock%20\\'n\\'%20%3Cb%3Eroll%3C/b%3E%20%26%20%22blues%22%5C%22")))
        << literal.toStdString();
}

TEST_F(WikiPagesTest, SearchAddressesEncodePlusAndAmpersand)
{
    EXPECT_EQ(ZTWikiInfoPages::_urlEncode(QStringLiteral("C+E & G#")), QStringLiteral("C%2BE%20%26%20G%23"));
    EXPECT_EQ(ZTWikiInfoPages::searchAddress(QStringLiteral("A+")),
              QStringLiteral("https://www.google.com/search?client=safari&rls=en&q=%22A%2B%22&ie=UTF-8&oe=UTF-8"));
}

TEST_F(WikiPagesTest, TheNotFoundPageListsTheArticleFirstAndLeavesOutWhatIsNoAddress)
{
    useStrings(R"json({"WIKI_Chord recognition": "https://en.wikipedia.org/wiki/Chord_(music)",
                   "WIKI_Chord recognition_AlternativeWikiPages": " https://en.wikipedia.org/wiki/Triad_(music), javascript:alert(1),https://en.wikipedia.org/wiki/A\"onmouseover=\"x"})json");
    EXPECT_EQ(ZTWikiInfoPages::articleAddresses(QStringLiteral("Chord recognition")),
              (QStringList{"https://en.wikipedia.org/wiki/Chord_(music)", "https://en.wikipedia.org/wiki/Triad_(music)"}));
    // Without alternatives, only the exercise's own article; without any entry, none at all.
    EXPECT_EQ(ZTWikiInfoPages::articleAddresses(QStringLiteral("Scale recognition")), QStringList{});
    useStrings(R"json({"WIKI_Scale recognition": "https://en.wikipedia.org/wiki/Scale_(music)"})json");
    EXPECT_EQ(ZTWikiInfoPages::articleAddresses(QStringLiteral("Scale recognition")),
              QStringList{"https://en.wikipedia.org/wiki/Scale_(music)"});
    const QString page = ZTWikiInfoPages::notFoundPage(QStringLiteral("Lydian"), QStringLiteral("Scale recognition"));
    EXPECT_TRUE(page.contains(QStringLiteral("<ul><li><a href=\"https://en.wikipedia.org/wiki/Scale_(music)\">"
                                             "https://en.wikipedia.org/wiki/Scale_(music)</a></li></ul>")));
}

TEST_F(WikiPagesTest, TheOfflinePageFillsTheTemplateAndLeadsToTheMarkers)
{
    const QString page = ZTWikiInfoPages::offlinePage();
    EXPECT_TRUE(page.contains(QStringLiteral("You are not connected to the Internet!")));
    EXPECT_FALSE(page.contains(QStringLiteral("<!--")));
    const qsizetype reload = page.indexOf(QStringLiteral(">Try again</button>"));
    const qsizetype browser = page.indexOf(QStringLiteral(">Open in Browser</button>"));
    EXPECT_TRUE(reload > 0 && browser > reload);
    EXPECT_TRUE(page.contains(QStringLiteral("onclick=\"window.location=&#39;__ZTRELOAD__&#39;\"")));

    // A bundle without the template yields no page, and says so.
    const QString withoutTemplate = environment_.copyOfResources();
    QFile::remove(withoutTemplate + QStringLiteral("/info.html"));
    environment_.useResources(withoutTemplate);
    LogCapture log;
    EXPECT_EQ(ZTWikiInfoPages::offlinePage(), QString());
    EXPECT_TRUE(log.contains(QStringLiteral("info.html")));
}

TEST(WikiLinkPolicy, TheEncyclopediaIsKnownByItsHostNeverByASubstring)
{
    EXPECT_EQ(decide("https://en.wikipedia.org/wiki/Tritone"), Decision::UseWithoutJavaScript);
    EXPECT_EQ(decide("https://wikipedia.org/"), Decision::UseWithoutJavaScript);
    EXPECT_EQ(decide("https://wikipedia.org.example.net/wiki/Tritone"), Decision::OpenInBrowser);
    EXPECT_EQ(decide("https://example.net/?next=wikipedia.org"), Decision::OpenInBrowser);
    EXPECT_EQ(decide("https://notwikipedia.org/"), Decision::OpenInBrowser);
    EXPECT_EQ(decide("javascript:alert('wikipedia.org')"), Decision::OpenInBrowser);
    // The page's own loads, redirects and reloads go on.
    EXPECT_EQ(decide("https://example.net/frame.html", false), Decision::Use);
}

TEST(WikiLinkPolicy, MarkersSearchesAndSoundFiles)
{
    EXPECT_EQ(decide("file:///opt/melvora/resources/__ZTRELOAD__", false), Decision::Reload);
    EXPECT_EQ(decide("file:///opt/melvora/resources/__ZTOPEN_IN_BROWSER__", false), Decision::OpenArticleInBrowser);
    EXPECT_EQ(decide("https://www.google.com/search?q=%22Tritone%22", false), Decision::OpenInBrowser);
    EXPECT_EQ(decide("https://www.google.com.example.net/search", false), Decision::Use);
    EXPECT_EQ(decide("https://upload.wikimedia.org/wikipedia/commons/a/ab/Tritone.ogg"), Decision::PlayOgg);
    EXPECT_EQ(decide("https://upload.wikimedia.org/wikipedia/commons/a/ab/Tritone.mid"), Decision::PlayMidi);
    // A file's description page names it after "File:": it is a page, not the sound.
    EXPECT_EQ(decide("https://en.wikipedia.org/wiki/File:Tritone.ogg"), Decision::UseWithoutJavaScript);
    EXPECT_EQ(decide("https://example.net/wiki/File:Tritone.ogg"), Decision::OpenInBrowser);
    // A sound file reached without a click (the page's own load) is not played.
    EXPECT_EQ(decide("https://upload.wikimedia.org/x/Tritone.ogg", false), Decision::Use);
}

TEST_F(WikiPagesTest, CacheFilesAreFlatNamesAndLongAddressesAreHashed)
{
    const QUrl article(QStringLiteral("https://en.wikipedia.org/wiki/Interval_(music)"));
    const QString path = ZTWikiCache::pathForURL(article);
    EXPECT_EQ(QFileInfo(path).fileName(), QStringLiteral("https:__en.wikipedia.org_wiki_Interval_(music).mhtml"));
    EXPECT_TRUE(QFileInfo(path).absolutePath().startsWith(Paths::cachesFolder()));
    EXPECT_TRUE(QDir(QFileInfo(path).absolutePath()).exists());
    // "/" and "_" are one and the same in a name.
    EXPECT_EQ(ZTWikiCache::fileNameForURL(QUrl(QStringLiteral("https://a.org/b/c"))),
              ZTWikiCache::fileNameForURL(QUrl(QStringLiteral("https://a.org/b_c"))));

    const QUrl longOne(QStringLiteral("https://en.wikipedia.org/wiki/") + QString(400, QLatin1Char('x')));
    const QUrl otherLong(QStringLiteral("https://en.wikipedia.org/wiki/") + QString(401, QLatin1Char('x')));
    const QString name = ZTWikiCache::fileNameForURL(longOne);
    EXPECT_LE(name.toUtf8().size(), 255);
    EXPECT_NE(name, ZTWikiCache::fileNameForURL(otherLong));
    QFile file(QDir(ZTWikiCache::folder()).filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly)); // a name the file system takes
    EXPECT_EQ(ZTWikiCache::pathForURL(QUrl()), QString());
}

TEST_F(WikiPagesTest, AnArticleIsOutdatedOnlyPastTenDays)
{
    const QString path = environment_.writeFile(QStringLiteral("article.mhtml"), "x");
    const QDateTime modified = QFileInfo(path).lastModified().toUTC();
    EXPECT_FALSE(ZTWikiCache::isOutdated(path, modified.addSecs(ZTWikiCache::kMaxAgeSeconds)));
    EXPECT_TRUE(ZTWikiCache::isOutdated(path, modified.addSecs(ZTWikiCache::kMaxAgeSeconds + 1)));
    EXPECT_FALSE(ZTWikiCache::isOutdated(path + QStringLiteral(".missing"), modified.addYears(1)));
}
