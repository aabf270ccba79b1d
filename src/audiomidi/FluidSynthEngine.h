#pragma once

#include "AudioRenderSource.h"
#include "MusicSequence.h"

#include <QString>
#include <QStringList>

#include <array>
#include <atomic>
#include <memory>

typedef struct _fluid_hashtable_t fluid_settings_t;
typedef struct _fluid_synth_t fluid_synth_t;

// A FluidSynth synthesizer with the General MIDI SoundFont, rendering as a source of the
// audio output. Events may come from any thread (FluidSynth serialises them); render()
// runs on the audio thread. Notes outside 0-127 are refused here, so nothing above the
// MIDI range reaches the synthesizer.
class FluidSynthEngine final : public AudioRenderSource {
public:
    // Where the General MIDI SoundFont is looked for, in order.
    static QStringList soundFontCandidates();
    // The first candidate that exists; a null string when there is none.
    static QString generalMIDISoundFontPath();

    // Null, with the reason in *error, when the synthesizer or the SoundFont cannot be made.
    static std::unique_ptr<FluidSynthEngine> create(double sampleRate, QString* error = nullptr,
                                                    const QString& soundFontPath = {});
    ~FluidSynthEngine() override;
    FluidSynthEngine(const FluidSynthEngine&) = delete;
    FluidSynthEngine& operator=(const FluidSynthEngine&) = delete;

    // False when the synthesizer refused the note (no preset on the channel).
    bool noteOn(int channel, int note, int velocity);
    bool noteOff(int channel, int note);
    void programChange(int channel, int program);
    // Replaces the SoundFont; the old one stays when the new one cannot be loaded. What
    // sounds stops: the old font's voices end before it is unloaded, since FluidSynth
    // would otherwise leave the unloading to a thread of its own that is never joined.
    // Control thread; waits at most for a block that is being rendered.
    bool loadSoundFont(const QString& path, QString* error = nullptr);
    // Puts a preset of the SoundFont on a channel; false when it has none of that number.
    bool selectPreset(int channel, int bank, int preset);
    // The preset's name, empty when the SoundFont has no such preset.
    QString presetName(int bank, int preset) const;
    void bankSelect(int channel, int bank);
    void controlChange(int channel, int controller, int value);
    // 0-16383, 8192 the centre.
    void pitchBend(int channel, int value);
    // A sequence's program, controller or pitch-bend change.
    void channelEvent(const MusicChannelEvent& event);
    // The channel's state, for diagnostics: -1 when the synthesizer cannot tell.
    int program(int channel) const;
    int controllerValue(int channel, int controller) const;
    int pitchBendValue(int channel) const;
    void allSoundsOff();
    int activeVoiceCount() const;
    QString soundFontPath() const { return soundFontPath_; }

    // Silence while the control side holds the synthesizer to replace the SoundFont.
    void render(float* interleavedStereo, std::size_t frames) override;
    // Render thread: a note started since the last block, or the last blocks were not
    // silent (the synthesizer's own voice count is behind its lock).
    bool isSounding() const noexcept override;

    // Silent blocks in a row after which the synthesizer counts as quiet: a note's gaps
    // and its quietest tails are far shorter.
    static constexpr int kQuietBlocksForRest = 64;

private:
    static constexpr int kSilencingFrames = 64;

    FluidSynthEngine() = default;
    // Ends every voice, the synthesizer kept from the render side meanwhile.
    void endAllVoices();

    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    int soundFontId_ = -1;
    QString soundFontPath_;
    // The control side claims the synthesizer with `claimed_`, then waits until no render
    // is inside it; a render that finds it claimed gives silence.
    std::atomic<bool> claimed_{false};
    std::atomic<bool> rendering_{false};
    std::array<float, 2 * kSilencingFrames> scratch_{};
    std::atomic<bool> noteStarted_{false};
    int silentBlocks_ = kQuietBlocksForRest; // render thread
};
