#pragma once

#include <QString>

#include <ogg/ogg.h>

#include <cstdint>
#include <vector>

class QIODevice;

// Decodes an Ogg Vorbis file, every logical stream of a chained file in turn, into
// little-endian 16-bit stereo frames: mono is sent to both sides, and of more channels
// the front left and right are kept. Streams at another sample rate than the first are
// skipped. Logs the streams' comments and damage it decodes past; bounds the sample rate
// and the length (PcmSound's limits).
class OggVorbisDecoder {
public:
    static constexpr int kChunkBytes = 4096;
    static constexpr int kMaxLoggedComments = 32;

    OggVorbisDecoder(QIODevice& input, QIODevice& output);
    ~OggVorbisDecoder();
    OggVorbisDecoder(const OggVorbisDecoder&) = delete;
    OggVorbisDecoder& operator=(const OggVorbisDecoder&) = delete;

    // The whole input: the sample rate of the sound written, or 0 with error() saying why.
    unsigned decode();
    const QString& error() const { return error_; }

    // A decoded sample as a 16-bit value; sets *clipped when it had to be cut to the range.
    static std::int16_t toPcm16(float sample, bool* clipped);

private:
    struct Stream;

    // Hands the next piece of the input to the sync layer: bytes read, or -1.
    qint64 readChunk();
    bool readHeaders(Stream& stream);
    void logComments(const Stream& stream) const;
    bool decodeAudio(Stream& stream, bool keep);
    bool writeFrames(float** pcm, int channels, int frames, long sequence);
    // Keeps the message for error(); false.
    bool fail(const QString& message);

    QIODevice& input_;
    QIODevice& output_;
    ogg_sync_state sync_;
    ogg_page page_;
    std::vector<char> frameBytes_;
    std::size_t framesWritten_ = 0;
    QString error_;
};
