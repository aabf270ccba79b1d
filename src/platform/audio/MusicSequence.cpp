#include "MusicSequence.h"

#include <algorithm>

void MusicTrack::addNote(MusicNoteEvent event)
{
    event.velocity = std::clamp<std::uint8_t>(event.velocity, 1, 127);
    event.releaseVelocity = std::min<std::uint8_t>(event.releaseVelocity, 127);
    event.channel = std::min<std::uint8_t>(event.channel, 15);
    event.duration = std::max(0.0, event.duration);
    notes_.push_back(event);
}

MusicTrack& MusicSequence::newTrack()
{
    return tracks_.emplace_back();
}

void MusicSequence::setTempo(double beat, double beatsPerMinute)
{
    if (beatsPerMinute <= 0)
        return;
    auto sameBeat = std::find_if(tempo_.begin(), tempo_.end(),
                                 [beat](const MusicTempoEvent& e) { return e.beat == beat; });
    if (sameBeat != tempo_.end()) {
        sameBeat->beatsPerMinute = beatsPerMinute;
        return;
    }
    tempo_.push_back({beat, beatsPerMinute});
    std::sort(tempo_.begin(), tempo_.end(),
              [](const MusicTempoEvent& a, const MusicTempoEvent& b) { return a.beat < b.beat; });
}

double MusicSequence::lengthInBeats() const
{
    double end = 0;
    for (const MusicTrack& track : tracks_)
        for (const MusicNoteEvent& note : track.notes())
            end = std::max(end, note.endBeat());
    return end;
}

bool MusicSequence::isEmpty() const
{
    return std::all_of(tracks_.begin(), tracks_.end(),
                       [](const MusicTrack& t) { return t.notes().empty(); });
}

double MusicSequence::secondsForBeat(double beat) const
{
    double seconds = 0;
    double segmentStart = 0;
    double bpm = 120;
    for (const MusicTempoEvent& change : tempo_) {
        if (change.beat >= beat)
            break;
        seconds += (change.beat - segmentStart) * 60.0 / bpm;
        segmentStart = change.beat;
        bpm = change.beatsPerMinute;
    }
    return seconds + (beat - segmentStart) * 60.0 / bpm;
}

double MusicSequence::beatForSeconds(double seconds) const
{
    double elapsed = 0;
    double segmentStart = 0;
    double bpm = 120;
    for (const MusicTempoEvent& change : tempo_) {
        const double segmentSeconds = (change.beat - segmentStart) * 60.0 / bpm;
        if (elapsed + segmentSeconds >= seconds)
            break;
        elapsed += segmentSeconds;
        segmentStart = change.beat;
        bpm = change.beatsPerMinute;
    }
    return segmentStart + (seconds - elapsed) * bpm / 60.0;
}
