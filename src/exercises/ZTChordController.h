#pragma once

#include "ZTSectionedTestController.h"

// "Chord recognition": a chord is played, in a random inversion when "useChordInversions" is
// on; its tones may be entered in any order, and a row's pop-up names the inversion.
class ZTChordController : public ZTSectionedTestController {
public:
    // The inversion each tone of the item makes in the bass, in definition order. A chord
    // stacked in thirds (every degree odd) is counted by degree, whether or not the tones
    // between sound: the 3rd in the bass is the first inversion, the 5th the second, the
    // 7th the third, the 9th the fourth, and so on, so an eleventh chord without its 3rd has
    // no first inversion. Other chords (sixths, suspensions) count their tones 0, 1, 2, ...
    static QList<qlonglong> inversionNumbersForItem(const QVariantMap& item);
    // "Root position" for 0, else the localized "%ld. Inversion".
    static QString inversionTitle(qlonglong inversionNumber);
    // The pop-up titles of a row, one per tone; none for fewer than 2 tones.
    static QStringList inversionTitlesForItem(const QVariantMap& item);

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
