#include "FluidSynthEngine.h"

#include "Log.h"

#include <fluidsynth.h>

#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <algorithm>
#include <mutex>
#include <optional>
#include <thread>

namespace {

// FluidSynth's own messages go to our log, except chatter below errors.
void fluidLog(int level, const char* message, void*)
{
    Log::line(QStringLiteral("FluidSynth%1: %2")
                  .arg(level == FLUID_PANIC ? QStringLiteral(" panic") : QString(),
                       QString::fromLocal8Bit(message)));
}

void installLogFunctions()
{
    static std::once_flag once;
    std::call_once(once, [] {
        fluid_set_log_function(FLUID_PANIC, &fluidLog, nullptr);
        fluid_set_log_function(FLUID_ERR, &fluidLog, nullptr);
        fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
        fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
        fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    });
}

// A SoundFont 2 file is a RIFF form of type "sfbk" that holds as many bytes as its header
// says. Anything else is refused here, before FluidSynth tries its other loaders on it.
constexpr qint64 kMaxSoundFontBytes = qint64(2) << 30;

std::optional<QString> soundFontProblem(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return file.errorString();
    if (file.size() > kMaxSoundFontBytes)
        return QStringLiteral("it is larger than %1 MB").arg(kMaxSoundFontBytes >> 20);
    const QByteArray head = file.read(12);
    if (head.size() < 12 || !head.startsWith("RIFF") || head.mid(8, 4) != "sfbk")
        return QStringLiteral("it is no SoundFont 2 file");
    if (qint64(qFromLittleEndian<quint32>(head.constData() + 4)) + 8 > file.size())
        return QStringLiteral("it is cut short");
    return std::nullopt;
}

bool validNote(int note)
{
    return note >= 0 && note <= 127;
}

} // namespace

QStringList FluidSynthEngine::soundFontCandidates()
{
    return {
        QStringLiteral("/usr/share/sounds/sf2/FluidR3_GM.sf2"),
        QStringLiteral("/usr/share/sounds/sf2/default-GM.sf2"),
        QStringLiteral("/usr/share/soundfonts/FluidR3_GM.sf2"),
        QStringLiteral("/usr/share/soundfonts/default.sf2"),
    };
}

QString FluidSynthEngine::generalMIDISoundFontPath()
{
    for (const QString& candidate : soundFontCandidates())
        if (QFileInfo(candidate).isFile())
            return candidate;
    return {};
}

std::unique_ptr<FluidSynthEngine> FluidSynthEngine::create(double sampleRate, QString* error,
                                                           const QString& soundFontPath)
{
    installLogFunctions();
    auto fail = [error](const QString& reason) -> std::unique_ptr<FluidSynthEngine> {
        if (error)
            *error = reason;
        return nullptr;
    };
    const QString path = soundFontPath.isEmpty() ? generalMIDISoundFontPath() : soundFontPath;
    if (path.isEmpty())
        return fail(QStringLiteral("no General MIDI SoundFont found (looked for %1)")
                        .arg(soundFontCandidates().join(QStringLiteral(", "))));

    std::unique_ptr<FluidSynthEngine> engine(new FluidSynthEngine);
    engine->settings_ = new_fluid_settings();
    if (!engine->settings_)
        return fail(QStringLiteral("FluidSynth settings could not be made"));
    fluid_settings_setnum(engine->settings_, "synth.sample-rate", sampleRate);
    // With either effect on, every block runs the effects in an OpenMP parallel region,
    // which allocates and frees its team on the audio thread. Questions send nothing to
    // the effects (controllers 91 and 93 stay at 0), so both stay off.
    fluid_settings_setint(engine->settings_, "synth.reverb.active", 0);
    fluid_settings_setint(engine->settings_, "synth.chorus.active", 0);
    // Near the built-in sample synthesizer's level, so that changing synthesizers keeps the
    // loudness; a six-note chord at the default velocity still stays below full scale.
    fluid_settings_setnum(engine->settings_, "synth.gain", 0.8);
    // Samples are read when a preset is chosen: the General MIDI font is large and a
    // question uses one or two of its instruments.
    fluid_settings_setint(engine->settings_, "synth.dynamic-sample-loading", 1);
    engine->synth_ = new_fluid_synth(engine->settings_);
    if (!engine->synth_)
        return fail(QStringLiteral("the FluidSynth synthesizer could not be made"));
    if (!engine->loadSoundFont(path, error))
        return nullptr;
    return engine;
}

FluidSynthEngine::~FluidSynthEngine()
{
    if (synth_)
        delete_fluid_synth(synth_);
    if (settings_)
        delete_fluid_settings(settings_);
}

bool FluidSynthEngine::noteOn(int channel, int note, int velocity)
{
    if (!validNote(note))
        return false;
    velocity = std::clamp(velocity, 0, 127);
    if (velocity == 0)
        return noteOff(channel, note);
    if (fluid_synth_noteon(synth_, channel & 0x0F, note, velocity) != FLUID_OK)
        return false;
    noteStarted_.store(true);
    soundStarts();
    return true;
}

bool FluidSynthEngine::noteOff(int channel, int note)
{
    if (!validNote(note))
        return false;
    // A note that no longer sounds is no failure.
    fluid_synth_noteoff(synth_, channel & 0x0F, note);
    return true;
}

bool FluidSynthEngine::loadSoundFont(const QString& path, QString* error)
{
    const std::optional<QString> problem = soundFontProblem(path);
    const int id = problem ? FLUID_FAILED : fluid_synth_sfload(synth_, path.toLocal8Bit().constData(), 1);
    if (id == FLUID_FAILED) {
        if (error)
            *error = QStringLiteral("the SoundFont \"%1\" could not be loaded (%2)")
                         .arg(path, problem.value_or(QStringLiteral("FluidSynth refused it")));
        return false;
    }
    if (soundFontId_ >= 0) {
        endAllVoices();
        fluid_synth_sfunload(synth_, soundFontId_, 1);
    }
    soundFontId_ = id;
    soundFontPath_ = path;
    return true;
}

bool FluidSynthEngine::selectPreset(int channel, int bank, int preset)
{
    if (presetName(bank, preset).isEmpty())
        return false;
    return fluid_synth_program_select(synth_, channel & 0x0F, soundFontId_, bank, preset) == FLUID_OK;
}

QString FluidSynthEngine::presetName(int bank, int preset) const
{
    if (preset < 0 || preset > 127 || bank < 0 || bank > 16383)
        return {};
    fluid_sfont_t* font = fluid_synth_get_sfont_by_id(synth_, soundFontId_);
    fluid_preset_t* found = font ? fluid_sfont_get_preset(font, bank, preset) : nullptr;
    return found ? QString::fromUtf8(fluid_preset_get_name(found)) : QString();
}

void FluidSynthEngine::programChange(int channel, int program)
{
    if (program < 0 || program > 127)
        return;
    fluid_synth_program_change(synth_, channel & 0x0F, program);
}

void FluidSynthEngine::bankSelect(int channel, int bank)
{
    fluid_synth_bank_select(synth_, channel & 0x0F, std::clamp(bank, 0, 16383));
}

void FluidSynthEngine::controlChange(int channel, int controller, int value)
{
    fluid_synth_cc(synth_, channel & 0x0F, std::clamp(controller, 0, 127), std::clamp(value, 0, 127));
}

void FluidSynthEngine::pitchBend(int channel, int value)
{
    fluid_synth_pitch_bend(synth_, channel & 0x0F, std::clamp(value, 0, 16383));
}

void FluidSynthEngine::channelEvent(const MusicChannelEvent& event)
{
    switch (event.kind) {
    case MusicChannelEvent::Kind::ProgramChange:
        programChange(event.channel, event.number);
        break;
    case MusicChannelEvent::Kind::Controller:
        controlChange(event.channel, event.number, event.value);
        break;
    case MusicChannelEvent::Kind::PitchBend:
        pitchBend(event.channel, event.value);
        break;
    }
}

int FluidSynthEngine::program(int channel) const
{
    int font = 0;
    int bank = 0;
    int preset = 0;
    return fluid_synth_get_program(synth_, channel & 0x0F, &font, &bank, &preset) == FLUID_OK ? preset : -1;
}

int FluidSynthEngine::controllerValue(int channel, int controller) const
{
    int value = 0;
    return fluid_synth_get_cc(synth_, channel & 0x0F, std::clamp(controller, 0, 127), &value) == FLUID_OK ? value : -1;
}

int FluidSynthEngine::pitchBendValue(int channel) const
{
    int value = 0;
    return fluid_synth_get_pitch_bend(synth_, channel & 0x0F, &value) == FLUID_OK ? value : -1;
}

void FluidSynthEngine::allSoundsOff()
{
    fluid_synth_all_sounds_off(synth_, -1);
}

int FluidSynthEngine::activeVoiceCount() const
{
    return fluid_synth_get_active_voice_count(synth_);
}

void FluidSynthEngine::endAllVoices()
{
    claimed_.store(true);
    while (rendering_.load())
        std::this_thread::yield();
    // Voices switched off let go of their samples in the next block rendered.
    fluid_synth_all_sounds_off(synth_, -1);
    fluid_synth_write_float(synth_, kSilencingFrames, scratch_.data(), 0, 2, scratch_.data(), 1, 2);
    claimed_.store(false);
}

void FluidSynthEngine::render(float* out, std::size_t frames)
{
    rendering_.store(true);
    if (claimed_.load()) {
        rendering_.store(false);
        std::fill(out, out + 2 * frames, 0.0f);
        return;
    }
    if (noteStarted_.exchange(false))
        silentBlocks_ = 0;
    fluid_synth_write_float(synth_, int(frames), out, 0, 2, out, 1, 2);
    rendering_.store(false);
    if (std::any_of(out, out + frames * 2, [](float sample) { return sample != 0.0f; }))
        silentBlocks_ = 0;
    else if (silentBlocks_ < kQuietBlocksForRest)
        ++silentBlocks_;
}

bool FluidSynthEngine::isSounding() const noexcept
{
    return silentBlocks_ < kQuietBlocksForRest || noteStarted_.load();
}
