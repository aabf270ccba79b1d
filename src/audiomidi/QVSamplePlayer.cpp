#include "QVSamplePlayer.h"

#include "AudioOutput.h"
#include "Log.h"
#include "Paths.h"

#include <QDir>
#include <QVariantMap>

#include <algorithm>

namespace {

// FluidSynth reports failures without a status of its own.
constexpr int kFailureStatus = -1;

// "%d '%.4s'": the status and its four bytes, most significant first, unprintable ones as dots.
QString errorCode(int status)
{
    QString characters;
    for (int shift = 24; shift >= 0; shift -= 8) {
        const auto byte = char((unsigned(status) >> shift) & 0xFF);
        characters.append(byte >= 0x20 && byte <= 0x7E ? QLatin1Char(byte) : QLatin1Char('.'));
    }
    return QStringLiteral("%1 '%2'").arg(status).arg(characters);
}

} // namespace

QVSamplePlayer* QVSamplePlayer::sharedInstance()
{
    // Building the sampler reaches only the audio output, never back here.
    static const std::unique_ptr<QVSamplePlayer> instance = [] {
        auto player = std::make_unique<QVSamplePlayer>();
        player->init();
        return player;
    }();
    return instance.get();
}

QString QVSamplePlayer::soundFontPath()
{
    const QStringList bundled = QDir(Paths::resourcesFolder()).entryList({QStringLiteral("*.sf2")}, QDir::Files,
                                                                         QDir::Name);
    if (!bundled.isEmpty())
        return Paths::resource(bundled.first());
    return FluidSynthEngine::generalMIDISoundFontPath();
}

QVSamplePlayer::QVSamplePlayer() = default;

QVSamplePlayer::~QVSamplePlayer()
{
    // The player's thread plays through the sampler: it stops before the sampler goes.
    QVMusicPlayerInstrument::stopPlayerShouldNotify(true);
    if (processingGraphRunning_)
        AudioOutput::sharedOutput()->removeSource(samplerUnit_.get());
}

void QVSamplePlayer::init()
{
    QVMusicPlayerInstrument::init();
    _setupAudioSession();
    if (_createAUGraph())
        _configureAndStartAudioProcessingGraph();
}

void QVSamplePlayer::_setupAudioSession()
{
    // The sampler renders at the output's rate: nothing converts between them.
    graphSampleRate_ = AudioOutput::sharedOutput()->sampleRate();
}

bool QVSamplePlayer::_createAUGraph()
{
    QString error;
    const QString path = soundFontPath();
    samplerUnit_ = FluidSynthEngine::create(graphSampleRate_, &error, path);
    if (samplerUnit_)
        return true;
    Log::line(QStringLiteral("SoundFont sampler: %1.").arg(error));
    Log::line(QStringLiteral("Unable to create an AUGraph object. Error code: %1").arg(errorCode(kFailureStatus)));
    return false;
}

void QVSamplePlayer::_configureAndStartAudioProcessingGraph()
{
    processingGraphRunning_ = AudioOutput::sharedOutput()->addSource(samplerUnit_.get());
    if (!processingGraphRunning_)
        Log::line(QStringLiteral("Unable to start audio processing graph. Error code: %1")
                      .arg(errorCode(kFailureStatus)));
}

void QVSamplePlayer::programChange(int program)
{
    loadSoundFontFromPresetURL(soundFontPath(), program & 0xFF);
}

bool QVSamplePlayer::loadSoundFontFromPresetURL(const QString& path, int presetID)
{
    QString error;
    const bool loaded = samplerUnit_
                        && (samplerUnit_->soundFontPath() == path || samplerUnit_->loadSoundFont(path, &error))
                        && samplerUnit_->selectPreset(0, kMelodicBank, presetID);
    if (!loaded) {
        if (!error.isEmpty())
            Log::line(QStringLiteral("SoundFont sampler: %1.").arg(error));
        Log::line(QStringLiteral("Unable to set the preset property on the Sampler. Error code:%1")
                      .arg(errorCode(kFailureStatus)));
    }
    return loaded;
}

QVariantList QVSamplePlayer::getPresetNamesFromPresetURL(const QString& path)
{
    QVariantList presets;
    if (!loadSoundFontFromPresetURL(path, 0))
        return presets;
    // Names come from the font itself, so that not every preset's samples are read in.
    int last = 0;
    for (int preset = 0; preset <= 127; ++preset) {
        const QString name = samplerUnit_->presetName(kMelodicBank, preset);
        if (name.isEmpty())
            continue;
        presets.append(QVariantMap{{QStringLiteral("name"), name}, {QStringLiteral("index"), preset}});
        last = preset;
    }
    samplerUnit_->selectPreset(0, kMelodicBank, last);
    return presets;
}

void QVSamplePlayer::noteOn(int note, unsigned velocity)
{
    noteOnWithNr(note, velocity);
}

void QVSamplePlayer::noteOff(int note)
{
    noteOffWithNr(note);
}

void QVSamplePlayer::allNotesOff()
{
    for (int note = 0; note <= 127; ++note)
        noteOffWithNr(note);
}

void QVSamplePlayer::noteOnWithNr(int note, unsigned velocity)
{
    if (!samplerUnit_ || !samplerUnit_->noteOn(0, note, int(std::min(velocity, 127u))))
        Log::line(QStringLiteral("Unable to start playing the note %1. Error code: %2")
                      .arg(note)
                      .arg(errorCode(kFailureStatus)));
}

void QVSamplePlayer::noteOffWithNr(int note)
{
    if (!samplerUnit_ || !samplerUnit_->noteOff(0, note))
        Log::line(QStringLiteral("Unable to stop playing the note %1. Error code: %2")
                      .arg(note)
                      .arg(errorCode(kFailureStatus)));
}
