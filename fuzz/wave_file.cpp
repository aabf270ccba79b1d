// Answer sounds: WAV files read and converted to the output's rate.
#include "FuzzEnvironment.h"
#include "ZTWaveFilePlayer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment& environment = FuzzEnvironment::shared();
    const QString path = environment.resources() + QStringLiteral("/sounds/fuzz.wav");
    FuzzEnvironment::writeFile(path, FuzzEnvironment::bytes(data, size));
    const std::optional<ZTWaveFilePlayer::Sound> sound = ZTWaveFilePlayer::readWaveFile(path);
    if (!sound)
        return 0;
    constexpr unsigned kOutputRate = 48000;
    const ZTWaveFilePlayer::Sound converted = ZTWaveFilePlayer::resampled(*sound, kOutputRate);
    // An answer sound lasts a minute at most, whatever its rate was.
    FUZZ_REQUIRE(converted.frameCount() <= 60 * kOutputRate + 1);
    return 0;
}
