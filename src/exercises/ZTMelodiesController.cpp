#include "ZTMelodiesController.h"

#include "Localization.h"
#include "RandomSource.h"
#include "ZTDataProvider.h"
#include "ZTMelodies.h"
#include "ZTPreferences.h"
#include "ZTStringFormat.h"

QString ZTMelodiesController::testName() const
{
    return QStringLiteral("Melodies");
}

QString ZTMelodiesController::questionString() const
{
    return localized(QStringLiteral("Try to recognize the melody. To repeat it click  \u27F3 ."));
}

QString ZTMelodiesController::questionSubString() const
{
    return ZTStringFormat::fill(localized(QStringLiteral("Play the notes with %@.")), {instrumentName()});
}

QString ZTMelodiesController::startTestString() const
{
    return localized(QStringLiteral("Click on  \u25B6  to play the next melody."));
}

QString ZTMelodiesController::practiceMessage() const
{
    return QString("");
}

QString ZTMelodiesController::rightResultString() const
{
    return currentTest() ? currentTest()->result() : QString();
}

QString ZTMelodiesController::spellingString() const
{
    return QString("");
}

bool ZTMelodiesController::hasItems() const
{
    return true;
}

qlonglong ZTMelodiesController::createNextTestIndex()
{
    return -1;
}

std::shared_ptr<ZTTest> ZTMelodiesController::testForItem(const QVariantMap& item)
{
    return ZTTest::create<ZTMelodies>(item);
}

std::shared_ptr<ZTTest> ZTMelodiesController::createTestForItem(const QVariantMap& item, const QVariant&)
{
    const auto melody = std::dynamic_pointer_cast<ZTMelodies>(testForItem(item));
    if (!melody)
        return nullptr;

    ZTDataProvider* catalogue = ZTDataProvider::sharedDataProvider();
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const int level = catalogue->levelIndexForName(prefs->stringForKey(QStringLiteral("level"), testName()), testName());
    const QVariantMap data = catalogue->additionalLevelDataForTestWithName(testName(), level);
    if (data.isEmpty())
        return nullptr;

    melody->setNumTones(data.value(QStringLiteral("numTones")).toLongLong());
    // A level without scales gives no scale name, and so a chromatic melody.
    const QStringList scales = catalogue->itemsForTestWithName(testName(), level);
    melody->setScaleName(scales.isEmpty() ? QString() : scales.at(RandomSource::shared().below(quint32(scales.size()))));
    melody->setOctaves(data.value(QStringLiteral("octaves")).toLongLong());
    melody->setPlayMode(melody->playModeWithString(prefs->stringForKey(QStringLiteral("playmode"), testName())));
    drawRootFromBaseNoteRange(*melody);
    melody->createNotes();
    return melody;
}
