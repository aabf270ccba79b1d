#include "ZTPreferencesLists.h"

#include "Localization.h"
#include "Log.h"
#include "Paths.h"
#include "PlistValues.h"
#include "PropertyList.h"
#include "ZTStringFormat.h"
#include "ZTUtils.h"

#include <QVariantMap>

namespace {

// Far more than any of these lists holds; a larger file is cut here.
constexpr int kMaxEntries = 1024;
constexpr int kMidiNotes = 128;

QVariantList readBundleList(const QString& name)
{
    const QString path = Paths::resource(name);
    QString error;
    const std::optional<QVariant> value = PropertyList::readFile(path, &error);
    if (!value) {
        Log::line(QStringLiteral("Could not read %1: %2").arg(path, error));
        return {};
    }
    if (value->typeId() != QMetaType::QVariantList) {
        Log::line(QStringLiteral("%1 is not a list; it is ignored.").arg(path));
        return {};
    }
    return value->toList().mid(0, kMaxEntries);
}

QStringList stringsOf(const QVariantList& list)
{
    QStringList strings;
    strings.reserve(list.size());
    for (const QVariant& entry : list)
        strings << PlistValues::toStringOrNull(entry);
    return strings;
}

QString twoDigits(int number)
{
    return QStringLiteral("%1").arg(number, 2, 10, QLatin1Char('0'));
}

} // namespace

namespace ZTPreferencesLists {

QVariantList resultSounds()
{
    QVariantList sounds;
    for (const QVariant& entry : readBundleList(QStringLiteral("resultSounds.plist"))) {
        const QVariantMap sound = entry.toMap();
        if (sound.value(QStringLiteral("id")).typeId() == QMetaType::QString)
            sounds << sound;
    }
    return sounds;
}

QStringList resultSoundTitles(const QVariantList& sounds)
{
    QStringList titles{localized(QStringLiteral("No Sound"))};
    for (const QVariant& sound : sounds)
        titles << PlistValues::toStringOrNull(sound.toMap().value(QStringLiteral("name")));
    return titles;
}

QStringList autoPlayDelayTitles()
{
    QStringList titles;
    for (int seconds = 1; seconds <= 10; ++seconds) {
        const QString format = localized(seconds == 1 ? QStringLiteral("After %d second") : QStringLiteral("After %d seconds"));
        titles << ZTStringFormat::fill(format, {QString::number(seconds)});
    }
    return titles;
}

QStringList channelTitles()
{
    QStringList titles;
    for (int channel = 1; channel <= 16; ++channel)
        titles << twoDigits(channel);
    return titles;
}

QStringList inputChannelTitles()
{
    return QStringList{localized(QStringLiteral("All"))} + channelTitles();
}

QStringList rhythmNoteTitles()
{
    const QStringList names = stringsOf(readBundleList(QStringLiteral("RhythmInstrumentNames.plist")));
    QStringList titles;
    for (int note = 0; note < kMidiNotes; ++note) {
        const QString name = names.value(note);
        titles << (name.isEmpty() ? QString::number(note) : QStringLiteral("%1 - %2").arg(note).arg(name));
    }
    return titles;
}

QStringList clickNames()
{
    return stringsOf(readBundleList(QStringLiteral("RhythmInstrumentNamesMVSoftSynth.plist")));
}

QStringList remoteKeyTitles()
{
    return QStringList{localized(QStringLiteral("Off"))} + ZTUtils::getNoteNamesFromNote(0, kMidiNotes - 1);
}

} // namespace ZTPreferencesLists
