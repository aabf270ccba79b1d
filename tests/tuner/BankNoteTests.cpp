// Every built-in instrument's notes heard through the tuner as the microphone hands them in,
// played as the sample synthesizer plays them.
#include "../sampleplayer/BankPlayerTest.h"
#include "TunerListening.h"

namespace {

using namespace tuner_listening;

constexpr double kHeldSeconds = 1.5;
constexpr int kLowestNote = 40;  // E2
constexpr int kHighestNote = 84; // C6

class BankNoteTest : public BankPlayerTest {
protected:
    void TearDown() override
    {
        HandFedMicrophone::use(0);
        BankPlayerTest::TearDown();
    }

    // Each note from `lowest` to `highest`, its peak brought to `peak` as a microphone near the
    // loudspeaker hears it, is reported as that note and no other, with two onsets per note.
    // A struck or plucked note fades below the tuner's threshold within a few tenths of a
    // second, so that a pitch missed at its first hops is never confirmed.
    void expectNotesHeard(int lowest, int highest, float peak)
    {
        for (int note = lowest; note <= highest; ++note) {
            std::vector<float> tone = heldNote(note, kHeldSeconds);
            const float loudest = std::abs(*std::max_element(
                tone.begin(), tone.end(), [](float a, float b) { return std::abs(a) < std::abs(b); }));
            ASSERT_GT(loudest, 0.0f) << GetParam() << " note " << note;
            for (float& sample : tone)
                sample *= peak / loudest;
            for (std::size_t silence : silencesBefore(note, 0)) {
                const std::vector<long long> notes = listen(queue, afterSilence(silence, tone)).notes;
                EXPECT_EQ(notes, std::vector<long long>{note}) << describe(GetParam(), note, 0.0, silence);
            }
        }
    }
};

} // namespace

TEST_P(BankNoteTest, EveryNoteFromE2ToC6IsHeardAsThatNote)
{
    ASSERT_TRUE(play(GetParam()));
    expectNotesHeard(kLowestNote, kHighestNote, 0.9f);
}

INSTANTIATE_TEST_SUITE_P(Bank, BankNoteTest, ::testing::ValuesIn(kBankInstruments), byBankKey);

// The piano's fifth octave fades fastest of its notes: the pitch of its attack must count.
class PianoNoteTest : public BankNoteTest {};

TEST_P(PianoNoteTest, TheFifthOctaveIsHeardAtAModerateLevelFromItsAttack)
{
    ASSERT_TRUE(play(GetParam()));
    expectNotesHeard(74, kHighestNote, 0.7f);
}

INSTANTIATE_TEST_SUITE_P(Bank, PianoNoteTest, ::testing::Values("Piano"), byBankKey);
