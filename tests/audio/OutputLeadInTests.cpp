// The silence an output stream begins with, and the client's sound after it.
#include "OutputLeadIn.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

// The samples that come out of `blocks` blocks of `frames` stereo frames each, the client
// having rendered 1, 2, 3, ... on the left and their negatives on the right.
std::vector<float> throughLeadIn(OutputLeadIn& leadIn, std::size_t frames, int blocks, float& next)
{
    std::vector<float> out;
    std::vector<float> block(frames * 2);
    for (int b = 0; b < blocks; ++b) {
        float* client = leadIn.clientBlock();
        for (std::size_t i = 0; i < frames; ++i, next += 1.0f) {
            client[2 * i] = next;
            client[2 * i + 1] = -next;
        }
        leadIn.deliver(block.data(), frames);
        out.insert(out.end(), block.begin(), block.end());
    }
    return out;
}

} // namespace

TEST(OutputLeadIn, AStreamBeginsWithTheLeadInAndThenEveryFrameTheClientRenderedInOrder)
{
    for (const std::size_t frames : {std::size_t(256), std::size_t(100)}) {
        OutputLeadIn leadIn;
        leadIn.start(frames, 2);
        EXPECT_EQ(leadIn.blockFrames(), frames);
        float next = 1.0f;
        const std::vector<float> out = throughLeadIn(leadIn, frames, 6, next);
        for (std::size_t i = 0; i < OutputLeadIn::kFrames * 2; ++i)
            ASSERT_EQ(out[i], 0.0f) << frames << " frames a block, sample " << i;
        for (std::size_t frame = OutputLeadIn::kFrames; frame < out.size() / 2; ++frame) {
            ASSERT_EQ(out[2 * frame], float(frame - OutputLeadIn::kFrames + 1)) << frames << " frame " << frame;
            ASSERT_EQ(out[2 * frame + 1], -out[2 * frame]);
        }

        // Resumed after a pause, the stream begins with the lead-in again.
        leadIn.restart();
        next = 1.0f;
        const std::vector<float> resumed = throughLeadIn(leadIn, frames, 2, next);
        EXPECT_EQ(std::vector<float>(resumed.begin(), resumed.begin() + OutputLeadIn::kFrames * 2),
                  std::vector<float>(OutputLeadIn::kFrames * 2, 0.0f));
        EXPECT_EQ(resumed[OutputLeadIn::kFrames * 2], 1.0f);
    }
}
