#include "StandardMidiFile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <vector>

namespace {

struct Reader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos = 0;

    bool atEnd() const { return pos >= size; }
    bool has(std::size_t n) const { return pos <= size && size - pos >= n; }
    std::uint8_t byte() { return data[pos++]; }
    std::uint32_t be(int bytes)
    {
        std::uint32_t value = 0;
        for (int i = 0; i < bytes; ++i)
            value = (value << 8) | data[pos++];
        return value;
    }
    // A variable-length quantity: at most four bytes (28 bits).
    bool vlq(std::uint32_t& value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            if (atEnd())
                return false;
            const std::uint8_t b = byte();
            value = (value << 7) | (b & 0x7F);
            if ((b & 0x80) == 0)
                return true;
        }
        return false;
    }
};

struct OpenNote {
    std::uint64_t tick;
    std::uint8_t velocity;
};

struct TimedNote {
    std::uint64_t start;
    std::uint64_t end;
    std::uint8_t note;
    std::uint8_t velocity;
};

struct TimedChannelEvent {
    std::uint64_t tick;
    MusicChannelEvent event;
};

// What a file holds for one channel, from all its tracks.
struct ChannelContent {
    std::vector<TimedNote> notes;
    std::vector<TimedChannelEvent> events;
    bool empty() const { return notes.empty() && events.empty(); }
};

// The program, controller and pitch-bend messages; none for other kinds.
std::optional<MusicChannelEvent> channelEvent(int kind, int channel, std::uint8_t first, std::uint8_t second)
{
    MusicChannelEvent event;
    event.channel = std::uint8_t(channel);
    switch (kind) {
    case 0xC0:
        event.kind = MusicChannelEvent::Kind::ProgramChange;
        event.number = first;
        return event;
    case 0xB0:
        event.kind = MusicChannelEvent::Kind::Controller;
        event.number = first;
        event.value = second;
        return event;
    case 0xE0:
        event.kind = MusicChannelEvent::Kind::PitchBend;
        event.value = std::uint16_t(first | (second << 7));
        return event;
    default:
        return std::nullopt;
    }
}

enum class TrackResult { Read, Malformed, TooManyEvents };

// Parses one track's events; notes and channel messages go per channel, tempo changes into
// the map. Each kept event takes one from the file's budget.
TrackResult readTrack(Reader track, std::array<ChannelContent, 16>& channels, std::map<std::uint64_t, double>& tempo,
                      std::size_t& budget)
{
    std::uint64_t tick = 0;
    std::uint8_t runningStatus = 0;
    std::map<std::pair<int, int>, std::deque<OpenNote>> open;

    auto closeNote = [&](int channel, int note) {
        auto found = open.find({channel, note});
        if (found == open.end() || found->second.empty())
            return;
        const OpenNote started = found->second.front();
        found->second.pop_front();
        channels[channel].notes.push_back({started.tick, tick, std::uint8_t(note), started.velocity});
    };

    bool ok = true;
    while (!track.atEnd()) {
        std::uint32_t delta = 0;
        if (!track.vlq(delta)) {
            ok = false;
            break;
        }
        tick += delta;
        if (track.atEnd()) {
            ok = false;
            break;
        }
        std::uint8_t status = track.data[track.pos];
        if (status & 0x80) {
            ++track.pos;
        } else if (runningStatus) {
            status = runningStatus;
        } else {
            ok = false; // a data byte with no status to run on
            break;
        }

        if (status == 0xFF) {
            if (!track.has(1)) {
                ok = false;
                break;
            }
            const std::uint8_t type = track.byte();
            std::uint32_t length = 0;
            if (!track.vlq(length) || !track.has(length)) {
                ok = false;
                break;
            }
            if (type == 0x51 && length == 3) {
                const std::uint32_t microsecondsPerQuarter = track.be(3);
                if (microsecondsPerQuarter > 0) {
                    if (budget-- == 0)
                        return TrackResult::TooManyEvents;
                    tempo[tick] = 60000000.0 / microsecondsPerQuarter;
                }
            } else {
                track.pos += length;
            }
            if (type == 0x2F)
                break; // end of track
            continue;
        }
        if (status == 0xF0 || status == 0xF7) {
            runningStatus = 0;
            std::uint32_t length = 0;
            if (!track.vlq(length) || !track.has(length)) {
                ok = false;
                break;
            }
            track.pos += length;
            continue;
        }
        if (status >= 0xF0) {
            ok = false; // system messages have no place in a file
            break;
        }

        runningStatus = status;
        const int kind = status & 0xF0;
        const int channel = status & 0x0F;
        const int dataLength = (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
        if (!track.has(dataLength)) {
            ok = false;
            break;
        }
        const std::uint8_t first = track.byte() & 0x7F;
        const std::uint8_t second = dataLength == 2 ? (track.byte() & 0x7F) : 0;
        const std::optional<MusicChannelEvent> event = channelEvent(kind, channel, first, second);
        const bool opensNote = kind == 0x90 && second > 0;
        if ((opensNote || event) && budget-- == 0)
            return TrackResult::TooManyEvents;
        if (opensNote)
            open[{channel, first}].push_back({tick, second});
        else if (kind == 0x80 || kind == 0x90)
            closeNote(channel, first);
        else if (event)
            channels[channel].events.push_back({tick, *event});
    }
    // Notes the track never ends stop where the track does.
    for (auto& [key, starts] : open)
        while (!starts.empty())
            closeNote(key.first, key.second);
    return ok ? TrackResult::Read : TrackResult::Malformed;
}

} // namespace

std::optional<MusicSequence> StandardMidiFile::read(const QByteArray& bytes, int* status)
{
    auto fail = [status](Status code) -> std::optional<MusicSequence> {
        if (status)
            *status = code;
        return std::nullopt;
    };
    Reader file{reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                static_cast<std::size_t>(bytes.size())};
    if (!file.has(14) || bytes.left(4) != "MThd")
        return fail(NotAMidiFile);
    file.pos = 4;
    const std::uint32_t headerLength = file.be(4);
    if (headerLength < 6 || !file.has(headerLength))
        return fail(NotAMidiFile);
    file.be(2); // format: the tracks are merged by channel whatever it is
    const std::uint32_t trackCount = file.be(2);
    const std::uint32_t division = file.be(2);
    file.pos = 8 + headerLength;
    if ((division & 0x8000) || division == 0)
        return fail(UnsupportedTimeDivision);

    std::array<ChannelContent, 16> channels;
    std::map<std::uint64_t, double> tempo;
    std::uint32_t tracksRead = 0;
    std::size_t budget = kMaxEvents;
    while (tracksRead < trackCount && file.has(8)) {
        const QByteArray chunkType = bytes.mid(int(file.pos), 4);
        file.pos += 4;
        const std::uint32_t length = file.be(4);
        // Lengths in the wild are sometimes wrong at the end of the file; read what is there.
        const std::size_t available = std::min<std::size_t>(length, file.size - file.pos);
        if (chunkType == "MTrk") {
            Reader track{file.data + file.pos, available};
            switch (readTrack(track, channels, tempo, budget)) {
            case TrackResult::Read:
                break;
            case TrackResult::Malformed:
                return fail(MalformedTrack);
            case TrackResult::TooManyEvents:
                return fail(TooManyEvents);
            }
            ++tracksRead;
        }
        file.pos += available;
    }
    if (tracksRead == 0)
        return fail(NoTracks);

    MusicSequence sequence;
    for (const auto& [tick, bpm] : tempo)
        sequence.setTempo(double(tick) / division, bpm);
    for (int channel = 0; channel < 16; ++channel) {
        ChannelContent& content = channels[channel];
        if (content.empty())
            continue;
        std::stable_sort(content.notes.begin(), content.notes.end(),
                         [](const TimedNote& a, const TimedNote& b) { return a.start < b.start; });
        std::stable_sort(content.events.begin(), content.events.end(),
                         [](const TimedChannelEvent& a, const TimedChannelEvent& b) { return a.tick < b.tick; });
        MusicTrack& track = sequence.newTrack();
        for (TimedChannelEvent& timed : content.events) {
            timed.event.beat = double(timed.tick) / division;
            track.addChannelEvent(timed.event);
        }
        for (const TimedNote& note : content.notes) {
            MusicNoteEvent event;
            event.channel = std::uint8_t(channel);
            event.note = note.note;
            event.velocity = note.velocity;
            event.beat = double(note.start) / division;
            event.duration = double(note.end - note.start) / division;
            track.addNote(event);
        }
    }
    if (status)
        *status = NoErr;
    return sequence;
}
