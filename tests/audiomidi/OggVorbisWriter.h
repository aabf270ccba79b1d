#pragma once

#include <QByteArray>
#include <QStringList>

#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <vector>

// An Ogg Vorbis stream of the given channels (one sample list each, equally long), encoded
// here with libvorbisenc. Concatenated streams of other serial numbers make a chained file.
inline QByteArray oggVorbisFile(const std::vector<std::vector<float>>& channels, long sampleRate, int serial = 1,
                                const QStringList& comments = {})
{
    QByteArray file;
    vorbis_info info;
    vorbis_info_init(&info);
    if (vorbis_encode_init_vbr(&info, long(channels.size()), sampleRate, 0.5f) != 0) {
        vorbis_info_clear(&info);
        return file;
    }
    vorbis_comment comment;
    vorbis_comment_init(&comment);
    for (const QString& text : comments)
        vorbis_comment_add(&comment, text.toUtf8().constData());
    vorbis_dsp_state dsp;
    vorbis_analysis_init(&dsp, &info);
    vorbis_block block;
    vorbis_block_init(&dsp, &block);
    ogg_stream_state stream;
    ogg_stream_init(&stream, serial);
    ogg_page page;
    ogg_packet packet;
    auto appendPage = [&] {
        file.append(reinterpret_cast<const char*>(page.header), page.header_len);
        file.append(reinterpret_cast<const char*>(page.body), page.body_len);
    };

    ogg_packet identification, commentHeader, setup;
    vorbis_analysis_headerout(&dsp, &comment, &identification, &commentHeader, &setup);
    ogg_stream_packetin(&stream, &identification);
    ogg_stream_packetin(&stream, &commentHeader);
    ogg_stream_packetin(&stream, &setup);
    while (ogg_stream_flush(&stream, &page))
        appendPage();

    auto drain = [&] {
        while (vorbis_analysis_blockout(&dsp, &block) == 1) {
            vorbis_analysis(&block, nullptr);
            vorbis_bitrate_addblock(&block);
            while (vorbis_bitrate_flushpacket(&dsp, &packet)) {
                ogg_stream_packetin(&stream, &packet);
                while (ogg_stream_pageout(&stream, &page))
                    appendPage();
            }
        }
    };
    const std::size_t frames = channels.front().size();
    for (std::size_t at = 0; at < frames; at += 1024) {
        const std::size_t count = std::min<std::size_t>(1024, frames - at);
        float** buffer = vorbis_analysis_buffer(&dsp, int(count));
        for (std::size_t c = 0; c < channels.size(); ++c)
            std::copy_n(channels[c].begin() + long(at), count, buffer[c]);
        vorbis_analysis_wrote(&dsp, int(count));
        drain();
    }
    vorbis_analysis_wrote(&dsp, 0);
    drain();
    while (ogg_stream_flush(&stream, &page))
        appendPage();

    ogg_stream_clear(&stream);
    vorbis_block_clear(&block);
    vorbis_dsp_clear(&dsp);
    vorbis_comment_clear(&comment);
    vorbis_info_clear(&info);
    return file;
}
