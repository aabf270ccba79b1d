#pragma once

#include <QString>

#include <memory>

// Plays the short answer sounds (right / wrong) named by the sound settings. The built-in
// player renders WAV files through the process's audio output; tests install their own.
// Main thread only.
class ZTResultSoundPlayer {
public:
    virtual ~ZTResultSoundPlayer() = default;

    // The installed player, else the built-in one (made on first use).
    static ZTResultSoundPlayer* shared();
    // Null brings back the built-in player.
    static void setShared(std::shared_ptr<ZTResultSoundPlayer> player);

    // Plays the bundle sound of a result-sound id (resultSounds.plist); an id without an
    // entry plays nothing and is logged.
    static void playSoundWithId(const QString& soundId, float volume);

    virtual void playSoundFile(const QString& path, float volume) = 0;
};
