#pragma once

#include "ZTSectionedTestController.h"

// "Chord recognition": a chord is played, in a random inversion when "useChordInversions" is
// on; its tones may be entered in any order, and a row's pop-up names the inversion.
class ZTChordController : public ZTSectionedTestController {
public:
    // Localized titles of the inversions a chord of n tones can take: "Root position",
    // "1. Inversion", ... "(n - 1). Inversion"; none for fewer than 2 tones.
    static QStringList inversionTitlesForChordSize(qlonglong toneCount);

    void initWithLevel(qlonglong level, ZTExamsController* examsController = nullptr) override;
    QString testName() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    std::shared_ptr<ZTTest> createTestForItem(const QVariantMap& item, const QVariant& userInfo) override;
    // The inversion (a number): random with "useChordInversions", else root position.
    QVariant createUserInfoWithItem(const QVariantMap& item) override;
    // The same chord in the chosen inversion, on the current question's root.
    bool isAnswerRightForItem(const QVariantMap& item, const QVariant& userInfo) override;
    ZTSidebarCell tableViewViewForRow(qlonglong row) const override;
    void tableViewCellPopupClicked(qlonglong row, qlonglong selectedIndex) override;
    QString rightResultString() const override;
    bool canDescending() const override;
    QString questionString() const override;
    QString questionSubString() const override;
    QString startTestString() const override;

    void useChordInversionsChangedNotification();

protected:
    bool useChordInversions() const;
};
