#include "ZTBPMController.h"

#include "Localization.h"
#include "ZTBPM.h"
#include "ZTPreferences.h"

#include <algorithm>

QString ZTBPMController::testName() const
{
    return QStringLiteral("Tempo recognition");
}

QString ZTBPMController::questionString() const
{
    return localized(QStringLiteral("Which tempo is played? To repeat it, click  \u27F3 ."));
}

QString ZTBPMController::questionSubString() const
{
    return localized(QStringLiteral("Choose the right tempo from the sidebar."));
}

QString ZTBPMController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to play the next beat."));
}

QString ZTBPMController::rightResultString() const
{
    const std::shared_ptr<ZTTest> test = currentTest();
    if (!test)
        return QString();
    return localized(test->translatedName().isEmpty() ? test->name() : test->translatedName());
}

QString ZTBPMController::spellingString() const
{
    return QString("");
}

std::shared_ptr<ZTTest> ZTBPMController::testForItem(const QVariantMap& item)
{
    if (item.isEmpty())
        return nullptr;
    return ZTTest::create<ZTBPM>(item);
}

void ZTBPMController::nextTest()
{
    ZTAbstractTestController::nextTest();
    setWaitingForKeyboardInput(false);
}

void ZTBPMController::playTest(const std::shared_ptr<ZTTest>& test)
{
    resetPlayButton();
    auto* clicks = dynamic_cast<ZTBPM*>(test.get());
    if (!clicks)
        return;
    // The setting counts channels from 1; 0 (or anything outside 1-16) must not leave the
    // MIDI channel range.
    const qlonglong channel = ZTPreferences::sharedPreferences()->MIDIOutRhythmChannel();
    clicks->setMIDIChannel(std::clamp<qlonglong>(channel - 1, 0, 15));
    clicks->setPlayMode(ZTMusicalTest::Staccato);
    playMusicalTest(*clicks, clicks->definition().toLongLong());
}
