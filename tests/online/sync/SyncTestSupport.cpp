#include "SyncTestSupport.h"

#include "DropboxCredentialStore.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <QTemporaryFile>

void SyncTest::SetUp()
{
    ZTPreferences::resetSharedForTesting();
    ZTUtils::resetSharedDbForTesting();
    ASSERT_TRUE(ZTUtils::sharedDb() && ZTUtils::sharedDb()->open());
    ZTDropboxController::releaseShared();
    ZTDropboxController::configure(DropboxEndpoints::allAt(fake_.url()), credentialsPath());
    Alert::setResponder([this](const Alert::Request& request) {
        alerts_ << request;
        return alertAnswer_;
    });
    NotificationCenter& center = NotificationCenter::defaultCenter();
    observers_.push_back(center.addObserver(QStringLiteral("ZTDropboxControllerSyncFinishedNotification"),
                                            [this](const Notification& n) {
                                                ++finishedCount_;
                                                finishedFailures_ = n.userInfo.value(QStringLiteral("failures")).toStringList();
                                            }));
    for (DropboxSyncItem item : kDropboxSyncItems)
        observers_.push_back(center.addObserver(DropboxSyncItems::conflictNotification(item), [this](const Notification& n) {
            conflicts_ << n.name;
            if (onConflict_)
                onConflict_(n.name);
        }));
}

void SyncTest::TearDown()
{
    observers_.clear();
    ZTDropboxController::releaseShared();
    queue_.runPending();
    Alert::setResponder({});
    ZTUtils::resetSharedDbForTesting();
    ZTPreferences::resetSharedForTesting();
}

QString SyncTest::credentialsPath() const
{
    return environment_.applicationSupportFolder() + QStringLiteral("/dropbox-credentials.json");
}

void SyncTest::link()
{
    const FakeDropbox::Grant grant = fake_.grantAccess();
    ZTDropboxController::releaseShared();
    ASSERT_TRUE(DropboxCredentialStore(credentialsPath()).save({grant.accessToken, grant.refreshToken, {}, QStringLiteral("dbid:x")}));
}

void SyncTest::switchOn(bool statistics, bool levels, bool preferences)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    prefs->setDropBoxSync(true);
    prefs->setSyncDropBoxStatistics(statistics);
    prefs->setSyncDropBoxCustomLevels(levels);
    prefs->setSyncDropBoxSettings(preferences);
}

QVariantMap SyncTest::sync()
{
    const int before = finishedCount_;
    finishedFailures_.clear();
    engine()->startSyncWithController(nullptr);
    EXPECT_TRUE(waitFor([&] { return finishedCount_ > before; })) << "the pass did not end";
    return finishedFailures_.isEmpty() ? QVariantMap() : QVariantMap{{QStringLiteral("failures"), finishedFailures_}};
}

bool SyncTest::waitFor(const std::function<bool()>& condition, int milliseconds)
{
    return waitUntil(condition, milliseconds, &queue_);
}

void SyncTest::answer(const QString& item, int right)
{
    FMDatabase* db = ZTUtils::sharedDb();
    db->executeUpdate(QStringLiteral("INSERT INTO stats (testName, itemName, right, wrong) VALUES (?, ?, ?, 0)"),
                      {QStringLiteral("Interval recognition"), item, right});
    ZTPreferences::sharedPreferences()->setStatWasChangedDuringLastSync(true);
}

QList<QStringList> SyncTest::statsRows() const
{
    QList<QStringList> rows;
    auto set = ZTUtils::sharedDb()->executeQuery(QStringLiteral("SELECT itemName, right FROM stats ORDER BY itemName"));
    while (set && set->next())
        rows << QStringList{set->stringForColumnIndex(0), set->stringForColumnIndex(1)};
    return rows;
}

QList<QStringList> SyncTest::statsRowsOf(const QByteArray& database)
{
    QTemporaryFile file;
    if (!file.open())
        return {};
    file.write(database);
    file.flush();
    FMDatabase db(file.fileName());
    QList<QStringList> rows;
    if (!db.open())
        return rows;
    auto set = db.executeQuery(QStringLiteral("SELECT itemName, right FROM stats ORDER BY itemName"));
    while (set && set->next())
        rows << QStringList{set->stringForColumnIndex(0), set->stringForColumnIndex(1)};
    set.reset();
    db.close();
    return rows;
}

QVariantList SyncTest::customLevels(const QString& levelName)
{
    const QVariantMap level{{QStringLiteral("name"), levelName},
                            {QStringLiteral("items"), QVariantList{QStringLiteral("Minor second")}}};
    return {QVariantMap{{QStringLiteral("name"), QStringLiteral("Interval recognition")},
                        {QStringLiteral("levels"), QVariantList{level}}}};
}

void SyncTest::editCustomLevels(const QString& levelName)
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    prefs->setLevelsWereChangedDuringLastSync(true);
    prefs->setCustomLevels(customLevels(levelName));
}
