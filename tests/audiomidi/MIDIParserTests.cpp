#include "MIDIParser.h"

#include <gtest/gtest.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

std::vector<Bytes> parse(MIDIParser& parser, const Bytes& input)
{
    std::vector<Bytes> out;
    for (const MIDIMessage& message : parser.parse(input))
        out.push_back(message.bytes());
    return out;
}

} // namespace

TEST(MIDIParser, ExpandsRunningStatusAndKeepsRealTimeApart)
{
    MIDIParser parser;
    // Two notes by running status, a clock byte inside the second, a program change
    // (one data byte) by running status.
    EXPECT_EQ(parse(parser, {0x91, 60, 100, 62, 0xF8, 90, 0xC2, 5, 7}),
              (std::vector<Bytes>{{0x91, 60, 100}, {0xF8}, {0x91, 62, 90}, {0xC2, 5}, {0xC2, 7}}));
    EXPECT_EQ(parser.droppedTotal(), 0u);

    // A message split across two deliveries is completed; running status carries over.
    EXPECT_TRUE(parse(parser, {0x80, 60}).empty());
    EXPECT_EQ(parse(parser, {64, 61, 0}), (std::vector<Bytes>{{0x80, 60, 64}, {0x80, 61, 0}}));

    const MIDIMessage note = parser.parse(Bytes{0x94, 70, 33})[0];
    EXPECT_TRUE(note.isVoiceMessage());
    EXPECT_EQ(note.status(), 0x90);
    EXPECT_EQ(note.channel(), 5);
    EXPECT_EQ(note.dataByte1(), 70);
    EXPECT_EQ(note.dataByte2(), 33);
}

TEST(MIDIParser, CollectsSystemExclusiveAndDropsWhatIsBroken)
{
    MIDIParser parser;
    EXPECT_EQ(parse(parser, {0xF0, 0x7E, 0xFE, 0x7F, 0xF7}), (std::vector<Bytes>{{0xFE}, {0xF0, 0x7E, 0x7F, 0xF7}}));
    // Running status ended with the exclusive message: these data bytes have no status.
    EXPECT_TRUE(parse(parser, {60, 100}).empty());
    EXPECT_EQ(parser.droppedByLastParse(), 2u);

    struct Case {
        const char* what;
        Bytes input;
        std::vector<Bytes> out;
        std::size_t dropped;
    };
    const std::vector<Case> cases{
        {"note cut short by a new status", {0x90, 60, 0x80, 61, 0}, {{0x80, 61, 0}}, 2},
        {"exclusive cut short", {0xF0, 1, 2, 0x90, 60, 1}, {{0x90, 60, 1}}, 3},
        {"end of exclusive alone", {0xF7, 0xB0, 7, 100}, {{0xB0, 7, 100}}, 1},
        {"undefined status", {0xF4, 0xF9, 0xFD, 0xFA}, {{0xFA}}, 3},
        {"system common ends running status", {0x90, 60, 1, 0xF6, 61, 1}, {{0x90, 60, 1}, {0xF6}}, 2},
        {"song position", {0xF2, 1, 2}, {{0xF2, 1, 2}}, 0},
    };
    for (const Case& c : cases) {
        MIDIParser fresh;
        EXPECT_EQ(parse(fresh, c.input), c.out) << c.what;
        EXPECT_EQ(fresh.droppedByLastParse(), c.dropped) << c.what;
    }

    MIDIParser big;
    Bytes huge{0xF0};
    huge.insert(huge.end(), MIDIParser::kMaxSysExBytes + 10, 0x11);
    huge.push_back(0xF7);
    huge.insert(huge.end(), {0x90, 60, 1});
    EXPECT_EQ(parse(big, huge), (std::vector<Bytes>{{0x90, 60, 1}}));
    EXPECT_EQ(big.droppedByLastParse(), MIDIParser::kMaxSysExBytes + 12);
}

TEST(MIDIMessage, ChannelIsKeptInRange)
{
    MIDIMessage message = MIDIMessage::voiceMessage(0, 0x90, 60, 100);
    message.setChannel(0);
    EXPECT_EQ(message.channel(), 1);
    message.setChannel(99);
    EXPECT_EQ(message.channel(), 16);
    EXPECT_EQ(message.bytes(), (std::vector<std::uint8_t>{0x9F, 60, 100}));
    EXPECT_EQ(MIDIMessage::voiceMessage(0, 0xC3, 200, 9).bytes(), (std::vector<std::uint8_t>{0xC3, 72}));

    MIDIMessage sysex({0xF0, 1, 0xF7});
    EXPECT_FALSE(sysex.isVoiceMessage());
    EXPECT_EQ(sysex.channel(), 0);
    sysex.setChannel(3);
    EXPECT_EQ(sysex.bytes()[0], 0xF0);
}
