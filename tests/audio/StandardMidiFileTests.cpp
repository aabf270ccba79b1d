#include "MidiFiles.h"
#include "StandardMidiFile.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

TEST(StandardMidiFile, ReadsNotesPerChannelWithTempoAndRunningStatus)
{
    // Track 0: tempo 500000 us (120 BPM), then 1000000 us (60 BPM) at beat 2.
    const QByteArray tempoTrack = midiBytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                                         0x83, 0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,
                                         0x00, 0xFF, 0x2F, 0x00});
    // Track 1 (division 192): C4 on channel 1 for a beat, E4 by running status with a
    // velocity-0 off, a program change, a sysex, a drum note on channel 10 that never ends.
    const QByteArray noteTrack = midiBytes({0x00, 0x90, 60, 100,
                                        0x81, 0x40, 0x80, 60, 0,
                                        0x00, 0x90, 64, 80,
                                        0x60, 64, 0,
                                        0x00, 0xC0, 5,
                                        0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7,
                                        0x00, 0x99, 36, 110,
                                        0x81, 0x40, 0xFF, 0x2F, 0x00});
    const QByteArray file = midiHeader(1, 2, 192) + midiChunk("MTrk", tempoTrack) + midiChunk("XTRA", "??") +
                            midiChunk("MTrk", noteTrack);
    int status = 99;
    const std::optional<MusicSequence> sequence = StandardMidiFile::read(file, &status);
    ASSERT_TRUE(sequence);
    EXPECT_EQ(status, StandardMidiFile::NoErr);

    ASSERT_EQ(sequence->tempoTrack().size(), 2u);
    EXPECT_DOUBLE_EQ(sequence->tempoTrack()[0].beatsPerMinute, 120.0);
    EXPECT_DOUBLE_EQ(sequence->tempoTrack()[1].beat, 2.0);
    EXPECT_DOUBLE_EQ(sequence->tempoTrack()[1].beatsPerMinute, 60.0);

    ASSERT_EQ(sequence->tracks().size(), 2u); // channels 1 and 10
    const auto& melody = sequence->tracks()[0].notes();
    ASSERT_EQ(melody.size(), 2u);
    EXPECT_EQ(melody[0].note, 60);
    EXPECT_DOUBLE_EQ(melody[0].beat, 0.0);
    EXPECT_DOUBLE_EQ(melody[0].duration, 1.0);
    EXPECT_EQ(melody[1].note, 64);
    EXPECT_DOUBLE_EQ(melody[1].beat, 1.0);
    EXPECT_DOUBLE_EQ(melody[1].duration, 0.5);
    EXPECT_EQ(melody[1].velocity, 80);

    const auto& drums = sequence->tracks()[1].notes();
    ASSERT_EQ(drums.size(), 1u);
    EXPECT_EQ(drums[0].channel, 9);
    EXPECT_DOUBLE_EQ(drums[0].beat, 1.5);
    EXPECT_DOUBLE_EQ(drums[0].duration, 1.0); // closed where the track ends
}

TEST(StandardMidiFile, RefusesBrokenFiles)
{
    const QByteArray good = midiBytes({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
    ASSERT_TRUE(StandardMidiFile::read(midiHeader(0, 1, 96) + midiChunk("MTrk", good)));

    struct Case {
        const char* what;
        QByteArray file;
        int status;
    };
    std::vector<Case> cases{
        {"not MIDI", QByteArray("RIFF....WAVEfmt "), StandardMidiFile::NotAMidiFile},
        {"short header", QByteArray("MThd\0\0\0\x02\0\0", 10), StandardMidiFile::NotAMidiFile},
        {"SMPTE timing", midiHeader(0, 1, 0xE728) + midiChunk("MTrk", good), StandardMidiFile::UnsupportedTimeDivision},
        {"no tracks", midiHeader(0, 1, 96), StandardMidiFile::NoTracks},
        {"data before any status", midiHeader(0, 1, 96) + midiChunk("MTrk", midiBytes({0x00, 60, 100})),
         StandardMidiFile::MalformedTrack},
        {"endless delta", midiHeader(0, 1, 96) + midiChunk("MTrk", midiBytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})),
         StandardMidiFile::MalformedTrack},
        {"meta past the end", midiHeader(0, 1, 96) + midiChunk("MTrk", midiBytes({0x00, 0xFF, 0x01, 0x40, 'a'})),
         StandardMidiFile::MalformedTrack},
        {"note cut off", midiHeader(0, 1, 96) + midiChunk("MTrk", midiBytes({0x00, 0x90, 60})),
         StandardMidiFile::MalformedTrack},
    };
    // A file of more notes than any piece holds, split over two tracks, and one of tempo
    // changes alone: refused before the sequence takes their memory.
    QByteArray notes;
    QByteArray tempos;
    for (std::size_t i = 0; i < StandardMidiFile::kMaxEvents / 2 + 1; ++i) {
        notes += midiBytes({0x01, 0x90, 60, 100, 0x01, 0x80, 60, 0});
        tempos += midiBytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20, 0x01, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20});
    }
    cases.push_back({"too many notes", midiHeader(1, 2, 96) + midiChunk("MTrk", notes) + midiChunk("MTrk", notes),
                     StandardMidiFile::TooManyEvents});
    cases.push_back({"too many tempos", midiHeader(0, 1, 96) + midiChunk("MTrk", tempos), StandardMidiFile::TooManyEvents});
    // Exactly the budget is still a sequence.
    const QByteArray half = notes.left(8 * qsizetype(StandardMidiFile::kMaxEvents / 2));
    const auto full = StandardMidiFile::read(midiHeader(1, 2, 96) + midiChunk("MTrk", half) + midiChunk("MTrk", half));
    ASSERT_TRUE(full);
    EXPECT_EQ(full->tracks().front().notes().size(), StandardMidiFile::kMaxEvents);
    for (const Case& c : cases) {
        int status = 0;
        EXPECT_FALSE(StandardMidiFile::read(c.file, &status)) << c.what;
        EXPECT_EQ(status, c.status) << c.what;
    }
}

TEST(StandardMidiFile, KeepsProgramsControllersAndPitchBendsPerChannel)
{
    const QByteArray extra = midiBytes({0x00, 0xC2, 12,     // channel 3: only a program change
                                        0x00, 0xD1, 64,     // channel pressure: dropped
                                        0x00, 0xA1, 67, 30, // key pressure: dropped
                                        0x30, 0xE1, 0x7F, 0x7F, 0x00, 0xFF, 0x2F, 0x00});
    const std::optional<MusicSequence> sequence = StandardMidiFile::read(midiFile(96, twoInstrumentTracks() << extra));
    ASSERT_TRUE(sequence);
    ASSERT_EQ(sequence->tracks().size(), 3u); // one per channel, lowest first

    using Kind = MusicChannelEvent::Kind;
    auto described = [](const MusicTrack& track) {
        std::vector<std::tuple<double, Kind, int, int, int>> events;
        for (const MusicChannelEvent& e : track.channelEvents())
            events.emplace_back(e.beat, e.kind, e.channel, e.number, e.value);
        return events;
    };
    using Events = std::vector<std::tuple<double, Kind, int, int, int>>;
    EXPECT_EQ(described(sequence->tracks()[0]), (Events{{0.0, Kind::ProgramChange, 0, 5, 0}}));
    EXPECT_EQ(described(sequence->tracks()[1]),
              (Events{{0.0, Kind::ProgramChange, 1, 40, 0}, {0.0, Kind::Controller, 1, 7, 90},
                      {0.0, Kind::PitchBend, 1, 0, 0x50 << 7}, {0.5, Kind::PitchBend, 1, 0, 16383}}));
    EXPECT_EQ(described(sequence->tracks()[2]), (Events{{0.0, Kind::ProgramChange, 2, 12, 0}}));
    EXPECT_TRUE(sequence->tracks()[2].notes().empty());
    ASSERT_EQ(sequence->tracks()[1].notes().size(), 1u);
    EXPECT_EQ(sequence->tracks()[1].notes()[0].note, 67);
}
