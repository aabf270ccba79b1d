#pragma once

#include <QByteArray>
#include <QString>

#include <array>
#include <optional>

class ZTPreferences;

// The four pieces of the user's data kept in step with files of the application's Dropbox
// folder, in the order a pass checks them.
enum class DropboxSyncItem { Exercises, Stat, Levels, Prefs };

inline constexpr std::array<DropboxSyncItem, 4> kDropboxSyncItems{DropboxSyncItem::Exercises, DropboxSyncItem::Stat,
                                                                  DropboxSyncItem::Levels, DropboxSyncItem::Prefs};

// The local copy of an item as it is uploaded, with a marker of the state it was taken in.
struct DropboxLocalCopy {
    QByteArray bytes;
    // Equal markers mean nothing changed locally in between.
    QByteArray marker;
};

// What each item is: its Dropbox file, its settings keys and notification, and how its local
// data is read and replaced. Main thread (the settings store and the database are).
namespace DropboxSyncItems {

QString path(DropboxSyncItem item);
// The switch that includes the item in a pass; empty for the custom exercises, always synced.
QString switchKey(DropboxSyncItem item);
// The posted name when the file changed on Dropbox while the local data changed too.
QString conflictNotification(DropboxSyncItem item);
// The item's name as the user reads it ("Statistics", ...), localized.
QString displayName(DropboxSyncItem item);

bool isSwitchedOn(DropboxSyncItem item);
// The revision of the file at the last transfer ("" once it was found missing).
QString storedRevision(DropboxSyncItem item);
void setStoredRevision(DropboxSyncItem item, const QString& rev);
bool wasChanged(DropboxSyncItem item);
void setWasChanged(DropboxSyncItem item, bool changed);

// The bytes to upload: a consistent copy of the database, or the list as an XML property list.
std::optional<DropboxLocalCopy> localCopy(DropboxSyncItem item, QString* error);
// The marker of the local data as it is now.
QByteArray currentMarker(DropboxSyncItem item);
// Replaces the local data with a downloaded file; false, with the reason and nothing changed,
// when the file is not what the item holds.
bool apply(DropboxSyncItem item, const QByteArray& bytes, QString* error);
// The largest file a download of the item accepts.
qint64 maxDownloadSize(DropboxSyncItem item);

} // namespace DropboxSyncItems
