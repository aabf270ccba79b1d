#pragma once

#include <QByteArray>
#include <QList>

#include <initializer_list>

// Standard MIDI File bytes for the readers' and players' tests.

inline QByteArray midiChunk(const char* type, const QByteArray& body)
{
    QByteArray out(type, 4);
    const quint32 n = quint32(body.size());
    out.append(char(n >> 24)).append(char(n >> 16)).append(char(n >> 8)).append(char(n));
    return out + body;
}

inline QByteArray midiHeader(int format, int tracks, int division)
{
    QByteArray body;
    body.append(char(format >> 8)).append(char(format));
    body.append(char(tracks >> 8)).append(char(tracks));
    body.append(char(division >> 8)).append(char(division));
    return midiChunk("MThd", body);
}

inline QByteArray midiBytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int v : values)
        out.append(char(v));
    return out;
}

// A format-1 file of the given track bodies ("MTrk" chunks).
inline QByteArray midiFile(int division, const QList<QByteArray>& tracks)
{
    QByteArray file = midiHeader(1, int(tracks.size()), division);
    for (const QByteArray& track : tracks)
        file += midiChunk("MTrk", track);
    return file;
}

// Two instruments at 96 ticks per beat. Channel 1: program 5 and a C4 for a beat. Channel 2:
// program 40, volume 90 and a pitch bend of 10240, then a G4 for a beat.
inline QList<QByteArray> twoInstrumentTracks()
{
    return {midiBytes({0x00, 0xC0, 5, 0x00, 0x90, 60, 100, 0x60, 0x80, 60, 0, 0x00, 0xFF, 0x2F, 0x00}),
            midiBytes({0x00, 0xC1, 40, 0x00, 0xB1, 7, 90, 0x00, 0xE1, 0x00, 0x50,
                       0x00, 0x91, 67, 100, 0x60, 0x81, 67, 0, 0x00, 0xFF, 0x2F, 0x00})};
}
