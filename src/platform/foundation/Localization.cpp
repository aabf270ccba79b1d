#include "Localization.h"

#include "Log.h"
#include "Paths.h"

#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QMutex>
#include <QMutexLocker>

#include <optional>

namespace Localization {
namespace {

struct Table {
    QMutex mutex;
    std::optional<QHash<QString, QString>> entries;
};

Table& table()
{
    static Table instance;
    return instance;
}

QHash<QString, QString> loadTable(const QString& language)
{
    QHash<QString, QString> entries;
    const QString path = Paths::resource(QStringLiteral("strings/%1.json").arg(language));
    QFile file(path);
    if (!file.exists())
        return entries;
    if (!file.open(QIODevice::ReadOnly)) {
        Log::line(QStringLiteral("Could not read string table %1: %2").arg(path, file.errorString()));
        return entries;
    }
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
    if (!document.isObject()) {
        Log::line(QStringLiteral("String table %1 is not valid: %2").arg(path, error.errorString()));
        return entries;
    }
    const QJsonObject object = document.object();
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it.value().isString())
            entries.insert(it.key(), it.value().toString());
    }
    return entries;
}

} // namespace

QString languageCode()
{
    const QString fromEnvironment = qEnvironmentVariable("MELVORA_LANGUAGE");
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString language = QLocale::system().name().section(QLatin1Char('_'), 0, 0);
    return language.isEmpty() || language == QLatin1String("C") ? QStringLiteral("en") : language;
}

QString localized(const QString& englishText)
{
    Table& t = table();
    QMutexLocker lock(&t.mutex);
    if (!t.entries) {
        t.entries = loadTable(languageCode());
        if (t.entries->isEmpty() && languageCode() != QLatin1String("en"))
            t.entries = loadTable(QStringLiteral("en"));
    }
    return t.entries->value(englishText, englishText);
}

void reload()
{
    Table& t = table();
    QMutexLocker lock(&t.mutex);
    t.entries.reset();
}

} // namespace Localization
