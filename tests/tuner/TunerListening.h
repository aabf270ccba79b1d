#pragma once

// Tones heard through the tuner as the microphone hands them in: what it reads at each poll
// and which notes it reports.
#include "HandFedMicrophone.h"
#include "Signals.h"
#include "TestEnvironment.h"
#include "ZTAudioUnit.h"
#include "ZTTuner.h"
#include "ZTTunerDelegate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

namespace tuner_listening {

constexpr unsigned kRate = 44100;
constexpr double kPoll = 0.03;
constexpr std::size_t kBlock = 512;

inline double midiFrequency(double note)
{
    return 440.0 * std::exp2((note - 69.0) / 12.0);
}

class NoteCollector : public ZTTunerDelegate {
public:
    void tunerDidUpdate(ZTTuner*, const ZTTunerOutput& output) override { notes.push_back(output.midiNoteNr()); }
    void tuner(ZTTuner*, double, bool) override {}
    std::vector<long long> notes;
};

// What the tuner made of a tone: the sung pitch its tracker read at each poll (half the
// unit's reading; 0 while it had none) and the notes it reported.
struct Heard {
    std::vector<double> pitches;
    std::vector<long long> notes;
};

// Feeds the tone into a freshly started tuner in the device's blocks, with a poll every
// 0.03 s as the main queue runs them.
inline Heard listen(ManualMainQueue& queue, const std::vector<float>& tone)
{
    HandFedMicrophone::use(kRate);
    NoteCollector collector;
    ZTTuner tuner(0.1, 0.25);
    tuner.setDelegate(&collector);
    EXPECT_TRUE(tuner.start());
    Heard heard;
    const double perPoll = kRate * kPoll;
    double due = perPoll;
    for (std::size_t done = 0; done < tone.size();) {
        const std::size_t frames = std::min(kBlock, tone.size() - done);
        HandFedMicrophone::deliver(tone.data() + done, frames);
        done += frames;
        for (; double(done) >= due; due += perPoll) {
            queue.advance(kPoll);
            heard.pitches.push_back(tuner.ztAudioUnit()->frequency() / 2.0);
        }
    }
    queue.runPending();
    tuner.stop();
    heard.notes = collector.notes;
    return heard;
}

// The tone after `frames` of silence, so that onsets fall at different places of the
// tracker's hops.
inline std::vector<float> afterSilence(std::size_t frames, const std::vector<float>& tone)
{
    std::vector<float> delayed(frames, 0.0f);
    delayed.insert(delayed.end(), tone.begin(), tone.end());
    return delayed;
}

// Two onsets per tone, half a hop apart, at places that differ from note to note.
inline std::vector<std::size_t> silencesBefore(int note, int salt)
{
    const auto first = std::size_t(note * 997 + salt * 331) % 4096;
    return {first, (first + 2048) % 4096};
}

// The worst reading of a set of tones, for the log.
struct WorstReading {
    double cents = 0.0;
    std::string tone;

    ~WorstReading() { std::cout << "Worst reading: " << cents << " cents (" << tone << ")\n"; }
};

// How far the tuner may stray from the note it hears: every reading from the tracker's
// first pitch on within `grossCents` of the note, and every report within `neighbours`
// notes of it (the note itself among them).
struct HeardTolerance {
    double grossCents = 0.0;
    long long neighbours = 0;
};

inline void expectHeardAs(const Heard& heard, double note, HeardTolerance tolerance, const std::string& tone,
                          WorstReading& worst)
{
    const double expected = midiFrequency(note);
    double toneWorst = 0.0;
    for (double pitch : heard.pitches)
        if (pitch > 0.0 && std::abs(centsBetween(pitch, expected)) > std::abs(toneWorst))
            toneWorst = centsBetween(pitch, expected);
    EXPECT_LT(std::abs(toneWorst), tolerance.grossCents) << tone;
    if (std::abs(toneWorst) > std::abs(worst.cents)) {
        worst.cents = toneWorst;
        worst.tone = tone;
    }
    const long long nearest = std::lround(note);
    EXPECT_NE(std::find(heard.notes.begin(), heard.notes.end(), nearest), heard.notes.end()) << tone;
    for (long long reported : heard.notes)
        EXPECT_LE(std::abs(reported - nearest), tolerance.neighbours) << tone << ": reported " << reported;
}

inline std::string describe(const char* what, int note, double cents, std::size_t silence)
{
    std::ostringstream text;
    text << what << " note " << note << " " << std::showpos << cents << " cents after " << std::noshowpos << silence
         << " frames of silence";
    return text.str();
}

} // namespace tuner_listening
