// Cost on the audio thread of one file sound converted on the fly from 22.05 kHz to the
// output's 44.1 kHz, in the 256-frame buffers the output asks for: the "load" counter is
// the time per buffer as a share of the buffer's own duration.
#include "AudioOutput.h"
#include "PcmSoundPlayer.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

namespace {

void BM_PcmSoundAtHalfRate256Frames(benchmark::State& state)
{
    constexpr std::size_t kFrames = AudioOutput::kPreferredBufferFrames;
    AudioOutput* output = AudioOutput::sharedOutput();
    output->useOfflineRendering();
    PcmSound sound;
    sound.sampleRate = 22050;
    sound.frames.resize(2 * std::size_t(22050) * 600); // ten minutes: never runs out
    for (std::size_t i = 0; i < sound.frames.size(); ++i)
        sound.frames[i] = float(std::sin(double(i) * 0.01) * 0.5);
    PcmSoundPlayer player;
    player.play(std::move(sound), 0.8f);
    std::vector<float> buffer(kFrames * 2);

    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        output->renderOffline(buffer.data(), kFrames);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        benchmark::DoNotOptimize(buffer.data());
    }
    state.counters["load"] = seconds / double(state.iterations()) / (double(kFrames) / output->sampleRate());
}

} // namespace

BENCHMARK(BM_PcmSoundAtHalfRate256Frames)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
