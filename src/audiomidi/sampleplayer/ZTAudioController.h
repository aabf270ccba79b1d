#pragma once

#include "AudioRenderSource.h"
#include "QVMusicPlayerInstrument.h"

#include <cstddef>

// The output half of the built-in sample synthesizer: a source of the process's audio
// output that asks its subclass for mono frames and spreads them to both channels.
// Sequences play through the music-player machinery of its base.
//
// Main thread, except render() and fillAUBufferCanonical() (render thread, never block).
// A subclass calls stop() in its own destructor, before its members go.
class ZTAudioController : public QVMusicPlayerInstrument, public AudioRenderSource {
public:
    ~ZTAudioController() override;

    // Registers with the audio output (opening it on first use); sets isRunning. Nothing
    // happens while it runs already. A failure is logged and leaves it silent.
    void start() override;
    // Unregisters; on return the render thread no longer calls this controller.
    // isRunning is left to the subclass.
    void stop() override;
    // Unregisters while the sound is rebuilt; resume() registers again when running.
    void pause();
    void resume();

    // Fills a mono buffer; silence here.
    virtual void fillAUBufferCanonical(float* buffer, int frames);
    void render(float* interleavedStereo, std::size_t frames) final;
    // Render thread: whether fillAUBufferCanonical() gives sound; never here.
    bool isSounding() const noexcept override;

private:
    // Registers with the output; false (logged) when it has no room.
    bool attach();

    static constexpr std::size_t kChunkFrames = 256;
};
