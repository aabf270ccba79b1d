#pragma once

#include "PcmSoundPlayer.h"

#include <QString>
#include <QtGlobal>

// Plays raw little-endian 16-bit PCM (one channel, or interleaved channels) once through
// the process's audio output at its own sample rate. A new playback ends the one before.
// Main thread only.
class QVPCMFilePlayer {
public:
    QVPCMFilePlayer();
    virtual ~QVPCMFilePlayer();
    QVPCMFilePlayer(const QVPCMFilePlayer&) = delete;
    QVPCMFilePlayer& operator=(const QVPCMFilePlayer&) = delete;

    // Stores the format, reads the whole file and plays it. False, logged and with the
    // reason in *error, for a file that cannot be read or a format out of bounds (1 to 32
    // channels, 8000 to 192000 Hz, 16 bits).
    bool playFileWithPath(const QString& path, unsigned numChannels, double sampleRate, unsigned bitsPerChannel,
                          QString* error = nullptr);
    // Plays `length` bytes of samples in the stored format (none before the first file).
    // An empty buffer starts nothing.
    bool playbuffer(const qint16* samples, qint64 length, QString* error = nullptr);
    // Ends playback at once, then frees the data.
    void stop();
    bool isPlaying() const { return sounds_.isPlaying(); }

    // Applied when the next playback starts; 1.0 at first.
    double volume() const { return volume_; }
    void setVolume(double volume) { volume_ = volume; }

protected:
    // Logs the message and hands it to *error; false.
    static bool fail(QString* error, const QString& message);

private:
    double sampleRate_ = 0;
    unsigned numChannels_ = 0;
    unsigned bitsPerChannel_ = 0;
    double volume_ = 1.0;
    PcmSoundPlayer sounds_;
};
