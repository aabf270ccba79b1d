#pragma once

#include "ZTAbstractTestController.h"

// A controller whose sidebar lists the level's items under their group names, in the
// catalogue's group order. Items of groups the exercise does not define are not listed.
class ZTSectionedTestController : public ZTAbstractTestController {
public:
    void setLevel(qlonglong level) override;
    QVariantList arrayForTableView() const override;
    // Group names (strings) followed by their items.
    const QVariantList& tableViewData() const { return tableViewData_; }

private:
    QVariantList tableViewData_;
};
