#include "OggVorbisDecoder.h"

#include "Log.h"
#include "PcmSound.h"

#include <QIODevice>
#include <QtEndian>

#include <vorbis/codec.h>

#include <algorithm>
#include <cmath>

// One logical stream: its packets, its Vorbis set-up and its decoder.
struct OggVorbisDecoder::Stream {
    explicit Stream(int serial)
    {
        ogg_stream_init(&state, serial);
        vorbis_info_init(&info);
        vorbis_comment_init(&comment);
    }
    ~Stream()
    {
        if (synthesizing) {
            vorbis_block_clear(&block);
            vorbis_dsp_clear(&dsp);
        }
        ogg_stream_clear(&state);
        vorbis_comment_clear(&comment);
        vorbis_info_clear(&info);
    }
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    ogg_stream_state state;
    vorbis_info info;
    vorbis_comment comment;
    vorbis_dsp_state dsp;
    vorbis_block block;
    bool synthesizing = false;
};

OggVorbisDecoder::OggVorbisDecoder(QIODevice& input, QIODevice& output)
    : input_(input)
    , output_(output)
{
    ogg_sync_init(&sync_);
}

OggVorbisDecoder::~OggVorbisDecoder()
{
    ogg_sync_clear(&sync_);
}

bool OggVorbisDecoder::fail(const QString& message)
{
    error_ = message;
    return false;
}

qint64 OggVorbisDecoder::readChunk()
{
    char* buffer = ogg_sync_buffer(&sync_, kChunkBytes);
    const qint64 bytes = buffer ? input_.read(buffer, kChunkBytes) : -1;
    if (bytes > 0)
        ogg_sync_wrote(&sync_, long(bytes));
    return bytes;
}

unsigned OggVorbisDecoder::decode()
{
    unsigned rate = 0;
    for (;;) {
        const qint64 bytes = readChunk();
        if (bytes < 0) {
            fail(QStringLiteral("Error reading the Ogg file: %1").arg(input_.errorString()));
            return 0;
        }
        if (ogg_sync_pageout(&sync_, &page_) != 1) {
            if (bytes < kChunkBytes && rate != 0)
                return rate; // the end of the file, after the last stream
            fail(QStringLiteral("Input does not appear to be an Ogg bitstream."));
            return 0;
        }
        Stream stream(ogg_page_serialno(&page_));
        if (!readHeaders(stream))
            return 0;
        const long streamRate = stream.info.rate;
        if (!PcmSound::isSupportedSampleRate(double(streamRate))) {
            fail(QStringLiteral("The Vorbis stream's sample rate of %1 Hz is outside %2 to %3 Hz.")
                     .arg(streamRate)
                     .arg(PcmSound::kMinSampleRate)
                     .arg(PcmSound::kMaxSampleRate));
            return 0;
        }
        logComments(stream);
        if (rate == 0)
            rate = unsigned(streamRate);
        const bool keep = unsigned(streamRate) == rate;
        if (!keep)
            Log::line(QStringLiteral("Skipping a chained Vorbis stream at %1 Hz in a file at %2 Hz.")
                          .arg(streamRate)
                          .arg(rate));
        if (!decodeAudio(stream, keep))
            return 0;
    }
}

bool OggVorbisDecoder::readHeaders(Stream& stream)
{
    ogg_packet packet;
    if (ogg_stream_pagein(&stream.state, &page_) < 0)
        return fail(QStringLiteral("Error reading first page of Ogg bitstream data."));
    if (ogg_stream_packetout(&stream.state, &packet) != 1)
        return fail(QStringLiteral("Error reading initial header packet."));
    if (vorbis_synthesis_headerin(&stream.info, &stream.comment, &packet) < 0)
        return fail(QStringLiteral("This Ogg bitstream does not contain Vorbis audio data."));
    // The comment and set-up headers follow, on the first page or on later ones.
    int headers = 1;
    while (headers < 3) {
        const int packetResult = ogg_stream_packetout(&stream.state, &packet);
        if (packetResult > 0) {
            if (vorbis_synthesis_headerin(&stream.info, &stream.comment, &packet) < 0)
                return fail(QStringLiteral("Corrupt secondary header.  Exiting."));
            ++headers;
            continue;
        }
        if (packetResult < 0)
            return fail(QStringLiteral("Corrupt secondary header.  Exiting."));
        const int pageResult = ogg_sync_pageout(&sync_, &page_);
        if (pageResult > 0)
            ogg_stream_pagein(&stream.state, &page_);
        if (pageResult != 0)
            continue;
        const qint64 bytes = readChunk();
        if (bytes < 0)
            return fail(QStringLiteral("Error reading the Ogg file: %1").arg(input_.errorString()));
        if (bytes == 0)
            return fail(QStringLiteral("End of file before finding all Vorbis headers!"));
    }
    return true;
}

void OggVorbisDecoder::logComments(const Stream& stream) const
{
    const int count = std::min(stream.comment.comments, kMaxLoggedComments);
    for (int i = 0; i < count; ++i) {
        const int length = std::clamp(stream.comment.comment_lengths[i], 0, 1024);
        Log::line(QString::fromUtf8(stream.comment.user_comments[i], length));
    }
}

bool OggVorbisDecoder::decodeAudio(Stream& stream, bool keep)
{
    stream.synthesizing = vorbis_synthesis_init(&stream.dsp, &stream.info) == 0;
    if (stream.synthesizing)
        vorbis_block_init(&stream.dsp, &stream.block);
    else // the stream's pages are still read past, to reach the next stream
        Log::line(QStringLiteral("Error: Corrupt header during playback initialization."));
    const int channels = stream.info.channels;
    const int blockFrames = kChunkBytes / channels;

    bool ended = false;
    while (!ended) {
        int result;
        while (!ended && (result = ogg_sync_pageout(&sync_, &page_)) != 0) {
            if (result < 0) {
                Log::line(QStringLiteral("Corrupt or missing data in bitstream; continuing..."));
                continue;
            }
            ogg_stream_pagein(&stream.state, &page_);
            ogg_packet packet;
            while ((result = ogg_stream_packetout(&stream.state, &packet)) != 0) {
                if (result < 0 || !stream.synthesizing)
                    continue; // a gap in the data: the decoder goes on after it
                if (vorbis_synthesis(&stream.block, &packet) == 0)
                    vorbis_synthesis_blockin(&stream.dsp, &stream.block);
                float** pcm;
                int frames;
                while ((frames = vorbis_synthesis_pcmout(&stream.dsp, &pcm)) > 0) {
                    const int taken = std::min(frames, blockFrames);
                    if (keep && !writeFrames(pcm, channels, taken, long(stream.dsp.sequence)))
                        return false;
                    vorbis_synthesis_read(&stream.dsp, taken);
                }
            }
            ended = ogg_page_eos(&page_) != 0;
        }
        if (!ended) {
            const qint64 bytes = readChunk();
            if (bytes < 0)
                return fail(QStringLiteral("Error reading the Ogg file: %1").arg(input_.errorString()));
            ended = bytes == 0; // a file cut short ends its stream
        }
    }
    return true;
}

std::int16_t OggVorbisDecoder::toPcm16(float sample, bool* clipped)
{
    const double value = std::isfinite(sample) ? std::floor(double(sample) * 32767.0 + 0.5) : 0.0;
    if (value > 32767.0 || value < -32768.0)
        *clipped = true;
    return std::int16_t(std::clamp(value, -32768.0, 32767.0));
}

bool OggVorbisDecoder::writeFrames(float** pcm, int channels, int frames, long sequence)
{
    framesWritten_ += std::size_t(frames);
    if (framesWritten_ > PcmSound::kMaxFrames)
        return fail(QStringLiteral("The Ogg file is too long: more than %1 frames.").arg(PcmSound::kMaxFrames));
    // Vorbis orders three, and five to eight, channels with the centre second.
    const int right = channels == 1 ? 0 : (channels == 3 || (channels >= 5 && channels <= 8)) ? 2 : 1;
    frameBytes_.resize(std::size_t(frames) * 4);
    bool clipped = false;
    for (int i = 0; i < frames; ++i) {
        qToLittleEndian(toPcm16(pcm[0][i], &clipped), frameBytes_.data() + 4 * i);
        qToLittleEndian(toPcm16(pcm[right][i], &clipped), frameBytes_.data() + 4 * i + 2);
    }
    if (clipped)
        Log::line(QStringLiteral("Clipping in frame %1").arg(sequence));
    const qint64 size = qint64(frameBytes_.size());
    if (output_.write(frameBytes_.data(), size) != size)
        return fail(QStringLiteral("Could not write the decoded sound: %1").arg(output_.errorString()));
    return true;
}
