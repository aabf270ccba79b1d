#pragma once

#include "MIDIMessage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Turns a MIDI byte stream from one source into complete messages. Running status is
// expanded; real-time bytes come out at once, also in the middle of another message;
// system-exclusive messages are collected up to kMaxSysExBytes. A message that a new
// status byte cuts short, data bytes with no status before them, undefined status bytes
// and oversized system-exclusive messages are dropped and counted. A message split
// across two calls is completed by the second.
class MIDIParser {
public:
    static constexpr std::size_t kMaxSysExBytes = 64 * 1024;

    std::vector<MIDIMessage> parse(const std::uint8_t* bytes, std::size_t count,
                                   std::uint64_t timeStamp = 0);
    std::vector<MIDIMessage> parse(const std::vector<std::uint8_t>& bytes, std::uint64_t timeStamp = 0)
    {
        return parse(bytes.data(), bytes.size(), timeStamp);
    }
    void reset();

    // Bytes dropped by the last parse() call and since creation.
    std::size_t droppedByLastParse() const { return droppedLast_; }
    std::size_t droppedTotal() const { return droppedTotal_; }

private:
    void drop(std::size_t count);
    void dropPending();

    std::uint8_t runningStatus_ = 0;
    std::vector<std::uint8_t> pending_; // status byte and the data bytes so far
    int pendingNeeds_ = 0;              // data bytes still missing
    bool inSysEx_ = false;
    bool sysExTooLong_ = false;
    std::vector<std::uint8_t> sysEx_;
    std::size_t droppedLast_ = 0;
    std::size_t droppedTotal_ = 0;
};
