#pragma once

#include <cstdint>
#include <vector>

// One complete MIDI message: a voice message (status 0x80-0xEF with its data bytes), a
// system-exclusive message (0xF0 ... 0xF7), a system-common or a real-time message.
class MIDIMessage {
public:
    MIDIMessage() = default;
    explicit MIDIMessage(std::vector<std::uint8_t> bytes, std::uint64_t timeStamp = 0);

    // A voice message from its status byte (kind and channel) and data bytes; messages
    // with one data byte (program change, channel pressure) drop the second.
    static MIDIMessage voiceMessage(std::uint64_t timeStamp, std::uint8_t statusByte,
                                    std::uint8_t dataByte1, std::uint8_t dataByte2 = 0);
    // Number of data bytes after a voice or system-common status byte; -1 for a
    // status byte whose length is open (system exclusive) or undefined.
    static int dataLength(std::uint8_t statusByte);

    const std::vector<std::uint8_t>& bytes() const { return bytes_; }
    std::uint64_t timeStamp() const { return timeStamp_; }

    bool isVoiceMessage() const;
    // The kind of a voice message without its channel (0x80 note off, 0x90 note on, ...);
    // the status byte itself for other messages; 0 for an empty message.
    int status() const;
    // 1 to 16 for voice messages, 0 otherwise.
    int channel() const;
    // For voice messages only; the channel is brought into 1-16.
    void setChannel(int channel);
    int dataByte1() const;
    int dataByte2() const;

    friend bool operator==(const MIDIMessage& a, const MIDIMessage& b) { return a.bytes_ == b.bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
    std::uint64_t timeStamp_ = 0;
};
