#pragma once

#include "ZTMelodiesController.h"

// "Melody music reading": the generated melody is shown on the staff, not played.
class ZTMelodiesMusicReadController : public ZTMelodiesController {
public:
    QString testName() const override;
    QString questionString() const override;
    QString startTestString() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    // Builds the melody and puts it on the staff without a sound.
    std::shared_ptr<ZTTest> playTestWithItem(const QVariantMap& item, const QVariant& userInfo) override;
    // The encyclopedia page of the melody exercise.
    QUrl getWikiURLForCurrentTest() const override;
};
