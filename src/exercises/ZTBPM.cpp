#include "ZTBPM.h"

#include "ZTPreferences.h"

namespace {

const QString kSoftSynthEndpoint = QStringLiteral("Melvora SoftSynth");

ZTPreferences* prefs()
{
    return ZTPreferences::sharedPreferences();
}

bool isSoftSynth()
{
    return prefs()->MIDIOutEndpoint() == kSoftSynthEndpoint;
}

} // namespace

void ZTBPM::init()
{
    ZTMusicalTest::init();
    setCanBeAnsweredByNoteInput(false);
    setShowNotes(false);
    setVelocity(isSoftSynth() ? prefs()->MIDIOutRhythmVelocityMVSoftSynth() : prefs()->MIDIOutRhythmVelocity());
}

QString ZTBPM::className() const
{
    return QStringLiteral("ZTBPM");
}

qlonglong ZTBPM::_noteForMelvoraRythmSound()
{
    return prefs()->MIDIOutRhythmInstrumentMVSoftSynth() == 1 ? 129 : 128;
}

qlonglong ZTBPM::_createNoteNr()
{
    return isSoftSynth() ? _noteForMelvoraRythmSound() : prefs()->MIDIOutRhythmNote();
}

QList<qlonglong> ZTBPM::notes() const
{
    const int beats = prefs()->integerForKey(QStringLiteral("numberOfBeats"), QStringLiteral("Tempo recognition"));
    QList<qlonglong> clicks;
    if (beats > 0)
        clicks.fill(_createNoteNr(), beats);
    return clicks;
}

QList<ZTNoteCollection> ZTBPM::noteCollectionObjects() const
{
    QList<ZTNoteCollection> clicks;
    for (qlonglong nr : notes())
        clicks.append(ZTNoteCollection::noteCollectionWithNote(QVNote::initWithRootNoteNr(nr, 1, 0, false)));
    return clicks;
}

bool ZTBPM::isEqualTo(const ZTTest& other) const
{
    return definition().toLongLong() == other.definition().toLongLong();
}

QString ZTBPM::spellingString() const
{
    return QString("");
}
