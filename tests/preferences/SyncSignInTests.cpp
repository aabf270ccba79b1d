// Signing in to Dropbox from the Sync tab against the stand-in service: a sign-in that is
// cancelled or fails leaves sync off, and the Preferences window stays in front.
#include "PreferencesTestSupport.h"

#include "FakeDropbox.h"
#include "NotificationCenter.h"
#include "ZTDropboxController.h"
#include "ZTPreferences.h"
#include "ZTSyncAlerts.h"

#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTest>

namespace {

ZTDropboxController* engine()
{
    return ZTDropboxController::sharedInstance();
}

class SyncSignInTest : public PreferencesTest {
protected:
    void SetUp() override
    {
        PreferencesTest::SetUp();
        ZTDropboxController::releaseShared();
        ZTDropboxController::configure(DropboxEndpoints::allAt(fake_.url()),
                                       environment_->applicationSupportFolder() + QStringLiteral("/dropbox-credentials.json"));
        // As the program installs it.
        ZTPreferencesWindowController::setSyncEngine({[] { engine()->startManualSyncWithController(nullptr); },
                                                      [] { engine()->stopSync(); }, [] { engine()->unlink(); }});
        engine()->setURLOpener([this](const QUrl& page) { fake_.visitSignInPage(page); });
        notLinked_ = NotificationCenter::defaultCenter().addObserver(
            QStringLiteral("ZTDropboxControllerNotLinkedNotification"), [this](const Notification&) { ++notLinkedCount_; });
    }
    void TearDown() override
    {
        notLinked_.remove();
        ZTDropboxController::releaseShared();
        ZTDropboxController::configure({});
        PreferencesTest::TearDown();
    }

    bool wait(const std::function<bool()>& condition) { return waitUntil(condition, 10000, queue_.get()); }

    // The main window launched, the Sync tab in front of it, and "Dropbox Sync" switched on.
    QWidget* switchOnFromTheSyncTab()
    {
        launch();
        ZTPreferencesWindowController::showWindowOnTab(QStringLiteral("sync"));
        QWidget* window = controller()->window();
        EXPECT_TRUE(wait([&] { return QApplication::activeWindow() == window; }));
        outlets().dropBoxSyncCheckbox->click();
        EXPECT_TRUE(prefs()->dropBoxSync());
        return window;
    }

    void expectSyncOff()
    {
        settle();
        EXPECT_FALSE(prefs()->dropBoxSync());
        EXPECT_FALSE(outlets().dropBoxSyncCheckbox->isChecked());
        EXPECT_FALSE(engine()->isLinked());
    }

    FakeDropbox fake_;
    ZTSyncAlerts syncAlerts_;
    NotificationObserver notLinked_;
    int notLinkedCount_ = 0;
};

} // namespace

TEST_F(SyncSignInTest, ACancelledSignInLeavesSyncOff)
{
    fake_.setApproveSignIn(false);
    QWidget* preferences = switchOnFromTheSyncTab();
    ASSERT_TRUE(wait([&] { return notLinkedCount_ == 1; }));
    expectSyncOff();
    EXPECT_TRUE(alerts_.isEmpty());
    EXPECT_EQ(QApplication::activeWindow(), preferences);
}

TEST_F(SyncSignInTest, AFailedSignInIsToldOnThePreferencesWindowWhichStaysInFront)
{
    fake_.failNext(QStringLiteral("token"), {400, R"({"error": "invalid_grant"})"});
    Alert::setResponder({});
    QWidget* preferences = switchOnFromTheSyncTab();

    QMessageBox* alert = nullptr;
    ASSERT_TRUE(wait([&] { return (alert = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())); }));
    EXPECT_EQ(alert->text(), QStringLiteral("Melvora could not sign in to Dropbox."));
    EXPECT_EQ(alert->parentWidget()->window(), preferences);
    QTest::keyClick(alert, Qt::Key_Return);
    EXPECT_TRUE(wait([&] { return !QApplication::activeModalWidget() && QApplication::activeWindow() == preferences; }));
    expectSyncOff();
    EXPECT_EQ(QApplication::activeWindow(), preferences);
}
