#include "MusicSequence.h"

#include <gtest/gtest.h>

#include <limits>

TEST(MusicSequence, NoteMessagesStayInRange)
{
    const MusicNoteEvent low = MusicNoteEvent::message(-3, -1, 0);
    EXPECT_EQ(low.channel, 0);
    EXPECT_EQ(low.note, 0);
    EXPECT_EQ(low.velocity, 1); // never a silent note-on
    const MusicNoteEvent high = MusicNoteEvent::message(16, 300, 256);
    EXPECT_EQ(high.channel, 15);
    EXPECT_EQ(high.note, 255);
    EXPECT_EQ(high.velocity, 127);
    // The click notes of the built-in synthesizer pass unchanged.
    EXPECT_EQ(MusicNoteEvent::message(9, 129, 110).note, 129);
}

TEST(MusicSequence, RefusesEventsOutsideTime)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    MusicSequence sequence;
    MusicTrack& track = sequence.newTrack();
    MusicNoteEvent event = MusicNoteEvent::message(0, 60, 100);
    event.beat = -1;
    EXPECT_EQ(track.addNote(event), MusicSequenceInvalidBeat);
    event.beat = nan;
    EXPECT_EQ(track.addNote(event), MusicSequenceInvalidBeat);
    event.beat = 1;
    event.duration = -0.5;
    EXPECT_EQ(track.addNote(event), MusicSequenceInvalidDuration);
    event.duration = 0.5;
    event.velocity = 0;
    EXPECT_EQ(track.addNote(event), MusicSequenceNoErr);
    ASSERT_EQ(track.notes().size(), 1u);
    EXPECT_EQ(track.notes().at(0).velocity, 1);
    EXPECT_DOUBLE_EQ(sequence.lengthInBeats(), 1.5);

    EXPECT_EQ(sequence.setTempo(0, 0), MusicSequenceInvalidTempo);
    EXPECT_EQ(sequence.setTempo(0, nan), MusicSequenceInvalidTempo);
    EXPECT_EQ(sequence.setTempo(-1, 90), MusicSequenceInvalidBeat);
    EXPECT_TRUE(sequence.tempoTrack().empty());
}
