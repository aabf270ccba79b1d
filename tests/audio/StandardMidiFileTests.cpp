#include "StandardMidiFile.h"

#include <gtest/gtest.h>

namespace {

QByteArray chunk(const char* type, const QByteArray& body)
{
    QByteArray out(type, 4);
    const quint32 n = quint32(body.size());
    out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return out + body;
}

QByteArray header(int format, int tracks, int division)
{
    QByteArray body;
    body.append(char(format >> 8)).append(char(format));
    body.append(char(tracks >> 8)).append(char(tracks));
    body.append(char(division >> 8)).append(char(division));
    return chunk("MThd", body);
}

QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

} // namespace

TEST(StandardMidiFile, ReadsNotesPerChannelWithTempoAndRunningStatus)
{
    // Track 0: tempo 500000 us (120 BPM), then 1000000 us (60 BPM) at beat 2.
    const QByteArray tempoTrack = bytes({0x00, 0xFF, 0x51, 0x03, 0x07, 0xA1, 0x20,
                                         0x83, 0x00, 0xFF, 0x51, 0x03, 0x0F, 0x42, 0x40,
                                         0x00, 0xFF, 0x2F, 0x00});
    // Track 1 (division 192): C4 on channel 1 for a beat, E4 by running status with a
    // velocity-0 off, a program change, a sysex, a drum note on channel 10 that never ends.
    const QByteArray noteTrack = bytes({0x00, 0x90, 60, 100,
                                        0x81, 0x40, 0x80, 60, 0,
                                        0x00, 0x90, 64, 80,
                                        0x60, 64, 0,
                                        0x00, 0xC0, 5,
                                        0x00, 0xF0, 0x03, 0x7E, 0x7F, 0xF7,
                                        0x00, 0x99, 36, 110,
                                        0x81, 0x40, 0xFF, 0x2F, 0x00});
    const QByteArray file = header(1, 2, 192) + chunk("MTrk", tempoTrack) + chunk("XTRA", "??") +
                            chunk("MTrk", noteTrack);
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
    const QByteArray good = bytes({0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00});
    ASSERT_TRUE(StandardMidiFile::read(header(0, 1, 96) + chunk("MTrk", good)));

    struct Case {
        const char* what;
        QByteArray file;
        int status;
    };
    const std::vector<Case> cases{
        {"not MIDI", QByteArray("RIFF....WAVEfmt "), StandardMidiFile::NotAMidiFile},
        {"short header", QByteArray("MThd\0\0\0\x02\0\0", 10), StandardMidiFile::NotAMidiFile},
        {"SMPTE timing", header(0, 1, 0xE728) + chunk("MTrk", good), StandardMidiFile::UnsupportedTimeDivision},
        {"no tracks", header(0, 1, 96), StandardMidiFile::NoTracks},
        {"data before any status", header(0, 1, 96) + chunk("MTrk", bytes({0x00, 60, 100})),
         StandardMidiFile::MalformedTrack},
        {"endless delta", header(0, 1, 96) + chunk("MTrk", bytes({0xFF, 0xFF, 0xFF, 0xFF, 0x7F})),
         StandardMidiFile::MalformedTrack},
        {"meta past the end", header(0, 1, 96) + chunk("MTrk", bytes({0x00, 0xFF, 0x01, 0x40, 'a'})),
         StandardMidiFile::MalformedTrack},
        {"note cut off", header(0, 1, 96) + chunk("MTrk", bytes({0x00, 0x90, 60})),
         StandardMidiFile::MalformedTrack},
    };
    for (const Case& c : cases) {
        int status = 0;
        EXPECT_FALSE(StandardMidiFile::read(c.file, &status)) << c.what;
        EXPECT_EQ(status, c.status) << c.what;
    }
}
