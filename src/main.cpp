// Until the main window exists, the program loads the exercise catalogue and lists it.
#include "ZTDataProvider.h"
#include "ZTPreferences.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ZTPreferences::sharedPreferences();
    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    catalogue->setup();

    QTextStream out(stdout);
    const QVariantMap levels = catalogue->levels();
    const QVariantList tests = catalogue->tests();
    if (tests.isEmpty())
        out << "The exercise catalogue is empty.\n";
    for (const QVariant& entry : tests) {
        const QVariantMap test = entry.toMap();
        const QString name = test.value(QStringLiteral("name")).toString();
        QStringList levelNames;
        for (const QVariant& level : levels.value(name).toList())
            levelNames << level.toMap().value(QStringLiteral("name")).toString();
        out << name << ": " << test.value(QStringLiteral("items")).toList().size() << " items; levels: "
            << (levelNames.isEmpty() ? QStringLiteral("none") : levelNames.join(QStringLiteral(", "))) << '\n';
    }
    return 0;
}
