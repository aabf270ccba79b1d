#include "AudioMidiTestSupport.h"

#include <QFile>

namespace {

class InstrumentTest : public AudioMidiTest {
protected:
    void SetUp() override
    {
        AudioMidiTest::SetUp();
        instrument = std::make_unique<RecordingInstrument>();
        instrument->init();
        instrument->setDelegate(&delegate);
        start = MainQueue::now();
    }
    void TearDown() override
    {
        instrument.reset();
        AudioMidiTest::TearDown();
    }
    double at(double seconds) const { return start + seconds; }

    RecordingDelegate delegate;
    std::unique_ptr<RecordingInstrument> instrument;
    double start = 0;
};

} // namespace

TEST_F(InstrumentTest, SingleNotesUseTheDefaultVelocityAndAllNotesOffCoversTheRange)
{
    instrument->noteOn(60);
    const auto first = instrument->calls();
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].velocity, 110u);

    instrument->clear();
    instrument->allNotesOff();
    const auto offs = instrument->calls();
    ASSERT_EQ(offs.size(), 128u);
    for (int i = 0; i < 128; ++i) {
        EXPECT_EQ(offs[i].kind, 'f');
        EXPECT_EQ(offs[i].note, i);
    }
    EXPECT_EQ(instrument->volume(), 0.0f);
    instrument->setVolume(0.7f);
    EXPECT_EQ(instrument->volume(), 0.0f);
}

TEST_F(InstrumentTest, EmptySequenceStartsAndStopsAtTheFirstTick)
{
    instrument->playSequence(MusicSequence());
    ASSERT_EQ(delegate.events.size(), 1u);
    EXPECT_EQ(delegate.events[0].second, 's');
    queue.advance(0.49);
    EXPECT_EQ(delegate.events.size(), 1u);
    queue.advance(0.02);
    ASSERT_EQ(delegate.events.size(), 2u);
    EXPECT_EQ(delegate.events[1].second, 'e');
    EXPECT_FALSE(instrument->hasDetectPlayingTimer());

    instrument->stopPlayer(); // nothing plays: no second did-stop
    queue.advance(2);
    EXPECT_EQ(delegate.events.size(), 2u);
}

TEST_F(InstrumentTest, SequenceEndsTwoBeatsAfterTheLastStartOrWhenTheLastNoteEnds)
{
    MusicSequence legato; // 120 BPM: starts at 0 and 0.5 s, last start + 2 beats = 1.5 s
    MusicTrack& track = legato.newTrack();
    track.addNote(note(0, 60, 1));
    track.addNote(note(1, 64, 1));
    instrument->playSequence(legato);
    EXPECT_DOUBLE_EQ(instrument->sequenceLength(), 3.0);
    queue.advance(1.2);
    EXPECT_EQ(delegate.events.size(), 1u);
    queue.advance(0.4);
    ASSERT_EQ(delegate.events.size(), 2u);
    EXPECT_NEAR(delegate.events[1].first, at(1.5), 1e-6);

    // One note of six beats: its end (3 s), not two beats after its start, ends it.
    instrument->clear();
    delegate.events.clear();
    MusicSequence longNote;
    longNote.newTrack().addNote(note(0, 48, 6));
    instrument->playSequence(longNote);
    EXPECT_DOUBLE_EQ(instrument->sequenceLength(), 6.0);
    queue.advance(2.9);
    EXPECT_TRUE(instrument->isPlaying());
    EXPECT_EQ(delegate.events.size(), 1u);
    queue.advance(0.7);
    ASSERT_EQ(delegate.events.size(), 2u);
    const auto calls = instrument->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[1].kind, 'f');
    EXPECT_LE(calls[1].time, delegate.events[1].first); // the note ended before did-stop
    EXPECT_NEAR(calls[1].time - calls[0].time, 3.0, 0.002);
}

TEST_F(InstrumentTest, StoppingOrReplacingASequenceSilencesItsNotes)
{
    MusicSequence first;
    first.newTrack().addNote(note(0, 60, 4, 2));
    instrument->playSequence(first);
    queue.advance(0.3);

    MusicSequence second;
    second.newTrack().addNote(note(0, 67, 4));
    instrument->playSequence(second); // replaces the first without a did-stop
    ASSERT_EQ(delegate.events.size(), 2u);
    EXPECT_EQ(delegate.events[1].second, 's');
    auto calls = instrument->calls();
    ASSERT_EQ(calls.size(), 3u);
    EXPECT_EQ(calls[1].kind, 'f');
    EXPECT_EQ(calls[1].note, 60);
    EXPECT_EQ(calls[1].channel, 2);

    queue.advance(0.3);
    instrument->stopPlayer();
    ASSERT_EQ(delegate.events.size(), 3u);
    EXPECT_EQ(delegate.events[2].second, 'e');
    calls = instrument->calls();
    ASSERT_EQ(calls.size(), 4u);
    EXPECT_EQ(calls[3].kind, 'f');
    EXPECT_EQ(calls[3].note, 67);
    EXPECT_FALSE(instrument->isPlaying());
    EXPECT_EQ(instrument->time(), 0.0);
    EXPECT_FALSE(instrument->musicSequence());
}

TEST_F(InstrumentTest, PlaysMidiFilesAndRefusesBrokenOnes)
{
    // Format 0, 96 ticks per beat: a program change, a controller, then one note.
    const QByteArray track = QByteArray::fromHex("00c00500b0076400903c6460803c0000ff2f00");
    QByteArray file = QByteArray::fromHex("4d546864000000060000000100604d54726b");
    file.append(char(0)).append(char(0)).append(char(0)).append(char(track.size()));
    file.append(track);

    instrument->playMidiData(file);
    ASSERT_EQ(delegate.events.size(), 1u);
    queue.advance(1.0);
    const auto calls = instrument->calls();
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].note, 60);
    EXPECT_NEAR(calls[1].time - calls[0].time, 0.5, 0.002);

    LogCapture log;
    delegate.events.clear();
    instrument->playMidiData(QByteArray("not a MIDI file at all"));
    EXPECT_TRUE(log.contains(QStringLiteral("error creating Music Sequence from data with Error Code: -1")));
    EXPECT_TRUE(delegate.events.empty());
}
