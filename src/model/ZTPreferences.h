#pragma once

#include <QDateTime>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantList>
#include <QVariantMap>

#include <functional>

// The one settings store of the process. Every user setting lives in a dictionary that
// mirrors settings.plist in the application-support folder; reads fall back to defaults
// built once at start-up (from code, and from the bundle's Tests.plist for per-exercise
// settings). Every stored change rewrites the whole file at once and is announced 0.5 s
// later on the main queue as "<key>ChangedNotification", with the store as sender and
// object. Main thread only, apart from creation.
//
// When settings.plist exists but cannot be read, or the settings folder cannot be made,
// the store answers the defaults, keeps this run's changes in memory only and never
// writes the file, so the user's file is left as it was.
class ZTPreferences {
public:
    // The shared store, created on first use. Creation is two-phase: the instance is
    // published before the MIDI output check runs, so a request made from inside that
    // check (the MIDI controller being created) gets the same store.
    static ZTPreferences* sharedPreferences();
    // Tests: drops the shared store; the next sharedPreferences() builds a fresh one from
    // the current folders and bundle. Work already scheduled by the old store still runs.
    static void resetSharedForTesting();

    // The MIDI controller lives above this layer; it installs the question "does an output
    // endpoint of this name exist?" when it is created. Without it, any name other than the
    // two software synthesizers counts as vanished.
    static void setMIDIEndpointLookup(std::function<bool(const QString& name)> lookup);

    // Keys whose changes are not marked for sync and which the sync export leaves out.
    static const QStringList& syncExcludedKeys();

    ~ZTPreferences();
    ZTPreferences(const ZTPreferences&) = delete;
    ZTPreferences& operator=(const ZTPreferences&) = delete;

    // ---- Persistence ----
    QString prefsPath() const { return prefsPath_; }
    // Writes the whole file at once; true when it was written. A failed write is logged and
    // leaves the previous file as it was.
    bool synchronize();
    void reset();
    bool isInternalPlayer() const { return isInternalPlayer_; }
    void log() const;
    void setup() {}

    // ---- Internal typed access: no file write, no notification ----
    QVariant _objectForKey(const QString& key) const;
    int _integerForKey(const QString& key) const;
    bool _boolForKey(const QString& key) const;
    float _floatForKey(const QString& key) const;
    // An invalid value removes the key.
    void _setObject(const QVariant& value, const QString& key);
    void _setInteger(int value, const QString& key);
    void _setBool(bool value, const QString& key);
    void _setFloat(float value, const QString& key);
    void _notifyAndSynchronize(const QString& key);

    // ---- Per-exercise settings: key "<test>.<key>" ----
    QString stringForKey(const QString& key, const QString& test) const;
    int integerForKey(const QString& key, const QString& test) const;
    float floatForKey(const QString& key, const QString& test) const;
    bool boolForKey(const QString& key, const QString& test) const;
    QVariant numberForKey(const QString& key, const QString& test) const;
    // Each stores and announces only when the value differs from the current one.
    void setString(const QString& value, const QString& key, const QString& test);
    void setInteger(int value, const QString& key, const QString& test);
    void setFloat(float value, const QString& key, const QString& test);
    void setBool(bool value, const QString& key, const QString& test);
    void setNumber(const QVariant& value, const QString& key, const QString& test);

    // ---- Global settings: getter named as the key; setters store and announce on change ----
    QString currentExercise() const;
    void setCurrentExercise(const QString& value);
    QString spellingType() const;
    void setSpellingType(const QString& value);
    QString noteNamesType() const;
    void setNoteNamesTypes(const QString& value);
    bool practiceMode() const;
    void setPracticeMode(bool value);
    bool autoPlay() const;
    void setAutoPlay(bool value);
    int autoPlayTime() const;
    void setAutoPlayTime(int value);
    bool checkForUpdates() const;
    void setCheckForUpdates(bool value);
    bool syncDropBoxCustomLevels() const;
    void setSyncDropBoxCustomLevels(bool value);
    bool syncDropBoxCustomExercises() const;
    void setSyncDropBoxCustomExercises(bool value);
    bool syncDropBoxStatistics() const;
    void setSyncDropBoxStatistics(bool value);
    bool syncDropBoxSettings() const;
    void setSyncDropBoxSettings(bool value);
    int GMMIDIInstrumentNr() const;
    void setGMMIDIInstrumentNr(int value);
    int melvoraSoftSynthInstrumentNr() const;
    void setMelvoraSoftSynthInstrumentNr(int value);
    int instrumentType() const;
    void setInstrumentType(int value);
    float micThreshold() const;
    void setMicThreshold(float value);
    bool MIDIThrough() const;
    void setMIDIThrough(bool value);
    QString MIDIInSource() const;
    void setMIDIInSource(const QString& value);
    int MIDIInChannel() const;
    void setMIDIInChannel(int value);
    // Corrects a stored endpoint that no longer exists to "Melvora SoftSynth" (in memory
    // only; the file gets it with the next write).
    QString MIDIOutEndpoint();
    // Logs the new name on a change; always recomputes isInternalPlayer().
    void setMIDIOutEndpoint(const QString& value);
    int MIDIOutChannel() const;
    void setMIDIOutChannel(int value);
    int MIDIOutVelocity() const;
    void setMIDIOutVelocity(int value);
    int MIDIOutVelocityMVSoftSynth() const;
    void setMIDIOutVelocityMVSoftSynth(int value);
    int MIDIOutRhythmChannel() const;
    void setMIDIOutRhythmChannel(int value);
    int MIDIOutRhythmVelocity() const;
    void setMIDIOutRhythmVelocity(int value);
    int MIDIOutRhythmVelocityMVSoftSynth() const;
    void setMIDIOutRhythmVelocityMVSoftSynth(int value);
    int MIDIOutRhythmNote() const;
    void setMIDIOutRhythmNote(int value);
    int MIDIOutRhythmInstrumentMVSoftSynth() const;
    void setMIDIOutRhythmInstrumentMVSoftSynth(int value);
    int MIDIRemotePlayKey() const;
    void setMIDIRemotePlayKey(int value);
    int MIDIRemoteNextKey() const;
    void setMIDIRemoteNextKey(int value);
    QString soundRightAnswer() const;
    void setSoundRightAnswer(const QString& value);
    QString soundWrongAnswer() const;
    void setSoundWrongAnswer(const QString& value);
    bool dropBoxSync() const;
    void setDropBoxSync(bool value);
    QString dropboxStatRev() const;
    void setDropboxStatRev(const QString& value);
    QString dropboxLevelsRev() const;
    void setDropboxLevelsRev(const QString& value);
    QString dropboxExercisesRev() const;
    void setDropboxExercisesRev(const QString& value);
    QString dropboxPrefsRev() const;
    void setDropboxPrefsRev(const QString& value);
    bool ignoreOctaves() const;
    void setIgnoreOctaves(bool value);
    bool autoplayCorrectAnswer() const;
    void setAutoplayCorrectAnswer(bool value);
    bool useMicrophone() const;
    void setUseMicrophone(bool value);
    int micType() const;
    void setMicType(int value);
    QString prefsTabName() const;
    void setPrefsTabName(const QString& value);

    // Sync bookkeeping. The setters only store (the values reach the file with the next write),
    // except that a change mark turning on is written at once.
    bool statWasChangedDuringLastSync() const;
    void setStatWasChangedDuringLastSync(bool value);
    bool levelsWereChangedDuringLastSync() const;
    void setLevelsWereChangedDuringLastSync(bool value);
    bool exercisesWereChangedDuringLastSync() const;
    void setExercisesWereChangedDuringLastSync(bool value);
    bool prefsWereChangedDuringLastSync() const;
    void setPrefsWereChangedDuringLastSync(bool value);
    QDateTime levelsModificationDate() const;
    void setLevelsModificationDate(const QDateTime& value);
    QDateTime exercisesModificationDate() const;
    void setExercisesModificationDate(const QDateTime& value);
    QDateTime prefsModificationDate() const;
    void setPrefsModificationDate(const QDateTime& value);

    // The main window's place on this computer's screens (a dictionary the window reads); it
    // never syncs. Stored only: it reaches the file with the next write, the one on quit.
    QVariant mainWindowFrame() const;
    void setMainWindowFrame(const QVariantMap& value);

    // ---- Key-value access by any key ----
    QVariant valueForKey(const QString& key);
    // An invalid value removes the key.
    void setValue(const QVariant& value, const QString& key);

    // ---- Sync ----
    // The stored settings without the sync-excluded keys (defaults never appear).
    QVariantMap prefsDictForSync() const;
    // Takes every changed, not sync-excluded key of a synced settings file.
    void updatePrefsFromSync(const QVariantMap& dict);

    // ---- Result sounds (bundle resultSounds.plist: {"id", "file", "name"}) ----
    // Null when no entry has the id.
    QString soundFileForSoundWithId(const QString& id) const;
    int indexForSoundWithId(const QString& id, const QVariantList& sounds) const;

    // ---- Custom exercises: [{"name": exercise, "items": [ExerciseItem]}] ----
    QVariantList customExercises() const;
    void setCustomExercises(const QVariantList& list);
    QVariantList customExercisesForTestWithName(const QString& test) const;
    // The "items" of the list's first entry for the exercise; empty when there is none.
    static QVariantList itemsOfCustomExerciseList(const QVariantList& list, const QString& test);
    // An empty map when the exercise has no custom item at that index.
    QVariantMap customExerciseWithIndex(int index, const QString& test) const;
    void addCustomExercise(const QVariantMap& item, const QString& test);
    void setCustomExercises(const QVariantList& items, const QString& test);
    // Carries a rename into the exercise's custom levels and statistics rows.
    void replaceCustomExercise(const QVariantMap& item, int index, const QString& test);
    void replaceExerciseName(const QString& name, int index, const QString& test);
    // Removes the item from the exercise's custom levels and statistics rows too.
    void deleteExerciseWithIndex(int index, const QString& test);

    // ---- Custom levels: [{"name": exercise, "levels": [CustomLevel]}] ----
    QVariantList customLevels() const;
    void setCustomLevels(const QVariantList& list);
    QVariantList customLevelsForTestWithName(const QString& test) const;
    // An empty map when the exercise has no custom level at that index.
    QVariantMap customLevelWithIndex(int index, const QString& test) const;
    void addCustomLevel(const QVariantMap& level, const QString& test);
    void replaceCustomLevel(const QVariantMap& level, int index, const QString& test);
    void replaceLevelName(const QString& name, int index, const QString& test);
    void deleteLevelWithIndex(int index, const QString& test);

private:
    ZTPreferences();
    void loadDefaultValues();
    void loadExerciseDefaults(QVariantMap& defaults) const;
    void computeIsInternalPlayer();

    void setStringSetting(const QString& value, const QString& key);
    void setIntegerSetting(int value, const QString& key);
    void setBoolSetting(bool value, const QString& key);
    void setFloatSetting(float value, const QString& key);
    void setObjectSetting(const QVariant& value, const QString& key);
    void setListSetting(const QVariantList& value, const QString& key);
    void setDateStoreOnly(const QDateTime& value, const QString& key);
    void markExercisesChanged();
    void markLevelsChanged();
    void patchExerciseItems(const QString& test, const QVariantList& items);
    void patchLevels(const QString& test, const QVariantList& levels);
    // Edits the first occurrence of the item name in each custom level of the exercise that
    // lists it (the edit gets the level's item names and the position) and stores those levels.
    void editItemInCustomLevels(const QString& test, const QString& itemName,
                                const std::function<void(QVariantList& names, qsizetype at)>& edit);
    void runStatsStatements(const QString& firstSql, const QString& secondSql,
                            const QVariantList& values);

    QString prefsPath_;     // empty when the settings folder could not be made
    bool canWrite_ = false; // false when the file must be left alone in this run
    QVariantMap defaultsDict_;
    QVariantMap defaultValues_;
    bool isInternalPlayer_ = true;
};

Q_DECLARE_METATYPE(ZTPreferences*)
