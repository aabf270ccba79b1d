#include "AudioInputQueue.h"

#include "AudioInput.h"

#include <algorithm>
#include <chrono>
#include <cmath>

namespace {
// How often the queue thread looks for filled buffers; far below a buffer's length.
constexpr auto kPollInterval = std::chrono::milliseconds(5);
} // namespace

AudioInputQueue::IndexFifo::IndexFifo(std::size_t capacity)
    : slots_(capacity + 1)
{
}

void AudioInputQueue::IndexFifo::reset()
{
    head_ = 0;
    tail_ = 0;
}

bool AudioInputQueue::IndexFifo::push(std::size_t index)
{
    const std::size_t tail = tail_.load(std::memory_order_relaxed);
    const std::size_t next = (tail + 1) % slots_.size();
    if (next == head_.load(std::memory_order_acquire))
        return false;
    slots_[tail] = index;
    tail_.store(next, std::memory_order_release);
    return true;
}

bool AudioInputQueue::IndexFifo::pop(std::size_t& index)
{
    const std::size_t head = head_.load(std::memory_order_relaxed);
    if (head == tail_.load(std::memory_order_acquire))
        return false;
    index = slots_[head];
    head_.store((head + 1) % slots_.size(), std::memory_order_release);
    return true;
}

AudioInputQueue::AudioInputQueue(unsigned sampleRate, std::size_t framesPerBuffer, std::size_t bufferCount,
                                 Callback callback)
    : sampleRate_(sampleRate)
    , framesPerBuffer_(framesPerBuffer)
    , bufferCount_(bufferCount)
    , callback_(std::move(callback))
    , storage_(framesPerBuffer * bufferCount)
    , free_(bufferCount)
    , filled_(bufferCount)
{
}

AudioInputQueue::~AudioInputQueue()
{
    stop();
}

bool AudioInputQueue::start()
{
    if (isRunning())
        return true;
    free_.reset();
    filled_.reset();
    for (std::size_t i = 0; i < bufferCount_; ++i)
        free_.push(i);
    filling_ = kNoBuffer;
    filledFrames_ = 0;
    inputRate_ = 0;
    threadRunning_ = true;
    thread_ = std::thread([this] { run(); });
    if (AudioInput::sharedInput()->start(this))
        return true;
    stop();
    return false;
}

void AudioInputQueue::stop()
{
    AudioInput::sharedInput()->stop(this);
    threadRunning_ = false;
    if (thread_.joinable())
        thread_.join();
}

void AudioInputQueue::run()
{
    while (threadRunning_.load()) {
        std::size_t index;
        while (threadRunning_.load() && filled_.pop(index)) {
            if (callback_(storage_.data() + index * framesPerBuffer_, framesPerBuffer_))
                free_.push(index);
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

void AudioInputQueue::capture(const float* samples, std::size_t frames, unsigned sampleRate) noexcept
{
    if (sampleRate == 0)
        return;
    if (sampleRate != inputRate_) {
        inputRate_ = sampleRate;
        step_ = double(sampleRate) / sampleRate_;
        phase_ = 0.0;
        previous_ = 0.0f;
    }
    for (std::size_t i = 0; i < frames; ++i) {
        const float sample = std::isfinite(samples[i]) ? samples[i] : 0.0f;
        for (; phase_ < 1.0; phase_ += step_)
            append(previous_ + (sample - previous_) * float(phase_));
        phase_ -= 1.0;
        previous_ = sample;
    }
}

void AudioInputQueue::append(float sample) noexcept
{
    if (filling_ == kNoBuffer) {
        if (!free_.pop(filling_)) {
            filling_ = kNoBuffer;
            return; // every buffer waits for the callback: drop the sample
        }
        filledFrames_ = 0;
    }
    const float scaled = std::clamp(sample, -1.0f, 1.0f) * 32767.0f;
    storage_[filling_ * framesPerBuffer_ + filledFrames_] = std::int16_t(std::lrint(scaled));
    if (++filledFrames_ == framesPerBuffer_) {
        filled_.push(filling_);
        filling_ = kNoBuffer;
    }
}
