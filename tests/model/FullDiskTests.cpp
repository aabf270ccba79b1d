// Every file the user owns keeps its old contents when a write cannot finish: on a file
// system that is full, and with a write failure injected into any file that grows.
#include "PreferencesFixture.h"

#include "FMDatabase.h"
#include "FMResultSet.h"
#include "WriteFailures.h"
#include "ZTDataController.h"
#include "ZTDataProvider.h"
#include "ZTUtils.h"

#include <sqlite3.h>

#include <memory>
#include <variant>

namespace {

enum class Failure { InjectedWriteError, FullDisk };

class FullDiskTest : public PreferencesTestBase, public ::testing::WithParamInterface<Failure> {
protected:
    void SetUp() override
    {
        PreferencesTestBase::SetUp();
        ZTUtils::resetSharedDbForTesting();
        if (GetParam() == Failure::FullDisk) {
            disk_ = std::make_unique<SmallFileSystem>(env.applicationSupportFolder(), 256);
            if (!disk_->mounted())
                GTEST_SKIP() << disk_->whyNot().toStdString();
        }
    }
    void TearDown() override
    {
        writesFail_.reset();
        ZTUtils::resetSharedDbForTesting();
        PreferencesTestBase::TearDown();
        disk_.reset();
    }

    // From now on no file can grow: the disk is full, or any write past a few bytes fails.
    void failWrites()
    {
        if (disk_)
            disk_->fill();
        else
            writesFail_ = std::make_unique<FileSizeLimit>(16);
    }
    void writesWorkAgain() { writesFail_.reset(); }

    // The folder's files apart from the filler of a full disk.
    QStringList userFiles() const
    {
        QStringList files = QDir(env.applicationSupportFolder()).entryList(QDir::Files);
        files.removeAll(QStringLiteral("filler"));
        return files;
    }
    QString dbPath() const { return env.applicationSupportFolder() + "/db.sqlite"; }

private:
    std::unique_ptr<SmallFileSystem> disk_;
    std::unique_ptr<FileSizeLimit> writesFail_;
};

QVariantMap chord(const QString& name)
{
    return {{"name", name}, {"group", "g1"}, {"level", qlonglong(0)},
            {"definition", QVariantList{QVariantMap{{"notes", QVariantList{QVariantMap{{"pos", 1}, {"off", 0}}}}}}}};
}

} // namespace

TEST_P(FullDiskTest, SettingsAndCustomListsKeepTheirFile)
{
    writeSettingsFile({{"autoPlayTime", qlonglong(5)}, {"spellingType", "Helmholtz"}});
    ZTPreferences* p = prefs();
    ZTDataProvider::sharedDataProvider()->setup();
    const QByteArray before = fileBytes(settingsPath());

    failWrites();
    LogCapture log;
    p->setAutoPlayTime(7);
    p->addCustomExercise(chord("Mine"), "Chord recognition");
    p->addCustomLevel({{"name", "Mine"}, {"items", QVariantList{"Major"}}}, "Melodies");
    p->reset();
    EXPECT_FALSE(p->synchronize());
    EXPECT_TRUE(log.contains("Could not write settings file")) << log.lines().join('\n').toStdString();
    EXPECT_EQ(fileBytes(settingsPath()), before);
    EXPECT_EQ(userFiles(), QStringList{"settings.plist"});

    // This run's values hold in memory and reach the file with the next write that works.
    writesWorkAgain();
    if (GetParam() == Failure::FullDisk)
        QFile::remove(env.applicationSupportFolder() + "/filler");
    p->setAutoPlayTime(8);
    EXPECT_TRUE(p->synchronize());
    EXPECT_EQ(settingsFile().value("autoPlayTime").toLongLong(), 8);
    EXPECT_EQ(p->customExercisesForTestWithName("Chord recognition").size(), 1);
}

TEST_P(FullDiskTest, TheStatisticsFileIsNeitherHalfCopiedNorReplacedByAHalfDownload)
{
    // First start: the template cannot be copied; nothing is left under any name.
    failWrites();
    LogCapture log;
    EXPECT_EQ(ZTUtils::sharedDb(), nullptr);
    EXPECT_TRUE(log.contains("error copying db"));
    EXPECT_TRUE(userFiles().isEmpty());
}

TEST_P(FullDiskTest, ASyncedStatisticsCopyThatCannotBeWrittenLeavesTheFile)
{
    FMDatabase* db = ZTUtils::sharedDb();
    ASSERT_TRUE(db && db->open());
    ASSERT_TRUE(db->executeUpdate("INSERT INTO stats VALUES (?,?,?,?)", {"Interval recognition", "Kept", 1, 0}));
    const QByteArray before = fileBytes(dbPath());
    const QByteArray synced = before + QByteArray(64 * 1024, '\0'); // a bigger copy that does not fit

    failWrites();
    LogCapture log;
    EXPECT_FALSE(ZTUtils::updateDBFile(synced));
    EXPECT_TRUE(log.contains("updateDBFile cannot write"));
    EXPECT_EQ(fileBytes(dbPath()), before);
    EXPECT_EQ(userFiles(), QStringList{"db.sqlite"});
    auto rows = db->executeQuery("SELECT itemName FROM stats");
    ASSERT_TRUE(rows && rows->next());
    EXPECT_EQ(rows->stringForColumn("itemName"), "Kept");
}

INSTANTIATE_TEST_SUITE_P(Writes, FullDiskTest, ::testing::Values(Failure::InjectedWriteError, Failure::FullDisk),
                         [](const auto& info) {
                             return info.param == Failure::FullDisk ? "FullDisk" : "InjectedWriteError";
                         });

TEST(FullDisk, TheExamStoreKeepsItsFileWhenAWriteFails)
{
    TestEnvironment env;
    ManualMainQueue queue;
    ZTDataController* store = ZTDataController::sharedController();
    store->updateExamsFromArray({QVariantMap{{"id", qlonglong(1)}, {"name", "First exam"}}});
    const QByteArray before = fileBytes(ZTDataController::examsPath());
    ASSERT_FALSE(before.isEmpty());
    {
        FileSizeLimit writesFail(16);
        LogCapture log;
        store->updateExamsFromArray({QVariantMap{{"id", qlonglong(2)}, {"name", "Second exam, longer than before"}}});
        EXPECT_TRUE(log.contains("Could not write")) << log.lines().join('\n').toStdString();
    }
    EXPECT_EQ(fileBytes(ZTDataController::examsPath()), before);
    queue.advance(1);
}
