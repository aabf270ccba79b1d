// Cost of one run of the wavelet pitch tracker over a recorder buffer (4411 samples, of
// which 4096 are analysed): the "load" counter is the time per run as a share of the
// buffer's 0.1 s, the time the record queue's thread has for it.
#include "WaveletPitchTracker.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cmath>
#include <vector>

namespace {

void BM_WaveletPitchOfOneBuffer(benchmark::State& state)
{
    const double frequency = double(state.range(0));
    std::vector<double> samples(4411);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 10000.0 * std::sin(2.0 * M_PI * frequency * double(i) / WaveletPitch::kSampleRate);
    WaveletPitch::_dywapitchtracker tracker;
    WaveletPitch::initWaveletTracker(&tracker);
    double pitch = 0;
    double seconds = 0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        pitch = WaveletPitch::computeWaveletPitch(&tracker, samples.data(), 0, int(samples.size()));
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
        benchmark::DoNotOptimize(pitch);
    }
    state.counters["pitch"] = pitch;
    state.counters["load"] = seconds / double(state.iterations()) / 0.1;
}

} // namespace

BENCHMARK(BM_WaveletPitchOfOneBuffer)->Arg(82)->Arg(440)->Arg(1000)->Unit(benchmark::kMicrosecond);

BENCHMARK_MAIN();
