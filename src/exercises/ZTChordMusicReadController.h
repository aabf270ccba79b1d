#pragma once

#include "ZTChordController.h"

// "Chord music reading": the chord is shown on the staff, not played.
class ZTChordMusicReadController : public ZTChordController {
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
