// The sidebar's and the graph's data, forwarded to the current exercise controller.
#include "ZTMainViewController.h"

#include "Color.h"
#include "ZTAbstractTestController.h"

// ---- Forwarding to the exercise controller ----

qlonglong ZTMainViewController::numberOfRowsInTableView() const
{
    return currentLessonController_ ? currentLessonController_->numberOfRowsInTableView() : 0;
}

ZTSidebarCell ZTMainViewController::tableViewViewForRow(qlonglong row) const
{
    return currentLessonController_ ? currentLessonController_->tableViewViewForRow(row) : ZTSidebarCell{};
}

double ZTMainViewController::tableViewHeightOfRow(qlonglong row) const
{
    return currentLessonController_ ? currentLessonController_->tableViewHeightOfRow(row) : ZTSidebarCell::kHeight;
}

QList<qlonglong> ZTMainViewController::tableViewSelectionIndexesForProposedSelection(
    const QList<qlonglong>& proposed, const QList<qlonglong>& current) const
{
    return currentLessonController_
               ? currentLessonController_->tableViewSelectionIndexesForProposedSelection(proposed, current)
               : current;
}

void ZTMainViewController::tableViewSelectionDidChange()
{
    if (currentLessonController_)
        currentLessonController_->tableViewSelectionDidChange();
}

void ZTMainViewController::tableViewCellPopupClicked(qlonglong row, qlonglong selectedIndex)
{
    if (currentLessonController_)
        currentLessonController_->tableViewCellPopupClicked(row, selectedIndex);
}

qlonglong ZTMainViewController::numberOfRecordsForPlot(const QString&) const
{
    return currentLessonController_ ? currentLessonController_->numberOfRecordsForPlot() : 0;
}

QVariant ZTMainViewController::numberForPlot(const QString& plotIdentifier, int field, qlonglong recordIndex) const
{
    return currentLessonController_ ? currentLessonController_->numberForPlot(plotIdentifier, field, recordIndex)
                                    : QVariant();
}

ZTGraphLabel ZTMainViewController::dataLabelForPlot(const QString& plotIdentifier, qlonglong recordIndex) const
{
    return currentLessonController_ ? currentLessonController_->dataLabelForPlot(plotIdentifier, recordIndex)
                                    : ZTGraphLabel{};
}

std::optional<ZTColor> ZTMainViewController::barFillForBarPlot(const QString& plotIdentifier, qlonglong recordIndex) const
{
    return currentLessonController_ ? currentLessonController_->barFillForBarPlot(plotIdentifier, recordIndex)
                                    : std::nullopt;
}
