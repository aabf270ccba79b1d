#pragma once

#include "../audiomidi/AudioMidiTestSupport.h"
#include "OfflineAudio.h"

#include "ZTSamplePlayer.h"
#include "ZTSoundBank.h"

#include <algorithm>
#include <memory>
#include <vector>

// Every instrument of the bank, by its key; the bank's suites measure each in a test of its
// own, so that they run side by side.
inline const std::vector<const char*> kBankInstruments{"Piano",       "ElectricPiano", "Organ", "NylonGuitar",
                                                       "SteelGuitar", "Strings",       "Flute", "Choir"};

// The sample synthesizer with the bank's instrument `key`, as the program plays it on the
// offline output, its notes transposed, looped and enveloped as they sound to the user;
// null when the bank has none.
inline std::shared_ptr<ZTSamplePlayer> bankPlayer(const char* key)
{
    const QList<SoftSynthSoundEntry> programs = ZTSoundBank::programs();
    const auto entry = std::find_if(programs.begin(), programs.end(),
                                    [&](const SoftSynthSoundEntry& e) { return e.key == QLatin1String(key); });
    if (entry == programs.end())
        return nullptr;
    auto player = std::make_shared<ZTSamplePlayer>();
    player->init();
    player->programChange(int(entry - programs.begin()));
    return player;
}

// `seconds` of the note held from its start; it is then released and its release rendered
// until silent, so that the next note starts alone.
inline std::vector<float> heldBankNote(ManualMainQueue& queue, ZTSamplePlayer& player, int note, double seconds)
{
    player.noteOn(note, 100);
    std::vector<float> left = renderLeftChannel(queue, seconds);
    player.noteOff(note);
    renderInBlocks(queue, 10.0, 256, [](const std::vector<float>& block) {
        return std::any_of(block.begin(), block.end(), [](float value) { return value != 0.0f; });
    });
    left.resize(std::size_t(seconds * AudioOutput::sharedOutput()->sampleRate()));
    return left;
}

// An instrument of the bank as the program plays it.
class BankPlayerTest : public AudioMidiTest, public ::testing::WithParamInterface<const char*> {
protected:
    void TearDown() override
    {
        player.reset();
        AudioMidiTest::TearDown();
    }

    // The sample synthesizer with the bank's instrument `key`; false when the bank has none.
    bool play(const char* key)
    {
        player = bankPlayer(key);
        return player != nullptr;
    }

    std::vector<float> heldNote(int note, double seconds) { return heldBankNote(queue, *player, note, seconds); }

    std::shared_ptr<ZTSamplePlayer> player;
};

inline const auto byBankKey = [](const ::testing::TestParamInfo<const char*>& info) { return std::string(info.param); };
