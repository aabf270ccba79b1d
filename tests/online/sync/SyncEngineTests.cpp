// The sync engine's passes against the stand-in service: what each revision check leads to,
// which answers count as a missing file, conflicts (also an upload that meets a newer file),
// reads that fail, changes made while a transfer runs, the pull timer and signing in.
#include "SyncTestSupport.h"

#include "DropboxAuthorization.h"
#include "FMDatabase.h"
#include "Log.h"
#include "PropertyList.h"
#include "ZTPreferences.h"
#include "ZTSyncAlerts.h"
#include "ZTUtils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QTcpSocket>
#include <QThread>
#include <QUrlQuery>

#include <atomic>

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QVariant plistOf(const std::optional<FakeDropbox::File>& file)
{
    return file ? PropertyList::fromData(file->bytes).value_or(QVariant()) : QVariant();
}

} // namespace

TEST_F(SyncTest, TheFirstPassCreatesEveryFileFromTheLocalCopiesAndTheNextMovesNothing)
{
    link();
    switchOn(true, true, true);
    answer(QStringLiteral("Minor second"), 4);
    editCustomLevels(QStringLiteral("Seconds"));
    prefs()->setAutoPlayTime(7);

    EXPECT_TRUE(sync().isEmpty());
    EXPECT_EQ(fake_.uploadModes(), QStringList(4, QStringLiteral("add")));
    EXPECT_EQ(statsRowsOf(fake_.file(QStringLiteral("/stats.db"))->bytes),
              (QList<QStringList>{{QStringLiteral("Minor second"), QStringLiteral("4")}}));
    EXPECT_EQ(plistOf(fake_.file(QStringLiteral("/levels.plist"))), QVariant(customLevels(QStringLiteral("Seconds"))));
    EXPECT_EQ(plistOf(fake_.file(QStringLiteral("/exercises.plist"))), QVariant(QVariantList()));
    const QVariantMap syncedPrefs = plistOf(fake_.file(QStringLiteral("/prefs.plist"))).toMap();
    EXPECT_EQ(syncedPrefs.value(QStringLiteral("autoPlayTime")).toInt(), 7);
    EXPECT_FALSE(syncedPrefs.contains(QStringLiteral("dropBoxSync")));
    EXPECT_FALSE(syncedPrefs.contains(QStringLiteral("dropboxStatRev")));

    EXPECT_EQ(prefs()->dropboxStatRev(), fake_.file(QStringLiteral("/stats.db"))->rev);
    EXPECT_EQ(prefs()->dropboxPrefsRev(), fake_.file(QStringLiteral("/prefs.plist"))->rev);
    EXPECT_FALSE(engine()->hasUnsyncedChanges());
    EXPECT_TRUE(engine()->hasPullTimer());
    // Every temporary file (the statistics snapshot) is gone again.
    EXPECT_TRUE(QDir(environment_.root() + QStringLiteral("/tmp")).entryList(QDir::Files | QDir::NoDotAndDotDot).isEmpty());

    fake_.clearCalls();
    sync();
    for (const QString& call : fake_.calls())
        EXPECT_TRUE(call.startsWith(QStringLiteral("get_metadata"))) << call.toStdString();
    EXPECT_EQ(fake_.calls().size(), 4);
}

TEST_F(SyncTest, ASecondComputerTakesEverythingAndKeepsItsOldStatisticsAside)
{
    link();
    switchOn(true, true, true);
    // What the first computer put there.
    answer(QStringLiteral("Major third"), 9);
    fake_.putFile(QStringLiteral("/stats.db"), *ZTUtils::databaseSnapshot());
    ZTUtils::sharedDb()->executeUpdate(QStringLiteral("DELETE FROM stats"));
    answer(QStringLiteral("Only here"), 1);
    prefs()->setStatWasChangedDuringLastSync(false);
    fake_.putFile(QStringLiteral("/levels.plist"), PropertyList::toXml(customLevels(QStringLiteral("Thirds"))));
    fake_.putFile(QStringLiteral("/prefs.plist"),
                  PropertyList::toXml(QVariantMap{{QStringLiteral("autoPlayTime"), 9},
                                                  {QStringLiteral("MIDIOutEndpoint"), QStringLiteral("Their synth")}}));

    const QByteArray before = fileBytes(ZTUtils::databasePath());
    EXPECT_TRUE(sync().isEmpty());
    EXPECT_EQ(statsRows(), (QList<QStringList>{{QStringLiteral("Major third"), QStringLiteral("9")}}));
    EXPECT_EQ(statsRowsOf(fileBytes(ZTUtils::databaseBackupPath())),
              (QList<QStringList>{{QStringLiteral("Only here"), QStringLiteral("1")}}));
    EXPECT_EQ(fileBytes(ZTUtils::databaseBackupPath()), before);
    EXPECT_EQ(prefs()->customLevels(), customLevels(QStringLiteral("Thirds")));
    EXPECT_EQ(prefs()->autoPlayTime(), 9);
    // Device choices stay this computer's.
    EXPECT_NE(prefs()->_objectForKey(QStringLiteral("MIDIOutEndpoint")).toString(), QStringLiteral("Their synth"));
    EXPECT_FALSE(prefs()->prefsWereChangedDuringLastSync());
    EXPECT_EQ(prefs()->dropboxLevelsRev(), fake_.file(QStringLiteral("/levels.plist"))->rev);
    EXPECT_TRUE(fake_.uploadModes().contains(QStringLiteral("add")));  // exercises.plist was missing
}

TEST_F(SyncTest, TheSwitchesChooseTheFilesAndCustomExercisesAlwaysSync)
{
    link();
    switchOn(false, false, false);
    sync();
    EXPECT_EQ(fake_.calls(), (QStringList{QStringLiteral("get_metadata /exercises.plist"), QStringLiteral("upload /exercises.plist")}));

    fake_.clearCalls();
    prefs()->setSyncDropBoxSettings(true);
    sync();
    QStringList calls = fake_.calls();
    calls.sort();
    EXPECT_EQ(calls, (QStringList{QStringLiteral("get_metadata /exercises.plist"), QStringLiteral("get_metadata /prefs.plist"),
                                  QStringLiteral("upload /prefs.plist")}));
    // A statistics change counts for quitting only while the statistics sync.
    answer(QStringLiteral("Fifth"));
    EXPECT_FALSE(engine()->hasUnsyncedChanges());
    prefs()->setSyncDropBoxStatistics(true);
    EXPECT_TRUE(engine()->hasUnsyncedChanges());
}

TEST_F(SyncTest, OnlyAMissingFileIsCreatedOtherRefusalsAndServerErrorsAreReported)
{
    link();
    switchOn(true, false, false);
    answer(QStringLiteral("Fourth"));
    const QByteArray restricted = R"({"error_summary": "path/restricted_content/", "error": {".tag": "path", "path": {".tag": "restricted_content"}}})";
    // The two checks run at once: each gets one of the refusals.
    fake_.failNext(QStringLiteral("get_metadata"), {409, restricted});
    fake_.failNext(QStringLiteral("get_metadata"), {500, "oops"});

    const QStringList failures = sync().value(QStringLiteral("failures")).toStringList();
    ASSERT_EQ(failures.size(), 2);
    EXPECT_EQ(failures.filter(QStringLiteral("restricted_content")).size(), 1);
    EXPECT_EQ(failures.filter(QStringLiteral("500")).size(), 1);
    EXPECT_EQ(failures.filter(QStringLiteral("Statistics: ")).size(), 1);
    EXPECT_TRUE(fake_.uploadModes().isEmpty());
    EXPECT_FALSE(prefs()->_objectForKey(QStringLiteral("dropboxStatRev")).isValid());
    EXPECT_TRUE(prefs()->statWasChangedDuringLastSync());

    // The service is back: the next pass creates both.
    EXPECT_TRUE(sync().isEmpty());
    EXPECT_EQ(fake_.uploadModes().size(), 2);
    EXPECT_FALSE(prefs()->statWasChangedDuringLastSync());
}

TEST_F(SyncTest, ChangesOnBothSidesRaiseAConflictAndAnUploadNeverReplacesANewerFile)
{
    link();
    switchOn(true, true, false);
    sync();
    const QString firstStatRev = prefs()->dropboxStatRev();

    // Both computers change their statistics.
    answer(QStringLiteral("Here"));
    fake_.putFile(QStringLiteral("/stats.db"), fake_.file(QStringLiteral("/stats.db"))->bytes + QByteArray());
    bool syncingDuringConflict = false;
    onConflict_ = [&](const QString&) { syncingDuringConflict = engine()->isSyncing(DropboxSyncItem::Stat); };
    fake_.clearCalls();
    EXPECT_TRUE(sync().isEmpty());
    EXPECT_EQ(conflicts_, QStringList{QStringLiteral("ZTDropboxControllerServerStatDidChangedNotification")});
    EXPECT_TRUE(syncingDuringConflict);
    EXPECT_TRUE(fake_.uploadModes().isEmpty());
    EXPECT_EQ(prefs()->dropboxStatRev(), firstStatRev);
    EXPECT_TRUE(prefs()->statWasChangedDuringLastSync());

    // The levels: the revision check sees the known file, but another computer writes a newer
    // one before the upload arrives.
    conflicts_.clear();
    prefs()->setSyncDropBoxStatistics(false);
    editCustomLevels(QStringLiteral("Mine"));
    fake_.beforeNext(QStringLiteral("upload"), [this] {
        fake_.putFile(QStringLiteral("/levels.plist"), PropertyList::toXml(customLevels(QStringLiteral("Theirs"))));
    });
    sync();
    EXPECT_EQ(conflicts_, QStringList{QStringLiteral("ZTDropboxControllerServerLevelsDidChangedNotification")});
    EXPECT_EQ(plistOf(fake_.file(QStringLiteral("/levels.plist"))), QVariant(customLevels(QStringLiteral("Theirs"))));
    EXPECT_EQ(prefs()->customLevels(), customLevels(QStringLiteral("Mine")));
    EXPECT_TRUE(prefs()->levelsWereChangedDuringLastSync());
    ASSERT_TRUE(engine()->metadata(DropboxSyncItem::Levels));
    EXPECT_EQ(engine()->metadata(DropboxSyncItem::Levels)->rev, fake_.file(QStringLiteral("/levels.plist"))->rev);
}

TEST_F(SyncTest, AFileThatCannotBeReadIsNotTakenNorItsRevision)
{
    link();
    switchOn(true, true, false);
    answer(QStringLiteral("Kept"));
    sync();
    const QString statRev = prefs()->dropboxStatRev();
    const QString levelsRev = prefs()->dropboxLevelsRev();
    fake_.putFile(QStringLiteral("/stats.db"), "SQLite format 3\0 but nothing after it");
    fake_.putFile(QStringLiteral("/levels.plist"), "<plist><array><dict><key>name</key></array>");

    const QStringList failures = sync().value(QStringLiteral("failures")).toStringList();
    EXPECT_EQ(failures.size(), 2);
    EXPECT_EQ(prefs()->dropboxStatRev(), statRev);
    EXPECT_EQ(prefs()->dropboxLevelsRev(), levelsRev);
    EXPECT_EQ(statsRows(), (QList<QStringList>{{QStringLiteral("Kept"), QStringLiteral("1")}}));
    EXPECT_TRUE(prefs()->customLevels().isEmpty());

    // A well-formed list of the wrong shape is refused the same way.
    fake_.putFile(QStringLiteral("/levels.plist"), PropertyList::toXml(QVariantList{QStringLiteral("not a level list")}));
    fake_.removeFile(QStringLiteral("/stats.db"));
    EXPECT_EQ(sync().value(QStringLiteral("failures")).toStringList().size(), 1);
    EXPECT_EQ(prefs()->dropboxLevelsRev(), levelsRev);
}

TEST_F(SyncTest, ChangesMadeWhileATransferRunsAreNeitherLostNorMarkedAsSynced)
{
    link();
    switchOn(true, true, false);
    sync();

    // An upload carries the levels as they were; a change made meanwhile waits for the next pass.
    std::atomic<bool> arrived = false;
    auto holdNext = [&](const QString& endpoint) {
        arrived = false;
        fake_.beforeNext(endpoint, [&] {
            arrived = true;
            QThread::msleep(300);
        });
    };
    editCustomLevels(QStringLiteral("First"));
    holdNext(QStringLiteral("upload"));
    engine()->startSyncWithController(nullptr);
    ASSERT_TRUE(waitFor([&] { return arrived.load(); }));
    editCustomLevels(QStringLiteral("Second"));
    ASSERT_TRUE(waitFor([&] { return !engine()->isSyncing(); }));
    EXPECT_EQ(plistOf(fake_.file(QStringLiteral("/levels.plist"))), QVariant(customLevels(QStringLiteral("First"))));
    EXPECT_EQ(prefs()->dropboxLevelsRev(), fake_.file(QStringLiteral("/levels.plist"))->rev);
    EXPECT_TRUE(prefs()->levelsWereChangedDuringLastSync());
    sync();
    EXPECT_EQ(plistOf(fake_.file(QStringLiteral("/levels.plist"))), QVariant(customLevels(QStringLiteral("Second"))));

    // A download does not replace statistics that changed while it ran: the check runs again
    // and finds both sides changed.
    fake_.putFile(QStringLiteral("/stats.db"), fake_.file(QStringLiteral("/stats.db"))->bytes);
    holdNext(QStringLiteral("download"));
    engine()->startSyncWithController(nullptr);
    ASSERT_TRUE(waitFor([&] { return arrived.load(); }));
    answer(QStringLiteral("Answered meanwhile"));
    ASSERT_TRUE(waitFor([&] { return !engine()->isSyncing(); }));
    EXPECT_EQ(statsRows(), (QList<QStringList>{{QStringLiteral("Answered meanwhile"), QStringLiteral("1")}}));
    EXPECT_EQ(conflicts_, QStringList{QStringLiteral("ZTDropboxControllerServerStatDidChangedNotification")});
}

TEST_F(SyncTest, ThereIsOnlyEverOnePullTimer)
{
    link();
    switchOn(false, false, false);
    sync();
    sync();
    EXPECT_TRUE(engine()->hasPullTimer());
    fake_.clearCalls();
    // Second by second up to the pass the timer starts (which may also have ended within the
    // step that started it), so that the timer of that pass's own end is not due yet.
    for (int second = 0; second <= 300 && !engine()->isSyncing() && fake_.calls().isEmpty(); ++second)
        queue_.advance(1);
    ASSERT_TRUE(waitFor([&] { return !engine()->isSyncing() && !fake_.calls().isEmpty(); }));
    // One pass from the one timer, however many passes ended before.
    EXPECT_EQ(fake_.calls().count(QStringLiteral("get_metadata /exercises.plist")), 1);

    engine()->stopSync();
    EXPECT_FALSE(engine()->hasPullTimer());
    queue_.advance(301);
    EXPECT_FALSE(engine()->isSyncing());
}

TEST_F(SyncTest, WithoutASignInTheUserIsAskedAndAManualStartSignsInAndSyncsAtOnce)
{
    EXPECT_EQ(ZTDropboxController::applicationKey(), ZTDropboxController::kApplicationKey);
    switchOn(false, false, false);
    alertAnswer_ = 1;  // "Turn off"
    engine()->startSyncWithController(nullptr);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].buttons, (QStringList{QStringLiteral("Login"), QStringLiteral("Turn off")}));
    EXPECT_FALSE(prefs()->dropBoxSync());
    EXPECT_FALSE(engine()->hasPullTimer());

    LogCapture log;
    engine()->setURLOpener([this](const QUrl& page) { fake_.visitSignInPage(page); });
    engine()->startManualSyncWithController(nullptr);
    EXPECT_EQ(alerts_.size(), 1);
    ASSERT_TRUE(waitFor([&] { return finishedCount_ > 0; }));
    EXPECT_TRUE(engine()->isLinked());
    EXPECT_TRUE(log.contains(QStringLiteral("Success! User is logged into Dropbox.")));
    EXPECT_TRUE(fake_.file(QStringLiteral("/exercises.plist")).has_value());
    const QByteArray token = fileBytes(credentialsPath());
    EXPECT_FALSE(fileBytes(prefs()->prefsPath()).contains("access_token"));
    EXPECT_FALSE(fileBytes(prefs()->prefsPath()).contains(QJsonDocument::fromJson(token)["access_token"].toString().toUtf8()));

    // A denied sign-in is announced, with no reason to tell as a failure, and turns sync off.
    engine()->unlink();
    prefs()->setDropBoxSync(true);
    fake_.setApproveSignIn(false);
    std::optional<Notification> notLinked;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTDropboxControllerNotLinkedNotification"), [&](const Notification& n) { notLinked = n; });
    engine()->startManualSyncWithController(nullptr);
    ASSERT_TRUE(waitFor([&] { return notLinked.has_value(); }));
    EXPECT_FALSE(notLinked->userInfo.contains(QStringLiteral("reason")));
    EXPECT_TRUE(log.contains(QStringLiteral("Authorization flow was manually canceled by user!")));
    EXPECT_FALSE(prefs()->dropBoxSync());
}

TEST_F(SyncTest, TheApplicationKeyComesFromTheEnvironmentWhenItHoldsOne)
{
    struct Variable {
        Variable(const QByteArray& value) { qputenv("MELVORA_DROPBOX_APP_KEY", value); }
        ~Variable() { qunsetenv("MELVORA_DROPBOX_APP_KEY"); }
    };
    {
        const Variable key(" k3y0fMyOwnApp\n");
        EXPECT_EQ(ZTDropboxController::applicationKey(), QStringLiteral("k3y0fMyOwnApp"));
        ZTDropboxController::releaseShared();
        QUrl page;
        engine()->setURLOpener([&](const QUrl& url) { page = url; });
        engine()->startManualSyncWithController(nullptr);
        EXPECT_EQ(QUrlQuery(page).queryItemValue(QStringLiteral("client_id")), QStringLiteral("k3y0fMyOwnApp"));
    }
    // Anything that could reach into the sign-in address or the token form is no key.
    const Variable injected("key&redirect_uri=http://example.invalid/");
    EXPECT_EQ(ZTDropboxController::applicationKey(), ZTDropboxController::kApplicationKey);
}

TEST_F(SyncTest, FailuresAreToldOnceUntilAPassSucceedsAndAFailedSignInIsTold)
{
    ZTSyncAlerts alerts;
    link();
    switchOn(false, false, false);
    fake_.failNext(QStringLiteral("get_metadata"), {503, "busy"});
    sync();
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Dropbox Sync could not complete."));
    EXPECT_TRUE(alerts_[0].informativeText.contains(QStringLiteral("503")));
    // The same trouble on the next pull says nothing new.
    fake_.failNext(QStringLiteral("get_metadata"), {503, "busy"});
    sync();
    EXPECT_EQ(alerts_.size(), 1);
    sync();
    fake_.failNext(QStringLiteral("get_metadata"), {503, "busy"});
    sync();
    EXPECT_EQ(alerts_.size(), 2);

    // Signing in fails when the service refuses the code, and sync goes off.
    engine()->unlink();
    prefs()->setDropBoxSync(true);
    engine()->setURLOpener([this](const QUrl& page) { fake_.visitSignInPage(page); });
    fake_.failNext(QStringLiteral("token"), {400, R"({"error": "invalid_grant"})"});
    engine()->startManualSyncWithController(nullptr);
    ASSERT_TRUE(waitFor([&] { return alerts_.size() == 3; }));
    EXPECT_EQ(alerts_[2].message, QStringLiteral("Melvora could not sign in to Dropbox."));
    EXPECT_FALSE(engine()->isLinked());
    EXPECT_FALSE(prefs()->dropBoxSync());
}

TEST_F(SyncTest, ASignInTheBrowserDoesNotComeBackFromWithinTenMinutesFailsAndClosesItsListener)
{
    ZTSyncAlerts alerts;
    switchOn(false, false, false);
    QUrl page;
    // A browser opens the page and the user walks away from it.
    engine()->setURLOpener([&](const QUrl& url) { page = url; });
    std::optional<Notification> notLinked;
    NotificationObserver observer = NotificationCenter::defaultCenter().addObserver(
        QStringLiteral("ZTDropboxControllerNotLinkedNotification"), [&](const Notification& n) { notLinked = n; });
    engine()->startManualSyncWithController(nullptr);
    const quint16 port = quint16(QUrl(QUrlQuery(page).queryItemValue(QStringLiteral("redirect_uri"))).port());
    const auto connectsTo = [&](quint16 listener) {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), listener);
        EXPECT_TRUE(waitFor([&] { return probe.state() == QAbstractSocket::ConnectedState || probe.state() == QAbstractSocket::UnconnectedState; }));
        return probe.state() == QAbstractSocket::ConnectedState;
    };
    ASSERT_TRUE(connectsTo(port));

    queue_.advance(DropboxAuthorizationFlow::kTimeLimit - 1);
    EXPECT_FALSE(notLinked.has_value());
    EXPECT_TRUE(prefs()->dropBoxSync());
    queue_.advance(1);
    ASSERT_TRUE(waitFor([&] { return notLinked.has_value(); }));
    EXPECT_TRUE(notLinked->userInfo.value(QStringLiteral("reason")).toString().contains(QStringLiteral("10 minutes")));
    EXPECT_FALSE(prefs()->dropBoxSync());
    EXPECT_FALSE(engine()->isLinked());
    EXPECT_FALSE(connectsTo(port));
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Melvora could not sign in to Dropbox."));
}

TEST_F(SyncTest, WithoutABrowserTheSignInPageIsToldAndOpeningItByHandSignsIn)
{
    ZTSyncAlerts alerts;
    switchOn(false, false, false);
    // No browser stands in: the desktop has none to start.
    engine()->startManualSyncWithController(nullptr);
    ASSERT_EQ(alerts_.size(), 1);
    EXPECT_EQ(alerts_[0].message, QStringLiteral("Melvora could not open a web browser."));
    // The address as shown, without the spaces of no width that let it wrap.
    const QString text = QString(alerts_[0].informativeText).remove(QChar(0x200B));
    const QUrl page(text.mid(text.indexOf(QStringLiteral("http"))).trimmed(), QUrl::StrictMode);
    EXPECT_EQ(page.path(), QStringLiteral("/oauth2/authorize"));
    EXPECT_TRUE(QUrlQuery(page).hasQueryItem(QStringLiteral("code_challenge")));

    fake_.visitSignInPage(page);
    ASSERT_TRUE(waitFor([&] { return finishedCount_ > 0; }));
    EXPECT_TRUE(engine()->isLinked());
    EXPECT_EQ(alerts_.size(), 1);
}
