// Cost of the built-in sample synthesizer beside the General MIDI synthesizer: both render
// the same sixteen held string notes in 256-frame buffers, turn about within one run, so
// both meet the same machine load. "load" is the time per buffer as a share of the
// buffer's own duration; "ratio" is the sample synthesizer's time over FluidSynth's (the
// goal is at most 0.5).
#include "AudioOutput.h"
#include "FluidSynthEngine.h"
#include "ZTSamplePlayer.h"
#include "ZTSoundBank.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

constexpr int kStringsProgram = 48; // General MIDI string ensemble, as the bank's "Strings"

int bankProgram(const QString& key)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    for (int program = 0; program < programs.size(); ++program)
        if (programs.at(program).key == key)
            return program;
    return -1;
}

void BM_SamplePlayerBesideFluidSynth16Notes256Frames(benchmark::State& state)
{
    constexpr std::size_t kFrames = AudioOutput::kPreferredBufferFrames;
    constexpr double kSampleRate = AudioOutput::kDefaultSampleRate;
    AudioOutput::sharedOutput()->useOfflineRendering();
    QString error;
    std::unique_ptr<FluidSynthEngine> fluid = FluidSynthEngine::create(kSampleRate, &error);
    const int strings = bankProgram(QStringLiteral("Strings"));
    if (!fluid || strings < 0) {
        state.SkipWithError(fluid ? "the sound bank has no strings" : error.toStdString().c_str());
        return;
    }
    ZTSamplePlayer player;
    player.init();
    player.programChange(strings);
    fluid->programChange(0, kStringsProgram);
    for (int i = 0; i < 16; ++i) {
        const int note = 40 + i * 3;
        player.noteOn(note, 100);
        fluid->noteOn(0, note, 100);
    }
    std::vector<float> buffer(kFrames * 2);
    // The notes start on the first buffer.
    player.render(buffer.data(), kFrames);
    fluid->render(buffer.data(), kFrames);

    using Clock = std::chrono::steady_clock;
    double ours = 0;
    double theirs = 0;
    for (auto _ : state) {
        const auto begin = Clock::now();
        player.render(buffer.data(), kFrames);
        const auto middle = Clock::now();
        fluid->render(buffer.data(), kFrames);
        const auto end = Clock::now();
        ours += std::chrono::duration<double>(middle - begin).count();
        theirs += std::chrono::duration<double>(end - middle).count();
        benchmark::DoNotOptimize(buffer.data());
    }
    const double bufferSeconds = kFrames / kSampleRate;
    const auto iterations = double(state.iterations());
    state.counters["melvora_load"] = ours / iterations / bufferSeconds;
    state.counters["fluidsynth_load"] = theirs / iterations / bufferSeconds;
    state.counters["ratio"] = ours / theirs;
    state.counters["fluidsynth_voices"] = fluid->activeVoiceCount();
}

} // namespace

BENCHMARK(BM_SamplePlayerBesideFluidSynth16Notes256Frames)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
