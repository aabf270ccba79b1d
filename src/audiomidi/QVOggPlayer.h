#pragma once

#include "QVPCMFilePlayer.h"

// Plays an Ogg Vorbis file: decodes it into a temporary file of 16-bit stereo PCM, plays
// that with its real channels at the file's rate, and removes the temporary file. Main
// thread only; decoding blocks it for as long as it takes.
class QVOggPlayer : public QVPCMFilePlayer {
public:
    // Ends what plays, then decodes and plays the file. False, logged and with the reason
    // in *error, for a file that cannot be read or decoded.
    bool playOggFileWithPath(const QString& path, QString* error = nullptr);
};
