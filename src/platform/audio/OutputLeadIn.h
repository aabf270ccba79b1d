#pragma once

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <vector>

// Lets an output stream begin with a short silence, everything its client renders coming
// that much later. A PulseAudio server rewinds its sink to play at once a stream that has
// run dry, and the sink's monitor (what recorders and screen captures hear) then misses
// the first milliseconds of what the stream plays, with a click; the lead-in is what it
// misses instead.
//
// start() and restart() on the control thread while no stream runs; the rest on the
// stream's thread, where nothing allocates.
class OutputLeadIn {
public:
    // Longer than what a sink renders ahead of a stream of blocks of a few milliseconds.
    static constexpr std::size_t kFrames = 128;

    // The next stream begins with the lead-in; its blocks hold up to `blockFrames` frames
    // of `channels` samples.
    void start(std::size_t blockFrames, std::size_t channels)
    {
        channels_ = channels;
        line_.assign((kFrames + blockFrames) * channels, 0.0f);
    }

    // The next stream, of the same blocks, begins with the lead-in.
    void restart() { std::fill(line_.begin(), line_.end(), 0.0f); }

    // The most frames a block may hold.
    std::size_t blockFrames() const { return channels_ ? line_.size() / channels_ - kFrames : 0; }

    // Where the client renders the next block.
    float* clientBlock() { return line_.data() + kFrames * channels_; }

    // The block for the device: what was held back of the client's sound, then the start
    // of the block it just rendered; the rest of that is held back for the next.
    void deliver(float* out, std::size_t frames) noexcept
    {
        const std::size_t samples = frames * channels_;
        std::copy_n(line_.data(), samples, out);
        std::memmove(line_.data(), line_.data() + samples, kFrames * channels_ * sizeof(float));
    }

private:
    std::size_t channels_ = 0;
    std::vector<float> line_; // held back, then the client's block
};
