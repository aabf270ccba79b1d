// The conflict window: its rows and buttons, what each choice keeps, and its modal session
// (no busy waiting, other modal windows left alone, over when the window closes).
#include "SyncTestSupport.h"

#include "FMDatabase.h"
#include "Localization.h"
#include "Log.h"
#include "PropertyList.h"
#include "ZTDropboxConflictResolverWindowController.h"
#include "ZTPreferences.h"
#include "ZTSyncConflictButton.h"
#include "ZTUtils.h"

#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QListWidget>
#include <QTest>
#include <QTimer>

#include <ctime>

namespace {

using Window = ZTDropboxConflictResolverWindowController;

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

int areaOf(const QString& notification)
{
    if (notification.contains(QLatin1String("Stat")))
        return 1;
    return notification.contains(QLatin1String("Prefs")) ? 3 : 2;
}

void saveShot(QWidget* window, const QString& name)
{
    const QString folder = qEnvironmentVariable("MELVORA_APP_SHOTS");
    if (!folder.isEmpty()) {
        QDir().mkpath(folder);
        window->grab().save(folder + QLatin1Char('/') + name + QStringLiteral(".png"));
    }
}

class ConflictWindowTest : public SyncTest {
protected:
    // Plays the main view controller's part: the first conflict opens the window in a modal
    // session, later ones become rows; `choose` runs inside the session.
    void settleConflictsWith(std::function<void(Window&)> choose)
    {
        onConflict_ = [this, choose](const QString& notification) {
            if (window_) {
                window_->addConflict(areaOf(notification));
                return;
            }
            window_ = std::make_unique<Window>();
            window_->addConflict(areaOf(notification));
            QTimer::singleShot(100, window_->window(), [this, choose] { choose(*window_); });
            window_->runModalSession();
            window_.reset();
        };
    }
    static void click(Window& window, int row, Window::Solution solution)
    {
        window.tableView()->setCurrentRow(row);
        QTest::mouseClick(solution == Window::Device ? static_cast<QWidget*>(window.deviceButton())
                                                     : static_cast<QWidget*>(window.dropBoxButton()),
                          Qt::LeftButton);
    }

    std::unique_ptr<Window> window_;
};

} // namespace

TEST_F(ConflictWindowTest, RowsAreOnePerAreaAndTheButtonsFollowTheSelection)
{
    LogCapture log;
    Window window;
    EXPECT_EQ(window.window()->windowTitle(), localized(QStringLiteral("Sync Conflict Resolver")));
    EXPECT_FALSE(window.deviceButton()->isEnabled());
    EXPECT_TRUE(window.deviceButton()->filename().isEmpty());
    EXPECT_EQ(window.deviceButton()->buttonTitle(), localized(QStringLiteral("Mac")));
    EXPECT_EQ(window.dropBoxButton()->icon(), QStringLiteral("syncDropboxIcon"));

    window.addConflict(2);
    window.addConflict(0);
    window.addConflict(2);
    window.addConflict(1);
    EXPECT_EQ(window.conflicts(), (QList<int>{2, 1}));
    EXPECT_EQ(window.tableView()->count(), 2);
    EXPECT_EQ(window.tableView()->currentRow(), 0);
    EXPECT_EQ(window.tableView()->item(0)->text(), localized(QStringLiteral("Custom Levels/Exercises")));
    EXPECT_TRUE(window.dropBoxButton()->isEnabled());
    EXPECT_EQ(window.dropBoxButton()->filename(), localized(QStringLiteral("Custom Levels/Exercises")));
    // Nothing of the levels was seen on Dropbox yet: no date to show.
    EXPECT_TRUE(window.dropBoxButton()->date().isEmpty());

    window.tableView()->setCurrentRow(1);
    EXPECT_EQ(window.deviceButton()->filename(), localized(QStringLiteral("Statistics")));
    EXPECT_EQ(window.deviceButton()->date(), ZTUtils::toDateTimeString(ZTUtils::databaseModDate()));
    window.tableView()->setCurrentRow(-1);
    EXPECT_FALSE(window.dropBoxButton()->isEnabled());
    EXPECT_TRUE(window.dropBoxButton()->date().isEmpty());
    EXPECT_EQ(window.tableViewObjectValue(5), QStringLiteral("????"));
    EXPECT_TRUE(log.contains(QStringLiteral("ERROR: This should never been called")));
}

TEST_F(ConflictWindowTest, EachChoiceKeepsExactlyWhatItSays)
{
    link();
    switchOn(true, true, false);
    answer(QStringLiteral("Ours"), 1);
    editCustomLevels(QStringLiteral("Ours"));
    sync();

    // Another computer changed everything; so did this one.
    answer(QStringLiteral("Ours too"), 1);
    editCustomLevels(QStringLiteral("Ours, changed"));
    const QByteArray theirStats = [&] {
        ZTUtils::sharedDb()->executeUpdate(QStringLiteral("INSERT INTO stats VALUES ('Interval recognition', 'Theirs', 5, 0)"));
        const QByteArray bytes = *ZTUtils::databaseSnapshot();
        ZTUtils::sharedDb()->executeUpdate(QStringLiteral("DELETE FROM stats WHERE itemName = 'Theirs'"));
        return bytes;
    }();
    fake_.putFile(QStringLiteral("/stats.db"), theirStats);
    fake_.putFile(QStringLiteral("/levels.plist"), PropertyList::toXml(customLevels(QStringLiteral("Theirs"))));
    const QVariantList theirExercises{QVariantMap{{QStringLiteral("name"), QStringLiteral("Chord recognition")},
                                                  {QStringLiteral("items"), QVariantList{}}}};
    fake_.putFile(QStringLiteral("/exercises.plist"), PropertyList::toXml(theirExercises));
    // Their exercises cannot be fetched in this pass: the window must not take that revision.
    fake_.failNext(QStringLiteral("download"), {500, "busy"});

    settleConflictsWith([this](Window& window) {
        // Both conflicts of the pass come to the one open window; the failed download of the
        // exercises is over by the time the user chooses.
        if (!waitFor([&] { return window.conflicts().size() == 2 && !engine()->isSyncing(DropboxSyncItem::Exercises); })) {
            ADD_FAILURE() << "the second conflict did not arrive";
            window.window()->close();
            return;
        }
        saveShot(window.window(), QStringLiteral("conflict-window"));
        click(window, int(window.conflicts().indexOf(1)), Window::Dropbox);
        EXPECT_EQ(window.conflicts(), QList<int>{2});
        click(window, 0, Window::Device);
    });
    sync();
    EXPECT_FALSE(window_);
    EXPECT_EQ(conflicts_.size(), 2);

    // "Dropbox" for the statistics: this computer now holds exactly the Dropbox copy.
    EXPECT_EQ(statsRows(), statsRowsOf(theirStats));
    EXPECT_EQ(prefs()->dropboxStatRev(), fake_.file(QStringLiteral("/stats.db"))->rev);
    EXPECT_FALSE(prefs()->statWasChangedDuringLastSync());
    // "Mac" for levels and exercises: Dropbox now holds exactly this computer's copies, the
    // exercises too, whose newer Dropbox revision was never fetched.
    EXPECT_EQ(PropertyList::fromData(fake_.file(QStringLiteral("/levels.plist"))->bytes).value(),
              QVariant(customLevels(QStringLiteral("Ours, changed"))));
    EXPECT_EQ(PropertyList::fromData(fake_.file(QStringLiteral("/exercises.plist"))->bytes).value(),
              QVariant(prefs()->customExercises()));
    EXPECT_EQ(prefs()->dropboxExercisesRev(), fake_.file(QStringLiteral("/exercises.plist"))->rev);
    EXPECT_EQ(prefs()->dropboxLevelsRev(), fake_.file(QStringLiteral("/levels.plist"))->rev);
    EXPECT_FALSE(engine()->hasUnsyncedChanges());
    for (const QString& mode : fake_.uploadModes().mid(3))
        EXPECT_TRUE(mode.startsWith(QStringLiteral("update:"))) << mode.toStdString();
}

TEST_F(ConflictWindowTest, TheModalSessionWaitsQuietlyLeavesOtherModalWindowsAndEndsWhenClosed)
{
    QDialog other;
    other.setWindowModality(Qt::ApplicationModal);
    bool otherStillOpenAfterwards = false;
    double cpuShare = 1;
    QTimer::singleShot(0, &other, [&] {
        Window window;
        window.addConflict(3);
        QTimer::singleShot(600, window.window(), [&] { window.window()->close(); });
        const std::clock_t cpuBefore = std::clock();
        QElapsedTimer wall;
        wall.start();
        window.runModalSession();
        cpuShare = double(std::clock() - cpuBefore) / CLOCKS_PER_SEC / (wall.elapsed() / 1000.0);
        EXPECT_GE(wall.elapsed(), 550);
        EXPECT_EQ(window.conflicts(), QList<int>{3});
        otherStillOpenAfterwards = other.isVisible();
        other.close();
    });
    other.exec();
    EXPECT_TRUE(otherStillOpenAfterwards);
    EXPECT_LT(cpuShare, 0.5);
}
