#pragma once

#include "AudioOutput.h"
#include "TestEnvironment.h"

#include <cstddef>
#include <functional>
#include <vector>

// Stereo frames of the shared output, rendered in one go without moving the clock.
inline std::vector<float> renderStereoFrames(std::size_t frames)
{
    std::vector<float> mix(frames * 2, 0.0f);
    AudioOutput::sharedOutput()->renderOffline(mix.data(), frames);
    return mix;
}

// Renders `seconds` of the shared output as a device would pull it: the manual clock moves
// one block on, then the block of `frames` stereo frames is rendered and handed to
// `eachBlock`, which returns false to stop early.
inline void renderInBlocks(ManualMainQueue& queue, double seconds, std::size_t frames,
                           const std::function<bool(const std::vector<float>& block)>& eachBlock)
{
    AudioOutput* output = AudioOutput::sharedOutput();
    const double blockSeconds = double(frames) / output->sampleRate();
    std::vector<float> block(frames * 2);
    for (double t = 0; t < seconds; t += blockSeconds) {
        queue.advance(blockSeconds);
        output->renderOffline(block.data(), frames);
        if (!eachBlock(block))
            return;
    }
}

// The left channel of `seconds` of the shared output, rendered as renderInBlocks does.
inline std::vector<float> renderLeftChannel(ManualMainQueue& queue, double seconds, std::size_t frames = 256)
{
    std::vector<float> left;
    renderInBlocks(queue, seconds, frames, [&](const std::vector<float>& block) {
        for (std::size_t i = 0; i < block.size(); i += 2)
            left.push_back(block[i]);
        return true;
    });
    return left;
}
