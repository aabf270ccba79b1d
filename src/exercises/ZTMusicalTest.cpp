#include "ZTMusicalTest.h"

#include "Log.h"
#include "RandomSource.h"
#include "ZTException.h"
#include "ZTPreferences.h"


namespace {

std::function<bool()>& endpointCheck()
{
    static std::function<bool()> check;
    return check;
}

const QString kSoftSynthEndpoint = QStringLiteral("Melvora SoftSynth");

} // namespace

qlonglong ZTMusicalTest::playModeForString(const QString& mode)
{
    if (mode == QLatin1String("Staccato"))
        return Staccato;
    if (mode == QLatin1String("Legato"))
        return Legato;
    if (mode == QLatin1String("Arpeggio"))
        return Arpeggio;
    return Together;
}

void ZTMusicalTest::setMIDIOutputEndpointCheck(std::function<bool()> hasEndpoint)
{
    endpointCheck() = std::move(hasEndpoint);
}

qlonglong ZTMusicalTest::MIDIChannelForOutput()
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const bool hasEndpoint = endpointCheck() && endpointCheck()();
    if (!hasEndpoint || prefs->MIDIOutEndpoint().isEmpty() || prefs->isInternalPlayer())
        return 0;
    const int channel = prefs->MIDIOutChannel();
    return channel <= 1 ? 0 : channel - 1;
}

ZTMusicalTest::ZTMusicalTest(const QVariantMap& item)
    : ZTTest(item)
{
}

void ZTMusicalTest::init()
{
    ZTTest::init();
    setHasAudio(true);
    keySignatureType_ = 0;
    showNotes_ = true;
    isMinor_ = item().value(QStringLiteral("isMinor")).toBool();
    tempo_ = 120.0f;
    MIDIChannel_ = MIDIChannelForOutput();
    playMode_ = Legato;
    rootNoteRange_ = ZTNoteRange{60, 1};
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    velocity_ = prefs->MIDIOutEndpoint() == kSoftSynthEndpoint ? prefs->MIDIOutVelocityMVSoftSynth()
                                                                : prefs->MIDIOutVelocity();
}

QString ZTMusicalTest::className() const
{
    return QStringLiteral("ZTMusicalTest");
}

void ZTMusicalTest::updateRootNote()
{
    const ZTNoteRange range = rootNoteRange_;
    if (range.length == 0) {
        rootNoteNr_ = static_cast<qlonglong>(range.location);
        return;
    }
    const qulonglong random = RandomSource::shared().next();
    // A length of the whole unsigned range would make the modulus 0.
    const qulonglong choices = range.length + 1;
    const qulonglong offset = choices == 0 ? random : random % choices;
    rootNoteNr_ = static_cast<qlonglong>(range.location + offset);
}

QList<ZTNoteCollection> ZTMusicalTest::collectionsFromDefinition(bool reversed) const
{
    const QVariantList steps = definition().toList();
    const bool spelledRoot = !rootName_.isEmpty() && QVNote::stepForNoteName(rootName_) == ((rootNoteNr_ % 12) + 12) % 12;
    QList<ZTNoteCollection> collections;
    collections.reserve(steps.size());
    for (qsizetype k = 0; k < steps.size(); ++k) {
        const QVariantMap step = steps.at(reversed ? steps.size() - 1 - k : k).toMap();
        const QVariantList notes = step.value(QStringLiteral("notes")).toList();
        if (notes.isEmpty())
            continue;
        const QVariantMap entry = notes.first().toMap();
        const qlonglong pos = entry.value(QStringLiteral("pos")).toLongLong();
        if (pos < 1)
            continue; // degrees count from 1; a step without one is not a note
        const qlonglong off = entry.value(QStringLiteral("off")).toLongLong();
        collections.append(ZTNoteCollection::noteCollectionWithNote(
            spelledRoot ? QVNote::initWithRootNoteNr(rootNoteNr_, rootName_, pos, off, isMinor_)
                        : QVNote::initWithRootNoteNr(rootNoteNr_, pos, off, isMinor_, keySignatureType_)));
    }
    return collections;
}

QList<ZTNoteCollection> ZTMusicalTest::noteCollectionObjects() const
{
    return collectionsFromDefinition(descending_);
}

void ZTMusicalTest::resetNoteCollections()
{
    cachedCollections_.reset();
}

QList<QList<QVNote>> ZTMusicalTest::notesForInstrumentView() const
{
    return {ZTNoteCollection::firstNotesFromCollections(noteCollectionObjects())};
}

qlonglong ZTMusicalTest::indexForNoteNr(qlonglong nr) const
{
    const QList<ZTNoteCollection> collections = noteCollectionObjects();
    for (qsizetype i = 0; i < collections.size(); ++i) {
        const QVNote* first = collections.at(i).firstNote();
        if (first && first->nr() == nr)
            return i;
    }
    return -1;
}

QStringList ZTMusicalTest::spellingArray() const
{
    ZTPreferences* prefs = ZTPreferences::sharedPreferences();
    const QString spelling = prefs->spellingType();
    const QString nameType = prefs->noteNamesType();
    QStringList names;
    for (const ZTNoteCollection& collection : noteCollectionObjects()) {
        const QVNote* first = collection.firstNote();
        QString name = first ? first->nameWithSpellingType(spelling, nameType) : QString();
        names.append(name.isNull() ? QString("") : name);
    }
    return names;
}

QString ZTMusicalTest::spellingString() const
{
    return spellingArray().join(QStringLiteral(" - "));
}

QString ZTMusicalTest::noteNameWithIndex(qlonglong index) const
{
    const QStringList names = spellingArray();
    return index >= 0 && index < names.size() ? names.at(index) : QString();
}

QString ZTMusicalTest::result() const
{
    return spellingString();
}

bool ZTMusicalTest::isEqualTo(const ZTTest& other) const
{
    const QList<ZTNoteCollection> mine = noteCollectionObjects();
    const QList<ZTNoteCollection> theirs = other.noteCollectionObjects();
    if (mine.size() != theirs.size())
        return false;
    for (qsizetype i = 0; i < mine.size(); ++i)
        if (!mine.at(i).isEqual(theirs.at(i)))
            return false;
    return true;
}

QString ZTMusicalTest::description() const
{
    QStringList parts;
    for (const ZTNoteCollection& collection : noteCollectionObjects())
        parts.append(collection.description());
    return QStringLiteral("(\n%1\n)").arg(parts.join(QStringLiteral(",\n")));
}

qlonglong ZTMusicalTest::playModeWithString(const QString& mode) const
{
    return playModeForString(mode);
}

MusicSequence ZTMusicalTest::newMusicSequenceWithTempo(qlonglong beatsPerMinute)
{
    tempo_ = static_cast<float>(beatsPerMinute);
    return newMusicSequence();
}

MusicSequence ZTMusicalTest::newMusicSequence()
{
    MusicSequence sequence;
    MusicTrack& track = sequence.newTrack();
    const QList<ZTNoteCollection> collections = noteCollectionObjects();
    // Arpeggio lengths depend on the step count; spare setupTrack a rebuild per event.
    stepsInSequence_ = collections.size();
    for (qsizetype i = 0; i < collections.size(); ++i) {
        // Only the first note of each step sounds: a chord's tones are separate steps.
        const QVNote* first = collections.at(i).firstNote();
        if (!first)
            continue;
        setupTrack(track, MusicNoteEvent::message(MIDIChannel_, first->nr(), velocity_), i);
    }
    stepsInSequence_.reset();
    addTempoEvent(sequence);
    return sequence;
}

void ZTMusicalTest::setupTrack(MusicTrack& track, MusicNoteEvent note, qlonglong beat)
{
    switch (playMode_) {
    case Staccato:
        note.beat = static_cast<double>(beat);
        note.duration = 0.3;
        break;
    case Legato:
        note.beat = static_cast<double>(beat);
        note.duration = 1.0;
        break;
    case Arpeggio: {
        const qlonglong steps = stepsInSequence_ ? *stepsInSequence_ : noteCollectionObjects().size();
        note.beat = static_cast<double>(beat);
        note.duration = static_cast<double>(steps - beat + 1);
        break;
    }
    case Together:
        note.beat = 0;
        note.duration = 3.0;
        break;
    default:
        return; // no placement for an unknown mode
    }
    addNoteEvent(track, note);
}

void ZTMusicalTest::addNoteEvent(MusicTrack& track, const MusicNoteEvent& event)
{
    const MusicSequenceStatus status = track.addNote(event);
    if (status != MusicSequenceNoErr)
        Log::line(QStringLiteral("error creating MIDI Note Event with Error Code: %1").arg(int(status)));
}

QVNote ZTMusicalTest::movedByOctaves(const QVNote& note, qint64 octaves)
{
    QVNote moved = note.copy();
    moved.setOctave(moved.octave() + octaves);
    moved.setNr(moved.nr() + 12 * octaves);
    return moved;
}

void ZTMusicalTest::addTempoEvent(MusicSequence& sequence) const
{
    if (sequence.setTempo(0, tempo_) != MusicSequenceNoErr)
        throw ZTException(QStringLiteral("main"), QStringLiteral("Cannot add tempo event."));
}
