#pragma once

#include <cstdint>

// A stream format: its rate and how its samples are laid out in packets and frames.
struct CAStreamBasicDescription {
    static constexpr std::uint32_t kFormatLinearPCM = 0x6C70636D; // "lpcm"
    static constexpr std::uint32_t kFlagIsSignedInteger = 1u << 2;
    static constexpr std::uint32_t kFlagIsPacked = 1u << 3;

    double sampleRate = 0;
    std::uint32_t formatID = 0;
    std::uint32_t formatFlags = 0;
    std::uint32_t bytesPerPacket = 0;
    std::uint32_t framesPerPacket = 0;
    std::uint32_t bytesPerFrame = 0;
    std::uint32_t channelsPerFrame = 0;
    std::uint32_t bitsPerChannel = 0;
    std::uint32_t reserved = 0;
};
