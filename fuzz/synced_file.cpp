// A file downloaded from the Dropbox folder, applied as the sync engine applies it. The first
// byte chooses the item (0 "/exercises.plist", 1 "/stats.db", 2 "/levels.plist",
// 3 "/prefs.plist", then again), the rest is the file. A file that is refused changes nothing
// and says why; one that is taken is what the next upload sends, comes back unchanged when it
// is downloaded again, and is still there after a restart.
#include "DropboxSyncItem.h"
#include "FMDatabase.h"
#include "FuzzEnvironment.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>

namespace {

// What a refused download must leave alone: the stored list or settings, or the database file.
QByteArray stateOf(DropboxSyncItem item)
{
    if (item != DropboxSyncItem::Stat)
        return DropboxSyncItems::currentMarker(item);
    QFile file(ZTUtils::databasePath());
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

// Settings and statistics as a fresh installation has them (the settings store is reset
// rather than made anew: that reads the exercise definitions, which takes longer than the rest).
void startAfresh(FuzzEnvironment& environment)
{
    ZTPreferences* p = ZTPreferences::sharedPreferences();
    p->reset();
    p->setCustomExercises({});
    p->setCustomLevels({});
    environment.settle();
    ZTUtils::resetSharedDbForTesting();
    QDir folder(environment.applicationSupportFolder());
    for (const QString& name : folder.entryList({QStringLiteral("db*")}, QDir::Files))
        folder.remove(name);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    // The settings defaults need every exercise and its settings, not every item.
    environment.shortenExerciseDefinitions();
    if (size == 0)
        return 0;
    const DropboxSyncItem item = kDropboxSyncItems[data[0] % kDropboxSyncItems.size()];
    const QByteArray file = FuzzEnvironment::bytes(data + 1, size - 1);

    // The catalogue takes custom lists in as they change, as in the program.
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    static const bool catalogueReady = [catalogue] {
        catalogue->setup();
        return true;
    }();
    (void)catalogueReady;
    startAfresh(environment);
    if (item == DropboxSyncItem::Stat)
        FUZZ_REQUIRE(ZTUtils::sharedDb() && ZTUtils::sharedDb()->open());

    const QByteArray before = stateOf(item);
    QString reason;
    if (!DropboxSyncItems::apply(item, file, &reason)) {
        FUZZ_REQUIRE(!reason.isEmpty());
        FUZZ_REQUIRE(stateOf(item) == before);
        return 0;
    }
    environment.settle();
    catalogue->testNames();
    catalogue->levels();

    // Uploaded again and downloaded again, the item stays as it is.
    const QByteArray taken = DropboxSyncItems::currentMarker(item);
    QString error;
    const std::optional<DropboxLocalCopy> upload = DropboxSyncItems::localCopy(item, &error);
    FUZZ_REQUIRE(upload.has_value());
    FUZZ_REQUIRE(DropboxSyncItems::apply(item, upload->bytes, &error));
    environment.settle();
    if (item == DropboxSyncItem::Stat)
        return 0;
    FUZZ_REQUIRE(DropboxSyncItems::currentMarker(item) == taken);

    // The settings file keeps it through a restart.
    ZTPreferences::sharedPreferences()->synchronize();
    ZTPreferences::resetSharedForTesting();
    FUZZ_REQUIRE(DropboxSyncItems::currentMarker(item) == taken);
    return 0;
}
