#pragma once

#include <utility>

// Tells a device that is gone from one that stumbled, block by block. RtAudio tells of a
// failed write or read through its error callback, and of an underrun or overrun also by a
// flag on the block after it: the sound broke up (the machine was busy), but the device
// lives. Any other failure that repeats for kInARowForLoss blocks means the device is gone:
// its sound server went away, and every transfer fails at once.
//
// The stream's thread only; never blocks.
class TransferFailures {
public:
    static constexpr int kInARowForLoss = 3;

    struct Verdict {
        bool lastFailed = false; // the last transfer failed: an input block holds nothing new
        bool lost = false;       // the device is gone
    };

    // The error callback: the transfer after the last block failed.
    void transferFailed() noexcept { lastFailed_ = true; }

    // At each block, with whether RtAudio flagged it as following an underrun or overrun.
    Verdict nextBlock(bool flaggedUnderrunOrOverrun) noexcept
    {
        const bool failed = std::exchange(lastFailed_, false);
        inARow_ = failed && !flaggedUnderrunOrOverrun ? inARow_ + 1 : 0;
        return {failed, inARow_ >= kInARowForLoss};
    }

private:
    bool lastFailed_ = false;
    int inARow_ = 0;
};
