#pragma once

#include <cstddef>

// Something that makes sound for the process-wide output (a synthesizer, a sample player).
class AudioRenderSource {
public:
    virtual ~AudioRenderSource() = default;

    // Runs on the audio thread. The buffer holds `frames` interleaved stereo frames and
    // comes zeroed; the source writes (or adds) its sound into it. It must not allocate,
    // lock, log or touch Qt containers: it shares the thread with every other source.
    virtual void render(float* interleavedStereo, std::size_t frames) = 0;
};
