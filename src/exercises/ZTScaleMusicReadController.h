#pragma once

#include "ZTScaleController.h"

// "Scale music reading": the scale is shown on the staff, not played.
class ZTScaleMusicReadController : public ZTScaleController {
public:
    QString testName() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    std::shared_ptr<ZTTest> playTestWithItem(const QVariantMap& item, const QVariant& userInfo) override;
    // The article of the recognition exercise.
    QUrl getWikiURLForCurrentTest() const override;
    QString questionString() const override;
    QString startTestString() const override;
    QString practiceMessage() const override;
};
