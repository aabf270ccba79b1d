#include "MIDIMessage.h"

#include <algorithm>

MIDIMessage::MIDIMessage(std::vector<std::uint8_t> bytes, std::uint64_t timeStamp)
    : bytes_(std::move(bytes))
    , timeStamp_(timeStamp)
{
}

MIDIMessage MIDIMessage::voiceMessage(std::uint64_t timeStamp, std::uint8_t statusByte,
                                      std::uint8_t dataByte1, std::uint8_t dataByte2)
{
    std::vector<std::uint8_t> bytes{statusByte, std::uint8_t(dataByte1 & 0x7F)};
    if (dataLength(statusByte) == 2)
        bytes.push_back(dataByte2 & 0x7F);
    return MIDIMessage(std::move(bytes), timeStamp);
}

int MIDIMessage::dataLength(std::uint8_t statusByte)
{
    if (statusByte < 0x80)
        return -1;
    if (statusByte < 0xF0) {
        const int kind = statusByte & 0xF0;
        return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
    }
    switch (statusByte) {
    case 0xF1: // time code quarter frame
    case 0xF3: // song select
        return 1;
    case 0xF2: // song position
        return 2;
    case 0xF6: // tune request
    case 0xF8: case 0xFA: case 0xFB: case 0xFC: case 0xFE: case 0xFF:
        return 0;
    default: // 0xF0 open length; 0xF4, 0xF5, 0xF7 alone, 0xF9, 0xFD undefined
        return -1;
    }
}

bool MIDIMessage::isVoiceMessage() const
{
    return !bytes_.empty() && bytes_[0] >= 0x80 && bytes_[0] < 0xF0 &&
           int(bytes_.size()) == 1 + dataLength(bytes_[0]);
}

int MIDIMessage::status() const
{
    if (bytes_.empty())
        return 0;
    return isVoiceMessage() ? (bytes_[0] & 0xF0) : bytes_[0];
}

int MIDIMessage::channel() const
{
    return isVoiceMessage() ? (bytes_[0] & 0x0F) + 1 : 0;
}

void MIDIMessage::setChannel(int channel)
{
    if (!isVoiceMessage())
        return;
    channel = std::clamp(channel, 1, 16);
    bytes_[0] = std::uint8_t((bytes_[0] & 0xF0) | (channel - 1));
}

int MIDIMessage::dataByte1() const
{
    return bytes_.size() > 1 ? bytes_[1] : 0;
}

int MIDIMessage::dataByte2() const
{
    return bytes_.size() > 2 ? bytes_[2] : 0;
}
