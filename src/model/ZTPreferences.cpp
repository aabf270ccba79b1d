#include "ZTPreferences.h"

#include "Localization.h"
#include "Log.h"
#include "NotificationCenter.h"
#include "Paths.h"
#include "PropertyList.h"
#include "PlistValues.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <memory>
#include <mutex>

namespace {

const QString kSoftSynth = QStringLiteral("Melvora SoftSynth");
const QString kSystemSynth = QStringLiteral("Apple DLS SoftSynth");
const QString kMIDIOutEndpoint = QStringLiteral("MIDIOutEndpoint");
const QString kPrefsWereChanged = QStringLiteral("prefsWereChangedDuringLastSync");
const QString kPrefsModificationDate = QStringLiteral("prefsModificationDate");

// Creation is guarded by a recursive lock: the MIDI output check made during creation may
// come back for the store on the same thread and must get the instance being built.
std::recursive_mutex& creationLock()
{
    static std::recursive_mutex lock;
    return lock;
}

std::unique_ptr<ZTPreferences>& sharedInstance()
{
    static std::unique_ptr<ZTPreferences> instance;
    return instance;
}

std::mutex& lookupLock()
{
    static std::mutex lock;
    return lock;
}

std::function<bool(const QString&)>& endpointLookup()
{
    static std::function<bool(const QString&)> lookup;
    return lookup;
}

QString testKey(const QString& key, const QString& test)
{
    return test + QLatin1Char('.') + key;
}

// Null and empty differ: a null string stands for "not set".
bool sameString(const QString& a, const QString& b)
{
    return a.isNull() == b.isNull() && a == b;
}

} // namespace

// ---- Creation ----

ZTPreferences* ZTPreferences::sharedPreferences()
{
    std::lock_guard lock(creationLock());
    auto& instance = sharedInstance();
    if (!instance) {
        instance.reset(new ZTPreferences());
        // Second phase, after publishing: the endpoint check may ask for the store again.
        instance->computeIsInternalPlayer();
    }
    return instance.get();
}

void ZTPreferences::resetSharedForTesting()
{
    std::lock_guard lock(creationLock());
    sharedInstance().reset();
}

void ZTPreferences::setMIDIEndpointLookup(std::function<bool(const QString&)> lookup)
{
    std::lock_guard lock(lookupLock());
    endpointLookup() = std::move(lookup);
}

const QStringList& ZTPreferences::syncExcludedKeys()
{
    static const QStringList keys = {
        QStringLiteral("syncDropBoxCustomLevels"), QStringLiteral("syncDropBoxCustomExercises"),
        QStringLiteral("syncDropBoxStatistics"), QStringLiteral("syncDropBoxSettings"),
        QStringLiteral("dropboxStatRev"), QStringLiteral("dropboxLevelsRev"),
        QStringLiteral("dropboxExercisesRev"), QStringLiteral("dropboxPrefsRev"),
        QStringLiteral("prefsWereChangedDuringLastSync"), QStringLiteral("levelsWereChangedDuringLastSync"),
        QStringLiteral("exercisesWereChangedDuringLastSync"), QStringLiteral("statWasChangedDuringLastSync"),
        QStringLiteral("dropBoxSync"), QStringLiteral("currentExercise"), QStringLiteral("practiceMode"),
        QStringLiteral("MIDIInSource"), QStringLiteral("MIDIInChannel"), QStringLiteral("MIDIThrough"),
        QStringLiteral("MIDIOutEndpoint"), QStringLiteral("MIDIOutChannel"), QStringLiteral("MIDIOutVelocity"),
        QStringLiteral("MIDIOutVelocityMVSoftSynth"), QStringLiteral("MIDIOutRhythmChannel"),
        QStringLiteral("MIDIOutRhythmVelocity"), QStringLiteral("MIDIOutRhythmVelocityMVSoftSynth"),
        QStringLiteral("MIDIOutRhythmNote"), QStringLiteral("MIDIOutRhythmInstrumentMVSoftSynth"),
        QStringLiteral("prefsTabName"), QStringLiteral("customLevels"), QStringLiteral("customExercises"),
        QStringLiteral("prefsModificationDate"), QStringLiteral("checkForUpdates"),
        QStringLiteral("useMicrophone"), QStringLiteral("micThreshold"), QStringLiteral("micType"),
        // Screens differ from one computer to the next.
        QStringLiteral("mainWindowFrame"),
        // The exam server account of this computer.
        QStringLiteral("MelvoraCloudUsername"), QStringLiteral("MelvoraUserFirstName"),
        QStringLiteral("MelvoraUserLastName"), QStringLiteral("MelvoraUserAuthViaFacebook"),
    };
    return keys;
}

ZTPreferences::ZTPreferences()
{
    const QString folder = Paths::applicationSupportFolder();
    if (!QDir().mkpath(folder)) {
        Log::line(QStringLiteral("Could not create the settings folder %1; settings will not be saved in this run.")
                      .arg(folder));
    } else {
        prefsPath_ = folder + QStringLiteral("/settings.plist");
        canWrite_ = true;
        if (QFileInfo::exists(prefsPath_)) {
            QString error;
            const std::optional<QVariant> contents = PropertyList::readFile(prefsPath_, &error);
            if (contents && contents->typeId() == QMetaType::QVariantMap) {
                defaultsDict_ = contents->toMap();
            } else {
                if (contents)
                    error = QStringLiteral("the root is not a dictionary");
                canWrite_ = false;
                Log::line(QStringLiteral("Could not read settings file %1 (%2); using the defaults, and the file "
                                         "will not be overwritten in this run.")
                              .arg(prefsPath_, error));
            }
        }
    }
    loadDefaultValues();
}

ZTPreferences::~ZTPreferences() = default;

void ZTPreferences::loadDefaultValues()
{
    QVariantMap defaults;
    defaults.insert(QStringLiteral("currentExercise"), QStringLiteral("Interval recognition"));
    defaults.insert(QStringLiteral("spellingType"),
                    localized(QStringLiteral("languageCode")) == QLatin1String("fr") ? QStringLiteral("French")
                                                                                    : QStringLiteral("Scientific"));
    defaults.insert(QStringLiteral("noteNamesType"), QStringLiteral("Translated"));
    defaults.insert(QStringLiteral("practiceMode"), false);
    defaults.insert(QStringLiteral("autoPlay"), true);
    defaults.insert(QStringLiteral("autoPlayTime"), qlonglong(3));
    defaults.insert(QStringLiteral("checkForUpdates"), true);
    defaults.insert(QStringLiteral("syncDropBoxCustomLevels"), false);
    defaults.insert(QStringLiteral("syncDropBoxCustomExercises"), false);
    defaults.insert(QStringLiteral("syncDropBoxStatistics"), false);
    defaults.insert(QStringLiteral("syncDropBoxSettings"), false);
    defaults.insert(QStringLiteral("GMMIDIInstrumentNr"), qlonglong(0));
    defaults.insert(QStringLiteral("melvoraSoftSynthInstrumentNr"), qlonglong(0));
    defaults.insert(QStringLiteral("instrumentType"), qlonglong(0));
    defaults.insert(QStringLiteral("micThreshold"), double(0.1f));
    defaults.insert(QStringLiteral("MIDIThrough"), true);
    defaults.insert(QStringLiteral("MIDIInSource"), QStringLiteral("auto"));
    defaults.insert(QStringLiteral("MIDIInChannel"), qlonglong(0));
    defaults.insert(kMIDIOutEndpoint, kSystemSynth);
    defaults.insert(QStringLiteral("MIDIOutChannel"), qlonglong(1));
    defaults.insert(QStringLiteral("MIDIOutVelocity"), qlonglong(110));
    defaults.insert(QStringLiteral("MIDIOutVelocityMVSoftSynth"), qlonglong(110));
    defaults.insert(QStringLiteral("MIDIOutRhythmChannel"), qlonglong(10));
    defaults.insert(QStringLiteral("MIDIOutRhythmVelocity"), qlonglong(110));
    defaults.insert(QStringLiteral("MIDIOutRhythmVelocityMVSoftSynth"), qlonglong(110));
    defaults.insert(QStringLiteral("MIDIOutRhythmNote"), qlonglong(39));
    defaults.insert(QStringLiteral("MIDIRemotePlayKey"), qlonglong(36));
    defaults.insert(QStringLiteral("MIDIRemoteNextKey"), qlonglong(38));
    defaults.insert(QStringLiteral("soundRightAnswer"), QString(QLatin1String("")));
    defaults.insert(QStringLiteral("soundWrongAnswer"), QString(QLatin1String("")));
    defaults.insert(QStringLiteral("customLevels"), QVariantList());
    defaults.insert(QStringLiteral("customExercises"), QVariantList());
    loadExerciseDefaults(defaults);
    defaultValues_ = defaults;
}

// Per-exercise defaults come straight from the bundle's exercise definitions; the level
// default becomes the id of the built-in level it names.
void ZTPreferences::loadExerciseDefaults(QVariantMap& defaults) const
{
    const QString path = Paths::resource(QStringLiteral("Tests.plist"));
    QString error;
    const std::optional<QVariant> tests = PropertyList::readFile(path, &error);
    if (!tests || tests->typeId() != QMetaType::QVariantList) {
        Log::line(QStringLiteral("No per-exercise setting defaults: could not read %1 as a list (%2).")
                      .arg(path, tests ? QStringLiteral("not a list") : error));
        return;
    }
    for (const QVariant& testValue : tests->toList()) {
        const QVariantMap test = testValue.toMap();
        const QString testName = test.value(QStringLiteral("name")).toString();
        if (testName.isEmpty())
            continue;
        for (const QVariant& settingValue : test.value(QStringLiteral("settings")).toList()) {
            const QVariantMap setting = settingValue.toMap();
            const QString name = setting.value(QStringLiteral("name")).toString();
            if (name.isEmpty() || !setting.contains(QStringLiteral("default")))
                continue;
            const QVariant defaultValue = setting.value(QStringLiteral("default"));
            if (name != QLatin1String("level")) {
                defaults.insert(testKey(name, testName), defaultValue);
                continue;
            }
            const QVariantList values = setting.value(QStringLiteral("values")).toList();
            for (int i = 0; i < values.size(); ++i) {
                if (values.at(i).typeId() == QMetaType::QString && defaultValue.typeId() == QMetaType::QString
                    && values.at(i).toString() == defaultValue.toString()) {
                    defaults.insert(testKey(name, testName), QStringLiteral("int_%1").arg(i));
                    break;
                }
            }
        }
    }
}

void ZTPreferences::computeIsInternalPlayer()
{
    const QString endpoint = MIDIOutEndpoint();
    isInternalPlayer_ = endpoint.isEmpty() || endpoint == kSoftSynth || endpoint == kSystemSynth;
}

// ---- Persistence ----

bool ZTPreferences::synchronize()
{
    if (!canWrite_)
        return false;
    QString error;
    if (PropertyList::writeFileAtomically(prefsPath_, defaultsDict_, &error))
        return true;
    Log::line(QStringLiteral("Could not write settings file %1: %2").arg(prefsPath_, error));
    return false;
}

void ZTPreferences::reset()
{
    const QVariantList levels = customLevels();
    const QVariantList exercises = customExercises();
    defaultsDict_.clear();
    setPrefsWereChangedDuringLastSync(true);
    setPrefsModificationDate(QDateTime::currentDateTime());
    setCustomLevels(levels);
    setCustomExercises(exercises);
    synchronize();
    NotificationCenter::defaultCenter().post(QStringLiteral("ZTPreferencesResetNotification"), this,
                                             QVariant::fromValue(this));
}

void ZTPreferences::log() const
{
    const QByteArray text = QJsonDocument(QJsonObject::fromVariantMap(defaultsDict_)).toJson(QJsonDocument::Compact);
    Log::line(QStringLiteral("defaultsDict:%1").arg(QString::fromUtf8(text)));
}

// ---- Internal typed access ----

QVariant ZTPreferences::_objectForKey(const QString& key) const
{
    auto stored = defaultsDict_.constFind(key);
    if (stored != defaultsDict_.constEnd())
        return *stored;
    return defaultValues_.value(key);
}

int ZTPreferences::_integerForKey(const QString& key) const
{
    return PlistValues::toInteger(_objectForKey(key));
}

bool ZTPreferences::_boolForKey(const QString& key) const
{
    return PlistValues::toBool(_objectForKey(key));
}

float ZTPreferences::_floatForKey(const QString& key) const
{
    return PlistValues::toFloat(_objectForKey(key));
}

void ZTPreferences::_setObject(const QVariant& value, const QString& key)
{
    if (!value.isValid())
        defaultsDict_.remove(key);
    else
        defaultsDict_.insert(key, value);
}

void ZTPreferences::_setInteger(int value, const QString& key)
{
    defaultsDict_.insert(key, qlonglong(value));
}

void ZTPreferences::_setBool(bool value, const QString& key)
{
    defaultsDict_.insert(key, value);
}

void ZTPreferences::_setFloat(float value, const QString& key)
{
    defaultsDict_.insert(key, double(value));
}

void ZTPreferences::_notifyAndSynchronize(const QString& key)
{
    if (!syncExcludedKeys().contains(key)) {
        _setBool(true, QStringLiteral("prefsWereChangedDuringLastSync"));
        setPrefsModificationDate(QDateTime::currentDateTime());
    }
    synchronize();
    // Observers read the value current at posting time; every change posts on its own.
    NotificationCenter::defaultCenter().postAfter(
        0.5, Notification{key + QStringLiteral("ChangedNotification"), this, QVariant::fromValue(this), {}});
}

// ---- Per-exercise settings ----

QString ZTPreferences::stringForKey(const QString& key, const QString& test) const
{
    return PlistValues::toStringOrNull(_objectForKey(testKey(key, test)));
}

int ZTPreferences::integerForKey(const QString& key, const QString& test) const
{
    return _integerForKey(testKey(key, test));
}

float ZTPreferences::floatForKey(const QString& key, const QString& test) const
{
    return _floatForKey(testKey(key, test));
}

bool ZTPreferences::boolForKey(const QString& key, const QString& test) const
{
    return _boolForKey(testKey(key, test));
}

QVariant ZTPreferences::numberForKey(const QString& key, const QString& test) const
{
    return _objectForKey(testKey(key, test));
}

// Per-exercise setters are the global ones under the composite key.
void ZTPreferences::setString(const QString& value, const QString& key, const QString& test)
{
    setStringSetting(value, testKey(key, test));
}

void ZTPreferences::setInteger(int value, const QString& key, const QString& test)
{
    setIntegerSetting(value, testKey(key, test));
}

void ZTPreferences::setFloat(float value, const QString& key, const QString& test)
{
    setFloatSetting(value, testKey(key, test));
}

void ZTPreferences::setBool(bool value, const QString& key, const QString& test)
{
    setBoolSetting(value, testKey(key, test));
}

void ZTPreferences::setNumber(const QVariant& value, const QString& key, const QString& test)
{
    setObjectSetting(value, testKey(key, test));
}

// ---- Global settings ----

void ZTPreferences::setStringSetting(const QString& value, const QString& key)
{
    if (sameString(PlistValues::toStringOrNull(_objectForKey(key)), value))
        return;
    _setObject(value.isNull() ? QVariant() : QVariant(value), key);
    _notifyAndSynchronize(key);
}

void ZTPreferences::setIntegerSetting(int value, const QString& key)
{
    if (_integerForKey(key) == value)
        return;
    _setInteger(value, key);
    _notifyAndSynchronize(key);
}

void ZTPreferences::setBoolSetting(bool value, const QString& key)
{
    if (_boolForKey(key) == value)
        return;
    _setBool(value, key);
    _notifyAndSynchronize(key);
}

void ZTPreferences::setFloatSetting(float value, const QString& key)
{
    // A NaN on either side always counts as a change.
    if (_floatForKey(key) == value)
        return;
    _setFloat(value, key);
    _notifyAndSynchronize(key);
}

void ZTPreferences::setObjectSetting(const QVariant& value, const QString& key)
{
    if (PlistValues::objectsEqual(_objectForKey(key), value))
        return;
    _setObject(value, key);
    _notifyAndSynchronize(key);
}

void ZTPreferences::setListSetting(const QVariantList& value, const QString& key)
{
    if (PlistValues::objectsEqual(_objectForKey(key).toList(), value))
        return;
    _setObject(value, key);
    _notifyAndSynchronize(key);
}

void ZTPreferences::setDateStoreOnly(const QDateTime& value, const QString& key)
{
    _setObject(value.isValid() ? QVariant(value) : QVariant(), key);
}

#define ZT_STRING_SETTING(getter, setter, key)                                                                  \
    QString ZTPreferences::getter() const { return PlistValues::toStringOrNull(_objectForKey(QStringLiteral(key))); } \
    void ZTPreferences::setter(const QString& value) { setStringSetting(value, QStringLiteral(key)); }
#define ZT_INTEGER_SETTING(getter, setter, key)                                                                 \
    int ZTPreferences::getter() const { return _integerForKey(QStringLiteral(key)); }                           \
    void ZTPreferences::setter(int value) { setIntegerSetting(value, QStringLiteral(key)); }
#define ZT_FLOAT_SETTING(getter, setter, key)                                                                   \
    float ZTPreferences::getter() const { return _floatForKey(QStringLiteral(key)); }                           \
    void ZTPreferences::setter(float value) { setFloatSetting(value, QStringLiteral(key)); }
#define ZT_BOOL_SETTING(getter, setter, key)                                                                    \
    bool ZTPreferences::getter() const { return _boolForKey(QStringLiteral(key)); }                             \
    void ZTPreferences::setter(bool value) { setBoolSetting(value, QStringLiteral(key)); }
// Sync bookkeeping: stored only, written with the next change.
// A change mark that turns on is written at once: lost in a crash, it would leave the change
// unsynced for good (and a later download could replace it). Clearing it waits for the next write.
#define ZT_STORED_BOOL(getter, setter, key)                                                                     \
    bool ZTPreferences::getter() const { return _boolForKey(QStringLiteral(key)); }                             \
    void ZTPreferences::setter(bool value)                                                                      \
    {                                                                                                           \
        const bool marks = value && !getter();                                                                  \
        _setBool(value, QStringLiteral(key));                                                                   \
        if (marks)                                                                                              \
            synchronize();                                                                                      \
    }
#define ZT_STORED_DATE(getter, setter, key)                                                                     \
    QDateTime ZTPreferences::getter() const { return _objectForKey(QStringLiteral(key)).toDateTime(); }         \
    void ZTPreferences::setter(const QDateTime& value) { setDateStoreOnly(value, QStringLiteral(key)); }

ZT_STRING_SETTING(currentExercise, setCurrentExercise, "currentExercise")
ZT_STRING_SETTING(spellingType, setSpellingType, "spellingType")
ZT_STRING_SETTING(noteNamesType, setNoteNamesTypes, "noteNamesType")
ZT_BOOL_SETTING(practiceMode, setPracticeMode, "practiceMode")
ZT_BOOL_SETTING(autoPlay, setAutoPlay, "autoPlay")
ZT_INTEGER_SETTING(autoPlayTime, setAutoPlayTime, "autoPlayTime")
ZT_BOOL_SETTING(checkForUpdates, setCheckForUpdates, "checkForUpdates")
ZT_BOOL_SETTING(syncDropBoxCustomLevels, setSyncDropBoxCustomLevels, "syncDropBoxCustomLevels")
ZT_BOOL_SETTING(syncDropBoxCustomExercises, setSyncDropBoxCustomExercises, "syncDropBoxCustomExercises")
ZT_BOOL_SETTING(syncDropBoxStatistics, setSyncDropBoxStatistics, "syncDropBoxStatistics")
ZT_BOOL_SETTING(syncDropBoxSettings, setSyncDropBoxSettings, "syncDropBoxSettings")
ZT_INTEGER_SETTING(GMMIDIInstrumentNr, setGMMIDIInstrumentNr, "GMMIDIInstrumentNr")
ZT_INTEGER_SETTING(melvoraSoftSynthInstrumentNr, setMelvoraSoftSynthInstrumentNr, "melvoraSoftSynthInstrumentNr")
ZT_INTEGER_SETTING(instrumentType, setInstrumentType, "instrumentType")
ZT_FLOAT_SETTING(micThreshold, setMicThreshold, "micThreshold")
ZT_BOOL_SETTING(MIDIThrough, setMIDIThrough, "MIDIThrough")
ZT_STRING_SETTING(MIDIInSource, setMIDIInSource, "MIDIInSource")
ZT_INTEGER_SETTING(MIDIInChannel, setMIDIInChannel, "MIDIInChannel")
ZT_INTEGER_SETTING(MIDIOutChannel, setMIDIOutChannel, "MIDIOutChannel")
ZT_INTEGER_SETTING(MIDIOutVelocity, setMIDIOutVelocity, "MIDIOutVelocity")
ZT_INTEGER_SETTING(MIDIOutVelocityMVSoftSynth, setMIDIOutVelocityMVSoftSynth, "MIDIOutVelocityMVSoftSynth")
ZT_INTEGER_SETTING(MIDIOutRhythmChannel, setMIDIOutRhythmChannel, "MIDIOutRhythmChannel")
ZT_INTEGER_SETTING(MIDIOutRhythmVelocity, setMIDIOutRhythmVelocity, "MIDIOutRhythmVelocity")
ZT_INTEGER_SETTING(MIDIOutRhythmVelocityMVSoftSynth, setMIDIOutRhythmVelocityMVSoftSynth,
                   "MIDIOutRhythmVelocityMVSoftSynth")
ZT_INTEGER_SETTING(MIDIOutRhythmNote, setMIDIOutRhythmNote, "MIDIOutRhythmNote")
ZT_INTEGER_SETTING(MIDIOutRhythmInstrumentMVSoftSynth, setMIDIOutRhythmInstrumentMVSoftSynth,
                   "MIDIOutRhythmInstrumentMVSoftSynth")
ZT_INTEGER_SETTING(MIDIRemotePlayKey, setMIDIRemotePlayKey, "MIDIRemotePlayKey")
ZT_INTEGER_SETTING(MIDIRemoteNextKey, setMIDIRemoteNextKey, "MIDIRemoteNextKey")
ZT_STRING_SETTING(soundRightAnswer, setSoundRightAnswer, "soundRightAnswer")
ZT_STRING_SETTING(soundWrongAnswer, setSoundWrongAnswer, "soundWrongAnswer")
ZT_BOOL_SETTING(dropBoxSync, setDropBoxSync, "dropBoxSync")
ZT_STRING_SETTING(dropboxStatRev, setDropboxStatRev, "dropboxStatRev")
ZT_STRING_SETTING(dropboxLevelsRev, setDropboxLevelsRev, "dropboxLevelsRev")
ZT_STRING_SETTING(dropboxExercisesRev, setDropboxExercisesRev, "dropboxExercisesRev")
ZT_STRING_SETTING(dropboxPrefsRev, setDropboxPrefsRev, "dropboxPrefsRev")
ZT_BOOL_SETTING(ignoreOctaves, setIgnoreOctaves, "ignoreOctaves")
ZT_BOOL_SETTING(autoplayCorrectAnswer, setAutoplayCorrectAnswer, "autoplayCorrectAnswer")
ZT_BOOL_SETTING(useMicrophone, setUseMicrophone, "useMicrophone")
ZT_INTEGER_SETTING(micType, setMicType, "micType")
ZT_STRING_SETTING(prefsTabName, setPrefsTabName, "prefsTabName")
ZT_STORED_BOOL(statWasChangedDuringLastSync, setStatWasChangedDuringLastSync, "statWasChangedDuringLastSync")
ZT_STORED_BOOL(levelsWereChangedDuringLastSync, setLevelsWereChangedDuringLastSync, "levelsWereChangedDuringLastSync")
ZT_STORED_BOOL(exercisesWereChangedDuringLastSync, setExercisesWereChangedDuringLastSync,
               "exercisesWereChangedDuringLastSync")
ZT_STORED_BOOL(prefsWereChangedDuringLastSync, setPrefsWereChangedDuringLastSync, "prefsWereChangedDuringLastSync")
ZT_STORED_DATE(levelsModificationDate, setLevelsModificationDate, "levelsModificationDate")
ZT_STORED_DATE(exercisesModificationDate, setExercisesModificationDate, "exercisesModificationDate")
ZT_STORED_DATE(prefsModificationDate, setPrefsModificationDate, "prefsModificationDate")

QVariant ZTPreferences::mainWindowFrame() const
{
    return _objectForKey(QStringLiteral("mainWindowFrame"));
}

void ZTPreferences::setMainWindowFrame(const QVariantMap& value)
{
    _setObject(value, QStringLiteral("mainWindowFrame"));
}

#undef ZT_STRING_SETTING
#undef ZT_INTEGER_SETTING
#undef ZT_BOOL_SETTING
#undef ZT_FLOAT_SETTING
#undef ZT_STORED_BOOL
#undef ZT_STORED_DATE

QString ZTPreferences::MIDIOutEndpoint()
{
    const QString stored = PlistValues::toStringOrNull(_objectForKey(kMIDIOutEndpoint));
    if (stored == kSoftSynth || stored == kSystemSynth)
        return stored;
    if (!stored.isNull()) {
        // Copy the lookup first: calling it may create the MIDI controller, which installs
        // a new lookup while this one runs.
        std::function<bool(const QString&)> lookup;
        {
            std::lock_guard lock(lookupLock());
            lookup = endpointLookup();
        }
        if (lookup && lookup(stored))
            return stored;
    }
    // The device is gone: fall back in memory only; the file keeps the name until the next write.
    _setObject(kSoftSynth, kMIDIOutEndpoint);
    return kSoftSynth;
}

void ZTPreferences::setMIDIOutEndpoint(const QString& value)
{
    if (!sameString(MIDIOutEndpoint(), value)) {
        Log::line(QStringLiteral("aString:%1").arg(value));
        _setObject(value.isNull() ? QVariant() : QVariant(value), kMIDIOutEndpoint);
        _notifyAndSynchronize(kMIDIOutEndpoint);
    }
    computeIsInternalPlayer();
}

// ---- Key-value access ----

QVariant ZTPreferences::valueForKey(const QString& key)
{
    if (key == kMIDIOutEndpoint)
        return MIDIOutEndpoint();
    return _objectForKey(key);
}

void ZTPreferences::setValue(const QVariant& value, const QString& key)
{
    if (PlistValues::objectsEqual(valueForKey(key), value))
        return;
    _setObject(value, key);
    _notifyAndSynchronize(key);
}

// ---- Sync ----

QVariantMap ZTPreferences::prefsDictForSync() const
{
    QVariantMap result = defaultsDict_;
    for (const QString& key : syncExcludedKeys())
        result.remove(key);
    return result;
}

void ZTPreferences::updatePrefsFromSync(const QVariantMap& dict)
{
    bool changed = false;
    for (auto it = dict.constBegin(); it != dict.constEnd(); ++it) {
        // Device choices, sync state and the like belong to this machine, whatever the file says.
        if (syncExcludedKeys().contains(it.key()) || !it.value().isValid())
            continue;
        auto stored = defaultsDict_.constFind(it.key());
        if (stored != defaultsDict_.constEnd() && PlistValues::objectsEqual(*stored, it.value()))
            continue;
        defaultsDict_.insert(it.key(), it.value());
        _notifyAndSynchronize(it.key());
        changed = true;
    }
    if (changed)
        NotificationCenter::defaultCenter().post(QStringLiteral("prefsFromSyncUpdatedNotification"), this,
                                                 QVariant::fromValue(this));
}

// ---- Result sounds ----

QString ZTPreferences::soundFileForSoundWithId(const QString& id) const
{
    const QString path = Paths::resource(QStringLiteral("resultSounds.plist"));
    QString error;
    const std::optional<QVariant> sounds = PropertyList::readFile(path, &error);
    if (!sounds) {
        Log::line(QStringLiteral("Could not read %1: %2").arg(path, error));
        return {};
    }
    const QVariantList list = sounds->toList();
    const int index = indexForSoundWithId(id, list);
    if (index < 0)
        return {};
    return PlistValues::toStringOrNull(list.at(index).toMap().value(QStringLiteral("file")));
}

int ZTPreferences::indexForSoundWithId(const QString& id, const QVariantList& sounds) const
{
    for (int i = 0; i < sounds.size(); ++i) {
        const QVariant soundId = sounds.at(i).toMap().value(QStringLiteral("id"));
        if (soundId.typeId() == QMetaType::QString && soundId.toString() == id)
            return i;
    }
    return -1;
}
