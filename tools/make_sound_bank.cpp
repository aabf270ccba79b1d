// Makes the sound bank of the built-in sample synthesizer from a General MIDI SoundFont:
// "MelvoraSounds.plist", "Instruments/<key>/instrument.plist" with one sample every three
// semitones, and the click samples "Sticks.raw" and "Clap.raw". Samples are headerless
// signed 16-bit little-endian mono at 44,100 Hz. Held sounds (organ, strings, flute,
// choir) have their slow pitch changes taken out (their vibrato is kept), so that a held
// key stays in tune; where a recording's lowest partials still stray from the pitch heard,
// a neighbouring note of the SoundFont is taken in its place. They get a loop between
// rising zero crossings of matching shape, blended over its last tenth of a second, placed
// where its pitch is nearest the opening's; plucked and struck sounds decay and fade out.
// Each sample's reference frequency is set so that the notes it serves, played as the
// sample synthesizer plays them, sound at their pitch over their first second (what a
// question plays), even where the SoundFont's own recordings, or the ensembles and
// stretched strings among them, are some cents off.
//
// Usage: melvora_make_sound_bank <soundfont.sf2> <resources folder>
#include "PropertyList.h"
#include "QVInstrument.h"
#include "QVSampler.h"
#include "DriftRemoval.h"
#include "ToneAnalysis.h"

#include <fluidsynth.h>
#include <stk/Stk.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QSaveFile>
#include <QVariant>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kFirstCentre = 22;
constexpr int kLastCentre = 106;
constexpr int kCentreStep = 3;
constexpr int kVelocity = 100;
constexpr float kPeak = 0.9f;
// The loudness (RMS over a note's first half second) that instruments are brought down to,
// measured over the notes the exercises play most. Peak normalisation alone leaves
// sustained sounds (organ, electric piano) far louder than struck ones, so that a program
// change jumps in level and their chords overdrive the mix.
constexpr double kLoudness = 0.17;
constexpr int kLoudnessLow = 48;
constexpr int kLoudnessHigh = 84;
constexpr double kLoudnessSeconds = 0.5;
constexpr float kSilence = 1e-4f;
// Held sounds: the loop's length, and the starts tried for it (seconds into the recording).
constexpr double kHeldSeconds = 2.3;
constexpr double kLoopSeconds = 1.0;
// The first start whose pitch is this close to the opening's is taken, else the closest.
constexpr double kLoopStarts[] = {0.8, 0.7, 0.9, 0.6, 1.0, 0.5};
constexpr double kLoopAgreement = 2.0;
// A held note is judged by its half seconds from just after its onset to about three
// seconds, each on its lowest partials, against the pitch of its first second.
constexpr double kHeldFirstStretch = 0.1;
constexpr double kHeldStretchSeconds = 0.5;
constexpr int kHeldStretches = 6;
// A recording whose held note strays by at most this many cents is taken as it is; else, for
// the samples that serve the on-screen keyboard's keys (C2 to C7), the SoundFont's
// neighbouring notes up to this many semitones away are tried in its place.
constexpr double kHeldTolerance = 3.5;
constexpr int kFarthestSource = 3;
constexpr int kLowestKey = 36;
constexpr int kHighestKey = 96;
// A neighbour must stray this many cents less to be taken: it sounds a transposed recording.
constexpr double kClearlyLessStray = 2.0;
// The notes a question may play, whose openings the samples are tuned on.
constexpr int kLowestPlayed = 21;
constexpr int kHighestPlayed = 108;
// Cents that the notes of one sample may lie apart before the generator says so: centred,
// each is then off by up to half of it.
constexpr double kNotesApartTolerance = 6.0;
// A correction this large means a failed measurement, not a mistuned recording.
constexpr double kLargestCorrection = 50.0;
constexpr int kDrumChannel = 9;
constexpr int kDrumBank = 128;

struct InstrumentSpec {
    const char* key;
    const char* title;
    int program; // General MIDI, from 0
    bool held;   // looped while the key is held
    double attack, decay, sustain, release;
};

const InstrumentSpec kInstruments[] = {
    {"Piano", "Piano", 0, false, 0.001, 0.001, 1.0, 0.30},
    {"ElectricPiano", "Electric Piano", 4, false, 0.001, 0.001, 1.0, 0.35},
    {"Organ", "Organ", 20, true, 0.005, 0.001, 1.0, 0.08}, // the reed organ: no sub-octave stops
    {"NylonGuitar", "Nylon Guitar", 24, false, 0.001, 0.001, 1.0, 0.25},
    {"SteelGuitar", "Steel Guitar", 25, false, 0.001, 0.001, 1.0, 0.30},
    {"Strings", "Strings", 48, true, 0.005, 0.001, 1.0, 0.35},
    {"Flute", "Flute", 73, true, 0.005, 0.001, 1.0, 0.15},
    {"Choir", "Choir", 52, true, 0.005, 0.001, 1.0, 0.35},
};

struct Click {
    const char* fileName;
    int drumNote; // General MIDI percussion key
};
const Click kClicks[] = {{"Sticks.raw", 31}, {"Clap.raw", 39}};

using Signal = std::vector<float>;

struct Recording {
    int note = 0;   // the note the sample is centred on
    int source = 0; // the SoundFont's note it was recorded from
    Signal signal;
    long loopStart = 0;
    long loopLength = 0;
    // The notes the sample serves.
    int lowest = 0;
    int highest = 0;
    double frequency = 0;
};

double noteFrequency(int note)
{
    return 440.0 * std::pow(2.0, (note - 69) / 12.0);
}

// FluidSynth with the SoundFont, dry: no reverb, no chorus.
class Renderer {
public:
    explicit Renderer(const QString& soundFont)
    {
        settings_ = new_fluid_settings();
        fluid_settings_setnum(settings_, "synth.sample-rate", kRate);
        fluid_settings_setint(settings_, "synth.reverb.active", 0);
        fluid_settings_setint(settings_, "synth.chorus.active", 0);
        fluid_settings_setint(settings_, "synth.dynamic-sample-loading", 1);
        synth_ = new_fluid_synth(settings_);
        if (synth_)
            font_ = fluid_synth_sfload(synth_, soundFont.toLocal8Bit().constData(), 1);
    }
    ~Renderer()
    {
        if (synth_)
            delete_fluid_synth(synth_);
        delete_fluid_settings(settings_);
    }
    Renderer(const Renderer&) = delete;
    Renderer& operator=(const Renderer&) = delete;

    bool isReady() const { return synth_ && font_ != FLUID_FAILED; }

    // The key held for the whole time, mixed to mono, with the silence before it cut off.
    Signal render(int channel, int bank, int program, int note, double seconds)
    {
        fluid_synth_program_select(synth_, channel, font_, bank, program);
        fluid_synth_noteon(synth_, channel, note, kVelocity);
        const auto frames = std::size_t(seconds * kRate);
        Signal left(frames), right(frames);
        fluid_synth_write_float(synth_, int(frames), left.data(), 0, 1, right.data(), 0, 1);
        fluid_synth_all_sounds_off(synth_, -1);
        Signal flush(4096);
        fluid_synth_write_float(synth_, int(flush.size()), flush.data(), 0, 1, flush.data(), 0, 1);

        Signal mono(frames);
        for (std::size_t i = 0; i < frames; ++i)
            mono[i] = 0.5f * (left[i] + right[i]);
        const auto onset = std::find_if(mono.begin(), mono.end(), [](float x) { return std::abs(x) > kSilence; });
        mono.erase(mono.begin(), onset);
        return mono;
    }

private:
    fluid_settings_t* settings_ = nullptr;
    fluid_synth_t* synth_ = nullptr;
    int font_ = FLUID_FAILED;
};

float peakOf(const Signal& signal)
{
    float peak = 0;
    for (float x : signal)
        peak = std::max(peak, std::abs(x));
    return peak;
}

// The RMS of the notes' openings, over the middle of the range; that of all notes where
// the SoundFont has none there.
double loudnessOf(const std::vector<Recording>& recordings)
{
    double energy = 0;
    std::size_t frames = 0;
    for (int pass = 0; pass < 2 && frames == 0; ++pass) {
        for (const Recording& recording : recordings) {
            if (pass == 0 && (recording.note < kLoudnessLow || recording.note > kLoudnessHigh))
                continue;
            const std::size_t length = std::min(recording.signal.size(), std::size_t(kLoudnessSeconds * kRate));
            for (std::size_t i = 0; i < length; ++i)
                energy += double(recording.signal[i]) * recording.signal[i];
            frames += length;
        }
    }
    return frames ? std::sqrt(energy / double(frames)) : 0.0;
}

void fadeOut(Signal& signal, double seconds)
{
    const auto length = std::min(signal.size(), std::size_t(seconds * kRate));
    const std::size_t first = signal.size() - length;
    for (std::size_t i = 0; i < length; ++i)
        signal[first + i] *= float(0.5 * (1.0 + std::cos(M_PI * double(i + 1) / double(length))));
}

std::vector<long> risingZeroCrossings(const Signal& signal, long from, long to)
{
    std::vector<long> crossings;
    for (long i = std::max(from, 1L); i < std::min(to, long(signal.size())); ++i)
        if (signal[i - 1] < 0 && signal[i] >= 0)
            crossings.push_back(i);
    return crossings;
}

// Loops a held sound: P and Q are rising zero crossings about `loopSeconds` apart whose
// neighbourhoods match best. The player goes from the loop's last frame (Q - 1) to the
// frame after its first (P), so the loop starts at P - 1; the frames before Q blend into
// those before P, and the frames after Q repeat those after P for the interpolation.
bool makeLoop(Recording& recording, double startSeconds, double loopSeconds)
{
    Signal& s = recording.signal;
    constexpr long kWindow = 64;
    constexpr long kTail = 32;
    const double period = kRate / noteFrequency(recording.source);
    const auto target = long(startSeconds * kRate);
    const std::vector<long> starts = risingZeroCrossings(s, target - 2000, target + 2000);
    if (starts.empty())
        return false;
    const long p = *std::min_element(starts.begin(), starts.end(),
                                     [&](long a, long b) { return std::abs(a - target) < std::abs(b - target); });
    const auto length = long(loopSeconds * kRate);
    const auto spread = long(3 * period) + 200;
    long q = -1;
    double best = std::numeric_limits<double>::max();
    for (long candidate : risingZeroCrossings(s, p + length - spread, p + length + spread)) {
        if (candidate + std::max(kTail, kWindow) >= long(s.size()))
            break;
        double score = 0;
        for (long k = -kWindow; k <= kWindow; ++k) {
            const double d = s[p + k] - s[candidate + k];
            score += d * d;
        }
        if (score < best) {
            best = score;
            q = candidate;
        }
    }
    if (q < 0)
        return false;

    const Signal original = s;
    const long fade = std::min({long(0.1 * kRate), (q - p) / 2, p});
    for (long i = 0; i < fade; ++i) {
        const float w = float(i + 1) / float(fade);
        s[q - fade + i] = (1 - w) * original[q - fade + i] + w * original[p - fade + i];
    }
    for (long k = 0; k < kTail; ++k)
        s[q + k] = original[p + k];
    s.resize(std::size_t(q + kTail));
    recording.loopStart = p - 1;
    recording.loopLength = q - p + 1;
    return true;
}

// Longer for low notes, which ring longer.
double decayingSeconds(int note)
{
    return std::clamp(3.5 - (note - 30) * (2.3 / 70.0), 1.2, 3.5);
}

bool writeRaw(const QString& path, const Signal& signal, float gain)
{
    QByteArray bytes(qsizetype(signal.size() * 2), Qt::Uninitialized);
    for (std::size_t i = 0; i < signal.size(); ++i) {
        const long value = std::clamp(std::lround(signal[i] * gain * 32767.0f), -32768L, 32767L);
        const auto word = std::uint16_t(std::int16_t(value));
        bytes[qsizetype(2 * i)] = char(word & 0xFF);
        bytes[qsizetype(2 * i + 1)] = char(word >> 8);
    }
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool fail(const QString& message)
{
    std::fprintf(stderr, "make_sound_bank: %s\n", qPrintable(message));
    return false;
}

QString sampleFileName(const InstrumentSpec& spec, const Recording& recording)
{
    return QStringLiteral("%1-%2.raw").arg(QLatin1String(spec.key)).arg(recording.note, 3, 10, QLatin1Char('0'));
}

double centsBetween(double frequency, double reference)
{
    return 1200.0 * std::log2(frequency / reference);
}

// Loops a held sound where the loop's pitch is nearest the opening's, so that a held key
// does not drift when the loop takes over; false when no loop fits.
bool loopNearestOpening(Recording& recording, ToneAnalysis::HeardPitch& pitch)
{
    const double nominal = noteFrequency(recording.source);
    const auto loopFrames = std::size_t(kLoopSeconds * kRate);
    const std::size_t openingFrames = std::min(recording.signal.size(), std::size_t(ToneAnalysis::kOpeningSeconds * kRate));
    const double opening = pitch.over(recording.signal.data(), openingFrames, nominal);
    double bestStart = -1, bestApart = 0;
    for (double start : kLoopStarts) {
        const auto first = std::size_t(start * kRate);
        if (first + loopFrames > recording.signal.size())
            continue;
        const double apart = centsBetween(opening, pitch.over(recording.signal.data() + first, loopFrames, nominal));
        if (bestStart < 0 || std::abs(apart) < std::abs(bestApart)) {
            bestStart = start;
            bestApart = apart;
        }
        if (std::abs(bestApart) < kLoopAgreement)
            break;
    }
    return bestStart >= 0 && makeLoop(recording, bestStart, kLoopSeconds);
}

// Each sample serves the notes nearer to it than to its neighbours; the outer ones reach to
// the ends of the range.
void assignNotes(std::vector<Recording>& recordings)
{
    for (std::size_t i = 0; i < recordings.size(); ++i) {
        recordings[i].lowest = i == 0 ? 0 : (recordings[i - 1].note + recordings[i].note) / 2 + 1;
        recordings[i].highest = i + 1 == recordings.size() ? 127 : (recordings[i].note + recordings[i + 1].note) / 2;
    }
}

bool writeInstrumentFile(const InstrumentSpec& spec, const QString& folder, const std::vector<Recording>& recordings)
{
    QVariantList samples;
    for (const Recording& recording : recordings) {
        samples.append(QVariantMap{
            {QStringLiteral("fileName"), sampleFileName(spec, recording)},
            {QStringLiteral("frequency"), recording.frequency},
            {QStringLiteral("amplitude"), 1.0},
            {QStringLiteral("loopStart"), qlonglong(recording.loopStart)},
            {QStringLiteral("loopLength"), qlonglong(recording.loopLength)},
            {QStringLiteral("noteStart"), recording.lowest},
            {QStringLiteral("noteLength"), recording.highest - recording.lowest + 1},
            {QStringLiteral("sampleRate"), kRate},
            {QStringLiteral("sampleBits"), 16},
            {QStringLiteral("numChannels"), 1},
        });
    }
    const QVariantMap instrument{
        {QStringLiteral("name"), QLatin1String(spec.title)},
        {QStringLiteral("attack"), spec.attack},
        {QStringLiteral("decay"), spec.decay},
        {QStringLiteral("sustain"), spec.sustain},
        {QStringLiteral("release"), spec.release},
        {QStringLiteral("samples"), samples},
    };
    QString error;
    return PropertyList::writeFileAtomically(folder + QStringLiteral("/instrument.plist"), instrument, &error) || fail(error);
}

// The opening of a note as the sample synthesizer plays it: sample, rate and loop as the
// instrument file gives them.
Signal playedOpening(const std::shared_ptr<const QVInstrument>& instrument, int note)
{
    QVSampler sampler(instrument);
    sampler.noteOn(noteFrequency(note), 1.0);
    Signal opening(std::size_t(ToneAnalysis::kOpeningSeconds * kRate));
    for (float& value : opening)
        value = float(sampler.tick());
    return opening;
}

// Plays every note of every sample as written in the instrument file and moves each
// sample's reference frequency so that its notes' openings are centred on their pitch (the
// pitch of a note follows the rate, so one pass finds the correction); then writes the file.
bool tuneOnPlayedNotes(const InstrumentSpec& spec, const QString& folder, std::vector<Recording>& recordings,
                       ToneAnalysis::HeardPitch& pitch)
{
    const auto instrument = std::make_shared<const QVInstrument>(folder);
    if (!instrument->isValid())
        return fail(instrument->error());
    for (Recording& recording : recordings) {
        std::vector<double> errors;
        for (int note = std::max(recording.lowest, kLowestPlayed); note <= std::min(recording.highest, kHighestPlayed); ++note) {
            const Signal opening = playedOpening(instrument, note);
            errors.push_back(centsBetween(pitch.over(opening.data(), opening.size(), noteFrequency(note)), noteFrequency(note)));
        }
        if (errors.empty())
            continue;
        const auto [lowest, highest] = std::minmax_element(errors.begin(), errors.end());
        const double correction = (*lowest + *highest) / 2;
        if (std::abs(correction) > kLargestCorrection) {
            std::fprintf(stderr, "make_sound_bank: %s note %d measures %.1f cents off; left as it is\n", spec.key,
                         recording.note, correction);
            continue;
        }
        recording.frequency *= std::exp2(correction / 1200.0);
        if (*highest - *lowest > kNotesApartTolerance)
            std::fprintf(stderr, "make_sound_bank: %s notes of sample %d lie %.1f cents apart\n", spec.key, recording.note,
                         *highest - *lowest);
    }
    return writeInstrumentFile(spec, folder, recordings);
}

// A held key's sound as the sample synthesizer plays it at the recording's own pitch:
// the recording up to its loop's end, then the loop over and over.
Signal heldSound(const Recording& recording, double seconds)
{
    const auto frames = std::size_t(seconds * kRate);
    Signal held(recording.signal.begin(),
                recording.signal.begin() + std::min<long>(long(recording.signal.size()), recording.loopStart + recording.loopLength));
    while (recording.loopLength > 1 && held.size() < frames)
        held.insert(held.end(), recording.signal.begin() + recording.loopStart + 1,
                    recording.signal.begin() + recording.loopStart + recording.loopLength);
    held.resize(std::min(held.size(), frames));
    return held;
}

// How far a held note strays: the largest distance, in cents, of its half seconds (on its
// lowest partials) from its first second (on all the partials heard), which the tuning
// centres on the note.
double heldStray(const Recording& recording, ToneAnalysis::HeardPitch& pitch)
{
    const Signal held = heldSound(recording, kHeldFirstStretch + kHeldStretches * kHeldStretchSeconds);
    const auto stretch = std::size_t(kHeldStretchSeconds * kRate);
    const std::size_t openingFrames = std::min(held.size(), std::size_t(ToneAnalysis::kOpeningSeconds * kRate));
    const double nominal = noteFrequency(recording.source);
    const double opening = pitch.over(held.data(), openingFrames, nominal);
    double stray = 0;
    for (auto start = std::size_t(kHeldFirstStretch * kRate); start + stretch <= held.size(); start += stretch)
        stray = std::max(stray, std::abs(centsBetween(pitch.over(held.data() + start, stretch, nominal, ToneAnalysis::kHeldPartials),
                                                      opening)));
    return stray;
}

// A plucked or struck sound, faded out at its end; none when the SoundFont has nothing there.
std::optional<Recording> decayingRecording(Renderer& renderer, const InstrumentSpec& spec, int note)
{
    Recording recording{note, note, renderer.render(0, 0, spec.program, note, decayingSeconds(note))};
    if (peakOf(recording.signal) < kSilence)
        return std::nullopt;
    fadeOut(recording.signal, 0.35);
    return recording;
}

// A held sound recorded from `source`, its drift taken out and looped; none when the
// SoundFont has nothing there.
std::optional<Recording> heldRecording(Renderer& renderer, const InstrumentSpec& spec, int centre, int source,
                                       ToneAnalysis::HeardPitch& pitch)
{
    Recording recording{centre, source, renderer.render(0, 0, spec.program, source, kHeldSeconds)};
    if (peakOf(recording.signal) < kSilence)
        return std::nullopt;
    recording.signal = ToneAnalysis::withoutDrift(recording.signal, noteFrequency(source), pitch);
    if (!loopNearestOpening(recording, pitch))
        fadeOut(recording.signal, 0.35);
    return recording;
}

// The held sound for the sample centred on `centre`: its own note of the SoundFont when
// that stays in tune while held, else the nearest neighbour that strays clearly less; none
// when the SoundFont has nothing at `centre`.
std::optional<Recording> steadiestHeldRecording(Renderer& renderer, const InstrumentSpec& spec, int centre,
                                                ToneAnalysis::HeardPitch& pitch)
{
    std::optional<Recording> best = heldRecording(renderer, spec, centre, centre, pitch);
    if (!best)
        return std::nullopt;
    const double ownStray = heldStray(*best, pitch);
    double leastStray = ownStray;
    const bool servesKeys = centre + kCentreStep / 2 >= kLowestKey && centre - kCentreStep / 2 <= kHighestKey;
    for (int distance = 1; servesKeys && distance <= kFarthestSource && leastStray > kHeldTolerance; ++distance) {
        for (int source : {centre - distance, centre + distance}) {
            std::optional<Recording> recording = heldRecording(renderer, spec, centre, source, pitch);
            const double stray = recording ? heldStray(*recording, pitch) : ownStray;
            if (stray < std::min(leastStray, ownStray - kClearlyLessStray)) {
                leastStray = stray;
                best = std::move(recording);
            }
        }
    }
    if (best->source != centre)
        std::fprintf(stderr, "make_sound_bank: %s sample %d is recorded from note %d (%.1f cents astray, not %.1f)\n",
                     spec.key, centre, best->source, leastStray, ownStray);
    else if (leastStray > kHeldTolerance)
        std::fprintf(stderr, "make_sound_bank: %s sample %d strays %.1f cents while held\n", spec.key, centre, leastStray);
    return best;
}

bool makeInstrument(Renderer& renderer, const InstrumentSpec& spec, const QString& folder, ToneAnalysis::HeardPitch& pitch)
{
    std::vector<Recording> recordings;
    for (int note = kFirstCentre; note <= kLastCentre; note += kCentreStep) {
        std::optional<Recording> recording =
            spec.held ? steadiestHeldRecording(renderer, spec, note, pitch) : decayingRecording(renderer, spec, note);
        if (!recording)
            continue; // the SoundFont has nothing here; the neighbours cover the note
        recording->frequency = noteFrequency(recording->source);
        recordings.push_back(std::move(*recording));
    }
    if (recordings.empty())
        return fail(QStringLiteral("the SoundFont has no sound for program %1").arg(spec.program));
    assignNotes(recordings);

    float peak = 0;
    for (const Recording& recording : recordings)
        peak = std::max(peak, peakOf(recording.signal));
    const float gain = std::min(kPeak / peak, float(kLoudness / loudnessOf(recordings)));
    for (const Recording& recording : recordings) {
        const QString fileName = sampleFileName(spec, recording);
        if (!writeRaw(folder + QLatin1Char('/') + fileName, recording.signal, gain))
            return fail(QStringLiteral("cannot write %1").arg(fileName));
    }
    return writeInstrumentFile(spec, folder, recordings) && tuneOnPlayedNotes(spec, folder, recordings, pitch);
}

bool makeClick(Renderer& renderer, const Click& click, const QString& resources)
{
    Signal signal = renderer.render(kDrumChannel, kDrumBank, 0, click.drumNote, 0.6);
    const float peak = peakOf(signal);
    if (peak < kSilence)
        return fail(QStringLiteral("the SoundFont has no percussion key %1").arg(click.drumNote));
    fadeOut(signal, 0.1);
    if (!writeRaw(resources + QLatin1Char('/') + QLatin1String(click.fileName), signal, kPeak / peak))
        return fail(QStringLiteral("cannot write %1").arg(QLatin1String(click.fileName)));
    return true;
}

bool makeBank(const QString& soundFont, const QString& resources)
{
    Renderer renderer(soundFont);
    if (!renderer.isReady())
        return fail(QStringLiteral("cannot load the SoundFont %1").arg(soundFont));

    for (const Click& click : kClicks)
        if (!makeClick(renderer, click, resources))
            return false;
    // The instruments are tuned by playing them as the program does, from this bundle (where
    // their click samples now are) at the rate of their recordings.
    qputenv("MELVORA_RESOURCES", QFile::encodeName(resources));
    stk::Stk::setSampleRate(kRate);
    ToneAnalysis::HeardPitch pitch(kRate);

    // The new instruments are made beside the old ones and take their place at the end, so
    // an interrupted run leaves no half-made bank behind.
    const QString instruments = resources + QStringLiteral("/Instruments");
    const QString fresh = instruments + QStringLiteral(".new");
    QDir(fresh).removeRecursively();
    QVariantList programs;
    for (const InstrumentSpec& spec : kInstruments) {
        const QString folder = fresh + QLatin1Char('/') + QLatin1String(spec.key);
        if (!QDir().mkpath(folder))
            return fail(QStringLiteral("cannot make %1").arg(folder));
        if (!makeInstrument(renderer, spec, folder, pitch))
            return false;
        programs.append(QVariantMap{{QStringLiteral("key"), QLatin1String(spec.key)},
                                    {QStringLiteral("value"), QLatin1String(spec.title)}});
    }
    if (!QDir(instruments).removeRecursively() || !QDir().rename(fresh, instruments))
        return fail(QStringLiteral("cannot replace %1").arg(instruments));
    QString error;
    if (!PropertyList::writeFileAtomically(resources + QStringLiteral("/MelvoraSounds.plist"), programs, &error))
        return fail(error);
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s <soundfont.sf2> <resources folder>\n", argv[0]);
        return 2;
    }
    fluid_set_log_function(FLUID_WARN, nullptr, nullptr);
    fluid_set_log_function(FLUID_INFO, nullptr, nullptr);
    fluid_set_log_function(FLUID_DBG, nullptr, nullptr);
    return makeBank(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
