// Bytes from a MIDI source: whole messages come out, the same ones however the bytes are
// split into calls. The first byte of the input sets the size of the pieces.
#include "FuzzEnvironment.h"
#include "MIDIParser.h"

#include <algorithm>

namespace {

void requireWellFormed(const MIDIMessage& message)
{
    const std::vector<std::uint8_t>& bytes = message.bytes();
    FUZZ_REQUIRE(!bytes.empty() && bytes.front() >= 0x80);
    if (bytes.front() == 0xF0) {
        FUZZ_REQUIRE(bytes.back() == 0xF7 && bytes.size() <= MIDIParser::kMaxSysExBytes);
        FUZZ_REQUIRE(std::all_of(bytes.begin() + 1, bytes.end() - 1, [](std::uint8_t b) { return b < 0x80; }));
        return;
    }
    FUZZ_REQUIRE(int(bytes.size()) == 1 + MIDIMessage::dataLength(bytes.front()));
    FUZZ_REQUIRE(std::all_of(bytes.begin() + 1, bytes.end(), [](std::uint8_t b) { return b < 0x80; }));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::size_t piece = std::size_t(data[0] % 16) + 1;
    const std::vector<std::uint8_t> stream(data + 1, data + size);

    MIDIParser whole;
    const std::vector<MIDIMessage> all = whole.parse(stream);
    for (const MIDIMessage& message : all)
        requireWellFormed(message);

    MIDIParser split;
    std::vector<MIDIMessage> pieces;
    for (std::size_t at = 0; at < stream.size(); at += piece) {
        const std::size_t count = std::min(piece, stream.size() - at);
        const std::vector<MIDIMessage> some = split.parse(stream.data() + at, count);
        pieces.insert(pieces.end(), some.begin(), some.end());
    }
    FUZZ_REQUIRE(pieces == all);
    FUZZ_REQUIRE(split.droppedTotal() == whole.droppedTotal());
    return 0;
}
