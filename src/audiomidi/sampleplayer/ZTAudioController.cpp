#include "ZTAudioController.h"

#include "AudioOutput.h"
#include "Log.h"

#include <algorithm>
#include <array>
#include <cstring>

ZTAudioController::~ZTAudioController()
{
    AudioOutput::sharedOutput()->removeSource(this);
}

bool ZTAudioController::attach()
{
    if (AudioOutput::sharedOutput()->addSource(this))
        return true;
    Log::line(QString::asprintf("Error starting unit: %hd", short(-1)));
    return false;
}

void ZTAudioController::start()
{
    if (!isRunning() && attach())
        setIsRunning(true);
}

void ZTAudioController::stop()
{
    AudioOutput::sharedOutput()->removeSource(this);
}

void ZTAudioController::pause()
{
    ZTAudioController::stop();
}

void ZTAudioController::resume()
{
    if (isRunning())
        attach();
}

void ZTAudioController::fillAUBufferCanonical(float* buffer, int frames)
{
    std::memset(buffer, 0, std::size_t(std::max(frames, 0)) * sizeof(float));
}

bool ZTAudioController::isSounding() const noexcept
{
    return false;
}

void ZTAudioController::render(float* interleavedStereo, std::size_t frames)
{
    std::array<float, kChunkFrames> mono;
    for (std::size_t done = 0; done < frames;) {
        const std::size_t chunk = std::min(kChunkFrames, frames - done);
        fillAUBufferCanonical(mono.data(), int(chunk));
        float* out = interleavedStereo + done * 2;
        for (std::size_t i = 0; i < chunk; ++i) {
            out[2 * i] += mono[i];
            out[2 * i + 1] += mono[i];
        }
        done += chunk;
    }
}
