#include "writers/ogg_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <vorbis/vorbisenc.h>

namespace kestrel::test {

std::vector<int16_t> MakeTone(double hz, uint32_t frames, int channels, int rate, double amplitude) {
    std::vector<int16_t> pcm(static_cast<size_t>(frames) * channels);
    for (uint32_t i = 0; i < frames; ++i) {
        double s = amplitude * std::sin(2.0 * M_PI * hz * i / rate);
        for (int c = 0; c < channels; ++c)
            pcm[static_cast<size_t>(i) * channels + c] = static_cast<int16_t>(std::lround(s));
    }
    return pcm;
}

namespace {

void AppendPage(const ogg_page& page, std::vector<uint8_t>& out) {
    out.insert(out.end(), page.header, page.header + page.header_len);
    out.insert(out.end(), page.body, page.body + page.body_len);
}

} // namespace

std::vector<uint8_t> EncodeOggVorbis(const std::vector<int16_t>& pcm, int channels, int rate, float quality) {
    std::vector<uint8_t> out;
    if (channels < 1 || rate <= 0)
        return out;
    vorbis_info vi;
    vorbis_info_init(&vi);
    if (vorbis_encode_init_vbr(&vi, channels, rate, quality) != 0) {
        vorbis_info_clear(&vi);
        return out;
    }
    vorbis_comment vc;
    vorbis_comment_init(&vc);
    vorbis_dsp_state vd;
    vorbis_analysis_init(&vd, &vi);
    vorbis_block vb;
    vorbis_block_init(&vd, &vb);
    ogg_stream_state os;
    ogg_stream_init(&os, 1234);

    ogg_packet header, comm, code;
    vorbis_analysis_headerout(&vd, &vc, &header, &comm, &code);
    ogg_stream_packetin(&os, &header);
    ogg_stream_packetin(&os, &comm);
    ogg_stream_packetin(&os, &code);
    ogg_page og;
    while (ogg_stream_flush(&os, &og) != 0)
        AppendPage(og, out);

    const size_t frames = pcm.size() / channels;
    constexpr size_t kChunk = 4096;
    size_t done = 0;
    bool eos = false;
    while (!eos) {
        size_t n = std::min(kChunk, frames - done);
        if (n == 0) {
            vorbis_analysis_wrote(&vd, 0);
        } else {
            float** buf = vorbis_analysis_buffer(&vd, static_cast<int>(n));
            for (size_t i = 0; i < n; ++i)
                for (int c = 0; c < channels; ++c)
                    buf[c][i] = pcm[(done + i) * channels + c] / 32768.0f;
            vorbis_analysis_wrote(&vd, static_cast<int>(n));
            done += n;
        }
        while (vorbis_analysis_blockout(&vd, &vb) == 1) {
            vorbis_analysis(&vb, nullptr);
            vorbis_bitrate_addblock(&vb);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd, &op)) {
                ogg_stream_packetin(&os, &op);
                while (ogg_stream_pageout(&os, &og) != 0) {
                    AppendPage(og, out);
                    if (ogg_page_eos(&og))
                        eos = true;
                }
            }
        }
        if (n == 0) {
            while (ogg_stream_flush(&os, &og) != 0) {
                AppendPage(og, out);
                eos = true;
            }
            eos = true;
        }
    }
    ogg_stream_clear(&os);
    vorbis_block_clear(&vb);
    vorbis_dsp_clear(&vd);
    vorbis_comment_clear(&vc);
    vorbis_info_clear(&vi);
    return out;
}

std::vector<uint8_t> MakeToneOgg(double hz, double seconds, int channels, int rate, double amplitude) {
    uint32_t frames = static_cast<uint32_t>(std::lround(seconds * rate));
    return EncodeOggVorbis(MakeTone(hz, frames, channels, rate, amplitude), channels, rate);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

} // namespace kestrel::test
