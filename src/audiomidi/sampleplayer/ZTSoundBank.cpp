#include "ZTSoundBank.h"

#include "Log.h"
#include "Paths.h"
#include "PropertyList.h"

#include <QFile>

std::optional<QVariant> ZTSoundBank::readPropertyList(const QString& path, qint64 maxBytes, QString* error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot be read (%1)").arg(file.errorString());
        return std::nullopt;
    }
    if (file.size() > maxBytes) {
        *error = QStringLiteral("is larger than %1 bytes").arg(maxBytes);
        return std::nullopt;
    }
    QString reason;
    std::optional<QVariant> value = PropertyList::fromData(file.readAll(), &reason);
    if (!value)
        *error = QStringLiteral("is no property list (%1)").arg(reason);
    return value;
}

QList<SoftSynthSoundEntry> ZTSoundBank::programs()
{
    const QString path = Paths::resource(QStringLiteral("MelvoraSounds.plist"));
    QString error;
    const std::optional<QVariant> list = readPropertyList(path, kMaxListBytes, &error);
    if (!list || list->typeId() != QMetaType::QVariantList) {
        Log::line(QStringLiteral("The sound list \"%1\" %2.")
                      .arg(path, list ? QStringLiteral("holds no array") : error));
        return {};
    }
    QList<SoftSynthSoundEntry> programs;
    for (const QVariant& item : list->toList()) {
        if (programs.size() == kMaxPrograms) {
            Log::line(QStringLiteral("The sound list \"%1\" holds more than %2 programs; the rest are left out.")
                          .arg(path)
                          .arg(kMaxPrograms));
            break;
        }
        const QVariantMap entry = item.toMap();
        programs.append({entry.value(QStringLiteral("key")).toString(), entry.value(QStringLiteral("value")).toString()});
    }
    return programs;
}

SoftSynthSoundEntry ZTSoundBank::entryForProgram(int program)
{
    const QList<SoftSynthSoundEntry> list = programs();
    if (program >= 0 && program < list.size())
        return list.at(program);
    return list.isEmpty() ? SoftSynthSoundEntry{} : list.first();
}

QString ZTSoundBank::instrumentFolder(const QString& key)
{
    if (key.isEmpty() || key == QLatin1String(".") || key == QLatin1String("..") || key.contains(QLatin1Char('/'))
        || key.contains(QLatin1Char('\\')) || key.contains(QChar(0)))
        return {};
    return Paths::resource(QStringLiteral("Instruments/") + key);
}
