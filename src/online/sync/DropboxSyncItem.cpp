#include "DropboxSyncItem.h"

#include "FMDatabase.h"
#include "Localization.h"
#include "PropertyList.h"
#include "ZTPreferences.h"
#include "ZTUtils.h"

#include <QCryptographicHash>

namespace {

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

struct ItemKeys {
    const char* path;
    const char* switchKey;
    const char* revisionKey;
    const char* changedKey;
    const char* conflictNotification;
    const char* displayName;
};

const ItemKeys& keys(DropboxSyncItem item)
{
    static const ItemKeys table[] = {
        {"/exercises.plist", "", "dropboxExercisesRev", "exercisesWereChangedDuringLastSync",
         "ZTDropboxControllerServerExercisesDidChangedNotification", "Custom Exercises"},
        {"/stats.db", "syncDropBoxStatistics", "dropboxStatRev", "statWasChangedDuringLastSync",
         "ZTDropboxControllerServerStatDidChangedNotification", "Statistics"},
        {"/levels.plist", "syncDropBoxCustomLevels", "dropboxLevelsRev", "levelsWereChangedDuringLastSync",
         "ZTDropboxControllerServerLevelsDidChangedNotification", "Custom Levels"},
        {"/prefs.plist", "syncDropBoxSettings", "dropboxPrefsRev", "prefsWereChangedDuringLastSync",
         "ZTDropboxControllerServerPrefsDidChangedNotification", "Preferences"},
    };
    return table[int(item)];
}

// The list or dictionary an item keeps in the settings store.
QVariant localValue(DropboxSyncItem item)
{
    switch (item) {
    case DropboxSyncItem::Exercises: return prefs()->customExercises();
    case DropboxSyncItem::Levels: return prefs()->customLevels();
    case DropboxSyncItem::Prefs: return prefs()->prefsDictForSync();
    case DropboxSyncItem::Stat: break;
    }
    return {};
}

QByteArray digest(const QByteArray& bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha256);
}

QByteArray databaseMarker()
{
    FMDatabase* db = ZTUtils::sharedDb();
    return db ? QByteArray::number(db->totalChanges()) : QByteArray();
}

// A custom list holds one dictionary per exercise, named, with its list under `listKey`.
bool isCustomList(const QVariant& value, const QString& listKey)
{
    if (value.metaType().id() != QMetaType::QVariantList)
        return false;
    const QVariantList entries = value.toList();
    return std::all_of(entries.begin(), entries.end(), [&](const QVariant& entry) {
        const QVariantMap map = entry.toMap();
        return entry.metaType().id() == QMetaType::QVariantMap
            && map.value(QStringLiteral("name")).metaType().id() == QMetaType::QString
            && map.value(listKey).metaType().id() == QMetaType::QVariantList;
    });
}

} // namespace

namespace DropboxSyncItems {

QString path(DropboxSyncItem item)
{
    return QString::fromLatin1(keys(item).path);
}

QString switchKey(DropboxSyncItem item)
{
    return QString::fromLatin1(keys(item).switchKey);
}

QString conflictNotification(DropboxSyncItem item)
{
    return QString::fromLatin1(keys(item).conflictNotification);
}

QString displayName(DropboxSyncItem item)
{
    return localized(QString::fromLatin1(keys(item).displayName));
}

bool isSwitchedOn(DropboxSyncItem item)
{
    const QString key = switchKey(item);
    return key.isEmpty() || prefs()->_boolForKey(key);
}

QString storedRevision(DropboxSyncItem item)
{
    return prefs()->_objectForKey(QString::fromLatin1(keys(item).revisionKey)).toString();
}

void setStoredRevision(DropboxSyncItem item, const QString& rev)
{
    // Revisions are sync bookkeeping: stored with the next write, which the caller makes.
    prefs()->_setObject(rev, QString::fromLatin1(keys(item).revisionKey));
}

bool wasChanged(DropboxSyncItem item)
{
    return prefs()->_boolForKey(QString::fromLatin1(keys(item).changedKey));
}

void setWasChanged(DropboxSyncItem item, bool changed)
{
    prefs()->_setBool(changed, QString::fromLatin1(keys(item).changedKey));
}

std::optional<DropboxLocalCopy> localCopy(DropboxSyncItem item, QString* error)
{
    if (item == DropboxSyncItem::Stat) {
        const QByteArray marker = databaseMarker();
        if (auto bytes = ZTUtils::databaseSnapshot())
            return DropboxLocalCopy{*bytes, marker};
        *error = QStringLiteral("no consistent copy of the statistics could be made");
        return std::nullopt;
    }
    const QByteArray bytes = PropertyList::toXml(localValue(item));
    return DropboxLocalCopy{bytes, digest(bytes)};
}

QByteArray currentMarker(DropboxSyncItem item)
{
    return item == DropboxSyncItem::Stat ? databaseMarker() : digest(PropertyList::toXml(localValue(item)));
}

bool apply(DropboxSyncItem item, const QByteArray& bytes, QString* error)
{
    if (item == DropboxSyncItem::Stat) {
        if (ZTUtils::updateDBFile(bytes))
            return true;
        *error = QStringLiteral("it is no statistics database that can be used");
        return false;
    }
    const std::optional<QVariant> value = PropertyList::fromData(bytes, error);
    if (!value)
        return false;
    switch (item) {
    case DropboxSyncItem::Levels:
        if (!isCustomList(*value, QStringLiteral("levels")))
            break;
        prefs()->setCustomLevels(value->toList());
        return true;
    case DropboxSyncItem::Exercises:
        if (!isCustomList(*value, QStringLiteral("items")))
            break;
        prefs()->setCustomExercises(value->toList());
        return true;
    case DropboxSyncItem::Prefs:
        if (value->metaType().id() != QMetaType::QVariantMap)
            break;
        prefs()->updatePrefsFromSync(value->toMap());
        return true;
    case DropboxSyncItem::Stat:
        break;
    }
    *error = QStringLiteral("it does not hold what %1 is made of").arg(path(item));
    return false;
}

qint64 maxDownloadSize(DropboxSyncItem item)
{
    return item == DropboxSyncItem::Stat ? 256 * 1024 * 1024 : 64 * 1024 * 1024;
}

} // namespace DropboxSyncItems
