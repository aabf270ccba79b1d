#pragma once

#include "FakeSoundServer.h"

#include "AudioOutput.h"
#include "TestEnvironment.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

// A source's note through an output of its own on a fake sound server, once on a device
// that has just opened and once after the device has rested: the first block of each.
// The source is taken from the output it was registered with, so its notes wake this one.
struct SoundAfterRest {
    std::vector<float> firstBlock;
    std::vector<float> firstBlockAfterRest;
    bool rested = false;
    bool resumed = false;

    // Whether the two first blocks agree sample by sample, to a hundredth of their peak.
    bool sameAttack() const;
};

inline SoundAfterRest playBeforeAndAfterRest(AudioRenderSource* source, const std::function<void()>& noteOn,
                                             const std::function<void()>& noteOff)
{
    SoundAfterRest heard;
    auto server = std::make_shared<FakeSoundServer>();
    server->start();
    AudioOutput output(server->deviceFactory(AudioDevice::Direction::Output),
                       {std::chrono::hours(1), std::chrono::hours(1), std::chrono::milliseconds(0)});
    if (!output.addSource(source))
        return heard;
    noteOn();
    if (server->pull(1))
        heard.firstBlock = server->lastBlock();
    noteOff();
    // The note fades, then the quiet before a rest: at most a minute of blocks.
    const int blocks = 60 * int(FakeSoundServer::kOwnRate / AudioOutput::kPreferredBufferFrames);
    for (int i = 0; i < blocks && server->pull(1); ++i) {
    }
    heard.rested = eventually([&] { return output.isResting(); });
    noteOn();
    heard.resumed = eventually([&] { return server->isStreaming(); });
    if (heard.resumed && server->pull(1))
        heard.firstBlockAfterRest = server->lastBlock();
    noteOff();
    output.removeSource(source);
    return heard;
}

// The loudest sample of the first frames of a stereo block.
inline float loudestOfFirstFrames(const std::vector<float>& block, std::size_t frames)
{
    float loudest = 0.0f;
    for (std::size_t i = 0; i < std::min(block.size(), 2 * frames); ++i)
        loudest = std::max(loudest, std::fabs(block[i]));
    return loudest;
}

inline bool SoundAfterRest::sameAttack() const
{
    if (firstBlock.empty() || firstBlock.size() != firstBlockAfterRest.size())
        return false;
    const float tolerance = 0.01f * loudestOfFirstFrames(firstBlock, firstBlock.size() / 2);
    for (std::size_t i = 0; i < firstBlock.size(); ++i)
        if (std::fabs(firstBlock[i] - firstBlockAfterRest[i]) > tolerance)
            return false;
    return true;
}
