#pragma once

#include "ZTSectionedTestController.h"

// "Scale recognition": a scale is played over a root drawn from the "basenote" range.
class ZTScaleController : public ZTSectionedTestController {
public:
    QString testName() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    std::shared_ptr<ZTTest> createTestForItem(const QVariantMap& item, const QVariant& userInfo) override;
    bool canDescending() const override;
    QString questionString() const override;
    QString questionSubString() const override;
    QString startTestString() const override;
};
