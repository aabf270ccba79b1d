#pragma once

#include "ZTSectionedTestController.h"

class ZTChordProgression;

// "Chord progressions": a few chords in a key are played; the user picks the progression in
// the sidebar or plays every chord, tone by tone, on the keyboard or fretboard. The tones of
// a chord may come in any order, the chords in the order played; the step bar and the
// instrument view follow the chord being entered.
class ZTChordProgressionController : public ZTSectionedTestController {
public:
    void initWithLevel(qlonglong level, ZTExamsController* examsController = nullptr) override;
    QString testName() const override;
    QString questionString() const override;
    QString questionSubString() const override;
    QString startTestString() const override;
    std::shared_ptr<ZTTest> testForItem(const QVariantMap& item) override;
    // The root drawn from "basenote"; chords always sound together, in one direction.
    std::shared_ptr<ZTTest> createTestForItem(const QVariantMap& item, const QVariant& userInfo) override;
    // The same chords in the same inversions over the current question's root.
    bool isAnswerRightForItem(const QVariantMap& item, const QVariant& userInfo) override;
    void noteEntered(const QVNote& note) override;
    // The base marks, then the step bar shows one step per chord, the first chosen and
    // disabled, and the instrument view shows the first chord.
    void resetMarks() override;

protected:
    void checkEnteredNotes() override;

private:
    std::shared_ptr<ZTChordProgression> currentProgression() const;
};
