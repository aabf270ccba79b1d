// Ogg Vorbis files (the encyclopedia's sounds) decoded to PCM.
#include "FuzzEnvironment.h"
#include "OggVorbisDecoder.h"
#include "PcmSound.h"

#include <QBuffer>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzEnvironment::shared();
    QByteArray bytes = FuzzEnvironment::bytes(data, size);
    QBuffer input(&bytes);
    QByteArray pcm;
    QBuffer output(&pcm);
    FUZZ_REQUIRE(input.open(QIODevice::ReadOnly) && output.open(QIODevice::WriteOnly));
    OggVorbisDecoder decoder(input, output);
    const unsigned rate = decoder.decode();
    FUZZ_REQUIRE(rate == 0 || PcmSound::isSupportedSampleRate(rate));
    // 16-bit stereo frames, no more than a sound may hold.
    FUZZ_REQUIRE(pcm.size() % 4 == 0);
    FUZZ_REQUIRE(std::size_t(pcm.size()) / 4 <= PcmSound::kMaxFrames);
    return 0;
}
