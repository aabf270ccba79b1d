#include "PitchTrack.h"

#include "Log.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <optional>

namespace {

constexpr int kMinWindow = 128;
constexpr int kMaxWindow = 8192;
constexpr int kGuardFloats = 10;      // 5 complex guard slots below the extended spectrum
constexpr int kHistogramOffset = 20;  // histogram bin 0 in extendedSpectrum; bins down to -10 fit
constexpr int kBinsPerOctave = 48;
constexpr int kPartials = 16;
constexpr float kInitialLevel = -144.0f;
constexpr float kLevelOffset = 92.3f;

// A voice's partials waver with its vibrato, a choir's voices beat, and at an onset every
// partial changes within the window: the position estimates of a real partial then
// disagree, and a weak one fails the sinusoid test. The fundamental under a voice's strong
// second partial is the first to go, and the histogram, left with the second partial,
// takes it for the pitch. So a peak that fails the test still counts when it is loud and
// not spread over more than about a half-bin.
constexpr float kUnsteadyPeakShare = 3e-3f;   // of the total power
constexpr float kUnsteadyPeakVariance = 0.8f; // of its position estimates, half-bins squared

// The checks of a chosen pitch against the spectrum. A partial may lie this far (relative)
// from its harmonic: a choir's voices spread it, and a singer scoops into a note.
constexpr float kPartialTolerance = 0.035f;
// A partial counts as sounding from this share of the total power on.
constexpr float kSoundingShare = 3e-4f;
// A subharmonic replaces the chosen pitch when the histogram gives it at least this share
// of the pitch's vote, it sounds partials of its own and the spectrum bears it out; at most
// this many times.
constexpr float kSubharmonicVote = 0.7f;
constexpr int kSubharmonicSteps = 2;
// A fundamental that is not heard itself is implied by its next partials when each of
// them sounds at least this share of the strongest harmonic.
constexpr float kImpliedPartialShare = 0.15f;
constexpr int kImplyingPartials[] = {2, 3, 4};
// A partial below the fundamental louder than this share of its strongest harmonic says
// that the fundamental is wrong.
constexpr float kLowerPartialShare = 0.03f;
// A pitch is reported once the sound has lasted this many of its periods in the window:
// a shorter stretch, at the tapered end of the window, does not resolve its partials.
constexpr float kPeriodsHeard = 6.0f;
// A stretch of the hop with less than this share of the energy of its loudest stretch
// counts as silent.
constexpr float kSilentShare = 0.1f;
constexpr int kStretches = 8;

// Windowed spectrum from the previous and the current extended spectra.
constexpr float c1 = 0.613527f;
constexpr float c2 = 0.1511925f;
constexpr float c3 = 0.047663f;
constexpr float c4 = 0.011374f;
constexpr float c5 = 0.0012665f;
constexpr float g = 0.70710677f;

bool isSetUp(const PitchTrackState& p)
{
    return p.hopSize > 0 && p.inputFrame.data() && p.workSpectrum.data() && p.peaks.data();
}

// Step: how long the sound has lasted within the window, in samples: the whole window when
// the previous hop sounded, else from the first stretch of this hop that sounds.
void measureSoundLength(PitchTrackState& p)
{
    const int n = p.hopSize;
    const float* in = p.inputFrame.data();
    float stretches[kStretches] = {};
    for (int i = 0; i < n; ++i)
        stretches[i * kStretches / n] += in[i] * in[i];
    float energy = 0.0f;
    float loudest = 0.0f;
    for (float e : stretches) {
        energy += e;
        loudest = std::max(loudest, e);
    }
    int first = 0;
    while (first < kStretches - 1 && stretches[first] < kSilentShare * loudest)
        ++first;
    const bool soundedBefore = p.previousHopEnergy >= kSilentShare * energy / float(kStretches);
    p.soundLength = soundedBefore ? float(2 * n) : float(n * (kStretches - first) / kStretches);
    p.previousHopEnergy = energy;
}

// Step: the hop shifted by a quarter bin and transformed; the result stays in work.
void transformHop(PitchTrackState& p)
{
    const int n = p.hopSize;
    const float* in = p.inputFrame.data();
    const float* shift = p.shiftTable.data();
    float* work = p.workSpectrum.data();
    for (int i = 0; i < n; ++i) {
        work[2 * i] = in[i] * shift[2 * i];
        work[2 * i + 1] = in[i] * shift[2 * i + 1];
    }
    fftComplexForward(p.fft, work, std::size_t(n));
}

// Step: the transform spread over the extended spectrum's slots, with mirrored guards.
void extendSpectrum(PitchTrackState& p)
{
    const int n = p.hopSize;
    const int N = 2 * n;
    const float* C = p.workSpectrum.data();
    float* E = p.extendedSpectrum.data();
    for (int m = 0; m < n / 2; ++m) {
        E[2 * (5 + 2 * m)] = C[2 * m];
        E[2 * (5 + 2 * m) + 1] = C[2 * m + 1];
    }
    for (int t = 0; t < n; ++t) {
        E[2 * (6 + 2 * t)] = C[2 * (n - 1 - t)];
        E[2 * (6 + 2 * t) + 1] = -C[2 * (n - 1 - t) + 1];
    }
    for (int q = 0; q <= 4; ++q) {
        E[2 * (4 - q)] = E[2 * (5 + q)];
        E[2 * (4 - q) + 1] = -E[2 * (5 + q) + 1];
    }
    for (int s = 0; s <= (N + 8) / 2; ++s) {
        E[N + 10 + 2 * s] = E[N + 8 - 2 * s];
        E[N + 11 + 2 * s] = -E[N + 11 + 2 * s];
    }
}

// Step: four half-bins per r from the previous (P) and current (E) extended spectra.
void interpolateSpectrum(PitchTrackState& p)
{
    const int n = p.hopSize;
    const float* P = p.previousSpectrum.data();
    const float* E = p.extendedSpectrum.data();
    float* work = p.workSpectrum.data();
    for (int r = 0; r < n / 2; ++r) {
        const float* pp = P + 4 * r;
        const float* e = E + 4 * r;
        const float a1 = c1 * (pp[8] - pp[11] + e[8] - e[11]) - c2 * (pp[7] - pp[12] + e[7] - e[12])
                         + c3 * (pp[15] - pp[4] - e[4] + e[15]) - c4 * (pp[16] - pp[3] - e[3] + e[16])
                         + c5 * (pp[0] - pp[19] + e[0] - e[19]);
        const float b1 = c1 * (pp[9] + pp[10] + e[9] + e[10]) - c2 * (-pp[6] - pp[13] - e[6] - e[13])
                         + c3 * (-pp[5] - pp[14] - e[5] - e[14]) - c4 * (pp[2] + pp[17] + e[2] + e[17])
                         + c5 * (pp[1] + pp[18] + e[1] + e[18]);
        const float a2 = c1 * (pp[10] - pp[13] - e[10] + e[13]) - c2 * (pp[9] - pp[14] - e[9] + e[14])
                         + c3 * (pp[17] - pp[6] + e[6] - e[17]) - c4 * (pp[18] - pp[5] + e[5] - e[18])
                         + c5 * (pp[2] - pp[21] - e[2] + e[21]);
        const float b2 = c1 * (pp[11] + pp[12] - e[11] - e[12]) - c2 * (-pp[8] - pp[15] + e[8] + e[15])
                         + c3 * (-pp[7] - pp[16] + e[7] + e[16]) - c4 * (pp[4] + pp[19] - e[4] - e[19])
                         + c5 * (pp[3] + pp[20] - e[3] - e[20]);
        float* out = work + 16 * r;
        out[0] = g * (a1 + b1);
        out[1] = g * (b1 - a1);
        out[4] = pp[10] + e[11];
        out[5] = pp[11] - e[10];
        out[8] = g * (a2 + b2);
        out[9] = g * (b2 - a2);
        out[12] = pp[12] - e[13];
        out[13] = pp[13] + e[12];
    }
}

// Step: the power of each half-bin after a first difference; returns the total.
float measurePower(PitchTrackState& p)
{
    const int N = 2 * p.hopSize;
    float* x = p.workSpectrum.data();
    for (int h = 0; h < 3; ++h)
        x[4 * h + 2] = x[4 * h + 3] = 0.0f;
    float total = 0.0f;
    for (int h = 3; h <= N - 3; ++h) {
        const float re = x[4 * h] - 0.5f * (x[4 * (h - 2)] + x[4 * (h + 2)]);
        const float im = x[4 * h + 1] - 0.5f * (x[4 * (h - 2) + 1] + x[4 * (h + 2) + 1]);
        const float power = re * re + im * im;
        total += power;
        x[4 * h + 2] = power;
        x[4 * h + 3] = total;
    }
    return total;
}

// Where a peak centred on half-bin h lies: three estimates of its position, from the
// centre and from either neighbour, their mean offset from h and how far they disagree (0
// for a steady sinusoid).
struct PeakShape {
    float offset = 0.0f;
    float variance = 0.0f;
};

PeakShape shapeAt(const float* x, int h)
{
    auto estimate = [x](int j) {
        const float dRe = 2.0f * x[4 * j] - x[4 * (j + 2)] - x[4 * (j - 2)];
        const float dIm = 2.0f * x[4 * j + 1] - x[4 * (j + 2) + 1] - x[4 * (j - 2) + 1];
        return (dRe * (x[4 * (j - 2)] - x[4 * (j + 2)]) + dIm * (x[4 * (j - 2) + 1] - x[4 * (j + 2) + 1]))
               / (2.0f * x[4 * j + 2]);
    };
    const float estimates[3] = {estimate(h), estimate(h - 1) - 1.0f, estimate(h + 1) + 1.0f};
    PeakShape shape;
    shape.offset = (estimates[0] + estimates[1] + estimates[2]) * 0.33333334f;
    for (float e : estimates)
        shape.variance += (e - shape.offset) * (e - shape.offset);
    shape.variance *= 0.5f;
    return shape;
}

bool isLocalMaximum(const float* x, int h)
{
    const float here = x[4 * h + 2];
    return x[4 * (h - 1) + 2] <= here && here >= x[4 * (h + 1) + 2];
}

// Step: up to maxPeaks peaks with their interpolated positions, steady ones and loud
// unsteady ones. Half-bin N - 3 is never a peak (half-bin N - 2 keeps no power), so the
// search ends before it and reads within the spectrum.
int findPeaks(PitchTrackState& p, float total)
{
    const int N = 2 * p.hopSize;
    const float* x = p.workSpectrum.data();
    auto power = [x](int h) { return x[4 * h + 2]; };
    const float floor = total * 1e-5f;
    int found = 0;
    for (int h = 3; h <= N - 4 && found < p.maxPeaks; ++h) {
        const float here = power(h);
        if (!isLocalMaximum(x, h) || power(h - 1) < floor || power(h + 1) < floor)
            continue;
        const PeakShape shape = shapeAt(x, h);
        const bool steady = total * shape.variance <= 10.0f * here;
        const bool loud = here >= total * kUnsteadyPeakShare && shape.variance <= kUnsteadyPeakVariance;
        if (shape.variance >= 1e-30f && (steady || loud))
            p.peaks.data()[found++] = {std::max(4.0f, float(h) + shape.offset), std::sqrt(shape.variance), here,
                                       std::sqrt(std::sqrt(here))};
    }
    return found;
}

// Step: every peak votes, through its first 16 partials, for the fundamentals it could
// belong to, 48 bins per octave from 4 half-bins up.
void buildHistogram(PitchTrackState& p, int peakCount, float total, int bins)
{
    float* histogram = p.extendedSpectrum.data() + kHistogramOffset;
    std::fill(histogram, histogram + bins, 0.0f);
    const int highestBin = int(p.extendedSpectrum.count()) - kHistogramOffset - 1;
    const float totalRoot = std::sqrt(std::sqrt(total));
    for (int i = 0; i < peakCount; ++i) {
        const PitchPeak& peak = p.peaks.data()[i];
        const float stdev = peak.width * 275.00293f / peak.frequency;
        const float w = std::max(2.0f, stdev);
        const float wb = std::max(1.0f, stdev);
        const float vote = peak.loudness * 4.0f / totalRoot * 30.0f;
        for (int k = 0; k < kPartials; ++k) {
            const float centre = 69.24936f * std::log(peak.frequency) - 96.0f - 48.0f * std::log2(float(k + 1));
            if (!(centre < float(bins)))
                continue;
            const int lo = int(centre + 0.5f - w / 2.0f);
            if (lo < -10)
                break;
            const int hi = std::min(int(centre + 0.5f + w / 2.0f), highestBin);
            for (int b = lo; b <= hi; ++b) {
                const float distance = float(b) - centre;
                histogram[b] += (1.0f - distance * distance / (w * w)) * vote / ((float(k) + p.partialOffset) * wb);
            }
        }
    }
}

// The power of the loudest local maximum of the spectrum whose interpolated position lies
// between half-bins lo and hi; 0 for none. Steady or not: this asks only whether something
// sounds there.
float loudestBetween(const PitchTrackState& p, float lo, float hi)
{
    const int N = 2 * p.hopSize;
    const float* x = p.workSpectrum.data();
    float loudest = 0.0f;
    for (int h = std::max(3, int(lo) - 1); h <= std::min(N - 4, int(hi) + 2); ++h) {
        if (x[4 * h + 2] <= loudest || !isLocalMaximum(x, h))
            continue;
        const float position = float(h) + shapeAt(x, h).offset;
        if (position >= lo && position <= hi)
            loudest = x[4 * h + 2];
    }
    return loudest;
}

// The power of the loudest local maximum within the partial tolerance of a frequency.
float loudestNear(const PitchTrackState& p, float frequency)
{
    return loudestBetween(p, frequency * (1.0f - kPartialTolerance), frequency * (1.0f + kPartialTolerance));
}

bool soundsNear(const PitchTrackState& p, float frequency, float total)
{
    return loudestNear(p, frequency) >= total * kSoundingShare;
}

// The histogram's vote for a frequency (half-bins): the larger of the two bins around it.
float voteFor(const PitchTrackState& p, float frequency, int bins)
{
    const float* histogram = p.extendedSpectrum.data() + kHistogramOffset;
    const int below = int(std::floor(69.24936f * std::log(frequency) - 96.0f));
    float vote = 0.0f;
    for (int b = std::max(below, 0); b <= below + 1 && b < bins; ++b)
        vote = std::max(vote, histogram[b]);
    return vote;
}

// Whether fundamental / divisor sounds a partial of its own among its first three
// harmonics, one that the fundamental lacks: itself, or its third or second harmonic.
bool soundsOwnPartial(const PitchTrackState& p, float fundamental, int divisor, float total)
{
    const float subharmonic = fundamental / float(divisor);
    for (int m = 1; m <= 3; ++m)
        if (m % divisor != 0 && soundsNear(p, float(m) * subharmonic, total))
            return true;
    return false;
}

// A half or a third of the fundamental that the histogram nearly prefers and that sounds
// partials of its own; 0 for none. A voice's odd partials tell its second partial from its
// fundamental.
float preferredSubharmonic(const PitchTrackState& p, float fundamental, float total, int bins)
{
    const float vote = kSubharmonicVote * voteFor(p, fundamental, bins);
    for (int divisor : {2, 3})
        if (voteFor(p, fundamental / float(divisor), bins) >= vote && soundsOwnPartial(p, fundamental, divisor, total))
            return fundamental / float(divisor);
    return 0.0f;
}

// The peaks that are harmonics of a fundamental, and the pitch they give.
struct Harmonics {
    int matched = 0;
    int below8 = 0;
    float matchedPower = 0.0f;
    float strongest = 0.0f; // power of the strongest matched peak
    float estimate = 0.0f;  // half-bins; 0 when no peak matched
};

Harmonics matchHarmonics(const PitchTrackState& p, int peakCount, float fundamental)
{
    Harmonics harmonics;
    float weightSum = 0.0f;
    float frequencySum = 0.0f;
    for (int i = 0; i < peakCount; ++i) {
        const PitchPeak& peak = p.peaks.data()[i];
        const float ratio = peak.frequency / fundamental;
        const int m = int(ratio + 0.5f);
        if (m < 1 || m > kPartials || std::fabs(1.0f - ratio / float(m)) >= 0.023f)
            continue;
        ++harmonics.matched;
        harmonics.matchedPower += peak.power;
        harmonics.strongest = std::max(harmonics.strongest, peak.power);
        if (m < 8)
            ++harmonics.below8;
        const float spread = std::max(peak.width, 0.03f) * float(m);
        const float weight = 1.0f / (spread * spread);
        weightSum += weight;
        frequencySum += peak.frequency * weight / float(m);
    }
    harmonics.estimate = weightSum > 0.0f ? frequencySum / weightSum : 0.0f;
    return harmonics;
}

// Whether the fundamental's next partials are all there, loud and spaced by it: a low voice
// or instrument through a small loudspeaker, a laptop's microphone or a telephone, which
// leave the fundamental out. An octave below the pitch misses every other one of them.
bool isImpliedByItsPartials(const PitchTrackState& p, float fundamental, const Harmonics& harmonics)
{
    for (int m : kImplyingPartials)
        if (loudestNear(p, float(m) * fundamental) < kImpliedPartialShare * harmonics.strongest)
            return false;
    return true;
}

// Whether the spectrum bears a fundamental out: it sounds itself or is implied by its next
// partials, nothing below it sounds nearly as loud as its harmonics, and the sound has
// lasted long enough in the window to tell it.
bool isBorneOut(const PitchTrackState& p, float fundamental, const Harmonics& harmonics, float total)
{
    const float lowerPartial = loudestBetween(p, 0.0f, fundamental * (1.0f - kPartialTolerance));
    const float period = 4.0f * float(p.hopSize) / fundamental; // samples
    return (soundsNear(p, fundamental, total) || isImpliedByItsPartials(p, fundamental, harmonics))
           && lowerPartial <= kLowerPartialShare * harmonics.strongest && p.soundLength >= kPeriodsHeard * period;
}

// A fundamental and the peaks that are its harmonics.
struct Candidate {
    float fundamental = 0.0f; // half-bins
    Harmonics harmonics;
};

// The fundamental near `guess` that its harmonics give.
Candidate candidateNear(const PitchTrackState& p, int peakCount, float guess)
{
    const Harmonics harmonics = matchHarmonics(p, peakCount, guess);
    return {harmonics.estimate > 0.0f ? harmonics.estimate : guess, harmonics};
}

// The histogram's choice, or the subharmonic of it that is preferred, twice at most; none
// when a preferred subharmonic is not borne out. Then the pitch of the sound, once it has
// one, holds; but a sound's first pitch is the choice: a struck or plucked attack's noise
// sounds between its partials, where a subharmonic's own partials would be.
std::optional<Candidate> lowestFundamental(const PitchTrackState& p, int peakCount, Candidate chosen, float total,
                                           int bins)
{
    for (int step = 0; step < kSubharmonicSteps; ++step) {
        const float lower = preferredSubharmonic(p, chosen.fundamental, total, bins);
        if (lower <= 0.0f)
            break;
        const Candidate candidate = candidateNear(p, peakCount, lower);
        if (!isBorneOut(p, candidate.fundamental, candidate.harmonics, total))
            return p.voiced ? std::nullopt : std::optional(chosen);
        chosen = candidate;
    }
    return chosen;
}

// Step: the pitch from the histogram's strongest bin and the peaks that are its harmonics,
// or from a subharmonic of it; none when the spectrum does not bear it out.
void choosePitch(PitchTrackState& p, int peakCount, float total, int bins)
{
    const float* histogram = p.extendedSpectrum.data() + kHistogramOffset;
    int best = -1;
    float bestValue = 0.0f;
    for (int b = 0; b < bins; ++b)
        if (histogram[b] > bestValue) {
            bestValue = histogram[b];
            best = b;
        }
    const std::optional<Candidate> chosen = lowestFundamental(
        p, peakCount, candidateNear(p, peakCount, std::exp(float(best + 96) * 0.014440566262222353f)), total, bins);
    if (!chosen)
        return;
    const float fundamental = chosen->fundamental;
    const Harmonics& harmonics = chosen->harmonics;
    const bool convincing =
        (harmonics.below8 >= 4 && harmonics.matched >= 7) || harmonics.matchedPower >= total * 0.01f;
    if (!convincing || harmonics.estimate < 5.0f || !isBorneOut(p, fundamental, harmonics, total))
        return;
    p.pitch = harmonics.estimate * p.sampleRate / (4.0f * float(p.hopSize));
    p.voiced = true;
}

void analyseHop(PitchTrackState& p)
{
    p.historyIndex = (p.historyIndex + 1) % PitchTrackState::kLevelHistory;
    const int N = 2 * p.hopSize;
    const int bins = kBinsPerOctave * (std::countr_zero(unsigned(N)) - 2);

    measureSoundLength(p);
    transformHop(p);
    extendSpectrum(p);
    interpolateSpectrum(p);
    std::copy_n(p.extendedSpectrum.data(), N + 20, p.previousSpectrum.data());

    const float total = measurePower(p);
    const float level = total > 1e-9f ? std::max(0.0f, 3.333f * std::log(total / float(N))) : 0.0f;
    p.levels[p.historyIndex] = level - kLevelOffset;
    if (level < p.minLevel) {
        p.voiced = false;
        return;
    }

    const int peakCount = p.hopSize > 2 && p.maxPeaks > 0 ? findPeaks(p, total) : 0;
    buildHistogram(p, peakCount, total, bins);
    choosePitch(p, peakCount, total, bins);
}

} // namespace

std::unique_ptr<PitchTrackState> ptrack_create()
{
    return std::make_unique<PitchTrackState>();
}

int ptrack_init(const sp_data& sp, PitchTrackState& p, int hopSize, int peakCount)
{
    p.hopLength = float(hopSize);
    const int N = int(2.0f * p.hopLength);
    if (N < kMinWindow || N > kMaxWindow || !std::has_single_bit(unsigned(N))) {
        Log::line(QStringLiteral("Woops"));
        return 0;
    }
    const int n = hopSize;
    fftSetup(p.fft, std::countr_zero(unsigned(n)));
    p.hopSize = n;
    sp_aux_alloc(p.inputFrame, std::size_t(n));
    sp_aux_alloc(p.previousSpectrum, std::size_t(N + 20));
    sp_aux_alloc(p.shiftTable, std::size_t(2 * n));
    sp_aux_alloc(p.extendedSpectrum, std::size_t(4 * N + 20));
    sp_aux_alloc(p.workSpectrum, std::size_t(4 * N));
    for (int i = 0; i < n; ++i) {
        p.shiftTable.data()[2 * i] = float(std::cos(M_PI * i / N));
        p.shiftTable.data()[2 * i + 1] = float(-std::sin(M_PI * i / N));
    }
    p.fillCount = 0;
    p.maxPeaks = std::max(peakCount, 0);
    sp_aux_alloc(p.peaks, std::size_t(p.maxPeaks + 1));
    p.sampleRate = float(sp.sampleRate);
    std::fill(std::begin(p.levels), std::end(p.levels), kInitialLevel);
    p.minLevel = 40.0f;
    p.partialOffset = 7.0f;
    p.inputScale = 32768.0f;
    p.pitch = 100.0f;
    p.previousHopEnergy = 0.0f;
    p.soundLength = 0.0f;
    p.voiced = false;
    return 1;
}

int ptrack_compute(const sp_data&, PitchTrackState& p, const float* in, float* frequency, float* amplitude)
{
    if (!isSetUp(p) || !in)
        return 0;
    int k = p.fillCount;
    if (k >= p.hopSize) {
        analyseHop(p);
        k = 0;
    }
    // A sample that is not a number would poison every later hop; it counts as silence.
    const float sample = std::isfinite(*in) ? *in : 0.0f;
    p.inputFrame.data()[k] = p.inputScale * sample;
    *frequency = p.pitch;
    *amplitude = std::pow(10.0f, p.levels[p.historyIndex] / 20.0f);
    p.fillCount = k + 1;
    return 1;
}

void ptrack_destroy(std::unique_ptr<PitchTrackState>& p)
{
    if (!p)
        return;
    sp_aux_free(p->inputFrame);
    sp_aux_free(p->previousSpectrum);
    sp_aux_free(p->shiftTable);
    sp_aux_free(p->workSpectrum);
    sp_aux_free(p->extendedSpectrum);
    sp_aux_free(p->peaks);
    fftFree(p->fft);
    p.reset();
}
