#pragma once

#include <atomic>
#include <cstddef>

class AudioOutput;

// Something that makes sound for the process-wide output (a synthesizer, a sample player).
class AudioRenderSource {
public:
    virtual ~AudioRenderSource() = default;

    // Runs on the audio thread. The buffer holds `frames` interleaved stereo frames and
    // comes zeroed; the source writes (or adds) its sound into it. It must not allocate,
    // lock, log or touch Qt containers: it shares the thread with every other source.
    virtual void render(float* interleavedStereo, std::size_t frames) = 0;

    // Audio thread, never blocks: whether the source sounds or still has sound to give (a
    // voice playing or fading, a sound not played to its end). Without a sound device the
    // output stops rendering while no source sounds, until one calls soundStarts().
    virtual bool isSounding() const noexcept = 0;

protected:
    // Any thread, lock-free: sound is about to start (a note was handed over). An output
    // resting for want of sound renders again at once.
    void soundStarts() noexcept;

private:
    friend class AudioOutput;
    // The output the source is registered with; null while it is none's.
    std::atomic<AudioOutput*> output_{nullptr};
};
