#include "QVDLSSynthesizer.h"

#include "AudioOutput.h"
#include "Log.h"
#include "ZTMIDIController.h"
#include "ZTPreferences.h"

QVDLSSynthesizer::QVDLSSynthesizer(ZTMIDIController* controller)
    : controller_(controller)
{
}

QVDLSSynthesizer::~QVDLSSynthesizer()
{
    // The player's thread plays through the synthesizer: silence and stop it first.
    QVMusicPlayerInstrument::stopPlayerShouldNotify(true);
    stopGraph();
    std::lock_guard lock(graphMutex_);
    changeBackCall_.cancel();
}

void QVDLSSynthesizer::init()
{
    QVMusicPlayerInstrument::init();
    startGraph();
}

bool QVDLSSynthesizer::startGraph()
{
    std::lock_guard lock(graphMutex_);
    if (graph_.load())
        return true;

    AudioOutput* output = AudioOutput::sharedOutput();
    QString error;
    std::shared_ptr<FluidSynthEngine> engine = FluidSynthEngine::create(output->sampleRate(), &error);
    if (!engine) {
        Log::line(QStringLiteral("General MIDI synthesizer: %1.").arg(error));
        Log::line(QStringLiteral("Error creating graph"));
        if (controller_ && !controller_->lastEndpoint().isNull()) {
            changeBackCall_ = MainQueue::after(0.1, [this] { _delayedChangeBackToOldSynth(); });
        }
        return false;
    }
    // Bank 0, program 0 on channel 1, as General MIDI starts.
    engine->bankSelect(0, 0);
    engine->programChange(0, 0);
    if (!output->addSource(engine.get())) {
        logAssert(-1, __FILE__, __LINE__);
        return false;
    }
    graph_.store(std::move(engine));
    return true;
}

void QVDLSSynthesizer::stopGraph()
{
    std::lock_guard lock(graphMutex_);
    std::shared_ptr<FluidSynthEngine> engine = graph_.exchange(nullptr);
    if (engine)
        AudioOutput::sharedOutput()->removeSource(engine.get());
}

std::shared_ptr<FluidSynthEngine> QVDLSSynthesizer::runningGraph()
{
    std::shared_ptr<FluidSynthEngine> engine = graph_.load();
    if (!engine && startGraph())
        engine = graph_.load();
    return engine;
}

void QVDLSSynthesizer::_delayedChangeBackToOldSynth()
{
    if (!controller_)
        return;
    const QString previous = controller_->lastEndpoint();
    ZTPreferences::sharedPreferences()->setMIDIOutEndpoint(previous);
    controller_->setLastEndpoint(QString());
}

void QVDLSSynthesizer::programChange(int program)
{
    if (std::shared_ptr<FluidSynthEngine> engine = graph_.load())
        engine->programChange(0, program);
}

void QVDLSSynthesizer::noteOn(int note, unsigned velocity)
{
    if (note < 0 || note > 127)
        return;
    if (std::shared_ptr<FluidSynthEngine> engine = runningGraph())
        engine->noteOn(0, note, int(std::min(velocity, 127u)));
}

void QVDLSSynthesizer::noteOff(int note)
{
    if (note < 0 || note > 127)
        return;
    if (std::shared_ptr<FluidSynthEngine> engine = runningGraph())
        engine->noteOff(0, note);
}

void QVDLSSynthesizer::sequenceNoteOn(int channel, int note, int velocity)
{
    if (note < 0 || note > 127)
        return;
    if (std::shared_ptr<FluidSynthEngine> engine = runningGraph())
        engine->noteOn(channel, note, velocity);
}

void QVDLSSynthesizer::sequenceNoteOff(int channel, int note)
{
    if (note < 0 || note > 127)
        return;
    if (std::shared_ptr<FluidSynthEngine> engine = graph_.load())
        engine->noteOff(channel, note);
}

void QVDLSSynthesizer::sequenceChannelEvent(const MusicChannelEvent& event)
{
    if (std::shared_ptr<FluidSynthEngine> engine = runningGraph())
        engine->channelEvent(event);
}

void QVDLSSynthesizer::startInternalPlay()
{
    runningGraph();
    QVMusicPlayerInstrument::startInternalPlay();
}
