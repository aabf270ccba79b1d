#pragma once

#include "ZTAbstractTestController.h"

// "Pitch recognition": a single note is played at tempo 120; items are named by their note in
// the current spelling and name type.
class ZTPitchController : public ZTAbstractTestController {
public:
    // Copies of the items named by their "note", spelled in the question's key (C major
    // without a question).
    static QVariantList translateItems(const QVariantList& items, const ZTMusicalTest* test);

    QString testName() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    std::shared_ptr<ZTTest> createTestForItem(const QVariantMap& item, const QVariant& userInfo) override;
    void playTest(const std::shared_ptr<ZTTest>& test) override;
    QVariantList translateItems(const QVariantList& items) const override;
    QString rightResultString() const override;
    QString spellingString() const override;
    QString questionString() const override;
    QString questionSubString() const override;
    QString startTestString() const override;
};
