// Answer sounds: WAV files as the answer-sound player reads them.
#include "FuzzEnvironment.h"
#include "ZTWaveFilePlayer.h"

#include <cmath>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    const QString path = environment.resources() + QStringLiteral("/sounds/fuzz.wav");
    FuzzEnvironment::writeFile(path, FuzzEnvironment::bytes(data, size));
    const std::optional<PcmSound> sound = ZTWaveFilePlayer::readWaveFile(path);
    if (!sound)
        return 0;
    FUZZ_REQUIRE(PcmSound::isSupportedSampleRate(sound->sampleRate));
    FUZZ_REQUIRE(sound->frameCount() <= PcmSound::kMaxFrames);
    for (const float sample : sound->frames)
        FUZZ_REQUIRE(std::isfinite(sample));
    return 0;
}
