#pragma once

#include "ZTAbstractTestController.h"

// "Tempo recognition": a click track is played at the item's tempo; the answer comes from
// the sidebar only.
class ZTBPMController : public ZTAbstractTestController {
public:
    QString testName() const override;
    QString questionString() const override;
    QString questionSubString() const override;
    QString startTestString() const override;
    // The localized item name.
    QString rightResultString() const override;
    QString spellingString() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    // The base operation; notes are not taken.
    void nextTest() override;
    // Clicks on the rhythm channel, each 0.3 beat long, at the item's tempo.
    void playTest(const std::shared_ptr<ZTTest>& test) override;
};
