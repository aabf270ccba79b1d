#include "PcmSoundPlayer.h"

#include "AudioOutput.h"
#include "AudioRenderSource.h"

#include <algorithm>
#include <atomic>

namespace {
// Grace beyond a sound's length before it is dropped unrendered (offline output).
constexpr double kReapGrace = 1.0;
} // namespace

// One playing sound. Only the audio thread moves the read position; the main thread only
// reads the finished flag.
class PcmSoundPlayer::Voice final : public AudioRenderSource {
public:
    Voice(PcmSound sound, float volume, unsigned outputRate, double endTime)
        : sound_(std::move(sound))
        , volume_(volume)
        , step_(double(sound_.sampleRate) / outputRate)
        , endTime_(endTime)
    {
    }

    void render(float* out, std::size_t frames) noexcept override
    {
        const std::size_t total = sound_.frameCount();
        const float* source = sound_.frames.data();
        std::size_t written = 0;
        for (; written < frames; ++written) {
            const std::size_t a = std::size_t(position_);
            if (a >= total)
                break;
            const std::size_t b = std::min(a + 1, total - 1);
            const float t = float(position_ - double(a));
            for (std::size_t c = 0; c < 2; ++c)
                out[2 * written + c] += (source[2 * a + c] * (1 - t) + source[2 * b + c] * t) * volume_;
            position_ += step_;
        }
        if (written < frames)
            finished_.store(true, std::memory_order_release);
    }

    bool isSounding() const noexcept override { return !finished(); }

    bool finished() const { return finished_.load(std::memory_order_acquire); }
    double endTime() const { return endTime_; }

private:
    const PcmSound sound_;
    const float volume_;
    const double step_; // source frames per output frame
    const double endTime_;
    double position_ = 0;
    std::atomic<bool> finished_{false};
};

PcmSoundPlayer::PcmSoundPlayer() = default;

PcmSoundPlayer::~PcmSoundPlayer()
{
    stopAll();
}

bool PcmSoundPlayer::play(PcmSound sound, float volume)
{
    reapFinishedVoices();
    if (sound.frameCount() == 0 || sound.sampleRate == 0)
        return true;
    AudioOutput* output = AudioOutput::sharedOutput();
    const double seconds = sound.seconds();
    auto voice = std::make_unique<Voice>(std::move(sound), volume, output->sampleRate(),
                                         MainQueue::now() + seconds + kReapGrace);
    if (!output->addSource(voice.get()))
        return false;
    voices_.push_back(std::move(voice));
    scheduleReaper();
    return true;
}

void PcmSoundPlayer::stopAll()
{
    reaper_.cancel();
    if (voices_.empty())
        return;
    AudioOutput* output = AudioOutput::sharedOutput();
    for (const auto& voice : voices_)
        output->removeSource(voice.get());
    voices_.clear();
}

bool PcmSoundPlayer::isPlaying() const
{
    return std::any_of(voices_.begin(), voices_.end(), [](const auto& voice) { return !voice->finished(); });
}

void PcmSoundPlayer::scheduleReaper()
{
    if (voices_.empty()) {
        reaper_.cancel();
        return;
    }
    double firstEnd = voices_.front()->endTime();
    for (const auto& voice : voices_)
        firstEnd = std::min(firstEnd, voice->endTime());
    reaper_ = MainQueue::after(std::max(0.0, firstEnd - MainQueue::now()) + 0.1, [this] {
        reapFinishedVoices();
        scheduleReaper();
    });
}

void PcmSoundPlayer::reapFinishedVoices()
{
    const double now = MainQueue::now();
    AudioOutput* output = nullptr;
    for (auto it = voices_.begin(); it != voices_.end();) {
        if ((*it)->finished() || now >= (*it)->endTime()) {
            if (!output)
                output = AudioOutput::sharedOutput();
            output->removeSource(it->get());
            it = voices_.erase(it);
        } else {
            ++it;
        }
    }
}
