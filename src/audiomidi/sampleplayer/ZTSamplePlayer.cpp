#include "ZTSamplePlayer.h"

#include "AudioOutput.h"
#include "Log.h"
#include "QVSampler.h"
#include "ZTMIDIController.h"
#include "ZTSoundBank.h"

#include <algorithm>

void ZTSamplePlayer::installAsSampleSynthesizer()
{
    ZTMIDIController::setSampleSynthesizerFactory([](ZTMIDIController*) -> std::shared_ptr<QVMusicInstrument> {
        auto player = std::make_shared<ZTSamplePlayer>();
        player->init();
        return player;
    });
}

ZTSamplePlayer::ZTSamplePlayer() = default;

ZTSamplePlayer::~ZTSamplePlayer()
{
    // The sequence thread and the render thread both reach into the voices: stop them first.
    QVMusicPlayerInstrument::stopPlayerShouldNotify(true);
    ZTAudioController::stop();
}

void ZTSamplePlayer::init()
{
    ZTAudioController::init();
    // Envelope times and the voicer's release count follow the rate the output renders at.
    stk::Stk::setSampleRate(AudioOutput::sharedOutput()->sampleRate());
    voicer_ = std::make_unique<VoicerManagingInstruments>(kVoicerDecayTime);
    voices_.clear();
    voices_.reserve(kChannelCount);
    for (int channel = 0; channel < kChannelCount; ++channel)
        voices_.emplace_back(Voice::kDefaultFrequency, voicer_.get(), channel);
    start();
}

void ZTSamplePlayer::programChange(int program)
{
    const SoftSynthSoundEntry entry = ZTSoundBank::entryForProgram(program);
    instrumentData_ = std::make_shared<const QVInstrument>(ZTSoundBank::instrumentFolder(entry.key));
    loadInstrument();
    if (instrumentData_->isValid())
        Log::line(QStringLiteral("Melvora SoftSynth plays \"%1\" (program %2, %3 samples).")
                      .arg(entry.value)
                      .arg(program)
                      .arg(instrumentData_->samples().size()));
}

void ZTSamplePlayer::loadInstrument()
{
    if (!voicer_)
        return;
    pause();
    for (Voice& voice : voices_)
        voice.mute();
    voicer_->removeInstruments();
    for (int group = 0; group < kChannelCount; ++group)
        voicer_->addInstrument(ZTInstruments::newInstrumentWithInstrumentData(instrumentData_), group);
    resume();
}

void ZTSamplePlayer::post(NoteCommand command)
{
    if (!isRunning())
        return;
    if (commands_.push(command)) {
        if (command.kind == NoteCommand::On)
            soundStarts();
        return;
    }
    if (!overflowReported_.exchange(true))
        Log::line(QStringLiteral("Melvora SoftSynth: %1 notes are waiting for the audio output; later notes are dropped.")
                      .arg(kQueueCapacity));
}

void ZTSamplePlayer::noteOn(int note, unsigned velocity)
{
    if (note < 0 || note > kHighestNote)
        return;
    if (velocity == 0)
        return noteOff(note);
    post({NoteCommand::On, std::uint8_t(std::min(velocity, 127u)), std::int16_t(note)});
}

void ZTSamplePlayer::noteOff(int note)
{
    if (note < 0 || note > kHighestNote)
        return;
    post({NoteCommand::Off, 0, std::int16_t(note)});
}

void ZTSamplePlayer::allNotesOff()
{
    post({NoteCommand::AllOff, 0, 0});
}

void ZTSamplePlayer::stopPlayerShouldNotify(bool notify)
{
    const std::shared_ptr<SequencePlayer> player = musicPlayer();
    const bool played = player && player->isStarted();
    QVMusicPlayerInstrument::stopPlayerShouldNotify(notify);
    if (notify && !played)
        informDelegateOfStoppingPlayer();
}

float ZTSamplePlayer::volume() const
{
    return volume_.load(std::memory_order_relaxed);
}

void ZTSamplePlayer::setVolume(float volume)
{
    volume_.store(volume, std::memory_order_relaxed);
}

void ZTSamplePlayer::stop()
{
    if (!isRunning())
        return;
    setIsRunning(false);
    QVMusicPlayerInstrument::stopPlayerShouldNotify(false);
    ZTAudioController::stop();
    silenceNow();
}

void ZTSamplePlayer::silenceNow()
{
    NoteCommand dropped;
    while (commands_.pop(dropped)) {
    }
    apply({NoteCommand::AllOff, 0, 0});
}

void ZTSamplePlayer::fillAUBufferCanonical(float* buffer, int frames)
{
    applyPendingNotes();
    std::fill(buffer, buffer + frames, 0.0f);
    voicer_->addTo(buffer, frames);
    const float gain = volume_.load(std::memory_order_relaxed) * kMixGain;
    for (int i = 0; i < frames; ++i)
        buffer[i] = std::clamp(gain * buffer[i], -1.0f, 1.0f);
}

bool ZTSamplePlayer::isSounding() const noexcept
{
    return voicer_ && voicer_->isSounding();
}

void ZTSamplePlayer::applyPendingNotes()
{
    NoteCommand command;
    bool applied = false;
    while (commands_.pop(command)) {
        apply(command);
        applied = true;
    }
    if (applied)
        overflowReported_.store(false, std::memory_order_relaxed);
}

void ZTSamplePlayer::apply(const NoteCommand& command)
{
    switch (command.kind) {
    case NoteCommand::On: {
        int channel = getChannelOfNote(command.note);
        if (channel < 0) {
            channel = nextChannelNr_;
            nextChannelNr_ = (nextChannelNr_ + 1) % kChannelCount;
        }
        voices_[std::size_t(channel)].noteOn(float(command.note), command.velocity);
        break;
    }
    case NoteCommand::Off:
        if (const int channel = getChannelOfNote(command.note); channel >= 0)
            voices_[std::size_t(channel)].mute();
        break;
    case NoteCommand::AllOff:
        for (Voice& voice : voices_)
            voice.mute();
        break;
    }
}

const Voice& ZTSamplePlayer::voiceAtChannel(unsigned channel) const
{
    return voices_.at(channel);
}

int ZTSamplePlayer::getChannelOfNote(int note) const
{
    for (std::size_t channel = 0; channel < voices_.size(); ++channel)
        if (voices_[channel].noteNr() == note)
            return int(channel);
    return -1;
}
