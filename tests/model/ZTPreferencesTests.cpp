#include "PreferencesFixture.h"

#include "Paths.h"
#include "ZTDataProvider.h"
#include "PlistValues.h"

#include <QDateTime>
#include <QFileInfo>

#include <cmath>
#include <limits>

namespace {

class ZTPreferencesTest : public PreferencesTestBase {};

} // namespace

TEST_F(ZTPreferencesTest, FreshInstallAnswersDefaultsAndWritesNothingForUnchangedValues)
{
    NotificationLog log({});
    ZTPreferences* p = prefs();
    EXPECT_EQ(p->currentExercise(), "Interval recognition");
    EXPECT_EQ(p->spellingType(), "Scientific");
    EXPECT_EQ(p->autoPlayTime(), 3);
    EXPECT_EQ(p->MIDIRemotePlayKey(), 36);
    EXPECT_EQ(p->MIDIRemoteNextKey(), 38);
    EXPECT_EQ(p->MIDIOutRhythmNote(), 39);
    EXPECT_EQ(p->MIDIOutRhythmChannel(), 10);
    EXPECT_EQ(p->MIDIOutVelocity(), 110);
    EXPECT_EQ(p->MIDIOutRhythmVelocityMVSoftSynth(), 110);
    EXPECT_EQ(p->MIDIOutChannel(), 1);
    EXPECT_EQ(p->MIDIInChannel(), 0);
    EXPECT_FLOAT_EQ(p->micThreshold(), 0.1f);
    EXPECT_FALSE(p->ignoreOctaves());
    EXPECT_EQ(p->MIDIOutEndpoint(), "Apple DLS SoftSynth");
    EXPECT_TRUE(p->isInternalPlayer());
    EXPECT_FALSE(p->soundRightAnswer().isNull()); // "" is a stored choice: no sound
    EXPECT_TRUE(p->dropboxStatRev().isNull());
    EXPECT_TRUE(QFileInfo(env.applicationSupportFolder()).isDir());

    // Setting what is already there (here: the defaults) writes and posts nothing.
    p->setCurrentExercise("Interval recognition");
    p->setAutoPlay(true);
    p->setMicThreshold(0.1f);
    p->setSoundRightAnswer("");
    p->setCustomLevels({});
    p->setString("int_1", "level", "Interval recognition");
    p->setNumber(90.0, "tempo", "Interval recognition"); // stored as an integer: equal by value
    p->setValue(false, "GMMIDIInstrumentNr");            // NO equals 0 as a number
    p->setMIDIOutEndpoint("Apple DLS SoftSynth");
    queue.advance(2);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_FALSE(QFileInfo::exists(settingsPath()));
}

TEST_F(ZTPreferencesTest, AChangeIsOnDiskAtOnceAndAnnouncedHalfASecondLater)
{
    NotificationLog log({"currentExerciseChangedNotification"});
    ZTPreferences* p = prefs();
    const double start = MainQueue::now();
    p->setCurrentExercise("Chord recognition");
    EXPECT_EQ(settingsFile().value("currentExercise").toString(), "Chord recognition");
    queue.advance(0.49);
    EXPECT_TRUE(log.entries.empty());
    queue.advance(0.02);
    ASSERT_EQ(log.entries.size(), 1u);
    EXPECT_NEAR(log.entries[0].time - start, 0.5, 1e-9);
    EXPECT_EQ(log.entries[0].sender, p);
    EXPECT_EQ(log.entries[0].object.value<ZTPreferences*>(), p);

    // An excluded key leaves the sync marks alone; a synced key sets both, in the file too.
    EXPECT_FALSE(p->prefsWereChangedDuringLastSync());
    p->setAutoPlay(false);
    EXPECT_TRUE(p->prefsWereChangedDuringLastSync());
    EXPECT_LE(std::abs(p->prefsModificationDate().secsTo(QDateTime::currentDateTime())), 2);
    EXPECT_EQ(settingsFile().value("prefsWereChangedDuringLastSync"), true);
    EXPECT_EQ(settingsFile().value("autoPlay"), false);
}

TEST_F(ZTPreferencesTest, TwoQuickChangesPostTwiceBothAfterTheSecondValueIsStored)
{
    NotificationLog log({"autoPlayTimeChangedNotification"}, "autoPlayTime");
    prefs()->setAutoPlayTime(5);
    queue.advance(0.2);
    prefs()->setAutoPlayTime(8);
    queue.advance(0.31);
    ASSERT_EQ(log.entries.size(), 1u);
    queue.advance(0.2);
    ASSERT_EQ(log.entries.size(), 2u);
    EXPECT_EQ(log.entries[0].valueSeen.toInt(), 8);
    EXPECT_EQ(log.entries[1].valueSeen.toInt(), 8);
}

TEST_F(ZTPreferencesTest, PerExerciseDefaultsComeFromTheExerciseDefinitions)
{
    ZTPreferences* p = prefs();
    EXPECT_EQ(p->stringForKey("level", "Interval recognition"), "int_1"); // "Medium" is the second level
    EXPECT_EQ(p->stringForKey("level", "Scale recognition"), "int_0");
    EXPECT_TRUE(p->stringForKey("level", "Chord recognition").isNull()); // default not among the values
    EXPECT_EQ(p->integerForKey("numTryouts", "Interval recognition"), 3);
    EXPECT_EQ(p->integerForKey("answerTime", "Interval recognition"), 10); // leading integer of "10 s"
    EXPECT_EQ(p->numberForKey("tempo", "Interval recognition").toLongLong(), 90);
    EXPECT_FLOAT_EQ(p->floatForKey("length", "Interval recognition"), 2.5f);
    EXPECT_TRUE(p->boolForKey("showNoteNames", "Interval recognition"));

    NotificationLog log({"Interval recognition.levelChangedNotification", "Interval recognition.lengthChangedNotification"});
    p->setString("custom_Mine", "level", "Interval recognition");
    EXPECT_EQ(settingsFile().value("Interval recognition.level").toString(), "custom_Mine");
    EXPECT_TRUE(p->prefsWereChangedDuringLastSync()); // per-exercise keys are synced
    // A null string removes the key, so the default shows again.
    p->setString(QString(), "level", "Interval recognition");
    EXPECT_EQ(p->stringForKey("level", "Interval recognition"), "int_1");
    EXPECT_FALSE(settingsFile().contains("Interval recognition.level"));
    // NaN never equals anything, itself included.
    p->setFloat(NAN, "length", "Interval recognition");
    p->setFloat(NAN, "length", "Interval recognition");
    queue.advance(0.5);
    EXPECT_EQ(log.names(), (QStringList{"Interval recognition.levelChangedNotification",
                                        "Interval recognition.levelChangedNotification",
                                        "Interval recognition.lengthChangedNotification",
                                        "Interval recognition.lengthChangedNotification"}));
}

TEST_F(ZTPreferencesTest, StoredStringsAndNumbersConvert)
{
    writeSettingsFile({{"autoPlayTime", "12 seconds"}, {"autoPlay", "YES"}, {"ignoreOctaves", "0"},
                       {"micThreshold", " 0.25"}, {"MIDIOutChannel", 3.9}, {"MIDIThrough", qlonglong(0)}});
    ZTPreferences* p = prefs();
    EXPECT_EQ(p->autoPlayTime(), 12);
    EXPECT_TRUE(p->autoPlay());
    EXPECT_FALSE(p->ignoreOctaves());
    EXPECT_FLOAT_EQ(p->micThreshold(), 0.25f);
    EXPECT_EQ(p->MIDIOutChannel(), 3);
    EXPECT_FALSE(p->MIDIThrough());
}

TEST_F(ZTPreferencesTest, AnIntegerBeyondTheSignedRangeIsNeitherReadNorWrittenAsMinusOne)
{
    writeBytes(settingsPath(), R"(<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict><key>MIDIRemotePlayKey</key><integer>18446744073709551615</integer>
<key>userCounter</key><integer>18446744073709551615</integer></dict></plist>)");
    ZTPreferences* p = prefs();
    EXPECT_EQ(p->MIDIRemotePlayKey(), std::numeric_limits<int>::max());
    // -1 is another value: storing it is a change.
    p->setMIDIRemotePlayKey(-1);
    EXPECT_EQ(settingsFile().value("MIDIRemotePlayKey"), QVariant(qlonglong(-1)));
    // What the store does not know is written back as it was.
    EXPECT_EQ(settingsFile().value("userCounter"), QVariant(std::numeric_limits<qulonglong>::max()));
}

TEST_F(ZTPreferencesTest, WithoutExerciseDefinitionsPerExerciseReadsAreEmpty)
{
    QFile::remove(resources + "/Tests.plist");
    LogCapture logs;
    ZTPreferences* p = prefs();
    EXPECT_TRUE(p->stringForKey("level", "Interval recognition").isNull());
    EXPECT_EQ(p->integerForKey("numTryouts", "Interval recognition"), 0);
    EXPECT_FALSE(p->numberForKey("tempo", "Interval recognition").isValid());
    EXPECT_EQ(p->currentExercise(), "Interval recognition");
    EXPECT_TRUE(logs.contains("Tests.plist"));
}

TEST_F(ZTPreferencesTest, AnUnreadableSettingsFileIsLeftAloneAndTheDefaultsAnswer)
{
    const QByteArray xml = PropertyList::toXml(QVariantMap{{"autoPlayTime", qlonglong(9)}});
    const QList<QByteArray> badContents{QByteArray("not a property list\x01\x02", 21), xml.left(xml.size() / 2),
                                        PropertyList::toXml(QVariantList{1, 2}), QByteArray()};
    for (const QByteArray& bad : badContents) {
        SCOPED_TRACE(bad.left(40).toStdString());
        writeBytes(settingsPath(), bad);
        ZTPreferences::resetSharedForTesting();
        LogCapture logs;
        NotificationLog log({"currentExerciseChangedNotification"});
        ZTPreferences* p = prefs();
        ZTDataProvider::sharedDataProvider()->setup();
        EXPECT_TRUE(logs.contains("will not be overwritten"));
        EXPECT_EQ(p->autoPlayTime(), 3);

        // Changes hold for this run only; the user's file keeps its bytes.
        p->setCurrentExercise("Chord recognition");
        EXPECT_EQ(p->currentExercise(), "Chord recognition");
        p->addCustomLevel({{"name", "x"}}, "Melodies");
        p->reset();
        p->synchronize();
        queue.advance(1);
        EXPECT_EQ(fileBytes(settingsPath()), bad);
        EXPECT_EQ(log.entries.size(), 1u);
    }
}

TEST_F(ZTPreferencesTest, WithoutASettingsFolderTheStoreStillAnswersDefaults)
{
    writeBytes(env.root() + "/data/Vantrel", "in the way"); // a file where the folder should go
    LogCapture logs;
    ZTPreferences* p = prefs();
    EXPECT_TRUE(logs.contains("Could not create the settings folder"));
    EXPECT_TRUE(p->prefsPath().isEmpty());
    EXPECT_EQ(p->currentExercise(), "Interval recognition");
    EXPECT_EQ(p->stringForKey("level", "Interval recognition"), "int_1");
    p->setCurrentExercise("Melodies");
    EXPECT_EQ(p->currentExercise(), "Melodies");
    EXPECT_EQ(fileBytes(env.root() + "/data/Vantrel"), "in the way");
}

TEST_F(ZTPreferencesTest, AVanishedOutputEndpointFallsBackInMemoryOnly)
{
    writeSettingsFile({{"MIDIOutEndpoint", "USB Keys"}});
    ZTPreferences* p = prefs();
    EXPECT_TRUE(p->isInternalPlayer());
    EXPECT_EQ(p->valueForKey("MIDIOutEndpoint").toString(), "Melvora SoftSynth");
    EXPECT_EQ(settingsFile().value("MIDIOutEndpoint").toString(), "USB Keys");
    p->setAutoPlay(false); // the next write carries the correction
    EXPECT_EQ(settingsFile().value("MIDIOutEndpoint").toString(), "Melvora SoftSynth");
}

TEST_F(ZTPreferencesTest, APresentOutputEndpointIsKeptAndTheSetterRecomputesTheCache)
{
    writeSettingsFile({{"MIDIOutEndpoint", "USB Keys"}});
    bool plugged = true;
    ZTPreferences::setMIDIEndpointLookup([&plugged](const QString& name) { return plugged && name == "USB Keys"; });
    ZTPreferences* p = prefs();
    EXPECT_EQ(p->MIDIOutEndpoint(), "USB Keys");
    EXPECT_FALSE(p->isInternalPlayer());

    NotificationLog log({"MIDIOutEndpointChangedNotification"});
    LogCapture logs;
    plugged = false;
    p->setMIDIOutEndpoint("Melvora SoftSynth"); // equals the corrected value: no change, cache updated
    EXPECT_TRUE(p->isInternalPlayer());
    queue.advance(1);
    EXPECT_TRUE(log.entries.empty());

    p->setMIDIOutEndpoint("Apple DLS SoftSynth");
    EXPECT_TRUE(logs.contains("aString:Apple DLS SoftSynth"));
    EXPECT_FALSE(p->prefsWereChangedDuringLastSync());
    queue.advance(0.5);
    EXPECT_EQ(log.entries.size(), 1u);
}

TEST_F(ZTPreferencesTest, TheEndpointCheckMayAskForTheStoreBeingCreated)
{
    writeSettingsFile({{"MIDIOutEndpoint", "USB Keys"}, {"autoPlayTime", qlonglong(4)}});
    ZTPreferences* seen = nullptr;
    int seenPlayTime = 0;
    ZTPreferences::setMIDIEndpointLookup([&](const QString&) {
        // What the MIDI controller does while it is created: read settings, install itself.
        seen = ZTPreferences::sharedPreferences();
        seenPlayTime = seen->autoPlayTime();
        ZTPreferences::setMIDIEndpointLookup([](const QString&) { return true; });
        return true;
    });
    ZTPreferences* p = prefs();
    EXPECT_EQ(seen, p);
    EXPECT_EQ(seenPlayTime, 4);
    EXPECT_FALSE(p->isInternalPlayer());
}

TEST_F(ZTPreferencesTest, ResetKeepsTheCustomListsAndClearsEverythingElse)
{
    const QVariantList levels{QVariantMap{{"name", "Melodies"}, {"levels", QVariantList{QVariantMap{{"name", "L"}}}}}};
    writeSettingsFile({{"customLevels", levels}, {"dropBoxSync", true}, {"dropboxStatRev", "r7"},
                       {"syncDropBoxStatistics", true}, {"autoPlayTime", qlonglong(7)}});
    ZTPreferences* p = prefs();
    NotificationLog log({"ZTPreferencesResetNotification", "customLevelsChangedNotification",
                         "customExercisesChangedNotification"});
    p->reset();
    EXPECT_EQ(log.names(), QStringList{"ZTPreferencesResetNotification"}); // at once
    EXPECT_FALSE(p->dropBoxSync());
    EXPECT_TRUE(p->dropboxStatRev().isNull());
    EXPECT_FALSE(p->syncDropBoxStatistics());
    EXPECT_EQ(p->autoPlayTime(), 3);
    EXPECT_TRUE(PlistValues::objectsEqual(p->customLevels(), levels));
    queue.advance(0.5);
    EXPECT_EQ(log.names(), (QStringList{"ZTPreferencesResetNotification", "customLevelsChangedNotification"}));
    EXPECT_EQ(QStringList(settingsFile().keys()),
              (QStringList{"customLevels", "prefsModificationDate", "prefsWereChangedDuringLastSync"}));
}

TEST_F(ZTPreferencesTest, SyncExportLeavesOutLocalKeysAndImportIgnoresThem)
{
    // The 35 keys of the sync format, the 4 keys of this computer's exam account and the
    // window's place on its screens.
    EXPECT_EQ(ZTPreferences::syncExcludedKeys().size(), 40);
    const QVariantMap window{{"x", 10}, {"y", 20}, {"width", 1000}, {"height", 600}};
    writeSettingsFile({{"currentExercise", "Melodies"},
                       {"autoPlay", false},
                       {"MIDIOutChannel", qlonglong(2)},
                       {"mainWindowFrame", window}});
    ZTPreferences* p = prefs();
    EXPECT_EQ(p->prefsDictForSync(), (QVariantMap{{"autoPlay", false}}));
    p->setString("int_1", "level", "Melodies");
    p->setLevelsModificationDate(QDateTime::currentDateTime());
    EXPECT_EQ(QStringList(p->prefsDictForSync().keys()),
              (QStringList{"Melodies.level", "autoPlay", "levelsModificationDate"}));

    queue.advance(1);
    NotificationLog log({});
    p->updatePrefsFromSync({{"autoPlay", false}, {"MIDIOutChannel", qlonglong(9)},
                            {"currentExercise", "Chords"}, {"dropboxPrefsRev", "remote"},
                            {"mainWindowFrame", QVariantMap{{"x", 0}}}});
    queue.advance(1);
    EXPECT_TRUE(log.entries.empty());
    EXPECT_EQ(p->MIDIOutChannel(), 2);
    EXPECT_EQ(p->mainWindowFrame().toMap(), window);
    EXPECT_EQ(p->currentExercise(), "Melodies");
    EXPECT_TRUE(p->dropboxPrefsRev().isNull());

    p->updatePrefsFromSync({{"autoPlay", false}, {"autoPlayTime", qlonglong(6)}});
    EXPECT_EQ(log.names(), QStringList{"prefsFromSyncUpdatedNotification"});
    EXPECT_EQ(settingsFile().value("autoPlayTime").toLongLong(), 6);
    queue.advance(0.5);
    EXPECT_EQ(log.names(), (QStringList{"prefsFromSyncUpdatedNotification", "autoPlayTimeChangedNotification"}));
}

TEST_F(ZTPreferencesTest, ResultSoundsAreLookedUpInTheBundle)
{
    ZTPreferences* p = prefs();
    const QVariantList sounds = PropertyList::readFile(Paths::resource("resultSounds.plist")).value_or(QVariant()).toList();
    ASSERT_GE(sounds.size(), 2);
    for (const QVariant& sound : sounds) {
        const QFileInfo file(resources + "/sounds/" + p->soundFileForSoundWithId(sound.toMap().value("id").toString()));
        EXPECT_TRUE(file.isFile() && file.size() < 50 * 1024) << file.filePath().toStdString();
    }
    EXPECT_TRUE(p->soundFileForSoundWithId("").isNull());
    EXPECT_EQ(p->indexForSoundWithId("b", {QVariantMap{{"id", "a"}}, QVariantMap{{"id", "b"}}, QVariantMap{{"id", "b"}}}), 1);
    EXPECT_EQ(p->indexForSoundWithId("c", {QVariantMap{{"id", "a"}}}), -1);
    // The empty id is "no sound" unless an entry really has it.
    ASSERT_TRUE(PropertyList::writeFileAtomically(resources + "/resultSounds.plist",
                                                  QVariantList{QVariantMap{{"id", ""}, {"file", "silence.wav"}}}));
    EXPECT_EQ(p->soundFileForSoundWithId(""), "silence.wav");
}
