#pragma once

#include "FluidSynthEngine.h"
#include "QVMusicPlayerInstrument.h"

#include <QString>
#include <QVariantList>

#include <memory>

// The SoundFont sampler: one preset of the bundle's SoundFont (the installed General MIDI
// font while the bundle holds none), sounding through the process's audio output at its
// rate. One process-wide instance; nothing in the application picks it as its instrument.
//
// Presets, the SoundFont and sequences belong to the main thread; notes may come from any
// thread once init() has run (FluidSynth serialises them).
class QVSamplePlayer : public QVMusicPlayerInstrument {
public:
    // The sampler's default melodic bank (bank select 121, 0): bank 0 of a SoundFont.
    static constexpr int kMelodicBank = 0;

    // Created and initialised on first use; lives for the process.
    static QVSamplePlayer* sharedInstance();
    // The first .sf2 file in the bundle's resources, else the General MIDI SoundFont;
    // empty when there is neither.
    static QString soundFontPath();

    QVSamplePlayer();
    ~QVSamplePlayer() override;

    // The base init, then the sampler is built and starts sounding.
    void init() override;

    // Loads preset n (its low byte) of soundFontPath().
    void programChange(int program) override;
    // Loads the SoundFont at the path when it is not the current one and puts its preset
    // (0 to 127, in the melodic bank) on the sampler; false, logged, when that fails.
    bool loadSoundFontFromPresetURL(const QString& path, int presetID);
    // {"name", "index"} of every preset 0 to 127 of the SoundFont's melodic bank, in order;
    // the sampler keeps the last of them.
    QVariantList getPresetNamesFromPresetURL(const QString& path);

    using QVMusicInstrument::noteOn;
    void noteOn(int note, unsigned velocity) override;
    void noteOff(int note) override;
    void allNotesOff() override;
    void noteOnWithNr(int note, unsigned velocity);
    void noteOffWithNr(int note);

    double graphSampleRate() const { return graphSampleRate_; }
    // Null until init() has built the sampler, or when that failed.
    FluidSynthEngine* samplerUnit() const { return samplerUnit_.get(); }

private:
    void _setupAudioSession();
    bool _createAUGraph();
    void _configureAndStartAudioProcessingGraph();

    double graphSampleRate_ = 0;
    std::unique_ptr<FluidSynthEngine> samplerUnit_;
    bool processingGraphRunning_ = false;
};
