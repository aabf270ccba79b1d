// Cost of rendering the General MIDI synthesizer with 16 notes sounding, in the 256-frame
// buffers the audio output asks for: the "load" counter is the time per buffer as a
// share of the buffer's own duration (1.0 would use up the whole audio thread).
#include "AudioOutput.h"
#include "FluidSynthEngine.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <vector>

namespace {

void BM_FluidSynth16Notes256Frames(benchmark::State& state)
{
    constexpr std::size_t kFrames = AudioOutput::kPreferredBufferFrames;
    constexpr double kSampleRate = AudioOutput::kDefaultSampleRate;
    QString error;
    std::unique_ptr<FluidSynthEngine> engine = FluidSynthEngine::create(kSampleRate, &error);
    if (!engine) {
        state.SkipWithError(error.toStdString().c_str());
        return;
    }
    // Sixteen notes at once: four on each of four channels with held instruments
    // (organ, strings, choir, pad) so no voice dies out during the run.
    const int programs[4] = {19, 48, 52, 89};
    for (int channel = 0; channel < 4; ++channel) {
        engine->programChange(channel, programs[channel]);
        for (int i = 0; i < 4; ++i)
            engine->noteOn(channel, 48 + channel * 7 + i * 4, 100);
    }
    std::vector<float> buffer(kFrames * 2);
    engine->render(buffer.data(), kFrames); // voices start on the first buffer

    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        engine->render(buffer.data(), kFrames);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        benchmark::DoNotOptimize(buffer.data());
    }
    const double bufferSeconds = kFrames / kSampleRate;
    state.counters["load"] = seconds / double(state.iterations()) / bufferSeconds;
    state.counters["voices"] = engine->activeVoiceCount();
}

} // namespace

BENCHMARK(BM_FluidSynth16Notes256Frames)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
