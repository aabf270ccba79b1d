// Standard MIDI Files as the instruments read them into a music sequence.
#include "FuzzEnvironment.h"
#include "StandardMidiFile.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment::shared();
    int status = 0;
    const std::optional<MusicSequence> sequence = StandardMidiFile::read(FuzzEnvironment::bytes(data, size), &status);
    FUZZ_REQUIRE(sequence.has_value() == (status == StandardMidiFile::NoErr));
    if (!sequence)
        return 0;
    for (const MusicTrack& track : sequence->tracks()) {
        for (const MusicNoteEvent& note : track.notes()) {
            FUZZ_REQUIRE(std::isfinite(note.beat) && note.beat >= 0);
            FUZZ_REQUIRE(std::isfinite(note.duration) && note.duration >= 0);
            FUZZ_REQUIRE(note.channel < 16 && note.velocity >= 1 && note.velocity <= 127);
        }
    }
    const double length = sequence->lengthInBeats();
    sequence->secondsForBeat(length);
    sequence->beatForSeconds(1.0);
    sequence->description();
    return 0;
}
