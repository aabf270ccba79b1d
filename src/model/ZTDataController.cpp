#include "ZTDataController.h"

#include "Log.h"
#include "Paths.h"
#include "PropertyList.h"

#include <QFileInfo>

#include <algorithm>
#include <memory>

ZTDataController* ZTDataController::sharedController()
{
    static const std::unique_ptr<ZTDataController> instance = std::make_unique<ZTDataController>();
    return instance.get();
}

QString ZTDataController::examsPath()
{
    return Paths::documentsFolder() + QStringLiteral("/exams.plist");
}

QVariantList ZTDataController::examsSortedBy(const QList<ZTSortDescriptor>& sortDescriptors) const
{
    const QString path = examsPath();
    if (!QFileInfo::exists(path))
        return {};
    QString error;
    const std::optional<QVariant> contents = PropertyList::readFile(path, &error);
    if (!contents) {
        Log::line(QStringLiteral("Could not read exams.plist at %1 (%2); no exams.").arg(path, error));
        return {};
    }
    if (contents->typeId() != QMetaType::QVariantMap) {
        Log::line(QStringLiteral("exams.plist at %1 is not a dictionary of exams; no exams.").arg(path));
        return {};
    }
    QVariantList exams = contents->toMap().values();
    if (sortDescriptors.isEmpty())
        return exams;
    std::stable_sort(exams.begin(), exams.end(), [&](const QVariant& a, const QVariant& b) {
        for (const ZTSortDescriptor& descriptor : sortDescriptors) {
            const QPartialOrdering order = QVariant::compare(a.toMap().value(descriptor.key),
                                                             b.toMap().value(descriptor.key));
            if (order == QPartialOrdering::Less)
                return descriptor.ascending;
            if (order == QPartialOrdering::Greater)
                return !descriptor.ascending;
        }
        return false;
    });
    return exams;
}
