#include "MusicSequence.h"

#include <algorithm>
#include <cmath>

MusicNoteEvent MusicNoteEvent::message(long long channel, long long note, long long velocity)
{
    MusicNoteEvent event;
    event.channel = static_cast<std::uint8_t>(std::clamp(channel, 0LL, 15LL));
    event.note = static_cast<std::uint16_t>(std::clamp(note, 0LL, 255LL));
    event.velocity = static_cast<std::uint8_t>(std::clamp(velocity, 1LL, 127LL));
    event.releaseVelocity = 0;
    return event;
}

MusicSequenceStatus MusicTrack::addNote(MusicNoteEvent event)
{
    if (!std::isfinite(event.beat) || event.beat < 0)
        return MusicSequenceInvalidBeat;
    if (!std::isfinite(event.duration) || event.duration < 0)
        return MusicSequenceInvalidDuration;
    event.velocity = std::clamp<std::uint8_t>(event.velocity, 1, 127);
    event.releaseVelocity = std::min<std::uint8_t>(event.releaseVelocity, 127);
    event.channel = std::min<std::uint8_t>(event.channel, 15);
    event.note = std::min<std::uint16_t>(event.note, 255);
    notes_.push_back(event);
    return MusicSequenceNoErr;
}

MusicSequenceStatus MusicTrack::addChannelEvent(MusicChannelEvent event)
{
    if (!std::isfinite(event.beat) || event.beat < 0)
        return MusicSequenceInvalidBeat;
    event.channel = std::min<std::uint8_t>(event.channel, 15);
    event.number = std::min<std::uint8_t>(event.number, 127);
    event.value = std::min<std::uint16_t>(event.value, event.kind == MusicChannelEvent::Kind::PitchBend ? 16383 : 127);
    channelEvents_.push_back(event);
    return MusicSequenceNoErr;
}

MusicTrack& MusicSequence::newTrack()
{
    return tracks_.emplace_back();
}

MusicSequenceStatus MusicSequence::setTempo(double beat, double beatsPerMinute)
{
    if (!std::isfinite(beat) || beat < 0)
        return MusicSequenceInvalidBeat;
    if (!std::isfinite(beatsPerMinute) || beatsPerMinute <= 0)
        return MusicSequenceInvalidTempo;
    auto sameBeat = std::find_if(tempo_.begin(), tempo_.end(),
                                 [beat](const MusicTempoEvent& e) { return e.beat == beat; });
    if (sameBeat != tempo_.end()) {
        sameBeat->beatsPerMinute = beatsPerMinute;
        return MusicSequenceNoErr;
    }
    tempo_.push_back({beat, beatsPerMinute});
    std::sort(tempo_.begin(), tempo_.end(),
              [](const MusicTempoEvent& a, const MusicTempoEvent& b) { return a.beat < b.beat; });
    return MusicSequenceNoErr;
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

QString MusicSequence::description() const
{
    QString text;
    for (const MusicTempoEvent& tempo : tempo_)
        text += QStringLiteral("tempo beat %1: %2 bpm\n").arg(tempo.beat).arg(tempo.beatsPerMinute);
    for (std::size_t t = 0; t < tracks_.size(); ++t) {
        text += QStringLiteral("track %1\n").arg(t);
        for (const MusicNoteEvent& e : tracks_[t].notes())
            text += QStringLiteral("  beat %1: channel %2 note %3 velocity %4 release %5 duration %6\n")
                        .arg(e.beat)
                        .arg(e.channel)
                        .arg(e.note)
                        .arg(e.velocity)
                        .arg(e.releaseVelocity)
                        .arg(e.duration);
        for (const MusicChannelEvent& e : tracks_[t].channelEvents())
            text += QStringLiteral("  beat %1: channel %2 %3 %4 value %5\n")
                        .arg(e.beat)
                        .arg(e.channel)
                        .arg(e.kind == MusicChannelEvent::Kind::ProgramChange ? QStringLiteral("program")
                             : e.kind == MusicChannelEvent::Kind::Controller  ? QStringLiteral("controller")
                                                                             : QStringLiteral("pitch bend"))
                        .arg(e.number)
                        .arg(e.value);
    }
    return text;
}
