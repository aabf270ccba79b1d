// The frequency tracker beside aubio's "yinfft" on one synthesised set (sines, sawtooths
// and a sung vowel with vibrato, MIDI 40 to 83, after a quarter second of silence), clean
// and with white noise at 20 dB SNR. Printed before the timings: the median error in
// cents over the readings of the held tones, the share of gross errors (over 50 cents; no
// pitch at all counts as one), and the time from the onset to the first right reading
// and, for the whole tuner, to its report of the note.
#include "AudioInput.h"
#include "HandFedMicrophone.h"
#include "PitchTrack.h"
#include "Signals.h"
#include "TestEnvironment.h"
#include "ZTTuner.h"
#include "ZTTunerDelegate.h"

#include <aubio/aubio.h>
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

constexpr double kRate = 44100.0;
constexpr std::size_t kSilence = 11025; // at least 0.25 s before each onset
constexpr std::size_t kToneFrames = 44100;
constexpr double kVibratoCents = 30.0;
constexpr double kVibratoRate = 5.5; // Hz, as voiceLikeTone sings it
constexpr double kGross = 50.0;
constexpr std::size_t kTrackerWindow = 8192;
constexpr std::size_t kAubioBuffer = 2048;
constexpr std::size_t kAubioHop = 512;

struct Tone {
    std::string kind;
    double frequency = 0.0;
    bool vibrato = false;
    std::size_t onset = 0;      // sample where the tone begins
    std::vector<float> samples; // silence, then the tone
};

double midiFrequency(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

std::vector<Tone> makeSet(double snrDb)
{
    std::vector<Tone> set;
    std::mt19937 random(7);
    for (int note = 40; note <= 83; ++note) {
        const double f = midiFrequency(note);
        const std::vector<std::pair<std::string, std::vector<float>>> kinds = {
            {"sine", sineWave(f, kRate, kToneFrames, 0.5)},
            {"sawtooth", sawtoothWave(f, kRate, kToneFrames, 0.5)},
            {"vowel", voiceLikeTone(f, kRate, kToneFrames, kVibratoCents, 0.5)}};
        for (const auto& [kind, tone] : kinds) {
            // Onsets fall at different places of the trackers' hops.
            const std::size_t onset = kSilence + (set.size() * 997) % 4096;
            Tone entry{kind, f, kind == "vowel", onset, std::vector<float>(onset, 0.0f)};
            entry.samples.insert(entry.samples.end(), tone.begin(), tone.end());
            for (std::size_t i = 0; i < 220; ++i) // a 5 ms fade-in
                entry.samples[onset + i] *= float(i) / 220.0f;
            if (snrDb < 100.0) {
                double power = 0.0;
                for (float s : tone)
                    power += double(s) * s;
                std::normal_distribution<double> noise(0.0, std::sqrt(power / double(tone.size()) / std::pow(10.0, snrDb / 10.0)));
                for (float& s : entry.samples)
                    s += float(noise(random));
            }
            set.push_back(std::move(entry));
        }
    }
    return set;
}

// The pitch sung during an analysis window of tone samples [from, to), in cents from the
// tone's centre: the vibrato's offset weighted as a Hann window weights it.
double referenceCents(const Tone& tone, std::size_t from, std::size_t to)
{
    if (!tone.vibrato)
        return 0.0;
    double sum = 0.0, weights = 0.0;
    for (std::size_t i = from; i < to; ++i) {
        const double w = std::pow(std::sin(M_PI * double(i - from) / double(to - from)), 2);
        sum += w * kVibratoCents * std::sin(2.0 * M_PI * kVibratoRate * double(i - tone.onset) / kRate);
        weights += w;
    }
    return sum / weights;
}

// One method's readings: (sample index the reading follows, Hz; 0 = none).
using Readings = std::vector<std::pair<std::size_t, double>>;

Readings trackerReadings(const Tone& tone)
{
    sp_data sp;
    auto state = ptrack_create();
    ptrack_init(sp, *state, 4096, 20);
    Readings readings;
    float frequency = 0.0f, amplitude = 0.0f;
    for (std::size_t i = 0; i < tone.samples.size(); ++i) {
        const bool analyses = state->fillCount == state->hopSize;
        ptrack_compute(sp, *state, &tone.samples[i], &frequency, &amplitude);
        if (analyses)
            readings.emplace_back(i, frequency);
    }
    return readings;
}

Readings aubioReadings(const Tone& tone)
{
    aubio_pitch_t* pitch = new_aubio_pitch("yinfft", kAubioBuffer, kAubioHop, uint_t(kRate));
    aubio_pitch_set_unit(pitch, "Hz");
    fvec_t* in = new_fvec(kAubioHop);
    fvec_t* out = new_fvec(1);
    Readings readings;
    for (std::size_t start = 0; start + kAubioHop <= tone.samples.size(); start += kAubioHop) {
        std::copy_n(tone.samples.data() + start, kAubioHop, fvec_get_data(in));
        aubio_pitch_do(pitch, in, out);
        readings.emplace_back(start + kAubioHop, fvec_get_data(out)[0]);
    }
    del_fvec(out);
    del_fvec(in);
    del_aubio_pitch(pitch);
    return readings;
}

struct Summary {
    std::vector<double> errors;    // |cents| of the held tones' readings (gross ones included)
    std::vector<double> latencies; // s from onset to the first reading within 50 cents
    int gross = 0;
    int missed = 0; // tones never read right
};

void score(const Tone& tone, const Readings& readings, std::size_t window, Summary& summary)
{
    std::optional<double> latency;
    for (const auto& [end, hz] : readings) {
        if (end <= tone.onset)
            continue;
        const double centre = hz > 0.0 ? std::abs(centsBetween(hz, tone.frequency)) : 1e9;
        if (!latency && centre <= kGross)
            latency = double(end - tone.onset) / kRate;
        if (end < tone.onset + window)
            continue; // the window still reaches back into the silence
        const double error = hz > 0.0 ? std::abs(centsBetween(hz, tone.frequency) - referenceCents(tone, end - window, end))
                                      : 1e9;
        summary.errors.push_back(error);
        summary.gross += error > kGross ? 1 : 0;
    }
    if (latency)
        summary.latencies.push_back(*latency);
    else
        ++summary.missed;
}

// The whole tuner on the fake microphone: when does it report the note?
class FirstNote : public ZTTunerDelegate {
public:
    void tunerDidUpdate(ZTTuner*, const ZTTunerOutput& output) override
    {
        if (!note)
            note = output.midiNoteNr();
    }
    void tuner(ZTTuner*, double, bool) override {}
    std::optional<long long> note;
};

void scoreTuner(const Tone& tone, Summary& summary)
{
    ManualMainQueue queue;
    ZTTuner tuner(0.1, 0.25);
    FirstNote first;
    tuner.setDelegate(&first);
    tuner.start();
    const std::size_t perPoll = std::size_t(kRate * tuner.updateInterval());
    const long long expected = std::lround(std::log2(tone.frequency / 440.0) * 12.0) + 69;
    for (std::size_t done = 0; done + perPoll <= tone.samples.size(); done += perPoll) {
        HandFedMicrophone::deliver(tone.samples.data() + done, perPoll);
        queue.advance(tuner.updateInterval());
        if (first.note) {
            const bool right = *first.note == expected && done + perPoll > tone.onset;
            if (right)
                summary.latencies.push_back(double(done + perPoll - tone.onset) / kRate);
            summary.missed += right ? 0 : 1;
            return;
        }
    }
    ++summary.missed;
}

double percentile(std::vector<double> values, double share)
{
    if (values.empty())
        return std::nan("");
    std::sort(values.begin(), values.end());
    return values[std::min(values.size() - 1, std::size_t(share * double(values.size())))];
}

void printRow(const std::string& set, const char* method, const Summary& s, bool withAccuracy)
{
    const double grossShare = s.errors.empty() ? 0.0 : 100.0 * s.gross / double(s.errors.size());
    const double median = 1000.0 * percentile(s.latencies, 0.5);
    const double slow = 1000.0 * percentile(s.latencies, 0.9);
    if (withAccuracy)
        std::printf("%-19s %-13s %9.2f %8.1f %% %9.0f ms %6.0f ms %7d\n", set.c_str(), method,
                    percentile(s.errors, 0.5), grossShare, median, slow, s.missed);
    else
        std::printf("%-19s %-13s %9s %10s %9.0f ms %6.0f ms %7d\n", set.c_str(), method, "-", "-", median, slow,
                    s.missed);
}

void printAccuracy()
{
    TestEnvironment environment;
    HandFedMicrophone::use(44100);
    std::printf("Pitch trackers on %d tones (sine, sawtooth, vowel with %g-cent vibrato; MIDI 40-83) at %g Hz\n",
                44 * 3, kVibratoCents, kRate);
    std::printf("%-19s %-13s %9s %10s %12s %9s %7s\n", "set", "method", "median c", "gross", "onset->note", "90 %",
                "missed");
    const std::vector<std::string> kinds = {"sine", "sawtooth", "vowel"};
    for (const double snr : {1000.0, 20.0}) {
        const std::string condition = snr > 100.0 ? "clean" : "20 dB SNR";
        std::map<std::string, Summary> tracker, aubio; // by kind, and "" for all
        Summary tuner;
        for (const Tone& tone : makeSet(snr)) {
            const Readings ours = trackerReadings(tone);
            const Readings theirs = aubioReadings(tone);
            for (const std::string& key : {std::string(), tone.kind}) {
                score(tone, ours, kTrackerWindow, tracker[key]);
                score(tone, theirs, kAubioBuffer, aubio[key]);
            }
            scoreTuner(tone, tuner);
        }
        printRow(condition, "tracker", tracker[""], true);
        printRow(condition, "aubio yinfft", aubio[""], true);
        printRow(condition, "tuner report", tuner, false);
        for (const std::string& kind : kinds) {
            printRow(condition + " " + kind, "tracker", tracker[kind], true);
            printRow(condition + " " + kind, "aubio yinfft", aubio[kind], true);
        }
    }
    HandFedMicrophone::use(0);
    std::fflush(stdout);
}

// Cost per second of sung audio; "load" is that time as a share of the second.
void runOverOneSecond(benchmark::State& state, const std::function<void(const std::vector<float>&)>& track)
{
    const std::vector<float> voice = voiceLikeTone(220.0, kRate, kToneFrames);
    double seconds = 0.0;
    for (auto _ : state) {
        const auto begin = std::chrono::steady_clock::now();
        track(voice);
        seconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    }
    state.counters["load"] = seconds / double(state.iterations());
}

void BM_TrackerOverOneSecond(benchmark::State& state)
{
    sp_data sp;
    auto tracker = ptrack_create();
    ptrack_init(sp, *tracker, 4096, 20);
    runOverOneSecond(state, [&](const std::vector<float>& voice) {
        float frequency = 0.0f, amplitude = 0.0f;
        for (float s : voice)
            ptrack_compute(sp, *tracker, &s, &frequency, &amplitude);
        benchmark::DoNotOptimize(frequency);
    });
}

void BM_AubioYinfftOverOneSecond(benchmark::State& state)
{
    aubio_pitch_t* pitch = new_aubio_pitch("yinfft", kAubioBuffer, kAubioHop, uint_t(kRate));
    fvec_t* in = new_fvec(kAubioHop);
    fvec_t* out = new_fvec(1);
    runOverOneSecond(state, [&](const std::vector<float>& voice) {
        for (std::size_t start = 0; start + kAubioHop <= voice.size(); start += kAubioHop) {
            std::copy_n(voice.data() + start, kAubioHop, fvec_get_data(in));
            aubio_pitch_do(pitch, in, out);
        }
        benchmark::DoNotOptimize(fvec_get_data(out)[0]);
    });
    del_fvec(out);
    del_fvec(in);
    del_aubio_pitch(pitch);
}

} // namespace

BENCHMARK(BM_TrackerOverOneSecond)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_AubioYinfftOverOneSecond)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    printAccuracy();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
