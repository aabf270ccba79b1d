#pragma once

#include "ZTAbstractTestController.h"

// "Key Signature recognition": a key signature is shown on the staff, silently; the answer
// comes from the sidebar only. A key and its relative minor share a signature, so both
// answer it.
class ZTKeySignatureController : public ZTAbstractTestController {
public:
    // Copies of the items with "translatedName": the key named in the "noteNamesType" setting
    // ("F# major" is "fa♯ major" in solfège), the mode word localized, display signs.
    static QVariantList classTranslateItems(const QVariantList& items);

    QString testName() const override;
    QString questionString() const override;
    QString questionSubString() const override;
    QString startTestString() const override;
    QString practiceMessage() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    // Shows the question's signature on the staff; nothing sounds, so the end of playback is
    // announced at once.
    void playTest(const std::shared_ptr<ZTTest>& test) override;
    // The base marks, then the current question's signature again.
    void resetMarks() override;
    QVariantList translateItems(const QVariantList& items) const override;

private:
    void showSignatureOf(const ZTTest* test);
};
