#include "QVMusicInstrument.h"

#include "Log.h"
#include "StandardMidiFile.h"

#include <algorithm>

QVMusicInstrument::QVMusicInstrument() = default;

QVMusicInstrument::~QVMusicInstrument()
{
    // The kinds stop their own players first; the base has nothing left to stop.
    detectPlayingTimer_.cancel();
}

void QVMusicInstrument::init()
{
    defaultVelocity_ = 110;
}

void QVMusicInstrument::programChange(int) {}

void QVMusicInstrument::noteOn(int note)
{
    noteOn(note, defaultVelocity_.load());
}

void QVMusicInstrument::noteOn(int, unsigned) {}

void QVMusicInstrument::noteOff(int) {}

void QVMusicInstrument::allNotesOff()
{
    for (int note = 0; note < 128; ++note)
        noteOff(note);
}

bool QVMusicInstrument::isPlaying() const
{
    return false;
}

void QVMusicInstrument::stopPlayerShouldNotify(bool) {}

void QVMusicInstrument::stopPlayer()
{
    stopPlayerShouldNotify(true);
}

double QVMusicInstrument::time() const
{
    return 0.0;
}

float QVMusicInstrument::volume() const
{
    return 0.0f;
}

void QVMusicInstrument::setVolume(float) {}

void QVMusicInstrument::handleDetectPlayingTimer()
{
    if (time() >= sequenceLength_ || !isPlaying()) {
        detectPlayingTimer_.cancel();
        stopPlayer();
    }
}

void QVMusicInstrument::informDelegateOfStoppingPlayer()
{
    if (delegate_)
        delegate_->playerDidStopForMusicInstrument(this);
}

void QVMusicInstrument::handlePlayerDidStart()
{
    if (delegate_)
        delegate_->playerDidStartForMusicInstrument(this);
}

void QVMusicInstrument::logAssert(long status, const char* file, long line)
{
    Log::line(QString::asprintf("Error Assert:%ld file:%s line:%ld", status, file, line));
}

void QVMusicInstrument::playMidiData(const QByteArray& data)
{
    int status = 0;
    std::optional<MusicSequence> sequence = StandardMidiFile::read(data, &status);
    if (!sequence) {
        Log::line(QStringLiteral("error creating Music Sequence from data with Error Code: %1").arg(status));
        return;
    }
    // The first track keeps its notes only; the others keep their programs, controllers and
    // pitch bends, so a file for several instruments sounds with them.
    if (MusicTrack* first = sequence->track(0))
        first->removeChannelEvents();
    playSequence(std::make_shared<const MusicSequence>(std::move(*sequence)));
}

void QVMusicInstrument::playSequence(MusicSequence sequence)
{
    playSequence(std::make_shared<const MusicSequence>(std::move(sequence)));
}

void QVMusicInstrument::playSequence(std::shared_ptr<const MusicSequence> sequence)
{
    stopPlayerShouldNotify(false);

    detectPlayingTimer_ = MainQueue::every(kDetectPlayingInterval, [this] { handleDetectPlayingTimer(); });
    musicSequence_ = std::move(sequence);
    if (!musicSequence_) {
        logAssert(-1, __FILE__, __LINE__);
        return;
    }

    // Two beats after the last start lets the last notes ring; a note longer than that
    // must still be allowed to end before the sequence counts as over.
    sequenceLength_ = 0;
    for (const MusicTrack& track : musicSequence_->tracks()) {
        if (track.notes().empty() && track.channelEvents().empty())
            continue;
        double lastStart = 0;
        double lastEnd = 0;
        for (const MusicNoteEvent& note : track.notes()) {
            lastStart = std::max(lastStart, note.beat);
            lastEnd = std::max(lastEnd, note.endBeat());
        }
        for (const MusicChannelEvent& event : track.channelEvents())
            lastStart = std::max(lastStart, event.beat);
        sequenceLength_ = std::max({sequenceLength_, lastStart + 2.0, lastEnd});
    }

    startInternalPlay();
    handlePlayerDidStart();
}

void QVMusicInstrument::startInternalPlay() {}

void QVMusicInstrument::start() {}

void QVMusicInstrument::stop() {}
