#include "MIDIParser.h"

void MIDIParser::reset()
{
    runningStatus_ = 0;
    pending_.clear();
    pendingNeeds_ = 0;
    inSysEx_ = false;
    sysExTooLong_ = false;
    sysEx_.clear();
}

void MIDIParser::drop(std::size_t count)
{
    droppedLast_ += count;
    droppedTotal_ += count;
}

void MIDIParser::dropPending()
{
    if (!pending_.empty())
        drop(pending_.size());
    pending_.clear();
    pendingNeeds_ = 0;
    if (inSysEx_) {
        if (!sysExTooLong_)
            drop(sysEx_.size());
        inSysEx_ = false;
        sysExTooLong_ = false;
        sysEx_.clear();
    }
}

std::vector<MIDIMessage> MIDIParser::parse(const std::uint8_t* bytes, std::size_t count,
                                           std::uint64_t timeStamp)
{
    std::vector<MIDIMessage> messages;
    droppedLast_ = 0;
    if (!bytes)
        return messages;

    for (std::size_t i = 0; i < count; ++i) {
        const std::uint8_t byte = bytes[i];

        if (byte >= 0xF8) {
            // Real time: stands alone and leaves everything else as it was.
            if (byte == 0xF9 || byte == 0xFD)
                drop(1);
            else
                messages.emplace_back(std::vector<std::uint8_t>{byte}, timeStamp);
            continue;
        }

        if (inSysEx_) {
            if (byte < 0x80) {
                if (sysExTooLong_) {
                    drop(1);
                } else if (sysEx_.size() < kMaxSysExBytes) {
                    sysEx_.push_back(byte);
                } else {
                    // Too long to be anything we could use: skip to its end.
                    drop(sysEx_.size() + 1);
                    sysExTooLong_ = true;
                    sysEx_.clear();
                }
                continue;
            }
            if (byte == 0xF7) {
                if (sysExTooLong_) {
                    drop(1);
                } else {
                    sysEx_.push_back(byte);
                    messages.emplace_back(std::move(sysEx_), timeStamp);
                }
                sysEx_.clear();
                inSysEx_ = false;
                sysExTooLong_ = false;
                continue;
            }
            // Any other status byte cuts the system-exclusive message short.
            dropPending();
        }

        if (byte >= 0x80) {
            dropPending(); // a message still waiting for data was cut short
            if (byte == 0xF0) {
                runningStatus_ = 0;
                inSysEx_ = true;
                sysEx_.assign(1, byte);
                continue;
            }
            const int needs = MIDIMessage::dataLength(byte);
            if (byte >= 0xF0)
                runningStatus_ = 0; // system common ends running status
            if (needs < 0) {
                drop(1); // undefined, or an end of exclusive with no start
                continue;
            }
            if (byte < 0xF0)
                runningStatus_ = byte;
            if (needs == 0) {
                messages.emplace_back(std::vector<std::uint8_t>{byte}, timeStamp);
                continue;
            }
            pending_.assign(1, byte);
            pendingNeeds_ = needs;
            continue;
        }

        // A data byte.
        if (pending_.empty()) {
            if (runningStatus_ == 0) {
                drop(1);
                continue;
            }
            pending_.assign(1, runningStatus_);
            pendingNeeds_ = MIDIMessage::dataLength(runningStatus_);
        }
        pending_.push_back(byte);
        if (--pendingNeeds_ == 0) {
            messages.emplace_back(std::move(pending_), timeStamp);
            pending_.clear();
        }
    }
    return messages;
}
