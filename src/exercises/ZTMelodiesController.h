#pragma once

#include "ZTAbstractTestController.h"

// "Melodies": a melody is generated from a scale of the current level (its item names are
// scale names, its additional data gives "numTones" and "octaves") and played; the user
// plays its notes back in order. There is no item to choose: every answer is scored under
// the name "Melody".
class ZTMelodiesController : public ZTAbstractTestController {
public:
    QString testName() const override;
    QString questionString() const override;
    QString questionSubString() const override;
    QString startTestString() const override;
    QString practiceMessage() const override;
    // The melody's note names.
    QString rightResultString() const override;
    QString spellingString() const override;
    // Questions are generated, so there always is one to ask.
    bool hasItems() const override;
    // No item: -1.
    qlonglong createNextTestIndex() override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    // A melody over a root drawn from "basenote"; none when the level has no additional data.
    std::shared_ptr<ZTTest> createTestForItem(const QVariantMap& item, const QVariant& userInfo) override;
};
