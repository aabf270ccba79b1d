// A statistics database file: found at start-up (checked, set aside when damaged) or
// received from sync, then read and written as the exercise screen does.
#include "ExerciseWalk.h"
#include "FMDatabase.h"
#include "FMResultSet.h"
#include "FuzzEnvironment.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <QDir>

namespace {

void readEveryColumn(FMDatabase& db, const QString& table)
{
    auto rows = db.executeQuery(QStringLiteral("SELECT * FROM %1 LIMIT 50").arg(table));
    while (rows && rows->next()) {
        for (int column = 0; column < 5; ++column) {
            rows->intForColumnIndex(column);
            rows->longForColumnIndex(column);
            rows->doubleForColumnIndex(column);
            rows->stringForColumnIndex(column);
            rows->dateForColumnIndex(column);
            rows->dataForColumnIndex(column);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    static const bool catalogueReady = [] {
        ZTPreferences::sharedPreferences();
        ZTDataProvider::sharedDataProvider()->setup();
        return true;
    }();
    (void)catalogueReady;
    const QByteArray bytes = FuzzEnvironment::bytes(data, size);
    QDir folder(environment.applicationSupportFolder());
    for (const QString& name : folder.entryList({QStringLiteral("db*")}, QDir::Files))
        folder.remove(name);

    // Found at start-up.
    ZTUtils::resetSharedDbForTesting();
    FuzzEnvironment::writeFile(ZTUtils::databasePath(), bytes);
    FMDatabase* db = ZTUtils::sharedDb();
    if (db && db->open()) {
        readEveryColumn(*db, QStringLiteral("stats"));
        readEveryColumn(*db, QStringLiteral("results"));
        // The statistics of one exercise drive its draw, scoring and graph.
        walkExercises({QStringLiteral("Interval recognition")});
    }

    // Received from sync over a sound file.
    ZTUtils::resetSharedDbForTesting();
    for (const QString& name : folder.entryList({QStringLiteral("db*")}, QDir::Files))
        folder.remove(name);
    db = ZTUtils::sharedDb();
    FUZZ_REQUIRE(db && db->open());
    if (ZTUtils::updateDBFile(bytes)) {
        readEveryColumn(*db, QStringLiteral("stats"));
        readEveryColumn(*db, QStringLiteral("results"));
    }
    ZTUtils::resetSharedDbForTesting();
    environment.settle();
    return 0;
}
