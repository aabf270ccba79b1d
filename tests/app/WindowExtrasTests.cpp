// The update commands in the application menu, and the encyclopedia pane's hookup in the
// exercise screen (with a pane that records what it is asked).
#include "AppTestSupport.h"

#include "PrintInfo.h"
#include "PrintOperation.h"
#include "Reachability.h"
#include "ZTAbstractTestController.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTTest.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPrinter>
#include <QProgressBar>

namespace {

class RecordingPane : public ZTWikiPane {
public:
    explicit RecordingPane(QWidget* parent) : widget(new QWidget(parent)) {}
    QWidget* view() override { return widget; }
    void loadWebViewWithURL(const QUrl& url, std::shared_ptr<ZTTest> test, const QString& exerciseName) override
    {
        loads << Load{url, std::move(test), exerciseName};
    }
    void printPage(QPrinter& printer) override { printedOn = &printer; }

    struct Load {
        QUrl url;
        std::shared_ptr<ZTTest> test;
        QString exerciseName;
    };
    QWidget* widget;
    QList<Load> loads;
    QPrinter* printedOn = nullptr;
};

class WindowExtrasTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ZTAppDelegate::setUpdateChecker([this](bool userInitiated, QWidget* window) {
            checks_ << userInitiated;
            checkWindow_ = window;
        });
        ZTMainViewController::setWikiPaneMaker([this](QWidget* parent, ZTWikiWebViewDelegate* delegate, QProgressBar* indicator) {
            pane_ = new RecordingPane(parent);
            paneDelegate_ = delegate;
            indicator_ = indicator;
            return pane_;
        }, QStringLiteral("127.0.0.1"));
    }
    void TearDown() override
    {
        AppTest::TearDown();
        ZTAppDelegate::setUpdateChecker({});
        ZTMainViewController::setWikiPaneMaker({}, QString());
        // The pane went with the screen.
        delete pane_;
    }

    QStringList applicationMenuTitles() const
    {
        QStringList titles;
        for (QAction* item : delegate()->melvoraMenuItem()->menu()->actions())
            titles << (item->isSeparator() ? QStringLiteral("-") : item->text());
        return titles;
    }

    QList<bool> checks_;
    QWidget* checkWindow_ = nullptr;
    RecordingPane* pane_ = nullptr;
    ZTWikiWebViewDelegate* paneDelegate_ = nullptr;
    QProgressBar* indicator_ = nullptr;
};

} // namespace

TEST_F(WindowExtrasTest, TheUpdateCommandsStandAfterPreferencesAndTheStartUpCheckIsSilent)
{
    launch();
    EXPECT_EQ(applicationMenuTitles(), (QStringList{"About Melvora", "-", "Preferences …", "-", "Check for updates …",
                                                    "Check for updates on startup?", "-", "Reset Preferences …", "-",
                                                    "Quit Melvora"}));
    // The setting is on by default: one silent check at start-up, on the main window.
    EXPECT_EQ(checks_, QList<bool>{false});
    EXPECT_EQ(checkWindow_, delegate()->window());
    QAction* automatic = delegate()->menuItemWithAction(QStringLiteral("autoCheckForUpdatesAction"));
    EXPECT_TRUE(automatic->isChecked());

    delegate()->menuItemWithAction(QStringLiteral("checkForUpdates"))->trigger();
    EXPECT_EQ(checks_, (QList<bool>{false, true}));

    automatic->trigger();
    EXPECT_FALSE(ZTPreferences::sharedPreferences()->checkForUpdates());
    EXPECT_FALSE(automatic->isChecked());
    restart();
    EXPECT_EQ(checks_, (QList<bool>{false, true})); // no check at this start
    EXPECT_FALSE(delegate()->menuItemWithAction(QStringLiteral("autoCheckForUpdatesAction"))->isChecked());
}

TEST_F(WindowExtrasTest, WithoutAnUpdateCheckTheCommandsAreOff)
{
    ZTAppDelegate::setUpdateChecker({});
    launch();
    delegate()->validateMenus();
    EXPECT_FALSE(delegate()->menuItemWithAction(QStringLiteral("checkForUpdates"))->isEnabled());
    EXPECT_FALSE(delegate()->menuItemWithAction(QStringLiteral("autoCheckForUpdatesAction"))->isEnabled());
}

TEST_F(WindowExtrasTest, ThePaneIsMadeWhenFirstShownAndLoadsTheExercisesArticleOnlyWhileItIsShown)
{
    launch();
    // The encyclopedia's host is watched from the start; a change asks for its state
    // (loopback is always there).
    ASSERT_NE(screen()->internetReach(), nullptr);
    EXPECT_TRUE(screen()->internetReach()->isNotifying());
    EXPECT_FALSE(screen()->isReachable());
    screen()->reachabilityChanged();
    EXPECT_TRUE(screen()->isReachable());
    // Training mode: the pane is hidden, and not even made.
    screen()->loadWebView();
    EXPECT_EQ(pane_, nullptr);
    EXPECT_EQ(screen()->wikiPane(), nullptr);

    screen()->setupPracticeMode(true);
    ASSERT_NE(pane_, nullptr);
    EXPECT_EQ(screen()->wikiPane(), pane_);
    EXPECT_EQ(indicator_, screen()->downloadProgressIndicator());
    EXPECT_EQ(pane_->widget->parentWidget(), screen()->webView());
    ASSERT_EQ(pane_->loads.size(), 1);
    EXPECT_FALSE(screen()->webView()->isHidden());
    EXPECT_EQ(pane_->loads[0].url, QUrl(QStringLiteral("https://en.wikipedia.org/wiki/Interval_(music)")));
    EXPECT_EQ(pane_->loads[0].test, nullptr);
    EXPECT_EQ(pane_->loads[0].exerciseName, QStringLiteral("Interval recognition"));

    // A clicked item asks for its own article.
    const QVariantList rows = screen()->currentLessonController()->arrayForTableView();
    for (qsizetype row = 0; row < rows.size(); ++row) {
        if (rows[row].toMap().value(QStringLiteral("name")).toString() == QLatin1String("Perfect fifth")) {
            screen()->tableView()->clickRow(row);
            break;
        }
    }
    finishPlaying();
    ASSERT_EQ(pane_->loads.size(), 2);
    EXPECT_EQ(pane_->loads[1].url, QUrl(QStringLiteral("https://en.wikipedia.org/wiki/Perfect_fifth")));
    ASSERT_NE(pane_->loads[1].test, nullptr);
    EXPECT_EQ(pane_->loads[1].test->name(), QStringLiteral("Perfect fifth"));

    // Back in Training mode and in again: the same pane.
    RecordingPane* first = pane_;
    screen()->setupPracticeMode(false);
    screen()->setupPracticeMode(true);
    EXPECT_EQ(pane_, first);
    EXPECT_EQ(pane_->loads.size(), 3);

    // Started in Learning mode, the pane shows, so it is made at once.
    pane_ = nullptr;
    restart();
    delete first;
    ASSERT_NE(pane_, nullptr);
    EXPECT_EQ(pane_->loads.size(), 1);
}

TEST_F(WindowExtrasTest, TheWheelTurnsWhileAPageLoads)
{
    launch();
    screen()->setupPracticeMode(true);
    ASSERT_NE(paneDelegate_, nullptr);
    QWidget* wheel = screen()->wheel();
    EXPECT_TRUE(wheel->isHidden());
    paneDelegate_->wikiWebViewDidStartLoad();
    EXPECT_FALSE(wheel->isHidden());
    paneDelegate_->wikiWebViewDidFinishLoad();
    EXPECT_TRUE(wheel->isHidden());
    paneDelegate_->wikiWebViewDidStartLoad();
    paneDelegate_->wikiWebViewDidFailLoad(QStringLiteral("net::ERR_CONNECTION_REFUSED"));
    EXPECT_TRUE(wheel->isHidden());
}

TEST_F(WindowExtrasTest, TheArticlePrintsWithTheUsersOwnSettings)
{
    const PrintInfo::Settings user{QPageLayout::Portrait, QMarginsF(30, 30, 30, 30), 1.0};
    PrintInfo::sharedPrintInfo().setSettings(user);
    bool panelShown = false;
    PrintOperation::setPanelResponder([&panelShown](QPrinter&) { return panelShown = true; });
    launch();
    screen()->setupPracticeMode(true);
    alertAnswer_ = 1; // "Wikipedia Article"
    delegate()->print();
    PrintOperation::setPanelResponder({});
    EXPECT_TRUE(panelShown);
    EXPECT_EQ(pane_->printedOn, &PrintInfo::sharedPrintInfo().printer());
    EXPECT_EQ(PrintInfo::sharedPrintInfo().settings(), user);
}
