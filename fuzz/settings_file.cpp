// settings.plist at start-up, and the same bytes as a synced settings file: every setting
// reads, a change writes a file that reads back, and the sync export and import hold.
#include "FuzzEnvironment.h"
#include "PropertyList.h"
#include "ZTDataProvider.h"
#include "ZTPreferences.h"

#include <QFile>

namespace {

void readEverySetting(ZTPreferences* p)
{
    p->currentExercise();
    p->spellingType();
    p->noteNamesType();
    p->practiceMode();
    p->autoPlay();
    p->autoPlayTime();
    p->micThreshold();
    p->MIDIOutEndpoint();
    p->MIDIOutChannel();
    p->MIDIOutVelocity();
    p->MIDIRemotePlayKey();
    p->MIDIRemoteNextKey();
    p->soundRightAnswer();
    p->levelsModificationDate();
    p->prefsModificationDate();
    for (const QString& test : ZTDataProvider::sharedDataProvider()->testNames()) {
        for (const char* key : {"level", "answerTime", "numTryouts", "basenote", "playmode", "tempo", "length",
                                "descending", "showNoteNames", "useChordInversions"}) {
            p->stringForKey(key, test);
            p->integerForKey(key, test);
            p->floatForKey(key, test);
            p->boolForKey(key, test);
            p->numberForKey(key, test);
        }
        p->customExercisesForTestWithName(test);
        p->customLevelsForTestWithName(test);
        p->customExerciseWithIndex(0, test);
        p->customLevelWithIndex(0, test);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    // The settings defaults need every exercise and its settings, not every item.
    environment.shortenExerciseDefinitions();
    const QByteArray bytes = FuzzEnvironment::bytes(data, size);
    const QString path = environment.applicationSupportFolder() + QStringLiteral("/settings.plist");
    FuzzEnvironment::writeFile(path, bytes);

    ZTPreferences::resetSharedForTesting();
    ZTPreferences* p = ZTPreferences::sharedPreferences();
    ZTDataProvider::sharedDataProvider()->setup();
    readEverySetting(p);

    // A change rewrites a settings file that was read; one that could not be read stays as it was.
    const std::optional<QVariant> original = PropertyList::fromData(bytes);
    const bool wasRead = original && original->typeId() == QMetaType::QVariantMap;
    const bool autoPlay = !p->autoPlay();
    p->setAutoPlay(autoPlay);
    environment.settle();
    if (wasRead) {
        const std::optional<QVariant> written = PropertyList::readFile(path);
        FUZZ_REQUIRE(written && written->toMap().value(QStringLiteral("autoPlay")).toBool() == autoPlay);
    } else {
        QFile file(path);
        FUZZ_REQUIRE(file.open(QIODevice::ReadOnly) && file.readAll() == bytes);
    }

    // The same bytes as a synced settings file.
    if (wasRead) {
        p->updatePrefsFromSync(original->toMap());
        environment.settle();
        readEverySetting(p);
        p->prefsDictForSync();
    }
    ZTPreferences::resetSharedForTesting();
    return 0;
}
