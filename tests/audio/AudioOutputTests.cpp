#include "AudioOutput.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

namespace {

// Writes a constant on the left and a running frame count on the right.
class CountingSource : public AudioRenderSource {
public:
    explicit CountingSource(float level) : level_(level) {}
    void render(float* out, std::size_t frames) override
    {
        for (std::size_t i = 0; i < frames; ++i) {
            out[2 * i] = level_;
            out[2 * i + 1] = float(frame_++) * 1e-6f;
        }
    }
    bool isSounding() const noexcept override { return true; }

private:
    float level_;
    std::size_t frame_ = 0;
};

class BlockingSource : public AudioRenderSource {
public:
    void render(float*, std::size_t) override
    {
        entered = true;
        while (!released)
            std::this_thread::yield();
    }
    bool isSounding() const noexcept override { return true; }
    std::atomic<bool> entered{false};
    std::atomic<bool> released{false};
};

class AudioOutputTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        output = AudioOutput::sharedOutput();
        output->useOfflineRendering();
    }
    AudioOutput* output = nullptr;
};

} // namespace

TEST_F(AudioOutputTest, OfflineRenderingMixesSourcesInChunksAndClamps)
{
    EXPECT_EQ(output->mode(), AudioOutput::Mode::Offline);
    EXPECT_TRUE(output->isNullDevice());
    EXPECT_EQ(output->sampleRate(), 44100u);
    EXPECT_LE(output->bufferFrames(), 256u);

    CountingSource a(0.25f);
    CountingSource b(0.5f);
    CountingSource loud(0.75f);
    ASSERT_TRUE(output->addSource(&a));
    ASSERT_TRUE(output->addSource(&b));
    EXPECT_TRUE(output->addSource(&a)); // a second registration is the same one

    // More frames than one internal chunk: every source must still see each frame once.
    std::vector<float> buffer(2 * 10000, 9.0f);
    ASSERT_TRUE(output->renderOffline(buffer.data(), 10000));
    for (std::size_t i = 0; i < 10000; i += 997) {
        EXPECT_FLOAT_EQ(buffer[2 * i], 0.75f) << i;
        EXPECT_FLOAT_EQ(buffer[2 * i + 1], 2 * float(i) * 1e-6f) << i;
    }

    output->addSource(&loud); // 1.5 in all: clamped
    output->renderOffline(buffer.data(), 16);
    EXPECT_FLOAT_EQ(buffer[0], 1.0f);

    output->removeSource(&a);
    output->removeSource(&b);
    output->removeSource(&loud);
    output->renderOffline(buffer.data(), 16);
    for (int i = 0; i < 32; ++i)
        EXPECT_EQ(buffer[i], 0.0f);
}

TEST_F(AudioOutputTest, RemoveSourceWaitsForTheRenderInProgress)
{
    BlockingSource source;
    ASSERT_TRUE(output->addSource(&source));
    std::vector<float> buffer(512);
    std::thread renderer([&] { output->renderOffline(buffer.data(), 256); });
    while (!source.entered)
        std::this_thread::yield();

    std::atomic<bool> removed{false};
    std::thread remover([&] {
        output->removeSource(&source);
        removed = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(removed.load()); // the source is still in use
    source.released = true;
    renderer.join();
    remover.join();
    EXPECT_TRUE(removed.load());

    source.entered = false;
    output->renderOffline(buffer.data(), 256);
    EXPECT_FALSE(source.entered.load());
}
