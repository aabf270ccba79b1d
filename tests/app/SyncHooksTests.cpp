// The shell's side of cloud sync, with a stand-in for the sync engine: the pass at launch, the
// quit sheet and its three answers, "Sync and Quit" that never ends silently with changes left,
// and the conflict window opened once per pass.
#include "AppTestSupport.h"

#include "ZTConflictResolver.h"
#include "ZTMainViewController.h"
#include "ZTPreferences.h"
#include "ZTToolbarInfoView.h"

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

const QString kFinished = QStringLiteral("ZTDropboxControllerSyncFinishedNotification");

class SyncHooksTest : public AppTest {
protected:
    void SetUp() override
    {
        AppTest::SetUp();
        ZTAppDelegate::setSyncService({[this](QWidget* controller) { startedWith_ << controller; },
                                       [this] { return linked_; }, [this] { ++unlinks_; },
                                       [this] { return unsynced_; }});
    }
    void TearDown() override
    {
        ZTAppDelegate::setSyncService({});
        ZTMainViewController::setConflictResolverFactory({});
        AppTest::TearDown();
    }
    bool hasQuit() const { return !delegate()->window()->isVisible(); }
    // Launched with sync on and changes not yet on Dropbox.
    void launchWithUnsyncedChanges()
    {
        launch();
        prefs()->setDropBoxSync(true);
        unsynced_ = true;
        startedWith_.clear();
    }

    QList<QWidget*> startedWith_;
    bool linked_ = true;
    bool unsynced_ = false;
    int unlinks_ = 0;
};

} // namespace

TEST_F(SyncHooksTest, LaunchSyncsWhenSyncIsOnAndDropsALinkLeftWhenItIsOff)
{
    launch();
    EXPECT_TRUE(startedWith_.isEmpty());
    EXPECT_EQ(unlinks_, 1);

    prefs()->setDropBoxSync(true);
    restart();
    EXPECT_EQ(startedWith_, QList<QWidget*>{screen()});
    EXPECT_EQ(unlinks_, 1);
}

TEST_F(SyncHooksTest, QuittingWithUnsyncedChangesAsksFirstAndEachAnswerDoesWhatItSays)
{
    launchWithUnsyncedChanges();
    alertAnswer_ = 1;  // Cancel
    EXPECT_EQ(delegate()->applicationShouldTerminate(), ZTAppDelegate::TerminateReply::Later);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Your recent changes have not been synced to Dropbox yet!"));
    EXPECT_EQ(alerts_[0].buttons, (QStringList{QStringLiteral("Sync and Quit"), QStringLiteral("Cancel"), QStringLiteral("Quit")}));
    EXPECT_FALSE(hasQuit());
    EXPECT_TRUE(startedWith_.isEmpty());

    // Changes only of parts that do not sync never hold the quit.
    unsynced_ = false;
    EXPECT_EQ(delegate()->applicationShouldTerminate(), ZTAppDelegate::TerminateReply::Now);
    unsynced_ = true;

    alertAnswer_ = 2;  // Quit
    delegate()->terminate();
    EXPECT_TRUE(hasQuit());
}

TEST_F(SyncHooksTest, SyncAndQuitEndsOnlyWhenEverythingReachedDropbox)
{
    launchWithUnsyncedChanges();
    alertAnswer_ = 0;  // Sync and Quit
    delegate()->terminate();
    EXPECT_EQ(startedWith_, QList<QWidget*>{screen()});
    EXPECT_TRUE(delegate()->isQuittingAfterSync());
    EXPECT_EQ(screen()->toolbarInfoView()->title(), QStringLiteral("Syncing..."));
    EXPECT_FALSE(hasQuit());

    // The pass ends with a failure: the user is told and chooses; Cancel keeps the application.
    alerts_.clear();
    NotificationCenter::defaultCenter().post(kFinished, nullptr, {},
                                             {{QStringLiteral("failures"), QStringList{QStringLiteral("Statistics: offline")}}});
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Your recent changes could not be synced to Dropbox."));
    EXPECT_EQ(alerts_[0].informativeText, QStringLiteral("Statistics: offline"));
    EXPECT_FALSE(hasQuit());
    EXPECT_FALSE(delegate()->isQuittingAfterSync());
    EXPECT_TRUE(screen()->toolbarInfoView()->title().isEmpty());

    // Again, and this time the pass carries everything: the application ends.
    delegate()->terminate();
    unsynced_ = false;
    NotificationCenter::defaultCenter().post(kFinished);
    EXPECT_TRUE(hasQuit());
}

TEST_F(SyncHooksTest, SyncAndQuitWithoutASignInOrWithSyncTurnedOffOnlyCancels)
{
    launchWithUnsyncedChanges();
    alertAnswer_ = 0;
    linked_ = false;
    delegate()->terminate();
    EXPECT_EQ(startedWith_.size(), 1);  // the pass asks the user to sign in
    EXPECT_FALSE(delegate()->isQuittingAfterSync());

    linked_ = true;
    startedWith_.clear();
    Alert::setResponder([this](const Alert::Request&) {
        prefs()->setDropBoxSync(false);  // switched off while the sheet was up
        return 0;
    });
    delegate()->terminate();
    EXPECT_TRUE(startedWith_.isEmpty());
    EXPECT_FALSE(hasQuit());
}

TEST_F(SyncHooksTest, AllConflictsOfAPassBecomeRowsOfOneWindow)
{
    struct RecordingResolver : ZTConflictResolver {
        explicit RecordingResolver(QList<int>& areas) : areas(areas) {}
        void addConflict(int area) override { areas << area; }
        void runModalSession() override
        {
            // Later conflicts arrive while the window runs.
            NotificationCenter::defaultCenter().post(QStringLiteral("ZTDropboxControllerServerLevelsDidChangedNotification"));
            NotificationCenter::defaultCenter().post(QStringLiteral("ZTDropboxControllerServerExercisesDidChangedNotification"));
            NotificationCenter::defaultCenter().post(QStringLiteral("ZTDropboxControllerServerPrefsDidChangedNotification"));
        }
        QList<int>& areas;
    };
    QList<int> areas;
    int windows = 0;
    ZTMainViewController::setConflictResolverFactory([&] {
        ++windows;
        return std::make_unique<RecordingResolver>(areas);
    });
    launch();
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTDropboxControllerServerStatDidChangedNotification"));
    EXPECT_EQ(windows, 1);
    EXPECT_EQ(areas, (QList<int>{1, 2, 2, 3}));
    EXPECT_EQ(screen()->resolver(), nullptr);
}
