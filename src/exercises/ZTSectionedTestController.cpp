#include "ZTSectionedTestController.h"

#include "ZTDataProvider.h"

#include <QHash>

void ZTSectionedTestController::setLevel(qlonglong level)
{
    ZTAbstractTestController::setLevel(level);

    QHash<QString, QVariantList> itemsByGroup;
    for (const QVariant& entry : items_)
        itemsByGroup[entry.toMap().value(QStringLiteral("group")).toString()].append(entry);

    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    tableViewData_.clear();
    for (const QVariant& groupEntry : catalogue->groupsForTestWithName(testName())) {
        const QString groupId = groupEntry.toMap().value(QStringLiteral("id")).toString();
        const auto members = itemsByGroup.constFind(groupId);
        if (members == itemsByGroup.cend() || members->isEmpty())
            continue;
        tableViewData_.append(catalogue->groupNameForGroupId(groupId, testName()));
        tableViewData_.append(*members);
        // A group listed twice in the catalogue shows its items once.
        itemsByGroup.remove(groupId);
    }
    reloadSidebar();
}

QVariantList ZTSectionedTestController::arrayForTableView() const
{
    return tableViewData_;
}
