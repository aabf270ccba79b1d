#include "QVMusicPlayerInstrument.h"

QVMusicPlayerInstrument::QVMusicPlayerInstrument() = default;

QVMusicPlayerInstrument::~QVMusicPlayerInstrument()
{
    QVMusicPlayerInstrument::stopPlayerShouldNotify(true);
    cancelDetectPlayingTimer();
}

void QVMusicPlayerInstrument::startInternalPlay()
{
    auto player = std::make_shared<SequencePlayer>(static_cast<SequenceTarget*>(this));
    player->start(musicSequence(), sequenceLength());
    musicPlayer_.store(std::move(player));
}

bool QVMusicPlayerInstrument::isPlaying() const
{
    const std::shared_ptr<SequencePlayer> player = musicPlayer_.load();
    return player && player->isPlaying();
}

double QVMusicPlayerInstrument::time() const
{
    const std::shared_ptr<SequencePlayer> player = musicPlayer_.load();
    return player ? player->time() : 0.0;
}

void QVMusicPlayerInstrument::stopPlayerShouldNotify(bool notify)
{
    const std::shared_ptr<SequencePlayer> player = musicPlayer_.exchange(nullptr);
    if (!player || !player->isStarted())
        return;
    player->stop();
    setMusicSequence(nullptr);
    if (notify)
        informDelegateOfStoppingPlayer();
}

void QVMusicPlayerInstrument::sequenceNoteOn(int, int note, int velocity)
{
    noteOn(note, unsigned(velocity));
}

void QVMusicPlayerInstrument::sequenceNoteOff(int, int note)
{
    noteOff(note);
}
